// Footage reading and still-image writing: through the registered image
// reader and writer modules for the files they take, else over OpenImageIO
// (stills) and OpenCV (movies).
#include "Dururev/Dururev.h"
#include "Dururev/FootageDescription.h"
#include "Dururev/FrameImage.h"

#include "FootageParts.h"
#include "ModuleFootage.h"
#include "MovieReader.h"

#include "TQI/ImageIO_Router.h"
#include "TQI/ImageSequenceIdentifier.h"

#include <OpenImageIO/imageio.h>

#include <QFileInfo>

#include <algorithm>
#include <memory>

namespace Dururev {

namespace {

std::string localPath(const QString& path)
{
    return path.toUtf8().toStdString();
}

std::unique_ptr<OIIO::ImageInput> openInput(const QString& path)
{
    if (!QFileInfo(path).isFile())
        return nullptr;
    std::unique_ptr<OIIO::ImageInput> input = OIIO::ImageInput::open(localPath(path));
    OIIO::geterror(); // a failure leaves its text behind otherwise
    return input;
}

float recordedFrameRate(const OIIO::ImageSpec& header, float fallback)
{
    int rational[2] = {0, 0};
    if (header.getattribute("FramesPerSecond", OIIO::TypeRational, rational) && rational[0] > 0 && rational[1] > 0)
        return float(rational[0]) / float(rational[1]);
    for (const char* name : {"FramesPerSecond", "dpx:FrameRate", "dpx:TemporalFrameRate"}) {
        const float rate = header.get_float_attribute(name, 0.0f);
        if (rate > 0.0f)
            return rate;
    }
    return fallback;
}

FrameImage::ChannelType channelTypeOf(OIIO::TypeDesc type)
{
    switch (type.basetype) {
    case OIIO::TypeDesc::UINT16:
    case OIIO::TypeDesc::INT16:
        return FrameImage::UInt16;
    case OIIO::TypeDesc::UINT32:
    case OIIO::TypeDesc::INT32:
        return FrameImage::UInt32;
    case OIIO::TypeDesc::HALF:
        return FrameImage::Half;
    case OIIO::TypeDesc::FLOAT:
        return FrameImage::Float;
    case OIIO::TypeDesc::DOUBLE:
        return FrameImage::Double;
    default:
        return FrameImage::UInt8;
    }
}

ImageIOModule* readerFor(const QString& path)
{
    return imageSuite(true)->moduleForReading(path);
}

} // namespace

namespace detail {

OIIO::TypeDesc typeOf(FrameImage::ChannelType type)
{
    switch (type) {
    case FrameImage::UInt16:
        return OIIO::TypeDesc::UINT16;
    case FrameImage::UInt32:
        return OIIO::TypeDesc::UINT32;
    case FrameImage::Half:
        return OIIO::TypeDesc::HALF;
    case FrameImage::Float:
        return OIIO::TypeDesc::FLOAT;
    case FrameImage::Double:
        return OIIO::TypeDesc::DOUBLE;
    case FrameImage::UInt8:
        break;
    }
    return OIIO::TypeDesc::UINT8;
}

bool acceptable(const FrameLayout& asked, const FrameLayout& file)
{
    return asked.width == file.width && asked.height == file.height && asked.channels >= 1
           && asked.channels <= file.channels;
}

bool convertInto(const FrameLayout& file, const void* pixels, std::size_t rowBytes, std::size_t pixelBytes,
                 const FrameLayout& asked, void* buffer)
{
    return OIIO::convert_image(asked.channels, asked.width, asked.height, 1, pixels, typeOf(file.channelType),
                               OIIO::stride_t(pixelBytes), OIIO::stride_t(rowBytes), OIIO::AutoStride, buffer,
                               typeOf(asked.channelType), OIIO::AutoStride, OIIO::AutoStride, OIIO::AutoStride);
}

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
    if (movie::isMovie(path))
        return QFileInfo(path).isFile() && movie::describe(path, description);
    std::unique_ptr<OIIO::ImageInput> input = openInput(path);
    OIIO::ImageSpec header;
    if (!input || !input->seek_subimage(0, 0, header))
        return false;
    if (header.width <= 0 || header.height <= 0)
        return false;
    detail::describeStill(path, unsigned(header.width), unsigned(header.height), recordedFrameRate(header, 24.0f),
                          description);
    return true;
}

std::size_t FrameImage::bytesPerChannel() const
{
    return detail::typeOf(channelType).size();
}

std::size_t FrameLayout::bytes() const
{
    if (width <= 0 || height <= 0 || channels <= 0)
        return 0;
    return std::size_t(width) * std::size_t(height) * std::size_t(channels) * detail::typeOf(channelType).size();
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

namespace {

bool readMovieFrameInto(const QString& path, int frame, const std::function<void*(FrameLayout&)>& place)
{
    FrameImage decoded;
    if (!QFileInfo(path).isFile() || !movie::read(path, frame, decoded))
        return false;
    const FrameLayout file{decoded.width, decoded.height, decoded.channels, decoded.channelType};
    FrameLayout asked = file;
    void* buffer = place(asked);
    if (!buffer || !detail::acceptable(asked, file))
        return false;
    const std::size_t pixelBytes = std::size_t(file.channels) * decoded.bytesPerChannel();
    return detail::convertInto(file, decoded.pixels.data(), pixelBytes * std::size_t(file.width), pixelBytes, asked,
                               buffer);
}

} // namespace

bool readFrameInto(const QString& path, int frame, const std::function<void*(FrameLayout&)>& place)
{
    if (ImageIOModule* module = readerFor(path))
        return module::readInto(*module, path, frame, place);
    if (movie::isMovie(path))
        return readMovieFrameInto(path, frame, place);
    std::unique_ptr<OIIO::ImageInput> input = openInput(path);
    OIIO::ImageSpec header;
    if (!input || frame < 0 || !input->seek_subimage(frame, 0, header))
        return false;
    const FrameLayout file{header.width, header.height, header.nchannels, channelTypeOf(header.format)};
    if (file.bytes() == 0)
        return false;
    FrameLayout asked = file;
    void* buffer = place(asked);
    if (!buffer || !detail::acceptable(asked, file))
        return false;
    if (!input->read_image(frame, 0, 0, asked.channels, detail::typeOf(asked.channelType), buffer)) {
        OIIO::geterror();
        return false;
    }
    return true;
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

bool writeImage(const QString& path, const FrameImage& image)
{
    if (image.isNull())
        return false;
    if (ImageIOModule* module = imageSuite(true)->moduleForWriting(path))
        return module::write(*module, path, image);
    std::unique_ptr<OIIO::ImageOutput> output = OIIO::ImageOutput::create(localPath(path));
    if (!output) {
        OIIO::geterror();
        return false;
    }
    const OIIO::TypeDesc type = detail::typeOf(image.channelType);
    const OIIO::ImageSpec header(image.width, image.height, image.channels, type);
    const bool written = output->open(localPath(path), header) && output->write_image(type, image.pixels.data())
                         && output->close();
    if (!written)
        output->geterror();
    return written;
}

} // namespace Dururev
