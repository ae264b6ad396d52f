#include "ProjectClipMaker.h"
#include "ProjectDocument.h"

#include "Rirediro/Clips/VUVI_BaseClip.h"
#include "Rirediro/Clips/VUVI_Clip.h"
#include "Rirediro/Commands/CommandManager.h"
#include "Rirediro/ErrorHandling/VUVI_CoreErrors.h"
#include "Rirediro/Project/ProjectFile.h"
#include "Rirediro/Project/ProjectProperties.h"
#include "Rirediro/Project/VUVI_FrameManager.h"
#include "Rirediro/Project/VUVI_ParameterManager.h"
#include "Rirediro/Project/VUVI_ProjectManager.h"
#include "Rirediro/Project/VUVI_PostProcManager.h"
#include "Rirediro/Project/VUVI_PreProcManager.h"
#include "Rirediro/Project/VUVI_SelectionManager.h"
#include "Rirediro/Project/VUVI_ToolManager.h"

#include <Bsc/FileWrite.h>
#include <Bsc/Logger.h>
#include <Prm/Views.h>
#include <TQ/BaseClipInfo.h>
#include <TQ/CameraParameterSet.h>
#include <TQ/ClipInfo.h>

#include <QCoreApplication>

#include <boost/make_shared.hpp>

#include <algorithm>
#include <atomic>
#include <cmath>

namespace {

void record(const QString& call)
{
    Bsc::Logger::writeToLog(QStringLiteral("call ") + call, Bsc::Logger::Debug);
}

QString flag(bool value)
{
    return value ? QStringLiteral("true") : QStringLiteral("false");
}

std::vector<Prm::ParameterWithoutType*> parametersOf(const Prm::ParameterSet& set)
{
    return std::vector<Prm::ParameterWithoutType*>(set.parameters().begin(), set.parameters().end());
}

std::atomic<VUVI_ProjectManager::FreeHook> s_freeHook{nullptr};

} // namespace

// ---- VUVI_ProjectManager -------------------------------------------------------

VUVI_ProjectManager::VUVI_ProjectManager(TQ::Callbacks* callbacks)
    : Prm::ParameterSet(QStringLiteral("project"))
    , m_callbacks(callbacks)
    , m_properties(std::make_unique<ProjectProperties>())
    , m_commandManager(boost::make_shared<Rirediro::CommandManager>())
    , m_selectionManager(boost::make_shared<VUVI_SelectionManager>(*this))
    , m_toolManager(std::make_unique<VUVI_ToolManager>(m_selectionManager.get()))
    , m_parameterManager(std::make_unique<VUVI_ParameterManager>(*this))
    , m_preProcManager(std::make_unique<VUVI_PreProcManager>(*this))
    , m_postProcManager(std::make_unique<VUVI_PostProcManager>(*this))
    , m_frameManager(std::make_unique<VUVI_FrameManager>(*this))
{
    connect(m_commandManager.get(), &Rirediro::CommandManager::projectEdited, this,
            [this] { vSetProjectHasChanged(true); });
}

VUVI_ProjectManager::~VUVI_ProjectManager()
{
    // Commands refer to the project's objects: they go before any of them.
    m_commandManager->clear();
}

void VUVI_ProjectManager::setFreeHook(FreeHook hook)
{
    s_freeHook = hook;
}

void VUVI_ProjectManager::free(VUVI_ProjectManager* project)
{
    if (const FreeHook hook = s_freeHook)
        hook(project);
    else
        delete project;
}

boost::shared_ptr<VUVI_ProjectManager> VUVI_ProjectManager::createWithExistingClip(
    const TQ_BaseClipInfo& baseInfo, const TQ_ClipInfo& clipInfo, const QString& projectFile,
    TQ::Callbacks* callbacks, const Rirediro::ManagerSuite&, bool)
{
    record(QStringLiteral("VUVI_ProjectManager::createWithExistingClip '%1'").arg(projectFile));
    boost::shared_ptr<VUVI_ProjectManager> project(new VUVI_ProjectManager(callbacks), &free);
    VUVI_FrameManager& frames = project->frameManager();
    VUVI_Clip* clip = frames.createClip(frames.clipMaker(), baseInfo, clipInfo, QStringLiteral("Clip"), 0);
    if (clip) {
        const unsigned int length = std::max(1u, clip->clipInfo().length().value(Prm::View()));
        project->projectProperties().setLength(length);
        project->projectProperties().setPlaybackOutPoint(length - 1);
    }
    return project;
}

