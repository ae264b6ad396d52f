#include "Prm/SerialisedKeyframe.h"

namespace Prm {

SerialisedKeyframe::~SerialisedKeyframe() = default;

} // namespace Prm
