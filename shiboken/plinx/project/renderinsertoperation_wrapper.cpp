// plinx.project.RenderInsertOperation: renders the layers' inserts into a new clip.

#include "plinx_project_python.h"

using namespace Binding;

void init_RenderInsertOperation(PyObject* module)
{
    ObjectClass<RenderInsertOperation> type(module);
    type.base<RenderOperation>();
    // Whatever it is given, it builds the operation.
    type.constructor(init<>(ignoresArguments));
    type.introduce();
}
