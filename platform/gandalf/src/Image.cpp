#include "Gandalf/Image.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <fstream>
#include <limits>
#include <mutex>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include <pthread.h>
#include <sys/mman.h>

#ifdef __SANITIZE_ADDRESS__
#include <sanitizer/asan_interface.h>
#define GAN_POISON(block, size) ASAN_POISON_MEMORY_REGION(block, size)
#define GAN_UNPOISON(block, size) ASAN_UNPOISON_MEMORY_REGION(block, size)
#else
#define GAN_POISON(block, size) ((void)(block), (void)(size))
#define GAN_UNPOISON(block, size) ((void)(block), (void)(size))
#endif

namespace {

// Buffers of whole frames lie on huge pages where the kernel offers them on
// request: a frame decoded into fresh memory then costs a fault per 2 MiB
// instead of one per 4 KiB, which took a third of the time of a frame read
// for the first time. Such buffers start on a huge page's boundary.
constexpr size_t HugePage = size_t(2) << 20;
constexpr std::align_val_t HugePageAlignment{HugePage};

bool hugePagesOnRequest()
{
    static const bool offered = [] {
        std::ifstream setting("/sys/kernel/mm/transparent_hugepage/enabled");
        std::string modes;
        std::getline(setting, modes);
        return modes.find("[madvise]") != std::string::npos || modes.find("[always]") != std::string::npos;
    }();
    return offered;
}

void* allocateFresh(size_t size)
{
    if (size < HugePage)
        return ::operator new(size, std::nothrow);
    void* block = ::operator new(size, HugePageAlignment, std::nothrow);
    if (block && hugePagesOnRequest())
        madvise(block, size, MADV_HUGEPAGE); // a hint: the buffer serves with small pages as well
    return block;
}

void deallocate(void* block, size_t size)
{
    if (size < HugePage)
        ::operator delete(block);
    else
        ::operator delete(block, HugePageAlignment);
}

// Pixel buffers of whole frames are recycled. A buffer of a megabyte or more
// comes from fresh pages of the system, and the first write of each page
// faults it in, zeroed: for a frame decoded from a file, that costs about
// half as much again as the decoding. A buffer let go waits here instead and
// serves the next buffer of exactly its size, the most recently let go
// first, so that a sequence read frame after frame is decoded into memory
// already mapped. At most Budget bytes wait; waiting buffers are poisoned
// for the address sanitizer, which reports a use of one as a use after free.
class RecycledBuffers
{
public:
    static constexpr size_t Smallest = size_t(1) << 20;
    static constexpr size_t Budget = size_t(256) << 20;

    void* take(size_t size)
    {
        if (size >= Smallest) {
            std::lock_guard<std::mutex> lock(m_lock);
            for (auto kept = m_kept.rbegin(); kept != m_kept.rend(); ++kept) {
                if (kept->second != size)
                    continue;
                void* block = kept->first;
                m_kept.erase(std::next(kept).base());
                m_bytes -= size;
                GAN_UNPOISON(block, size);
                return block;
            }
        }
        return allocateFresh(size);
    }

    void keep(void* block, size_t size)
    {
        std::vector<std::pair<void*, size_t>> freed; // freed after the lock
        if (block && size >= Smallest && size <= Budget) {
            GAN_POISON(block, size);
            std::lock_guard<std::mutex> lock(m_lock);
            m_kept.emplace_back(block, size);
            m_bytes += size;
            while (m_bytes > Budget) {
                freed.push_back(m_kept.front());
                m_bytes -= m_kept.front().second;
                m_kept.pop_front();
            }
        } else {
            freed.emplace_back(block, size);
        }
        for (const auto& [waiting, bytes] : freed) {
            GAN_UNPOISON(waiting, bytes);
            deallocate(waiting, bytes);
        }
    }