boost::shared_ptr<VUVI_ProjectManager> VUVI_ProjectManager::createFromHandle(Rirediro::IProjectHandle& handle,
                                                                             const TQ_BaseClipInfo& baseInfo,
                                                                             const TQ_ClipInfo& clipInfo,
                                                                             const MigratingClip&, bool initialise)
{
    record(QStringLiteral("VUVI_ProjectManager::createFromHandle '%1' %2").arg(handle.sourceName(), flag(initialise)));
    const Rirediro::ProjectRecord& stored = handle.record();
    boost::shared_ptr<VUVI_ProjectManager> project(new VUVI_ProjectManager(handle.callbacks().media), &free);

    ProjectProperties& properties = project->projectProperties();
    properties.setProjectNotes(stored.notes);
    properties.setLength(stored.length);
    properties.setFrameRate(stored.frameRate);
    properties.setInterlaceMode(stored.interlaceMode);
    properties.setFirstFrameOffset(stored.firstFrameOffset);
    properties.setOutputDir(stored.outputDir);
    properties.setPlaybackInPoint(stored.playbackInPoint);
    properties.setPlaybackOutPoint(stored.playbackOutPoint);
    std::vector<std::pair<Prm::View, QStringList>> views;
    for (const Rirediro::ViewRecord& view : stored.views) {
        views.emplace_back(view.view, view.names);
        properties.setColourForView(view.view, view.colour);
    }
    properties.views()->assign(views);
    properties.setHeroView(stored.heroView);

    // The first clip reads the footage as the opener says.
    VUVI_FrameManager& frames = project->frameManager();
    for (std::size_t i = 0; i < stored.clips.size(); ++i) {
        const Rirediro::ClipRecord& clip = stored.clips[i];
        frames.restoreClip(frames.clipMaker(), clip.baseClipID, clip.id, clip.name,
                           i == 0 ? baseInfo : stored.baseClip(clip.baseClipID)->info, i == 0 ? clipInfo : clip.info);
    }
    for (const Rirediro::BaseClipRecord& baseClip : stored.baseClips) {
        if (auto* camera = project->parameterManager().pGetClipParameters<TQ_CameraParameterSet>(baseClip.id))
            Rirediro::ProjectDocument::readLines(baseClip.camera, parametersOf(*camera));
    }
    frames.setDefaultTrackableClip(stored.defaultTrackableClip);
    for (const Rirediro::LayerRecord& layer : stored.layers)
        Rirediro::restore(layer, *project->selectionManager(), project);
    for (const Rirediro::LayerRecord& layer : stored.layers)
        Rirediro::restoreConstraints(layer, *project);

    properties.setProjectFilePath(handle.filePath());
    project->vSetProjectHasChanged(false);
    return project;
}

void VUVI_ProjectManager::saveProjectToFile(const QString& file, bool asCopy, bool autosave, bool withMedia)
{
    record(QStringLiteral("VUVI_ProjectManager::saveProjectToFile '%1' %2 %3 %4")
               .arg(file, flag(asCopy), flag(autosave), flag(withMedia)));
    const QByteArray document = Rirediro::ProjectDocument::write(Rirediro::ProjectDocument::recordOf(*this));
    // The new file takes the old one's place only once it is complete.
    Bsc::FileWrite out(file);
    if (!out.write(document) || !out.commit())
        Rirediro::throwException<VUVI_BadFile>(
            QCoreApplication::translate("ProjectFile", "Cannot save project file '%1': %2").arg(file, out.reason()));
    m_properties->setProjectFilePath(file);
    vSetProjectHasChanged(false);
}

Prm::Context VUVI_ProjectManager::currentFrame() const
{
    return m_frameManager->currentFrame();
}

unsigned int VUVI_ProjectManager::playbackInPoint(bool clamped) const
{
    const unsigned int frame = m_properties->playbackInPoint();
    return clamped ? std::min(frame, m_properties->length() - 1) : frame;
}

