#pragma once

#include <Imaging/Geometry.h>

#include <opencv2/core.hpp>

#include <optional>

namespace Imaging {

// The motion of the picture inside `region` (a CV_8UC1 mask of the frames'
// size, non-zero inside) from frame `from` to frame `to`: the similarity
// (rotation, uniform scale, translation) that carries points of `from` to
// where they are in `to`. Corners of the region are followed by pyramidal
// Lucas-Kanade optical flow, checked by following them back, and fitted
// with RANSAC, in passes that close the part of a rotation or scaling the
// flow misses; where the region has too few corners, phase correlation
// round its bounding box measures a translation (less precisely).
// std::nullopt when nothing can be measured: an empty or featureless
// region.
//
// Frames: 8-bit or float (0 to 1), 1, 3 or 4 channels, of one size; other
// input throws std::invalid_argument.
std::optional<Transform> estimateMotion(const cv::Mat& from, const cv::Mat& to, const cv::Mat& region);

// One step of a layer's track.
struct TrackStep
{
    Transform track;   // the track at the frame tracked to
    bool measured;     // false: no motion was measured, `track` is unchanged
};

// Tracks `shape` (a layer's contours at its reference frame) from
// `fromFrame`, where the layer's track is `trackFrom`, to `toFrame`, the
// next or the previous frame: the region is the shape carried by
// `trackFrom`, and the motion measured there follows `trackFrom`. Forward
// and backward tracking are the same call with the frames in walking order.
TrackStep trackShape(const cv::Mat& fromFrame, const cv::Mat& toFrame, const Shape& shape,
                     const Transform& trackFrom);

} // namespace Imaging
