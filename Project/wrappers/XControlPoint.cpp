#include "XControlPoint.h"

#include <Rirediro/Layers/Contour.h>
#include <Rirediro/Layers/ControlPoint.h>
#include <Rirediro/Layers/VUVI_Layer.h>

namespace Python {

void writePointData(const boost::shared_ptr<Rirediro::ControlPoint>& point,
                    const boost::shared_ptr<const Rirediro::ControlPointData>& record, const Prm::Context& context,
                    bool update)
{
    const boost::shared_ptr<Rirediro::Contour> contour = point->contour();
    const boost::shared_ptr<VUVI_Layer> layer = contour ? contour->layer() : nullptr;
    if (!layer)
        detail::throwInvalidObject();
    layer->setControlPointData(point, record, context, update);
}

void removePoint(const boost::shared_ptr<Rirediro::ControlPoint>& point)
{
    const boost::shared_ptr<Rirediro::Contour> contour = point->contour();
    const boost::shared_ptr<VUVI_Layer> layer = contour ? contour->layer() : nullptr;
    if (!layer)
        detail::throwInvalidObject();
    layer->removeControlPoint(point);
}

} // namespace Python

XControlPoint::XControlPoint(const boost::shared_ptr<Rirediro::ControlPoint>& point,
                             const boost::weak_ptr<VUVI_ProjectManager>& project)
    : ShapeHandle(point, project)
{
}

XControlPoint::~XControlPoint() = default;

XControlPointData XControlPoint::get_point_data(float time, View view) const
{
    const boost::shared_ptr<Rirediro::ControlPoint> point = handledObject();
    const Prm::Context context = Python::contextOf(time, view);
    using Python::clampedValueOf;
    return XControlPointData(point->active(context), point->corner().value(context), clampedValueOf(point->x(), context),
                             clampedValueOf(point->y(), context), clampedValueOf(point->weight(), context),
                             clampedValueOf(point->edgeWidth(), context),
                             clampedValueOf(point->edgeAngleRatio(), context));
}

void XControlPoint::set_point_data(float time, XControlPointData xcpd, View view)
{
    Python::writePointData(handledObject(), xcpd.coreRecord(), Python::contextOf(time, view), false);
}

void XControlPoint::update_point_data(float time, XControlPointData xcpd, View view)
{
    Python::writePointData(handledObject(), xcpd.coreRecord(), Python::contextOf(time, view), true);
}

void XControlPoint::remove()
{
    Python::removePoint(handledObject());
}
