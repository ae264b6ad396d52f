#include "Bsc/Hash.h"

namespace Bsc {

void Hash::addBytes(const void* data, std::size_t size)
{
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (std::size_t i = 0; i < size; ++i) {
        m_value ^= bytes[i];
        m_value *= 1099511628211ull;
    }
}

} // namespace Bsc
