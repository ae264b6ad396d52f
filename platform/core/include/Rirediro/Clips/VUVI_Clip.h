#pragma once

#include "Rirediro/Clips/IClip.h"

#include <TQ/ClipInfo.h>

#include <Prm/Context.h>
#include <Prm/ParameterSet.h>

#include <QString>

#include <boost/enable_shared_from_this.hpp>
#include <boost/shared_ptr.hpp>

namespace Rirediro {
class IClipServant;
}

// A clip of a project (or of no project). Its base clip owns it; every
// change of its infos goes through its servant. Its parameter set, named
// after the clip, holds the two clip modes of its clip info, which hold
// one static value for every view.
class VUVI_Clip : public Prm::ParameterSet, public TQ::IClip, public boost::enable_shared_from_this<VUVI_Clip>
{
    Q_OBJECT
public:
    VUVI_Clip(boost::shared_ptr<Rirediro::IClipServant> servant, TQ::ClipID id, VUVI_BaseClip& baseClip,
              const QString& name);
    ~VUVI_Clip() override;

    QString name() const override { return m_name; }
    TQ::ClipID clipID() const override { return m_clipID; }
    unsigned int baseClipID() const override;
    VUVI_BaseClip& baseClip() const override { return m_baseClip; }
    const TQ_ClipInfo& clipInfo() const override { return m_clipInfo; }

    void vSetClipInfo(const TQ_ClipInfo& info) override;
    void vReplaceInfo(const TQ_BaseClipInfo& baseInfo, const TQ_ClipInfo& info) override;
    void vReplaceInfoAndFootage(const TQ_BaseClipInfo& baseInfo, const TQ_ClipInfo& info) override;

    // Whether the clip has footage for a project frame: the frame's time,
    // in the clip view the project view shows, lies within the clip.
    bool hasFrame(const Prm::Context& projectContext) const;

    // The clip's set takes the name too.
    void setName(const QString& name);
    // Take the infos as they are: no undo, no notification.
    void setClipInfoInternal(const TQ_ClipInfo& info) { m_clipInfo = info; }
    void setInfosInternal(const TQ_BaseClipInfo& baseInfo, const TQ_ClipInfo& info);
    const boost::shared_ptr<Rirediro::IClipServant>& servant() const { return m_servant; }

private:
    boost::shared_ptr<Rirediro::IClipServant> m_servant;
    TQ::ClipID m_clipID;
    VUVI_BaseClip& m_baseClip;
    QString m_name;
    TQ_ClipInfo m_clipInfo;
};
