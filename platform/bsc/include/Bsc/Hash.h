#pragma once

#include <cstddef>
#include <cstdint>

namespace Bsc {

// A running 64-bit hash of bytes (FNV-1a), for cache keys. The same bytes
// in the same order always give the same value, in every process.
class Hash
{
public:
    void addBytes(const void* data, std::size_t size);
    std::uint64_t value() const { return m_value; }

    bool operator==(const Hash& o) const { return m_value == o.m_value; }
    bool operator!=(const Hash& o) const { return m_value != o.m_value; }

private:
    std::uint64_t m_value = 14695981039346656037ull;
};

} // namespace Bsc
