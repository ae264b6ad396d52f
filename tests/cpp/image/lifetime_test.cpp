// Who keeps image memory alive: an array Python holds (itself, a memoryview,
// a numpy view) keeps its memory until it dies; one that only the image
// holds dies with it; the image library's own hooks free a buffer exactly
// once, also when images are freed on other threads. Run under
// AddressSanitizer, a read of freed memory here fails the run.

#include "BridgeTestSupport.h"

#include "Project/wrappers/ImageIOGlue.h"

#include <QThread>

#include <cstring>

#include <memory>
#include <stdexcept>

namespace {

using namespace BridgeTest;

const auto* const interpreter = ::testing::AddGlobalTestEnvironment(new Interpreter);

class ImageLifetimeTest : public ::testing::Test
{
protected:
    void SetUp() override { RecordingHooks::journal() = RecordingHooks(); }

    static int frees() { return RecordingHooks::journal().frees; }

    // The last float of the array named `name`, read through its buffer.
    static float lastFloat(const Namespace& names, const char* name)
    {
        const std::vector<unsigned char> bytes = exportedBytes(PyDict_GetItemString(names.dict(), name));
        float value = -1.0f;
        if (bytes.size() >= sizeof value)
            std::memcpy(&value, bytes.data() + bytes.size() - sizeof value, sizeof value);
        return value;
    }

