#pragma once

// The processing modules of the media library, as licences and caches know them.
enum _TQ_MODULE
{
    TQ_MODULE_NONE = 0,
    TQ_MODULE_TRACK = 5,
    TQ_MODULE_REMOVE = 7,
    TQ_MODULE_STABILIZE = 8,
    TQ_MODULE_INSERT = 12,
    TQ_MODULE_CAMERA_SOLVE = 15,
};
