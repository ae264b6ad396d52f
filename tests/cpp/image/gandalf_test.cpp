// The image library stand-in and the shared image pointer: layouts, forming,
// flips, resizing and releasing through the hook table, reference counts.

#include "RecordingHooks.h"

#include <Bsc/GanImage.h>
#include <Gandalf/Image.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <numeric>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

#ifdef __SANITIZE_ADDRESS__
#include <sanitizer/asan_interface.h>
#endif

namespace {

class GandalfTest : public ::testing::Test
{
protected:
    void SetUp() override { RecordingHooks::journal() = RecordingHooks(); }
};

// Fills row r of an 8-bit image with the value r + 1.
void numberRows(Gan_Image* image)
{
    auto* pixels = static_cast<unsigned char*>(image->pix_data_ptr);
    for (unsigned long row = 0; row < image->height; ++row)
        std::memset(pixels + row * image->stride, int(row + 1), image->stride);
}

std::vector<int> firstColumn(const Gan_Image* image)
{
    std::vector<int> column;
    const auto* pixels = static_cast<const unsigned char*>(image->pix_data_ptr);
    for (unsigned long row = 0; row < image->height; ++row)
        column.push_back(pixels[row * image->stride]);
    return column;
}

TEST_F(GandalfTest, StrideAndSpanFollowFormatTypeAndWidth)
{
    struct Case
    {
        Gan_ImageFormat format;
        Gan_Type type;
        unsigned long width, alignment, stride;
    };
    const Case cases[] = {
        {GAN_GREY_LEVEL_IMAGE, GAN_UCHAR, 5, 0, 5},
        {GAN_GREY_LEVEL_ALPHA_IMAGE, GAN_USHORT, 5, 0, 20},
        {GAN_RGB_COLOUR_IMAGE, GAN_FLOAT, 3, 0, 36},
        {GAN_RGB_COLOUR_ALPHA_IMAGE, GAN_DOUBLE, 2, 0, 64},
        {GAN_RGBAS, GAN_UCHAR, 2, 0, 10},
        {GAN_YUV422, GAN_UCHAR, 4, 0, 8},
        {GAN_RGB_COLOUR_IMAGE, GAN_UCHAR, 5, 4, 16},
        {GAN_RGB_COLOUR_IMAGE, GAN_UNDEFINED_TYPE, 5, 0, 0},
        {GAN_UNDEFINED_IMAGE_FORMAT, GAN_UCHAR, 5, 0, 0},
        // Rows too long for any buffer saturate rather than wrap to a short stride.
        {GAN_RGB_COLOUR_IMAGE, GAN_UCHAR, ~0ul / 3 + 1, 0, ~0ul},
        {GAN_GREY_LEVEL_IMAGE, GAN_UCHAR, ~0ul, 4, ~0ul},
    };
    for (const Case& c : cases)
        EXPECT_EQ(gan_image_min_stride(c.format, c.type, c.width, c.alignment), c.stride)
            << c.format << " " << c.type << " " << c.width;

    // The last row reaches only as far as its pixels, not its whole stride.
    EXPECT_EQ(gan_image_data_span(GAN_GREY_LEVEL_IMAGE, GAN_UCHAR, 3, 5, 8), 2u * 8 + 5);
    EXPECT_EQ(gan_image_data_span(GAN_GREY_LEVEL_IMAGE, GAN_UCHAR, 0, 5, 8), 0u);
    EXPECT_EQ(gan_image_data_span(GAN_GREY_LEVEL_IMAGE, GAN_UCHAR, ~0ul, 5, ~0ul), ~size_t(0));
}

TEST_F(GandalfTest, AllocatedImageOwnsItsBufferRecordAndRows)
{
    Gan_Image* image = gan_image_alloc_gen(GAN_RGB_COLOUR_IMAGE, GAN_FLOAT, 4, 3);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->ref_count.load(), 0);
    EXPECT_EQ(image->format, GAN_RGB_COLOUR_IMAGE);
    EXPECT_EQ(image->type, GAN_FLOAT);
    EXPECT_EQ(image->height, 4u);
    EXPECT_EQ(image->width, 3u);
    EXPECT_EQ(image->stride, 36u);
    EXPECT_EQ(image->pix_data_size, 4u * 36);
    EXPECT_NE(image->pix_data_ptr, nullptr);
    EXPECT_EQ(image->hooks, gan_heap_memory_hooks());
    EXPECT_EQ(image->release_pix_data, 1);
    EXPECT_EQ(image->release_struct, 1);
    EXPECT_EQ(image->release_row_data, 1);
    EXPECT_EQ(image->release, &gan_image_release);
    for (unsigned long row = 0; row < 4; ++row)
        EXPECT_EQ(image->row_data_ptr[row], static_cast<unsigned char*>(image->pix_data_ptr) + row * 36);
    gan_image_free(image);
}

