#pragma once

// Parameters of the media library's clip modes, compiled once with the
// other instantiations of the template.

#include <TQ/ClipMode.h>

#include "Prm/Parameter.h"

extern template class Prm::Parameter<TQ_CLIP_MODE>;
