// plinx.project.UndoGroup: edits of a project as one step of its undo
// history, most simply as a context manager around a block of edits.

#include "plinx_project_python.h"

using namespace Binding;

namespace {

// Leaving a block: an exception (the second argument) takes the block's
// edits back, else they become one step. Returns None, so the exception
// goes on.
void exitBlock(UndoGroup& group, PyObject*, PyObject* exception, PyObject*)
{
    const bool failed = exception != Py_None;
    withoutLock([&] { failed ? group.rollback() : group.commit(); });
}

} // namespace

void init_UndoGroup(PyObject* module)
{
    ValueClass<UndoGroup> type(module);
    type.constructor(init<const UndoGroup&>("UndoGroup", wrongCountIsWrongArguments));
    type.method("__enter__", &UndoGroup::begin);
    type.method("__exit__", &exitBlock, "arg__1", "arg__2", "arg__3", wrongCountIsWrongArguments);
    type.method("commit", &UndoGroup::commit);
    type.method("rollback", &UndoGroup::rollback);
    type.method("undo", &UndoGroup::undo);
    type.method("redo", &UndoGroup::redo);
    type.introduce();
}
