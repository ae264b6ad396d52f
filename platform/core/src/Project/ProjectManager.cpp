#include "ProjectClipMaker.h"

#include "Rirediro/Clips/VUVI_BaseClip.h"
#include "Rirediro/Clips/VUVI_Clip.h"
#include "Rirediro/Project/ProjectProperties.h"
#include "Rirediro/Project/VUVI_FrameManager.h"
#include "Rirediro/Project/VUVI_ParameterManager.h"
#include "Rirediro/Project/VUVI_ProjectManager.h"

#include <Bsc/Logger.h>
#include <Prm/Views.h>
#include <TQ/BaseClipInfo.h>
#include <TQ/ClipInfo.h>

#include <boost/make_shared.hpp>

namespace {

void record(const QString& call)
{
    Bsc::Logger::writeToLog(QStringLiteral("call ") + call, Bsc::Logger::Debug);
}

} // namespace

// ---- ProjectProperties ---------------------------------------------------------

ProjectProperties::ProjectProperties() : m_views(boost::make_shared<Prm::Views>())
{
}

ProjectProperties::~ProjectProperties() = default;

// ---- VUVI_ProjectManager -------------------------------------------------------

VUVI_ProjectManager::VUVI_ProjectManager(TQ::Callbacks* callbacks)
    : Prm::ParameterSet(QStringLiteral("project"))
    , m_callbacks(callbacks)
    , m_properties(std::make_unique<ProjectProperties>())
    , m_parameterManager(std::make_unique<VUVI_ParameterManager>(*this))
    , m_frameManager(std::make_unique<VUVI_FrameManager>(*this))
{
}

VUVI_ProjectManager::~VUVI_ProjectManager() = default;

boost::shared_ptr<VUVI_ProjectManager> VUVI_ProjectManager::createWithExistingClip(
    const TQ_BaseClipInfo& baseInfo, const TQ_ClipInfo& clipInfo, const QString& projectFile,
    TQ::Callbacks* callbacks, const Rirediro::ManagerSuite&, bool)
{
    record(QStringLiteral("VUVI_ProjectManager::createWithExistingClip '%1'").arg(projectFile));
    boost::shared_ptr<VUVI_ProjectManager> project(new VUVI_ProjectManager(callbacks));
    VUVI_FrameManager& frames = project->frameManager();
    VUVI_Clip* clip = frames.createClip(frames.clipMaker(), baseInfo, clipInfo, QStringLiteral("Clip"), 0);
    if (clip)
        project->projectProperties().setLength(std::max(1u, clip->clipInfo().length().value(Prm::View())));
    return project;
}

Prm::Context VUVI_ProjectManager::currentFrame() const
{
    return Prm::Context(Prm::Time::fromDouble(double(m_currentFrame)), Prm::View(Prm::View::defaultViewId()), 3);
}

void VUVI_ProjectManager::vSetProjectHasChanged(bool changed)
{
    m_changed = changed;
}

// ---- VUVI_ParameterManager -----------------------------------------------------

VUVI_ParameterManager::VUVI_ParameterManager(VUVI_ProjectManager& project) : m_project(project)
{
}

VUVI_ParameterManager::~VUVI_ParameterManager() = default;

void VUVI_ParameterManager::vSetClipName(TQ::ClipID id, const QString& name)
{
    if (VUVI_Clip* clip = m_project.frameManager().findClip(id)) {
        clip->setName(name);
        m_project.vSetProjectHasChanged(true);
    }
}

// ---- VUVI_FrameManager ---------------------------------------------------------

VUVI_FrameManager::VUVI_FrameManager(VUVI_ProjectManager& project)
    : m_project(project), m_clipMaker(std::make_unique<Rirediro::ProjectClipMaker>(project))
{
}

VUVI_FrameManager::~VUVI_FrameManager()
{
    m_clips.clear();
    m_baseClips.clear();
}

VUVI_Clip* VUVI_FrameManager::findClip(TQ::ClipID id) const
{
    for (VUVI_Clip* clip : m_clips) {
        if (clip->clipID() == id)
            return clip;
    }
    return nullptr;
}

TQ::IClip* VUVI_FrameManager::clip(TQ::ClipID id) const
{
    return findClip(id);
}

TQ::ClipID VUVI_FrameManager::freeClipID(TQ::ClipID proposed) const
{
    TQ::ClipID id = proposed == 0 ? 1 : proposed;
    while (findClip(id))
        ++id;
    return id;
}

VUVI_Clip* VUVI_FrameManager::createClip(const Rirediro::IClipMaker& maker, const TQ_BaseClipInfo& baseInfo,
                                         const TQ_ClipInfo& clipInfo, const QString& name, unsigned int)
{
    const unsigned int baseClipID = m_baseClips.empty() ? 1 : m_baseClips.rbegin()->first + 1;
    auto baseClip = boost::make_shared<VUVI_BaseClip>(maker, baseClipID, name, &m_project, true);
    baseClip->setBaseClipInfoInternal(baseInfo);
    const std::vector<TQ::ClipID> ids = baseClip->clipIDs();
    if (ids.empty())
        return nullptr;
    boost::shared_ptr<VUVI_Clip> clip = baseClip->clip(ids.front());
    clip->setClipInfoInternal(clipInfo);
    m_baseClips[baseClipID] = baseClip;
    m_clips.append(clip.get());
    if (m_defaultTrackableClip == 0)
        m_defaultTrackableClip = clip->clipID();
    m_project.vSetProjectHasChanged(true);
    return clip.get();
}

const TQ_ClipInfo* VUVI_FrameManager::clipInfo(TQ::ClipID id, int) const
{
    const VUVI_Clip* clip = findClip(id);
    return clip ? &clip->clipInfo() : nullptr;
}

const TQ_BaseClipInfo* VUVI_FrameManager::baseInfo(unsigned int baseClipID) const
{
    const auto found = m_baseClips.find(baseClipID);
    return found == m_baseClips.end() ? nullptr : &found->second->baseInfo();
}

void VUVI_FrameManager::vClearOutMemoryExceptForFrame(const Prm::Context& frame, int flags)
{
    record(QStringLiteral("VUVI_FrameManager::vClearOutMemoryExceptForFrame %1 %2 %3")
               .arg(frame.time.toDouble())
               .arg(frame.view.id())
               .arg(flags));
}

void VUVI_FrameManager::vSetCacheStrategyRecycle(bool recycle)
{
    record(QStringLiteral("VUVI_FrameManager::vSetCacheStrategyRecycle %1").arg(recycle));
}

void VUVI_FrameManager::vSetCacheStrategy(int strategy, bool keepCurrent)
{
    record(QStringLiteral("VUVI_FrameManager::vSetCacheStrategy %1 %2").arg(strategy).arg(keepCurrent));
}
