#include "FrameInvalidation.h"

#include <QMutex>
#include <QMutexLocker>

namespace PyImageMemorySuite {

namespace {

struct Journal
{
    QMutex lock;
    QVector<FrameInvalidation> requests;
};

Journal& journal()
{
    static Journal instance;
    return instance;
}

} // namespace

boost::weak_ptr<VUVI_ProjectManager> watchProject(VUVI_ProjectManager* projectManager)
{
    // With the core's project manager declared here this is its weak
    // self-reference (projectManager->weak_from_this()). Until then a project
    // named by pointer alone cannot be watched, and is never invalidated.
    Q_UNUSED(projectManager);
    return {};
}

void invalidateFrameImage(VUVI_ProjectManager& project, quint32 clipId, const Prm::Context& context)
{
    // With the core's project model linked, this becomes:
    //   VUVI_FrameManager* frames = <the project's frame manager>;
    //   frames->vSetImageHasChanged(clipId, context);
    //   auto clip = frames->clip(clipId);
    //   <the project's cache manager>->dropFileCache(clip, frames->getClipContext(clip, context));
    QMutexLocker locker(&journal().lock);
    journal().requests.append({&project, clipId, context});
}

QVector<FrameInvalidation> recordedFrameInvalidations()
{
    QMutexLocker locker(&journal().lock);
    return journal().requests;
}

void clearRecordedFrameInvalidations()
{
    QMutexLocker locker(&journal().lock);
    journal().requests.clear();
}

} // namespace PyImageMemorySuite
