#pragma once

#include "Project/wrappers/XControlPoint.h"

#include <QList>
#include <QVector>

#include <climits>

namespace Rirediro {
class Contour;
}

// A script's handle on one X-spline contour of a layer.
class XSplineContour : public ShapeHandle<Rirediro::Contour>
{
public:
    XSplineContour() = default;
    XSplineContour(const boost::shared_ptr<Rirediro::Contour>& contour,
                   const boost::weak_ptr<VUVI_ProjectManager>& project);
    ~XSplineContour() override;

    // Inserts a point at `index` (appended at or past the end), as an
    // undoable step; the handle on the new point.
    XControlPoint insert_point(float time, const XControlPointData& xcpd, unsigned int index, View view = View());
    // Left, top, right and bottom of the box around the points.
    QList<float> get_bounding_rect(float time = 0.0f, View view = View(0)) const;
    // The point at `index`; a null handle past the end.
    XControlPoint control_point(unsigned int index);
    QVector<XControlPoint> get_control_points();
    // Takes the contour off its layer, as an undoable step.
    void remove();

    bool operator==(const XSplineContour& other) const { return refersToSameShape(other); }
    bool operator!=(const XSplineContour& other) const { return !(*this == other); }
};

uint qHash(const XSplineContour& contour);

namespace Python {

// What both kinds of contour do alike.
void insertPoint(const Rirediro::Contour& contour, const boost::shared_ptr<const Rirediro::ControlPointData>& record,
                 const Prm::Context& context, unsigned int& index);
void removeContour(const boost::shared_ptr<Rirediro::Contour>& contour);
// One handle per point of the contour, in its order.
template <typename PointHandle>
QVector<PointHandle> pointHandles(const Rirediro::Contour& contour, const boost::weak_ptr<VUVI_ProjectManager>& project);
template <typename PointHandle>
PointHandle pointHandleAt(const Rirediro::Contour& contour, unsigned int index,
                          const boost::weak_ptr<VUVI_ProjectManager>& project);

} // namespace Python
