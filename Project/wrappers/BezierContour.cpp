#include "BezierContour.h"

#include "XSplineContour.h"

#include <Rirediro/Layers/BezierContour.h>
#include <Rirediro/Layers/VUVI_Layer.h>
#include <Rirediro/Project/VUVI_ProjectManager.h>
#include <Rirediro/Tracking/VUVI_TrackCache.h>

namespace Python {

QList<float> contourBoundingRect(const Rirediro::Contour* contour, const Prm::Context& context,
                                 const VUVI_ProjectManager* project)
{
    const VUVI_RenderingContext* rendering = project->pGetRenderingContext();
    VUVI_TrackCache cache;
    const QRectF box = contour->boundingBoxForControlPoints(context, rendering->imageViewInfo, false, cache, nullptr);
    return {float(box.left()), float(box.top()), float(box.left() + box.width()), float(box.top() + box.height())};
}

} // namespace Python

BezierContour::BezierContour(const boost::shared_ptr<Rirediro::Contour>& contour,
                             const boost::weak_ptr<VUVI_ProjectManager>& project)
    : ShapeHandle(contour, project)
{
}

BezierContour::~BezierContour() = default;

BezierControlPoint BezierContour::insert_point(float time, const BezierControlPointData& bcpd, unsigned int index,
                                               View view)
{
    const boost::shared_ptr<Rirediro::BezierContour> contour =
        boost::dynamic_pointer_cast<Rirediro::BezierContour>(handledObject());
    if (!contour)
        detail::throwInvalidObject();
    const Prm::Context context = Python::contextOf(time, view);
    // Everything that may fail is asked before the point is made.
    const Prm::AnimationState animation = lockedProject()->animationState();
    Python::insertPoint(*contour, bcpd.coreRecord(), context, index);
    const boost::shared_ptr<Rirediro::ControlPoint> point = contour->points().value(int(index));
    if (!point)
        detail::throwInvalidObject();
    // The handles go where get_point_data will read them: at the context.
    const QPointF at = point->position(context);
    const QPointF backward = bcpd.get_handle_offset_backward().value_or(QPointF(0, 0));
    const QPointF forward = bcpd.get_handle_offset_forward().value_or(QPointF(0, 0));
    contour->setTangentHandlePositions(*point, context, at + backward, at + forward, animation, {});
    return BezierControlPoint(point, m_project);
}

QList<float> BezierContour::get_bounding_rect(float time, View view) const
{
    const boost::shared_ptr<VUVI_ProjectManager> project = lockedProject();
    return Python::contourBoundingRect(handledObject().get(), Python::contextOf(time, view), project.get());
}

BezierControlPoint BezierContour::control_point(unsigned int index)
{
    return Python::pointHandleAt<BezierControlPoint>(*handledObject(), index, m_project);
}

QVector<BezierControlPoint> BezierContour::get_control_points()
{
    return Python::pointHandles<BezierControlPoint>(*handledObject(), m_project);
}

void BezierContour::remove()
{
    Python::removeContour(handledObject());
}

uint qHash(const BezierContour& contour)
{
    return contour.handledObject()->id();
}
