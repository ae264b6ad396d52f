// Stand-alone start-up and shut-down of the library, against the recording
// media stand-in (its calls land in the application log as "call ...").

#include "Python/Bootstrap.h"
#include "Python/ProcessingModules.h"

#include <Bsc/Logger.h>
#include <Dururev/Dururev.h>
#include <Rirediro/ErrorHandling/VUVI_CoreErrors.h>
#include <Rirediro/ErrorHandling/VUVI_Throw.h>

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QThread>

#include <stdexcept>

namespace {

QStringList mediaCalls()
{
    QStringList calls;
    for (const QString& entry : Bsc::Logger::journal()) {
        const int at = entry.indexOf(QLatin1String("call "));
        if (at >= 0 && (entry.contains(QLatin1String("Dururev::")) || entry.contains(QLatin1String("TQ::"))))
            calls.append(entry.mid(at + 5).section(QLatin1Char(' '), 0, 0));
    }
    return calls;
}

class Bootstrap : public ::testing::Test
{
protected:
    void SetUp() override
    {
        pyCleanup();
        Bsc::Logger::clearJournal();
    }
    void TearDown() override { pyCleanup(); }
};

TEST_F(Bootstrap, StartsTheMediaLibraryInOrderOnce)
{
    EXPECT_FALSE(isEmbedded());
    pyBootstrap();
    const QStringList expected = {
        "Dururev::setInitData",
        "Dururev::initialiseCallbacks",
        "TQ::RenderSuite::setOffscreenContext",
        "TQ::checkCallbackStruct",
        "Dururev::registerThrowFunction",
        "Dururev::CacheSuite::vSetCacheOption",
        "Dururev::CacheSuite::vInitialiseCacheDir",
    };
    EXPECT_EQ(mediaCalls(), expected);

    // Under a QApplication: GPU rendering exactly when a valid offscreen pair exists.
    const TQ::Callbacks* callbacks = Dururev::callbacks();
    const bool pairMade = render().surface && render().context;
    EXPECT_EQ(callbacks->options, pairMade ? 1 : 0);
    EXPECT_EQ(callbacks->renderSuite.surface(), render().surface);
    if (!pairMade) {
        EXPECT_FALSE(Bsc::Logger::journal().filter("[Python API]: cannot create Q").isEmpty());
    }

    EXPECT_TRUE(callbacks->error && callbacks->progressStarted && callbacks->progressMessage
                && callbacks->progressStatus && callbacks->progressFinished);
    EXPECT_FALSE(Dururev::CacheSuite::INSTANCE()->cacheEnabled());
    EXPECT_EQ(Dururev::throwFunction(), &vThrowException);
    EXPECT_EQ(ProcessingModules::get().currentModules().size(), 5);

    Bsc::Logger::clearJournal();
    pyBootstrap();
    EXPECT_TRUE(mediaCalls().isEmpty());
}

TEST_F(Bootstrap, CleanUpShutsRenderingDownAndAllowsAnotherStart)
{
    pyBootstrap();
    Bsc::Logger::clearJournal();
    pyCleanup();
    EXPECT_EQ(mediaCalls(), (QStringList{"TQ::RenderSuite::shutdown", "Dururev::resetCallbacks"}));
    EXPECT_EQ(Dururev::callbacks()->error, nullptr);
    EXPECT_FALSE(render().surface || render().context);

    Bsc::Logger::clearJournal();
    pyBootstrap();
    EXPECT_TRUE(mediaCalls().contains("Dururev::initialiseCallbacks"));
    EXPECT_NE(Dururev::callbacks()->error, nullptr);
}

TEST_F(Bootstrap, CleanUpReportsARenderSuiteFailureAndStillResets)
{
    struct Failing : TQ::RenderSuite::RenderObject
    {
        std::shared_ptr<void> finish() override { throw std::runtime_error("render failed"); }
    };
    pyBootstrap();
    Dururev::callbacks()->renderSuite.setCurrentObject(std::make_shared<Failing>());
    Bsc::Logger::clearJournal();
    EXPECT_NO_THROW(pyCleanup());
    EXPECT_EQ(mediaCalls(), QStringList{"Dururev::resetCallbacks"});
    Dururev::callbacks()->renderSuite.setCurrentObject(nullptr);
}

TEST_F(Bootstrap, ErrorCallbackThrowsTheMessage)
{
    pyBootstrap();
    try {
        Dururev::reportError(QStringLiteral("disk full"));
        FAIL() << "the error callback returned";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "disk full");
    }
    EXPECT_THROW(Dururev::throwFunction()("file", 3, "m", "d"), VUVI_OperationFailed);
}

TEST_F(Bootstrap, ProgressCallbacksReachTheWatcherFromAnyThread)
{
    pyBootstrap();
    TQ::ProgressWatcher::Ptr watcher = progressWatcher();
    ASSERT_TRUE(watcher);
    EXPECT_EQ(progressWatcher(), watcher);
    QSignalSpy started(watcher.get(), &TQ::ProgressWatcher::started);
    QSignalSpy messages(watcher.get(), &TQ::ProgressWatcher::progressMessage);
    QSignalSpy statuses(watcher.get(), &TQ::ProgressWatcher::progressStatus);
    QSignalSpy finished(watcher.get(), &TQ::ProgressWatcher::finished);

    Dururev::reportProgressStarted();
    Dururev::reportProgressMessage("caf\xc3\xa9");
    Dururev::reportProgressMessage(nullptr);
    Dururev::reportProgressStatus(4000000000u);
    Dururev::reportProgressFinished();
    ASSERT_EQ(messages.size(), 2);
    EXPECT_EQ(messages.at(0).at(0).toString(), QString::fromUtf8("caf\xc3\xa9"));
    EXPECT_EQ(messages.at(1).at(0).toString(), QString());
    ASSERT_EQ(statuses.size(), 1);
    EXPECT_EQ(statuses.at(0).at(0).toUInt(), 4000000000u);
    EXPECT_EQ(started.size(), 1);
    EXPECT_EQ(finished.size(), 1);

    // From a worker: queued to the watcher's (application) thread.
    QThread* worker = QThread::create([] { Dururev::reportProgressStatus(7); });
    worker->start();
    worker->wait();
    delete worker;
    EXPECT_EQ(statuses.size(), 1);
    EXPECT_TRUE(statuses.wait(1000) || statuses.size() == 2);
    ASSERT_EQ(statuses.size(), 2);
    EXPECT_EQ(statuses.at(1).at(0).toUInt(), 7u);
}

TEST(ProcessingModules, NamesAreSimplifiedAndLowerCase)
{
    ProcessingModules& modules = ProcessingModules::get();
    modules.resetModules();
    const QHash<QString, _TQ_MODULE> standard = {{"track", TQ_MODULE_TRACK},
                                                 {"camera solve", TQ_MODULE_CAMERA_SOLVE},
                                                 {"insert", TQ_MODULE_INSERT},
                                                 {"remove", TQ_MODULE_REMOVE},
                                                 {"stabilize", TQ_MODULE_STABILIZE}};
    EXPECT_EQ(modules.currentModules(), standard);

    modules.addNewModule("  CAMERA \t  solve ", TQ_MODULE_NONE);
    EXPECT_EQ(modules.currentModules().value("camera solve"), TQ_MODULE_NONE);
    modules.removeModule("TRACK");
    EXPECT_FALSE(modules.currentModules().contains("track"));
    modules.addNewModule("Paint", TQ_MODULE_INSERT);
    modules.resetModules();
    EXPECT_EQ(modules.currentModules(), standard);
}

} // namespace
