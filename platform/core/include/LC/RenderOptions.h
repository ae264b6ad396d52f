#pragma once

namespace LC {

// How a render or track step is made. The defaults are the only options
// this library has.
struct RenderOptions
{
};

} // namespace LC
