#pragma once

#include "Python/SbkCleaner.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>

class ScopedProgressConnector;

// Re-emits the progress of the core's long operations to scripts while a
// ScopedProgressConnector for it exists.
class ProgressWatcher : public QObject, public SbkCleaner
{
    Q_OBJECT
public:
    // A watcher that relays for its whole life; only inside the application.
    explicit ProgressWatcher(QObject* parent = nullptr);
    // A watcher of an API object, which relays during that object's operations.
    ProgressWatcher(bool, QObject* parent);
    ~ProgressWatcher() override;

Q_SIGNALS:
    void started();
    void progress_status(uint progress);
    void progress_message(QString message);
    void finished();

private:
    std::unique_ptr<ScopedProgressConnector> m_connector;
};

// Connects the core's progress source to a watcher for the length of a scope.
class ScopedProgressConnector
{
public:
    // A watcher that is gone (or going) connects nothing.
    explicit ScopedProgressConnector(const QPointer<QObject>& watcher);
    ~ScopedProgressConnector();
    ScopedProgressConnector(const ScopedProgressConnector&) = delete;
    ScopedProgressConnector& operator=(const ScopedProgressConnector&) = delete;

    // How many of the four relays Qt accepted.
    int connectedCount() const;

private:
    struct Connections;
    std::unique_ptr<Connections> m_connections;
};

// Raises a watcher's signals by name, as the core's own progress does:
// delivered at once in the watcher's thread (the core lent to other threads
// meanwhile), queued from another. A watcher that has gone (a script deleted
// it) hears nothing.
class ProgressSender
{
public:
    explicit ProgressSender(const QPointer<QObject>& watcher) : m_watcher(watcher) {}

    void started() const;
    void message(const QString& text) const;
    void status(uint percent) const;
    void finished() const;

    // done x 100 / total in single precision, rounded halves away from zero.
    static uint percent(long long done, long long total);

private:
    // Its QObject part only: read while another thread may be destroying it.
    QPointer<QObject> m_watcher;
};
