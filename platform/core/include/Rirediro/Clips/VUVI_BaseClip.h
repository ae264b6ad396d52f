#pragma once

#include "Rirediro/Clips/IBaseClip.h"

#include <LC/RenderParameters.h>
#include <TQ/BaseClipInfo.h>

#include <Prm/ParameterSet.h>

#include <QString>

#include <boost/shared_ptr.hpp>

#include <map>

class TQ_CameraParameterSet;
class VUVI_ProjectManager;

namespace Rirediro {
class IBaseClipServant;
class IClipMaker;
} // namespace Rirediro

// The source footage of clips. It owns the clips made from it.
class VUVI_BaseClip : public Prm::ParameterSet, public TQ::IBaseClip
{
    Q_OBJECT
public:
    // With `withFirstClip`, the maker makes the base clip's first clip at
    // once, named `name`, with the id the servant gives it. `project` is the
    // project whose animation state the clip follows; null for a clip
    // without project.
    VUVI_BaseClip(const Rirediro::IClipMaker& maker, unsigned int baseClipID, const QString& name,
                  VUVI_ProjectManager* project, bool withFirstClip);
    ~VUVI_BaseClip() override;

    unsigned int baseClipID() const override { return m_baseClipID; }
    boost::shared_ptr<VUVI_Clip> clip(TQ::ClipID id) const override;
    const TQ_BaseClipInfo& baseInfo() const override { return m_baseInfo; }

    // Makes a clip of this footage with that id and name; null when the
    // base clip has a clip of that id already or the maker makes none.
    boost::shared_ptr<VUVI_Clip> makeClip(const Rirediro::IClipMaker& maker, TQ::ClipID id, const QString& name);
    // Drops the clip of that id; false when there is none.
    bool removeClip(TQ::ClipID id) { return m_clips.erase(id) > 0; }

    // Takes the info as it is: no undo, no notification.
    void setBaseClipInfoInternal(const TQ_BaseClipInfo& info) { m_baseInfo = info; }
    // The ids of the clips made from this footage, ascending.
    std::vector<TQ::ClipID> clipIDs() const;
    VUVI_ProjectManager* project() const { return m_project; }
    const boost::shared_ptr<Rirediro::IBaseClipServant>& servant() const { return m_servant; }
    // The camera that shot the footage: a subset of the base clip's parameters.
    TQ_CameraParameterSet& cameraParameters() const { return *m_camera; }
    // How the footage's horizon is levelled, and the clips the levelling
    // reads and writes.
    LC::ReorientParameterSet& reorientParameters() { return m_reorient; }
    const LC::ReorientParameterSet& reorientParameters() const { return m_reorient; }

private:
    unsigned int m_baseClipID;
    VUVI_ProjectManager* m_project;
    boost::shared_ptr<Rirediro::IBaseClipServant> m_servant;
    TQ_BaseClipInfo m_baseInfo;
    std::map<TQ::ClipID, boost::shared_ptr<VUVI_Clip>> m_clips;
    TQ_CameraParameterSet* m_camera; // a subset: deleted with the set
    LC::ReorientParameterSet m_reorient;
};
