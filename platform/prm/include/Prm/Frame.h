#pragma once

#include <cstdint>

namespace Prm {

// A frame number of a clip.
class Frame
{
public:
    constexpr Frame() = default;
    static constexpr Frame fromUInt(uint32_t value) { return Frame(value); }

    constexpr uint32_t value() const { return m_value; }

    constexpr bool operator==(const Frame& o) const { return m_value == o.m_value; }
    constexpr bool operator!=(const Frame& o) const { return m_value != o.m_value; }
    constexpr bool operator<(const Frame& o) const { return m_value < o.m_value; }

    // The largest frame number a clip can have.
    static const Frame MAX;

private:
    constexpr explicit Frame(uint32_t value) : m_value(value) {}
    uint32_t m_value = 0;
};

inline constexpr Frame Frame::MAX = Frame::fromUInt(0x7FFFFFFFu);

} // namespace Prm
