#include "ModuleFootage.h"

#include "Dururev/FootageDescription.h"
#include "Dururev/FrameImage.h"
#include "Dururev/ImageIOModule.h"
#include "Dururev/ImageKit.h"

#include "FootageParts.h"

#include <QFileInfo>

#include <algorithm>

namespace Dururev {
namespace module {

namespace {

// The size a reader gives a picture; false for no picture.
bool sizeOf(const TQ::ImageInformation& info, unsigned int& width, unsigned int& height)
{
    if (info.size.width() <= 0 || info.size.height() <= 0)
        return false;
    width = unsigned(info.size.width());
    height = unsigned(info.size.height());
    return true;
}

} // namespace

bool describe(ImageIOModule& module, const QString& path, FootageDescription& description)
{
    unsigned int width = 0;
    unsigned int height = 0;
    if (!sizeOf(module.getImageInfo(path, 0, TQ::ColourspaceParameters()), width, height))
        return false;
    if (module.info().kind != ImageIOModule::ClipLoader) {
        // No frame rate recorded: the library's default.
        detail::describeStill(path, width, height, FootageDescription().frameRate, description);
        return true;
    }
    unsigned int first = 0;
    unsigned int last = 0;
    TQ_INTERLACE_MODE interlaceMode = TQ_NOT_INTERLACED;
    float frameRate = 0.0f;
    module.vGetClipInfo(path.toUtf8().constData(), true, &first, &last, &interlaceMode, &frameRate,
                        TQ::ColourspaceParameters());
    if (last < first)
        return false; // no frames
    const QFileInfo file(path);
    FootageDescription found;
    found.isMovie = true;
    found.width = width;
    found.height = height;
    found.frameRate = frameRate;
    found.folder = file.absolutePath();
    found.prefix = file.fileName();
    found.firstIndex = first;
    found.lastIndex = last;
    description = found;
    return true;
}

bool readInto(ImageIOModule& module, const QString& path, int frame,
              const std::function<void*(FrameLayout& layout)>& place)
{
    if (frame < 0)
        return false;
    const TQ::ImageInformation info = module.getImageInfo(path, unsigned(frame), TQ::ColourspaceParameters());
    unsigned int width = 0;
    unsigned int height = 0;
    if (!sizeOf(info, width, height))
        return false;
    TQ::RichImage picture;
    picture.image = Bsc::detail::GanImage_Ptr<Gan_Image>(
        gan_image_alloc_gen(info.pixelFormat, info.channelType, height, width));
    if (!picture.image || !picture.image->pix_data_ptr)
        return false;
    Bsc::Striver striver;
    module.loadImage(picture, striver, path.toUtf8().constData(), TQ::FootageContext{unsigned(frame), QString()},
                     TQ_NOT_INTERLACED, false, nullptr, nullptr, TQ::ColourspaceParameters(), nullptr, nullptr);

    // The reader may have given the image other pixels meanwhile.
    const Gan_Image& loaded = *picture.image;
    FrameLayout file;
    if (!frameLayoutOf(loaded.format, loaded.type, loaded.width, loaded.height, file) || !loaded.pix_data_ptr
        || !gan_image_fits_buffer(&loaded))
        return false;
    FrameLayout asked = file;
    void* buffer = place(asked);
    if (!buffer || !file.canBeReadAs(asked))
        return false;
    const std::size_t pixelBytes = std::size_t(file.channels) * FrameImage::bytesOf(file.channelType);
    return codecs().convert(file, loaded.pix_data_ptr, loaded.stride, pixelBytes, asked, buffer);
}

bool write(ImageIOModule& module, const QString& path, const FrameImage& image)
{
    // The image library has no half floats.
    const FrameImage::ChannelType type = image.channelType == FrameImage::Half ? FrameImage::Float
                                                                               : image.channelType;
    const int channels = std::clamp(image.channels, 1, 4);
    Bsc::detail::GanImage_Ptr<Gan_Image> saved(
        gan_image_alloc_gen(ganFormatOf(channels), ganTypeOf(type), unsigned(image.height), unsigned(image.width)));
    if (!saved || !saved->pix_data_ptr)
        return false;
    const FrameLayout file{image.width, image.height, image.channels, image.channelType};
    const FrameLayout asked{image.width, image.height, channels, type};
    const std::size_t pixelBytes = std::size_t(image.channels) * image.bytesPerChannel();
    if (!codecs().convert(file, image.pixels.data(), pixelBytes * std::size_t(image.width), pixelBytes, asked,
                          saved->pix_data_ptr))
        return false;
    module.saveImage(*saved, path, TQ::ImageSaveOptions(), TQ::ImageSaveContext());
    return true;
}

} // namespace module
} // namespace Dururev
