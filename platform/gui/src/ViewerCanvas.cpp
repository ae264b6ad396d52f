#include "GUI/ViewerCanvas.h"

#include <QPainter>

namespace {
const int overlayRendererType = qRegisterMetaType<OverlayRenderer>("OverlayRenderer");
}

ViewerCanvas::ViewerCanvas(QWidget* parent)
    : QOpenGLWidget(parent)
{
    Q_UNUSED(overlayRendererType);
    setObjectName(QStringLiteral("canvas"));
    resize(Width, Height);
}

ViewerCanvas::~ViewerCanvas() = default;

void ViewerCanvas::setExtraOverlayRenderer(OverlayRenderer renderer)
{
    m_renderer = std::move(renderer);
}

QImage ViewerCanvas::drawOverlay(float a, float b)
{
    if (m_renderer.empty())
        return QImage();
    QImage image(Width, Height, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    {
        // The renderer may replace itself while it runs: call a copy.
        const OverlayRenderer renderer = m_renderer;
        QPainter painter(&image);
        m_painter = &painter;
        try {
            renderer(nullptr, nullptr, a, b);
        } catch (...) {
            m_painter = nullptr;
            throw;
        }
        m_painter = nullptr;
    }
    return image;
}
