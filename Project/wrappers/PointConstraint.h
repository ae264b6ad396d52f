#pragma once

#include <Prm/Context.h>

#include <boost/shared_ptr.hpp>

class VUVI_ProjectManager;

namespace Rirediro {
class ControlPoint;
}

namespace Python {

// Makes `slave` follow `master` (a point on another layer), or frees it
// when `master` is null, as one undoable step "Constrain point". With
// `lockTangents` the handles of the Bezier points next to `slave` stay
// where they were. Nothing happens without a slave or a project.
void setPointConstraint(const boost::shared_ptr<Rirediro::ControlPoint>& master,
                        const boost::shared_ptr<Rirediro::ControlPoint>& slave, VUVI_ProjectManager* project,
                        const Prm::Context& context, bool lockTangents);

// The point `point` follows, looked up again in its contour; null when none.
boost::shared_ptr<Rirediro::ControlPoint> masterPointOf(const Rirediro::ControlPoint& point);

} // namespace Python
