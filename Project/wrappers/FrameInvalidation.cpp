#include "FrameInvalidation.h"

#include <Rirediro/Clips/IClip.h>
#include <Rirediro/Project/VUVI_CacheManager.h>
#include <Rirediro/Project/VUVI_FrameManager.h>
#include <Rirediro/Project/VUVI_ProjectManager.h>

namespace PyImageMemorySuite {

boost::weak_ptr<VUVI_ProjectManager> watchProject(VUVI_ProjectManager* projectManager)
{
    // Empty for a project that no shared pointer holds (yet): such a project
    // cannot be watched, and is never invalidated.
    return projectManager ? projectManager->weak_from_this() : boost::weak_ptr<VUVI_ProjectManager>();
}

void invalidateFrameImage(VUVI_ProjectManager& project, quint32 clipId, const Prm::Context& context)
{
    VUVI_FrameManager& frames = project.frameManager();
    frames.vSetImageHasChanged(clipId, context);
    TQ::IClip* clip = frames.clip(clipId);
    if (clip)
        project.cacheManager().dropFileCache(clip, frames.getClipContext(clip, context));
}

} // namespace PyImageMemorySuite
