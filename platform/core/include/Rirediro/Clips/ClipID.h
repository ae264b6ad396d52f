#pragma once

namespace TQ {

// Identifies a clip within its project; 0 names no clip.
using ClipID = unsigned int;

} // namespace TQ
