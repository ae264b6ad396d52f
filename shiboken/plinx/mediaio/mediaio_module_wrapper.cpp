// Start-up of the module plinx.mediaio: image readers and writers written
// in Python.

#include "plinx_mediaio_python.h"

#include <cstring>

BINDING_MODULE_STORAGE(plinx_mediaio)

using namespace Binding;

namespace {

// The types of plinx.project that image readers and writers use, under this
// module's name too: the very same type objects.
bool offerProjectTypes(PyObject* module)
{
    for (PyTypeObject* type : {pyType<ImageData>(), pyType<PixelFormat>(), pyType<ChannelType>()}) {
        const char* fullName = type->tp_name; // "plinx.project.ImageData"
        const char* dot = std::strrchr(fullName, '.');
        Py_INCREF(type);
        if (PyModule_AddObject(module, dot ? dot + 1 : fullName, reinterpret_cast<PyObject*>(type)) < 0) {
            Py_DECREF(type);
            return false;
        }
    }
    return true;
}

} // namespace

void registerMediaIOConversions()
{
    using Slot = plinx_mediaio::Converter;
    const Module& m = plinx_mediaio::module;
    registerContainerConversion<QList<PixelFormat>, SequenceConversion>(m, Slot::PixelFormatList, &PyList_Type);
    registerContainerConversion<QList<ChannelType>, SequenceConversion>(m, Slot::ChannelTypeList, &PyList_Type);
    registerContainerConversion<QList<QObject*>, SequenceConversion>(m, Slot::ObjectList, &PyList_Type);
    registerContainerConversion<QList<QByteArray>, SequenceConversion>(m, Slot::ByteArrayList, &PyList_Type);
    registerContainerConversion<VariantMap, MappingConversion>(m, Slot::VariantMap, &PyDict_Type);
    registerContainerConversion<QVector<QString>, SequenceConversion>(m, Slot::StringVector, &PyList_Type);
    registerContainerConversion<QList<QVariant>, SequenceConversion>(m, Slot::VariantList, &PyList_Type);
    registerContainerConversion<QList<QString>, SequenceConversion>(m, Slot::StringList, &PyList_Type);
}

extern "C" Q_DECL_EXPORT PyObject* PyInit_mediaio()
{
    using plinx_mediaio::module;
    module.setPythonError = &translateException;
    // Without any of them the import fails with the error left pending.
    if (!Module::importBindingModule("PySide2.QtCore") || !Module::importBindingModule("plinx.project")
        || !Module::importBindingModule("PySide2.QtGui"))
        return nullptr;

    plinx_mediaio::describeTypes();
    PyObject* m = module.create("mediaio", {});
    if (!m)
        return nullptr;
    plinx_mediaio::introduceTypes(m);
    registerMediaIOConversions();
    if (!module.finish(m, "can't initialize module mediaio") || !offerProjectTypes(m))
        return nullptr;
    return m;
}
