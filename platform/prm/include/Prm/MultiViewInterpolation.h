#pragma once

#include "Prm/View.h"

#include <vector>

namespace Prm {

// Which views' keyframes shape the value of a view of a split parameter.
struct MVInterpolationParams
{
    enum class Sources {
        OwnView,  // each view follows its own keyframes
        AllViews, // every view follows the keyframes of all views together
    };
    Sources sources = Sources::OwnView;

    bool operator==(const MVInterpolationParams& o) const { return sources == o.sources; }
};

namespace detail {

// The views whose keyframes give `view` its value: with OwnView the view
// itself when it is in `viewList`, else none (the caller then falls back to
// the data the view reads); with AllViews the whole list.
std::vector<View> interpolationSourceViews(const MVInterpolationParams& params, const View& view,
                                           const std::vector<View>& viewList);

} // namespace detail
} // namespace Prm
