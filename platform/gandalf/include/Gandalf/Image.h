#pragma once

// The image library: images of pixels in a pixel format and a channel type,
// laid out row after row with a stride. What happens to an image's pixel
// buffer (resizing, releasing, direct access) is decided by the table of
// memory hooks that the image carries; the library installs its own tables,
// and a client may put one of its own in front of them.

#include <atomic>
#include <cstddef>
#include <cstdint>

enum Gan_ImageFormat
{
    GAN_GREY_LEVEL_IMAGE = 0,
    GAN_GREY_LEVEL_ALPHA_IMAGE = 1,
    GAN_RGB_COLOUR_IMAGE = 2,
    GAN_RGB_COLOUR_ALPHA_IMAGE = 3,
    GAN_BGR_COLOUR_IMAGE = 4,
    GAN_BGR_COLOUR_ALPHA_IMAGE = 5,
    GAN_VECTOR_FIELD_2D = 6,
    GAN_VECTOR_FIELD_3D = 7,
    GAN_RGBX = 8,
    GAN_RGBAS = 9,
    GAN_YUVX444 = 10,
    GAN_YUVA444 = 11,
    GAN_YUV422 = 12,
    GAN_UNDEFINED_IMAGE_FORMAT = 13,
};

enum Gan_Type
{
    GAN_CHAR = 0,
    GAN_UCHAR = 1,
    GAN_SHORT = 2,
    GAN_USHORT = 3,
    GAN_INT = 4,
    GAN_UINT = 5,
    GAN_LONG = 6,
    GAN_ULONG = 7,
    GAN_FLOAT = 8,
    GAN_DOUBLE = 9,
    GAN_LONGDOUBLE = 10,
    GAN_STRING = 11,
    GAN_BOOL = 12,
    GAN_POINTER = 13,
    GAN_LONGLONG = 14,
    GAN_UINT10 = 15,
    GAN_UINT12 = 16,
    GAN_UNDEFINED_TYPE = 17,
};

struct Gan_Image;

// What a memory hook answers.
enum Gan_HookStatus
{
    GAN_HOOK_OK = 0,
    GAN_HOOK_NO_MEMORY = 8, // the buffer cannot be given the size asked for
    GAN_HOOK_NO_TABLE = 9,  // the hook was called without its table
};

// How the library is about to use an image's pixels (the first hook).
enum Gan_PixelAccess
{
    GAN_PIXELS_READ = 1,
    GAN_PIXELS_WRITE = 2,
};

// The five memory hooks of an image, in table order. Each receives the table
// itself first (the library passes the image's own table) and returns a
// Gan_HookStatus or a status of its own; 0 is success.
struct Gan_MemoryHooks
{
    // 1. The library is about to read or write the pixels (Gan_PixelAccess bits).
    int (*hint)(const Gan_MemoryHooks* hooks, int access, Gan_Image* image);
    // 2. Give the image a pixel buffer of `size` bytes, keeping the leading
    //    bytes of the current one; on success the hook has set the image's
    //    buffer pointer and size. The image already carries its new layout.
    int (*resize)(const Gan_MemoryHooks* hooks, size_t size, Gan_Image* image);
    // 3. The image lets go of its pixel buffer. The hook frees it now, or
    //    keeps it and frees it later; the library forgets the buffer after.
    int (*free_data)(const Gan_MemoryHooks* hooks, Gan_Image* image);
    // 4, 5. The library starts and ends direct access to the pixel buffer;
    //    the hook may move the buffer at either (and then updates the image).
    int (*lock)(const Gan_MemoryHooks* hooks, Gan_Image* image);
    int (*unlock)(const Gan_MemoryHooks* hooks, Gan_Image* image);
};

// An image. The fields up to hook_data are the library's public record.
struct Gan_Image
{
    std::atomic<int32_t> ref_count; // holders of the image (changed atomically by them)
    Gan_ImageFormat format;
    Gan_Type type;
    unsigned long height;
    unsigned long width;
    unsigned long stride; // bytes from one row to the next
    int32_t tag;          // the client's own value, carried along and never read