    // A 4 x 4 float image whose pixels are 0.0, 1.0, ... 15.0, exposed in
    // `names` as `pixels` (weak) and `a` (the array).
    static std::unique_ptr<ImageData> numberedFloats(Namespace& names)
    {
        auto image = std::make_unique<ImageData>(recordedImage(GAN_FLOAT, 4, 4), ImageLocation());
        auto* values = static_cast<float*>(image->image()->pix_data_ptr);
        for (int i = 0; i < 16; ++i)
            values[i] = float(i);
        names.give("pixels", GlueHelpers::ImageIO::getPixelBuffer(image.get()));
        names.run("import array\na = pixels()");
        return image;
    }
};

TEST_F(ImageLifetimeTest, AnArrayOnlyTheImageHoldsDiesWithTheImage)
{
    Namespace names;
    auto image = numberedFloats(names);
    names.run("del a");
    image.reset();
    EXPECT_TRUE(names.evalTrue("pixels() is None"));
    EXPECT_EQ(frees(), 1);
}

TEST_F(ImageLifetimeTest, WhatPythonHoldsKeepsTheMemoryUntilItDies)
{
    struct Case
    {
        const char* holder;
        const char* write;
    };
    const Case cases[] = {
        {"a", "holder[15] = 99.0"},
        {"memoryview(a)", "holder[15] = 99.0"},
        {"memoryview(a).cast('B')[8:]", "holder[-1] = 7"},
        {"numpy.frombuffer(a, a.typecode)", "holder[15] = 99.0"},
        {"numpy.frombuffer(a, a.typecode)[2:6]", "holder[0] = 99.0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.holder);
        RecordingHooks::journal() = RecordingHooks();
        Namespace names;
        auto image = numberedFloats(names);
        ASSERT_TRUE(names.run(std::string("import numpy\nholder = ") + c.holder + "\ndel a"));
        image.reset();
        EXPECT_EQ(frees(), 0);
        const std::vector<unsigned char> bytes = exportedBytes(PyDict_GetItemString(names.dict(), "holder"));
        EXPECT_EQ(bytes.size() % 4, 0u);
        EXPECT_TRUE(names.run(std::string("total = float(sum(holder))\n") + c.write));
        EXPECT_TRUE(names.evalTrue("total > 0"));
        names.run("del holder");
        EXPECT_TRUE(names.evalTrue("pixels() is None"));
        EXPECT_EQ(frees(), 1);
    }
}

TEST_F(ImageLifetimeTest, AnOrphanedArrayKeepsRefusingToResize)
{
    Namespace names;
    auto image = numberedFloats(names);
    image.reset();
    ASSERT_TRUE(names.run("try:\n    a.append(1.0)\n    grown = True\nexcept BufferError:\n    grown = False\n"));
    EXPECT_TRUE(names.evalTrue("not grown"));
    EXPECT_EQ(lastFloat(names, "a"), 15.0f);
    names.run("del a");
    EXPECT_EQ(frees(), 1);
}

TEST_F(ImageLifetimeTest, SetPixelsKeepsAHeldEarlierArrayUntilItDies)
{
    Namespace names;
    auto image = numberedFloats(names);
    PyRef replacement = names.eval("array.array('f', [0.5] * 16)");
    GlueHelpers::ImageIO::setPixelBuffer(image.get(), replacement.get());
    EXPECT_EQ(frees(), 0);
    EXPECT_TRUE(names.evalTrue("pixels() is a"));
    EXPECT_EQ(lastFloat(names, "a"), 15.0f);
    names.run("del a");
    EXPECT_EQ(frees(), 1);
    EXPECT_EQ(static_cast<float*>(image->image()->pix_data_ptr)[15], 0.5f);
}

TEST_F(ImageLifetimeTest, AnAdoptedArrayOutlivesItsImageWithItsOwnMemory)
{
    Namespace names;
    auto image = numberedFloats(names);
    names.run("del a");
    PyRef replacement = names.eval("array.array('f', [0.5] * 16)");
    GlueHelpers::ImageIO::setPixelBuffer(image.get(), replacement.get());
    replacement.reset();
    EXPECT_EQ(frees(), 1);
    names.give("pixels", GlueHelpers::ImageIO::getPixelBuffer(image.get()));
    names.run("kept = pixels()");
    image.reset();
    EXPECT_EQ(frees(), 1); // the library never frees memory that is the array's
    // The array is an ordinary one again: its memory, its size to change.
    EXPECT_TRUE(names.run("kept.append(2.0)"));
    EXPECT_TRUE(names.evalTrue("len(kept) == 17"));
    EXPECT_EQ(lastFloat(names, "kept"), 2.0f);
}

TEST_F(ImageLifetimeTest, ResizingMovesTheArrayWithTheBufferUnlessAViewHoldsIt)
{
    Namespace names;
    auto image = numberedFloats(names);
    Gan_Image* raw = image->image();

    ASSERT_EQ(gan_image_set_gen(raw, GAN_GREY_LEVEL_IMAGE, GAN_FLOAT, 8, 4), raw);
    EXPECT_EQ(names.evalLong("len(a)"), 32);
    EXPECT_EQ(names.text("a.buffer_info()[0]"), std::to_string(reinterpret_cast<uintptr_t>(raw->pix_data_ptr)));
    EXPECT_TRUE(names.evalTrue("a[15] == 15.0"));

    names.run("view = memoryview(a)");
    void* before = raw->pix_data_ptr;
    EXPECT_EQ(gan_image_set_gen(raw, GAN_GREY_LEVEL_IMAGE, GAN_FLOAT, 16, 4), nullptr);
    EXPECT_EQ(raw->height, 8u);
    EXPECT_EQ(raw->pix_data_ptr, before);
    EXPECT_EQ(names.evalLong("len(view)"), 32);
    names.run("view.release()");

    // Memory the array owns is resized by Python's allocator, not the library's.
    PyRef replacement = names.eval("array.array('f', [0.5] * 32)");
    GlueHelpers::ImageIO::setPixelBuffer(image.get(), replacement.get());
    RecordingHooks::journal().calls.clear();
    ASSERT_EQ(gan_image_set_gen(raw, GAN_GREY_LEVEL_IMAGE, GAN_FLOAT, 2, 4), raw);
    EXPECT_FALSE(RecordingHooks::journal().calls.join(' ').contains("resize"));
    names.give("pixels", GlueHelpers::ImageIO::getPixelBuffer(image.get()));
    EXPECT_EQ(names.evalLong("len(pixels())"), 8);
    EXPECT_EQ(names.text("pixels().buffer_info()[0]"),
              std::to_string(reinterpret_cast<uintptr_t>(raw->pix_data_ptr)));
    EXPECT_EQ(raw->pix_data_size, 32u);
    EXPECT_EQ(raw->release_struct, 1); // re-forming over the new block keeps the record the library's to free
}

TEST_F(ImageLifetimeTest, AHookThatMovesTheBufferTakesTheArrayAlong)
{
    Namespace names;
    auto image = numberedFloats(names);
    RecordingHooks::journal().moveOnLock = true;
    const void* before = image->image()->pix_data_ptr;
    image->flip();
    EXPECT_NE(image->image()->pix_data_ptr, before);
    EXPECT_EQ(names.text("a.buffer_info()[0]"),
              std::to_string(reinterpret_cast<uintptr_t>(image->image()->pix_data_ptr)));
    EXPECT_EQ(lastFloat(names, "a"), 3.0f); // the first row is last now
}

TEST_F(ImageLifetimeTest, TheBridgeStaysInFrontWhenAnEarlierHookThrows)
{
    Namespace names;
    auto image = numberedFloats(names);
    Gan_Image* raw = image->image();
    const Gan_MemoryHooks* bridge = raw->hooks;
    void* link = raw->hook_data;
    ASSERT_NE(bridge, RecordingHooks::table());

    RecordingHooks::journal().throwOnResize = true;
    EXPECT_THROW(gan_image_set_gen(raw, GAN_GREY_LEVEL_IMAGE, GAN_FLOAT, 8, 4), std::runtime_error);
    RecordingHooks::journal().throwOnResize = false;
    EXPECT_EQ(raw->hooks, bridge);
    EXPECT_EQ(raw->hook_data, link);
    names.run("del a");
    image.reset();
    EXPECT_EQ(frees(), 1);
}

TEST_F(ImageLifetimeTest, FreeingGivesTheImageItsOwnHooksBack)
{
    Gan_Image record{};
    ASSERT_EQ(gan_image_form_gen(&record, GAN_GREY_LEVEL_IMAGE, GAN_UCHAR, 2, 2, 2, true, nullptr, 0, nullptr, 0),
              &record);
    RecordingHooks::install(&record);
    {
        ImageData image{Bsc::detail::GanImage_Ptr<Gan_Image>(&record), ImageLocation()};
        EXPECT_NE(record.hooks, RecordingHooks::table());
    }
    EXPECT_EQ(frees(), 1);
    EXPECT_EQ(record.hooks, RecordingHooks::table());
    EXPECT_EQ(record.hook_data, &RecordingHooks::journal());
    EXPECT_EQ(record.pix_data_ptr, nullptr);
}

// Frees the image on a worker thread.
void releaseOnWorker(std::unique_ptr<ImageData>& image, QThread*& worker)
{
    worker = QThread::create([&image] { image.reset(); });
    worker->start();
}

TEST_F(ImageLifetimeTest, AnImageFreedOnAnotherThreadTakesTheInterpreterLockForItsArray)
{
    Namespace names;
    auto image = numberedFloats(names);
    names.run("del a");

    // The free needs the lock this thread holds: it waits until it is given up.
    QThread* worker = nullptr;
    releaseOnWorker(image, worker);
    EXPECT_FALSE(worker->wait(200));
    EXPECT_EQ(frees(), 0);
    PyThreadState* state = PyEval_SaveThread();
    worker->wait();
    PyEval_RestoreThread(state);
    delete worker;
    EXPECT_EQ(frees(), 1);
    EXPECT_TRUE(names.evalTrue("pixels() is None"));

    // An array that Python holds keeps its memory across a free elsewhere.
    auto second = numberedFloats(names);
    state = PyEval_SaveThread();
    releaseOnWorker(second, worker);
    worker->wait();
    PyEval_RestoreThread(state);
    delete worker;
    EXPECT_EQ(frees(), 1);
    EXPECT_EQ(lastFloat(names, "a"), 15.0f);
    names.run("del a");
    EXPECT_EQ(frees(), 2);
}

} // namespace
