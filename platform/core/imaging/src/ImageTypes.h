#pragma once

// Checks and conversions shared by the kernels (not part of the interface).
#include <Imaging/Geometry.h>

#include <opencv2/core.hpp>

namespace Imaging {
namespace Detail {

// Throws std::invalid_argument naming `what` unless `type` is an 8-bit or
// 32-bit float type of 1, 3 or 4 channels.
void requireType(int type, const char* what);

// The same for the type of `image`, which must not be empty either.
void requireFrame(const cv::Mat& image, const char* what);

// Throws std::invalid_argument naming `what` unless `size` is positive.
void requireSize(cv::Size size, const char* what);

// Throws std::invalid_argument unless every entry of `transform` is finite
// (and, with `invertible`, its determinant is not 0).
void requireTransform(const Transform& transform, bool invertible = false);

// `colour` as a pixel value of an image of `type` (see Colour).
cv::Scalar pixelValue(const Colour& colour, int type);

// `image` converted to `type`: 8-bit values map to float divided by 255 and
// back, grey repeats into colour channels, RGB turns grey by luma, a missing
// alpha is opaque and a dropped one is lost.
cv::Mat convertedTo(const cv::Mat& image, int type);

// `image` as 8-bit grey (float values scaled by 255 and saturated).
cv::Mat grey8(const cv::Mat& image);

// An image of `size` whose pixel at p is `image` at `transform` applied to
// p: bilinear, black (and transparent) outside `image`. To move an image by
// a transform, sample it through the inverse.
cv::Mat sampled(const cv::Mat& image, const Transform& transform, cv::Size size);

} // namespace Detail
} // namespace Imaging
