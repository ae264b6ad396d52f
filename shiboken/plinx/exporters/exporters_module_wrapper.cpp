// Start-up of the module plinx.exporters: exporters written in Python, the
// application's own exporters and baked shape data.

#include "plinx_exporters_python.h"

BINDING_MODULE_STORAGE(plinx_exporters)

using namespace Binding;

namespace {

template <typename Container, template <typename> class Kind>
void registerContainer(plinx_exporters::Converter slot, PyTypeObject* pythonType)
{
    using C = Kind<Container>;
    registerConversion(plinx_exporters::module, slot, pythonType, &C::toPython, {{&C::toCpp, &C::isConvertible}});
}

} // namespace

void registerExportersConversions()
{
    using Slot = plinx_exporters::Converter;
    registerContainer<plinx_exporters::MatrixMap, MappingConversion>(Slot::MatrixMap, &PyDict_Type);
    registerContainer<QList<QObject*>, SequenceConversion>(Slot::ObjectList, &PyList_Type);
    registerContainer<plinx_exporters::FileMap, MappingConversion>(Slot::FileMap, &PyDict_Type);
    registerContainer<plinx_exporters::OptionMap, MappingConversion>(Slot::OptionMap, &PyDict_Type);
    registerContainer<QList<QByteArray>, SequenceConversion>(Slot::ByteArrayList, &PyList_Type);
    registerContainer<plinx_exporters::TrackingExporterHash, MappingConversion>(Slot::TrackingExporterHash,
                                                                               &PyDict_Type);
    registerContainer<QVector<Layer>, SequenceConversion>(Slot::LayerVector, &PyList_Type);
    registerContainer<QVector<View>, SequenceConversion>(Slot::ViewVector, &PyList_Type);
    registerContainer<plinx_exporters::CameraSolveExporterHash, MappingConversion>(Slot::CameraSolveExporterHash,
                                                                                  &PyDict_Type);
    registerContainer<plinx_exporters::ShapeExporterHash, MappingConversion>(Slot::ShapeExporterHash, &PyDict_Type);
    registerContainer<QList<QVariant>, SequenceConversion>(Slot::VariantList, &PyList_Type);
    registerContainer<QList<QString>, SequenceConversion>(Slot::StringList, &PyList_Type);
    registerContainer<VariantMap, MappingConversion>(Slot::VariantMap, &PyDict_Type);
}

extern "C" Q_DECL_EXPORT PyObject* PyInit_exporters()
{
    using plinx_exporters::module;
    module.setPythonError = &translateException;
    // Without any of them the import fails with the error left pending.
    if (!Module::importBindingModule("PySide2.QtCore") || !Module::importBindingModule("PySide2.QtGui")
        || !Module::importBindingModule("plinx.project"))
        return nullptr;

    plinx_exporters::describeTypes();
    PyObject* m = module.create("exporters", {});
    if (!m)
        return nullptr;
    plinx_exporters::introduceTypes(m);
    registerExportersConversions();
    return module.finish(m, "can't initialize module exporters");
}
