#pragma once

#include "Rirediro/Clips/IBaseClip.h"

#include <TQ/BaseClipInfo.h>

#include <Prm/ParameterSet.h>

#include <QString>

#include <boost/shared_ptr.hpp>

#include <map>

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
    // With `makeClip`, the maker makes the base clip's first clip at once,
    // named `name`. `project` is the project whose animation state the clip
    // follows; null for a clip without project.
    VUVI_BaseClip(const Rirediro::IClipMaker& maker, unsigned int baseClipID, const QString& name,
                  VUVI_ProjectManager* project, bool makeClip);
    ~VUVI_BaseClip() override;

    unsigned int baseClipID() const override { return m_baseClipID; }
    boost::shared_ptr<VUVI_Clip> clip(TQ::ClipID id) const override;
    const TQ_BaseClipInfo& baseInfo() const override { return m_baseInfo; }

    // Takes the info as it is: no undo, no notification.
    void setBaseClipInfoInternal(const TQ_BaseClipInfo& info) { m_baseInfo = info; }
    // The ids of the clips made from this footage, ascending.
    std::vector<TQ::ClipID> clipIDs() const;
    VUVI_ProjectManager* project() const { return m_project; }
    const boost::shared_ptr<Rirediro::IBaseClipServant>& servant() const { return m_servant; }

private:
    unsigned int m_baseClipID;
    VUVI_ProjectManager* m_project;
    boost::shared_ptr<Rirediro::IBaseClipServant> m_servant;
    TQ_BaseClipInfo m_baseInfo;
    std::map<TQ::ClipID, boost::shared_ptr<VUVI_Clip>> m_clips;
};
