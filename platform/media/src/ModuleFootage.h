#pragma once

// Footage that a registered image reader and writer module reads and
// writes (TQI/ImageIO_Router.h). A module's failure is thrown.

#include <QString>

#include <functional>

namespace Dururev {

class ImageIOModule;
struct FootageDescription;
struct FrameImage;
struct FrameLayout;

namespace module {

// A sequence reader's file is described as a still image and its numbered
// siblings, sized by getImageInfo; a clip loader's as a movie, sized by
// getImageInfo, with the frame rate and the first and last index that
// vGetClipInfo gives.
bool describe(ImageIOModule& module, const QString& path, FootageDescription& description);
// Sizes an image from getImageInfo of the frame, has the module load it,
// then hands its pixels to `place` as readFrameInto does.
bool readInto(ImageIOModule& module, const QString& path, int frame,
              const std::function<void*(FrameLayout& layout)>& place);
// Hands the module an image of the frame's pixels to save.
bool write(ImageIOModule& module, const QString& path, const FrameImage& image);

} // namespace module
} // namespace Dururev