unsigned int VUVI_ProjectManager::playbackOutPoint(bool clamped) const
{
    const unsigned int frame = m_properties->playbackOutPoint();
    return clamped ? std::min(frame, m_properties->length() - 1) : frame;
}

void VUVI_ProjectManager::vSetOutputDirectory(const QString& folder)
{
    m_properties->setOutputDir(folder);
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

template <>
TQ_CameraParameterSet* VUVI_ParameterManager::pGetClipParameters<TQ_CameraParameterSet>(unsigned int baseClipID) const
{
    const auto& baseClips = m_project.frameManager().baseClips();
    const auto found = baseClips.find(baseClipID);
    return found == baseClips.end() ? nullptr : &found->second->cameraParameters();
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

void VUVI_FrameManager::setDefaultTrackableClip(TQ::ClipID id)
{
    if (findClip(id))
        m_defaultTrackableClip = id;
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
    if (baseInfo.frameWidth() == 0 || baseInfo.frameHeight() == 0)
        return nullptr;
    const unsigned int baseClipID = m_baseClips.empty() ? 1 : m_baseClips.rbegin()->first + 1;
    VUVI_Clip* clip = restoreClip(maker, baseClipID, freeClipID(baseClipID), name, baseInfo, clipInfo);
    if (clip && m_defaultTrackableClip == 0)
        m_defaultTrackableClip = clip->clipID();
    return clip;
}

VUVI_Clip* VUVI_FrameManager::restoreClip(const Rirediro::IClipMaker& maker, unsigned int baseClipID, TQ::ClipID id,
                                          const QString& name, const TQ_BaseClipInfo& baseInfo,
                                          const TQ_ClipInfo& clipInfo)
{
    if (id == 0 || findClip(id))
        return nullptr;
    boost::shared_ptr<VUVI_BaseClip>& baseClip = m_baseClips[baseClipID];
    if (!baseClip) {
        baseClip = boost::make_shared<VUVI_BaseClip>(maker, baseClipID, name, &m_project, false);
        baseClip->setBaseClipInfoInternal(baseInfo);
    }
    const boost::shared_ptr<VUVI_Clip> clip = baseClip->makeClip(maker, id, name);
    if (!clip) {
        if (baseClip->clipIDs().empty())
            m_baseClips.erase(baseClipID);
        return nullptr;
    }
    clip->setClipInfoInternal(clipInfo);
    m_clips.append(clip.get());
    m_project.vSetProjectHasChanged(true);
    return clip.get();
}

bool VUVI_FrameManager::deleteClip(TQ::ClipID id)
{
    VUVI_Clip* clip = findClip(id);
    if (!clip || m_clips.size() == 1)
        return false;
    m_clips.removeOne(clip);
    const unsigned int baseClipID = clip->baseClipID();
    boost::shared_ptr<VUVI_BaseClip> baseClip = m_baseClips[baseClipID];
    baseClip->removeClip(id); // the clip is gone from here on
    if (baseClip->clipIDs().empty())
        m_baseClips.erase(baseClipID);
    if (m_defaultTrackableClip == id)
        m_defaultTrackableClip = m_clips.front()->clipID();
    m_project.vSetProjectHasChanged(true);
    return true;
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

void VUVI_FrameManager::setCurrentFrame(const Prm::Context& frame)
{
    record(QStringLiteral("VUVI_FrameManager::setCurrentFrame %1 %2 %3")
               .arg(frame.time.toDouble())
               .arg(frame.view.id())
               .arg(frame.mode));
    if (std::isfinite(frame.time.toDouble()))
        m_currentFrame = frame;
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

void VUVI_FrameManager::vBackupBuffers()
{
    record(QStringLiteral("VUVI_FrameManager::vBackupBuffers"));
}

void VUVI_FrameManager::unloadAllUnusedTempBuffers()
{
    record(QStringLiteral("VUVI_FrameManager::unloadAllUnusedTempBuffers"));
}

bool VUVI_FrameManager::bIsLastFrame(const Prm::Frame& frame) const
{
    return frame == Prm::Frame::fromUInt(m_project.projectProperties().length() - 1);
}

bool VUVI_FrameManager::bIsFirstFrame(const Prm::Frame& frame) const
{
    return frame == Prm::Frame::fromUInt(0);
}
