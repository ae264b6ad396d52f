#include "PyHelpers.h"

#include "InUse.h"

#include <sbkpython.h>

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

#include <memory>
#include <mutex>
#include <utility>

namespace PyHelpers {

ScopedPyThreadState::ScopedPyThreadState()
{
    QCoreApplication* application = QCoreApplication::instance();
    if (!application || QThread::currentThread() == application->thread())
        return;
    // Only a thread that holds the lock can give it away.
    if (Py_IsInitialized() && PyGILState_Check())
        m_saved = PyEval_SaveThread();
}

ScopedPyThreadState::~ScopedPyThreadState()
{
    if (m_saved)
        PyEval_RestoreThread(m_saved);
}

InterpreterReleased::InterpreterReleased()
{
    if (Py_IsInitialized() && PyGILState_Check())
        m_saved = PyEval_SaveThread();
}

InterpreterReleased::~InterpreterReleased()
{
    if (m_saved)
        PyEval_RestoreThread(m_saved);
}

namespace {

std::mutex& coreMutex()
{
    static std::mutex mutex;
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

} // namespace

CoreLock::CoreLock()
{
    if (t_core.depth++ == 0)
        coreMutex().lock();
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
    if (!coreMutex().try_lock()) {
        const InterpreterReleased unlocked;
        coreMutex().lock();
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
    m_state = int(PyGILState_Ensure());
    m_running = true;
}

PythonFromCore::~PythonFromCore()
{
    if (m_running)
        PyGILState_Release(PyGILState_STATE(m_state));
}

bool raiseSignal(QObject* object, const char* member, const QGenericArgument& argument)
{
    if (!object)
        return false;
    CoreUnlocked lent;
    return QMetaObject::invokeMethod(object, member, Qt::AutoConnection, argument);
}

bool raiseSignal(QObject* object, const char* member)
{
    return raiseSignal(object, member, QGenericArgument(nullptr));
}

bool raiseSignal(const QPointer<QObject>& guard, const char* member, const QGenericArgument& argument)
{
    CoreUnlocked lent;
    const GuardedUse use(guard);
    return use.get() && QMetaObject::invokeMethod(use.get(), member, Qt::AutoConnection, argument);
}

bool raiseSignal(const QPointer<QObject>& guard, const char* member)
{
    return raiseSignal(guard, member, QGenericArgument(nullptr));
}

} // namespace PyHelpers
