#include "PyHelpers.h"

#include "InUse.h"
#include "InterpreterEnd.h"

#include <Bsc/AtFork.h>

#include <sbkpython.h>

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

#include <atomic>
#include <chrono>
#include <csignal>
#include <memory>
#include <mutex>
#include <new>
#include <utility>

namespace PyHelpers {

ScopedPyThreadState::ScopedPyThreadState()
{
    QCoreApplication* application = QCoreApplication::instance();
    if (!application || QThread::currentThread() == application->thread())
        return;
    // Only a thread that holds the lock can give it away.
    if (Py_IsInitialized() && PyGILState_Check())
        m_saved = releaseInterpreter();
}

ScopedPyThreadState::~ScopedPyThreadState()
{
    if (m_saved)
        restoreInterpreter(m_saved);
}

InterpreterReleased::InterpreterReleased()
{
    if (Py_IsInitialized() && PyGILState_Check())
        m_saved = releaseInterpreter();
}

InterpreterReleased::~InterpreterReleased()
{
    if (m_saved)
        restoreInterpreter(m_saved);
}

namespace {

// Timed, for a fork, which waits for it a while only.
std::timed_mutex& coreMutex()
{
    static std::timed_mutex mutex;
    return mutex;
}

// This thread's place in the core, trivially destroyed: each access is a
// single thread-local look-up, without a first-use check (calls from the core
// into Python pass here twice each).
struct CoreThread
{
    int depth = 0; // the mutex is taken at the first level
    // What runs once the outermost CoreLock ends, oldest first; made when
    // first needed, gone once run.
    std::vector<std::function<void()>>* afterCore = nullptr;
};
thread_local CoreThread t_core;

void runAfterCore() noexcept
{
    // Each runs out of the core: what it asks for afterwards runs at once.
    const std::unique_ptr<std::vector<std::function<void()>>> due(std::exchange(t_core.afterCore, nullptr));
    if (!due)
        return;
    for (std::function<void()>& work : *due) {
        try {
            work();
        } catch (...) {
            // Deletions: nothing throws, and nobody would hear of it.
        }
    }
}

// Takes the core for a thread outside it: its first level. A thread that
// the interpreter's end stops meanwhile gives it back and parks.
void enterCore()
{
    stopIfEnding();
    coreMutex().lock();
    t_core.depth = 1;
    stopIfEnding();
}

// A fork waits until no other thread is in the core: the child, which has
// only the forking thread, gets the core as work left it between two
// steps, and its lock free. A fork that could not have it in time (its
// holder waiting for what the forking thread holds) gets the lock free in
// the child all the same.
constexpr std::chrono::seconds s_forkWaitsForCore(10);
thread_local bool t_forkTookCore = false; // threads may fork at once

void takeCoreForFork()
{
    t_forkTookCore = false;
    if (t_core.depth > 0)
        return;
    // Its holder may need the interpreter lock.
    _ts* saved = Py_IsInitialized() && PyGILState_Check() ? releaseInterpreter() : nullptr;
    t_forkTookCore = coreMutex().try_lock_for(s_forkWaitsForCore);
    if (saved)
        restoreInterpreter(saved);
}

void giveCoreBackAfterFork()
{
    if (t_forkTookCore)
        coreMutex().unlock();
}

void freeCoreInChild()
{
    if (t_forkTookCore)
        coreMutex().unlock();
    else if (t_core.depth == 0)
        new (&coreMutex()) std::timed_mutex();
}

const bool s_coreForks = Bsc::onFork(&takeCoreForFork, &giveCoreBackAfterFork, &freeCoreInChild);

} // namespace

void detail::leaveCoreForGood()
{
    if (t_core.depth == 0)
        return;
    t_core.depth = 0;
    coreMutex().unlock();
}

CoreLock::CoreLock()
{
    if (t_core.depth == 0)
        enterCore();
    else
        ++t_core.depth;
}

CoreLock::~CoreLock()
{
    if (--t_core.depth > 0)
        return;
    coreMutex().unlock();
    runAfterCore();
}

CoreUnlocked::CoreUnlocked()
{
    CoreThread& here = t_core;
    m_depth = here.depth;
    if (m_depth > 0) {
        // What the lent section put off waits for its end, not for a
        // section of the loan's.
        m_afterCore.reset(std::exchange(here.afterCore, nullptr));
        here.depth = 0;
        coreMutex().unlock();
    }
}

CoreUnlocked::~CoreUnlocked()
{
    if (m_depth == 0)
        return;
    // Never wait for the core with the interpreter lock: its holder may need
    // it. Mostly no other thread took the core meanwhile: no wait, and the
    // interpreter lock stays.
    stopIfEnding();
    if (!coreMutex().try_lock()) {
        const InterpreterReleased unlocked;
        enterCore();
    }
    CoreThread& here = t_core;
    here.depth = m_depth;
    if (m_afterCore || here.afterCore)
        m_afterCore.reset(std::exchange(here.afterCore, m_afterCore.release()));
}

bool inCore()
{
    return t_core.depth > 0;
}

void afterCore(std::function<void()> work)
{
    CoreThread& here = t_core;
    if (here.depth == 0) {
        work();
        return;
    }
    if (!here.afterCore)
        here.afterCore = new std::vector<std::function<void()>>();
    here.afterCore->push_back(std::move(work));
}

namespace {
std::mutex& treeMutex()
{
    static std::mutex mutex;
    return mutex;
}
} // namespace

bool giveParent(QObject& child, QObject* parent)
{
    const InterpreterReleased unlocked;
    const std::lock_guard<std::mutex> lock(treeMutex());
    QThread* const target = parent ? parent->thread() : child.thread();
    if (child.thread() != target) {
        QThread* const here = QThread::currentThread();
        if (!target || (child.thread() && child.thread() != here))
            return false;
        child.setParent(nullptr); // Qt moves only an object without a parent
        if (!child.thread())
            child.moveToThread(here); // taken from no thread only to the calling one
        child.moveToThread(target);
    }
    child.setParent(parent);
    return child.parent() == parent;
}

void leaveParent(QObject& child)
{
    if (!child.parent())
        return;
    const InterpreterReleased unlocked;
    const std::lock_guard<std::mutex> lock(treeMutex());
    child.setParent(nullptr);
}

namespace {
bool interpreterRuns()
{
    return Py_IsInitialized() && !_Py_IsFinalizing();
}
} // namespace

PythonFromCore::PythonFromCore()
{
    if (!interpreterRuns())
        return;
    m_lent.emplace();
    m_state = ensureInterpreter();
    m_running = true;
}

PythonFromCore::~PythonFromCore()
{
    if (m_running)
        PyGILState_Release(PyGILState_STATE(m_state));
}

namespace {
thread_local bool t_interruptPutOff = false;
// Python's main thread, the one that handles signals, once seen.
std::atomic<unsigned long> s_signalThread{0};

// A Ctrl-C that came and that no KeyboardInterrupt has stood for yet: one
// that Python raises itself (a callback that leaves by it) is no Ctrl-C.
std::atomic<bool> s_ctrlCCame{false};
struct sigaction s_pythonsInterruptHandler;

void noteCtrlC(int signal, siginfo_t* info, void* context)
{
    s_ctrlCCame.store(true, std::memory_order_relaxed);
    if (s_pythonsInterruptHandler.sa_flags & SA_SIGINFO)
        s_pythonsInterruptHandler.sa_sigaction(signal, info, context);
    else
        s_pythonsInterruptHandler.sa_handler(signal);
}

// Placed before Python's own handler of SIGINT, when there is one.
void watchCtrlC()
{
    struct sigaction current;
    if (sigaction(SIGINT, nullptr, &current) != 0 || current.sa_handler == SIG_DFL || current.sa_handler == SIG_IGN
        || ((current.sa_flags & SA_SIGINFO) && current.sa_sigaction == &noteCtrlC))
        return;
    s_pythonsInterruptHandler = current;
    struct sigaction watching = current;
    watching.sa_flags |= SA_SIGINFO;
    watching.sa_sigaction = &noteCtrlC;
    sigaction(SIGINT, &watching, nullptr);
}
} // namespace

void noteSignalThread()
{
    if (!_PyOS_IsMainThread())
        return;
    if (s_signalThread.exchange(PyThread_get_thread_ident(), std::memory_order_relaxed) == 0)
        watchCtrlC();
}

void takeSignalsBeforePython()
{
    noteSignalThread();
    PyObject *type = nullptr, *value = nullptr, *traceback = nullptr;
    PyErr_Fetch(&type, &value, &traceback);
    if (PyErr_CheckSignals() < 0) {
        // A signal's handler raised it: it stands for a Ctrl-C all the same.
        if (PyErr_ExceptionMatches(PyExc_KeyboardInterrupt))
            s_ctrlCCame.store(true, std::memory_order_relaxed);
        if (!putOffInterrupt())
            PyErr_WriteUnraisable(nullptr); // a signal handler's own error
    }
    PyErr_Restore(type, value, traceback);
}

bool putOffInterrupt()
{
    if (!PyErr_ExceptionMatches(PyExc_KeyboardInterrupt) || !_PyOS_IsMainThread()
        || !s_ctrlCCame.exchange(false, std::memory_order_relaxed))
        return false;
    PyErr_Clear();
    t_interruptPutOff = true;
    return true;
}

void detail::raisePutOffInterrupt()
{
    if (!std::exchange(t_interruptPutOff, false))
        return;
    PyErr_SetInterrupt();
}

namespace {
// Python slots may hear a signal on this thread. Other threads than the
// main one do not wait for the interpreter lock for it.
void takeSignalsBeforeSlots()
{
    const unsigned long signalThread = s_signalThread.load(std::memory_order_relaxed);
    if (signalThread != 0 && signalThread != PyThread_get_thread_ident())
        return;
    const PythonFromCore python;
    if (python.running())
        takeSignalsBeforePython();
}
} // namespace

bool raiseSignal(QObject* object, const char* member, const QGenericArgument& argument)
{
    if (!object)
        return false;
    CoreUnlocked lent;
    takeSignalsBeforeSlots();
    // Python slots may hear it on this thread.
    return parkedIfEnded([&] { return QMetaObject::invokeMethod(object, member, Qt::AutoConnection, argument); });
}

bool raiseSignal(QObject* object, const char* member)
{
    return raiseSignal(object, member, QGenericArgument(nullptr));
}

bool raiseSignal(const QPointer<QObject>& guard, const char* member, const QGenericArgument& argument)
{
    CoreUnlocked lent;
    takeSignalsBeforeSlots();
    const GuardedUse use(guard);
    return use.get() && parkedIfEnded([&] {
               return QMetaObject::invokeMethod(use.get(), member, Qt::AutoConnection, argument);
           });
}

bool raiseSignal(const QPointer<QObject>& guard, const char* member)
{
    return raiseSignal(guard, member, QGenericArgument(nullptr));
}

} // namespace PyHelpers
