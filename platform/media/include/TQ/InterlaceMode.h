#pragma once

#include <QMetaType>

// How the frames of a clip are made of fields. The ten pull-down modes say
// which of the five 3:2 pull-down phases the clip starts with.
enum TQ_INTERLACE_MODE {
    TQ_NOT_INTERLACED = 0,
    TQ_UPPER_FIELD_FIRST = 1,
    TQ_LOWER_FIELD_FIRST = 2,
    TQ_32PULLDOWN_UPFIRST_AA = 3,
    TQ_32PULLDOWN_UPFIRST_BB = 4,
    TQ_32PULLDOWN_UPFIRST_BC = 5,
    TQ_32PULLDOWN_UPFIRST_CD = 6,
    TQ_32PULLDOWN_UPFIRST_DD = 7,
    TQ_32PULLDOWN_LOFIRST_AA = 8,
    TQ_32PULLDOWN_LOFIRST_BB = 9,
    TQ_32PULLDOWN_LOFIRST_BC = 10,
    TQ_32PULLDOWN_LOFIRST_CD = 11,
    TQ_32PULLDOWN_LOFIRST_DD = 12,
    TQ_INVALID_INTERLACE_MODE = 13,
};

namespace TQ {

inline bool isFieldInterlaced(TQ_INTERLACE_MODE mode)
{
    return mode == TQ_UPPER_FIELD_FIRST || mode == TQ_LOWER_FIELD_FIRST;
}

inline bool isPulldown(TQ_INTERLACE_MODE mode)
{
    return mode >= TQ_32PULLDOWN_UPFIRST_AA && mode <= TQ_32PULLDOWN_LOFIRST_DD;
}

} // namespace TQ

Q_DECLARE_METATYPE(TQ_INTERLACE_MODE)
