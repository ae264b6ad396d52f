#pragma once

#include "Prm/Time.h"

#include <cmath>
#include <cstdint>

namespace Prm {

// A frame number of a clip. Numbers above MAX do not name a frame: they
// count as negative (as the same 32 bits read signed would be).
class Frame
{
public:
    constexpr Frame() = default;
    static constexpr Frame fromUInt(uint32_t value) { return Frame(value); }

    // The frame a time falls in: the time truncated towards zero. A time
    // that names no frame (negative, NaN, infinite, or beyond 32 bits, such
    // as Time::INVALID_TIME_VALUE) gives NONE. Every conversion of a time to
    // a frame goes through here, so none of them depends on how the machine
    // converts out-of-range doubles.
    static Frame fromTime(Time time)
    {
        const double whole = std::trunc(time.toDouble());
        if (!(whole >= 0.0 && whole <= 4294967295.0))
            return NONE;
        return fromUInt(static_cast<uint32_t>(whole));
    }

    constexpr uint32_t value() const { return m_value; }
    constexpr bool isNegative() const { return m_value > MAX_VALUE; }
    // The time at the start of the frame.
    constexpr Time time() const { return Time::fromDouble(double(m_value)); }

    constexpr bool operator==(const Frame& o) const { return m_value == o.m_value; }
    constexpr bool operator!=(const Frame& o) const { return m_value != o.m_value; }
    constexpr bool operator<(const Frame& o) const { return m_value < o.m_value; }

    // The largest frame number a clip can have.
    static const Frame MAX;
    // No frame at all (negative).
    static const Frame NONE;

private:
    static constexpr uint32_t MAX_VALUE = 0x7FFFFFFFu;
    constexpr explicit Frame(uint32_t value) : m_value(value) {}
    uint32_t m_value = 0;
};

inline constexpr Frame Frame::MAX = Frame::fromUInt(Frame::MAX_VALUE);
inline constexpr Frame Frame::NONE = Frame::fromUInt(0xFFFFFFFFu);

} // namespace Prm
