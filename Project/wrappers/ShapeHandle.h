#pragma once

#include "Project/wrappers/Parameter.h"
#include "Project/wrappers/ParameterSet.h"
#include "Project/wrappers/PyHandle.h"
#include "Project/wrappers/View.h"

#include <Prm/Context.h>

#include <QStringList>

#include <boost/weak_ptr.hpp>

class VUVI_Layer;
class VUVI_ProjectManager;

namespace Python {

// The context of a time (in frames) and a view, as every time-and-view
// operation of the API hands it to the core.
Prm::Context contextOf(float time, const View& view);

// A parameter value as scripts read it: bound to the range [minimum,
// maximum], the maximum applied first, so that the minimum wins when the
// bounds cross and a value that is not a number reads as the minimum.
float clampedValue(double value, double minimum, double maximum);
// The value of a ranged parameter at the context, so bound.
template <typename RangedParameter>
float clampedValueOf(const RangedParameter& parameter, const Prm::Context& context)
{
    return clampedValue(double(parameter.value(context)), double(parameter.minimum()), double(parameter.maximum()));
}

} // namespace Python

// What the handles on contours and control points share (Core is
// Rirediro::Contour or Rirediro::ControlPoint): weak references to the core
// shape and to its project, the shape's parameters, and identity by the
// shape's id. Once the shape is gone every operation but isNull throws
// VUVI_BadState "Invalid object".
template <typename Core>
class ShapeHandle : public ProjectHandle<Core>
{
public:
    ShapeHandle() = default;
    ShapeHandle(const boost::shared_ptr<Core>& shape, const boost::weak_ptr<VUVI_ProjectManager>& project)
        : ProjectHandle<Core>(shape, project)
    {
    }

    bool isNull() const override { return PyHandle<Core>::isNull(); }

    Parameter parameter(const QStringList& name_components);
    ParameterSet parameter_set(const QStringList& name_components = QStringList());

protected:
    // The same handle, or shapes of the same id (in whichever project, see
    // refersToSameNode): the other handle is locked first.
    bool refersToSameShape(const ShapeHandle& other) const;
};

namespace Rirediro {
class Contour;
class ControlPoint;
} // namespace Rirediro
extern template class ShapeHandle<Rirediro::Contour>;
extern template class ShapeHandle<Rirediro::ControlPoint>;
