#include "Prm/ParameterChange.h"

#include "Prm/ParameterWithoutType.h"

namespace Prm {

namespace {

void announce(ParameterWithoutType& parameter, ParameterChange::ChangeType type, const View& view,
              uint32_t index = 0, const Context& context = Context())
{
    ParameterChange change(type, &parameter, view, index, context);
    parameter.emitChange(change);
}

} // namespace

ParameterChange::ParameterChange(ChangeType t, ParameterWithoutType* p, uint32_t number)
    : type(t), parameter(p), index(number)
{
}

ParameterChange::ParameterChange(ChangeType t, ParameterWithoutType* p, View v, uint32_t i, Context c)
    : type(t), parameter(p), view(v), index(i), context(c)
{
}

bool ParameterChange::operator==(const ParameterChange& o) const
{
    return type == o.type && parameter == o.parameter && view == o.view && index == o.index && context == o.context;
}

void ParameterChange::valueChanged(ParameterWithoutType& parameter, const View& view)
{
    announce(parameter, ValueChanged, view);
}

void ParameterChange::viewAdded(ParameterWithoutType& parameter, const View& view)
{
    announce(parameter, ViewAdded, view);
}

void ParameterChange::viewRemoved(ParameterWithoutType& parameter, const View& view)
{
    announce(parameter, ViewRemoved, view);
}

void ParameterChange::viewReset(ParameterWithoutType& parameter, const View& view)
{
    announce(parameter, ViewReset, view);
}

void ParameterChange::keyframeAdded(ParameterWithoutType& parameter, uint32_t index, const View& view)
{
    announce(parameter, KeyframeAdded, view, index);
}

void ParameterChange::keyframeRemoved(ParameterWithoutType& parameter, uint32_t index, const Context& context)
{
    announce(parameter, KeyframeRemoved, context.view, index, context);
}

void ParameterChange::keyframeChangedValue(ParameterWithoutType& parameter, uint32_t index, const View& view)
{
    announce(parameter, KeyframeChangedValue, view, index);
}

void ParameterChange::keyframeChangedInterpolation(ParameterWithoutType& parameter, uint32_t index, const View& view)
{
    announce(parameter, KeyframeChangedInterpolation, view, index);
}

void ParameterChange::changedExtrapolationBefore(ParameterWithoutType& parameter)
{
    announce(parameter, ExtrapolationBeforeChanged, View(-1));
}

void ParameterChange::changedExtrapolationAfter(ParameterWithoutType& parameter)
{
    announce(parameter, ExtrapolationAfterChanged, View(-1));
}

void ParameterChange::parameterAssigned(ParameterWithoutType& parameter)
{
    announce(parameter, ParameterAssigned, View(-1));
}

ParameterObserver::~ParameterObserver() = default;

ParameterChangeRecorder::ParameterChangeRecorder(ParameterWithoutType& parameter) : m_parameter(&parameter)
{
    parameter.attachObserver(this);
}

ParameterChangeRecorder::~ParameterChangeRecorder()
{
    if (m_parameter)
        m_parameter->detachObserver(this);
}

} // namespace Prm
