#include "Prm/KeyframeIndex.h"

#include "Prm/ParameterWithoutType.h"

namespace Prm {
namespace detail {

namespace {

bool isSet(const KeyframeIndex& index)
{
    return !index.isEmpty() && index.parameter;
}

double timeOf(const KeyframeIndex& index)
{
    return index.parameter->keyframeTime(index.index, index.view).time.toDouble();
}

// The later (or earlier) of two candidate keyframes; an empty one loses.
KeyframeIndex pick(const KeyframeIndex& first, const KeyframeIndex& second, const Context& context, bool later)
{
    if (!isSet(first))
        return isSet(second) ? second : KeyframeIndex();
    if (!isSet(second))
        return first;
    const double firstTime = timeOf(first);
    const double secondTime = timeOf(second);
    if (firstTime == secondTime)
        return second.view == context.view && first.view != context.view ? second : first;
    const bool secondWins = later ? secondTime > firstTime : secondTime < firstTime;
    return secondWins ? second : first;
}

} // namespace

BoundingKeyframes intersectBounds(const BoundingKeyframes& first, const BoundingKeyframes& second,
                                  const Context& context)
{
    BoundingKeyframes result;
    result.before = pick(first.before, second.before, context, true);
    result.after = pick(first.after, second.after, context, false);
    return result;
}

} // namespace detail
} // namespace Prm
