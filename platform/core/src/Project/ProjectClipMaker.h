#pragma once

#include <Rirediro/Clips/IClipMaker.h>

class VUVI_ProjectManager;

namespace Rirediro {

// Makes the file clips of a project, served by the project: their changes
// are applied to the project at once and mark it changed.
class ProjectClipMaker : public IClipMaker
{
public:
    explicit ProjectClipMaker(VUVI_ProjectManager& project) : m_project(project) {}

    boost::shared_ptr<IBaseClipServant> baseClipServant() const override;
    boost::shared_ptr<VUVI_Clip> createClip(TQ::ClipID id, VUVI_BaseClip& baseClip,
                                            const QString& name) const override;

private:
    VUVI_ProjectManager& m_project;
};

} // namespace Rirediro
