#pragma once

#include <cmath>
#include <limits>

namespace Prm {

// A point in time of a clip, in frames.
class Time
{
public:
    static constexpr double INVALID_TIME_VALUE = -std::numeric_limits<double>::max();

    constexpr Time() = default;

    static constexpr Time fromDouble(double value) { return Time(value); }
    static constexpr Time fromFloat(float value) { return Time(double(value)); }
    static constexpr Time fromInt(int value) { return Time(double(value)); }

    constexpr double toDouble() const { return m_value; }
    constexpr double value() const { return m_value; }
    constexpr bool isValid() const { return m_value != INVALID_TIME_VALUE; }

    constexpr bool operator==(const Time& o) const { return m_value == o.m_value; }
    constexpr bool operator!=(const Time& o) const { return m_value != o.m_value; }
    constexpr bool operator<(const Time& o) const { return m_value < o.m_value; }
    constexpr bool operator<=(const Time& o) const { return m_value <= o.m_value; }
    constexpr bool operator>(const Time& o) const { return m_value > o.m_value; }
    constexpr bool operator>=(const Time& o) const { return m_value >= o.m_value; }

private:
    constexpr explicit Time(double value) : m_value(value) {}
    double m_value = INVALID_TIME_VALUE;
};

} // namespace Prm
