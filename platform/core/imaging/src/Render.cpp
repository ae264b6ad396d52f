#include <Imaging/Render.h>
#include <Imaging/Shapes.h>

#include "ImageTypes.h"

#include <opencv2/photo.hpp>

#include <cmath>
#include <stdexcept>
#include <vector>

namespace Imaging {

namespace {

// Neighbourhood (in pixels) that inpainting draws each filled pixel from.
const double inpaintRadius = 3.0;

} // namespace

cv::Mat insertPicture(const cv::Mat& frame, const Shape& shape, const Transform& track, const cv::Mat& picture)
{
    Detail::requireFrame(frame, "frame");
    Detail::requireFrame(picture, "insert picture");
    Detail::requireTransform(track, true);
    const cv::Mat mask = shapeMask(frame.size(), shape, track);
    const cv::Mat placed = Detail::sampled(Detail::convertedTo(picture, frame.type()), track.inv(), frame.size());
    cv::Mat result = frame.clone();
    placed.copyTo(result, mask);
    return result;
}

cv::Mat insertColour(const cv::Mat& frame, const Shape& shape, const Transform& track, const Colour& colour)
{
    Detail::requireFrame(frame, "frame");
    cv::Mat result = frame.clone();
    paintShape(result, shape, track, colour);
    return result;
}

cv::Mat stabilise(const cv::Mat& frame, const Transform& track)
{
    Detail::requireFrame(frame, "frame");
    Detail::requireTransform(track);
    // The stabilised pixel at p shows what the track carried p to.
    return Detail::sampled(frame, track, frame.size());
}

cv::Mat fillShape(const cv::Mat& frame, const Shape& shape, const Transform& track)
{
    Detail::requireFrame(frame, "frame");
    const cv::Mat mask = shapeMask(frame.size(), shape, track);
    if (cv::countNonZero(mask) == 0)
        return frame.clone();
    // cv::inpaint takes one-channel float or 8-bit images (colour only in 8
    // bits) and fills each channel on its own, so split the channels for
    // every type. Navier-Stokes, because OpenCV's Telea method lets the
    // pixels under the mask leak into the fill (wildly so in float).
    std::vector<cv::Mat> channels;
    cv::split(frame, channels);
    for (cv::Mat& channel : channels)
        cv::inpaint(channel, mask, channel, inpaintRadius, cv::INPAINT_NS);
    cv::Mat result;
    cv::merge(channels, result);
    return result;
}

cv::Mat rotateHorizon(const cv::Mat& frame, double degrees)
{
    Detail::requireFrame(frame, "frame");
    if (!std::isfinite(degrees))
        throw std::invalid_argument("horizon angle is not finite");
    if (degrees == 0.0)
        return frame.clone();
    const cv::Point2d centre(frame.cols / 2.0, frame.rows / 2.0);
    // Sampling through the opposite turn moves the picture by `degrees`.
    return Detail::sampled(frame, rotation(-degrees, centre), frame.size());
}

} // namespace Imaging