TEST_F(GandalfTest, FormingOverACallersBufferNeverFreesIt)
{
    std::vector<unsigned char> pixels(3 * 8, 0);
    unsigned char* rows[3];
    Gan_Image* image = gan_image_form_gen(nullptr, GAN_GREY_LEVEL_IMAGE, GAN_UCHAR, 3, 5, 8, false, pixels.data(),
                                          pixels.size(), rows, 3);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->hooks, gan_borrowed_memory_hooks());
    EXPECT_EQ(image->release_row_data, 0);
    EXPECT_EQ(rows[2], pixels.data() + 16);
    // A viewed buffer cannot grow.
    EXPECT_EQ(gan_image_set_gen(image, GAN_GREY_LEVEL_IMAGE, GAN_UCHAR, 4, 8), nullptr);
    EXPECT_EQ(image->height, 3u);
    gan_image_free(image); // the vector frees the pixels; a second free would be caught

    // Layouts that do not fit are refused: stride below a row, buffer below the span.
    EXPECT_EQ(gan_image_form_gen(nullptr, GAN_GREY_LEVEL_IMAGE, GAN_UCHAR, 3, 5, 4, false, pixels.data(),
                                 pixels.size(), nullptr, 0),
              nullptr);
    EXPECT_EQ(gan_image_form_gen(nullptr, GAN_GREY_LEVEL_IMAGE, GAN_UCHAR, 4, 8, 8, false, pixels.data(),
                                 pixels.size(), nullptr, 0),
              nullptr);
}

TEST_F(GandalfTest, FlipReversesRowsInPlaceOrIntoAnotherImage)
{
    struct Case
    {
        unsigned long height;
        bool interlaced;
        std::vector<int> expected;
    };
    const Case cases[] = {
        {4, false, {4, 3, 2, 1}},
        {5, false, {5, 4, 3, 2, 1}},
        {1, false, {1}},
        {5, true, {5, 4, 3, 2, 1}},    // fields 1,3,5 and 2,4 each reversed
        {6, true, {5, 6, 3, 4, 1, 2}}, // fields 1,3,5 and 2,4,6
    };
    for (const Case& c : cases) {
        Gan_Image* image = gan_image_alloc_gen(GAN_GREY_LEVEL_IMAGE, GAN_UCHAR, c.height, 3);
        numberRows(image);
        Gan_Image* copy = gan_image_alloc_gen(GAN_GREY_LEVEL_IMAGE, GAN_UCHAR, c.height, 3);
        ASSERT_EQ(gan_image_flip_q(image, c.interlaced, copy), copy);
        EXPECT_EQ(firstColumn(copy), c.expected) << c.height << (c.interlaced ? " interlaced" : "");
        std::vector<int> unchanged(c.height);
        std::iota(unchanged.begin(), unchanged.end(), 1);
        EXPECT_EQ(firstColumn(image), unchanged);

        ASSERT_EQ(gan_image_flip_q(image, c.interlaced, image), image);
        EXPECT_EQ(firstColumn(image), c.expected) << c.height << (c.interlaced ? " interlaced" : "") << " in place";
        gan_image_free(copy);
        gan_image_free(image);
    }
}

