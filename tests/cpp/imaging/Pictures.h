#pragma once

// Tiny pictures for exact pixel checks: masks drawn as text, one string a
// row, '#' inside and '.' outside.
#include <opencv2/core.hpp>

#include <string>
#include <vector>

namespace Pictures {

inline std::vector<std::string> asText(const cv::Mat& mask)
{
    std::vector<std::string> rows;
    for (int row = 0; row < mask.rows; ++row) {
        std::string text;
        for (int column = 0; column < mask.cols; ++column)
            text += mask.at<uchar>(row, column) ? '#' : '.';
        rows.push_back(text);
    }
    return rows;
}

inline cv::Mat fromText(const std::vector<std::string>& rows)
{
    cv::Mat mask(int(rows.size()), int(rows.front().size()), CV_8UC1);
    for (int row = 0; row < mask.rows; ++row) {
        for (int column = 0; column < mask.cols; ++column)
            mask.at<uchar>(row, column) = rows[row][column] == '#' ? 255 : 0;
    }
    return mask;
}

// True when `a` and `b` have the same size, type and pixels.
inline bool identical(const cv::Mat& a, const cv::Mat& b)
{
    if (a.size() != b.size() || a.type() != b.type())
        return false;
    cv::Mat difference;
    cv::absdiff(a, b, difference);
    return cv::countNonZero(difference.reshape(1)) == 0;
}

// The pixel of `image` at (row, column) as four numbers (unused channels 0).
inline cv::Scalar pixel(const cv::Mat& image, int row, int column)
{
    cv::Mat one;
    image(cv::Rect(column, row, 1, 1)).convertTo(one, CV_64F);
    cv::Scalar value;
    for (int c = 0; c < image.channels(); ++c)
        value[c] = one.ptr<double>(0)[c];
    return value;
}

} // namespace Pictures
