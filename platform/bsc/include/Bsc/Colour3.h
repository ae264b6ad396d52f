#pragma once

namespace Bsc {

// An RGB colour. Components of float colours lie between 0 and 1.
template <typename T>
struct Colour3
{
    Colour3() = default;
    Colour3(T red, T green, T blue) : r(red), g(green), b(blue) {}

    T red() const { return r; }
    T green() const { return g; }
    T blue() const { return b; }
    void setRed(T v) { r = v; }
    void setGreen(T v) { g = v; }
    void setBlue(T v) { b = v; }

    // Exact component comparison: a NaN component never compares equal.
    bool operator==(const Colour3& o) const { return r == o.r && g == o.g && b == o.b; }
    bool operator!=(const Colour3& o) const { return !(*this == o); }

    T r{};
    T g{};
    T b{};
};

} // namespace Bsc