TEST_F(GandalfTest, ALayoutFitsWhenEveryRowLiesWithinTheBytesAndItsStride)
{
    struct Case
    {
        unsigned long height, width, stride; // one byte a pixel: the width is a row's bytes
        size_t bytes;
        bool fits;
    };
    const Case cases[] = {
        {3, 5, 8, 21, true},         {3, 5, 8, 20, false},         {3, 5, 4, 100, false},
        {0, 5, 8, 0, true},          {~0ul, 0, 0, 0, true},        {~0ul, 5, 8, 1000, false},
        {1, ~0ul, ~0ul, ~size_t(0), false}, // a span that saturates fits nothing
    };
    for (const Case& c : cases)
        EXPECT_EQ(gan_image_layout_fits(GAN_GREY_LEVEL_IMAGE, GAN_UCHAR, c.height, c.width, c.stride, c.bytes), c.fits)
            << c.height << " " << c.width << " " << c.stride << " " << c.bytes;
}

TEST_F(GandalfTest, FlipAsksTheHooksAndRefusesLayoutsBeyondTheBuffer)
{
    Gan_Image* image = RecordingHooks::allocate(GAN_GREY_LEVEL_IMAGE, GAN_UCHAR, 2, 2);
    ASSERT_EQ(gan_image_flip_q(image, false, image), image);
    EXPECT_EQ(RecordingHooks::journal().calls, QStringList({"hint 3", "lock", "unlock"}));

    Gan_Image* other = RecordingHooks::allocate(GAN_GREY_LEVEL_IMAGE, GAN_UCHAR, 2, 2);
    RecordingHooks::journal().calls.clear();
    ASSERT_EQ(gan_image_flip_q(image, false, other), other);
    EXPECT_EQ(RecordingHooks::journal().calls, QStringList({"hint 1", "lock", "hint 2", "lock", "unlock", "unlock"}));

    image->height = 3; // a description that reaches past the buffer
    EXPECT_EQ(gan_image_flip_q(image, false, image), nullptr);
    EXPECT_EQ(gan_image_flip_q(image, false, other), nullptr);
    image->height = 2;
    other->width = 3;
    EXPECT_EQ(gan_image_flip_q(image, false, other), nullptr);
    gan_image_free(other);
    gan_image_free(image);
}

TEST_F(GandalfTest, SetGenResizesThroughHookTwoAndKeepsTheImageOnRefusal)
{
    Gan_Image* image = RecordingHooks::allocate(GAN_GREY_LEVEL_IMAGE, GAN_UCHAR, 2, 4);
    numberRows(image);
    ASSERT_EQ(gan_image_set_gen(image, GAN_GREY_LEVEL_IMAGE, GAN_UCHAR, 3, 4), image);
    EXPECT_EQ(RecordingHooks::journal().calls, QStringList({"resize 12"}));
    EXPECT_EQ(image->pix_data_size, 12u);
    EXPECT_EQ(firstColumn(image)[0], 1); // the leading bytes survive the move
    EXPECT_EQ(firstColumn(image)[1], 2);
    EXPECT_EQ(image->row_data_ptr[2], static_cast<unsigned char*>(image->pix_data_ptr) + 8);

    RecordingHooks::journal().resizeStatus = GAN_HOOK_NO_MEMORY;
    void* before = image->pix_data_ptr;
    EXPECT_EQ(gan_image_set_gen(image, GAN_RGB_COLOUR_IMAGE, GAN_FLOAT, 30, 40), nullptr);
    EXPECT_EQ(image->format, GAN_GREY_LEVEL_IMAGE);
    EXPECT_EQ(image->height, 3u);
    EXPECT_EQ(image->pix_data_ptr, before);
    RecordingHooks::journal().resizeStatus = GAN_HOOK_OK;
    gan_image_free(image);
}

