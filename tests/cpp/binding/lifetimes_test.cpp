// The frame's book of loans and its lock for the runtime's tables, driven
// without Python objects: what is lent stays lent as long as a loan runs or
// the object lives, and no thread touches the tables without the lock.

#include "shiboken/binding/Lifetimes.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>
#include <QPointer>

#include <thread>

namespace {

class Interpreter : public ::testing::Environment
{
public:
    void SetUp() override { Py_InitializeEx(0); }
};
const auto* const interpreter = ::testing::AddGlobalTestEnvironment(new Interpreter);

// An object that reports its death, as the core's lent objects do.
class Reporting : public SbkCleaner
{
public:
    Reporting() : SbkCleaner(this) {}
};

TEST(Loans, LastAsLongAsTheirScope)
{
    int object = 0;
    {
        Binding::Loans outer;
        outer.lend(&object);
        {
            Binding::Loans inner;
            inner.lend(&object);
            inner.lend(static_cast<const int*>(nullptr));
            EXPECT_TRUE(Binding::isLent(&object));
        }
        EXPECT_TRUE(Binding::isLent(&object)); // the outer loan still runs
    }
    EXPECT_FALSE(Binding::isLent(&object));
    EXPECT_FALSE(Binding::isLent(nullptr));
}

TEST(Loans, ForLifeEndOnlyWithTheObject)
{
    auto* object = new Reporting();
    const void* identity = Binding::identityOf(object);
    Binding::lendForLife(object);
    {
        Binding::Loans call;
        call.lend(object);
    }
    EXPECT_TRUE(Binding::isLent(identity));
    delete object; // its death ends every loan, whoever lent it
    EXPECT_FALSE(Binding::isLent(identity));
}

// Qt's own deferred deletions go through the table of held objects.
TEST(DeferredDeletions, WaitForTheCallsThatHoldTheObject)
{
    Binding::routeDeferredDeletions();
    QPointer<QObject> held = new QObject();
    QPointer<QObject> free = new QObject();
    {
        const PyHelpers::InUse call(held.data());
        held->deleteLater();
        free->deleteLater();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(held);
        EXPECT_FALSE(free); // no call holds it: deleted at once
    }
    EXPECT_FALSE(held); // deleted as the call ended
}

TEST(DeferredDeletions, OfALentObjectAreRefused)
{
    Binding::routeDeferredDeletions();
    QPointer<QObject> lent = new QObject();
    {
        Binding::Loans call;
        call.lend(lent.data());
        lent->deleteLater();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(lent);
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(lent); // the deletion asked for during the loan is dropped with it
    delete lent.data();
}

TEST(Loans, AnObjectIsKnownByItsCompleteAddress)
{
    struct First
    {
        virtual ~First() = default;
        int a = 0;
    };
    struct Second
    {
        virtual ~Second() = default;
        int b = 0;
    };
    struct Both : First, Second
    {
    };
    Both both;
    const Second* asSecond = &both;
    ASSERT_NE(static_cast<const void*>(asSecond), static_cast<const void*>(&both));
    Binding::Loans loans;
    loans.lend(asSecond);
    EXPECT_TRUE(Binding::isLent(Binding::identityOf(static_cast<const First*>(&both))));
}

TEST(RuntimeLock, IsTakenFromAnyThreadAndGivenBack)
{
    ASSERT_TRUE(PyGILState_Check());
    {
        Binding::RuntimeLock held;
        EXPECT_TRUE(held.held()); // this thread holds it already
    }
    ASSERT_TRUE(PyGILState_Check());
    PyThreadState* saved = PyEval_SaveThread();
    bool heldThere = false;
    bool lockedThere = false;
    std::thread worker([&] {
        Binding::RuntimeLock lock;
        heldThere = lock.held();
        lockedThere = PyGILState_Check() != 0;
    });
    worker.join();
    PyEval_RestoreThread(saved);
    EXPECT_TRUE(heldThere);
    EXPECT_TRUE(lockedThere);
}

} // namespace
