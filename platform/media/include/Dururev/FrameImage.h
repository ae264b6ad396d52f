#pragma once

#include <Gandalf/Image.h>

#include <QString>

#include <cstddef>
#include <functional>
#include <vector>

namespace Dururev {

// The pixels of one frame, interleaved, top row first, in the channel type
// the footage stores them in.
struct FrameImage
{
    enum ChannelType { UInt8, UInt16, UInt32, Half, Float, Double };

    int width = 0;
    int height = 0;
    int channels = 0;
    ChannelType channelType = UInt8;
    std::vector<unsigned char> pixels;

    static constexpr std::size_t bytesOf(ChannelType type)
    {
        return type == UInt16 || type == Half ? 2 : type == UInt32 || type == Float ? 4 : type == Double ? 8 : 1;
    }

    bool isNull() const { return pixels.empty(); }
    std::size_t bytesPerChannel() const { return bytesOf(channelType); }
};

// The shape of one frame's pixels: interleaved, top row first, rows packed.
struct FrameLayout
{
    int width = 0;
    int height = 0;
    int channels = 0;
    FrameImage::ChannelType channelType = FrameImage::UInt8;

    // 0 for an empty layout.
    std::size_t bytes() const
    {
        if (width <= 0 || height <= 0 || channels <= 0)
            return 0;
        return std::size_t(width) * std::size_t(height) * std::size_t(channels) * FrameImage::bytesOf(channelType);
    }
    // Whether pixels of this layout can be read as `asked`: the same size,
    // at most as many channels (the first ones), any channel type.
    bool canBeReadAs(const FrameLayout& asked) const
    {
        return asked.width == width && asked.height == height && asked.channels >= 1 && asked.channels <= channels;
    }
};

// The image library's pixel format of 1 to 4 channels (grey, grey and
// alpha, RGB, RGBA; more than four are taken as RGBA), and its channel type
// of a frame's channel type (none for half floats).
Gan_ImageFormat ganFormatOf(int channels);
Gan_Type ganTypeOf(FrameImage::ChannelType type);
// The frame layout of an image library's layout; false when frames cannot
// hold it (other formats than grey, grey and alpha, RGB and RGBA; other
// channel types than 8, 16 and 32-bit unsigned, float and double).
bool frameLayoutOf(Gan_ImageFormat format, Gan_Type type, unsigned long width, unsigned long height,
                   FrameLayout& layout);

// Reads frame `frame` of a file (as readFrame numbers them) straight into
// memory of the caller's. Once the file's layout is known, `place` is asked
// for the buffer: it may lower the channel count (the first channels are
// read) and change the channel type (values are converted as OpenImageIO
// converts them: integers map to 0..1 in reals and back, clamped), and
// returns a buffer of layout.bytes() for the layout it leaves, or null to
// read nothing. False when the file or the frame cannot be read, the layout
// is refused or `place` gives no buffer.
bool readFrameInto(const QString& path, int frame, const std::function<void*(FrameLayout& layout)>& place);

// Reads frame `frame` of a file (0 for a still; the movie frame otherwise;
// movies always give 8-bit RGB). Files that a registered image reader
// module reads (TQI/ImageIO_Router.h) are read by it, here and in
// readFrameInto; a module's failure is thrown.
// With `eightBitRgb` the pixels come as 8-bit RGB whatever the file holds.
// False when the file or the frame cannot be read.
bool readFrame(const QString& path, int frame, FrameImage& image, bool eightBitRgb = false);
// Writes a still image: through the registered image writer module that
// takes the file's extension (its failure is thrown), else in the format
// the extension names, whole or not at all (Bsc/FileWrite.h). False when
// the image cannot be written in that format (an unknown format, a layout
// it refuses, pixels short of the layout); false with `fileError` set
// ("Cannot write '<path>': <reason>") when the file could not be written.
bool writeImage(const QString& path, const FrameImage& image, QString* fileError = nullptr);

} // namespace Dururev