TEST_F(GandalfTest, ReleaseFreesThroughHookThreeAsTheOwnershipSays)
{
    RecordingHooks& hooks = RecordingHooks::journal();
    Gan_Image* image = RecordingHooks::allocate(GAN_GREY_LEVEL_IMAGE, GAN_UCHAR, 2, 2);
    gan_image_free(image);
    EXPECT_EQ(hooks.frees, 1);

    // A buffer held by an owner stays with it; a record the caller made stays too.
    Gan_Image record{};
    std::vector<unsigned char> pixels(4);
    ASSERT_EQ(gan_image_form_gen(&record, GAN_GREY_LEVEL_IMAGE, GAN_UCHAR, 2, 2, 2, false, pixels.data(), 4, nullptr, 0),
              &record);
    EXPECT_EQ(record.release_struct, 0);
    RecordingHooks::install(&record);
    record.pix_data_owner = &pixels;
    gan_image_free(&record);
    EXPECT_EQ(hooks.frees, 1);
    EXPECT_EQ(record.pix_data_ptr, nullptr);
    EXPECT_EQ(record.row_data_ptr, nullptr);
}

// Buffers of whole frames are recycled: a frame's buffer, once let go, serves
// the next image of exactly its size, and never one still held.
TEST_F(GandalfTest, AFrameBufferLetGoServesTheNextImageOfItsSizeOnly)
{
    const unsigned long height = 540, width = 1024; // RGBA floats: 8.8 MB
    auto frame = [&](unsigned long rows) {
        return gan_image_alloc_gen(GAN_RGB_COLOUR_ALPHA_IMAGE, GAN_FLOAT, rows, width);
    };
    Gan_Image* first = frame(height);
    ASSERT_TRUE(first && first->pix_data_ptr);
    void* const buffer = first->pix_data_ptr;
    gan_image_free(first);
#ifdef __SANITIZE_ADDRESS__
    EXPECT_TRUE(__asan_address_is_poisoned(buffer)); // a use of the waiting buffer is reported
#endif

    Gan_Image* taller = frame(height + 1);
    Gan_Image* second = frame(height);
    Gan_Image* third = frame(height);
    ASSERT_TRUE(taller && second && third);
    EXPECT_NE(taller->pix_data_ptr, buffer);
    EXPECT_EQ(second->pix_data_ptr, buffer);
    EXPECT_NE(third->pix_data_ptr, buffer);
#ifdef __SANITIZE_ADDRESS__
    EXPECT_FALSE(__asan_region_is_poisoned(second->pix_data_ptr, second->pix_data_size));
#endif
    // Each image writes its own pixels only.
    std::memset(second->pix_data_ptr, 1, second->pix_data_size);
    std::memset(third->pix_data_ptr, 2, third->pix_data_size);
    std::memset(taller->pix_data_ptr, 3, taller->pix_data_size);
    EXPECT_EQ(static_cast<unsigned char*>(second->pix_data_ptr)[second->pix_data_size - 1], 1);
    EXPECT_EQ(static_cast<unsigned char*>(third->pix_data_ptr)[0], 2);

    // A buffer resized away waits too, and serves an image of its old size.
    ASSERT_EQ(gan_image_set_gen(second, GAN_RGB_COLOUR_ALPHA_IMAGE, GAN_FLOAT, height - 1, width), second);
    EXPECT_NE(second->pix_data_ptr, buffer);
    Gan_Image* fourth = frame(height);
    ASSERT_TRUE(fourth);
    EXPECT_EQ(fourth->pix_data_ptr, buffer);
    for (Gan_Image* image : {taller, second, third, fourth})
        gan_image_free(image);
}

// The flags of the mapping of this process that holds `address`, as
// /proc/self/smaps shows them ("rd wr mr ... hg"); empty when none holds it.
std::string mappingFlags(const void* address)
{
    std::ifstream maps("/proc/self/smaps");
    const auto at = reinterpret_cast<uintptr_t>(address);
    bool inside = false;
    for (std::string line; std::getline(maps, line);) {
        uintptr_t start = 0, end = 0;
        char dash = 0;
        std::istringstream range(line);
        if (line.find(':') > line.find(' ') && (range >> std::hex >> start >> dash >> end) && dash == '-')
            inside = start <= at && at < end;
        else if (inside && line.rfind("VmFlags:", 0) == 0)
            return line.substr(8) + " ";
    }
    return {};
}

