// The kit's codecs: stills through OpenImageIO (JPEG through the JPEG
// library), encoded in memory for the one write path of the media library;
// movies through OpenCV's FFmpeg backend.
#include "Parts.h"
#include "StillDecoder.h"

#include <OpenImageIO/filesystem.h>
#include <OpenImageIO/imageio.h>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#include <opencv2/videoio.hpp>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <limits>

#include <jpeglib.h>
#include <jerror.h>

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

// The JPEG library ends the process on every error (exit(1) from its
// default handler: a write error, an image over 65500 pixels, memory
// running out), and OpenImageIO's JPEG writer keeps that handler. Stills in
// JPEG are therefore encoded here, with a handler that jumps back out of
// the library, into memory of ours.
struct JpegErrors
{
    jpeg_error_mgr manager; // first: the library sees only this
    std::jmp_buf back;
};

[[noreturn]] void leaveJpeg(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<JpegErrors*>(info->err)->back, 1);
}

void silentJpeg(j_common_ptr) {}

struct JpegBytes
{
    jpeg_destination_mgr manager; // first: the library sees only this
    QByteArray* bytes;
    JOCTET block[65536];

    static JpegBytes& of(j_compress_ptr info) { return *reinterpret_cast<JpegBytes*>(info->dest); }
    static void start(j_compress_ptr info)
    {
        JpegBytes& out = of(info);
        out.manager.next_output_byte = out.block;
        out.manager.free_in_buffer = sizeof out.block;
    }
    // Keeps `size` bytes of the block; a failure ends the encoding.
    static void keep(j_compress_ptr info, std::size_t size)
    {
        JpegBytes& out = of(info);
        bool kept = false;
        try {
            kept = std::size_t(out.bytes->size()) + size <= std::size_t(std::numeric_limits<int>::max());
            if (kept)
                out.bytes->append(reinterpret_cast<const char*>(out.block), int(size));
        } catch (const std::bad_alloc&) {
            kept = false;
        }
        if (!kept) {
            info->err->msg_code = JERR_OUT_OF_MEMORY;
            info->err->error_exit(reinterpret_cast<j_common_ptr>(info));
        }
    }
    static boolean full(j_compress_ptr info)
    {
        keep(info, sizeof of(info).block);
        start(info);
        return TRUE;
    }
    static void end(j_compress_ptr info) { keep(info, sizeof of(info).block - of(info).manager.free_in_buffer); }
};

// 8-bit grey (from one or two channels) or RGB (from three or four), as
// OpenImageIO converts channel types.
bool encodeJpeg(const FrameImage& image, QByteArray& bytes)
{
    const FrameLayout from{image.width, image.height, image.channels, image.channelType};
    const FrameLayout to{image.width, image.height, image.channels >= 3 ? 3 : 1, FrameImage::UInt8};
    std::vector<JSAMPLE> pixels(to.bytes());
    const std::size_t pixelBytes = std::size_t(from.channels) * image.bytesPerChannel();
    if (pixels.empty() || !convertPixels(from, image.pixels.data(), pixelBytes * std::size_t(from.width), pixelBytes, to,
                                         pixels.data()))
        return false;
    const std::size_t row = std::size_t(to.width) * std::size_t(to.channels);

    QByteArray encoded;
    jpeg_compress_struct info = {};
    JpegErrors errors = {};
    JpegBytes out = {};
    info.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = leaveJpeg;
    errors.manager.output_message = silentJpeg;
    out.bytes = &encoded;
    out.manager.init_destination = JpegBytes::start;
    out.manager.empty_output_buffer = JpegBytes::full;
    out.manager.term_destination = JpegBytes::end;
    if (setjmp(errors.back)) {
        jpeg_destroy_compress(&info);
        return false;
    }
    jpeg_create_compress(&info);
    info.dest = &out.manager;
    info.image_width = JDIMENSION(to.width);
    info.image_height = JDIMENSION(to.height);
    info.input_components = to.channels;
    info.in_color_space = to.channels == 3 ? JCS_RGB : JCS_GRAYSCALE;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 98, TRUE); // OpenImageIO's default quality
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW line = pixels.data() + std::size_t(info.next_scanline) * row;
        jpeg_write_scanlines(&info, &line, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    bytes = encoded;
    return true;
}

// OpenImageIO's DPX writer asserts (ending the process) on two channels:
// grey and alpha are written as RGBA.
FrameImage greyAlphaAsRgba(const FrameImage& image)
{
    FrameImage rgba;
    rgba.width = image.width;
    rgba.height = image.height;
    rgba.channels = 4;
    rgba.channelType = image.channelType;
    const std::size_t channel = image.bytesPerChannel();
    const std::size_t pixels = std::size_t(image.width) * std::size_t(image.height);
    rgba.pixels.resize(pixels * 4 * channel);
    for (std::size_t p = 0; p < pixels; ++p) {
        const unsigned char* grey = image.pixels.data() + p * 2 * channel;
        unsigned char* to = rgba.pixels.data() + p * 4 * channel;
        for (int c = 0; c < 3; ++c)
            std::memcpy(to + std::size_t(c) * channel, grey, channel);
        std::memcpy(to + 3 * channel, grey + channel, channel);
    }
    return rgba;
}

