#pragma once

// The end of the interpreter while threads are inside calls.
//
// Once Python's finalization has begun, a thread that asks for the
// interpreter lock is ended by unwinding it (pthread_exit): through native
// frames that cannot be unwound, which aborts the process, and past code
// that would have gone on. A thread that keeps working in the core
// meanwhile meets the libraries' teardown. So, from Python's atexit stage
// on (the interpreter still whole):
// - a thread other than the ending one that comes to take the interpreter
//   lock or the core back stops there for good: it is parked, holding
//   neither, never unwound; every place that takes them back is such a
//   stop;
// - the ending thread waits a few seconds at most, the interpreter lock
//   given away, for the threads inside calls to reach a stop: a save or a
//   frame being written ends first, Python run from the core returns;
// - a thread that Python unwinds all the same (it was still running Python
//   from the core) is parked where the unwinding meets this code;
// - a thread still at work when the process exits ends with it, skipping
//   the static destructors (_exit, with the status exit was given).
// The child of a fork ends so too: the libraries' teardown would join the
// threads of their pools, which it lacks.

#include <cxxabi.h>
#include <utility>

struct _ts;

namespace PyHelpers {

// Gives away the interpreter lock, which this thread holds.
_ts* releaseInterpreter();
// Takes it back, or parks this thread when the interpreter is ending.
void restoreInterpreter(_ts* saved);
// PyGILState_Ensure, or parks this thread when the interpreter is ending.
int ensureInterpreter();
// The same, except that a thread that the interpreter lets in runs on
// while it is still whole: for a step that is best finished once begun.
int ensureInterpreterToFinish();

// Gives away the interpreter lock, which this thread holds, until
// restore() or the end of the scope: around an API call.
class InterpreterGivenAway
{
public:
    InterpreterGivenAway() : m_saved(releaseInterpreter()) {}
    ~InterpreterGivenAway() { restore(); }
    InterpreterGivenAway(const InterpreterGivenAway&) = delete;
    InterpreterGivenAway& operator=(const InterpreterGivenAway&) = delete;

    void restore()
    {
        if (m_saved)
            restoreInterpreter(std::exchange(m_saved, nullptr));
    }

private:
    _ts* m_saved;
};

// Parks this thread when the interpreter is ending and it is not the
// thread that ends it.
void stopIfEnding();
[[noreturn]] void parkForGood();

// Runs Python from native code: a thread that the interpreter ends inside
// it is parked here, before the unwinding reaches native frames.
template <typename Run>
decltype(auto) parkedIfEnded(Run&& run)
{
    try {
        return std::forward<Run>(run)();
    } catch (abi::__forced_unwind&) {
        parkForGood();
    }
}

// Whether a thread that gave the interpreter lock away is still at work:
// after the end's wait, a teardown leaves alone what it may use.
bool callsStillRunning();

// Watches the interpreter's end (an atexit function), once; with the
// interpreter lock, after the modules whose atexit functions must see the
// calls already stopped were imported.
void watchInterpreterEndForCalls();

} // namespace PyHelpers
