#pragma once

// Footage of a textured square on grey that moves a fixed step per frame,
// written as a numbered PNG sequence.
#include "shapes/ShapeTestSupport.h"

#include <Dururev/FrameImage.h>

#include <QDir>

#include <random>

namespace squarefootage {

constexpr int FrameWidth = 120;
constexpr int FrameHeight = 100;
constexpr int Side = 40;
constexpr int Left = 30;
constexpr int Top = 30;
constexpr unsigned int FrameCount = 6;

// A still grey frame with a square of noise whose top-left corner is at
// (Left, Top) + index * (dx, dy).
inline Dururev::FrameImage squareFrame(unsigned int index, int dx, int dy)
{
    Dururev::FrameImage image;
    image.width = FrameWidth;
    image.height = FrameHeight;
    image.channels = 3;
    image.pixels.assign(std::size_t(FrameWidth) * FrameHeight * 3, 128);
    std::mt19937 noise(7);
    std::uniform_int_distribution<int> level(0, 255);
    const int left = Left + int(index) * dx;
    const int top = Top + int(index) * dy;
    for (int y = 0; y < Side; ++y) {
        for (int x = 0; x < Side; ++x) {
            const unsigned char value = static_cast<unsigned char>(level(noise));
            const int px = left + x;
            const int py = top + y;
            if (px < 0 || py < 0 || px >= FrameWidth || py >= FrameHeight)
                continue;
            unsigned char* pixel = &image.pixels[(std::size_t(py) * FrameWidth + px) * 3];
            pixel[0] = value;
            pixel[1] = static_cast<unsigned char>(255 - value);
            pixel[2] = value / 2;
        }
    }
    return image;
}

inline QString writeSquareFootage(const QString& folder, int dx, int dy)
{
    for (unsigned int i = 0; i < FrameCount; ++i) {
        const QString path = QDir(folder).filePath(footage::numberedName(QStringLiteral("sq"), i, 4, ".png"));
        EXPECT_TRUE(Dururev::writeImage(path, squareFrame(i, dx, dy)));
    }
    return QDir(folder).filePath(footage::numberedName(QStringLiteral("sq"), 0, 4, ".png"));
}

} // namespace squarefootage
