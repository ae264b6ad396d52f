#pragma once

#include <Imaging/Geometry.h>

#include <opencv2/core.hpp>

namespace Imaging {

// Per-frame render kernels. Each takes a frame (8-bit or float, 1, 3 or 4
// channels; anything else throws std::invalid_argument) and returns a new
// frame of the same size and type; the input is left alone. `shape` is a
// layer's contours at its reference frame and `track` the layer's track at
// the frame rendered (see Geometry.h).

// Insert: the pixels of `frame` inside `shape` carried by `track` take the
// pixels of `picture` carried by `track` too, so that the inserted picture
// stays on the tracked surface (picture pixel p lands on `track` of p).
// `picture`, of any size, is converted to the frame's type first (8-bit
// values are float values times 255; grey repeats into colour channels,
// RGB turns grey by luma, a missing alpha is opaque); where it does not
// reach, the shape turns black.
cv::Mat insertPicture(const cv::Mat& frame, const Shape& shape, const Transform& track, const cv::Mat& picture);

// Insert without a picture: the tracked shape is painted with `colour`.
cv::Mat insertColour(const cv::Mat& frame, const Shape& shape, const Transform& track, const Colour& colour);

// Stabilise: `frame` moved by the inverse of `track`, so that the tracked
// pattern stands where it was at the reference frame. Uncovered pixels are
// black (and transparent).
cv::Mat stabilise(const cv::Mat& frame, const Transform& track);

// Fill (removal): the pixels inside `shape` carried by `track` are
// inpainted from their surroundings; the others are kept exactly.
cv::Mat fillShape(const cv::Mat& frame, const Shape& shape, const Transform& track);

// Horizon: `frame` turned by `degrees` about its centre (positive turns
// counter-clockwise on screen); uncovered pixels are black. 0 degrees gives
// an exact copy.
cv::Mat rotateHorizon(const cv::Mat& frame, double degrees);

} // namespace Imaging
