#include "MovieReader.h"

#include "Dururev/FootageDescription.h"
#include "Dururev/FrameImage.h"

#include <OpenImageIO/imageio.h>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#include <opencv2/videoio.hpp>

#include <QFileInfo>

#include <cstring>

namespace Dururev {
namespace movie {

bool isMovie(const QString& path)
{
    // Choosing the reader by the file name opens nothing.
    const std::unique_ptr<OIIO::ImageInput> reader = OIIO::ImageInput::create(path.toUtf8().toStdString());
    OIIO::geterror();
    return reader && std::strcmp(reader->format_name(), "FFmpeg movie") == 0;
}

bool describe(const QString& path, FootageDescription& description)
{
    cv::VideoCapture capture(path.toUtf8().toStdString(), cv::CAP_FFMPEG);
    if (!capture.isOpened())
        return false;
    const int width = int(capture.get(cv::CAP_PROP_FRAME_WIDTH));
    const int height = int(capture.get(cv::CAP_PROP_FRAME_HEIGHT));
    const int frames = int(capture.get(cv::CAP_PROP_FRAME_COUNT));
    if (width <= 0 || height <= 0 || frames <= 0)
        return false;
    const double rate = capture.get(cv::CAP_PROP_FPS);
    const QFileInfo file(path);
    FootageDescription found;
    found.isMovie = true;
    found.width = unsigned(width);
    found.height = unsigned(height);
    found.frameRate = rate > 0.0 ? float(rate) : 24.0f;
    found.folder = file.absolutePath();
    found.prefix = file.fileName();
    found.firstIndex = 0;
    found.lastIndex = unsigned(frames - 1);
    description = found;
    return true;
}

bool read(const QString& path, int frame, FrameImage& image)
{
    cv::VideoCapture capture(path.toUtf8().toStdString(), cv::CAP_FFMPEG);
    if (!capture.isOpened() || frame < 0 || frame >= int(capture.get(cv::CAP_PROP_FRAME_COUNT)))
        return false;
    capture.set(cv::CAP_PROP_POS_FRAMES, frame);
    cv::Mat bgr;
    if (!capture.read(bgr) || bgr.empty() || bgr.type() != CV_8UC3)
        return false;
    FrameImage read;
    read.width = bgr.cols;
    read.height = bgr.rows;
    read.channels = 3;
    read.channelType = FrameImage::UInt8;
    read.pixels.resize(std::size_t(bgr.cols) * bgr.rows * 3);
    cv::Mat rgb(bgr.rows, bgr.cols, CV_8UC3, read.pixels.data());
    cv::cvtColor(bgr, rgb, cv::COLOR_BGR2RGB);
    image = std::move(read);
    return true;
}

} // namespace movie
} // namespace Dururev
