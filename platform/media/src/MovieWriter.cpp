// Movies are encoded by the image kit's movie codec.
#include "Dururev/MovieWriter.h"

#include "Dururev/FrameImage.h"
#include "Dururev/ImageKit.h"

namespace Dururev {

struct MovieWriter::Writer
{
    std::unique_ptr<ImageKit::MovieEncoder> movie;
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
    writer->movie = codecs().openMovie(path, width, height, frameRate);
    if (!writer->movie)
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
    m_writer->movie->write(frame);
    return true;
}

void MovieWriter::close()
{
    m_writer.reset();
}

bool MovieWriter::isOpen() const
{
    return m_writer != nullptr;
}

} // namespace Dururev
