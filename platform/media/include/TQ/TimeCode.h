#pragma once

#include <cstdint>

namespace TQ {

// The time code of a frame, as the footage records it: hours, minutes,
// seconds and frames; frames -1 when the footage records none.
struct TimeCode
{
    int32_t hours = 0;
    int32_t minutes = 0;
    int32_t seconds = 0;
    int32_t frames = -1;
};

static_assert(sizeof(TimeCode) == 16, "a time code is four 32-bit words");

} // namespace TQ
