#include "Prm/AnimationState.h"

#include <boost/make_shared.hpp>

namespace Prm {

namespace {

class FixedViewSource : public AnimationViewSource
{
public:
    explicit FixedViewSource(std::vector<View> views) : m_views(std::move(views)) {}
    std::vector<View> viewsToKey(const AnimationState&) const override { return m_views; }

private:
    std::vector<View> m_views;
};

} // namespace

AnimationViewSource::~AnimationViewSource() = default;

AnimationState::AnimationState(boost::shared_ptr<const AnimationViewSource> viewSource)
    : m_viewSource(std::move(viewSource))
{
}

AnimationState AnimationState::forViews(std::vector<View> views)
{
    return AnimationState(boost::make_shared<FixedViewSource>(std::move(views)));
}

std::vector<View> AnimationState::viewsToKey() const
{
    return m_viewSource ? m_viewSource->viewsToKey(*this) : std::vector<View>();
}

} // namespace Prm
