#pragma once

// Synthetic footage for the imaging tests: a textured square on a plain
// background, placed by a transform, rendered with 4 x 4 samples a pixel so
// that sub-pixel motion shows.
#include <Imaging/Geometry.h>

#include <opencv2/core.hpp>

#include <cmath>

namespace Footage {

const cv::Size frameSize(160, 120);
const double squareSide = 40.0;
const cv::Point2d squareCorner(40.0, 30.0);
const double background = 30.0;

// The square's contour at the reference frame.
inline Imaging::Polygon square()
{
    const cv::Point2d c = squareCorner;
    const double s = squareSide;
    return {c, {c.x + s, c.y}, {c.x + s, c.y + s}, {c.x, c.y + s}};
}

// Grey level of the square's texture at (u, v) from its corner: products of
// sines give many corners to follow.
inline double texture(double u, double v)
{
    return 128.0 + 55.0 * std::sin(0.9 * u + 0.3 * v) * std::cos(0.4 * u - 0.8 * v)
           + 40.0 * std::sin(1.7 * u) * std::sin(1.3 * v);
}

// A picture whose grey level at (u, v) from the square's corner is `fill`
// inside the square and `background` outside.
template <typename Fill>
cv::Mat frame(const Imaging::Transform& placement, Fill fill)
{
    const Imaging::Transform back = placement.inv();
    const int samples = 4;
    cv::Mat image(frameSize, CV_8UC1);
    for (int row = 0; row < image.rows; ++row) {
        for (int column = 0; column < image.cols; ++column) {
            double sum = 0.0;
            for (int i = 0; i < samples; ++i) {
                for (int j = 0; j < samples; ++j) {
                    const cv::Point2d at(column + (j + 0.5) / samples, row + (i + 0.5) / samples);
                    const cv::Point2d p = Imaging::mapped(back, at) - squareCorner;
                    const bool inside = p.x >= 0 && p.y >= 0 && p.x < squareSide && p.y < squareSide;
                    sum += inside ? fill(p.x, p.y) : background;
                }
            }
            image.at<uchar>(row, column) = cv::saturate_cast<uchar>(sum / (samples * samples));
        }
    }
    return image;
}

// The textured square carried by `placement`.
inline cv::Mat texturedSquare(const Imaging::Transform& placement)
{
    return frame(placement, texture);
}

// The square without texture: nothing to follow inside it.
inline cv::Mat plainSquare(const Imaging::Transform& placement)
{
    return frame(placement, [](double, double) { return 160.0; });
}

} // namespace Footage
