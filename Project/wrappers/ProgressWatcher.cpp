#include "ProgressWatcher.h"

#include "PyHandle.h"

#include "Python/Bootstrap.h"
#include "Python/InUse.h"
#include "Python/PyHelpers.h"

#include <Bsc/QtConnector.h>

#include <boost/make_shared.hpp>
#include <boost/shared_ptr.hpp>

#include <QMetaObject>

#include <cmath>
#include <set>
#include <stdexcept>

struct ScopedProgressConnector::Connections
{
    std::set<boost::shared_ptr<Bsc::QtConnector>> connectors;
};

ScopedProgressConnector::ScopedProgressConnector(const QPointer<QObject>& guard)
    : m_connections(std::make_unique<Connections>())
{
    // Held while it is connected: a script on another thread may be
    // deleting it (the deletion then runs after, and cuts the relays).
    const PyHelpers::GuardedUse use(guard);
    if (!use.get()) // deleted by a script: nobody to tell
        return;
    auto* watcher = static_cast<ProgressWatcher*>(use.get());
    // The connector never keeps the core's watcher alive.
    QObject* source = progressWatcher().get();
    static const char* const relays[][2] = {
        {SIGNAL(started()), SIGNAL(started())},
        {SIGNAL(progressStatus(uint)), SIGNAL(progress_status(uint))},
        {SIGNAL(progressMessage(QString)), SIGNAL(progress_message(QString))},
        {SIGNAL(finished()), SIGNAL(finished())},
    };
    for (const auto& relay : relays)
        m_connections->connectors.insert(boost::make_shared<Bsc::QtConnector>(source, relay[0], watcher, relay[1]));
}

ScopedProgressConnector::~ScopedProgressConnector() = default;

int ScopedProgressConnector::connectedCount() const
{
    int count = 0;
    for (const auto& connector : m_connections->connectors)
        count += connector->isConnected() ? 1 : 0;
    return count;
}

ProgressWatcher::ProgressWatcher(QObject* parent)
    : QObject(nullptr), SbkCleaner(this), m_connector(std::make_unique<ScopedProgressConnector>(this))
{
    if (isEmbedded()) {
        detail::giveParent(*this, parent);
        return;
    }
    m_connector.reset();
    throw std::logic_error(tr("Can not create ProgressWatcher without plinx GUI").toStdString());
}

ProgressWatcher::ProgressWatcher(bool, QObject* parent) : QObject(parent), SbkCleaner(this)
{
}

ProgressWatcher::~ProgressWatcher() = default;

void ProgressSender::started() const
{
    PyHelpers::raiseSignal(m_watcher, "started");
}

void ProgressSender::message(const QString& text) const
{
    PyHelpers::raiseSignal(m_watcher, "progress_message", Q_ARG(QString, text));
}

void ProgressSender::status(uint percent) const
{
    PyHelpers::raiseSignal(m_watcher, "progress_status", Q_ARG(uint, percent));
}

void ProgressSender::finished() const
{
    PyHelpers::raiseSignal(m_watcher, "finished");
}

uint ProgressSender::percent(long long done, long long total)
{
    return uint(std::lround(float(done) * 100.0f / float(total)));
}
