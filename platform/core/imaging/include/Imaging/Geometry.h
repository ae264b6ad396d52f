#pragma once

#include <opencv2/core.hpp>

#include <vector>

// Coordinates of every Imaging function are clip pixels: origin at the
// top-left corner of the image, x to the right, y down. Pixel (i, j) is the
// unit square [i, i + 1) x [j, j + 1), so its centre is (i + 0.5, j + 0.5)
// and a square contour from (10, 10) to (20, 20) covers exactly 10 x 10
// pixels.
namespace Imaging {

// A projective transform of clip pixels, row-major, acting on the column
// vector (x, y, 1): x' = (m(0,0) x + m(0,1) y + m(0,2)) / w, y' likewise
// with row 1, w = m(2,0) x + m(2,1) y + m(2,2). The rows match those of the
// core's 3 x 3 matrices (xx xy xz / yx yy yz / zx zy zz).
//
// A layer's track is such a transform per frame: it carries the layer's
// contours, drawn at the reference frame, to where the tracked pattern is in
// that frame. Identity before any tracking.
using Transform = cv::Matx33d;

// One closed contour as a list of points (the last joins the first).
using Polygon = std::vector<cv::Point2d>;

// All contours of a layer; their insides are united.
using Shape = std::vector<Polygon>;

// A colour with components from 0 to 1 in the image's channel order (RGB as
// the media library reads frames). Eight-bit images store it times 255,
// rounded; one-channel images take the first component; four-channel images
// get an opaque alpha wherever a colour is painted.
using Colour = cv::Vec3d;

inline Transform identityTransform() { return Transform::eye(); }

// The translation by (dx, dy) and the rotation by `degrees` about `centre`
// (positive turns counter-clockwise on screen, y pointing down).
Transform translation(double dx, double dy);
Transform rotation(double degrees, cv::Point2d centre);

// `point` and every point of `polygon` or `shape` carried by `transform`.
cv::Point2d mapped(const Transform& transform, cv::Point2d point);
Polygon mapped(const Transform& transform, const Polygon& polygon);
Shape mapped(const Transform& transform, const Shape& shape);

} // namespace Imaging
