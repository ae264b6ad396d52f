// The kit's codecs: stills through OpenImageIO, movies through OpenCV's
// FFmpeg backend.
#include "Parts.h"
#include "StillDecoder.h"

#include <OpenImageIO/imageio.h>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#include <opencv2/videoio.hpp>

#include <cstring>

namespace ImageKit {

namespace {

using Dururev::FrameImage;
using Dururev::FrameLayout;

std::string localPath(const QString& path)
{
    return path.toUtf8().toStdString();
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

std::unique_ptr<OIIO::ImageInput> openStill(const QString& path)
{
    std::unique_ptr<OIIO::ImageInput> input = OIIO::ImageInput::open(localPath(path));
    OIIO::geterror(); // a failure leaves its text behind otherwise
    return input;
}

float recordedFrameRate(const OIIO::ImageSpec& header)
{
    int rational[2] = {0, 0};
    if (header.getattribute("FramesPerSecond", OIIO::TypeRational, rational) && rational[0] > 0 && rational[1] > 0)
        return float(rational[0]) / float(rational[1]);
    for (const char* name : {"FramesPerSecond", "dpx:FrameRate", "dpx:TemporalFrameRate"}) {
        const float rate = header.get_float_attribute(name, 0.0f);
        if (rate > 0.0f)
            return rate;
    }
    return 0.0f;
}

bool convertPixels(const FrameLayout& from, const void* pixels, std::size_t rowBytes, std::size_t pixelBytes,
                   const FrameLayout& to, void* buffer)
{
    return OIIO::convert_image(to.channels, to.width, to.height, 1, pixels, typeOf(from.channelType),
                               OIIO::stride_t(pixelBytes), OIIO::stride_t(rowBytes), OIIO::AutoStride, buffer,
                               typeOf(to.channelType), OIIO::AutoStride, OIIO::AutoStride, OIIO::AutoStride);
}

class MovieFile : public MovieEncoder
{
public:
    bool open(const QString& path, int width, int height, double frameRate)
    {
        const int codec = cv::VideoWriter::fourcc('m', 'p', '4', 'v');
        return m_video.open(localPath(path), cv::CAP_FFMPEG, codec, frameRate, cv::Size(width, height));
    }

    void write(const FrameImage& frame) override
    {
        const cv::Mat rgb(frame.height, frame.width, CV_8UC3, const_cast<unsigned char*>(frame.pixels.data()));
        cv::Mat bgr;
        cv::cvtColor(rgb, bgr, cv::COLOR_RGB2BGR);
        m_video.write(bgr);
    }

private:
    cv::VideoWriter m_video;
};

class FileCodecs : public Codecs
{
public:
    bool readHeader(const QString& path, FileHeader& header) override
    {
        return isMovie(path) ? readMovieHeader(path, header) : readStillHeader(path, header);
    }

    float gamma(const QString& path) override
    {
        // Movies record no gamma that their reader passes on.
        if (isMovie(path))
            return 1.0f;
        const std::unique_ptr<OIIO::ImageInput> input = openStill(path);
        if (!input)
            return 1.0f;
        const float gamma = input->spec().get_float_attribute("oiio:Gamma", 1.0f);
        return gamma > 0.0f ? gamma : 1.0f;
    }

    bool readInto(const QString& path, int frame, const Place& place) override
    {
        if (frame < 0)
            return false;
        return isMovie(path) ? readMovieInto(path, frame, place) : readStillInto(path, frame, place);
    }

    bool write(const QString& path, const FrameImage& image) override
    {
        std::unique_ptr<OIIO::ImageOutput> output = OIIO::ImageOutput::create(localPath(path));
        if (!output) {
            OIIO::geterror();
            return false;
        }
        const OIIO::TypeDesc type = typeOf(image.channelType);
        const OIIO::ImageSpec header(image.width, image.height, image.channels, type);
        const bool written = output->open(localPath(path), header)
                             && output->write_image(type, image.pixels.data()) && output->close();
        if (!written)
            output->geterror();
        return written;
    }

    bool convert(const FrameLayout& from, const void* pixels, std::size_t rowBytes, std::size_t pixelBytes,
                 const FrameLayout& to, void* buffer) override
    {
        return convertPixels(from, pixels, rowBytes, pixelBytes, to, buffer);
    }

    std::unique_ptr<MovieEncoder> openMovie(const QString& path, int width, int height, double frameRate) override
    {
        auto movie = std::make_unique<MovieFile>();
        if (!movie->open(path, width, height, frameRate))
            return nullptr;
        return movie;
    }

private:
    static bool isMovie(const QString& path)
    {
        // Choosing the reader by the file name opens nothing.
        const std::unique_ptr<OIIO::ImageInput> reader = OIIO::ImageInput::create(localPath(path));
        OIIO::geterror();
        return reader && std::strcmp(reader->format_name(), "FFmpeg movie") == 0;
    }

    static bool readStillHeader(const QString& path, FileHeader& header)
    {
        const std::unique_ptr<OIIO::ImageInput> input = openStill(path);
        OIIO::ImageSpec format;
        if (!input || !input->seek_subimage(0, 0, format))
            return false;
        FileHeader found;
        found.width = format.width;
        found.height = format.height;
        found.frameRate = recordedFrameRate(format);
        header = found;
        return true;
    }

    // The file is opened and its header read once: the header sizes the
    // buffer `place` gives, and the pixels are decoded straight into it.
    static bool readStillInto(const QString& path, int frame, const Place& place)
    {
        const std::unique_ptr<OIIO::ImageInput> input = openStill(path);
        OIIO::ImageSpec header;
        if (!input || !input->seek_subimage(frame, 0, header))
            return false;
        const FrameLayout file{header.width, header.height, header.nchannels, channelTypeOf(header.format)};
        if (file.bytes() == 0)
            return false;
        FrameLayout asked = file;
        void* buffer = place(asked);
        if (!buffer || !file.canBeReadAs(asked))
            return false;
        if (!decodeStill(*input, frame, header, asked.channels, typeOf(asked.channelType), buffer)) {
            OIIO::geterror();
            return false;
        }
        return true;
    }

    static bool readMovieHeader(const QString& path, FileHeader& header)
    {
        cv::VideoCapture capture(localPath(path), cv::CAP_FFMPEG);
        if (!capture.isOpened())
            return false;
        FileHeader found;
        found.movie = true;
        found.width = int(capture.get(cv::CAP_PROP_FRAME_WIDTH));
        found.height = int(capture.get(cv::CAP_PROP_FRAME_HEIGHT));
        found.frames = int(capture.get(cv::CAP_PROP_FRAME_COUNT));
        const double rate = capture.get(cv::CAP_PROP_FPS);
        found.frameRate = rate > 0.0 ? float(rate) : 0.0f;
        header = found;
        return true;
    }

    // The decoder's BGR frame is turned into RGB straight in the buffer
    // `place` gives, when it asks for 8-bit RGB; converted otherwise.
    static bool readMovieInto(const QString& path, int frame, const Place& place)
    {
        cv::VideoCapture capture(localPath(path), cv::CAP_FFMPEG);
        if (!capture.isOpened() || frame >= int(capture.get(cv::CAP_PROP_FRAME_COUNT)))
            return false;
        capture.set(cv::CAP_PROP_POS_FRAMES, frame);
        cv::Mat bgr;
        if (!capture.read(bgr) || bgr.empty() || bgr.type() != CV_8UC3)
            return false;
        const FrameLayout file{bgr.cols, bgr.rows, 3, FrameImage::UInt8};
        FrameLayout asked = file;
        void* buffer = place(asked);
        if (!buffer || !file.canBeReadAs(asked))
            return false;
        if (asked.channels == file.channels && asked.channelType == file.channelType) {
            cv::Mat rgb(bgr.rows, bgr.cols, CV_8UC3, buffer);
            cv::cvtColor(bgr, rgb, cv::COLOR_BGR2RGB);
            return rgb.data == buffer;
        }
        cv::Mat rgb;
        cv::cvtColor(bgr, rgb, cv::COLOR_BGR2RGB);
        return convertPixels(file, rgb.data, rgb.step, 3, asked, buffer);
    }
};

} // namespace

Codecs& fileCodecs()
{
    static FileCodecs codecs;
    return codecs;
}

} // namespace ImageKit
