// The interpreter lock is given away only by worker threads that hold it.

#include "Python/PyHelpers.h"

#include <sbkpython.h>

#include <gtest/gtest.h>

#include <QObject>
#include <QThread>

#include <atomic>
#include <memory>

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

namespace {

// Starts a thread that enters the core; whether it got in within a while.
// The thread is handed back to be joined once the core is free for sure.
bool threadEntersTheCore(std::unique_ptr<QThread>& thread)
{
    std::atomic<bool> entered{false};
    thread.reset(QThread::create([&entered] {
        PyHelpers::CoreLock core;
        entered = true;
    }));
    thread->start();
    thread->wait(10000);
    return entered;
}

} // namespace

// Python that the core runs may wait for a thread that needs the core: the
// core is lent meanwhile, and taken back, as deep as before, at the end.
TEST(PythonFromCore, LendsTheCoreWhilePythonRunsAndTakesItBack)
{
    std::unique_ptr<QThread> borrower, waiter;
    std::atomic<bool> outerLeft{false};
    bool enteredWhileLent = false, lockedInside = false, enteredOnlyAfterRelease = false;
    PyThreadState* main = PyEval_SaveThread(); // a core call runs without the interpreter lock
    {
        PyHelpers::CoreLock outer;
        {
            PyHelpers::CoreLock inner;
            const PyHelpers::PythonFromCore python;
            lockedInside = python.running() && PyGILState_Check();
            // Python joining a thread that enters the core.
            Py_BEGIN_ALLOW_THREADS
            enteredWhileLent = threadEntersTheCore(borrower);
            Py_END_ALLOW_THREADS
        }
        waiter.reset(QThread::create([&] {
            PyHelpers::CoreLock core;
            enteredOnlyAfterRelease = outerLeft.load();
        }));
        waiter->start();
        outerLeft = true; // the last write before the core is let go
    }
    borrower->wait();
    waiter->wait();
    PyEval_RestoreThread(main);
    EXPECT_TRUE(lockedInside);
    EXPECT_TRUE(enteredWhileLent);
    EXPECT_TRUE(enteredOnlyAfterRelease);
}

// A signal raised from inside the core reaches slots in its thread with the
// core lent, as Python slots may wait for a thread that needs it.
TEST(RaiseSignal, DeliversInTheObjectsThreadWithTheCoreLent)
{
    std::unique_ptr<QThread> borrower;
    bool enteredWhileLent = false;
    QObject object;
    QObject::connect(&object, &QObject::objectNameChanged,
                     [&](const QString&) { enteredWhileLent = threadEntersTheCore(borrower); });
    PyThreadState* main = PyEval_SaveThread();
    {
        PyHelpers::CoreLock core;
        const QString name = QStringLiteral("named");
        EXPECT_TRUE(PyHelpers::raiseSignal(&object, "objectNameChanged", Q_ARG(QString, name)));
    }
    borrower->wait();
    PyEval_RestoreThread(main);
    EXPECT_TRUE(enteredWhileLent);
    EXPECT_FALSE(PyHelpers::raiseSignal(nullptr, "objectNameChanged"));
}

// An object joins its Qt parent in the parent's thread: moved there from the
// thread that made it, or from none; one of another thread stays as it is.
TEST(GiveParent, MovesTheChildToTheParentsThreadWhenQtAllowsIt)
{
    QObject parent;
    QObject* fromWorker = nullptr;
    std::unique_ptr<QObject> ofEndedThread;
    bool tookIt = false;
    std::unique_ptr<QThread> worker(QThread::create([&] {
        fromWorker = new QObject;
        tookIt = PyHelpers::giveParent(*fromWorker, &parent);
        ofEndedThread = std::make_unique<QObject>();
    }));
    worker->start();
    worker->wait();
    EXPECT_TRUE(tookIt);
    EXPECT_EQ(fromWorker->parent(), &parent);
    EXPECT_EQ(fromWorker->thread(), parent.thread());

    auto ofNoThread = std::make_unique<QObject>();
    ofNoThread->moveToThread(nullptr);
    EXPECT_TRUE(PyHelpers::giveParent(*ofNoThread, &parent));
    EXPECT_EQ(ofNoThread->parent(), &parent);
    EXPECT_EQ(ofNoThread->thread(), parent.thread());
    PyHelpers::leaveParent(*ofNoThread);
    EXPECT_EQ(ofNoThread->parent(), nullptr);

    // This thread's object cannot be moved from another one.
    bool refused = false;
    std::unique_ptr<QThread> other(QThread::create([&] {
        refused = !PyHelpers::giveParent(*ofNoThread, ofEndedThread.get());
    }));
    other->start();
    other->wait();
    EXPECT_TRUE(refused);
    EXPECT_EQ(ofNoThread->parent(), nullptr);
    EXPECT_EQ(ofNoThread->thread(), parent.thread());
}
