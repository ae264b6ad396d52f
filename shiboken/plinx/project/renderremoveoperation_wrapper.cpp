// plinx.project.RenderRemoveOperation: renders the footage with the layers' pixels filled in.

#include "plinx_project_python.h"

using namespace Binding;

void init_RenderRemoveOperation(PyObject* module)
{
    ObjectClass<RenderRemoveOperation> type(module);
    type.base<RenderOperation>();
    // Whatever it is given, it builds the operation.
    type.constructor(init<>(ignoresArguments));
    type.introduce();
}
