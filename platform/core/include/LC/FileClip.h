#pragma once

#include <Rirediro/Clips/VUVI_Clip.h>

namespace LC {

// A clip whose frames are read from footage files (an image sequence or a
// movie per view).
class FileClip : public VUVI_Clip
{
    Q_OBJECT
public:
    FileClip(boost::shared_ptr<Rirediro::IClipServant> servant, TQ::ClipID id, VUVI_BaseClip& baseClip,
             const QString& name);
    ~FileClip() override;
};

} // namespace LC
