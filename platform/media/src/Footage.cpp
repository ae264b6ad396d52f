// Footage reading and still-image writing over OpenImageIO.
#include "Dururev/FootageDescription.h"
#include "Dururev/FrameImage.h"

#include "MovieReader.h"

#include "TQI/ImageSequenceIdentifier.h"

#include <OpenImageIO/imageio.h>

#include <QDir>
#include <QFileInfo>

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

float recordedFrameRate(const OIIO::ImageSpec& spec, float fallback)
{
    int rational[2] = {0, 0};
    if (spec.getattribute("FramesPerSecond", OIIO::TypeRational, rational) && rational[0] > 0 && rational[1] > 0)
        return float(rational[0]) / float(rational[1]);
    for (const char* name : {"FramesPerSecond", "dpx:FrameRate", "dpx:TemporalFrameRate"}) {
        const float rate = spec.get_float_attribute(name, 0.0f);
        if (rate > 0.0f)
            return rate;
    }
    return fallback;
}

QString numbered(const QString& prefix, unsigned int index, unsigned int width, const QString& suffix)
{
    return prefix + QStringLiteral("%1").arg(index, int(width), 10, QLatin1Char('0')) + suffix;
}

// The run of numbered files around the named one, as far as it is unbroken.
void findSequence(FootageDescription& description, unsigned int index)
{
    const QDir folder(description.folder);
    auto exists = [&](unsigned int candidate) {
        return QFileInfo(folder.filePath(numbered(description.prefix, candidate, description.indexWidth,
                                                  description.suffix)))
            .isFile();
    };
    unsigned int first = index;
    while (first > 0 && exists(first - 1))
        --first;
    unsigned int last = index;
    while (last < 0xFFFFFFFFu && exists(last + 1))
        ++last;
    description.firstIndex = first;
    description.lastIndex = last;
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

} // namespace

bool describeFootage(const QString& path, FootageDescription& description)
{
    if (movie::isMovie(path))
        return QFileInfo(path).isFile() && movie::describe(path, description);
    std::unique_ptr<OIIO::ImageInput> input = openInput(path);
    if (!input)
        return false;
    const OIIO::ImageSpec& spec = input->spec();
    if (spec.width <= 0 || spec.height <= 0)
        return false;

    const QFileInfo file(path);
    FootageDescription found;
    found.width = unsigned(spec.width);
    found.height = unsigned(spec.height);
    found.folder = file.absolutePath();
    const TQI_ImageSequenceIdentifier name(file.fileName().toUtf8().toStdString(), false);
    found.prefix = QString::fromStdString(name.prefix());
    found.suffix = QString::fromStdString(name.suffix());
    found.indexWidth = name.indexWidth();
    found.frameRate = recordedFrameRate(spec, 24.0f);
    if (found.indexWidth > 0)
        findSequence(found, name.index());
    description = found;
    return true;
}

std::size_t FrameImage::bytesPerChannel() const
{
    return typeOf(channelType).size();
}

bool readFrame(const QString& path, int frame, FrameImage& image, bool eightBitRgb)
{
    if (movie::isMovie(path))
        return QFileInfo(path).isFile() && movie::read(path, frame, image);
    std::unique_ptr<OIIO::ImageInput> input = openInput(path);
    if (!input || frame < 0 || !input->seek_subimage(frame, 0))
        return false;
    const OIIO::ImageSpec& spec = input->spec();
    FrameImage read;
    read.width = spec.width;
    read.height = spec.height;
    read.channels = eightBitRgb ? 3 : spec.nchannels;
    read.channelType = eightBitRgb ? FrameImage::UInt8 : channelTypeOf(spec.format);
    read.pixels.resize(std::size_t(read.width) * std::size_t(read.height) * std::size_t(read.channels)
                       * read.bytesPerChannel());
    const int readChannels = std::min(read.channels, spec.nchannels);
    const OIIO::stride_t pixelStride = OIIO::stride_t(read.channels * read.bytesPerChannel());
    if (!input->read_image(frame, 0, 0, readChannels, typeOf(read.channelType), read.pixels.data(), pixelStride)) {
        OIIO::geterror();
        return false;
    }
    // A grey still read as RGB: repeat its one channel.
    if (eightBitRgb && readChannels < 3) {
        for (std::size_t p = 0; p < read.pixels.size(); p += 3) {
            for (int c = readChannels; c < 3; ++c)
                read.pixels[p + std::size_t(c)] = read.pixels[p];
        }
    }
    image = std::move(read);
    return true;
}

std::size_t FrameLayout::bytes() const
{
    if (width <= 0 || height <= 0 || channels <= 0)
        return 0;
    return std::size_t(width) * std::size_t(height) * std::size_t(channels) * typeOf(channelType).size();
}

namespace {

// A layout `place` may ask for: the file's, with fewer channels or another type.
bool acceptable(const FrameLayout& asked, const FrameLayout& file)
{
    return asked.width == file.width && asked.height == file.height && asked.channels >= 1
           && asked.channels <= file.channels;
}

bool readMovieFrameInto(const QString& path, int frame, const std::function<void*(FrameLayout&)>& place)
{
    FrameImage decoded;
    if (!QFileInfo(path).isFile() || !movie::read(path, frame, decoded))
        return false;
    const FrameLayout file{decoded.width, decoded.height, decoded.channels, decoded.channelType};
    FrameLayout asked = file;
    void* buffer = place(asked);
    if (!buffer || !acceptable(asked, file))
        return false;
    const std::size_t pixelBytes = std::size_t(file.channels) * decoded.bytesPerChannel();
    return OIIO::convert_image(asked.channels, asked.width, asked.height, 1, decoded.pixels.data(),
                               typeOf(file.channelType), OIIO::stride_t(pixelBytes),
                               OIIO::stride_t(pixelBytes * std::size_t(file.width)), OIIO::AutoStride, buffer,
                               typeOf(asked.channelType), OIIO::AutoStride, OIIO::AutoStride, OIIO::AutoStride);
}

} // namespace

bool readFrameInto(const QString& path, int frame, const std::function<void*(FrameLayout&)>& place)
{
    if (movie::isMovie(path))
        return readMovieFrameInto(path, frame, place);
    std::unique_ptr<OIIO::ImageInput> input = openInput(path);
    if (!input || frame < 0 || !input->seek_subimage(frame, 0))
        return false;
    const OIIO::ImageSpec& spec = input->spec();
    const FrameLayout file{spec.width, spec.height, spec.nchannels, channelTypeOf(spec.format)};
    if (file.bytes() == 0)
        return false;
    FrameLayout asked = file;
    void* buffer = place(asked);
    if (!buffer || !acceptable(asked, file))
        return false;
    if (!input->read_image(frame, 0, 0, asked.channels, typeOf(asked.channelType), buffer)) {
        OIIO::geterror();
        return false;
    }
    return true;
}

bool writeImage(const QString& path, const FrameImage& image)
{
    if (image.isNull())
        return false;
    std::unique_ptr<OIIO::ImageOutput> output = OIIO::ImageOutput::create(localPath(path));
    if (!output) {
        OIIO::geterror();
        return false;
    }
    const OIIO::ImageSpec spec(image.width, image.height, image.channels, typeOf(image.channelType));
    const bool written = output->open(localPath(path), spec) && output->write_image(typeOf(image.channelType),
                                                                                       image.pixels.data())
                         && output->close();
    if (!written)
        output->geterror();
    return written;
}

} // namespace Dururev
