#include "XSplineContour.h"

#include "BezierContour.h"

#include <Rirediro/Layers/Contour.h>
#include <Rirediro/Layers/ControlPoint.h>
#include <Rirediro/Layers/VUVI_Layer.h>

#include <algorithm>

namespace Python {

void insertPoint(const Rirediro::Contour& contour, const boost::shared_ptr<const Rirediro::ControlPointData>& record,
                 const Prm::Context& context, unsigned int& index)
{
    const boost::shared_ptr<VUVI_Layer> layer = contour.layer();
    if (!layer)
        detail::throwInvalidObject();
    index = std::min(index, unsigned(contour.points().size()));
    boost::shared_ptr<Rirediro::Contour> target = boost::const_pointer_cast<Rirediro::Contour>(contour.shared_from_this());
    layer->createControlPoint(target, record, context, index);
}

void removeContour(const boost::shared_ptr<Rirediro::Contour>& contour)
{
    const boost::shared_ptr<VUVI_Layer> layer = contour->layer();
    if (!layer)
        detail::throwInvalidObject();
    layer->removeContour(contour);
}

template <typename PointHandle>
QVector<PointHandle> pointHandles(const Rirediro::Contour& contour, const boost::weak_ptr<VUVI_ProjectManager>& project)
{
    QVector<PointHandle> handles;
    handles.reserve(contour.points().size());
    for (const boost::shared_ptr<Rirediro::ControlPoint>& point : contour.points())
        handles.append(PointHandle(point, project));
    return handles;
}

template <typename PointHandle>
PointHandle pointHandleAt(const Rirediro::Contour& contour, unsigned int index,
                          const boost::weak_ptr<VUVI_ProjectManager>& project)
{
    if (index >= unsigned(contour.points().size()))
        return PointHandle();
    return PointHandle(contour.points()[int(index)], project);
}

template QVector<XControlPoint> pointHandles(const Rirediro::Contour&, const boost::weak_ptr<VUVI_ProjectManager>&);
template QVector<BezierControlPoint> pointHandles(const Rirediro::Contour&,
                                                  const boost::weak_ptr<VUVI_ProjectManager>&);
template XControlPoint pointHandleAt(const Rirediro::Contour&, unsigned int,
                                     const boost::weak_ptr<VUVI_ProjectManager>&);
template BezierControlPoint pointHandleAt(const Rirediro::Contour&, unsigned int,
                                          const boost::weak_ptr<VUVI_ProjectManager>&);

} // namespace Python

XSplineContour::XSplineContour(const boost::shared_ptr<Rirediro::Contour>& contour,
                               const boost::weak_ptr<VUVI_ProjectManager>& project)
    : ShapeHandle(contour, project)
{
}

XSplineContour::~XSplineContour() = default;

XControlPoint XSplineContour::insert_point(float time, const XControlPointData& xcpd, unsigned int index, View view)
{
    const boost::shared_ptr<Rirediro::Contour> contour = handledObject();
    Python::insertPoint(*contour, xcpd.coreRecord(), Python::contextOf(time, view), index);
    return Python::pointHandleAt<XControlPoint>(*contour, index, m_project);
}

QList<float> XSplineContour::get_bounding_rect(float time, View view) const
{
    const boost::shared_ptr<VUVI_ProjectManager> project = lockedProject();
    return Python::contourBoundingRect(handledObject().get(), Python::contextOf(time, view), project.get());
}

XControlPoint XSplineContour::control_point(unsigned int index)
{
    return Python::pointHandleAt<XControlPoint>(*handledObject(), index, m_project);
}

QVector<XControlPoint> XSplineContour::get_control_points()
{
    return Python::pointHandles<XControlPoint>(*handledObject(), m_project);
}

void XSplineContour::remove()
{
    Python::removeContour(handledObject());
}

uint qHash(const XSplineContour& contour)
{
    return contour.handledObject()->id();
}
