// Movies are encoded by the image kit's movie codec, into a file that takes
// the movie's place once it is whole.
#include "Dururev/MovieWriter.h"

#include "Dururev/FrameImage.h"
#include "Dururev/ImageKit.h"

#include <Bsc/FileWrite.h>

#include <QCoreApplication>

namespace Dururev {

struct MovieWriter::Writer
{
    explicit Writer(const QString& path) : file(path, Bsc::FileWrite::Named) {}

    Bsc::FileWrite file;
    std::unique_ptr<ImageKit::MovieEncoder> movie;
};

MovieWriter::MovieWriter() = default;

MovieWriter::~MovieWriter() = default;

bool MovieWriter::open(const QString& path, int width, int height, double frameRate, QString* fileError)
{
    m_writer.reset();
    if (width <= 0 || height <= 0 || !(frameRate > 0.0))
        return false;
    auto writer = std::make_unique<Writer>(path);
    if (!writer->file.isOpen()) {
        if (fileError)
            *fileError = writer->file.errorString();
        return false;
    }
    writer->movie = codecs().openMovie(writer->file.temporaryPath(), width, height, frameRate);
    if (!writer->movie) {
        // The encoder says not why: a file that takes no byte says it was the file.
        if (fileError && !writer->file.write(" ", 1))
            *fileError = writer->file.errorString();
        return false;
    }
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
    return m_writer->movie->write(frame);
}

bool MovieWriter::close(QString* fileError)
{
    const std::unique_ptr<Writer> writer = std::move(m_writer);
    if (!writer)
        return false;
    if (!writer->movie->finish())
        writer->file.fail(QCoreApplication::translate("MovieWriter", "The movie does not read back whole"));
    if (writer->file.commit())
        return true;
    if (fileError)
        *fileError = writer->file.errorString();
    return false;
}

bool MovieWriter::isOpen() const
{
    return m_writer != nullptr;
}

} // namespace Dururev
