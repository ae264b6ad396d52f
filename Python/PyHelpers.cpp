#include "PyHelpers.h"

#include <sbkpython.h>

#include <QCoreApplication>
#include <QThread>

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

} // namespace PyHelpers
