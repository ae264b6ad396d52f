#pragma once

#include "Prm/View.h"

#include <boost/shared_ptr.hpp>

#include <vector>

namespace Prm {

class AnimationState;

// Decides which views get a keyframe when the user keys a parameter
// (for example the current view only, or every view of a stereo pair).
class AnimationViewSource
{
public:
    virtual ~AnimationViewSource();
    virtual std::vector<View> viewsToKey(const AnimationState& state) const = 0;
};

// The animation settings in force when a parameter is keyed.
class AnimationState
{
public:
    explicit AnimationState(boost::shared_ptr<const AnimationViewSource> viewSource = {});

    // A state whose view source always names these views, in this order.
    static AnimationState forViews(std::vector<View> views);

    // The views to key, asked of the view source; none without a source.
    std::vector<View> viewsToKey() const;

private:
    boost::shared_ptr<const AnimationViewSource> m_viewSource;
};

} // namespace Prm
