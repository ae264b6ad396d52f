#pragma once

#include "Rirediro/Clips/ClipID.h"

#include <boost/shared_ptr.hpp>

class TQ_BaseClipInfo;
class VUVI_Clip;

namespace TQ {

// The source footage of one or more clips.
class IBaseClip
{
public:
    virtual ~IBaseClip();

    virtual unsigned int baseClipID() const = 0;
    // The clip of that id made from this footage; null when there is none.
    virtual boost::shared_ptr<VUVI_Clip> clip(ClipID id) const = 0;
    virtual const TQ_BaseClipInfo& baseInfo() const = 0;
};

} // namespace TQ
