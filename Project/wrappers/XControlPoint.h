#pragma once

#include "Project/wrappers/ControlPointData.h"
#include "Project/wrappers/ShapeHandle.h"

namespace Rirediro {
class ControlPoint;
}

// A script's handle on one control point of an X-spline contour. Its
// edits go to the point's layer, each an undoable step of its own.
class XControlPoint : public ShapeHandle<Rirediro::ControlPoint>
{
public:
    XControlPoint() = default;
    XControlPoint(const boost::shared_ptr<Rirediro::ControlPoint>& point,
                  const boost::weak_ptr<VUVI_ProjectManager>& project);
    ~XControlPoint() override;

    // Every field, read at the time and view, clamped to the parameters' ranges.
    XControlPointData get_point_data(float time, View view = View()) const;
    void set_point_data(float time, XControlPointData xcpd, View view = View());
    // The same edit, marked as continuing an interactive change.
    void update_point_data(float time, XControlPointData xcpd, View view = View());
    void remove();

    bool operator==(const XControlPoint& other) const { return refersToSameShape(other); }
    bool operator!=(const XControlPoint& other) const { return !(*this == other); }
};

namespace Python {

// The edits that both kinds of point make alike.
void writePointData(const boost::shared_ptr<Rirediro::ControlPoint>& point,
                    const boost::shared_ptr<const Rirediro::ControlPointData>& record, const Prm::Context& context,
                    bool update);
void removePoint(const boost::shared_ptr<Rirediro::ControlPoint>& point);

} // namespace Python
