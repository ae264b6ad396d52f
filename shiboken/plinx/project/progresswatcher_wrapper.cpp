// plinx.project.ProgressWatcher: the core's progress as Qt signals.

#include "plinx_project_python.h"

#include "shiboken/binding/QObjects.h"

using namespace Binding;
using ProgressWatcherWrapper = Binding::QObjectWrapper<ProgressWatcher>;

namespace {

const Scope progressWatcher(Sbkplinx_project_details::module, "ProgressWatcher");

const auto constructor =
    progressWatcher.constructor(init<ProgressWatcherWrapper, QObject*>(opt("parent", nullptr)));

PyMethodDef methods[] = {
    {nullptr, nullptr, 0, nullptr},
};

const char* signatures[] = {
    "plinx.project.ProgressWatcher(parent:PySide2.QtCore.QObject=NULL)",
    nullptr,
};

} // namespace

void init_ProgressWatcher(PyObject* module)
{
    ObjectClass<ProgressWatcher, ProgressWatcherWrapper>(Sbkplinx_project_details::module, SBK_PROGRESSWATCHER_IDX,
                                                         "ProgressWatcher")
        .constructor<constructor>()
        .methods(methods)
        .signatures(signatures)
        .introduce(module);
}
