#include "Project.h"

#include "Clip.h"
#include "Parameter.h"
#include "ParameterSet.h"
#include "ColorParameters.h"
#include "ProgressWatcher.h"
#include "PyHandle.h"

#include <Dururev/Dururev.h>
#include <Rirediro/Clips/VUVI_BaseClip.h>
#include <Rirediro/Clips/VUVI_Clip.h>
#include <Rirediro/Project/ManagerSuite.h>
#include <Rirediro/Project/ProjectProperties.h>
#include <Rirediro/Project/VUVI_FrameManager.h>
#include <Rirediro/Project/VUVI_ParameterManager.h>
#include <Rirediro/Project/VUVI_ProjectManager.h>
#include <TQ/BaseClipInfo.h>
#include <TQ/ClipInfo.h>
#include <TQ/FilmType.h>

void prepareClipInfo(const VUVI_Clip& clip, TQ_BaseClipInfo& baseInfo, TQ_ClipInfo& clipInfo,
                     InterlaceMode interlace_mode)
{
    baseInfo = clip.baseClip().baseInfo();
    clipInfo = clip.clipInfo();

    const Prm::View view = clipInfo.remapViewIfRequired(Prm::View(Prm::View::defaultViewId()),
                                                        TQ_ClipInfo::ProjectToClipView);
    clipInfo.frameRateMode().setValue(TQ_CLIP_MODE_MANUAL, view);
    clipInfo.filmTypeMode().setValue(TQ_CLIP_MODE_MANUAL, view);
    clipInfo.setCacheFrames(1);
    clipInfo.setProxyLevel(0);

    const QSize size = baseInfo.size();
    const bool interlaced = TQ::isFieldInterlaced(baseInfo.interlaceMode());
    if (!baseInfo.filmType().isValid() || baseInfo.filmType().name().isEmpty()) {
        TQ::FilmType filmType = TQ_FilmTypeFactory::bestMatchForSize(size, interlaced);
        if (!filmType.isValid())
            filmType = TQ_FilmTypeFactory::customTypeForParAndDims(1.0, size, interlaced);
        baseInfo.setFilmType(filmType);
        baseInfo.setFilmBackAspect(filmType.getFilmBackAspectRatio());
        baseInfo.setPixelAspect(filmType.pixelAspectRatio(size, interlaced));
    }

    const auto mode = static_cast<TQ_INTERLACE_MODE>(interlace_mode);
    baseInfo.setInterlaceMode(mode);
    if (mode != TQ_NOT_INTERLACED) {
        baseInfo.setFrameHeight(baseInfo.frameHeight() / 2);
        clipInfo.setLengthFromFileCount(mode);
    }
    baseInfo.setImagePlacement(0.0f, 0.0f, 1.0f);
}

Project::Project(Clip* detached_clip, InterlaceMode interlace_mode, QObject* parent)
    : QObject(parent)
    , SbkCleaner(this)
    , m_progressWatcher(new ProgressWatcher(true, nullptr))
{
    if (!detached_clip)
        detail::throwInvalidObject();

    TQ_BaseClipInfo baseInfo;
    TQ_ClipInfo clipInfo;
    prepareClipInfo(*detached_clip->internalClip(), baseInfo, clipInfo, interlace_mode);
    m_project = VUVI_ProjectManager::createWithExistingClip(baseInfo, clipInfo, QString(), Dururev::callbacks(),
                                                            Rirediro::ManagerSuite(), true);
    ProjectProperties& properties = m_project->projectProperties();
    properties.setInterlaceMode(static_cast<TQ_INTERLACE_MODE>(interlace_mode));
    Clip* attached = attachClip(detached_clip);
    set_frame_rate(24.0f);
    // Fields are numbered from 2, frames from 1.
    properties.setFirstFrameOffset(baseInfo.interlaceMode() != TQ_NOT_INTERLACED ? 2 : 1);
    if (!attached)
        return;
    attached->set_frame_rate(24.0f);
    ColorParameters* colour = attached->get_color_parameters();
    const ColorParameters* detachedColour = detached_clip->get_color_parameters();
    if (colour && detachedColour)
        *colour = *detachedColour;
}

Project::~Project() = default;

Clip* Project::attachClip(Clip* detached_clip)
{
    VUVI_FrameManager& frames = m_project->frameManager();
    const TQ::ClipID id = frames.defaultTrackableClip();
    VUVI_Clip* coreClip = frames.findClip(id);
    m_project->parameterManager().vSetClipName(id, detached_clip->get_name());
    if (!coreClip)
        return nullptr;
    Clip* clip = new Clip(Bsc::detail::QPointerEx<TQ::IClip, QPointer>(coreClip), m_project, this);
    m_clips.insert(clip->get_name(), clip);
    return clip;
}

QHash<QString, Clip*> Project::get_clips() const
{
    QHash<QString, Clip*> clips;
    for (auto it = m_clips.constBegin(); it != m_clips.constEnd(); ++it)
        clips.insert(it.key(), it.value().data());
    return clips;
}

void Project::set_frame_rate(float rate)
{
    m_project->projectProperties().setFrameRate(rate);
}

ProgressWatcher* Project::get_progress_watcher() const
{
    return m_progressWatcher.get();
}

// ---- parameters ------------------------------------------------------------------

namespace {

// The core project's root set, sharing the project's ownership; empty
// without a project.
boost::shared_ptr<Prm::ParameterSet> rootSet(const boost::shared_ptr<VUVI_ProjectManager>& project)
{
    return boost::shared_ptr<Prm::ParameterSet>(project, project.get());
}

} // namespace

Parameter Project::parameter(const QStringList& name_components)
{
    return Parameter(rootSet(m_project), name_components);
}

ParameterSet Project::parameter_set(const QStringList& name_components)
{
    return ParameterSet(rootSet(m_project), name_components);
}
