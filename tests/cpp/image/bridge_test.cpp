// ImageData and the array bridge as scripts use them: arrays over the image
// memory per channel type, item writes, flips, and set_pixels with its
// refusals and its clearing of the caller's names.

#include "BridgeTestSupport.h"

#include "Project/wrappers/ImageIOGlue.h"
#include "Project/wrappers/PyExceptions.h"

#include <Rirediro/ErrorHandling/VUVI_CoreErrors.h>

#include <cstring>

namespace {

using namespace BridgeTest;

const auto* const interpreter = ::testing::AddGlobalTestEnvironment(new Interpreter);

class ImageBridgeTest : public ::testing::Test
{
protected:
    void SetUp() override { RecordingHooks::journal() = RecordingHooks(); }

    // The image's pixel array, reachable in `names` as `pixels` (the weak
    // reference) and `a` (the array).
    static void expose(ImageData& image, Namespace& names)
    {
        names.give("pixels", GlueHelpers::ImageIO::getPixelBuffer(&image));
        names.run("a = pixels()");
    }

    static std::string address(const void* pointer) { return std::to_string(reinterpret_cast<uintptr_t>(pointer)); }
};

// The exception a call throws, as its class name and text.
template <typename Call>
std::string refusal(Call call)
{
    try {
        call();
    } catch (const VUVI_AssertionFailed& e) {
        return std::string("AssertionError: ") + e.what();
    } catch (const VUVI_BadSize& e) {
        return std::string("BufferError: ") + e.what();
    } catch (const VUVI_BadArgument& e) {
        return std::string("ValueError: ") + e.what();
    } catch (const VUVI_BadState& e) {
        return std::string("RuntimeError: ") + e.what();
    } catch (const PyExceptions::PyTypeError& e) {
        return std::string("TypeError: ") + e.what();
    }
    return "no refusal";
}

TEST_F(ImageBridgeTest, EveryChannelTypeGetsItsTypeCodeOverTheImageMemory)
{
    struct Case
    {
        Gan_Type type;
        const char* code;
    };
    const Case cases[] = {
        {GAN_CHAR, "b"},         {GAN_UCHAR, "B"},    {GAN_SHORT, "h"},    {GAN_USHORT, "H"},   {GAN_INT, "i"},
        {GAN_UINT, "I"},         {GAN_LONG, "l"},     {GAN_ULONG, "L"},    {GAN_FLOAT, "f"},    {GAN_DOUBLE, "d"},
        {GAN_LONGDOUBLE, "b"},   {GAN_STRING, "b"},   {GAN_BOOL, "b"},     {GAN_POINTER, "b"},  {GAN_LONGLONG, "b"},
        {GAN_UINT10, "b"},       {GAN_UINT12, "b"},   {GAN_UNDEFINED_TYPE, "b"},
    };
    for (const Case& c : cases) {
        ImageData image(recordedImage(c.type, 3, 4, GAN_RGB_COLOUR_IMAGE), ImageLocation());
        Namespace names;
        const size_t bytes = image.image()->pix_data_size;
        if (bytes == 0) {
            // No pixel memory, no array.
            names.give("pixels", GlueHelpers::ImageIO::getPixelBuffer(&image));
            EXPECT_TRUE(names.evalTrue("pixels is None")) << c.type;
            continue;
        }
        expose(image, names);
        EXPECT_EQ(names.text("a.typecode"), c.code) << c.type;
        EXPECT_EQ(size_t(names.evalLong("len(a)")), bytes / size_t(names.evalLong("a.itemsize"))) << c.type;
        EXPECT_EQ(names.text("a.buffer_info()[0]"), address(image.image()->pix_data_ptr)) << c.type;
    }
}

TEST_F(ImageBridgeTest, ItemWritesChangeTheImageAndCopiesShareOneArray)
{
    ImageData image(recordedImage(GAN_FLOAT, 2, 3), ImageLocation());
    Namespace names;
    expose(image, names);
    names.run("a[4] = 2.5");
    EXPECT_EQ(static_cast<float*>(image.image()->pix_data_ptr)[4], 2.5f);

    // Copies, and a second value over the same image, share the image and its one array.
    ImageData copy = image;
    ImageData again(Bsc::detail::GanImage_Ptr<Gan_Image>(image.image()), ImageLocation());
    EXPECT_TRUE(copy == image && again == image);
    names.give("copy_pixels", GlueHelpers::ImageIO::getPixelBuffer(&copy));
    names.give("again_pixels", GlueHelpers::ImageIO::getPixelBuffer(&again));
    EXPECT_TRUE(names.evalTrue("copy_pixels() is a and again_pixels() is a"));
    EXPECT_TRUE(names.evalTrue("type(pixels).__name__ == 'ReferenceType'"));
}

TEST_F(ImageBridgeTest, AnImagelessValueAnswersEmptyAndRefusesChanges)
{
    ImageData none;
    EXPECT_TRUE(none.isNull());
    EXPECT_TRUE(none == ImageData());
    EXPECT_EQ(none.get_width(), 0u);
    EXPECT_EQ(none.get_height(), 0u);
    EXPECT_EQ(none.get_pixel_format(), UndefinedFormat);
    EXPECT_EQ(none.get_channel_type(), UndefinedType);
    PyRef pixels(GlueHelpers::ImageIO::getPixelBuffer(&none));
    PyRef flipped(GlueHelpers::ImageIO::flippedPixels(&none));
    EXPECT_EQ(pixels.get(), Py_None);
    EXPECT_EQ(flipped.get(), Py_None);

    Namespace names;
    names.run("import array\nbuf = array.array('B', bytes(4))");
    PyObject* buffer = PyDict_GetItemString(names.dict(), "buf");
    const std::string noImage = "RuntimeError: The image data holds no image";
    EXPECT_EQ(refusal([&] { none.set_width(3); }), noImage);
    EXPECT_EQ(refusal([&] { none.set_height(3); }), noImage);
    EXPECT_EQ(refusal([&] { none.set_pixel_format(RGBColorFormat); }), noImage);
    EXPECT_EQ(refusal([&] { none.set_channel_type(FloatType); }), noImage);
    EXPECT_EQ(refusal([&] { none.flip(); }), noImage);
    EXPECT_EQ(refusal([&] { GlueHelpers::ImageIO::setPixelBuffer(&none, buffer); }), noImage);
}

TEST_F(ImageBridgeTest, SettersStoreTheValueOnly)
{
    ImageData image(recordedImage(GAN_UCHAR, 2, 3), ImageLocation());
    void* pixels = image.image()->pix_data_ptr;
    image.set_height(10);
    image.set_width(20);
    image.set_pixel_format(RGBColorAlphaFormat);
    image.set_channel_type(FloatType);
    EXPECT_EQ(image.get_height(), 10u);
    EXPECT_EQ(image.get_width(), 20u);
    EXPECT_EQ(image.get_pixel_format(), RGBColorAlphaFormat);
    EXPECT_EQ(image.get_channel_type(), FloatType);
    EXPECT_EQ(image.image()->pix_data_ptr, pixels);
    EXPECT_EQ(image.image()->pix_data_size, 6u);
    EXPECT_EQ(image.image()->stride, 3u);
}

TEST_F(ImageBridgeTest, FlipsReverseRowsInPlaceOrIntoAnIndependentArray)
{
    ImageData image(recordedImage(GAN_UCHAR, 3, 2), ImageLocation());
    numberBytes(image.image()); // rows 0 1 | 2 3 | 4 5
    Namespace names;
    expose(image, names);
    names.give("flipped", GlueHelpers::ImageIO::flippedPixels(&image));
    EXPECT_EQ(names.text("list(flipped)"), "[4, 5, 2, 3, 0, 1]");
    EXPECT_EQ(names.text("list(a)"), "[0, 1, 2, 3, 4, 5]");
    // An ordinary array with memory of its own.
    EXPECT_TRUE(names.run("flipped.append(9)\nflipped[0] = 7\nflipped.pop()"));
    EXPECT_EQ(names.text("list(a)"), "[0, 1, 2, 3, 4, 5]");

    image.flip();
    EXPECT_EQ(names.text("list(a)"), "[4, 5, 2, 3, 0, 1]");

    // A description larger than the buffer is refused before any pixel moves.
    image.set_height(4);
    const std::string tooLarge = "BufferError: The image's layout needs 8 bytes of pixels, its buffer holds 6";
    EXPECT_EQ(refusal([&] { image.flip(); }), tooLarge);
    EXPECT_EQ(refusal([&] { PyRef copy(image.flippedPixels()); }), tooLarge);
    EXPECT_EQ(names.text("list(a)"), "[4, 5, 2, 3, 0, 1]");
}

TEST_F(ImageBridgeTest, SetPixelsRefusesWrongArraysAndLeavesTheImageAlone)
{
    ImageData image(recordedImage(GAN_FLOAT, 2, 3), ImageLocation());
    ImageData other(recordedImage(GAN_FLOAT, 2, 3), ImageLocation());
    Namespace names;
    names.run("import array");
    names.give("other_pixels", GlueHelpers::ImageIO::getPixelBuffer(&other));
    struct Case
    {
        const char* pixels;
        std::string refusal;
    };
    const Case cases[] = {
        {"array.array('B', bytes(24))", "AssertionError: Expected array type code is 'f', got 'B'"},
        {"array.array('f', [0.0] * 5)", "AssertionError: Expected array size in bytes is '24', got '20'"},
        {"array.array('f', [0.0] * 24)", "AssertionError: Expected array size in bytes is '24', got '96'"},
        {"[0.0] * 6", "TypeError: Pixel data must be an instance of array.array. list instance given"},
        {"None", "TypeError: Pixel data must be an instance of array.array. NoneType instance given"},
        {"other_pixels()", "ValueError: Pixel data already belongs to another image"},
    };
    void* before = image.image()->pix_data_ptr;
    for (const Case& c : cases) {
        PyRef pixels = names.eval(c.pixels);
        EXPECT_EQ(refusal([&] { GlueHelpers::ImageIO::setPixelBuffer(&image, pixels.get()); }), c.refusal);
        EXPECT_EQ(image.image()->pix_data_ptr, before) << c.pixels;
        EXPECT_EQ(image.image()->pix_data_size, 24u) << c.pixels;
    }
    // Right-sized, but the image's description reaches past it.
    image.set_height(3);
    PyRef pixels = names.eval("array.array('f', [0.0] * 6)");
    EXPECT_EQ(refusal([&] { GlueHelpers::ImageIO::setPixelBuffer(&image, pixels.get()); }),
              "BufferError: The image's layout needs 36 bytes of pixels, its buffer holds 24");
    EXPECT_EQ(image.image()->pix_data_ptr, before);
    EXPECT_EQ(RecordingHooks::journal().frees, 0);
}

ImageData* setPixelsTarget = nullptr;

PyObject* setPixelsFromPython(PyObject*, PyObject* pixels)
{
    try {
        GlueHelpers::ImageIO::setPixelBuffer(setPixelsTarget, pixels);
    } catch (const std::exception& e) {
        PyErr_SetString(PyExc_RuntimeError, e.what());
        return nullptr;
    }
    Py_RETURN_NONE;
}

PyMethodDef setPixelsMethod = {"set_pixels", setPixelsFromPython, METH_O, nullptr};

TEST_F(ImageBridgeTest, SetPixelsAdoptsTheArrayAndClearsTheCallersNames)
{
    ImageData image(recordedImage(GAN_UCHAR, 2, 4), ImageLocation());
    setPixelsTarget = &image;
    Namespace names;
    names.give("set_pixels", PyCFunction_New(&setPixelsMethod, nullptr));
    names.give("before", GlueHelpers::ImageIO::getPixelBuffer(&image));
    ASSERT_TRUE(names.run("import array\n"
                          "def fill():\n"
                          "    buf = array.array('B', bytes(range(10, 18)))\n"
                          "    alias = buf\n"
                          "    ids = [id(buf)]\n"
                          "    set_pixels(buf)\n"
                          "    return buf, alias, ids[0]\n"
                          "buf, alias, adopted = fill()\n"));
    EXPECT_TRUE(names.evalTrue("buf is None and alias is None"));
    // The earlier array served the image alone, so it died with its buffer.
    EXPECT_TRUE(names.evalTrue("before() is None"));
    names.give("pixels", GlueHelpers::ImageIO::getPixelBuffer(&image));
    EXPECT_TRUE(names.evalTrue("id(pixels()) == adopted"));
    EXPECT_EQ(names.text("pixels().buffer_info()[0]"), address(image.image()->pix_data_ptr));
    EXPECT_EQ(static_cast<unsigned char*>(image.image()->pix_data_ptr)[7], 17);
    EXPECT_EQ(RecordingHooks::journal().frees, 1); // the previous buffer, once
    // While it is the image's buffer the array cannot be resized.
    EXPECT_TRUE(names.run("try:\n    pixels().append(1)\n    resized = True\n"
                          "except BufferError:\n    resized = False\n"));
    EXPECT_TRUE(names.evalTrue("not resized and len(pixels()) == 8"));

    // Setting the image's own array again changes nothing.
    PyRef same = names.eval("pixels()");
    GlueHelpers::ImageIO::setPixelBuffer(&image, same.get());
    EXPECT_EQ(names.text("pixels().buffer_info()[0]"), address(image.image()->pix_data_ptr));

    // Wider items count in bytes: six floats for a 2 x 3 float image, and the
    // copy from flipped_pixels goes back in.
    ImageData floats(recordedImage(GAN_FLOAT, 2, 3), ImageLocation());
    setPixelsTarget = &floats;
    ASSERT_TRUE(names.run("set_pixels(array.array('f', [1.5] * 6))"));
    EXPECT_EQ(static_cast<float*>(floats.image()->pix_data_ptr)[5], 1.5f);
    static_cast<float*>(floats.image()->pix_data_ptr)[0] = 4.0f;
    PyRef flipped(floats.flippedPixels());
    GlueHelpers::ImageIO::setPixelBuffer(&floats, flipped.get());
    EXPECT_EQ(static_cast<float*>(floats.image()->pix_data_ptr)[3], 4.0f);
    setPixelsTarget = nullptr;
}

} // namespace
