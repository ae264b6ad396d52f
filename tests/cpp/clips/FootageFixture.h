#pragma once

// Footage that tests write for themselves: numbered stills and movies of
// small frames whose first pixel tells which frame they are.

#include <Dururev/FrameImage.h>
#include <Dururev/MovieWriter.h>

#include <QDir>
#include <QImage>
#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace footage {

constexpr int Width = 40;
constexpr int Height = 30;

// The red value frame `index` is painted with.
inline unsigned char redOf(unsigned int index)
{
    return static_cast<unsigned char>((index * 37 + 11) % 256);
}

inline Dururev::FrameImage frame(unsigned int index, int width = Width, int height = Height)
{
    Dururev::FrameImage image;
    image.width = width;
    image.height = height;
    image.channels = 3;
    image.pixels.resize(std::size_t(width) * height * 3);
    for (std::size_t p = 0; p < image.pixels.size(); p += 3) {
        image.pixels[p] = redOf(index);
        image.pixels[p + 1] = 100;
        image.pixels[p + 2] = static_cast<unsigned char>(p % 251);
    }
    return image;
}

inline QString numberedName(const QString& prefix, unsigned int index, int width, const QString& suffix)
{
    return prefix + QStringLiteral("%1").arg(index, width, 10, QLatin1Char('0')) + suffix;
}

// Writes frames first .. first + count - 1 as stills (the format from the
// suffix) and returns the path of the first.
inline QString writeSequence(const QString& folder, const QString& prefix, unsigned int first, unsigned int count,
                             int width = 4, const QString& suffix = QStringLiteral(".png"))
{
    QDir().mkpath(folder);
    for (unsigned int i = first; i < first + count; ++i) {
        const QString path = QDir(folder).filePath(numberedName(prefix, i, width, suffix));
        EXPECT_TRUE(Dururev::writeImage(path, frame(i))) << path.toStdString();
    }
    return QDir(folder).filePath(numberedName(prefix, first, width, suffix));
}

inline QString writeMovie(const QString& path, unsigned int count, double rate)
{
    Dururev::MovieWriter writer;
    EXPECT_TRUE(writer.open(path, Width, Height, rate));
    for (unsigned int i = 0; i < count; ++i)
        EXPECT_TRUE(writer.write(frame(i)));
    writer.close();
    return path;
}

// The red value of a file's first pixel (frame `index` of a movie).
inline int redAt(const QString& path, int index = 0)
{
    Dururev::FrameImage image;
    if (!Dururev::readFrame(path, index, image, true))
        return -1;
    return image.pixels.front();
}

} // namespace footage
