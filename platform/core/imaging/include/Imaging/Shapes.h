#pragma once

#include <Imaging/Geometry.h>

#include <opencv2/core.hpp>

#include <vector>

namespace Imaging {

// A pixel lies inside a shape when its centre lies inside one of the shape's
// contours (non-zero winding; a contour of fewer than three points covers
// nothing). Parts of a shape outside the image are clipped.

// The mask (CV_8UC1 of `size`, 255 inside, 0 outside) of `shape` carried by
// `transform`. Throws std::invalid_argument for a transform or point that
// is not finite.
cv::Mat shapeMask(cv::Size size, const Shape& shape, const Transform& transform = identityTransform());

// Paints the pixels of `image` inside `shape` carried by `transform` with
// `colour`. `image` must be an 8-bit or float image of 1, 3 or 4 channels.
void paintShape(cv::Mat& image, const Shape& shape, const Transform& transform, const Colour& colour);

// One layer of a matte: its contours, its track at the frame and its colour.
struct MatteLayer
{
    Shape shape;
    Transform transform = identityTransform();
    Colour colour = Colour(1.0, 1.0, 1.0);
};

// A matte of `size` and `type` (8-bit or float, 1, 3 or 4 channels): black
// (and transparent) except where the layers are, painted in list order so
// that later layers cover earlier ones.
cv::Mat renderMatte(cv::Size size, int type, const std::vector<MatteLayer>& layers);

} // namespace Imaging
