#pragma once

#include <QString>

#include <array>
#include <cstdint>

namespace Prm {

// How a value moves from one keyframe to the next.
enum Interpolation : int32_t {
    InterpolationConstant = 0, // holds the keyframe's value until the next one
    InterpolationLinear = 1,
    InterpolationSmooth = 2,   // eases out of one key and into the next
    InterpolationBezier = 3,   // eased by the segment's bezier handles (IType::data)
};

// How a value continues before the first and after the last keyframe.
enum Extrapolation : int32_t {
    ExtrapolationConstant = 0, // the outermost keyframe's value
    ExtrapolationLinear = 1,   // continues the slope of the outermost segment
};

// The shape of the segment that starts at a keyframe. For bezier segments
// `data` holds the two handles of a unit easing curve from (0, 0) to (1, 1):
// x1, y1, x2, y2; the x coordinates are clamped into [0, 1] when evaluated.
// Other interpolations keep `data` as they were given it.
struct IType
{
    Interpolation interpolation = InterpolationConstant;
    std::array<double, 4> data{};

    bool operator==(const IType& o) const { return interpolation == o.interpolation && data == o.data; }
    bool operator!=(const IType& o) const { return !(*this == o); }
};

// The handles of a bezier segment that moves at constant speed.
constexpr std::array<double, 4> LINEAR_BEZIER_HANDLES{1.0 / 3.0, 1.0 / 3.0, 2.0 / 3.0, 2.0 / 3.0};

// How far (0 at the segment's start key, 1 at its end key, bezier handles
// may overshoot) a value has moved at fraction `s` of the segment's time.
double easedFraction(const IType& segment, double s);

// Names as the text form of parameters writes them ("constant", "linear",
// "smooth", "bezier"; extrapolations "constant", "linear"). Unknown values
// are written as their number; reading accepts the names case-insensitively
// and the numbers, and leaves the target unchanged (false) on anything else.
QString qstrInterpolationTypeString(Interpolation interpolation);
bool bStringToInterpolationType(const QString& text, Interpolation& interpolation);
QString qstrExtrapolationTypeString(Extrapolation extrapolation);
bool bStringToExtrapolationType(const QString& text, Extrapolation& extrapolation);

} // namespace Prm
