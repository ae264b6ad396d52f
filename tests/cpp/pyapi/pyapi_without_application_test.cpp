// The host API object in a process without application object: there is no
// project to ask for, so its frame slots read 0 and set nothing.

#include "Python/Bootstrap.h"
#include "Python/PyAPI.h"

#include <Bsc/Logger.h>

#include <QCoreApplication>

#include <gtest/gtest.h>

namespace {

TEST(HostApiWithoutApplication, HasNoProjectToActOn)
{
    ASSERT_EQ(QCoreApplication::instance(), nullptr);
    EXPECT_EQ(currentProjectManager(), nullptr);

    QObject* api = getPythonAPI();
    ASSERT_NE(api, nullptr);
    int frame = -1;
    ASSERT_TRUE(QMetaObject::invokeMethod(api, "currentFrame", Q_RETURN_ARG(int, frame)));
    EXPECT_EQ(frame, 0);
    Bsc::Logger::clearJournal();
    ASSERT_TRUE(QMetaObject::invokeMethod(api, "setCurrentFrame", Q_ARG(int, 12)));
    EXPECT_TRUE(Bsc::Logger::journal().filter(QStringLiteral("setCurrentFrame")).isEmpty());
}

} // namespace
