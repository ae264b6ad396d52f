// Start-up of the module plinx.tools: viewer tools and overlays written in
// Python. It exists only inside the GUI application.

#include "plinx_tools_python.h"

#include "Python/Bootstrap.h"
#include "Tools/GlueHelpers.h"

BINDING_MODULE_STORAGE(plinx_tools)

using namespace Binding;

namespace {

void registerToolsConversions()
{
    using Slot = plinx_tools::Converter;
    const Module& m = plinx_tools::module;
    registerContainerConversion<QList<QObject*>, SequenceConversion>(m, Slot::ObjectList, &PyList_Type);
    registerContainerConversion<QList<QByteArray>, SequenceConversion>(m, Slot::ByteArrayList, &PyList_Type);
    registerContainerConversion<QList<QVariant>, SequenceConversion>(m, Slot::VariantList, &PyList_Type);
    registerContainerConversion<QList<QString>, SequenceConversion>(m, Slot::StringList, &PyList_Type);
    registerContainerConversion<VariantMap, MappingConversion>(m, Slot::VariantMap, &PyDict_Type);
}

std::vector<const FunctionBase*> moduleFunctions()
{
    using GlueHelpers::ToolTypeSystem;
    const Module& m = plinx_tools::module;
    return {moduleFunction(m, "register_custom_tool_type", overload(&ToolTypeSystem::registerCustomTool, "type")),
            moduleFunction(m, "registered_tool_types", overload(&ToolTypeSystem::registeredTypes)),
            moduleFunction(m, "set_overlay_renderer", overload(&GlueHelpers::setExtraOverlayRenderer, "callable")),
            moduleFunction(m, "tool_instance", overload(&ToolTypeSystem::instanceOf, "type"))};
}

} // namespace

extern "C" Q_DECL_EXPORT PyObject* PyInit_tools()
{
    if (!isEmbedded()) {
        PyErr_SetString(PyExc_OSError, "This module is available inside plinx GUI instance only");
        return nullptr;
    }
    using plinx_tools::module;
    module.setPythonError = &translateException;
    if (!Module::importBindingModule("PySide2.QtCore") || !Module::importBindingModule("PySide2.QtGui")
        || !Module::importBindingModule("PySide2.QtWidgets") || !Module::importBindingModule("plinx.project"))
        return nullptr;

    plinx_tools::describeTypes();
    PyObject* m = module.create("tools", moduleFunctions());
    if (!m)
        return nullptr;
    plinx_tools::introduceTypes(m);
    registerToolsConversions();
    if (!module.finish(m, "can't initialize module tools"))
        return nullptr;
    GlueHelpers::ToolTypeSystem::setBaseType(pyType<AbstractTool>());
    return m;
}
