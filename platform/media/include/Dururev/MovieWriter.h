#pragma once

#include <QString>

#include <memory>

namespace Dururev {

struct FrameImage;

// Writes frames into a QuickTime movie (MPEG-4 video), in order.
class MovieWriter
{
public:
    MovieWriter();
    ~MovieWriter();
    MovieWriter(const MovieWriter&) = delete;
    MovieWriter& operator=(const MovieWriter&) = delete;

    // False when the movie cannot be made.
    bool open(const QString& path, int width, int height, double frameRate);
    // The frame must be 8-bit RGB of the movie's size; false otherwise.
    bool write(const FrameImage& frame);
    // Finishes the file; also done on destruction.
    void close();
    bool isOpen() const;

private:
    struct Writer;
    std::unique_ptr<Writer> m_writer;
    int m_width = 0;
    int m_height = 0;
};

} // namespace Dururev
