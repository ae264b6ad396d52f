#pragma once

// Parameters of clip modes, compiled once in the media library.

#include "TQ/ClipMode.h"

#include "Prm/Parameter.h"

extern template class Prm::Parameter<TQ_CLIP_MODE>;
