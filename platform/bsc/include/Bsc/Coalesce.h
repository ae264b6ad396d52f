#pragma once

namespace Bsc {

// The first value unless it is empty, else the second.
template <typename T>
T coalesce(T first, T second)
{
    return first.size() != 0 ? first : second;
}

} // namespace Bsc