    // Around a fork: the child has only the forking thread, and would find
    // the lock held for good had another thread been using the pool.
    void lockForFork() { m_lock.lock(); }
    void unlockAfterFork() { m_lock.unlock(); }

private:
    std::mutex m_lock;
    std::deque<std::pair<void*, size_t>> m_kept; // oldest first
    size_t m_bytes = 0;
};

// Never destroyed: images are let go until the process ends.
RecycledBuffers& recycled()
{
    static RecycledBuffers* buffers = new RecycledBuffers;
    return *buffers;
}

// Installed as the library loads, before the libraries that use it add
// theirs: its prepare step runs last, once theirs have waited for the
// threads that may still let images go.
const bool s_forkSafe = pthread_atfork([] { recycled().lockForFork(); }, [] { recycled().unlockAfterFork(); },
                                       [] { recycled().unlockAfterFork(); })
                        == 0;

// Heap buffers come from operator new, so that a buffer freed by anyone else
// (free, PyMem_Free) is caught as an allocation mismatch by sanitizers.
void* allocateBuffer(size_t size)
{
    return size == 0 ? nullptr : recycled().take(size);
}

void freeBuffer(void* buffer, size_t size)
{
    if (buffer)
        recycled().keep(buffer, size);
}

int heapHint(const Gan_MemoryHooks* hooks, int, Gan_Image*)
{
    return hooks ? GAN_HOOK_OK : GAN_HOOK_NO_TABLE;
}

int heapResize(const Gan_MemoryHooks* hooks, size_t size, Gan_Image* image)
{
    if (!hooks)
        return GAN_HOOK_NO_TABLE;
    if (size == image->pix_data_size)
        return GAN_HOOK_OK;
    void* block = allocateBuffer(size);
    if (size != 0 && !block)
        return GAN_HOOK_NO_MEMORY;
    if (image->pix_data_ptr && block)
        std::memcpy(block, image->pix_data_ptr, std::min(size, image->pix_data_size));
    freeBuffer(image->pix_data_ptr, image->pix_data_size);
    image->pix_data_ptr = block;
    image->pix_data_size = size;
    return GAN_HOOK_OK;
}

int heapFree(const Gan_MemoryHooks* hooks, Gan_Image* image)
{
    if (!hooks)
        return GAN_HOOK_NO_TABLE;
    freeBuffer(image->pix_data_ptr, image->pix_data_size);
    return GAN_HOOK_OK;
}

int heapAccess(const Gan_MemoryHooks* hooks, Gan_Image*)
{
    return hooks ? GAN_HOOK_OK : GAN_HOOK_NO_TABLE;
}

// A viewed buffer keeps its size: it can shrink in use, never grow.
int borrowedResize(const Gan_MemoryHooks* hooks, size_t size, Gan_Image* image)
{
    if (!hooks)
        return GAN_HOOK_NO_TABLE;
    return size <= image->pix_data_size ? GAN_HOOK_OK : GAN_HOOK_NO_MEMORY;
}

int borrowedFree(const Gan_MemoryHooks* hooks, Gan_Image*)
{
    return hooks ? GAN_HOOK_OK : GAN_HOOK_NO_TABLE;
}

const Gan_MemoryHooks heapHooks = {heapHint, heapResize, heapFree, heapAccess, heapAccess};
const Gan_MemoryHooks borrowedHooks = {heapHint, borrowedResize, borrowedFree, heapAccess, heapAccess};

// Points the row block at the rows of the current buffer.
void fillRows(Gan_Image* image)
{
    auto* first = static_cast<unsigned char*>(image->pix_data_ptr);
    for (unsigned long row = 0; row < image->height && row < image->row_data_size; ++row)
        image->row_data_ptr[row] = first ? first + row * image->stride : nullptr;
}

// Gives the image a row block of at least `height` pointers: the caller's,
// its current one when large enough, or a new one of the library's.
bool provideRows(Gan_Image* image, unsigned long height, unsigned char** rowData, size_t rowDataSize)
{
    if (rowData) {
        if (rowDataSize < height)
            return false;
        if (image->release_row_data)
            delete[] image->row_data_ptr;
        image->row_data_ptr = rowData;
        image->row_data_size = rowDataSize;
        image->release_row_data = 0;
        return true;
    }
    if (image->row_data_ptr && image->row_data_size >= height)
        return true;
    auto* block = new (std::nothrow) unsigned char*[std::max<unsigned long>(height, 1)];
    if (!block)
        return false;
    if (image->release_row_data)
        delete[] image->row_data_ptr;
    image->row_data_ptr = block;
    image->row_data_size = std::max<unsigned long>(height, 1);
    image->release_row_data = 1;
    return true;
}

struct Layout
{
    Gan_ImageFormat format;
    Gan_Type type;
    unsigned long height, width, stride;

