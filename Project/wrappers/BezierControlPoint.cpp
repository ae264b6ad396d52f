#include "BezierControlPoint.h"

#include "XControlPoint.h"

#include <Rirediro/Layers/BezierContour.h>
#include <Rirediro/Project/VUVI_ProjectManager.h>

BezierControlPoint::BezierControlPoint(const boost::shared_ptr<Rirediro::ControlPoint>& point,
                                       const boost::weak_ptr<VUVI_ProjectManager>& project)
    : ShapeHandle(point, project)
{
}

BezierControlPoint::~BezierControlPoint() = default;

BezierControlPointData BezierControlPoint::get_point_data(float time, View view) const
{
    const boost::shared_ptr<Rirediro::ControlPoint> point = handledObject();
    const Prm::Context context = Python::contextOf(time, view);
    const boost::shared_ptr<Rirediro::BezierContour> contour =
        boost::dynamic_pointer_cast<Rirediro::BezierContour>(point->contour());
    const int index = contour ? contour->iControlPointIndex(*point) : -1;
    const auto clamped = [&](const auto& parameter) { return Python::clampedValueOf(parameter, context); };
    const float x = clamped(point->x());
    const float y = clamped(point->y());
    const boost::shared_ptr<VUVI_ProjectManager> project = lockedProject();
    const bool tracked = project->pGetRenderingContext()->showsTrackedShapes();
    QPointF backward(0, 0);
    QPointF forward(0, 0);
    if (contour)
        contour->tangentHandlePositionsAtIndex(index, context, tracked, backward, forward, nullptr);
    const QPointF at{double(x), double(y)};
    return BezierControlPointData(point->active(context), point->corner().value(context), x, y,
                                  clamped(point->edgeWidth()), clamped(point->edgeAngleRatio()), backward - at,
                                  forward - at);
}

void BezierControlPoint::set_point_data(float time, BezierControlPointData bcpd, View view)
{
    Python::writePointData(handledObject(), bcpd.coreRecord(), Python::contextOf(time, view), false);
}

void BezierControlPoint::update_point_data(float time, BezierControlPointData bcpd, View view)
{
    Python::writePointData(handledObject(), bcpd.coreRecord(), Python::contextOf(time, view), true);
}

void BezierControlPoint::remove()
{
    Python::removePoint(handledObject());
}
