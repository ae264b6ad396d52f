// The images of a project clip's frames: read as the clip reads its footage
// (channels, channel type, conversions, views, fields), kept by the
// project's frame manager and let go with it.

#include "ClipTestSupport.h"

#include "Project/wrappers/ColorParameters.h"
#include "Project/wrappers/ImageData.h"

#include <Dururev/FrameImage.h>
#include <Prm/Views.h>
#include <Rirediro/Project/ProjectProperties.h>
#include <Rirediro/Project/VUVI_FrameManager.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

using cliptest::ProjectOfFootage;
using cliptest::ProjectOfSequence;
using Stored = Dururev::FrameImage::ChannelType;

namespace {

constexpr int W = 6;
constexpr int H = 4;

// A still of W x H pixels that all hold `pixel`, stored as `type`.
template <typename T>
Dururev::FrameImage uniformStill(Stored type, const std::vector<T>& pixel)
{
    Dururev::FrameImage image;
    image.width = W;
    image.height = H;
    image.channels = int(pixel.size());
    image.channelType = type;
    image.pixels.resize(std::size_t(W * H) * pixel.size() * sizeof(T));
    for (std::size_t at = 0; at < image.pixels.size(); at += pixel.size() * sizeof(T))
        std::memcpy(image.pixels.data() + at, pixel.data(), pixel.size() * sizeof(T));
    return image;
}

// The values of an image's first pixel, whatever its channel type.
std::vector<double> firstPixel(const Gan_Image* image)
{
    std::vector<double> values;
    const unsigned channels = gan_image_format_channels(image->format);
    for (unsigned c = 0; c < channels; ++c) {
        const void* at = static_cast<const char*>(image->pix_data_ptr) + c * gan_type_sizeof(image->type);
        switch (image->type) {
        case GAN_UCHAR:
            values.push_back(*static_cast<const uint8_t*>(at));
            break;
        case GAN_USHORT:
            values.push_back(*static_cast<const uint16_t*>(at));
            break;
        case GAN_FLOAT:
            values.push_back(double(*static_cast<const float*>(at)));
            break;
        default:
            ADD_FAILURE() << "unexpected channel type " << image->type;
        }
    }
    return values;
}

// Half floats of a few exact values.
constexpr uint16_t HalfOne = 0x3C00, HalfHalf = 0x3800, HalfQuarter = 0x3400;

class FrameImages : public ::testing::Test
{
protected:
    QString path(const QString& name) const { return QDir(m_dir.path()).filePath(name); }

    // Whether every byte of the image is as in `rows`, taking every
    // `step`-th row from `first` on.
    static bool rowsAre(const Gan_Image* image, const Dururev::FrameImage& file, int first, int step)
    {
        const std::size_t rowBytes = std::size_t(file.width) * std::size_t(file.channels);
        for (unsigned long row = 0; row < image->height; ++row) {
            const auto* mine = static_cast<const unsigned char*>(image->pix_data_ptr) + row * image->stride;
            if (std::memcmp(mine, file.pixels.data() + (first + row * step) * rowBytes, rowBytes) != 0)
                return false;
        }
        return true;
    }

