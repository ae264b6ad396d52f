#pragma once

#include <QMetaType>

// How one of a clip's settings is decided.
enum TQ_CLIP_MODE {
    TQ_CLIP_MODE_AUTOMATIC = 0, // taken from the footage
    TQ_CLIP_MODE_MANUAL = 1,    // set by the user
};

Q_DECLARE_METATYPE(TQ_CLIP_MODE)