// The whole image through an OpenImageIO writer opened on `name`.
// False when the writer refuses the image, or took it (`opened` set) and
// failed as it wrote.
bool writeWhole(OIIO::ImageOutput& output, const std::string& name, const FrameImage& image, bool* opened = nullptr)
{
    const OIIO::TypeDesc type = typeOf(image.channelType);
    const bool took = output.open(name, OIIO::ImageSpec(image.width, image.height, image.channels, type));
    if (opened)
        *opened = took;
    const bool written = took && output.write_image(type, image.pixels.data()) && output.close();
    output.geterror();
    return written;
}

// Whether the still at `name` reads back at the size of `image`, every
// pixel decoded.
bool readsBackWhole(const std::string& name, const FrameImage& image)
{
    const std::unique_ptr<OIIO::ImageInput> input = OIIO::ImageInput::open(name);
    OIIO::geterror();
    if (!input)
        return false;
    const OIIO::ImageSpec& written = input->spec();
    if (written.width != image.width || written.height != image.height || written.nchannels < 1)
        return false;
    std::vector<float> pixels(std::size_t(written.width) * std::size_t(written.height) * std::size_t(written.nchannels));
    const bool whole = input->read_image(0, 0, 0, written.nchannels, OIIO::TypeDesc::FLOAT, pixels.data());
    input->geterror();
    return whole;
}

// A still of a format OpenImageIO writes only to a named file: written to a
// temporary file of ours, then read. Some of these writers do not check
// their writes: a file they cut short (a file size limit) is found by
// reading it back. A write that fails once the writer took the image sets
// `unreadable`.
bool encodeThroughFile(OIIO::ImageOutput& output, const QString& suffix, const FrameImage& image, QByteArray& bytes,
                       bool& unreadable)
{
    QTemporaryFile file(QDir(QDir::tempPath()).filePath(QStringLiteral("plinx-XXXXXX.") + suffix));
    if (!file.open())
        return false;
    const std::string name = localPath(file.fileName());
    bool opened = false;
    if (!writeWhole(output, name, image, &opened) || !readsBackWhole(name, image)) {
        unreadable = opened;
        return false;
    }
    QFile written(file.fileName());
    if (!written.open(QIODevice::ReadOnly))
        return false;
    bytes = written.readAll();
    return written.error() == QFileDevice::NoError;
}

// OpenCV reports failures of its own as cv::Exception, and memory that
// runs out as std::bad_alloc.
class MovieFile : public MovieEncoder
{
public:
    bool open(const QString& path, int width, int height, double frameRate)
    {
        m_path = localPath(path);
        const int codec = cv::VideoWriter::fourcc('m', 'p', '4', 'v');
        try {
            return m_video.open(m_path, cv::CAP_FFMPEG, codec, frameRate, cv::Size(width, height));
        } catch (const std::exception&) {
            return false;
        }
    }

    bool write(const FrameImage& frame) override
    {
        try {
            const cv::Mat rgb(frame.height, frame.width, CV_8UC3, const_cast<unsigned char*>(frame.pixels.data()));
            cv::Mat bgr;
            cv::cvtColor(rgb, bgr, cv::COLOR_RGB2BGR);
            m_video.write(bgr);
        } catch (const std::exception&) {
            return false;
        }
        ++m_frames;
        return true;
    }

    bool finish() override
    {
        try {
            m_video.release();
            cv::VideoCapture check(m_path, cv::CAP_FFMPEG);
            return check.isOpened() && int(check.get(cv::CAP_PROP_FRAME_COUNT)) == m_frames;
        } catch (const std::exception&) {
            return false;
        }
    }

private:
    std::string m_path;
    cv::VideoWriter m_video;
    int m_frames = 0;
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

    bool encode(const QString& path, const FrameImage& image, QByteArray& bytes, bool& unreadable) override
    {
        unreadable = false;
        try {
            // Before the writer, which may still write into them as it goes.
            std::vector<unsigned char> buffer;
            OIIO::Filesystem::IOVecOutput memory(buffer);
            std::unique_ptr<OIIO::ImageOutput> output = OIIO::ImageOutput::create(localPath(path));
            OIIO::geterror();
            if (!output)
                return false;
            const std::string format = output->format_name();
            if (format == "jpeg")
                return encodeJpeg(image, bytes);
            FrameImage rgba;
            if (format == "dpx" && image.channels == 2)
                rgba = greyAlphaAsRgba(image);
            const FrameImage& written = rgba.isNull() ? image : rgba;
            if (!output->supports("ioproxy"))
                return encodeThroughFile(*output, QFileInfo(path).suffix(), written, bytes, unreadable);
            if (!output->set_ioproxy(&memory) || !writeWhole(*output, localPath(path), written)
                || buffer.size() > std::size_t(std::numeric_limits<int>::max()))
                return false;
            bytes = QByteArray(reinterpret_cast<const char*>(buffer.data()), int(buffer.size()));
            return true;
        } catch (const std::exception&) {
            return false; // memory ran out
        }
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

void workOnCallingThreads()
{
    OIIO::attribute("threads", 1);
    OIIO::attribute("exr_threads", -1); // OpenEXR's pool is never started
    cv::setNumThreads(0);
}

Codecs& fileCodecs()
{
    static FileCodecs codecs;
    return codecs;
}

} // namespace ImageKit
