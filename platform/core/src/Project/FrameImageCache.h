#pragma once

#include "../Clips/ClipFrames.h"

#include <Rirediro/Clips/ClipID.h>

#include <Bsc/GanImage.h>

#include <QMutex>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <tuple>
#include <vector>

namespace Rirediro {

// The images of the frames a project's clips have read, one per frame of a
// clip view, kept by the project's frame manager and let go with it.
//
// Images are shared: the cache holds one count of each, and whoever it hands
// an image to holds further counts, so an image lives on while a script
// holds it, whatever the cache does. Once the unchanged images held pass the
// budget, the least recently used frames are forgotten; frames whose image
// was changed in memory are kept.
//
// Scripts may ask for frames on any thread: every operation takes the
// cache's mutex, but no read from the footage runs under it, since a reader
// written in Python may ask for other frames meanwhile. Two threads that
// miss the same frame both read it; the first image kept serves both.
class FrameImageCache
{
public:
    using ImagePtr = Bsc::detail::GanImage_Ptr<Gan_Image>;

    // How pixels are converted on reading.
    enum Conversion { AsStored, ToFloat, To8Bit };

    struct Frame
    {
        TQ::ClipID clip;
        int32_t clipView;
        uint32_t frame;
        bool operator<(const Frame& o) const
        {
            return std::tie(clip, clipView, frame) < std::tie(o.clip, o.clipView, o.frame);
        }
    };

    // What a frame's image was read from, and how: a cached image serves
    // only a request with the same origin.
    struct Origin
    {
        ClipFrameSource source;
        Conversion conversion = AsStored;
        bool operator==(const Origin& o) const { return source == o.source && conversion == o.conversion; }
    };

    static constexpr std::size_t DefaultBudget = std::size_t(1) << 30;

    // The frame's image when it was read from `origin`; otherwise `read`
    // gives a new one, which replaces the frame's entry (a null image is
    // returned and not kept). A read that asks for the very frame it reads
    // (on its own thread) throws VUVI_OperationFailed: it could never end.
    ImagePtr image(const Frame& frame, const Origin& origin, const std::function<ImagePtr(const Origin&)>& read);
    // The frame's image, if any, is kept from now on.
    void markChanged(const Frame& frame);
    // The frame's image, if any, is let go (its footage was rewritten).
    void forget(const Frame& frame);
    void setBudget(std::size_t bytes);

private:
    struct Entry
    {
        Origin origin;
        ImagePtr image;
        bool changed = false;
        uint64_t lastUse = 0;
    };

    // Forgets least recently used unchanged frames, never `keep`, until the
    // unchanged images fit the budget; their images go into `dropped`.
    void trim(const Frame& keep, std::vector<ImagePtr>& dropped);

    QMutex m_lock;
    std::map<Frame, Entry> m_entries;
    std::size_t m_budget = DefaultBudget;
    uint64_t m_uses = 0;
};

} // namespace Rirediro
