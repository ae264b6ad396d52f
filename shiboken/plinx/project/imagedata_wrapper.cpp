// plinx.project.ImageData: one image, its size and format, and its pixels as
// an array.array over the image's own memory.

#include "plinx_project_python.h"

#include "Project/wrappers/ImageIOGlue.h"

using namespace Binding;

namespace {

class ImageDataWrapper : public Wrapper<ImageData>
{
public:
    using Wrapper::Wrapper;
    bool isNull() const override { return route("isNull", false, [&] { return ImageData::isNull(); }); }
};

PyObject* pixelsOf(ImageData& image)
{
    return GlueHelpers::ImageIO::getPixelBuffer(&image);
}

void setPixelsOf(ImageData& image, PyObject* pixels)
{
    GlueHelpers::ImageIO::setPixelBuffer(&image, pixels);
}

PyObject* flippedPixelsOf(ImageData& image)
{
    return GlueHelpers::ImageIO::flippedPixels(&image);
}

} // namespace

void init_ImageData(PyObject* module)
{
    ValueClass<ImageData, ImageDataWrapper> type(module);
    // Copies share one image: a call that ran without the interpreter lock
    // (a flip, a new size) could meet another thread's set_pixels releasing
    // the very buffer it works on. Every member keeps the lock.
    type.defaultLock(keepLock);
    type.constructor(init<>(signatureLine(1)), init<const ImageData&>("ImageData", signatureLine(0)));
    type.method("flip", &ImageData::flip);
    type.method("flipped_pixels", &flippedPixelsOf);
    type.method("isNull", &ImageData::isNull);
    type.property("pixels", &pixelsOf, &setPixelsOf, "arg__1");
    type.property("width", &ImageData::get_width, &ImageData::set_width);
    type.property("height", &ImageData::get_height, &ImageData::set_height);
    type.property("pixel_format", &ImageData::get_pixel_format, &ImageData::set_pixel_format, "format");
    type.property("channel_type", &ImageData::get_channel_type, &ImageData::set_channel_type, "type");
    type.truth([](const ImageData& image) { return !image.isNull(); });
    type.compare<Equal | NotEqual>();
    type.introduce();
}
