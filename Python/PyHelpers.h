#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QGenericArgument;
class QObject;
template <class T>
class QPointer;

struct _ts;

namespace PyHelpers {

// Releases the interpreter lock for the length of a scope, when core work
// runs on a worker thread that holds it; on the application thread, or
// without an application object, it changes nothing.
class ScopedPyThreadState
{
public:
    ScopedPyThreadState();
    ~ScopedPyThreadState();
    ScopedPyThreadState(const ScopedPyThreadState&) = delete;
    ScopedPyThreadState& operator=(const ScopedPyThreadState&) = delete;

    bool releasedLock() const { return m_saved != nullptr; }

private:
    _ts* m_saved = nullptr;
};

// Gives the interpreter lock away for the length of a scope when this
// thread holds it, whichever thread it is: around a wait for the core, or
// a deletion (which the runtime runs without it).
class InterpreterReleased
{
public:
    InterpreterReleased();
    ~InterpreterReleased();
    InterpreterReleased(const InterpreterReleased&) = delete;
    InterpreterReleased& operator=(const InterpreterReleased&) = delete;

private:
    _ts* m_saved = nullptr;
};

// One thread at a time in the core, which is not thread-safe: Python
// threads run API calls in parallel once they have given the interpreter
// lock away. Take it only without the interpreter lock, never the other way
// round: the holder may need the interpreter lock to call Python, and a
// thread waiting here must not hold it. Re-entrant on one thread, since the
// core may call a Python override that calls the API again.
class CoreLock
{
public:
    CoreLock();
    ~CoreLock();
    CoreLock(const CoreLock&) = delete;
    CoreLock& operator=(const CoreLock&) = delete;
};

// Gives the core away for the length of a scope, where this thread may wait
// on another thread that needs it; taken back, as deep as before, at the
// end (with the interpreter lock given away while it waits, if held).
class CoreUnlocked
{
public:
    CoreUnlocked();
    ~CoreUnlocked();
    CoreUnlocked(const CoreUnlocked&) = delete;
    CoreUnlocked& operator=(const CoreUnlocked&) = delete;

private:
    int m_depth = 0;
    std::unique_ptr<std::vector<std::function<void()>>> m_afterCore; // the lent section's, kept for its end
};

// Takes the core from wherever a thread stands: a Qt event handler, slot or
// timer may run inside a Python call that holds the interpreter lock, which
// is given away for the scope, before the wait for the core.
class CoreEntered
{
public:
    CoreEntered() = default;
    CoreEntered(const CoreEntered&) = delete;
    CoreEntered& operator=(const CoreEntered&) = delete;

private:
    InterpreterReleased m_unlocked;
    CoreLock m_core;
};

// Whether this thread is in the core now (holding it, not lending it).
bool inCore();

namespace detail {
// Gives the core back for a thread that will never come back to it (see
// parkForGood): at a place where it may run Python or wait, where another
// thread may have the core.
void leaveCoreForGood();
} // namespace detail

// Runs `work` once this thread is out of the core: at once when it is not in
// it, else right after its outermost CoreLock has let the core go. For what
// may run Python (a deletion whose destroyed slot joins a thread that calls
// the API), which never runs in the middle of the core's own work, where the
// core can be neither lent nor waited for. `work` must not throw.
void afterCore(std::function<void()> work);

// Qt keeps an object tree in one thread and changes it without a lock, but
// calls run on any thread. So an object that a call gives a Qt parent moves
// to the parent's thread first, and each such change, and an API object's
// leaving its parent as it dies (SbkCleaner), is made under one lock, never
// waited for with the interpreter lock held.
//
// Makes `parent` the Qt parent of `child`, moving the child to the parent's
// thread first. Qt moves an object only from its own thread, or one that
// belongs to no thread, and only to a thread: false, nothing changed, for a
// child that cannot be moved from here.
bool giveParent(QObject& child, QObject* parent);
// Leaves the Qt parent, if any.
void leaveParent(QObject& child);

// Where the core runs Python: the interpreter lock is held for the scope,
// and the core is lent to other threads meanwhile, since Python may wait
// for a thread that needs it (a join, a queue). What the core call that
// runs Python uses must outlive the loan: it holds it by shared ownership.
// The core is taken back once the interpreter lock is given back. Once the
// interpreter is finalising, nothing is taken: running() is false.
class PythonFromCore
{
public:
    PythonFromCore();
    ~PythonFromCore();
    PythonFromCore(const PythonFromCore&) = delete;
    PythonFromCore& operator=(const PythonFromCore&) = delete;

    bool running() const { return m_running; }

private:
    std::optional<CoreUnlocked> m_lent; // given back after the interpreter lock
    int m_state = 0;                    // PyGILState_STATE
    bool m_running = false;
};

// Ctrl-C while a call runs raises KeyboardInterrupt when the call returns.
// The interpreter would raise it in whatever Python the core runs on the
// main thread meanwhile (a progress slot, an exporter, an image reader),
// where errors are reported and the call carries on: the Ctrl-C would be
// lost. There, the signals that came meanwhile are taken first, and a
// KeyboardInterrupt met is put off until this thread takes the interpreter
// lock back from the core, where the interrupt is raised anew.
// Takes the pending signals, before Python runs from the core (with the
// interpreter lock).
void takeSignalsBeforePython();
// Notes the thread that handles signals when it is this one (with the
// interpreter lock): other threads need not look for signals.
void noteSignalThread();
// Puts off the pending error when it is a KeyboardInterrupt on the main
// thread; whether it did (the error is then cleared).
bool putOffInterrupt();
namespace detail {
// Raises the interrupt put off, if any (at the interpreter lock's return).
void raisePutOffInterrupt();
} // namespace detail

// Raises a Qt signal (or calls a slot) by name from inside the core, where
// Python slots may hear it: delivered at once in the object's thread, the
// core lent meanwhile as wherever the core runs Python; queued from another
// thread. False when the object has no such member.
bool raiseSignal(QObject* object, const char* member, const QGenericArgument& argument);
bool raiseSignal(QObject* object, const char* member);
// The same for an object that another thread may be deleting: held while the
// signal is raised, and nothing once it is gone. A deletion asked for
// meanwhile (by a slot too) takes effect as soon as the signal has been
// raised, the core still lent.
bool raiseSignal(const QPointer<QObject>& guard, const char* member, const QGenericArgument& argument);
bool raiseSignal(const QPointer<QObject>& guard, const char* member);

} // namespace PyHelpers
