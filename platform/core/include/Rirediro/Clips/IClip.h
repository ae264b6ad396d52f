#pragma once

#include "Rirediro/Clips/ClipID.h"

#include <QString>

class TQ_BaseClipInfo;
class TQ_ClipInfo;
class VUVI_BaseClip;

namespace TQ {

// A clip: a view of the footage of its base clip, read as its clip info says.
class IClip
{
public:
    virtual ~IClip();

    virtual QString name() const = 0;
    virtual ClipID clipID() const = 0;
    virtual unsigned int baseClipID() const = 0;
    virtual VUVI_BaseClip& baseClip() const = 0;
    virtual const TQ_ClipInfo& clipInfo() const = 0;

    // Changes go through the clip's servant, which decides how they are
    // applied (at once for a clip without project).
    // A new clip info (colour settings and the like).
    virtual void vSetClipInfo(const TQ_ClipInfo& info) = 0;
    // New infos that keep the footage as it is (frame rate, frame offset).
    virtual void vReplaceInfo(const TQ_BaseClipInfo& baseInfo, const TQ_ClipInfo& info) = 0;
    // New infos that change what footage is read (streams, frame size).
    virtual void vReplaceInfoAndFootage(const TQ_BaseClipInfo& baseInfo, const TQ_ClipInfo& info) = 0;
};

} // namespace TQ
