#pragma once

#include <QString>

#include <memory>

namespace Dururev {

struct FrameImage;

// Writes frames into a QuickTime movie (MPEG-4 video), in order, whole or
// not at all: the movie is encoded beside its file and takes its place
// only when close() finds that it reads back with every frame
// (Bsc/FileWrite.h).
class MovieWriter
{
public:
    MovieWriter();
    // A movie not closed is dropped: the file stays as it was.
    ~MovieWriter();
    MovieWriter(const MovieWriter&) = delete;
    MovieWriter& operator=(const MovieWriter&) = delete;

    // False when the movie cannot be made; with `fileError` set ("Cannot
    // write '<path>': <reason>") when its file cannot be.
    bool open(const QString& path, int width, int height, double frameRate, QString* fileError = nullptr);
    // The frame must be 8-bit RGB of the movie's size; false otherwise.
    bool write(const FrameImage& frame);
    // Finishes the movie and puts it in its file's place; false, with the
    // reason in `fileError`, when the movie does not read back whole or the
    // file cannot be written.
    bool close(QString* fileError = nullptr);
    bool isOpen() const;

private:
    struct Writer;
    std::unique_ptr<Writer> m_writer;
    int m_width = 0;
    int m_height = 0;
};

} // namespace Dururev
