#pragma once

#include <Rirediro/Clips/ClipID.h>

#include <Prm/Context.h>
#include <Prm/Frame.h>
#include <Prm/View.h>

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
class VUVI_Layer;
class VUVI_ProjectManager;

namespace TQ {
class IClip;
}
namespace Rirediro {
class FrameImageCache;
class IClipMaker;
std::shared_ptr<FrameImageCache> makeFrameImageCache();
} // namespace Rirediro
namespace Dururev {
struct FrameImage;
}
namespace Prm {
class Views;
template <typename T>
class Parameter;
} // namespace Prm
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
    // Keeps the frame buffers the tools and renders changed; lets go of
    // temporary buffers nobody uses (both recorded in the application log).
    virtual void vBackupBuffers();
    virtual void unloadAllUnusedTempBuffers();

    // The ends of the project: the frame of the project length minus 1, and frame 0.
    bool bIsLastFrame(const Prm::Frame& frame) const;
    bool bIsFirstFrame(const Prm::Frame& frame) const;

    // ---- clips made by renders ----
    // Render output clips are image sequences in the project's output
    // folder, of the project's default file extension, one file per project
    // frame (file index = frame), written as each frame is rendered.
    //
    // The maker of a project's clips (what registerDerivedClip asks for).
    static const Rirediro::IClipMaker& clipMaker(VUVI_ProjectManager& project);
    // A new empty clip derived from the base clip `baseClipID`: its frame
    // size and rate, `info` (TQ_ClipInfo::copyInfoForDerivedClip) with its
    // streams pointed at a new sequence in the output folder named after
    // `name`, at the end of the project. Returns its id; 0 when the base
    // clip is unknown. `keepStreams` keeps the streams of `info` as they
    // are (a derived clip over existing files); `flags` are the clip's
    // creation flags (none are known). Recorded in the application log.
    TQ::ClipID registerDerivedClip(const Rirediro::IClipMaker& maker, unsigned int baseClipID,
                                   const TQ_ClipInfo& info, const QString& name, bool keepStreams,
                                   unsigned int flags);
    // A new output clip derived from `input`, named after `namePrefix` with
    // the first free number ("Insert 1", "Insert 2", ...); its id goes into
    // `outputClip` for the default view. Returns the clip.
    VUVI_Clip* createOutputClip(const TQ::IClip& input, Prm::Parameter<unsigned int>& outputClip,
                                const QString& namePrefix);
    // The layer's stabilise output clip: derived from the layer's stabilise
    // input clip (else its own clip), named after the "Stabilise" prefix,
    // its id in the layer's stabilise output parameter for each view.
    VUVI_Clip* createStabiliseOutputClip(VUVI_Layer& layer, const boost::shared_ptr<Prm::Views>& views);
    // Gives the clip a stream for every view of `views` it lacks, in the
    // output folder like its default view's (file names end in "_" and the
    // view's abbreviation). Unknown clips are ignored.
    void createClipViews(TQ::ClipID id, const boost::shared_ptr<Prm::Views>& views);
    // The file a render writes for a project frame of an output clip, in the
    // context's view; empty when the clip is unknown.
    QString outputFileForFrame(TQ::ClipID id, const Prm::Context& context) const;
    // Writes the rendered image of a project frame of an output clip (through
    // the media library, so image writers registered for the extension serve
    // it) and forgets any image of that frame kept in memory. Throws
    // VUVI_OperationFailed naming the file when it cannot be written.
    void writeOutputFrame(TQ::ClipID id, const Prm::Context& context, const Dururev::FrameImage& image);
    // Whether the frame of the output clip has been rendered (its file exists).
    bool hasOutputFrame(TQ::ClipID id, const Prm::Context& context) const;
    // Removes the file of the frame of the output clip, and its image in memory.
    void removeOutputFrame(TQ::ClipID id, const Prm::Context& context);

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
