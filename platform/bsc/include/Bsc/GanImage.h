#pragma once

// Shared ownership of images of the image library, counted in the image's
// own reference count.

#include <Gandalf/Image.h>

#include <functional>
#include <utility>

namespace Bsc {
namespace GanImage {

// The deleter of an image that its holders share but do not own.
inline void dontDelete(Gan_Image*) {}

// The default deleter: the image's own release routine.
inline void release(Gan_Image* image)
{
    gan_image_free(image);
}

} // namespace GanImage

namespace detail {

// Holds one count of an image's reference count. The last holder to let go
// hands the image to the deleter. Copies share the image; the first copy of
// an image held once tells the share notification (old count 1, new count 2).
template <typename T>
class GanImage_Ptr
{
public:
    using Deleter = std::function<void(T*)>;
    using ShareNotification = std::function<void(int oldCount, int newCount)>;

    GanImage_Ptr() = default;

    // Takes a count of `image` (a new image has none yet).
    explicit GanImage_Ptr(T* image, Deleter deleter = &GanImage::release, ShareNotification shared = {})
        : m_image(image), m_deleter(std::move(deleter)), m_shareNotification(std::move(shared))
    {
        if (m_image)
            m_image->ref_count.fetch_add(1);
    }

    GanImage_Ptr(const GanImage_Ptr& other)
        : m_image(other.m_image), m_deleter(other.m_deleter), m_shareNotification(other.m_shareNotification)
    {
        if (!m_image)
            return;
        const int before = m_image->ref_count.fetch_add(1);
        if (before == 1 && m_shareNotification)
            m_shareNotification(1, 2);
    }

    GanImage_Ptr(GanImage_Ptr&& other) noexcept
        : m_image(std::exchange(other.m_image, nullptr))
        , m_deleter(std::move(other.m_deleter))
        , m_shareNotification(std::move(other.m_shareNotification))
    {
    }

    GanImage_Ptr& operator=(GanImage_Ptr other) noexcept
    {
        swap(other);
        return *this;
    }

    ~GanImage_Ptr() { reset(); }

    void reset()
    {
        T* image = std::exchange(m_image, nullptr);
        if (image && image->ref_count.fetch_sub(1) == 1 && m_deleter)
            m_deleter(image);
    }

    void swap(GanImage_Ptr& other) noexcept
    {
        std::swap(m_image, other.m_image);
        std::swap(m_deleter, other.m_deleter);
        std::swap(m_shareNotification, other.m_shareNotification);
    }

    T* get() const { return m_image; }
    T* operator->() const { return m_image; }
    T& operator*() const { return *m_image; }
    explicit operator bool() const { return m_image != nullptr; }

private:
    T* m_image = nullptr;
    Deleter m_deleter;
    ShareNotification m_shareNotification;
};

} // namespace detail
} // namespace Bsc
