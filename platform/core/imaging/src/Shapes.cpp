#include <Imaging/Shapes.h>

#include "ImageTypes.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <utility>

namespace Imaging {

namespace {

// Sets to 255 the pixels of `mask` whose centres `polygon` encloses with a
// non-zero winding number. Edges own their upper end and not their lower
// one, spans their left end and not their right one, so shapes that share
// an edge never share a pixel.
void fillPolygon(cv::Mat& mask, const Polygon& polygon)
{
    if (polygon.size() < 3)
        return;
    double top = polygon.front().y;
    double bottom = top;
    for (const cv::Point2d& point : polygon) {
        if (!std::isfinite(point.x) || !std::isfinite(point.y))
            throw std::invalid_argument("contour point is not finite");
        top = std::min(top, point.y);
        bottom = std::max(bottom, point.y);
    }
    // Rows whose centre y + 0.5 lies in [top, bottom).
    const int firstRow = std::max(0, static_cast<int>(std::ceil(std::max(top - 0.5, -1.0))));
    const int endRow = std::min(mask.rows, static_cast<int>(std::ceil(std::min(bottom - 0.5, double(mask.rows)))));

    std::vector<std::pair<double, int>> crossings; // x, winding direction
    for (int row = firstRow; row < endRow; ++row) {
        const double y = row + 0.5;
        crossings.clear();
        for (size_t i = 0; i < polygon.size(); ++i) {
            const cv::Point2d& a = polygon[i];
            const cv::Point2d& b = polygon[(i + 1) % polygon.size()];
            const bool down = a.y <= y && y < b.y;
            const bool up = b.y <= y && y < a.y;
            if (down || up)
                crossings.emplace_back(a.x + (y - a.y) * (b.x - a.x) / (b.y - a.y), down ? 1 : -1);
        }
        std::sort(crossings.begin(), crossings.end());
        int winding = 0;
        for (size_t i = 0; i + 1 < crossings.size(); ++i) {
            winding += crossings[i].second;
            if (winding == 0)
                continue;
            // Columns whose centre x + 0.5 lies in [left, right).
            const double left = std::clamp(crossings[i].first - 0.5, -1.0, double(mask.cols));
            const double right = std::clamp(crossings[i + 1].first - 0.5, -1.0, double(mask.cols));
            const int firstColumn = std::max(0, static_cast<int>(std::ceil(left)));
            const int endColumn = std::min(mask.cols, static_cast<int>(std::ceil(right)));
            if (firstColumn < endColumn)
                mask.row(row).colRange(firstColumn, endColumn).setTo(255);
        }
    }
}

} // namespace

cv::Mat shapeMask(cv::Size size, const Shape& shape, const Transform& transform)
{
    Detail::requireSize(size, "mask");
    Detail::requireTransform(transform);
    cv::Mat mask = cv::Mat::zeros(size, CV_8UC1);
    for (const Polygon& polygon : shape)
        fillPolygon(mask, mapped(transform, polygon));
    return mask;
}

void paintShape(cv::Mat& image, const Shape& shape, const Transform& transform, const Colour& colour)
{
    Detail::requireFrame(image, "image");
    image.setTo(Detail::pixelValue(colour, image.type()), shapeMask(image.size(), shape, transform));
}

cv::Mat renderMatte(cv::Size size, int type, const std::vector<MatteLayer>& layers)
{
    Detail::requireType(type, "matte");
    Detail::requireSize(size, "matte");
    cv::Mat matte = cv::Mat::zeros(size, type);
    for (const MatteLayer& layer : layers)
        paintShape(matte, layer.shape, layer.transform, layer.colour);
    return matte;
}

} // namespace Imaging
