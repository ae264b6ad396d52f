// plinx.project.RenderOperation: what every render operation has, its
// progress watcher. Python cannot build one, only the four kinds.

#include "plinx_project_python.h"

using namespace Binding;

void init_RenderOperation(PyObject* module)
{
    ObjectClass<RenderOperation> type(module);
    // The operation keeps its watcher for its whole life.
    type.property("progress_watcher", &RenderOperation::get_progress_watcher, resultOwnedByCpp);
    type.introduce();
}
