#pragma once

#include <OpenImageIO/imageio.h>

namespace ImageKit {

// Decodes the subimage `subimage` of an open still, whose header is
// `header`, into `buffer`: its first `channels` channels, packed, top row
// first, in `type`, converted as OpenImageIO converts. False when the file
// cannot be decoded.
bool decodeStill(OIIO::ImageInput& input, int subimage, const OIIO::ImageSpec& header, int channels,
                 OIIO::TypeDesc type, void* buffer);

} // namespace ImageKit
