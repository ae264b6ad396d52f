#pragma once

#include <Rirediro/Clips/ClipID.h>

#include <Bsc/GanImage.h>
#include <Dururev/ImageKit.h>
#include <Prm/Context.h>

#include <vector>

class QColor;
class VUVI_FrameManager;
class VUVI_Layer;

// The bridges between the core's records and the image kit's kernels.
namespace Rirediro {

// The frame of a clip at the context as the frame manager reads it, held
// while kernels read it: 8-bit or float, grey, RGB or RGBA (grey and alpha
// gives its grey, copied).
class FramePixels
{
public:
    // Throws VUVI_OperationFailed when the frame cannot be read or its
    // pixels cannot be tracked or rendered.
    FramePixels(VUVI_FrameManager& frames, TQ::ClipID clip, const Prm::Context& context);
    FramePixels(const FramePixels&) = delete;
    FramePixels& operator=(const FramePixels&) = delete;

    operator const ImageKit::Pixels&() const { return m_pixels; }
    // A copy, rows packed.
    Dururev::FrameImage frameImage() const;

private:
    Bsc::detail::GanImage_Ptr<Gan_Image> m_image;
    std::vector<unsigned char> m_grey;
    ImageKit::Pixels m_pixels;
};

// The layer's contours at the context, untracked, as polygons through
// their control points.
ImageKit::Shape shapeOf(const VUVI_Layer& layer, const Prm::Context& context);

ImageKit::Colour colourOf(const QColor& colour);

} // namespace Rirediro
