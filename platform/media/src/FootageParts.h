#pragma once

// What the readers and writers of Footage.cpp and ModuleFootage.cpp share.

#include "Dururev/FootageDescription.h"

namespace Dururev {
namespace detail {

// A still image of this size, and the numbered sequence of its siblings.
void describeStill(const QString& path, unsigned int width, unsigned int height, float frameRate,
                   FootageDescription& description);

} // namespace detail
} // namespace Dururev