    static Layout of(const Gan_Image* image)
    {
        return {image->format, image->type, image->height, image->width, image->stride};
    }
    void applyTo(Gan_Image* image) const
    {
        image->format = format;
        image->type = type;
        image->height = height;
        image->width = width;
        image->stride = stride;
    }
    size_t span() const { return gan_image_data_span(format, type, height, width, stride); }
};

// Brackets the library's direct access to an image's pixels with its hooks.
class PixelAccess
{
public:
    PixelAccess(Gan_Image* image, int access) : m_image(image)
    {
        const Gan_MemoryHooks* hooks = image->hooks;
        if (!hooks)
            return;
        if (hooks->hint(hooks, access, image) != GAN_HOOK_OK)
            return;
        m_locked = image->hooks->lock(image->hooks, image) == GAN_HOOK_OK;
    }
    ~PixelAccess()
    {
        if (m_locked)
            m_image->hooks->unlock(m_image->hooks, m_image);
    }
    bool granted() const { return m_locked || !m_image->hooks; }

private:
    Gan_Image* m_image;
    bool m_locked = false;
};

void swapRows(unsigned char* a, unsigned char* b, size_t bytes)
{
    for (size_t i = 0; i < bytes; ++i)
        std::swap(a[i], b[i]);
}

// The row that row `row` of a flipped image comes from.
unsigned long mirroredRow(unsigned long row, unsigned long height, bool interlaced)
{
    if (!interlaced)
        return height - 1 - row;
    // Within its field: the field's rows are row % 2, row % 2 + 2, ...
    const unsigned long field = row % 2;
    const unsigned long fieldRows = (height - field + 1) / 2;
    return field + 2 * (fieldRows - 1 - row / 2);
}

} // namespace

size_t gan_type_sizeof(Gan_Type type)
{
    switch (type) {
    case GAN_CHAR:
    case GAN_UCHAR:
    case GAN_BOOL:
        return 1;
    case GAN_SHORT:
    case GAN_USHORT:
    case GAN_UINT10:
    case GAN_UINT12:
        return 2;
    case GAN_INT:
    case GAN_UINT:
    case GAN_FLOAT:
        return 4;
    case GAN_LONG:
    case GAN_ULONG:
        return sizeof(long);
    case GAN_DOUBLE:
        return sizeof(double);
    case GAN_LONGDOUBLE:
        return sizeof(long double);
    case GAN_STRING:
        return sizeof(char*);
    case GAN_POINTER:
        return sizeof(void*);
    case GAN_LONGLONG:
        return sizeof(long long);
    case GAN_UNDEFINED_TYPE:
        return 0;
    }
    return 0;
}

unsigned gan_image_format_channels(Gan_ImageFormat format)
{
    switch (format) {
    case GAN_GREY_LEVEL_IMAGE:
        return 1;
    case GAN_GREY_LEVEL_ALPHA_IMAGE:
    case GAN_VECTOR_FIELD_2D:
    case GAN_YUV422: // two pixels share one U and one V
        return 2;
    case GAN_RGB_COLOUR_IMAGE:
    case GAN_BGR_COLOUR_IMAGE:
    case GAN_VECTOR_FIELD_3D:
        return 3;
    case GAN_RGB_COLOUR_ALPHA_IMAGE:
    case GAN_BGR_COLOUR_ALPHA_IMAGE:
    case GAN_RGBX:
    case GAN_YUVX444:
    case GAN_YUVA444:
        return 4;
    case GAN_RGBAS:
        return 5;
    case GAN_UNDEFINED_IMAGE_FORMAT:
        return 0;
    }
    return 0;
}

