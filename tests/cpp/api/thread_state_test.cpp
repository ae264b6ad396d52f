// The interpreter lock is given away only by worker threads that hold it.

#include "Python/PyHelpers.h"

#include <sbkpython.h>

#include <gtest/gtest.h>

#include <QThread>

namespace {

class Interpreter : public ::testing::Environment
{
public:
    void SetUp() override { Py_InitializeEx(0); }
};
const auto* const interpreter = ::testing::AddGlobalTestEnvironment(new Interpreter);

TEST(ScopedPyThreadState, ChangesNothingOnTheApplicationThread)
{
    ASSERT_TRUE(PyGILState_Check());
    {
        PyHelpers::ScopedPyThreadState scope;
        EXPECT_FALSE(scope.releasedLock());
        EXPECT_TRUE(PyGILState_Check());
    }
    EXPECT_TRUE(PyGILState_Check());
}

TEST(ScopedPyThreadState, WorkerReleasesTheLockForTheScope)
{
    bool released = false, freeInside = false, heldAfter = false, untouchedWithoutLock = false;
    PyThreadState* main = PyEval_SaveThread();
    QThread* worker = QThread::create([&] {
        {
            PyHelpers::ScopedPyThreadState withoutLock;
            untouchedWithoutLock = !withoutLock.releasedLock();
        }
        PyGILState_STATE state = PyGILState_Ensure();
        {
            PyHelpers::ScopedPyThreadState scope;
            released = scope.releasedLock();
            freeInside = !PyGILState_Check();
        }
        heldAfter = PyGILState_Check();
        PyGILState_Release(state);
    });
    worker->start();
    worker->wait();
    delete worker;
    PyEval_RestoreThread(main);
    EXPECT_TRUE(untouchedWithoutLock);
    EXPECT_TRUE(released);
    EXPECT_TRUE(freeInside);
    EXPECT_TRUE(heldAfter);
}

} // namespace
