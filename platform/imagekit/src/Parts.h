#pragma once

#include <Dururev/ImageKit.h>

namespace ImageKit {

// The parts the library's entry point hands out.
Codecs& fileCodecs();
Kernels& imagingKernels();

// Has the libraries work on the threads that call them, with no pools of
// threads of their own: the child of a fork has none of a pool's threads,
// and waits for them forever in its first task; at exit, a pool torn down
// meets the work of a thread that the interpreter's end left running.
void workOnCallingThreads();

} // namespace ImageKit
