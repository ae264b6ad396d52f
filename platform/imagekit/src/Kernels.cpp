// The kit's kernels: the imaging kernels (platform/core/imaging) over the
// pixels and records the core hands over.
#include "Parts.h"

#include <Imaging/Motion.h>
#include <Imaging/Render.h>
#include <Imaging/Shapes.h>

#include <stdexcept>

namespace ImageKit {

namespace {

using Dururev::FrameImage;

// The pixels as an image of OpenCV's, over the same memory.
cv::Mat matOf(const Pixels& pixels)
{
    const Dururev::FrameLayout& layout = pixels.layout;
    const int depth = layout.channelType == FrameImage::UInt8 ? CV_8U
                      : layout.channelType == FrameImage::Float ? CV_32F
                                                                : -1;
    if (depth < 0 || layout.channels < 1 || layout.channels > 4 || layout.bytes() == 0 || !pixels.data)
        throw std::invalid_argument("pixels of a layout the kernels do not read");
    return cv::Mat(layout.height, layout.width, CV_MAKETYPE(depth, layout.channels), const_cast<void*>(pixels.data),
                   pixels.rowBytes);
}

FrameImage frameOf(const cv::Mat& image)
{
    FrameImage frame;
    frame.width = image.cols;
    frame.height = image.rows;
    frame.channels = image.channels();
    frame.channelType = image.depth() == CV_32F ? FrameImage::Float : FrameImage::UInt8;
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

Imaging::Shape shapeOf(const Shape& shape)
{
    Imaging::Shape polygons;
    polygons.reserve(shape.size());
    for (const Polygon& polygon : shape) {
        Imaging::Polygon points;
        points.reserve(polygon.size());
        for (const Point& point : polygon)
            points.emplace_back(point.x, point.y);
        polygons.push_back(std::move(points));
    }
    return polygons;
}

Imaging::Colour colourOf(const Colour& colour)
{
    return Imaging::Colour(colour.red, colour.green, colour.blue);
}

class ImagingKernels : public Kernels
{
public:
    TrackStep trackShape(const Pixels& from, const Pixels& to, const Shape& shape,
                         const Gan_Matrix33& trackFrom) override
    {
        const Imaging::TrackStep step =
            Imaging::trackShape(matOf(from), matOf(to), shapeOf(shape), transformOf(trackFrom));
        return TrackStep{matrixOf(step.track), step.measured};
    }

    FrameImage insertPicture(const Pixels& frame, const Shape& shape, const Gan_Matrix33& track,
                             const Pixels& picture) override
    {
        return frameOf(Imaging::insertPicture(matOf(frame), shapeOf(shape), transformOf(track), matOf(picture)));
    }

    FrameImage insertColour(const Pixels& frame, const Shape& shape, const Gan_Matrix33& track,
                            const Colour& colour) override
    {
        return frameOf(Imaging::insertColour(matOf(frame), shapeOf(shape), transformOf(track), colourOf(colour)));
    }

    FrameImage stabilise(const Pixels& frame, const Gan_Matrix33& track) override
    {
        return frameOf(Imaging::stabilise(matOf(frame), transformOf(track)));
    }

    FrameImage fillShape(const Pixels& frame, const Shape& shape, const Gan_Matrix33& track) override
    {
        return frameOf(Imaging::fillShape(matOf(frame), shapeOf(shape), transformOf(track)));
    }

    FrameImage rotateHorizon(const Pixels& frame, double degrees) override
    {
        return frameOf(Imaging::rotateHorizon(matOf(frame), degrees));
    }

    FrameImage renderMatte(int width, int height, int channels, const std::vector<MatteLayer>& layers) override
    {
        std::vector<Imaging::MatteLayer> mattes;
        mattes.reserve(layers.size());
        for (const MatteLayer& layer : layers)
            mattes.push_back(Imaging::MatteLayer{shapeOf(layer.shape), transformOf(layer.transform),
                                                 colourOf(layer.colour)});
        return frameOf(Imaging::renderMatte(cv::Size(width, height), CV_MAKETYPE(CV_8U, channels), mattes));
    }
};

} // namespace

Kernels& imagingKernels()
{
    static ImagingKernels kernels;
    return kernels;
}

} // namespace ImageKit
