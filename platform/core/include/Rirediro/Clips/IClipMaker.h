#pragma once

#include "Rirediro/Clips/ClipID.h"

#include <QString>

#include <boost/shared_ptr.hpp>

class VUVI_BaseClip;
class VUVI_Clip;

namespace Rirediro {

class IBaseClipServant;

// Makes the clips of base clips, each with the servants of the place the
// clip lives in (a project, or none).
class IClipMaker
{
public:
    virtual ~IClipMaker();
    virtual boost::shared_ptr<IBaseClipServant> baseClipServant() const = 0;
    virtual boost::shared_ptr<VUVI_Clip> createClip(TQ::ClipID id, VUVI_BaseClip& baseClip,
                                                    const QString& name) const = 0;
};

} // namespace Rirediro
