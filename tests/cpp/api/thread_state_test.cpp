// The interpreter lock is given away only by worker threads that hold it.

#include "Python/PyHelpers.h"

#include <sbkpython.h>

#include <gtest/gtest.h>

#include <QThread>

#include <atomic>

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

// The core takes one thread at a time; a thread already in it may re-enter,
// and may give it away, as deep as it was, while it waits on another thread.
TEST(CoreLock, OneThreadAtATimeReenterableAndLentWhileWaiting)
{
    std::atomic<bool> outerLeft{false};
    bool enteredWhileLent = false;
    bool enteredOnlyAfterRelease = false;
    QThread* waiter = nullptr;
    {
        PyHelpers::CoreLock outer;
        {
            PyHelpers::CoreLock inner;
            PyHelpers::CoreUnlocked lent;
            QThread* borrower = QThread::create([&] {
                PyHelpers::CoreLock core;
                enteredWhileLent = true;
            });
            borrower->start();
            borrower->wait(); // would never end if the core were still held
            delete borrower;
        }
        // Still held after the loan: the next thread gets in only once this
        // scope has left it.
        waiter = QThread::create([&] {
            PyHelpers::CoreLock core;
            enteredOnlyAfterRelease = outerLeft.load();
        });
        waiter->start();
        outerLeft = true; // the last write before the core is let go
    }
    waiter->wait();
    delete waiter;
    EXPECT_TRUE(enteredWhileLent);
    EXPECT_TRUE(enteredOnlyAfterRelease);
}
