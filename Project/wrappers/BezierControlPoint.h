#pragma once

#include "Project/wrappers/ControlPointData.h"
#include "Project/wrappers/ShapeHandle.h"

namespace Rirediro {
class ControlPoint;
}

// A script's handle on one control point of a Bezier contour.
class BezierControlPoint : public ShapeHandle<Rirediro::ControlPoint>
{
public:
    BezierControlPoint() = default;
    BezierControlPoint(const boost::shared_ptr<Rirediro::ControlPoint>& point,
                       const boost::weak_ptr<VUVI_ProjectManager>& project);
    ~BezierControlPoint() override;

    // Every field at the time and view: the handle offsets as the handles'
    // positions less the point's, (0, 0) for handles on the point.
    BezierControlPointData get_point_data(float time, View view = View()) const;
    // The record's handle offsets travel in the record; the core places the
    // handles from them.
    void set_point_data(float time, BezierControlPointData bcpd, View view = View());
    void update_point_data(float time, BezierControlPointData bcpd, View view = View());
    void remove();

    bool operator==(const BezierControlPoint& other) const { return refersToSameShape(other); }
    bool operator!=(const BezierControlPoint& other) const { return !(*this == other); }
};
