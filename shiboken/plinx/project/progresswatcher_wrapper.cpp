// plinx.project.ProgressWatcher: the core's progress as Qt signals.

#include "plinx_project_python.h"

using namespace Binding;

void init_ProgressWatcher(PyObject* module)
{
    ObjectClass<ProgressWatcher> type(module);
    type.constructor(init<QObject*>(arg("parent") = nullptr));
    type.introduce();
}