unsigned long gan_image_min_stride(Gan_ImageFormat format, Gan_Type type, unsigned long width,
                                   unsigned long alignment)
{
    const unsigned long largest = std::numeric_limits<unsigned long>::max();
    const unsigned long pixel = gan_image_format_channels(format) * gan_type_sizeof(type);
    // Saturate rather than wrap: no buffer holds a row that long.
    if (pixel != 0 && width > largest / pixel)
        return largest;
    const unsigned long bytes = width * pixel;
    if (alignment <= 1)
        return bytes;
    if (bytes > largest - (alignment - 1))
        return largest;
    return (bytes + alignment - 1) / alignment * alignment;
}

size_t gan_image_data_span(Gan_ImageFormat format, Gan_Type type, unsigned long height, unsigned long width,
                           unsigned long stride)
{
    if (height == 0)
        return 0;
    const size_t row = gan_image_min_stride(format, type, width, 0);
    // Saturate rather than wrap: a span that does not fit in size_t fits no buffer.
    if (height - 1 > (std::numeric_limits<size_t>::max() - row) / std::max<size_t>(stride, 1))
        return std::numeric_limits<size_t>::max();
    return (height - 1) * size_t(stride) + row;
}

bool gan_image_layout_fits(Gan_ImageFormat format, Gan_Type type, unsigned long height, unsigned long width,
                           unsigned long stride, size_t bytes)
{
    const size_t span = gan_image_data_span(format, type, height, width, stride);
    return stride >= gan_image_min_stride(format, type, width, 0) && span != std::numeric_limits<size_t>::max()
           && span <= bytes;
}

bool gan_image_fits_buffer(const Gan_Image* image)
{
    const Layout layout = Layout::of(image);
    const size_t bytes = image->pix_data_size;
    return gan_image_layout_fits(layout.format, layout.type, layout.height, layout.width, layout.stride, bytes)
           && (layout.span() == 0 || image->pix_data_ptr);
}

Gan_Image* gan_image_form_gen(Gan_Image* image, Gan_ImageFormat format, Gan_Type type, unsigned long height,
                              unsigned long width, unsigned long stride, bool alloc_pix_data, void* pix_data,
                              size_t pix_data_size, unsigned char** row_data, size_t row_data_size)
{
    const Layout layout{format, type, height, width, stride};
    const size_t span = layout.span();
    if (stride < gan_image_min_stride(format, type, width, 0) || span == std::numeric_limits<size_t>::max())
        return nullptr;
    if (!alloc_pix_data && (pix_data_size < span || (span != 0 && !pix_data)))
        return nullptr;

    const bool made = !image;
    if (made) {
        image = new (std::nothrow) Gan_Image();
        if (!image)
            return nullptr;
        image->release_struct = 1;
    }
    if (!provideRows(image, height, row_data, row_data_size)) {
        if (made)
            delete image;
        return nullptr;
    }
    const Layout previous = Layout::of(image);
    layout.applyTo(image);

    if (alloc_pix_data) {
        if (!image->hooks || image->hooks == &borrowedHooks) {
            image->hooks = &heapHooks;
            image->hook_data = nullptr;
            image->pix_data_ptr = nullptr;
            image->pix_data_size = 0;
        }
        if (image->hooks->resize(image->hooks, stride * height, image) != GAN_HOOK_OK) {
            previous.applyTo(image);
            if (made)
                gan_image_release(image);
            return nullptr;
        }
    } else {
        if (!image->hooks || image->hooks == &heapHooks) {
            image->hooks = &borrowedHooks;
            image->hook_data = nullptr;
        }
        image->pix_data_ptr = pix_data;
        image->pix_data_size = pix_data_size;
    }
    fillRows(image);
    image->release_pix_data = 1;
    image->release_struct = made ? 1 : 0;
    image->pix_data_owner = nullptr;
    image->release = gan_image_release;
    return image;
}

