#pragma once

#include "Prm/Context.h"
#include "Prm/View.h"

#include <cstdint>

namespace Prm {

class ParameterWithoutType;

// One keyframe of one view of a parameter. The empty index (no parameter,
// view -1) stands for "no keyframe".
struct KeyframeIndex
{
    KeyframeIndex() = default;
    KeyframeIndex(ParameterWithoutType* p, View v, uint32_t i) : parameter(p), view(v), index(i) {}

    ParameterWithoutType* parameter = nullptr;
    View view{-1};
    uint32_t index = 0;

    bool isEmpty() const { return view.id() == -1; }
    bool operator==(const KeyframeIndex& o) const
    {
        return parameter == o.parameter && view == o.view && index == o.index;
    }
    bool operator!=(const KeyframeIndex& o) const { return !(*this == o); }
};

// The keyframes around a time: `before` is empty when the time lies before
// the first keyframe, `after` when it lies after the last; both name the
// same keyframe when one lies exactly at the time.
struct BoundingKeyframes
{
    KeyframeIndex before;
    KeyframeIndex after;

    bool operator==(const BoundingKeyframes& o) const { return before == o.before && after == o.after; }
    bool operator!=(const BoundingKeyframes& o) const { return !(*this == o); }
};

namespace detail {

// Combines the bounds found in two views into the tightest bounds around
// the time: the later of the two `before` keyframes and the earlier of the
// two `after` keyframes, an empty side losing to a set one. When both
// candidates lie at the same time, the one in the context's view wins, else
// the first pair's. Keyframe times are asked of each index's parameter; an
// index without a parameter counts as empty.
BoundingKeyframes intersectBounds(const BoundingKeyframes& first, const BoundingKeyframes& second,
                                  const Context& context);

} // namespace detail
} // namespace Prm
