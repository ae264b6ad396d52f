#include "ShapeHandle.h"

#include <Rirediro/Layers/Contour.h>
#include <Rirediro/Layers/ControlPoint.h>
#include <Rirediro/Layers/VUVI_Layer.h>

namespace Python {

Prm::Context contextOf(float time, const View& view)
{
    return Prm::Context(Prm::Time::fromDouble(double(time)), view.getView(), 3);
}

float clampedValue(double value, double minimum, double maximum)
{
    const double capped = value > maximum ? maximum : value;
    return float(capped > minimum ? capped : minimum);
}

} // namespace Python

template <typename Core>
Parameter ShapeHandle<Core>::parameter(const QStringList& name_components)
{
    return Parameter(this->handledObject(), name_components);
}

template <typename Core>
ParameterSet ShapeHandle<Core>::parameter_set(const QStringList& name_components)
{
    return ParameterSet(this->handledObject(), name_components);
}

template <typename Core>
bool ShapeHandle<Core>::refersToSameShape(const ShapeHandle& other) const
{
    if (this == &other)
        return true;
    const unsigned int theirs = other.handledObject()->id();
    return this->handledObject()->id() == theirs;
}

template class ShapeHandle<Rirediro::Contour>;
template class ShapeHandle<Rirediro::ControlPoint>;