Gan_Image* gan_image_alloc_gen(Gan_ImageFormat format, Gan_Type type, unsigned long height, unsigned long width)
{
    return gan_image_form_gen(nullptr, format, type, height, width, gan_image_min_stride(format, type, width, 0),
                              true, nullptr, 0, nullptr, 0);
}

Gan_Image* gan_image_set_gen(Gan_Image* image, Gan_ImageFormat format, Gan_Type type, unsigned long height,
                             unsigned long width)
{
    if (!image || !image->hooks)
        return nullptr;
    const Layout previous = Layout::of(image);
    const Layout layout{format, type, height, width, gan_image_min_stride(format, type, width, 0)};
    if (layout.span() == std::numeric_limits<size_t>::max())
        return nullptr;
    layout.applyTo(image);
    if (image->hooks->resize(image->hooks, layout.stride * height, image) != GAN_HOOK_OK) {
        previous.applyTo(image);
        return nullptr;
    }
    if (provideRows(image, height, nullptr, 0))
        fillRows(image);
    return image;
}

Gan_Image* gan_image_flip_q(Gan_Image* source, bool interlaced, Gan_Image* dest)
{
    if (!source || !dest)
        return nullptr;
    const Layout layout = Layout::of(source);
    if (dest != source) {
        const Layout target = Layout::of(dest);
        if (target.format != layout.format || target.type != layout.type || target.height != layout.height
            || target.width != layout.width)
            return nullptr;
    }

    const bool inPlace = dest == source;
    PixelAccess reading(source, inPlace ? GAN_PIXELS_READ | GAN_PIXELS_WRITE : GAN_PIXELS_READ);
    if (!reading.granted() || !gan_image_fits_buffer(source))
        return nullptr;

    const size_t rowBytes = gan_image_min_stride(layout.format, layout.type, layout.width, 0);
    auto* from = static_cast<unsigned char*>(source->pix_data_ptr);
    if (inPlace) {
        for (unsigned long row = 0; row < layout.height; ++row) {
            const unsigned long other = mirroredRow(row, layout.height, interlaced);
            if (row < other)
                swapRows(from + row * layout.stride, from + other * layout.stride, rowBytes);
        }
        return dest;
    }

    PixelAccess writing(dest, GAN_PIXELS_WRITE);
    if (!writing.granted() || !gan_image_fits_buffer(dest))
        return nullptr;
    auto* to = static_cast<unsigned char*>(dest->pix_data_ptr);
    for (unsigned long row = 0; row < layout.height; ++row)
        std::memcpy(to + row * dest->stride, from + mirroredRow(row, layout.height, interlaced) * layout.stride,
                    rowBytes);
    return dest;
}

void gan_image_free(Gan_Image* image)
{
    if (image && image->release)
        image->release(image);
}

void gan_image_release(Gan_Image* image)
{
    if (!image)
        return;
    if (image->release_pix_data && !image->pix_data_owner && image->hooks)
        image->hooks->free_data(image->hooks, image);
    image->pix_data_ptr = nullptr;
    image->pix_data_size = 0;
    if (image->release_row_data) {
        delete[] image->row_data_ptr;
        image->row_data_ptr = nullptr;
        image->row_data_size = 0;
    }
    if (image->release_struct)
        delete image;
}

const Gan_MemoryHooks* gan_heap_memory_hooks()
{
    return &heapHooks;
}

const Gan_MemoryHooks* gan_borrowed_memory_hooks()
{
    return &borrowedHooks;
}
