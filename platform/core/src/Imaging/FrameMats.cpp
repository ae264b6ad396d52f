#include "FrameMats.h"

#include "Rirediro/ErrorHandling/VUVI_Throw.h"
#include "Rirediro/Layers/Contour.h"
#include "Rirediro/Layers/ControlPoint.h"
#include "Rirediro/Layers/VUVI_Layer.h"
#include "Rirediro/Project/VUVI_FrameManager.h"

#include <Bsc/GanImage.h>
#include <Dururev/FrameImage.h>
#include <Gandalf/Image.h>

#include <opencv2/imgproc.hpp>

#include <climits>

namespace Rirediro {

namespace {

int channelsOf(Gan_ImageFormat format)
{
    switch (format) {
    case GAN_GREY_LEVEL_IMAGE: return 1;
    case GAN_GREY_LEVEL_ALPHA_IMAGE: return 2;
    case GAN_RGB_COLOUR_IMAGE: return 3;
    case GAN_RGB_COLOUR_ALPHA_IMAGE: return 4;
    default: return 0;
    }
}

} // namespace

cv::Mat frameMat(VUVI_FrameManager& frames, TQ::ClipID clip, const Prm::Context& context)
{
    const Bsc::detail::GanImage_Ptr<Gan_Image> image = frames.spgiGetDerivedImage(clip, context, false, false);
    const QString frame = QStringLiteral("frame %1 of clip %2").arg(context.time.toDouble()).arg(clip);
    if (!image.get())
        vThrowException(__FILE__, __LINE__, QStringLiteral("Cannot read the frame"),
                        QStringLiteral("Cannot read %1").arg(frame));
    // The description as read once: a script may change the fields of a
    // frame it holds meanwhile, and a description past the buffer is never
    // read from.
    const Gan_ImageFormat format = image->format;
    const Gan_Type type = image->type;
    const unsigned long height = image->height;
    const unsigned long width = image->width;
    const unsigned long stride = image->stride;
    const int channels = channelsOf(format);
    const int depth = type == GAN_UCHAR ? CV_8U : type == GAN_FLOAT ? CV_32F : -1;
    if (channels == 0 || depth < 0)
        vThrowException(__FILE__, __LINE__, QStringLiteral("Unsupported frame"),
                        QStringLiteral("The pixels of %1 cannot be tracked or rendered").arg(frame));
    const bool empty = height == 0 || width == 0;
    if (!gan_image_layout_fits(format, type, height, width, stride, image->pix_data_size)
        || (!empty && !image->pix_data_ptr) || height > unsigned(INT_MAX) || width > unsigned(INT_MAX))
        vThrowException(__FILE__, __LINE__, QStringLiteral("Frame larger than its pixels"),
                        QStringLiteral("The description of %1 claims more pixels than it holds").arg(frame));
    const cv::Mat view(int(height), int(width), CV_MAKETYPE(depth, channels), image->pix_data_ptr, stride);
    cv::Mat copy;
    if (channels == 2) {
        cv::extractChannel(view, copy, 0);
    } else {
        view.copyTo(copy);
    }
    return copy;
}

Dururev::FrameImage frameImageOf(const cv::Mat& image)
{
    Dururev::FrameImage frame;
    frame.width = image.cols;
    frame.height = image.rows;
    frame.channels = image.channels();
    frame.channelType = image.depth() == CV_32F ? Dururev::FrameImage::Float : Dururev::FrameImage::UInt8;
    const cv::Mat packed = image.isContinuous() ? image : image.clone();
    const auto* bytes = packed.ptr<unsigned char>();
    frame.pixels.assign(bytes, bytes + packed.total() * packed.elemSize());
    return frame;
}

Imaging::Transform transformOf(const Gan_Matrix33& m)
{
    return Imaging::Transform(m.xx, m.xy, m.xz, m.yx, m.yy, m.yz, m.zx, m.zy, m.zz);
}

Gan_Matrix33 matrixOf(const Imaging::Transform& t)
{
    return Gan_Matrix33{t(0, 0), t(0, 1), t(0, 2), t(1, 0), t(1, 1), t(1, 2), t(2, 0), t(2, 1), t(2, 2)};
}

Imaging::Shape shapeOf(const VUVI_Layer& layer, const Prm::Context& context)
{
    Imaging::Shape shape;
    for (const boost::shared_ptr<Contour>& contour : layer.contours()) {
        Imaging::Polygon polygon;
        for (const boost::shared_ptr<ControlPoint>& point : contour->points()) {
            const QPointF p = point->position(context);
            polygon.emplace_back(p.x(), p.y());
        }
        shape.push_back(std::move(polygon));
    }
    return shape;
}

} // namespace Rirediro
