#include "FrameImageCache.h"

#include <Rirediro/ErrorHandling/VUVI_Error.h>

#include <QCoreApplication>
#include <QMutexLocker>

#include <memory>

namespace Rirediro {

std::shared_ptr<FrameImageCache> makeFrameImageCache()
{
    return std::make_shared<FrameImageCache>();
}

namespace {

// The frames this thread is reading, innermost last.
struct FrameRead
{
    const FrameImageCache* cache;
    FrameImageCache::Frame frame;
};
thread_local std::vector<FrameRead> t_reading;

// Marks a frame read by this thread for the length of a scope; refuses a
// frame that this thread is reading already.
class ReadScope
{
public:
    ReadScope(const FrameImageCache* cache, const FrameImageCache::Frame& frame)
    {
        for (const FrameRead& read : t_reading) {
            if (read.cache == cache && !(read.frame < frame) && !(frame < read.frame)) {
                const QString message = QCoreApplication::translate(
                                            "FrameImageCache", "Frame %1 of clip %2 is asked for while it is read")
                                            .arg(frame.frame)
                                            .arg(frame.clip);
                Rirediro::throwException<VUVI_OperationFailed>(__FILE__, __LINE__, message, message);
            }
        }
        t_reading.push_back({cache, frame});
    }
    ~ReadScope() { t_reading.pop_back(); }
    ReadScope(const ReadScope&) = delete;
    ReadScope& operator=(const ReadScope&) = delete;
};

} // namespace

FrameImageCache::ImagePtr FrameImageCache::image(const Frame& frame, const Origin& origin,
                                                 const std::function<ImagePtr(const Origin&)>& read)
{
    {
        QMutexLocker locker(&m_lock);
        const auto found = m_entries.find(frame);
        if (found != m_entries.end() && found->second.origin == origin) {
            found->second.lastUse = ++m_uses;
            return found->second.image;
        }
    }
    ImagePtr image;
    {
        const ReadScope reading(this, frame);
        image = read(origin);
    }
    if (!image)
        return image;

    // Images let go here may be the last count of an image a script linked
    // to an array; their release must not run under the mutex. Declared
    // first, they go after the locker has unlocked.
    std::vector<ImagePtr> dropped;
    QMutexLocker locker(&m_lock);
    Entry& entry = m_entries[frame];
    if (entry.image && entry.origin == origin) {
        // Another thread read the frame meanwhile: one image per frame.
        dropped.push_back(std::move(image));
        entry.lastUse = ++m_uses;
        return entry.image;
    }
    dropped.push_back(std::move(entry.image));
    entry = Entry{origin, image, false, ++m_uses};
    trim(frame, dropped);
    return image;
}

void FrameImageCache::markChanged(const Frame& frame)
{
    QMutexLocker locker(&m_lock);
    const auto found = m_entries.find(frame);
    if (found != m_entries.end())
        found->second.changed = true;
}

void FrameImageCache::forget(const Frame& frame)
{
    ImagePtr dropped; // let go outside the lock
    QMutexLocker locker(&m_lock);
    const auto found = m_entries.find(frame);
    if (found == m_entries.end())
        return;
    dropped = found->second.image;
    m_entries.erase(found);
}

void FrameImageCache::setBudget(std::size_t bytes)
{
    QMutexLocker locker(&m_lock);
    m_budget = bytes;
}

void FrameImageCache::trim(const Frame& keep, std::vector<ImagePtr>& dropped)
{
    for (;;) {
        std::size_t held = 0;
        auto oldest = m_entries.end();
        for (auto entry = m_entries.begin(); entry != m_entries.end(); ++entry) {
            if (entry->second.changed)
                continue;
            held += entry->second.image->pix_data_size;
            const bool candidate = entry->first < keep || keep < entry->first;
            if (candidate && (oldest == m_entries.end() || entry->second.lastUse < oldest->second.lastUse))
                oldest = entry;
        }
        if (held <= m_budget || oldest == m_entries.end())
            return;
        dropped.push_back(std::move(oldest->second.image));
        m_entries.erase(oldest);
    }
}

} // namespace Rirediro