    // Ownership, as the release routine reads it.
    int32_t release_pix_data; // releasing the image releases its pixel buffer (hook 3)
    int32_t release_struct;   // the library made this record and deletes it on release
    void* pix_data_owner;     // while set, the buffer belongs to this holder: release leaves it alone
    void (*release)(Gan_Image* image);

    void* pix_data_ptr;
    size_t pix_data_size;     // bytes in the pixel buffer
    int32_t release_row_data; // the library made the row-pointer block and frees it on release

    const Gan_MemoryHooks* hooks;
    void* hook_data;

    // Row pointers into the pixel buffer, one per row.
    unsigned char** row_data_ptr;
    size_t row_data_size; // pointers the block holds
};

// Bytes of one channel value; 0 for GAN_UNDEFINED_TYPE.
size_t gan_type_sizeof(Gan_Type type);
// Channels of one pixel; 0 for GAN_UNDEFINED_IMAGE_FORMAT.
unsigned gan_image_format_channels(Gan_ImageFormat format);

// The smallest stride of rows of `width` pixels, rounded up to a multiple of
// `alignment` bytes (0 or 1: no rounding); the largest unsigned long for a
// row longer than that.
unsigned long gan_image_min_stride(Gan_ImageFormat format, Gan_Type type, unsigned long width,
                                   unsigned long alignment);
// The bytes that an image of this layout reaches into its pixel buffer.
size_t gan_image_data_span(Gan_ImageFormat format, Gan_Type type, unsigned long height, unsigned long width,
                           unsigned long stride);

// Whether rows of that layout, `stride` bytes apart, lie within `bytes` of
// pixels, each row within its stride.
bool gan_image_layout_fits(Gan_ImageFormat format, Gan_Type type, unsigned long height, unsigned long width,
                           unsigned long stride, size_t bytes);
// Whether the image's description (format, type, height, width, stride)
// lies within its pixel buffer: what every reader of its pixels asks first.
bool gan_image_fits_buffer(const Gan_Image* image);

// Forms an image: a new record when `image` is null (then release_struct is
// set), else the given record. With `alloc_pix_data` the pixel buffer is made
// (or resized) through the image's table, the library's heap table when it
// has none of its own; otherwise the image views `pix_data` (at least the
// layout's span), under the library's borrowing table unless the image has
// a table of its own. Forming never releases a buffer the image had. Row
// pointers go into `row_data` when given, else into a block of the library's.
// Returns the image, or null when the layout or the buffer does not fit.
Gan_Image* gan_image_form_gen(Gan_Image* image, Gan_ImageFormat format, Gan_Type type, unsigned long height,
                              unsigned long width, unsigned long stride, bool alloc_pix_data, void* pix_data,
                              size_t pix_data_size, unsigned char** row_data, size_t row_data_size);

// A new image with a buffer of its own and the smallest stride.
Gan_Image* gan_image_alloc_gen(Gan_ImageFormat format, Gan_Type type, unsigned long height, unsigned long width);

// Gives the image a new layout with the smallest stride, resizing its buffer
// through its table (hook 2). On failure the image is unchanged and the
// result is null.
Gan_Image* gan_image_set_gen(Gan_Image* image, Gan_ImageFormat format, Gan_Type type, unsigned long height,
                             unsigned long width);

// Copies `source` upside down into `dest` (which may be `source` itself: the
// flip is then made in place). With `interlaced`, each field is flipped on
// its own. Null when either layout reaches past its buffer, the two layouts
// differ, or a hook refuses access.
Gan_Image* gan_image_flip_q(Gan_Image* source, bool interlaced, Gan_Image* dest);

// Releases the image through the release routine it carries.
void gan_image_free(Gan_Image* image);
// The library's release routine: the pixel buffer through hook 3 (when
// release_pix_data is set and no owner holds it), the row block and the
// record as their flags say.
void gan_image_release(Gan_Image* image);

// The library's own tables: buffers it allocated (freed on release), and
// buffers it only views (never freed, never grown).
const Gan_MemoryHooks* gan_heap_memory_hooks();
const Gan_MemoryHooks* gan_borrowed_memory_hooks();
