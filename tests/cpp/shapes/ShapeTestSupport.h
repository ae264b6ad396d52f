#pragma once

#include "layers/LayerTestSupport.h"

#include "Project/wrappers/BezierContour.h"
#include "Project/wrappers/XSplineContour.h"

#include <Rirediro/Layers/BezierContour.h>
#include <Rirediro/Layers/Contour.h>

namespace shapetest {

using layertest::expectFailure;

inline XControlPointData xAt(float x, float y)
{
    return XControlPointData(boost::none, boost::none, x, y);
}

inline BezierControlPointData bezierAt(float x, float y, boost::optional<QPointF> backward = boost::none,
                                       boost::optional<QPointF> forward = boost::none)
{
    return BezierControlPointData(boost::none, boost::none, x, y, boost::none, boost::none, backward, forward);
}

// A project with layers A and B, ready for shapes.
class ShapeProject : public layertest::LayerProject
{
protected:
    ShapeProject() : a(addLayer(QStringLiteral("A"))), b(addLayer(QStringLiteral("B"))) {}

    // A Bezier square of side 10 at (0, 0) on a layer.
    BezierContour square(Layer& layer)
    {
        return layer.add_bezier_contour(0.0f, {bezierAt(0, 0), bezierAt(10, 0), bezierAt(10, 10), bezierAt(0, 10)});
    }
    // A point's handles as "(bx, by) (fx, fy)" at a frame.
    static QString handlesOf(BezierControlPoint point, float time = 0.0f)
    {
        const BezierControlPointData data = point.get_point_data(time, View(0));
        const QPointF at(double(*data.get_x()), double(*data.get_y()));
        const QPointF back = at + *data.get_handle_offset_backward();
        const QPointF forward = at + *data.get_handle_offset_forward();
        return QStringLiteral("(%1, %2) (%3, %4)").arg(back.x()).arg(back.y()).arg(forward.x()).arg(forward.y());
    }
    static QPointF positionOf(const BezierControlPoint& point, float time = 0.0f)
    {
        const BezierControlPointData data = point.get_point_data(time, View(0));
        return QPointF(double(*data.get_x()), double(*data.get_y()));
    }

    Layer a;
    Layer b;
};

} // namespace shapetest
