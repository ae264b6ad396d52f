#include "FramePixels.h"

#include "Rirediro/ErrorHandling/VUVI_Throw.h"
#include "Rirediro/Layers/Contour.h"
#include "Rirediro/Layers/ControlPoint.h"
#include "Rirediro/Layers/VUVI_Layer.h"
#include "Rirediro/Project/VUVI_FrameManager.h"

#include <Gandalf/Image.h>

#include <QColor>

#include <cstring>

namespace Rirediro {

namespace {

// An image's description, read once: a script may change the fields of a
// frame it holds meanwhile.
struct Description
{
    Gan_ImageFormat format;
    Gan_Type type;
    unsigned long height;
    unsigned long width;
    unsigned long stride;
    void* pixels;
    size_t bytes;
};

// Whether the kernels read pixels so described, whose layout is `layout`.
bool kernelsRead(const Description& image, Dururev::FrameLayout& layout)
{
    return Dururev::frameLayoutOf(image.format, image.type, image.width, image.height, layout)
           && (layout.channelType == Dururev::FrameImage::UInt8 || layout.channelType == Dururev::FrameImage::Float);
}

// A description past its buffer is never read.
bool withinBuffer(const Description& image)
{
    return image.pixels
           && gan_image_layout_fits(image.format, image.type, image.height, image.width, image.stride, image.bytes);
}

} // namespace

FramePixels::FramePixels(VUVI_FrameManager& frames, TQ::ClipID clip, const Prm::Context& context)
    : m_image(frames.spgiGetDerivedImage(clip, context, false, false))
{
    const QString frame = QStringLiteral("frame %1 of clip %2").arg(context.time.toDouble()).arg(clip);
    if (!m_image.get())
        vThrowException(__FILE__, __LINE__, QStringLiteral("Cannot read the frame"),
                        QStringLiteral("Cannot read %1").arg(frame));
    const Description image{m_image->format, m_image->type, m_image->height, m_image->width,
                            m_image->stride, m_image->pix_data_ptr, m_image->pix_data_size};
    Dururev::FrameLayout layout;
    if (!kernelsRead(image, layout))
        vThrowException(__FILE__, __LINE__, QStringLiteral("Unsupported frame"),
                        QStringLiteral("The pixels of %1 cannot be tracked or rendered").arg(frame));
    if (!withinBuffer(image))
        vThrowException(__FILE__, __LINE__, QStringLiteral("Frame larger than its pixels"),
                        QStringLiteral("The description of %1 claims more pixels than it holds").arg(frame));
    m_pixels = ImageKit::Pixels{layout, image.pixels, image.stride};
    if (layout.channels != 2)
        return;
    layout.channels = 1;
    const std::size_t channel = layout.bytes() / std::size_t(layout.width) / std::size_t(layout.height);
    m_grey.resize(layout.bytes());
    const auto* rows = static_cast<const unsigned char*>(image.pixels);
    unsigned char* grey = m_grey.data();
    for (int row = 0; row < layout.height; ++row) {
        const unsigned char* pixel = rows + std::size_t(row) * image.stride;
        for (int column = 0; column < layout.width; ++column, pixel += 2 * channel, grey += channel)
            std::memcpy(grey, pixel, channel);
    }
    m_pixels = ImageKit::Pixels{layout, m_grey.data(), std::size_t(layout.width) * channel};
}

Dururev::FrameImage FramePixels::frameImage() const
{
    const Dururev::FrameLayout& layout = m_pixels.layout;
    Dururev::FrameImage image;
    image.width = layout.width;
    image.height = layout.height;
    image.channels = layout.channels;
    image.channelType = layout.channelType;
    image.pixels.resize(layout.bytes());
    const std::size_t row = image.pixels.size() / std::size_t(layout.height);
    for (int y = 0; y < layout.height; ++y)
        std::memcpy(image.pixels.data() + std::size_t(y) * row,
                    static_cast<const unsigned char*>(m_pixels.data) + std::size_t(y) * m_pixels.rowBytes, row);
    return image;
}

ImageKit::Shape shapeOf(const VUVI_Layer& layer, const Prm::Context& context)
{
    ImageKit::Shape shape;
    for (const boost::shared_ptr<Contour>& contour : layer.contours()) {
        ImageKit::Polygon polygon;
        for (const boost::shared_ptr<ControlPoint>& point : contour->points()) {
            const QPointF p = point->position(context);
            polygon.push_back(ImageKit::Point{p.x(), p.y()});
        }
        shape.push_back(std::move(polygon));
    }
    return shape;
}

ImageKit::Colour colourOf(const QColor& colour)
{
    return ImageKit::Colour{colour.redF(), colour.greenF(), colour.blueF()};
}

} // namespace Rirediro
