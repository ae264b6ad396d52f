#include "ImageTypes.h"

#include <opencv2/imgproc.hpp>

#include <cmath>
#include <stdexcept>
#include <string>

namespace Imaging {
namespace Detail {

namespace {

bool isAffine(const Transform& transform)
{
    return transform(2, 0) == 0.0 && transform(2, 1) == 0.0 && transform(2, 2) == 1.0;
}

// OpenCV's warps put pixel centres on integer coordinates, clip pixels put
// them half a pixel further: conjugate by that half-pixel shift.
Transform withCentresOnIntegers(const Transform& transform)
{
    return translation(-0.5, -0.5) * transform * translation(0.5, 0.5);
}

} // namespace

void requireType(int type, const char* what)
{
    const int depth = CV_MAT_DEPTH(type);
    const int channels = CV_MAT_CN(type);
    if (type != CV_MAT_TYPE(type) || (depth != CV_8U && depth != CV_32F)
        || (channels != 1 && channels != 3 && channels != 4))
        throw std::invalid_argument(std::string(what)
                                    + " must be an 8-bit or 32-bit float image of 1, 3 or 4 channels");
}

void requireSize(cv::Size size, const char* what)
{
    if (size.width <= 0 || size.height <= 0)
        throw std::invalid_argument(std::string(what) + " size must be positive");
}

void requireFrame(const cv::Mat& image, const char* what)
{
    if (image.empty())
        throw std::invalid_argument(std::string(what) + " is empty");
    requireType(image.type(), what);
}

void requireTransform(const Transform& transform, bool invertible)
{
    for (int i = 0; i < 9; ++i) {
        if (!std::isfinite(transform.val[i]))
            throw std::invalid_argument("transform has an entry that is not finite");
    }
    if (invertible && cv::determinant(transform) == 0.0)
        throw std::invalid_argument("transform is not invertible");
}

cv::Scalar pixelValue(const Colour& colour, int type)
{
    const double scale = CV_MAT_DEPTH(type) == CV_8U ? 255.0 : 1.0;
    cv::Scalar value(colour[0] * scale, colour[1] * scale, colour[2] * scale, scale);
    if (CV_MAT_CN(type) == 1)
        value = cv::Scalar::all(value[0]);
    // Mat::setTo saturates (and rounds) to 8 bits.
    return value;
}

cv::Mat convertedTo(const cv::Mat& image, int type)
{
    static const int noConversion = -1;
    static const int codes[5][5] = {
        // to:  -, 1 channel, -, 3 channels, 4 channels
        {},
        {0, noConversion, 0, cv::COLOR_GRAY2RGB, cv::COLOR_GRAY2RGBA},
        {},
        {0, cv::COLOR_RGB2GRAY, 0, noConversion, cv::COLOR_RGB2RGBA},
        {0, cv::COLOR_RGBA2GRAY, 0, cv::COLOR_RGBA2RGB, noConversion},
    };
    cv::Mat result;
    const int depth = CV_MAT_DEPTH(type);
    if (image.depth() == depth)
        result = image;
    else if (depth == CV_32F)
        image.convertTo(result, CV_32F, 1.0 / 255.0);
    else
        image.convertTo(result, CV_8U, 255.0);
    // cvtColor fills a new alpha with the depth's own opaque value.
    const int code = codes[image.channels()][CV_MAT_CN(type)];
    if (code != noConversion)
        cv::cvtColor(result, result, code);
    return result;
}

cv::Mat grey8(const cv::Mat& image)
{
    return convertedTo(image, CV_8UC1);
}

cv::Mat sampled(const cv::Mat& image, const Transform& transform, cv::Size size)
{
    const Transform matrix = withCentresOnIntegers(transform);
    const int flags = cv::INTER_LINEAR | cv::WARP_INVERSE_MAP;
    cv::Mat result;
    if (isAffine(matrix)) {
        const cv::Matx23d affine(matrix(0, 0), matrix(0, 1), matrix(0, 2),
                                 matrix(1, 0), matrix(1, 1), matrix(1, 2));
        cv::warpAffine(image, result, affine, size, flags, cv::BORDER_CONSTANT, cv::Scalar::all(0));
    } else {
        cv::warpPerspective(image, result, matrix, size, flags, cv::BORDER_CONSTANT, cv::Scalar::all(0));
    }
    return result;
}

} // namespace Detail
} // namespace Imaging
