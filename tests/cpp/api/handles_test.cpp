#include "Project/wrappers/PyHandle.h"

#include <gtest/gtest.h>

#include <boost/make_shared.hpp>

namespace {

struct CoreThing
{
    int value = 7;
};

void expectInvalidObject(const std::function<void()>& access)
{
    try {
        access();
        FAIL() << "access to a gone object succeeded";
    } catch (const VUVI_BadState& e) {
        EXPECT_STREQ(e.what(), "Invalid object");
        EXPECT_EQ(e.file(), "Rirediro/ErrorHandling/VUVI_Error");
        EXPECT_EQ(e.line(), 59);
    }
}

TEST(PyHandle, LocksAliveObjects)
{
    auto thing = boost::make_shared<CoreThing>();
    PyHandle<CoreThing> handle(thing);
    EXPECT_FALSE(handle.isNull());
    EXPECT_EQ(handle.handledObject()->value, 7);
    EXPECT_EQ(handle.handledObject().get(), thing.get());
}

TEST(PyHandle, DefaultHandleIsNull)
{
    PyHandle<CoreThing> handle;
    EXPECT_TRUE(handle.isNull());
    expectInvalidObject([&] { handle.handledObject(); });
}

TEST(PyHandle, HandleAndEarlierCopiesExpireWithTheObject)
{
    auto thing = boost::make_shared<CoreThing>();
    boost::weak_ptr<CoreThing> watch = thing;
    PyHandle<CoreThing> handle(thing);
    PyHandle<CoreThing> copy = handle;
    thing.reset();
    // Holding handles never keeps the core object alive.
    EXPECT_TRUE(watch.expired());
    EXPECT_TRUE(handle.isNull());
    EXPECT_TRUE(copy.isNull());
    expectInvalidObject([&] { handle.handledObject(); });
    expectInvalidObject([&] { copy.handledObject(); });
}

TEST(PyHandle, LiveReferenceToANullPointerIsNull)
{
    boost::shared_ptr<CoreThing> nothing(static_cast<CoreThing*>(nullptr), [](CoreThing*) {});
    PyHandle<CoreThing> handle(nothing);
    EXPECT_TRUE(handle.isNull());
    expectInvalidObject([&] { handle.handledObject(); });
}

TEST(PyHandle, FromWeakToShared)
{
    auto thing = boost::make_shared<CoreThing>();
    boost::weak_ptr<CoreThing> weak = thing;
    EXPECT_EQ(PyHandle<void>::fromWeakToShared(weak).get(), thing.get());
    thing.reset();
    expectInvalidObject([&] { PyHandle<void>::fromWeakToShared(weak); });
}

} // namespace
