#pragma once

#include <Dururev/ImageKit.h>

namespace ImageKit {

// The parts the library's entry point hands out.
Codecs& fileCodecs();
Kernels& imagingKernels();

} // namespace ImageKit
