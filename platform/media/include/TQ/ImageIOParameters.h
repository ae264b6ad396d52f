#pragma once

// The small records that image readers and writers are handed.

#include <TQ/ColorSpaceSettings.h>

#include <string>

// The media library's truth value.
using TQ_BOOL = int;
constexpr TQ_BOOL TQ_FALSE = 0;
constexpr TQ_BOOL TQ_TRUE = 1;

namespace TQ {

// How pixel values are understood, as a clip's colour settings say.
using ColourspaceParameters = TQ_ColorSpaceSettings;

// A movie that a reader is asked to keep open between frames.
struct MovieOpenParams
{
    std::string name;
};

// How a writer is to save an image; the library's own writers choose.
struct ImageSaveOptions
{
    int quality = -1; // -1: the writer's default
};

// Which frame of which clip an image being saved is.
struct ImageSaveContext
{
    unsigned int frameNumber = 0;
};

} // namespace TQ
