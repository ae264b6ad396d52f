#pragma once

// Prm::Parameter<T>: the value at a context, across masters, views and
// keyframes, and the value-type hooks. Included by Prm/Parameter.h.

#include <Prm/MultiViewInterpolation.h>

#include <array>
#include <type_traits>

namespace Prm {

namespace detail {

// Types whose values move between keyframes; every other type holds a
// keyframe's value until the next keyframe.
template <typename T>
constexpr bool isInterpolable = std::is_floating_point<T>::value;

} // namespace detail

template <typename T>
T Parameter<T>::value(const Context& context, Cache* cache) const
{
    const Parameter* master = effectiveMaster();
    if (master != this)
        return master->value(context, cache);
    return ownValue(context, cache);
}

template <typename T>
T Parameter<T>::ownValue(const Context& context, Cache* cache) const
{
    const View view = valueView(context);
    if (!isKeyframed())
        return m_views.viewData(view).staticValue;

    const PVData* own = m_views.findRealViewData(view);
    if (own) {
        KeyframeData<T> exact;
        const LockedKeyframes keys(own);
        if (detail::findKeyframeAtTime(keys.keyframes(), context.time, &exact))
            return exact.value;
    }

    const View fallback = own ? view : viewList().front();
    std::vector<View> sources;
    if (m_splittable)
        sources = detail::interpolationSourceViews(mvInterpolationParams(), context.view, viewList());
    if (sources.empty())
        sources.assign(1, fallback);

    switch (sources.size()) {
    case 1:
        return computedValue<1>(context, sources, cache);
    case 2:
        return computedValue<2>(context, sources, cache);
    case 3:
        return computedValue<3>(context, sources, cache);
    default:
        return computedValue<std::numeric_limits<std::size_t>::max()>(context, sources, cache);
    }
}

template <typename T>
BoundingKeyframes Parameter<T>::boundsInView(const View& view, Time time) const
{
    const LockedKeyframes keys(&m_views.viewData(view));
    if (keys.keyframes().isEmpty())
        return BoundingKeyframes();
    return detail::findClosestKeyframes(keys.keyframes(), time, view, const_cast<Parameter*>(this));
}

template <typename T>
template <std::size_t N>
T Parameter<T>::computedValue(const Context& context, const std::vector<View>& sourceViews, Cache* cache) const
{
    constexpr bool anyNumber = N == std::numeric_limits<std::size_t>::max();
    using Bounds = std::conditional_t<anyNumber, QVector<BoundingKeyframes>, std::array<BoundingKeyframes, anyNumber ? 1 : N>>;

    const Context evaluation(context.time, valueView(context), context.mode);
    Bounds bounds{};
    if constexpr (anyNumber)
        bounds.resize(int(sourceViews.size()));
    const std::size_t count = std::min(sourceViews.size(), std::size_t(bounds.size()));
    for (std::size_t i = 0; i < count; ++i)
        bounds[int(i)] = boundsInView(sourceViews[i], context.time);

    BoundingKeyframes folded;
    if constexpr (N == 1)
        folded = bounds[0];
    else
        folded = detail::squashBounds(bounds, evaluation);
    return valueFromBounds(folded, evaluation, cache);
}

template <typename T>
T Parameter<T>::valueFromBounds(const BoundingKeyframes& bounds, const Context& evaluation, Cache* cache) const
{
    const bool noBefore = bounds.before.isEmpty();
    const bool noAfter = bounds.after.isEmpty();
    if (noBefore && noAfter) {
        if (!supportsExtrapolationFromNoKeys())
            return m_views.viewData(evaluation.view).staticValue;
        return extrapolateValue(bounds, evaluation, cache);
    }
    if (noBefore || noAfter)
        return extrapolateValue(bounds, evaluation, cache);
    if (bounds.before.view == bounds.after.view && bounds.before.index == bounds.after.index
        && bounds.before.view == evaluation.view)
        return keyframeValue(bounds.before.index, bounds.before.view);
    return interpolateValue(bounds, evaluation, cache);
}

// ---- value-type hooks ----

template <typename T>
T Parameter<T>::interpolateValue(const BoundingKeyframes& bounds, const Context& context, Cache*) const
{
    const KeyframeData<T> from = keyframe(bounds.before.index, bounds.before.view);
    if constexpr (detail::isInterpolable<T>) {
        const KeyframeData<T> to = keyframe(bounds.after.index, bounds.after.view);
        const double span = to.time.toDouble() - from.time.toDouble();
        if (!(span > 0.0))
            return from.value;
        const double s = (context.time.toDouble() - from.time.toDouble()) / span;
        return T(from.value + (to.value - from.value) * easedFraction(from.itype, s));
    } else {
        (void)context;
        return from.value;
    }
}

template <typename T>
T Parameter<T>::extrapolateValue(const BoundingKeyframes& bounds, const Context& context, Cache*) const
{
    // Before the first keyframe the value continues from it, after the last
    // from that one; linear extrapolation of reals follows the slope of the
    // outermost segment of the same view.
    const bool beforeFirst = bounds.before.isEmpty();
    const KeyframeIndex& outer = beforeFirst ? bounds.after : bounds.before;
    const KeyframeData<T> edge = keyframe(outer.index, outer.view);
    if constexpr (detail::isInterpolable<T>) {
        const Extrapolation mode = beforeFirst ? extrapolationBefore() : extrapolationAfter();
        const unsigned int count = keyframeCount(outer.view);
        const bool hasNeighbour = beforeFirst ? outer.index + 1 < count : outer.index >= 1 && outer.index < count;
        if (mode == ExtrapolationLinear && hasNeighbour) {
            const KeyframeData<T> neighbour = keyframe(beforeFirst ? outer.index + 1 : outer.index - 1, outer.view);
            const double span = neighbour.time.toDouble() - edge.time.toDouble();
            if (span != 0.0) {
                const double slope = double(neighbour.value - edge.value) / span;
                return T(edge.value + slope * (context.time.toDouble() - edge.time.toDouble()));
            }
        }
    } else {
        (void)context;
    }
    return edge.value;
}

template <typename T>
IType Parameter<T>::initialiseInterpolation(const KeyframeData<T>&, const KeyframeData<T>&,
                                            Interpolation interpolation) const
{
    IType itype;
    itype.interpolation = interpolation;
    if constexpr (detail::isInterpolable<T>) {
        if (interpolation == InterpolationBezier)
            itype.data = LINEAR_BEZIER_HANDLES;
    }
    return itype;
}

} // namespace Prm
