// plinx.exporters.TrackingDataExporter: one of the application's tracking
// exporters, from AbstractTrackingDataExporter.registered_exporters() only.

#include "plinx_exporters_python.h"

using namespace Binding;

void init_TrackingDataExporter(PyObject* module)
{
    using E = TrackingDataExporter;
    ObjectClass<E> type(module);
    type.base<AbstractTrackingDataExporter>().apiMadeOnly();
    type.method("do_export", &E::do_export, "project", "layer", "tracking_file_path", "time", "view", "options");
    type.method("error_string", &E::error_string);
    type.introduce();
}
