// What a running call holds is deleted only when the last call holding it ends.

#include "Python/InUse.h"

#include <gtest/gtest.h>

#include <QObject>

namespace {

// Counts its deaths; tries to hold itself while it dies.
struct Counted
{
    static int deaths;
    static bool heldWhileDying;
    virtual ~Counted()
    {
        ++deaths;
        const PyHelpers::InUse hold(this);
        heldWhileDying = hold.held();
    }
};
int Counted::deaths = 0;
bool Counted::heldWhileDying = false;

class InUseTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Counted::deaths = 0;
        Counted::heldWhileDying = false;
    }
};

} // namespace

TEST_F(InUseTest, AnObjectNoCallHoldsIsDeletedAtOnce)
{
    PyHelpers::deleteWhenUnused(new Counted);
    EXPECT_EQ(Counted::deaths, 1);
    EXPECT_FALSE(Counted::heldWhileDying); // a dying object is not to be held
}

TEST_F(InUseTest, ADeletionAskedForWhileHeldRunsWhenTheLastHoldEnds)
{
    auto* object = new Counted;
    {
        const PyHelpers::InUse outer(object);
        {
            const PyHelpers::InUse inner(object);
            ASSERT_TRUE(inner.held());
            EXPECT_FALSE(inner.deletionRequested());
            PyHelpers::deleteWhenUnused(object);
            EXPECT_TRUE(inner.deletionRequested());
            EXPECT_TRUE(outer.deletionRequested());
        }
        EXPECT_EQ(Counted::deaths, 0);
    }
    EXPECT_EQ(Counted::deaths, 1);
    EXPECT_FALSE(Counted::heldWhileDying);
}

TEST_F(InUseTest, ADeletionAskedForTwiceRunsOnce)
{
    auto* object = new Counted;
    {
        const PyHelpers::InUse hold(object);
        PyHelpers::deleteWhenUnused(object);
        PyHelpers::deleteWhenUnused(object);
    }
    EXPECT_EQ(Counted::deaths, 1);
}

TEST_F(InUseTest, NothingIsHeldOfNull)
{
    const PyHelpers::InUse hold(static_cast<const Counted*>(nullptr));
    EXPECT_FALSE(hold.held());
    EXPECT_FALSE(hold.deletionRequested());
    PyHelpers::deleteWhenUnused(static_cast<Counted*>(nullptr));
}

namespace {
// A QObject that is not the first base: held and deleted through pointers of
// either class, it is one object.
struct Base
{
    virtual ~Base() = default;
    int padding = 0;
};
struct Mixed : Base, QObject
{
    ~Mixed() override { ++Counted::deaths; }
};
} // namespace

TEST_F(InUseTest, AQObjectIsOneObjectWhicheverOfItsClassesItIsHeldAs)
{
    auto* object = new Mixed;
    {
        const PyHelpers::InUse hold(static_cast<QObject*>(object));
        PyHelpers::deleteWhenUnused(object);
        EXPECT_EQ(Counted::deaths, 0);
    }
    EXPECT_EQ(Counted::deaths, 1);
}

TEST_F(InUseTest, AQObjectItsParentDeletesMeanwhileIsNotDeletedAgain)
{
    auto* parent = new QObject;
    auto* child = new Mixed;
    child->setParent(parent);
    {
        const PyHelpers::InUse hold(static_cast<QObject*>(child));
        PyHelpers::deleteWhenUnused(child);
        delete parent;
        EXPECT_EQ(Counted::deaths, 1);
    }
    EXPECT_EQ(Counted::deaths, 1);
}

namespace {
// A child of its owner's (its QObject part first, as Qt's search of children reads it).
struct Child : QObject
{
    ~Child() override { ++Counted::deaths; }
};
} // namespace

TEST_F(InUseTest, AnOwnerLetsGoOfItsChildrenEachOfWhichDiesWhenNoCallHoldsIt)
{
    auto* owner = new QObject;
    auto* held = new Child;
    auto* free = new Child;
    held->setParent(owner);
    free->setParent(owner);
    {
        const PyHelpers::InUse hold(held);
        PyHelpers::deleteChildrenWhenUnused<Child>(*owner);
        EXPECT_EQ(Counted::deaths, 1); // the one no call holds
        EXPECT_EQ(held->parent(), nullptr);
        delete owner; // not the held one with it
        EXPECT_EQ(Counted::deaths, 1);
    }
    EXPECT_EQ(Counted::deaths, 2);
}
