#pragma once

namespace Rirediro {

// One closed shape of a layer, an X-spline or a Bezier curve through
// control points. Layers hold their contours by shared pointer.
class Contour
{
public:
    enum Kind { XSpline = 0, Bezier = 1 };

    virtual ~Contour();
    // Unique among the contours of a layer.
    virtual unsigned int id() const = 0;
    virtual Kind kind() const = 0;
};

} // namespace Rirediro
