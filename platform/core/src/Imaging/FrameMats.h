#pragma once

#include <Rirediro/Clips/ClipID.h>

#include <Gandalf/Matrix.h>
#include <Imaging/Geometry.h>
#include <Prm/Context.h>

#include <opencv2/core.hpp>

namespace Dururev {
struct FrameImage;
}

class VUVI_FrameManager;
class VUVI_Layer;

// The bridges between the core's records and the imaging kernels.
namespace Rirediro {

// A copy of the frame of a clip at the context, as the frame manager reads
// it: 8-bit or float, grey, RGB or RGBA (grey and alpha loses its alpha).
// Throws VUVI_OperationFailed when the frame cannot be read.
cv::Mat frameMat(VUVI_FrameManager& frames, TQ::ClipID clip, const Prm::Context& context);

// The pixels of an 8-bit or float image of 1 to 4 channels as the media
// library writes them.
Dururev::FrameImage frameImageOf(const cv::Mat& image);

Imaging::Transform transformOf(const Gan_Matrix33& m);
Gan_Matrix33 matrixOf(const Imaging::Transform& t);

// The layer's contours at the context, untracked, as polygons through
// their control points.
Imaging::Shape shapeOf(const VUVI_Layer& layer, const Prm::Context& context);

} // namespace Rirediro
