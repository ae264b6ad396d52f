// Movies are encoded by OpenCV's video writer.
#include "Dururev/MovieWriter.h"

#include "Dururev/FrameImage.h"

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#include <opencv2/videoio.hpp>

namespace Dururev {

struct MovieWriter::Writer
{
    cv::VideoWriter video;
};

MovieWriter::MovieWriter() = default;

MovieWriter::~MovieWriter()
{
    close();
}

bool MovieWriter::open(const QString& path, int width, int height, double frameRate)
{
    close();
    if (width <= 0 || height <= 0 || !(frameRate > 0.0))
        return false;
    auto writer = std::make_unique<Writer>();
    const int codec = cv::VideoWriter::fourcc('m', 'p', '4', 'v');
    if (!writer->video.open(path.toUtf8().toStdString(), cv::CAP_FFMPEG, codec, frameRate, cv::Size(width, height)))
        return false;
    m_writer = std::move(writer);
    m_width = width;
    m_height = height;
    return true;
}

bool MovieWriter::write(const FrameImage& frame)
{
    if (!m_writer || frame.width != m_width || frame.height != m_height || frame.channels != 3
        || frame.channelType != FrameImage::UInt8 || frame.pixels.size() != std::size_t(m_width) * m_height * 3)
        return false;
    const cv::Mat rgb(m_height, m_width, CV_8UC3, const_cast<unsigned char*>(frame.pixels.data()));
    cv::Mat bgr;
    cv::cvtColor(rgb, bgr, cv::COLOR_RGB2BGR);
    m_writer->video.write(bgr);
    return true;
}

void MovieWriter::close()
{
    if (m_writer)
        m_writer->video.release();
    m_writer.reset();
}

bool MovieWriter::isOpen() const
{
    return m_writer != nullptr;
}

} // namespace Dururev
