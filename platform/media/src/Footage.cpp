// Footage reading and still-image writing: through the registered image
// reader and writer modules for the files they take, else through the image
// kit's codecs (OpenImageIO for stills, OpenCV for movies).
#include "Dururev/Dururev.h"
#include "Dururev/FootageDescription.h"
#include "Dururev/FrameImage.h"
#include "Dururev/ImageKit.h"

#include "FootageParts.h"
#include "ModuleFootage.h"

#include "TQI/ImageIO_Router.h"
#include "TQI/ImageSequenceIdentifier.h"

#include <Bsc/FileWrite.h>

#include <QCoreApplication>
#include <QFileInfo>

#include <algorithm>

namespace Dururev {

namespace {

std::string localPath(const QString& path)
{
    return path.toUtf8().toStdString();
}

ImageIOModule* readerFor(const QString& path)
{
    return imageSuite(true)->moduleForReading(path);
}

// Footage without a frame rate of its own plays at the library's default.
float frameRateOr24(float recorded)
{
    return recorded > 0.0f ? recorded : FootageDescription().frameRate;
}

void describeMovie(const QString& path, const ImageKit::FileHeader& header, FootageDescription& description)
{
    const QFileInfo file(path);
    FootageDescription found;
    found.isMovie = true;
    found.width = unsigned(header.width);
    found.height = unsigned(header.height);
    found.frameRate = frameRateOr24(header.frameRate);
    found.folder = file.absolutePath();
    found.prefix = file.fileName();
    found.firstIndex = 0;
    found.lastIndex = unsigned(header.frames - 1);
    description = found;
}

} // namespace

namespace detail {

void describeStill(const QString& path, unsigned int width, unsigned int height, float frameRate,
                   FootageDescription& description)
{
    const QFileInfo file(path);
    FootageDescription found;
    found.width = width;
    found.height = height;
    found.frameRate = frameRate;
    found.folder = file.absolutePath();
    const TQI_ImageSequenceIdentifier name("file://" + localPath(file.absoluteFilePath()), false);
    found.prefix = QString::fromStdString(name.prefix());
    found.suffix = QString::fromStdString(name.suffix());
    found.indexWidth = name.indexWidth();
    name.findRange(found.firstIndex, found.lastIndex);
    description = found;
}

} // namespace detail

bool describeFootage(const QString& path, FootageDescription& description)
{
    if (ImageIOModule* module = readerFor(path))
        return module::describe(*module, path, description);
    ImageKit::FileHeader header;
    if (!QFileInfo(path).isFile() || !codecs().readHeader(path, header))
        return false;
    if (header.width <= 0 || header.height <= 0 || header.frames <= 0)
        return false;
    if (header.movie)
        describeMovie(path, header, description);
    else
        detail::describeStill(path, unsigned(header.width), unsigned(header.height),
                              frameRateOr24(header.frameRate), description);
    return true;
}

Gan_ImageFormat ganFormatOf(int channels)
{
    static const Gan_ImageFormat formats[] = {GAN_GREY_LEVEL_IMAGE, GAN_GREY_LEVEL_ALPHA_IMAGE, GAN_RGB_COLOUR_IMAGE,
                                              GAN_RGB_COLOUR_ALPHA_IMAGE};
    return formats[std::clamp(channels, 1, 4) - 1];
}

Gan_Type ganTypeOf(FrameImage::ChannelType type)
{
    switch (type) {
    case FrameImage::UInt16:
        return GAN_USHORT;
    case FrameImage::UInt32:
        return GAN_UINT;
    case FrameImage::Float:
        return GAN_FLOAT;
    case FrameImage::Double:
        return GAN_DOUBLE;
    case FrameImage::Half:
        return GAN_UNDEFINED_TYPE;
    case FrameImage::UInt8:
        break;
    }
    return GAN_UCHAR;
}

bool frameLayoutOf(Gan_ImageFormat format, Gan_Type type, unsigned long width, unsigned long height,
                   FrameLayout& layout)
{
    FrameLayout found;
    switch (format) {
    case GAN_GREY_LEVEL_IMAGE:
    case GAN_GREY_LEVEL_ALPHA_IMAGE:
    case GAN_RGB_COLOUR_IMAGE:
    case GAN_RGB_COLOUR_ALPHA_IMAGE:
        found.channels = int(gan_image_format_channels(format));
        break;
    default:
        return false;
    }
    switch (type) {
    case GAN_UCHAR:
        found.channelType = FrameImage::UInt8;
        break;
    case GAN_USHORT:
        found.channelType = FrameImage::UInt16;
        break;
    case GAN_UINT:
        found.channelType = FrameImage::UInt32;
        break;
    case GAN_FLOAT:
        found.channelType = FrameImage::Float;
        break;
    case GAN_DOUBLE:
        found.channelType = FrameImage::Double;
        break;
    default:
        return false;
    }
    if (width == 0 || height == 0 || width > 0x7FFFFFFFul || height > 0x7FFFFFFFul)
        return false;
    found.width = int(width);
    found.height = int(height);
    layout = found;
    return true;
}

bool readFrameInto(const QString& path, int frame, const std::function<void*(FrameLayout&)>& place)
{
    if (ImageIOModule* module = readerFor(path))
        return module::readInto(*module, path, frame, place);
    return QFileInfo(path).isFile() && codecs().readInto(path, frame, place);
}

bool readFrame(const QString& path, int frame, FrameImage& image, bool eightBitRgb)
{
    FrameImage read;
    auto place = [&](FrameLayout& layout) -> void* {
        if (eightBitRgb) {
            layout.channels = std::min(layout.channels, 3);
            layout.channelType = FrameImage::UInt8;
        }
        read.width = layout.width;
        read.height = layout.height;
        read.channels = layout.channels;
        read.channelType = layout.channelType;
        read.pixels.resize(layout.bytes());
        return read.pixels.empty() ? nullptr : read.pixels.data();
    };
    if (!readFrameInto(path, frame, place))
        return false;
    // A grey picture read as RGB: its one channel (and alpha) become three.
    if (eightBitRgb && read.channels < 3) {
        std::vector<unsigned char> rgb(std::size_t(read.width) * std::size_t(read.height) * 3);
        for (std::size_t p = 0, q = 0; q < rgb.size(); p += std::size_t(read.channels), q += 3)
            rgb[q] = rgb[q + 1] = rgb[q + 2] = read.pixels[p];
        read.pixels = std::move(rgb);
        read.channels = 3;
    }
    image = std::move(read);
    return true;
}

bool writeImage(const QString& path, const FrameImage& image, QString* fileError)
{
    const FrameLayout layout{image.width, image.height, image.channels, image.channelType};
    if (layout.bytes() == 0 || image.pixels.size() < layout.bytes())
        return false;
    if (ImageIOModule* module = imageSuite(true)->moduleForWriting(path))
        return module::write(*module, path, image);
    QByteArray bytes;
    bool unreadable = false;
    if (codecs().encode(path, image, bytes, unreadable))
        return Bsc::writeFile(path, bytes, fileError);
    if (unreadable && fileError)
        *fileError = QCoreApplication::translate("Footage", "Cannot write '%1': %2")
                         .arg(path, QCoreApplication::translate("Footage", "The image does not read back whole"));
    return false;
}

} // namespace Dururev
