#include <Imaging/Geometry.h>

#include <cmath>

namespace Imaging {

Transform translation(double dx, double dy)
{
    return Transform(1, 0, dx,
                     0, 1, dy,
                     0, 0, 1);
}

Transform rotation(double degrees, cv::Point2d centre)
{
    const double radians = degrees * CV_PI / 180.0;
    const double c = std::cos(radians);
    const double s = std::sin(radians);
    // With y pointing down, this turns counter-clockwise on screen.
    const Transform turn(c, s, 0,
                         -s, c, 0,
                         0, 0, 1);
    return translation(centre.x, centre.y) * turn * translation(-centre.x, -centre.y);
}

cv::Point2d mapped(const Transform& transform, cv::Point2d point)
{
    const cv::Vec3d result = transform * cv::Vec3d(point.x, point.y, 1.0);
    return {result[0] / result[2], result[1] / result[2]};
}

Polygon mapped(const Transform& transform, const Polygon& polygon)
{
    Polygon result;
    result.reserve(polygon.size());
    for (const cv::Point2d& point : polygon)
        result.push_back(mapped(transform, point));
    return result;
}

Shape mapped(const Transform& transform, const Shape& shape)
{
    Shape result;
    result.reserve(shape.size());
    for (const Polygon& polygon : shape)
        result.push_back(mapped(transform, polygon));
    return result;
}

} // namespace Imaging
