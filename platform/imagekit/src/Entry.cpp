#include "Parts.h"

extern "C" __attribute__((visibility("default"))) const ImageKit::Entry* platformImageKitEntry()
{
    static const ImageKit::Entry entry = (ImageKit::workOnCallingThreads(),
                                          ImageKit::Entry{&ImageKit::fileCodecs(), &ImageKit::imagingKernels()});
    return &entry;
}
