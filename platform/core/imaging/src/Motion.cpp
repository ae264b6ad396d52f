#include <Imaging/Motion.h>
#include <Imaging/Shapes.h>

#include "ImageTypes.h"

#include <opencv2/calib3d.hpp>
#include <opencv2/imgproc.hpp>
#include <opencv2/video/tracking.hpp>

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace Imaging {

namespace {

// Fewer features than this are too few to fit a motion reliably.
const size_t minimumFeatures = 8;
// Weakest corner (smaller eigenvalue of the gradient matrix, grey levels
// scaled to 0..1) worth following: well above the noise of 8-bit footage.
const double minimumCornerStrength = 1e-3;
// A feature followed to the next frame and back must land this close (in
// pixels) to where it started.
const double maximumRoundTripError = 0.5;
// Passes of optical flow over one pair of frames, and the correction (in
// pixels) below which a further pass is not worth it.
const int refinementPasses = 4;
const double settledMove = 0.01;
// Weakest phase-correlation peak taken as a measurement.
const double minimumPeakResponse = 0.2;
// Grey-level spread below which a region counts as featureless.
const double minimumContrast = 1.0;

// OpenCV's pixel centres are on integers, clip pixels' half a pixel further.
Transform fromCentresOnIntegers(const cv::Mat& affine)
{
    const Transform motion(affine.at<double>(0, 0), affine.at<double>(0, 1), affine.at<double>(0, 2),
                           affine.at<double>(1, 0), affine.at<double>(1, 1), affine.at<double>(1, 2),
                           0, 0, 1);
    return translation(0.5, 0.5) * motion * translation(-0.5, -0.5);
}

// Corners of `region` strong enough to follow.
std::vector<cv::Point2f> strongCorners(const cv::Mat& grey, const cv::Mat& region)
{
    const int block = 5;
    // Only the region's box is searched; its filters still see the pixels
    // round the box.
    const cv::Rect box = cv::boundingRect(region);
    std::vector<cv::Point2f> corners;
    cv::goodFeaturesToTrack(grey(box), corners, 400, 0.01, 3.0, region(box), block);
    cv::Mat strength;
    cv::cornerMinEigenVal(grey(box), strength, block);
    std::vector<cv::Point2f> strong;
    for (const cv::Point2f& corner : corners) {
        if (strength.at<float>(cvRound(corner.y), cvRound(corner.x)) >= minimumCornerStrength)
            strong.emplace_back(corner.x + box.x, corner.y + box.y);
    }
    return strong;
}

// `corners` of `from` followed to `to`, checked by following them back, and
// fitted; nullopt when too few can be followed.
std::optional<Transform> fitFollowedCorners(const cv::Mat& from, const cv::Mat& to,
                                            const std::vector<cv::Point2f>& corners)
{
    const cv::Size window(21, 21);
    const int pyramidLevels = 3;
    const cv::TermCriteria criteria(cv::TermCriteria::COUNT | cv::TermCriteria::EPS, 40, 0.001);
    std::vector<cv::Point2f> ahead, back;
    std::vector<uchar> aheadFound, backFound;
    std::vector<float> errors;
    cv::calcOpticalFlowPyrLK(from, to, corners, ahead, aheadFound, errors, window, pyramidLevels, criteria);
    cv::calcOpticalFlowPyrLK(to, from, ahead, back, backFound, errors, window, pyramidLevels, criteria);

    std::vector<cv::Point2f> start, end;
    for (size_t i = 0; i < corners.size(); ++i) {
        if (aheadFound[i] && backFound[i] && cv::norm(back[i] - corners[i]) <= maximumRoundTripError) {
            start.push_back(corners[i]);
            end.push_back(ahead[i]);
        }
    }
    if (start.size() < minimumFeatures)
        return std::nullopt;

    std::vector<uchar> inliers;
    const cv::Mat affine = cv::estimateAffinePartial2D(start, end, inliers, cv::RANSAC, 1.0, 2000, 0.999, 20);
    if (affine.empty() || size_t(cv::countNonZero(inliers)) < minimumFeatures)
        return std::nullopt;
    return fromCentresOnIntegers(affine);
}

// How far (in pixels) `transform` moves the corners of `box`.
double largestMove(const Transform& transform, const cv::Rect& box)
{
    double largest = 0.0;
    for (const cv::Point2d corner : {box.tl(), box.br(), cv::Point(box.x, box.y + box.height),
                                     cv::Point(box.x + box.width, box.y)}) {
        largest = std::max(largest, cv::norm(mapped(transform, corner) - corner));
    }
    return largest;
}

// Corners of `region` followed from `from` to `to`; nullopt when too few
// can be followed. Each pass follows them to `to` moved back by the motion
// found so far: optical flow fits a shift to each window, so it sees only
// part of a rotation or scaling, most of all near the region's edges where
// the window reaches outside the texture, and the passes close that gap.
std::optional<Transform> followFeatures(const cv::Mat& from, const cv::Mat& to, const cv::Mat& region)
{
    const std::vector<cv::Point2f> corners = strongCorners(from, region);
    if (corners.size() < minimumFeatures)
        return std::nullopt;
    std::optional<Transform> motion = fitFollowedCorners(from, to, corners);
    const cv::Rect box = cv::boundingRect(region);
    for (int pass = 1; motion && pass < refinementPasses; ++pass) {
        const cv::Mat movedBack = Detail::sampled(to, *motion, to.size());
        const std::optional<Transform> rest = fitFollowedCorners(from, movedBack, corners);
        if (!rest)
            break;
        *motion = *motion * *rest;
        if (largestMove(*rest, box) < settledMove)
            break;
    }
    return motion;
}

// The translation of the picture round `region` from `from` to `to`, by
// phase correlation of the region's bounding box widened by a margin, so
// that the region's own outline stays inside the box in both frames.
std::optional<Transform> correlatePhase(const cv::Mat& from, const cv::Mat& to, const cv::Mat& region)
{
    const cv::Rect tight = cv::boundingRect(region);
    cv::Scalar mean, spread;
    cv::meanStdDev(from(tight), mean, spread, region(tight));
    if (spread[0] < minimumContrast)
        return std::nullopt;

    const int marginX = std::max(8, tight.width / 4);
    const int marginY = std::max(8, tight.height / 4);
    const cv::Rect box = cv::Rect(tight.x - marginX, tight.y - marginY, tight.width + 2 * marginX,
                                  tight.height + 2 * marginY)
                         & cv::Rect(0, 0, from.cols, from.rows);
    if (box.width < 2 || box.height < 2)
        return std::nullopt;
    cv::Mat a, b, window;
    from(box).convertTo(a, CV_32F);
    to(box).convertTo(b, CV_32F);
    cv::createHanningWindow(window, box.size(), CV_32F);
    double response = 0.0;
    const cv::Point2d shift = cv::phaseCorrelate(a, b, window, &response);
    if (!(response >= minimumPeakResponse) || !std::isfinite(shift.x) || !std::isfinite(shift.y))
        return std::nullopt;
    return translation(shift.x, shift.y);
}

} // namespace

std::optional<Transform> estimateMotion(const cv::Mat& from, const cv::Mat& to, const cv::Mat& region)
{
    Detail::requireFrame(from, "frame tracked from");
    Detail::requireFrame(to, "frame tracked to");
    if (to.size() != from.size())
        throw std::invalid_argument("frames tracked from and to differ in size");
    if (region.type() != CV_8UC1 || region.size() != from.size())
        throw std::invalid_argument("tracking region must be an 8-bit one-channel mask of the frames' size");
    if (cv::countNonZero(region) == 0)
        return std::nullopt;

    const cv::Mat fromGrey = Detail::grey8(from);
    const cv::Mat toGrey = Detail::grey8(to);
    if (std::optional<Transform> motion = followFeatures(fromGrey, toGrey, region))
        return motion;
    return correlatePhase(fromGrey, toGrey, region);
}

TrackStep trackShape(const cv::Mat& fromFrame, const cv::Mat& toFrame, const Shape& shape, const Transform& trackFrom)
{
    Detail::requireFrame(fromFrame, "frame tracked from");
    const cv::Mat region = shapeMask(fromFrame.size(), shape, trackFrom);
    if (const std::optional<Transform> motion = estimateMotion(fromFrame, toFrame, region))
        return {*motion * trackFrom, true};
    return {trackFrom, false};
}

} // namespace Imaging
