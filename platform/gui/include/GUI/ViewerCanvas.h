#pragma once

#include <QImage>
#include <QOpenGLWidget>
#include <QPointer>

#include <boost/function.hpp>

struct _object;
typedef _object PyObject;

class QPainter;

// Draws extra content over the viewer: called with a Python object and a
// widget the canvas does not use (null) and two numbers of the draw.
using OverlayRenderer = boost::function<void(PyObject*, QOpenGLWidget*, float, float)>;
Q_DECLARE_METATYPE(OverlayRenderer)

// The viewer's canvas, object name "canvas". It is never shown: a draw
// paints into an image that it hands out.
class ViewerCanvas : public QOpenGLWidget
{
    Q_OBJECT
public:
    static constexpr int Width = 64;
    static constexpr int Height = 48;

    explicit ViewerCanvas(QWidget* parent = nullptr);
    ~ViewerCanvas() override;

    // A new renderer replaces the old one; an empty one removes it.
    Q_INVOKABLE void setExtraOverlayRenderer(OverlayRenderer renderer);
    bool hasExtraOverlayRenderer() const { return !m_renderer.empty(); }

    // One draw: a transparent ARGB32 image that the renderer, called with
    // `a` and `b`, paints on. A null image without renderer.
    QImage drawOverlay(float a, float b);
    // The painter of the draw that is running, else null.
    QPainter* currentPainter() const { return m_painter; }

private:
    OverlayRenderer m_renderer;
    QPainter* m_painter = nullptr;
};
