#pragma once

#include <QPointF>

#include <boost/shared_ptr.hpp>
#include <boost/weak_ptr.hpp>

namespace Rirediro {

class LayerBase;

// One mouse event in the viewer, as the core hands it to its tools: where
// the pointer is, and the layer, contour and control point under it.
// Id 0 names no contour or point. An event may be kept past the layer's
// life (a tool may store it): it refers to the layer weakly.
class InputEvent
{
public:
    InputEvent() = default;
    InputEvent(const QPointF& posOnImage, const QPointF& posOnCanvas,
               const boost::shared_ptr<LayerBase>& layer = boost::shared_ptr<LayerBase>(),
               unsigned int contourID = 0, unsigned int pointID = 0)
        : m_posOnImage(posOnImage)
        , m_posOnCanvas(posOnCanvas)
        , m_layer(layer)
        , m_contourID(contourID)
        , m_pointID(pointID)
    {
    }

    QPointF posOnImage() const { return m_posOnImage; }
    QPointF posOnCanvas() const { return m_posOnCanvas; }
    // The layer or group under the pointer; null for none, or once it is gone.
    boost::shared_ptr<LayerBase> layer() const { return m_layer.lock(); }
    unsigned int contourID() const { return m_contourID; }
    unsigned int pointID() const { return m_pointID; }

private:
    QPointF m_posOnImage;
    QPointF m_posOnCanvas;
    boost::weak_ptr<LayerBase> m_layer;
    unsigned int m_contourID = 0;
    unsigned int m_pointID = 0;
};

} // namespace Rirediro
