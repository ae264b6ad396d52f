#pragma once

#include "ImageLocation.h"

#include <QEvent>
#include <QMutex>
#include <QObject>
#include <QVector>

namespace PyImageMemorySuite {

// Tells the core which frames scripts changed through shared pixel arrays,
// on the application thread's next turn of the event loop. The changes made
// until then are one batch: one posted event, one request per frame. A
// change waits as plain values, its project watched weakly, so that nothing
// the change came from has to outlive the wait.
class CacheInvalidator : public QObject
{
public:
    static constexpr QEvent::Type ChangeEvent = QEvent::Type(77);

    // The process's invalidator: made on first use, on the application
    // thread whatever thread first uses it, destroyed at process exit.
    static CacheInvalidator& instance();

    // Records a change of the image at `location`; a location that names no
    // frame is ignored. May be called on any thread.
    void imageChanged(const ImageLocation& location);

    bool event(QEvent* event) override;

private:
    CacheInvalidator();

    struct Change
    {
        boost::weak_ptr<VUVI_ProjectManager> project;
        quint32 clipId;
        Prm::Context context;
        bool sameFrame(const Change& other) const;
    };

    QMutex m_lock; // guards m_pending
    QVector<Change> m_pending;
};

} // namespace PyImageMemorySuite
