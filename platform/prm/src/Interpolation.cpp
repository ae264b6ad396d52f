#include "Prm/Interpolation.h"

#include <algorithm>
#include <cmath>

namespace Prm {

namespace {

const char* const interpolationNames[] = {"constant", "linear", "smooth", "bezier"};
const char* const extrapolationNames[] = {"constant", "linear"};

template <typename Enum, std::size_t N>
QString nameOf(Enum value, const char* const (&names)[N])
{
    const auto index = static_cast<int32_t>(value);
    if (index >= 0 && std::size_t(index) < N)
        return QLatin1String(names[index]);
    return QString::number(index);
}

template <typename Enum, std::size_t N>
bool valueOf(const QString& text, Enum& value, const char* const (&names)[N])
{
    const QString trimmed = text.trimmed();
    for (std::size_t i = 0; i < N; ++i) {
        if (trimmed.compare(QLatin1String(names[i]), Qt::CaseInsensitive) == 0) {
            value = static_cast<Enum>(i);
            return true;
        }
    }
    bool ok = false;
    const int number = trimmed.toInt(&ok);
    if (ok)
        value = static_cast<Enum>(number);
    return ok;
}

// One coordinate of a unit cubic bezier with end points 0 and 1.
double bezierCoordinate(double p1, double p2, double u)
{
    const double v = 1.0 - u;
    return 3.0 * v * v * u * p1 + 3.0 * v * u * u * p2 + u * u * u;
}

double bezierEase(const std::array<double, 4>& handles, double s)
{
    const double x1 = std::clamp(handles[0], 0.0, 1.0);
    const double x2 = std::clamp(handles[2], 0.0, 1.0);
    // With x1 and x2 in [0, 1] the x coordinate rises monotonically, so
    // bisection finds the curve parameter for s.
    double lo = 0.0;
    double hi = 1.0;
    for (int i = 0; i < 60; ++i) {
        const double mid = 0.5 * (lo + hi);
        if (bezierCoordinate(x1, x2, mid) < s)
            lo = mid;
        else
            hi = mid;
    }
    return bezierCoordinate(handles[1], handles[3], 0.5 * (lo + hi));
}

} // namespace

double easedFraction(const IType& segment, double s)
{
    if (!(s > 0.0))
        return 0.0;
    if (s >= 1.0)
        return 1.0;
    switch (segment.interpolation) {
    case InterpolationConstant:
        return 0.0;
    case InterpolationLinear:
        return s;
    case InterpolationSmooth:
        return s * s * (3.0 - 2.0 * s);
    case InterpolationBezier:
        return bezierEase(segment.data, s);
    }
    return s;
}

QString qstrInterpolationTypeString(Interpolation interpolation)
{
    return nameOf(interpolation, interpolationNames);
}

bool bStringToInterpolationType(const QString& text, Interpolation& interpolation)
{
    return valueOf(text, interpolation, interpolationNames);
}

QString qstrExtrapolationTypeString(Extrapolation extrapolation)
{
    return nameOf(extrapolation, extrapolationNames);
}

bool bStringToExtrapolationType(const QString& text, Extrapolation& extrapolation)
{
    return valueOf(text, extrapolation, extrapolationNames);
}

} // namespace Prm
