// The API's progress watchers relay the core's progress while connected.

#include "Project/wrappers/ProgressWatcher.h"
#include "Python/Bootstrap.h"

#include <Bsc/QtConnector.h>

#include <gtest/gtest.h>

#include <QSignalSpy>

#include <memory>
#include <stdexcept>

namespace {

void reportRound(const TQ::ProgressWatcher::Ptr& core)
{
    Q_EMIT core->started();
    Q_EMIT core->progressMessage(QStringLiteral("half way"));
    Q_EMIT core->progressStatus(50);
    Q_EMIT core->finished();
}

TEST(ProgressWatcher, ApiWatcherRelaysOnlyWhileConnectedOncePerConnector)
{
    TQ::ProgressWatcher::Ptr core = progressWatcher();
    ASSERT_TRUE(core);
    ProgressWatcher watcher(true, nullptr);
    QSignalSpy started(&watcher, &ProgressWatcher::started);
    QSignalSpy messages(&watcher, &ProgressWatcher::progress_message);
    QSignalSpy statuses(&watcher, &ProgressWatcher::progress_status);
    QSignalSpy finished(&watcher, &ProgressWatcher::finished);

    reportRound(core);
    EXPECT_EQ(started.size() + messages.size() + statuses.size() + finished.size(), 0);
    {
        ScopedProgressConnector connector(&watcher);
        EXPECT_EQ(connector.connectedCount(), 4);
        reportRound(core);
    }
    EXPECT_EQ(started.size(), 1);
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages.at(0).at(0).toString(), "half way");
    ASSERT_EQ(statuses.size(), 1);
    EXPECT_EQ(statuses.at(0).at(0).toUInt(), 50u);
    EXPECT_EQ(finished.size(), 1);

    reportRound(core);
    EXPECT_EQ(started.size(), 1);
    {
        ScopedProgressConnector first(&watcher);
        ScopedProgressConnector second(&watcher);
        reportRound(core);
    }
    EXPECT_EQ(started.size(), 3);
}

TEST(ProgressWatcher, ScriptedWatcherIsRefusedOutsideTheApplication)
{
    try {
        ProgressWatcher watcher(nullptr);
        FAIL() << "a scripted watcher was made outside the application";
    } catch (const std::logic_error& e) {
        EXPECT_STREQ(e.what(), "Can not create ProgressWatcher without plinx GUI");
    }
    // Nothing stays connected to the core's watcher.
    // Nothing stays connected to the core's watcher: there is nothing to disconnect.
    EXPECT_FALSE(QObject::disconnect(progressWatcher().get(), SIGNAL(started()), nullptr, nullptr));
}

TEST(ProgressWatcher, ConnectorOutlivingItsWatcherIsHarmless)
{
    auto watcher = std::make_unique<ProgressWatcher>(true, nullptr);
    auto connector = std::make_unique<ScopedProgressConnector>(watcher.get());
    watcher.reset();
    // Qt dropped the relays with the watcher; the connector adds none back.
    EXPECT_FALSE(QObject::disconnect(progressWatcher().get(), SIGNAL(started()), nullptr, nullptr));
    reportRound(progressWatcher());
    connector.reset();
    EXPECT_FALSE(QObject::disconnect(progressWatcher().get(), SIGNAL(started()), nullptr, nullptr));
}

// Exposes how many connections a signal has.
class Probe : public QObject
{
public:
    int connections(const char* signal) const { return receivers(signal); }
};

TEST(QtConnector, ConnectsOnlyBetweenTwoLiveObjects)
{
    Probe sender;
    QObject receiver;
    {
        Bsc::QtConnector missing(nullptr, SIGNAL(destroyed()), &receiver, SIGNAL(destroyed()));
        EXPECT_FALSE(missing.isConnected());
        Bsc::QtConnector wrong(&sender, SIGNAL(noSuchSignal()), &receiver, SIGNAL(destroyed()));
        EXPECT_FALSE(wrong.isConnected());
        Bsc::QtConnector connector(&sender, SIGNAL(objectNameChanged(QString)), &receiver,
                                   SIGNAL(objectNameChanged(QString)));
        EXPECT_TRUE(connector.isConnected());
        EXPECT_EQ(sender.connections(SIGNAL(objectNameChanged(QString))), 1);
    }
    EXPECT_EQ(sender.connections(SIGNAL(objectNameChanged(QString))), 0);
}

} // namespace