// A frame's buffer of 2 MiB or more starts on a huge page's boundary and
// asks for huge pages where the kernel gives them on request: a frame
// decoded into fresh memory faults once per 2 MiB, not once per 4 KiB.
TEST_F(GandalfTest, AFrameBufferLiesOnHugePagesWhereTheKernelOffersThem)
{
    std::ifstream setting("/sys/kernel/mm/transparent_hugepage/enabled");
    std::string modes;
    std::getline(setting, modes);
    const bool offered = modes.find("[madvise]") != std::string::npos || modes.find("[always]") != std::string::npos;

    Gan_Image* frame = gan_image_alloc_gen(GAN_RGB_COLOUR_ALPHA_IMAGE, GAN_FLOAT, 1080, 2048);
    ASSERT_TRUE(frame && frame->pix_data_ptr);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(frame->pix_data_ptr) % (uintptr_t(2) << 20), 0u);
    if (offered) {
        const std::string flags = mappingFlags(frame->pix_data_ptr);
        EXPECT_NE(flags.find(" hg "), std::string::npos) << flags;
    }
    std::memset(frame->pix_data_ptr, 1, frame->pix_data_size);
    gan_image_free(frame);
}

TEST_F(GandalfTest, SharedPointerCountsHoldersAndNotifiesTheFirstShare)
{
    Gan_Image* image = RecordingHooks::allocate(GAN_GREY_LEVEL_IMAGE, GAN_UCHAR, 2, 2);
    QStringList notifications;
    {
        Bsc::detail::GanImage_Ptr<Gan_Image> first(image, &Bsc::GanImage::release, [&](int before, int after) {
            notifications << QStringLiteral("%1->%2").arg(before).arg(after);
        });
        EXPECT_EQ(image->ref_count.load(), 1);
        {
            Bsc::detail::GanImage_Ptr<Gan_Image> second(first);
            Bsc::detail::GanImage_Ptr<Gan_Image> third(second);
            EXPECT_EQ(image->ref_count.load(), 3);
            Bsc::detail::GanImage_Ptr<Gan_Image> moved(std::move(third));
            EXPECT_FALSE(third);
            EXPECT_EQ(moved.get(), image);
            EXPECT_EQ(image->ref_count.load(), 3);
        }
        EXPECT_EQ(notifications, QStringList({"1->2"}));
        EXPECT_EQ(image->ref_count.load(), 1);
        EXPECT_EQ(RecordingHooks::journal().frees, 0);
    }
    EXPECT_EQ(RecordingHooks::journal().frees, 1);

    // An image the holders share but do not own outlives them.
    Gan_Image* kept = RecordingHooks::allocate(GAN_GREY_LEVEL_IMAGE, GAN_UCHAR, 2, 2);
    {
        Bsc::detail::GanImage_Ptr<Gan_Image> shared(kept, &Bsc::GanImage::dontDelete);
        Bsc::detail::GanImage_Ptr<Gan_Image> copy = shared;
    }
    EXPECT_EQ(kept->ref_count.load(), 0);
    EXPECT_EQ(RecordingHooks::journal().frees, 1);
    gan_image_free(kept);
}

// A child forked while another thread takes and lets go frame buffers gets
// its own: the pool's lock is never left held by a thread the child lacks.
TEST_F(GandalfTest, AForkedChildTakesFrameBuffersWhileAnotherThreadUsesThePool)
{
    const auto frame = [] { return gan_image_alloc_gen(GAN_GREY_LEVEL_IMAGE, GAN_UCHAR, 1024, 1024); };
    std::atomic<bool> stop{false};
    std::thread user([&] {
        while (!stop.load(std::memory_order_relaxed))
            gan_image_free(frame());
    });
    int hung = 0, failed = 0;
    for (int round = 0; round < 100 && hung == 0; ++round) {
        const pid_t child = fork();
        if (child == 0) {
            Gan_Image* image = frame();
            const bool made = image != nullptr;
            gan_image_free(image);
            _exit(made ? 0 : 1);
        }
        // A child that has not ended after seconds waits for the lock for good.
        int status = -1;
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (waitpid(child, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > giveUp) {
                kill(child, SIGKILL);
                waitpid(child, &status, 0);
                ++hung;
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        failed += status != 0;
    }
    stop = true;
    user.join();
    EXPECT_EQ(hung, 0);
    EXPECT_EQ(failed, 0);
}

} // namespace
