// plinx.exporters.CameraSolveExporter: one of the application's camera-solve
// exporters, from AbstractCameraSolveExporter.registered_exporters() only.

#include "plinx_exporters_python.h"

using namespace Binding;

void init_CameraSolveExporter(PyObject* module)
{
    using E = CameraSolveExporter;
    ObjectClass<E> type(module);
    type.base<AbstractCameraSolveExporter>().apiMadeOnly();
    type.method("do_export", &E::do_export, "project", "layers", "shape_file_path", "time", "views");
    type.method("error_string", &E::error_string);
    type.introduce();
}
