#pragma once

// Parameters of the media library's clip modes, compiled once with the
// other instantiations of the template.

#include <TQ/ClipMode.h>

#include "Prm/Parameter.h"

template <>
struct Prm::detail::Enumerators<TQ_CLIP_MODE>
{
    static constexpr int first = TQ_CLIP_MODE_AUTOMATIC;
    static constexpr int last = TQ_CLIP_MODE_MANUAL;
};

extern template class Prm::Parameter<TQ_CLIP_MODE>;
