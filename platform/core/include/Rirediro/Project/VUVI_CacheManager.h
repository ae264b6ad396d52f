#pragma once

#include <Prm/Context.h>

namespace TQ {
class IClip;
}

// The caches a project keeps of its footage files: what the media library
// holds of decoded files between reads. This stand-in caches no files (the
// frames read are kept by the frame manager, see VUVI_FrameManager), so a
// drop only records itself in the application log, where tests read it:
// "call VUVI_CacheManager::dropFileCache <clip id> <time> <view>".
class VUVI_CacheManager
{
public:
    VUVI_CacheManager();
    virtual ~VUVI_CacheManager();
    VUVI_CacheManager(const VUVI_CacheManager&) = delete;
    VUVI_CacheManager& operator=(const VUVI_CacheManager&) = delete;

    // Forgets what is cached of the file a clip reads at a clip context
    // (VUVI_FrameManager::getClipContext). A null clip changes nothing.
    virtual void dropFileCache(TQ::IClip* clip, const Prm::Context& clipContext);
};
