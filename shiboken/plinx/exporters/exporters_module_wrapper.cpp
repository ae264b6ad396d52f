// Start-up of the module plinx.exporters: exporters written in Python, the
// application's own exporters and baked shape data.

#include "plinx_exporters_python.h"

BINDING_MODULE_STORAGE(plinx_exporters)

using namespace Binding;

void registerExportersConversions()
{
    using namespace plinx_exporters;
    using Slot = Converter;
    const Module& m = module;
    registerContainerConversion<MatrixMap, MappingConversion>(m, Slot::MatrixMap, &PyDict_Type);
    registerContainerConversion<QList<QObject*>, SequenceConversion>(m, Slot::ObjectList, &PyList_Type);
    registerContainerConversion<FileMap, MappingConversion>(m, Slot::FileMap, &PyDict_Type);
    registerContainerConversion<OptionMap, MappingConversion>(m, Slot::OptionMap, &PyDict_Type);
    registerContainerConversion<QList<QByteArray>, SequenceConversion>(m, Slot::ByteArrayList, &PyList_Type);
    registerContainerConversion<TrackingExporterHash, MappingConversion>(m, Slot::TrackingExporterHash, &PyDict_Type);
    registerContainerConversion<QVector<Layer>, SequenceConversion>(m, Slot::LayerVector, &PyList_Type);
    registerContainerConversion<QVector<View>, SequenceConversion>(m, Slot::ViewVector, &PyList_Type);
    registerContainerConversion<CameraSolveExporterHash, MappingConversion>(m, Slot::CameraSolveExporterHash,
                                                                            &PyDict_Type);
    registerContainerConversion<ShapeExporterHash, MappingConversion>(m, Slot::ShapeExporterHash, &PyDict_Type);
    registerContainerConversion<QList<QVariant>, SequenceConversion>(m, Slot::VariantList, &PyList_Type);
    registerContainerConversion<QList<QString>, SequenceConversion>(m, Slot::StringList, &PyList_Type);
    registerContainerConversion<VariantMap, MappingConversion>(m, Slot::VariantMap, &PyDict_Type);
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
