#include "PyHelpers.h"

#include <sbkpython.h>

#include <QCoreApplication>
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

namespace {

std::mutex& coreMutex()
{
    static std::mutex mutex;
    return mutex;
}

// How deep this thread is in the core: the mutex is taken at the first level.
thread_local int t_coreDepth = 0;

} // namespace

CoreLock::CoreLock()
{
    if (t_coreDepth++ == 0)
        coreMutex().lock();
}

CoreLock::~CoreLock()
{
    if (--t_coreDepth == 0)
        coreMutex().unlock();
}

CoreUnlocked::CoreUnlocked()
    : m_depth(t_coreDepth)
{
    if (m_depth > 0) {
        t_coreDepth = 0;
        coreMutex().unlock();
    }
}

CoreUnlocked::~CoreUnlocked()
{
    if (m_depth > 0) {
        coreMutex().lock();
        t_coreDepth = m_depth;
    }
}

} // namespace PyHelpers
