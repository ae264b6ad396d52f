#pragma once

// Movies are read through OpenCV's FFmpeg backend: OpenImageIO's FFmpeg
// reader corrupts memory on frames whose width is no multiple of 16.

#include <QString>

namespace Dururev {

struct FootageDescription;
struct FrameImage;

namespace movie {

// Whether the file's name makes it a movie.
bool isMovie(const QString& path);
bool describe(const QString& path, FootageDescription& description);
// Frame `frame` as 8-bit RGB.
bool read(const QString& path, int frame, FrameImage& image);

} // namespace movie
} // namespace Dururev
