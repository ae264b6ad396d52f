#pragma once

#include "Prm/Context.h"

#include <QString>

namespace Prm {

// One keyframe in the text form of a parameter, detached from its parameter.
class SerialisedKeyframe
{
public:
    virtual ~SerialisedKeyframe();

    virtual Context context() const = 0;
    // Moves the keyframe in time by `offset` frames.
    virtual void adjustTime(float offset) = 0;
    virtual QString toString() const = 0;
    // Fills the record from one line of the text form; throws std::runtime_error.
    virtual void setFromString(const QString& text) = 0;
};

} // namespace Prm
