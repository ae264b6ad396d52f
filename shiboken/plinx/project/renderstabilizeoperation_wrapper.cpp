// plinx.project.RenderStabilizeOperation: renders each layer's stabilised clip.

#include "plinx_project_python.h"

using namespace Binding;

void init_RenderStabilizeOperation(PyObject* module)
{
    ObjectClass<RenderStabilizeOperation> type(module);
    type.base<RenderOperation>();
    // Whatever it is given, it builds the operation.
    type.constructor(init<>(ignoresArguments));
    type.introduce();
}