    QTemporaryDir m_dir;
};

TEST_F(FrameImages, AFrameComesInTheFilesChannelsAndTypeOrAsTheClipConvertsIt)
{
    struct Case
    {
        const char* what;
        QString file;
        Dururev::FrameImage still;
        ColorConversion conversion;
        Gan_ImageFormat format;
        Gan_Type type;
        std::vector<double> pixel;
    };
    const auto rgb8 = uniformStill<uint8_t>(Stored::UInt8, {10, 20, 30});
    const auto grey16 = uniformStill<uint16_t>(Stored::UInt16, {25700});
    const auto rgbaFloat = uniformStill<float>(Stored::Float, {51 / 255.0f, 102 / 255.0f, 153 / 255.0f, 1.0f});
    const auto greyAlphaHalf = uniformStill<uint16_t>(Stored::Half, {HalfHalf, HalfQuarter});
    const auto fiveFloats = uniformStill<float>(Stored::Float, {0.5f, 0.25f, 1.0f, 0.75f, 0.125f});
    const Case cases[] = {
        {"8-bit RGB", "rgb_0001.png", rgb8, NoneConversion, GAN_RGB_COLOUR_IMAGE, GAN_UCHAR, {10, 20, 30}},
        {"8-bit RGB as floats", "rgb_0001.png", rgb8, FloatConversion, GAN_RGB_COLOUR_IMAGE, GAN_FLOAT,
         {10 / 255.0, 20 / 255.0, 30 / 255.0}},
        {"16-bit grey", "grey_0001.png", grey16, NoneConversion, GAN_GREY_LEVEL_IMAGE, GAN_USHORT, {25700}},
        {"16-bit grey in 8 bits", "grey_0001.png", grey16, _8BitConversion, GAN_GREY_LEVEL_IMAGE, GAN_UCHAR, {100}},
        {"float RGBA", "rgba_0001.tif", rgbaFloat, NoneConversion, GAN_RGB_COLOUR_ALPHA_IMAGE, GAN_FLOAT,
         {51 / 255.0, 102 / 255.0, 153 / 255.0, 1.0}},
        {"float RGBA in 8 bits", "rgba_0001.tif", rgbaFloat, _8BitConversion, GAN_RGB_COLOUR_ALPHA_IMAGE, GAN_UCHAR,
         {51, 102, 153, 255}},
        {"half grey and alpha, as floats", "ga_0001.exr", greyAlphaHalf, NoneConversion, GAN_GREY_LEVEL_ALPHA_IMAGE,
         GAN_FLOAT, {0.5, 0.25}},
        {"the first four of five channels", "five_0001.exr", fiveFloats, NoneConversion, GAN_RGB_COLOUR_ALPHA_IMAGE,
         GAN_FLOAT, {0.5, 0.25, 1.0, 0.75}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QString file = path(c.file);
        ASSERT_TRUE(QFileInfo::exists(file) || Dururev::writeImage(file, c.still));
        ProjectOfFootage made(file);
        made.clip().get_color_parameters()->set_conversion(c.conversion);

        const ImageData image = made.clip().image(0);
        ASSERT_FALSE(image.isNull());
        EXPECT_EQ(image.get_width(), unsigned(W));
        EXPECT_EQ(image.get_height(), unsigned(H));
        EXPECT_EQ(image.image()->format, c.format);
        EXPECT_EQ(image.image()->type, c.type);
        EXPECT_EQ(image.image()->stride, W * gan_image_format_channels(c.format) * gan_type_sizeof(c.type));
        const std::vector<double> pixel = firstPixel(image.image());
        ASSERT_EQ(pixel.size(), c.pixel.size());
        for (std::size_t i = 0; i < pixel.size(); ++i)
            EXPECT_FLOAT_EQ(float(pixel[i]), float(c.pixel[i])) << "channel " << i;
    }
}

// Frames of a megabyte and more, of each stored channel type, read one after
// another with a budget that keeps none: each is decoded whole into a
// buffer that an earlier frame let go, its own pixels in every byte, also
// when its size differs from the clip's first frame.
TEST_F(FrameImages, LargeFramesAreDecodedWholeIntoTheMemoryEarlierFramesLetGo)
{
    struct Case
    {
        const char* what;
        const char* suffix;
        Stored type;
        int channels;
        Gan_Type read;
    };
    const Case cases[] = {
        {"half RGBA", ".exr", Stored::Half, 4, GAN_FLOAT},
        {"float RGB", ".tif", Stored::Float, 3, GAN_FLOAT},
        {"16-bit grey", ".tif", Stored::UInt16, 1, GAN_USHORT},
        {"8-bit RGBA", ".png", Stored::UInt8, 4, GAN_UCHAR},
    };
    const int widths[] = {640, 672, 640};
    const int heights[] = {480, 496, 480};
    // The value k / 256 (1 <= k <= 255; exact in halves) stored at a pixel's channel of a frame. Alpha
    // is opaque in 8 bits: the PNG reader associates it otherwise.
    auto k = [](int frame, int x, int y, int c) {
        return c == 3 ? 255 : (x * 3 + y * 7 + c * 60 + frame * 50) % 251 + 1;
    };
    // Whether the i-th value of pixels read as `type` is k / 256 as that type holds it.
    auto holds = [](const void* pixels, Gan_Type type, std::size_t i, int k) {
        switch (type) {
        case GAN_FLOAT:
            return static_cast<const float*>(pixels)[i] == float(k) / 256.0f;
        case GAN_USHORT:
            return static_cast<const uint16_t*>(pixels)[i] == uint16_t(k * 257);
        default:
            return static_cast<const uint8_t*>(pixels)[i] == uint8_t(k);
        }
    };
    auto halfOf = [](float value) { // for normal values with 11 significant bits at most
        uint32_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        return uint16_t(((int((bits >> 23) & 0xff) - 112) << 10) | ((bits >> 13) & 0x3ff));
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QString folder = path(QString::fromLatin1(c.what).replace(' ', '_'));
        ASSERT_TRUE(QDir().mkpath(folder));
        for (int frame = 0; frame < 3; ++frame) {
            Dururev::FrameImage still;
            still.width = widths[frame];
            still.height = heights[frame];
            still.channels = c.channels;
            still.channelType = c.type;
            still.pixels.resize(std::size_t(still.width) * std::size_t(still.height) * std::size_t(c.channels)
                                * still.bytesPerChannel());
            std::size_t i = 0;
            for (int y = 0; y < still.height; ++y)
                for (int x = 0; x < still.width; ++x)
                    for (int ch = 0; ch < c.channels; ++ch, ++i) {
                        const int value = k(frame, x, y, ch);
                        if (c.type == Stored::Half)
                            reinterpret_cast<uint16_t*>(still.pixels.data())[i] = halfOf(float(value) / 256.0f);
                        else if (c.type == Stored::Float)
                            reinterpret_cast<float*>(still.pixels.data())[i] = float(value) / 256.0f;
                        else if (c.type == Stored::UInt16)
                            reinterpret_cast<uint16_t*>(still.pixels.data())[i] = uint16_t(value * 257);
                        else
                            still.pixels[i] = uint8_t(value);
                    }
            ASSERT_TRUE(Dururev::writeImage(QDir(folder).filePath(QStringLiteral("p_%1%2").arg(frame + 1, 4, 10,
                                                                                             QLatin1Char('0'))
                                                                      .arg(QLatin1String(c.suffix))),
                                            still));
        }
        ProjectOfFootage made(QDir(folder).filePath(QStringLiteral("p_0001") + QLatin1String(c.suffix)));
        made.core().frameManager().setImageCacheBudget(0);
        for (int pass = 0; pass < 2; ++pass) {
            for (int frame = 0; frame < 3; ++frame) {
                SCOPED_TRACE(frame);
                const ImageData image = made.clip().image(unsigned(frame));
                ASSERT_FALSE(image.isNull());
                const Gan_Image& read = *image.image();
                ASSERT_EQ(read.type, c.read);
                ASSERT_EQ(read.width, unsigned(widths[frame]));
                ASSERT_EQ(read.height, unsigned(heights[frame]));
                ASSERT_EQ(gan_image_format_channels(read.format), unsigned(c.channels));
                int wrong = 0;
                std::size_t i = 0;
                for (int y = 0; y < heights[frame]; ++y)
                    for (int x = 0; x < widths[frame]; ++x)
                        for (int ch = 0; ch < c.channels; ++ch, ++i)
                            wrong += holds(read.pix_data_ptr, read.type, i, k(frame, x, y, ch)) ? 0 : 1;
                EXPECT_EQ(wrong, 0);
            }
        }
    }
}

// Every half float is read as the float of the same value: signed zeros,
// subnormals, infinities and NaNs with their payload included; over more
// rows than the decoder converts at a time, and with a fifth channel left
// out (frames have four at most).
TEST_F(FrameImages, EveryHalfFloatIsReadAsTheFloatOfTheSameValue)
{
    // The float of a half's bits, from the two formats' definitions.
    auto floatBits = [](uint16_t half) {
        const uint32_t sign = uint32_t(half & 0x8000u) << 16;
        const int exponent = (half >> 10) & 0x1f;
        const uint32_t fraction = half & 0x3ffu;
        if (exponent == 0x1f)
            return sign | 0x7f800000u | (fraction << 13);
        const float magnitude = exponent == 0 ? std::ldexp(float(fraction), -24)
                                              : std::ldexp(float(fraction | 0x400u), exponent - 25);
        uint32_t bits;
        std::memcpy(&bits, &magnitude, sizeof bits);
        return sign | bits;
    };
    struct Case
    {
        const char* what;
        int channels;
        int width;
        int height;
    };
    const Case cases[] = {{"grey", 1, 100, 660}, {"five channels", 5, 64, 300}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const int read = std::min(c.channels, 4);
        // Channel ch of pixel p holds the half of bits (p * read + ch) mod 2^16: every half once at least.
        auto halfAt = [&](std::size_t p, int ch) {
            return ch < read ? uint16_t((p * std::size_t(read) + std::size_t(ch)) % 65536) : HalfOne;
        };
        const std::size_t pixels = std::size_t(c.width) * std::size_t(c.height);
        ASSERT_GE(pixels * std::size_t(read), 65536u);
        Dururev::FrameImage still;
        still.width = c.width;
        still.height = c.height;
        still.channels = c.channels;
        still.channelType = Stored::Half;
        still.pixels.resize(pixels * std::size_t(c.channels) * 2);
        auto* halves = reinterpret_cast<uint16_t*>(still.pixels.data());
        for (std::size_t p = 0; p < pixels; ++p)
            for (int ch = 0; ch < c.channels; ++ch)
                halves[p * std::size_t(c.channels) + std::size_t(ch)] = halfAt(p, ch);
        const QString file = path(QStringLiteral("%1_0001.exr").arg(c.channels));
        ASSERT_TRUE(Dururev::writeImage(file, still));

        ProjectOfFootage made(file);
        const ImageData image = made.clip().image(0);
        ASSERT_FALSE(image.isNull());
        ASSERT_EQ(image.image()->type, GAN_FLOAT);
        ASSERT_EQ(gan_image_format_channels(image.image()->format), unsigned(read));
        ASSERT_EQ(image.image()->height, unsigned(c.height));
        const auto* values = static_cast<const uint32_t*>(image.image()->pix_data_ptr);
        int wrong = 0;
        for (std::size_t p = 0; p < pixels; ++p)
            for (int ch = 0; ch < read; ++ch) {
                const uint16_t half = halfAt(p, ch);
                const uint32_t bits = values[p * std::size_t(read) + std::size_t(ch)];
                if (bits != floatBits(half) && wrong++ < 5)
                    ADD_FAILURE() << std::hex << "half " << half << " read as " << bits << ", not "
                                  << floatBits(half);
            }
        EXPECT_EQ(wrong, 0);
    }
}

TEST_F(FrameImages, MoviesAndBothConversions)
{
    const QString movie = footage::writeMovie(path("plate.mov"), 3, 24.0);
    ProjectOfFootage made(movie);
    Dururev::FrameImage decoded;
    ASSERT_TRUE(Dururev::readFrame(movie, 2, decoded));

    const ImageData bytes = made.clip().image(2);
    ASSERT_FALSE(bytes.isNull());
    EXPECT_EQ(bytes.image()->type, GAN_UCHAR);
    EXPECT_EQ(std::memcmp(bytes.image()->pix_data_ptr, decoded.pixels.data(), decoded.pixels.size()), 0);

    // Floats win over 8 bits.
    made.editClipInfo([](TQ_ClipInfo& info) {
        info.colorSpaceSettings().floatConversion = 1;
        info.colorSpaceSettings().eightBitConversion = 1;
    });
    const ImageData floats = made.clip().image(2);
    ASSERT_EQ(floats.image()->type, GAN_FLOAT);
    const auto* values = static_cast<const float*>(floats.image()->pix_data_ptr);
    for (std::size_t i = 0; i < decoded.pixels.size(); i += 97)
        EXPECT_FLOAT_EQ(values[i], decoded.pixels[i] / 255.0f);
}

TEST_F(FrameImages, TheProjectKeepsOneImagePerFrameAndLetsItGoWithItself)
{
    ProjectOfSequence made(path("seq"), 1, 3);
    ImageData first = made.clip().image(1);
    ASSERT_FALSE(first.isNull());
    EXPECT_EQ(firstPixel(first.image())[0], footage::redOf(2));

    // The very image again, with what was written into it.
    static_cast<unsigned char*>(first.image()->pix_data_ptr)[0] = 7;
    const ImageData again = made.clip().image(1);
    EXPECT_EQ(again, first);
    EXPECT_EQ(firstPixel(again.image())[0], 7);

    // A copy of its own on request.
    const ImageData own = made.clip().image(1, View(), true);
    EXPECT_NE(own, first);
    EXPECT_EQ(std::memcmp(own.image()->pix_data_ptr, first.image()->pix_data_ptr, first.image()->pix_data_size), 0);
    EXPECT_NE(made.clip().image(1, View(), true), own);

    // Frames the clip cannot produce.
    EXPECT_TRUE(made.clip().image(3).isNull());
    EXPECT_TRUE(made.clip().image(4294967295u).isNull());
    QFile::remove(made.firstFile);
    EXPECT_TRUE(made.clip().image(0).isNull());

    // The holders keep the image; the project lets go of its count.
    EXPECT_EQ(first.image()->ref_count.load(), 3);
    made.project.reset();
    EXPECT_EQ(first.image()->ref_count.load(), 2);
    EXPECT_EQ(firstPixel(first.image())[0], 7);
}

TEST_F(FrameImages, NewFootageIsReadAnewAndChangedFramesOutliveTheBudget)
{
    ProjectOfSequence made(path("seq"), 1, 3);
    VUVI_FrameManager& frames = made.core().frameManager();
    frames.setImageCacheBudget(0);
    const ImageData first = made.clip().image(0);
    made.clip().image(1);
    // Over budget, frame 0 went when frame 1 came; its holder keeps it.
    EXPECT_NE(made.clip().image(0), first);
    EXPECT_EQ(firstPixel(first.image())[0], footage::redOf(1));

    // A frame whose image changed in memory stays.
    const ImageData changed = made.clip().image(1);
    frames.vSetImageHasChanged(made.clip().get_id(), Prm::Context(Prm::Time::fromDouble(1.0), Prm::View(0), 3));
    made.clip().image(2);
    made.clip().image(0);
    EXPECT_EQ(made.clip().image(1), changed);

    // Other footage is read anew.
    const QString other = footage::writeSequence(path("other"), QStringLiteral("o"), 11, 3);
    made.clip().relink(other, QString(), QString(), 11, 13, View());
    const ImageData relinked = made.clip().image(1);
    EXPECT_NE(relinked, changed);
    EXPECT_EQ(firstPixel(relinked.image())[0], footage::redOf(12));
}

TEST_F(FrameImages, EachProjectViewShowsItsClipViewsFootage)
{
    ProjectOfSequence made(path("left"), 1, 3);
    made.core().projectProperties().views()->addView(QStringLiteral("Right"), QStringLiteral("R"));
    made.clip().add_stream(footage::writeSequence(path("right"), QStringLiteral("r"), 21, 3), View(1), 21, 23, true);

    EXPECT_EQ(firstPixel(made.clip().image(0, View(0)).image())[0], footage::redOf(1));
    EXPECT_EQ(firstPixel(made.clip().image(0, View(1)).image())[0], footage::redOf(21));
    made.clip().assign_project_view(View(0), View(1));
    EXPECT_EQ(firstPixel(made.clip().image(0, View(1)).image())[0], footage::redOf(1));
}

TEST_F(FrameImages, AFieldInterlacedClipsFramesAreItsFieldsFirstFieldFirst)
{
    const QString first = footage::writeSequence(path("fields"), QStringLiteral("i"), 1, 2);
    Dururev::FrameImage file1, file2;
    ASSERT_TRUE(Dururev::readFrame(first, 0, file1));
    ASSERT_TRUE(Dururev::readFrame(path("fields/i0002.png"), 0, file2));

    struct Case
    {
        InterlaceMode mode;
        int firstFieldRow;
    };
    for (const Case& c : {Case{UpperFieldFirst, 0}, Case{LowerFieldFirst, 1}}) {
        SCOPED_TRACE(c.mode);
        ProjectOfFootage made(first, c.mode);
        const ImageData frames[] = {made.clip().image(0), made.clip().image(1), made.clip().image(2),
                                    made.clip().image(3)};
        for (const ImageData& frame : frames) {
            ASSERT_FALSE(frame.isNull());
            EXPECT_EQ(frame.get_height(), unsigned(footage::Height / 2));
        }
        EXPECT_TRUE(rowsAre(frames[0].image(), file1, c.firstFieldRow, 2));
        EXPECT_TRUE(rowsAre(frames[1].image(), file1, 1 - c.firstFieldRow, 2));
        EXPECT_TRUE(rowsAre(frames[2].image(), file2, c.firstFieldRow, 2));
        EXPECT_TRUE(rowsAre(frames[3].image(), file2, 1 - c.firstFieldRow, 2));
        EXPECT_TRUE(made.clip().image(4).isNull());
    }
}

TEST_F(FrameImages, ADetachedClipHasNoProjectToAskForImages)
{
    const QString file = footage::writeSequence(path("seq"), QStringLiteral("f"), 1, 1);
    Clip detached(file, QStringLiteral("Plate"), true, 0, 0, 0, nullptr);
    cliptest::expectFailure<VUVI_AssertionFailed>([&] { detached.image(0); },
                                                  "Detected an attempt to use a detached clip with a project");
}

} // namespace
