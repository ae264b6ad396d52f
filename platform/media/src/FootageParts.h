#pragma once

// What the readers and writers of Footage.cpp, MovieReader.cpp and
// ModuleFootage.cpp share.

#include "Dururev/FootageDescription.h"
#include "Dururev/FrameImage.h"

#include <OpenImageIO/typedesc.h>

namespace Dururev {
namespace detail {

OIIO::TypeDesc typeOf(FrameImage::ChannelType type);

// A layout `place` may ask for: the file's, with fewer channels or another type.
bool acceptable(const FrameLayout& asked, const FrameLayout& file);

// Copies pixels of the file's layout (rows `rowBytes` apart) into the asked
// layout, converting channel types as OpenImageIO does.
bool convertInto(const FrameLayout& file, const void* pixels, std::size_t rowBytes, std::size_t pixelBytes,
                 const FrameLayout& asked, void* buffer);

// A still image of this size, and the numbered sequence of its siblings.
void describeStill(const QString& path, unsigned int width, unsigned int height, float frameRate,
                   FootageDescription& description);

} // namespace detail
} // namespace Dururev
