#include "PyHelpers.h"

#include <sbkpython.h>

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

#include <mutex>

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

// How deep this thread is in the core: the mutex is taken at the first level.
thread_local int t_coreDepth = 0;
// What runs once this thread's outermost CoreLock ends, oldest first.
thread_local std::vector<std::function<void()>> t_afterCore;

void runAfterCore() noexcept
{
    // Each runs out of the core: what it asks for afterwards runs at once.
    std::vector<std::function<void()>> due;
    due.swap(t_afterCore);
    for (std::function<void()>& work : due) {
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
    if (t_coreDepth++ == 0)
        coreMutex().lock();
}

CoreLock::~CoreLock()
{
    if (--t_coreDepth > 0)
        return;
    coreMutex().unlock();
    runAfterCore();
}

CoreUnlocked::CoreUnlocked()
    : m_depth(t_coreDepth)
{
    if (m_depth > 0) {
        // What the lent section put off waits for its end, not for a
        // section of the loan's.
        m_afterCore.swap(t_afterCore);
        t_coreDepth = 0;
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
    t_coreDepth = m_depth;
    m_afterCore.swap(t_afterCore);
}

bool inCore()
{
    return t_coreDepth > 0;
}

void afterCore(std::function<void()> work)
{
    if (t_coreDepth > 0)
        t_afterCore.push_back(std::move(work));
    else
        work();
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

} // namespace PyHelpers
