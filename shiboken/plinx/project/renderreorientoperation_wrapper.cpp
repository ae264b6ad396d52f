// plinx.project.RenderReorientOperation: renders the trackable clip turned to a level horizon.

#include "plinx_project_python.h"

using namespace Binding;

void init_RenderReorientOperation(PyObject* module)
{
    ObjectClass<RenderReorientOperation> type(module);
    type.base<RenderOperation>();
    // Whatever it is given, it builds the operation.
    type.constructor(init<>(ignoresArguments));
    type.introduce();
}
