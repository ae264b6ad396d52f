// The frame manager's images of frames: reading them as clips read their
// footage, keeping them, and what scripts' changes to them mean.
#include "FrameImageCache.h"

#include "Rirediro/Clips/VUVI_Clip.h"
#include "Rirediro/Project/VUVI_FrameManager.h"

#include <Dururev/Dururev.h>
#include <Dururev/FrameImage.h>
#include <Prm/Frame.h>
#include <TQ/ClipInfo.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

using Rirediro::ClipFrameSource;
using Rirediro::FrameImageCache;
using ImagePtr = FrameImageCache::ImagePtr;
using ChannelType = Dururev::FrameImage::ChannelType;

FrameImageCache::Conversion conversionOf(const TQ_ClipInfo& info)
{
    const TQ_ColorSpaceSettings& colour = info.colorSpaceSettings();
    if (colour.floatConversion)
        return FrameImageCache::ToFloat;
    if (colour.eightBitConversion)
        return FrameImageCache::To8Bit;
    return FrameImageCache::AsStored;
}

// The channel type a clip reads a file's values in. The image library has no
// half floats.
ChannelType readType(ChannelType stored, FrameImageCache::Conversion conversion)
{
    switch (conversion) {
    case FrameImageCache::ToFloat:
        return ChannelType::Float;
    case FrameImageCache::To8Bit:
        return ChannelType::UInt8;
    case FrameImageCache::AsStored:
        break;
    }
    return stored == ChannelType::Half ? ChannelType::Float : stored;
}

// Reads one frame into a new image. A whole frame is read straight into the
// image's pixels; a field is read whole and its rows taken. A reader's
// failure is thrown on.
ImagePtr readFrameImage(const FrameImageCache::Origin& origin)
{
    const ClipFrameSource& source = origin.source;
    ImagePtr image; // goes again when the read fails
    std::vector<unsigned char> picture;
    std::size_t rowBytes = 0;
    auto place = [&](Dururev::FrameLayout& layout) -> void* {
        layout.channels = std::min(layout.channels, 4);
        layout.channelType = readType(layout.channelType, origin.conversion);
        const bool whole = source.field == ClipFrameSource::WholeFrame;
        const unsigned long height = whole ? unsigned(layout.height) : unsigned(layout.height) / 2;
        if (height == 0)
            return nullptr;
        image = ImagePtr(gan_image_alloc_gen(Dururev::ganFormatOf(layout.channels),
                                             Dururev::ganTypeOf(layout.channelType), height, unsigned(layout.width)));
        if (!image)
            return nullptr;
        rowBytes = layout.bytes() / std::size_t(layout.height);
        if (whole)
            return image->pix_data_ptr;
        picture.resize(layout.bytes());
        return picture.data();
    };
    if (!Dururev::readFrameInto(source.file, source.frameInFile, place) || !image)
        return ImagePtr();
    if (!picture.empty()) {
        auto* rows = static_cast<unsigned char*>(image->pix_data_ptr);
        for (unsigned long row = 0; row < image->height; ++row)
            std::memcpy(rows + row * image->stride, picture.data() + (2 * row + unsigned(source.field)) * rowBytes,
                        rowBytes);
    }
    return image;
}

// A new image of the same layout and pixels.
ImagePtr copyOf(const ImagePtr& image)
{
    if (!image)
        return image;
    Gan_Image* copy = gan_image_alloc_gen(image->format, image->type, image->height, image->width);
    if (!copy)
        return ImagePtr();
    const std::size_t bytes = std::min(copy->pix_data_size, image->pix_data_size);
    if (bytes) // an image without pixels has no buffers to copy
        std::memcpy(copy->pix_data_ptr, image->pix_data_ptr, bytes);
    return ImagePtr(copy);
}

} // namespace

Bsc::detail::GanImage_Ptr<Gan_Image> VUVI_FrameManager::spgiGetDerivedImage(TQ::ClipID clipId,
                                                                          const Prm::Context& context, bool allocate,
                                                                          bool)
{
    const VUVI_Clip* clip = findClip(clipId);
    if (!clip)
        return ImagePtr();
    if (!clip->hasFrame(context))
        return ImagePtr();
    const Prm::Context clipContext = getClipContext(clip, context);
    const Prm::Frame frame = Prm::Frame::fromTime(clipContext.time);
    const TQ_ClipInfo& info = clip->clipInfo();
    const FrameImageCache::Origin origin{Rirediro::clipFrameSource(*clip, context.view, frame.value()),
                                         conversionOf(info)};
    ImagePtr image = m_frameImages->image({clipId, clipContext.view.id(), frame.value()}, origin, &readFrameImage);
    return allocate ? copyOf(image) : image;
}

void VUVI_FrameManager::vSetImageHasChanged(TQ::ClipID clipId, const Prm::Context& context)
{
    Dururev::record(QStringLiteral("VUVI_FrameManager::vSetImageHasChanged %1 %2 %3")
                        .arg(clipId)
                        .arg(context.time.toDouble())
                        .arg(context.view.id()));
    const VUVI_Clip* clip = findClip(clipId);
    if (!clip)
        return;
    const Prm::Context clipContext = getClipContext(clip, context);
    const Prm::Frame frame = Prm::Frame::fromTime(clipContext.time);
    if (!frame.isNegative())
        m_frameImages->markChanged({clipId, clipContext.view.id(), frame.value()});
}

Prm::Context VUVI_FrameManager::getClipContext(const TQ::IClip* clip, const Prm::Context& context) const
{
    if (!clip)
        return context;
    const Prm::View clipView = clip->clipInfo().remapViewIfRequired(context.view, TQ_ClipInfo::ProjectToClipView);
    return Prm::Context(context.time, clipView, context.mode);
}

void VUVI_FrameManager::setImageCacheBudget(std::size_t bytes)
{
    m_frameImages->setBudget(bytes);
}
