#pragma once

#include <Rirediro/Clips/ClipID.h>

#include <Prm/Context.h>

#include <QList>
#include <QString>

#include <boost/shared_ptr.hpp>

#include <map>
#include <memory>

struct Gan_Image;
class TQ_BaseClipInfo;
class TQ_ClipInfo;
class VUVI_BaseClip;
class VUVI_Clip;
class VUVI_ProjectManager;

namespace TQ {
class IClip;
}
namespace Rirediro {
class FrameImageCache;
class IClipMaker;
std::shared_ptr<FrameImageCache> makeFrameImageCache();
} // namespace Rirediro
namespace Bsc::detail {
template <typename T>
class GanImage_Ptr;
}

// The clips of a project: it owns their base clips, keeps the clips in
// project order and knows which clip layers track by default.
class VUVI_FrameManager
{
public:
    explicit VUVI_FrameManager(VUVI_ProjectManager& project);
    virtual ~VUVI_FrameManager();
    VUVI_FrameManager(const VUVI_FrameManager&) = delete;
    VUVI_FrameManager& operator=(const VUVI_FrameManager&) = delete;

    // ---- frame images ----
    // The image of a frame of a clip as the clip reads its footage: the file
    // its stream names for the frame (one field of it for field-interlaced
    // footage), in the file's channels (grey, grey and alpha, RGB, RGBA; the
    // first four of more) and channel type (half floats as floats); floats
    // under the clip's float conversion, 8 bits under its 8-bit conversion
    // (floats win when both are set). The frame manager keeps the image of
    // every frame it read and hands out that very image; with `allocate` the
    // caller gets a copy of its own instead. `proxy` asks for proxy frames,
    // which this stand-in does not make: full frames come either way. Null
    // for a frame the clip cannot produce (no such clip, a time outside the
    // clip, footage that cannot be read).
    virtual Bsc::detail::GanImage_Ptr<Gan_Image> spgiGetDerivedImage(TQ::ClipID clipId, const Prm::Context& context,
                                                                     bool allocate, bool proxy);
    // The image of a frame was changed in memory (a script wrote its
    // pixels): the frame keeps that image for as long as the frame manager
    // lives and its footage stays the same. Recorded in the
    // application log: "call VUVI_FrameManager::vSetImageHasChanged <clip id>
    // <time> <view>".
    virtual void vSetImageHasChanged(TQ::ClipID clipId, const Prm::Context& context);
    // The context at which a clip reads a frame of the project: the same
    // time, in the clip view the project view shows. A null clip reads the
    // context as it is.
    virtual Prm::Context getClipContext(const TQ::IClip* clip, const Prm::Context& context) const;
    // The bytes of unchanged frame images kept before the least recently
    // used are let go (the images live on while others hold them).
    void setImageCacheBudget(std::size_t bytes);

    // The project's clips, in project order.
    const QList<VUVI_Clip*>& clips() const { return m_clips; }
    // The base clips by base-clip id.
    const std::map<unsigned int, boost::shared_ptr<VUVI_BaseClip>>& baseClips() const { return m_baseClips; }
    VUVI_Clip* findClip(TQ::ClipID id) const;
    virtual TQ::IClip* clip(TQ::ClipID id) const;
    TQ::ClipID defaultTrackableClip() const { return m_defaultTrackableClip; }
    // Ids that name no clip of the project are ignored.
    void setDefaultTrackableClip(TQ::ClipID id);

    // The maker of the project's clips.
    const Rirediro::IClipMaker& clipMaker() const { return *m_clipMaker; }
    // Makes a base clip from the infos and its first clip, named `name`, at
    // the end of the project; the first clip of a project becomes the
    // default trackable clip. Returns the clip, or null: footage without
    // pixels (a frame width or height of 0) makes no clip.
    virtual VUVI_Clip* createClip(const Rirediro::IClipMaker& maker, const TQ_BaseClipInfo& baseInfo,
                                  const TQ_ClipInfo& clipInfo, const QString& name, unsigned int flags);
    // Puts back a clip of a project being opened, as it was saved: with its
    // ids, at the end of the project, on the base clip of that id (made from
    // `baseInfo` when the project has none yet). Null when the clip id is taken.
    VUVI_Clip* restoreClip(const Rirediro::IClipMaker& maker, unsigned int baseClipID, TQ::ClipID id,
                           const QString& name, const TQ_BaseClipInfo& baseInfo, const TQ_ClipInfo& clipInfo);

    // The infos kept for a clip and for a base clip; null when unknown.
    virtual const TQ_ClipInfo* clipInfo(TQ::ClipID id, int mode) const;
    virtual const TQ_BaseClipInfo* baseInfo(unsigned int baseClipID) const;

    // Frame cache control (recorded in the application log).
    virtual void vClearOutMemoryExceptForFrame(const Prm::Context& frame, int flags);
    virtual void vSetCacheStrategyRecycle(bool recycle);
    virtual void vSetCacheStrategy(int strategy, bool keepCurrent);

    // Deletes a clip from the project, and its base clip when that has no
    // other clip; the first clip becomes the default trackable clip in its
    // place. A project keeps its last clip. False when nothing was deleted.
    bool deleteClip(TQ::ClipID id);

    // The id a new clip gets: `proposed` when free, else the next free one.
    TQ::ClipID freeClipID(TQ::ClipID proposed) const;

    // The frame shown now. Any time is taken as it comes (a time that is not
    // a number is ignored), so that nothing is indexed by a frame the
    // project lacks; every call is recorded in the application log.
    const Prm::Context& currentFrame() const { return m_currentFrame; }
    virtual void setCurrentFrame(const Prm::Context& frame);

private:
    // The images of the frames read (see spgiGetDerivedImage).
    std::shared_ptr<Rirediro::FrameImageCache> m_frameImages = Rirediro::makeFrameImageCache();

    VUVI_ProjectManager& m_project;
    std::unique_ptr<Rirediro::IClipMaker> m_clipMaker;
    std::map<unsigned int, boost::shared_ptr<VUVI_BaseClip>> m_baseClips;
    QList<VUVI_Clip*> m_clips;
    TQ::ClipID m_defaultTrackableClip = 0;
    Prm::Context m_currentFrame{Prm::Time::fromDouble(0.0), Prm::View(0), 3};
};
