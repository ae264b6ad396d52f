#include "CacheInvalidator.h"

#include "FrameInvalidation.h"

#include "Python/PyHelpers.h"

#include <Bsc/AtFork.h>
#include <Bsc/Logger.h>

#include <QCoreApplication>
#include <QMutexLocker>

#include <boost/shared_ptr.hpp>

#include <exception>

namespace PyImageMemorySuite {

bool CacheInvalidator::Change::sameFrame(const Change& other) const
{
    const bool sameProject = !project.owner_before(other.project) && !other.project.owner_before(project);
    return sameProject && clipId == other.clipId && context == other.context;
}

CacheInvalidator::CacheInvalidator()
{
    // Its events must be handled where the core runs, not on whichever
    // thread happened to write a pixel first.
    if (QCoreApplication* application = QCoreApplication::instance())
        moveToThread(application->thread());
}

CacheInvalidator& CacheInvalidator::instance()
{
    static CacheInvalidator invalidator;
    // The child of a fork has only the forking thread.
    static const bool forks = Bsc::onFork(nullptr, nullptr, [] { Bsc::renewLock(instance().m_lock); });
    (void)forks;
    return invalidator;
}

void CacheInvalidator::imageChanged(const ImageLocation& location)
{
    if (!location || location.project().expired())
        return;
    const Change change{location.project(), location.clipId(), location.context()};
    QMutexLocker locker(&m_lock);
    for (const Change& pending : qAsConst(m_pending))
        if (pending.sameFrame(change))
            return;
    if (m_pending.isEmpty())
        QCoreApplication::postEvent(this, new QEvent(ChangeEvent), Qt::NormalEventPriority);
    m_pending.append(change);
}

bool CacheInvalidator::event(QEvent* event)
{
    if (event->type() != ChangeEvent)
        return QObject::event(event);
    QVector<Change> batch;
    {
        QMutexLocker locker(&m_lock);
        batch.swap(m_pending);
    }
    // The core is told without the lock held: it may well change pixels itself.
    // It is told inside the core, as any API call: Python threads work in it.
    const PyHelpers::CoreEntered core;
    for (const Change& change : qAsConst(batch)) {
        const boost::shared_ptr<VUVI_ProjectManager> project = change.project.lock();
        if (!project)
            continue; // the project died while the change waited
        try {
            invalidateFrameImage(*project, change.clipId, change.context);
        } catch (const std::exception& error) {
            Bsc::Logger::writeToLog(QStringLiteral("Cannot drop the cached frame: %1").arg(QString::fromUtf8(error.what())),
                                    Bsc::Logger::Warning);
        }
    }
    event->accept();
    return true;
}

} // namespace PyImageMemorySuite
