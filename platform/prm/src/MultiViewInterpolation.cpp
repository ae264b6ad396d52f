#include "Prm/MultiViewInterpolation.h"

#include <algorithm>

namespace Prm {
namespace detail {

std::vector<View> interpolationSourceViews(const MVInterpolationParams& params, const View& view,
                                           const std::vector<View>& viewList)
{
    if (params.sources == MVInterpolationParams::Sources::AllViews)
        return viewList;
    if (std::find(viewList.begin(), viewList.end(), view) != viewList.end())
        return {view};
    return {};
}

} // namespace detail
} // namespace Prm
