#pragma once

#include <Rirediro/Clips/IClipMaker.h>

// Makes the core clip of a detached clip: a file clip with no project,
// whose servants accept new infos at once and answer every question about a
// project with "nothing".
class DetachedClipMaker : public Rirediro::IClipMaker
{
public:
    ~DetachedClipMaker() override;
    boost::shared_ptr<Rirediro::IBaseClipServant> baseClipServant() const override;
    boost::shared_ptr<VUVI_Clip> createClip(TQ::ClipID id, VUVI_BaseClip& baseClip,
                                            const QString& name) const override;
};
