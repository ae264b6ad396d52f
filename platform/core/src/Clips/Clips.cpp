#include "LC/FileClip.h"
#include "Rirediro/Clips/IBaseClipServant.h"
#include "Rirediro/Clips/IClipMaker.h"
#include "Rirediro/Clips/IClipServant.h"
#include "Rirediro/Clips/VUVI_BaseClip.h"
#include "Rirediro/Clips/VUVI_Clip.h"

#include <Prm/Frame.h>
#include <TQ/CameraParameterSet.h>

namespace TQ {
IClip::~IClip() = default;
IBaseClip::~IBaseClip() = default;
} // namespace TQ

namespace Rirediro {
IClipServant::~IClipServant() = default;
IBaseClipServant::~IBaseClipServant() = default;
IClipMaker::~IClipMaker() = default;
} // namespace Rirediro

VUVI_BaseClip::VUVI_BaseClip(const Rirediro::IClipMaker& maker, unsigned int baseClipID, const QString& name,
                             VUVI_ProjectManager* project, bool withFirstClip)
    : Prm::ParameterSet(name)
    , m_baseClipID(baseClipID)
    , m_project(project)
    , m_servant(maker.baseClipServant())
    , m_camera(new TQ_CameraParameterSet(this))
{
    if (withFirstClip)
        makeClip(maker, m_servant->clipIDFor(*this, baseClipID), name);
}

boost::shared_ptr<VUVI_Clip> VUVI_BaseClip::makeClip(const Rirediro::IClipMaker& maker, TQ::ClipID id,
                                                     const QString& name)
{
    if (m_clips.count(id))
        return nullptr;
    boost::shared_ptr<VUVI_Clip> made = maker.createClip(id, *this, name);
    if (made)
        m_clips[made->clipID()] = made;
    return made;
}

VUVI_BaseClip::~VUVI_BaseClip()
{
    // The clips refer to their base clip: they go first.
    m_clips.clear();
}

boost::shared_ptr<VUVI_Clip> VUVI_BaseClip::clip(TQ::ClipID id) const
{
    const auto found = m_clips.find(id);
    return found == m_clips.end() ? boost::shared_ptr<VUVI_Clip>() : found->second;
}

std::vector<TQ::ClipID> VUVI_BaseClip::clipIDs() const
{
    std::vector<TQ::ClipID> ids;
    for (const auto& entry : m_clips)
        ids.push_back(entry.first);
    return ids;
}

VUVI_Clip::VUVI_Clip(boost::shared_ptr<Rirediro::IClipServant> servant, TQ::ClipID id, VUVI_BaseClip& baseClip,
                     const QString& name)
    : Prm::ParameterSet(name), m_servant(std::move(servant)), m_clipID(id), m_baseClip(baseClip), m_name(name)
{
    // Copies of the clip info do not join the set; the clip's own modes
    // stay in it whatever info the clip is given.
    addParameter(&m_clipInfo.frameRateMode());
    addParameter(&m_clipInfo.filmTypeMode());
}

VUVI_Clip::~VUVI_Clip() = default;

void VUVI_Clip::setName(const QString& name)
{
    m_name = name;
    setScriptName(name);
    setDisplayName(name);
}

void VUVI_Clip::setInfosInternal(const TQ_BaseClipInfo& baseInfo, const TQ_ClipInfo& info)
{
    m_baseClip.setBaseClipInfoInternal(baseInfo);
    setClipInfoInternal(info);
}

bool VUVI_Clip::hasFrame(const Prm::Context& projectContext) const
{
    const Prm::View clipView = m_clipInfo.remapViewIfRequired(projectContext.view, TQ_ClipInfo::ProjectToClipView);
    const Prm::Frame frame = Prm::Frame::fromTime(projectContext.time);
    return !frame.isNegative() && frame.value() < m_clipInfo.length().value(clipView);
}

unsigned int VUVI_Clip::baseClipID() const
{
    return m_baseClip.baseClipID();
}

void VUVI_Clip::vSetClipInfo(const TQ_ClipInfo& info)
{
    if (m_servant->bApplyClipInfo(*this, info))
        m_servant->vClipChanged(*this);
}

void VUVI_Clip::vReplaceInfo(const TQ_BaseClipInfo& baseInfo, const TQ_ClipInfo& info)
{
    if (m_servant->bApplyInfos(*this, baseInfo, info))
        m_servant->vClipChanged(*this);
}

void VUVI_Clip::vReplaceInfoAndFootage(const TQ_BaseClipInfo& baseInfo, const TQ_ClipInfo& info)
{
    // The stand-in caches no frames, so a change of footage needs nothing
    // beyond the new infos.
    vReplaceInfo(baseInfo, info);
}

namespace LC {

FileClip::FileClip(boost::shared_ptr<Rirediro::IClipServant> servant, TQ::ClipID id, VUVI_BaseClip& baseClip,
                   const QString& name)
    : VUVI_Clip(std::move(servant), id, baseClip, name)
{
}

FileClip::~FileClip() = default;

} // namespace LC
