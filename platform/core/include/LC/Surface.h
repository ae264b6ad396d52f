#pragma once

#include <Prm/Context.h>

#include <QPointF>

class VUVI_Layer;

namespace SurfaceTypes {
// The corners of a surface, clockwise on screen from the top-left.
enum CornerT { TopLeft = 0, TopRight = 1, BottomRight = 2, BottomLeft = 3 };
}

namespace LC {

// The plane a layer lies on: the frame of the layer's clip, carried through
// the layer's transformation at each time.
class Surface
{
public:
    explicit Surface(const VUVI_Layer& layer) : m_layer(layer) {}

    // Where a corner of the frame is, in clip pixels, at the context.
    QPointF pointPosition(const Prm::Context& context, SurfaceTypes::CornerT corner) const;

private:
    const VUVI_Layer& m_layer;
};

} // namespace LC
