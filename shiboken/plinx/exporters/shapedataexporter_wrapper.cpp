// plinx.exporters.ShapeDataExporter: one of the application's shape
// exporters, from AbstractShapeDataExporter.registered_exporters() only.

#include "plinx_exporters_python.h"

using namespace Binding;

void init_ShapeDataExporter(PyObject* module)
{
    using E = ShapeDataExporter;
    ObjectClass<E> type(module);
    type.base<AbstractShapeDataExporter>().apiMadeOnly();
    type.method("do_export", &E::do_export, "project", "layers", "shape_file_path", "views");
    type.method("error_string", &E::error_string);
    type.introduce();
}
