#include "Project.h"

#include "Clip.h"
#include "Parameter.h"
#include "ParameterSet.h"
#include "ColorParameters.h"
#include "ExportFileNames.h"
#include "ProgressWatcher.h"
#include "PyHandle.h"
#include "RenderOperation.h"

#include "Python/Bootstrap.h"
#include "Python/InUse.h"
#include "Python/PyHelpers.h"

#include <Dururev/Dururev.h>
#include <LC/RenderOptions.h>
#include <Prm/Frame.h>
#include <Prm/Views.h>
#include <Product/Settings.h>
#include <Rirediro/Clips/VUVI_BaseClip.h>
#include <Rirediro/Clips/VUVI_Clip.h>
#include <Rirediro/Commands/CommandManager.h>
#include <Rirediro/Commands/LayerCommands.h>
#include <Rirediro/ErrorHandling/VUVI_ErrorDetector.h>
#include <Rirediro/Export/ClipSaveHelper.h>
#include <Rirediro/Export/ExportClipParams.h>
#include <Rirediro/FileSystem/FileSystem.h>
#include <Rirediro/Project/ManagerSuite.h>
#include <Rirediro/Project/ProjectFile.h>
#include <Rirediro/Project/ProjectProperties.h>
#include <Rirediro/Project/VUVI_FrameManager.h>
#include <Rirediro/Project/VUVI_ParameterManager.h>
#include <Rirediro/Project/VUVI_PreProcManager.h>
#include <Rirediro/Project/VUVI_ProjectManager.h>
#include <Rirediro/Project/VUVI_SelectionManager.h>
#include <Rirediro/Layers/LayerGroup.h>
#include <Rirediro/Layers/VUVI_Layer.h>
#include <TQ/BaseClipInfo.h>
#include <TQ/CameraParameterSet.h>
#include <TQ/ClipInfo.h>
#include <TQ/FilmType.h>
#include <TQ/Modules.h>

#include <QDir>
#include <QFileInfo>
#include <QSet>

#include <boost/core/null_deleter.hpp>
#include <boost/make_shared.hpp>

#include <algorithm>
#include <climits>
#include <cmath>
#include <memory>
#include <set>

namespace {

const QString s_source = QStringLiteral("../Project/wrappers/Project");

VUVI_ErrorDetector& detector()
{
    return *VUVI_ErrorDetector::instance();
}

} // namespace

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

// ---- construction -----------------------------------------------------------------

Project::Project(VUVI_ProjectManager* project)
    : QObject(nullptr), SbkCleaner(this), m_progressWatcher(new ProgressWatcher(true, this))
{
    if (!project)
        return;
    // Never deletes the project. The core may hand out shared references to
    // itself from now on, should nobody have given it its own.
    m_project = boost::shared_ptr<VUVI_ProjectManager>(project, boost::null_deleter());
    m_projectFile = project->projectProperties().projectFilePath();
    updateClipsHash();
    updateDefaultClipExtension();
}

Project::Project(const QString& project_file, QObject* parent)
    : QObject(nullptr), SbkCleaner(this), m_progressWatcher(new ProgressWatcher(true, this))
{
    detail::giveParent(*this, parent);
    Rirediro::PathNameHandle handle(project_file, Rirediro::Callbacks(Dururev::callbacks()));
    Rirediro::ProjectHeaderData header;
    Rirediro::ProjectHeaderReader::readProjectHeader(handle, header);
    // A project needs a clip to be built around.
    if (header.baseInfos.empty() || header.clipIDs.empty() || header.clipInfos.empty())
        Rirediro::throwException<VUVI_BadFile>(tr("Project file '%1' holds no clips").arg(project_file));

    m_project = VUVI_ProjectManager::createFromHandle(handle, header.baseInfos.front(), header.clipInfos.front(),
                                                      VUVI_ProjectManager::MigratingClip(), true);
    for (const unsigned int id : header.clipIDs) {
        TQ::IClip* clip = m_project->frameManager().clip(id);
        if (!clip)
            Rirediro::throwException<VUVI_BadFile>(
                tr("Project file '%1' names clip %2, which it does not hold").arg(project_file).arg(id));
        m_clips.insert(clip->name(), wrap(clip));
    }
    m_projectFile = project_file;
    updateDefaultClipExtension();
}

Project::Project(Clip* detached_clip, InterlaceMode interlace_mode, QObject* parent)
    : QObject(nullptr), SbkCleaner(this), m_progressWatcher(new ProgressWatcher(true, this))
{
    detail::giveParent(*this, parent);
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
    properties.setOutputDir(Product::Settings::outputFolder(Product::Settings::ProjectOutput, 5));
    // Fields are numbered from 2, frames from 1.
    properties.setFirstFrameOffset(baseInfo.interlaceMode() != TQ_NOT_INTERLACED ? 2 : 1);
    if (attached) {
        attached->set_frame_rate(24.0f);
        // Film back and focal length in millimetres; a parameter already
        // set so announces nothing.
        const unsigned int baseClipID = attached->internalClip()->baseClipID();
        if (auto* camera = m_project->parameterManager().pGetClipParameters<TQ_CameraParameterSet>(baseClipID)) {
            const Prm::View view(Prm::View::defaultViewId());
            camera->filmBackUnits().setValue(TQ_CameraParameterSet::Millimetres, view);
            camera->focalLengthUnits().setValue(TQ_CameraParameterSet::Millimetres, view);
        }
        ColorParameters* colour = attached->get_color_parameters();
        const ColorParameters* detachedColour = detached_clip->get_color_parameters();
        if (colour && detachedColour)
            *colour = *detachedColour;
    }
    updateDefaultClipExtension();
}

Project::~Project()
{
    // A Clip that a call uses meanwhile (an export on another thread) goes
    // when that call ends, not under it.
    PyHelpers::deleteChildrenWhenUnused<Clip>(*this);
}

Project* getCurrentProject()
{
    if (!isEmbedded())
        return nullptr;
    VUVI_ProjectManager* manager = currentProjectManager();
    if (!manager)
        return nullptr;
    auto* project = new Project(manager);
    detail::giveParent(*project, manager);
    return project;
}

void detail::giveParent(QObject& child, QObject* parent)
{
    if (!PyHelpers::giveParent(child, parent))
        Rirediro::throwException<VUVI_BadState>(
            QCoreApplication::translate("PyHandle", "The parent belongs to another thread"));
}

boost::shared_ptr<VUVI_ProjectManager> detail::owningReference(const boost::weak_ptr<VUVI_ProjectManager>& project)
{
    const boost::shared_ptr<VUVI_ProjectManager> reference = project.lock();
    return reference ? reference->weak_from_this().lock() : nullptr;
}

boost::shared_ptr<VUVI_ProjectManager> Project::callOwner() const
{
    return detail::owningReference(m_project);
}

VUVI_ProjectManager& Project::core() const
{
    if (!m_project)
        detail::throwInvalidObject();
    return *m_project;
}

void Project::freeCore(VUVI_ProjectManager* project)
{
    // A call that reaches the project through a Project does so inside the
    // core; one that lent the core meanwhile holds the project by shared
    // ownership, and the project would not be freed.
    const PyHelpers::CoreEntered core;
    for (Project* wrapper : project->findChildren<Project*>(QString(), Qt::FindDirectChildrenOnly)) {
        wrapper->setParent(nullptr);
        wrapper->m_project.reset();
        // Once no call holds it, and out of the core.
        PyHelpers::deleteWhenUnused(wrapper);
    }
    delete project;
}

namespace {
// From the moment the library is loaded, the core frees its projects so.
const bool s_freesThroughProjects = (VUVI_ProjectManager::setFreeHook(&Project::freeCore), true);
} // namespace

// The core project by shared ownership, and the project's watcher as it was
// at the start, guarded; afterwards, whether this Project lived through the
// run. A script that deletes the project meanwhile ends the core project
// when the run ends.
class Project::LongOperation
{
public:
    explicit LongOperation(Project& project)
        : m_project(&project), m_core(project.core().shared_from_this()), m_watcher(project.m_progressWatcher)
    {
    }

    VUVI_ProjectManager& core() const { return *m_core; }
    // Null once a script has deleted it.
    ProgressWatcher* watcher() const { return m_watcher.data(); }
    // This Project, once the run is over: "Invalid object" when a script
    // deleted it meanwhile, for what the run made has nowhere to go.
    Project& project() const
    {
        if (!m_project)
            detail::throwInvalidObject();
        return *m_project;
    }

private:
    QPointer<Project> m_project;
    boost::shared_ptr<VUVI_ProjectManager> m_core;
    QPointer<ProgressWatcher> m_watcher;
};

// ---- clips ----------------------------------------------------------------------

Clip* Project::wrap(TQ::IClip* clip)
{
    // Made on the calling thread, it joins the project's.
    return new Clip(Bsc::detail::QPointerEx<TQ::IClip, QPointer>(clip), m_project, this);
}

Clip* Project::attachClip(Clip* detached_clip)
{
    VUVI_FrameManager& frames = m_project->frameManager();
    const TQ::ClipID id = frames.defaultTrackableClip();
    VUVI_Clip* coreClip = frames.findClip(id);
    m_project->parameterManager().vSetClipName(id, detached_clip->get_name());
    if (!coreClip)
        return nullptr;
    Clip* clip = wrap(coreClip);
    m_clips.insert(clip->get_name(), clip);
    return clip;
}

void Project::updateClipsHash()
{
    // Making a Clip may run Python (the project hears of its new child), which
    // lends the core to other threads: they may add or delete core clips
    // meanwhile. So the clips to wrap are noted by id, each found afresh.
    const QList<QString> known = m_clips.keys();
    const QSet<QString> names(known.begin(), known.end());
    std::vector<TQ::ClipID> missing;
    for (VUVI_Clip* clip : core().frameManager().clips()) {
        if (!names.contains(clip->name()))
            missing.push_back(clip->clipID());
    }
    for (const TQ::ClipID id : missing) {
        if (VUVI_Clip* clip = core().frameManager().findClip(id))
            m_clips.insert(clip->name(), wrap(clip));
    }
}

QList<Clip*> Project::wrappersOf(unsigned int id) const
{
    QList<Clip*> found;
    for (const auto& entry : m_clips.values()) {
        Clip* clip = entry.data();
        if (!clip)
            continue;
        const boost::shared_ptr<VUVI_Clip> coreClip = clip->internalClipIfAlive();
        if (coreClip && coreClip->clipID() == id)
            found.append(clip);
    }
    return found;
}

Clip* Project::add_clip(Clip* detached_clip, const QString& clip_name)
{
    if (!detached_clip)
        detail::throwInvalidObject();
    VUVI_ProjectManager& project = core();
    TQ_BaseClipInfo baseInfo;
    TQ_ClipInfo clipInfo;
    prepareClipInfo(*detached_clip->internalClip(), baseInfo, clipInfo,
                    static_cast<InterlaceMode>(project.projectProperties().interlaceMode()));
    baseInfo.setFrameRate(get_frame_rate());

    VUVI_FrameManager& frames = project.frameManager();
    return clipFor(frames.createClip(frames.clipMaker(), baseInfo, clipInfo, clip_name, 0));
}

QHash<QString, Clip*> Project::get_clips() const
{
    QHash<QString, Clip*> clips;
    for (auto it = m_clips.constBegin(); it != m_clips.constEnd(); ++it)
        clips.insert(it.key(), it.value().data());
    return clips;
}

Clip* Project::get_default_trackable_clip() const
{
    const QList<Clip*> wrappers = wrappersOf(core().frameManager().defaultTrackableClip());
    return wrappers.isEmpty() ? nullptr : wrappers.last();
}

// ---- properties -----------------------------------------------------------------

QString Project::get_notes() const
{
    return core().projectProperties().getProjectNotes();
}

void Project::set_notes(const QString& notes)
{
    core().projectProperties().setProjectNotes(notes);
}

QString Project::get_project_file() const
{
    return m_projectFile;
}

QPair<unsigned int, unsigned int> Project::get_in_out_range() const
{
    const VUVI_ProjectManager& project = core();
    return qMakePair(project.playbackInPoint(false), project.playbackOutPoint(false));
}

void Project::set_in_out_range(const QPair<unsigned int, unsigned int>& range)
{
    VUVI_ProjectManager& project = core();
    ProjectProperties& properties = project.projectProperties();
    const unsigned int inPoint = range.first;
    const unsigned int outPoint = range.second;
    const unsigned int projectLength = properties.length();
    detector().checkRange(inPoint < projectLength, s_source, __LINE__, QStringLiteral("inPoint < projectLength"),
                          tr("In-point '%1' must not be greater than project length '%2'.")
                              .arg(inPoint)
                              .arg(projectLength));
    detector().checkRange(inPoint <= outPoint, s_source, __LINE__, QStringLiteral("inPoint <= outPoint"),
                          tr("In-point '%1' must not be greater than out-point '%2'.").arg(inPoint).arg(outPoint));
    properties.setPlaybackInPoint(inPoint);
    project.vSetProjectHasChanged(true);
    properties.setPlaybackOutPoint(outPoint);
    project.vSetProjectHasChanged(true);
}

float Project::get_frame_rate() const
{
    return core().projectProperties().frameRate();
}

void Project::set_frame_rate(float rate)
{
    core().projectProperties().setFrameRate(rate);
}

InterlaceMode Project::get_interlace_mode() const
{
    return static_cast<InterlaceMode>(core().projectProperties().interlaceMode());
}

QString Project::get_output_dir() const
{
    return QDir::toNativeSeparators(core().projectProperties().absoluteOutputDir());
}

void Project::set_output_dir(const QString& path, bool validate)
{
    VUVI_ProjectManager& project = core();
    const QString previous = project.projectProperties().rawOutputDir();
    project.vSetOutputDirectory(path);
    const QFileInfo folder(path);
    if (validate && (!folder.isDir() || !folder.isWritable())) {
        project.vSetOutputDirectory(previous);
        detector().check(false, s_source, __LINE__, QStringLiteral("false"),
                         tr("Could not set output directory to '%1'").arg(path));
    }
}

int Project::get_first_frame_offset() const
{
    return core().projectProperties().firstFrameOffset();
}

void Project::set_first_frame_offset(int offset)
{
    core().projectProperties().setFirstFrameOffset(offset);
}

unsigned int Project::get_length() const
{
    return core().projectProperties().length();
}

void Project::set_length(unsigned int length)
{
    ProjectProperties& properties = core().projectProperties();
    detector().checkRange(0 < length && length <= Prm::Frame::MAX.value(), s_source, __LINE__,
                          QStringLiteral("0 < length && length <= Prm::Frame::MAX.value()"),
                          tr("length '%1' out of range (must be between 1 and '%2')")
                              .arg(length)
                              .arg(Prm::Frame::MAX.value()));
    properties.setLength(length);
}

View Project::get_default_hero_view() const
{
    return View(core().projectProperties().heroView());
}

void Project::set_default_hero_view(const View& view)
{
    ProjectProperties& properties = core().projectProperties();
    const std::vector<Prm::View> projViews = properties.views()->viewList();
    detector().check(std::find(projViews.begin(), projViews.end(), view.getView()) != projViews.end(), s_source,
                     __LINE__, QStringLiteral("Bsc::contains( projViews, view.getView() )"),
                     tr("No such view: '%1'.").arg(view.__repr__()));
    properties.setHeroView(view.getView());
}

unsigned int Project::get_playback_in_point() const
{
    return core().playbackInPoint(false);
}

void Project::set_playback_in_point(unsigned int in_point)
{
    VUVI_ProjectManager& project = core();
    project.projectProperties().setPlaybackInPoint(in_point);
    project.vSetProjectHasChanged(true);
}

unsigned int Project::get_playback_out_point() const
{
    return core().playbackOutPoint(false);
}

void Project::set_playback_out_point(unsigned int out_point)
{
    VUVI_ProjectManager& project = core();
    project.projectProperties().setPlaybackOutPoint(out_point);
    project.vSetProjectHasChanged(true);
}

// ---- views ----------------------------------------------------------------------

QVector<ViewInfo> Project::get_views() const
{
    const ProjectProperties& properties = core().projectProperties();
    const Prm::Views& views = *properties.views();
    QVector<ViewInfo> infos;
    for (const Prm::View& view : views.viewList()) {
        const QStringList names = views.viewNames(view);
        infos.append(ViewInfo(names.value(0), names.value(1), properties.colourForView(view)));
    }
    return infos;
}

void Project::set_views(QVector<ViewInfo> views)
{
    ProjectProperties& properties = core().projectProperties();
    QList<QStringList> names;
    std::set<QString> namesSet;
    std::set<QString> abbrsSet;
    for (const ViewInfo& view : views) {
        names.append(QStringList{view.get_name(), view.get_abbr()});
        namesSet.insert(view.get_name());
        abbrsSet.insert(view.get_abbr());
    }
    detector().check(namesSet.size() == std::size_t(names.size()), s_source, __LINE__,
                     QStringLiteral("namesSet.size() == size_t( names.size() )"), tr("View names must be unique."));
    detector().check(abbrsSet.size() == std::size_t(names.size()), s_source, __LINE__,
                     QStringLiteral("abbrsSet.size() == size_t( names.size() )"),
                     tr("View abbreviations must be unique."));
    properties.setViewNames(names);
    if (views.isEmpty())
        return;
    const std::vector<Prm::View> ids = properties.views()->viewList();
    for (std::size_t i = 0; i < std::min(ids.size(), std::size_t(views.size())); ++i)
        properties.setColourForView(ids[i], views[int(i)].get_color());
}

void Project::updateDefaultClipExtension()
{
    const QString format =
        Product::Settings::value(QStringLiteral("ResultClipFileFormat"), QStringLiteral("TIF"), true).toString();
    core().setDefaultFileExtension(QLatin1Char('.') + format);
}

// ---- saving ---------------------------------------------------------------------

void Project::save()
{
    core(); // a project that is gone says so first
    detector().check(!m_projectFile.isEmpty(), s_source, __LINE__, QStringLiteral("!m_projectFile.isEmpty()"),
                     tr("Cannot save project file without a path. Please use save_as()."));
    save_as(m_projectFile);
}

void Project::save_as(const QString& file)
{
    VUVI_ProjectManager& project = core();
    const QFileInfo info(file);
    if (info.exists() && !info.isWritable())
        Rirediro::throwException<VUVI_BadFile>(tr("File '%1' is not writable").arg(file));
    project.saveProjectToFile(file, false, false, false);
    m_projectFile = file;
}

// ---- history and progress ---------------------------------------------------------

UndoGroup Project::undo_group() const
{
    return UndoGroup(core().shared_from_this());
}

ProgressWatcher* Project::get_progress_watcher() const
{
    return m_progressWatcher.data();
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

// ---- layers and groups ---------------------------------------------------------------

template <typename Handle, typename Base>
QVector<Handle> Project::nonNullLBases(Handle (*convert)(const boost::shared_ptr<Rirediro::LayerBase>&,
                                                         const boost::weak_ptr<VUVI_ProjectManager>&),
                                       const QVector<boost::shared_ptr<Base>>& nodes) const
{
    const boost::weak_ptr<VUVI_ProjectManager> project = m_project;
    QVector<Handle> handles;
    handles.reserve(nodes.size());
    for (const boost::shared_ptr<Base>& node : nodes)
        handles.append(convert(node, project));
    handles.erase(std::remove_if(handles.begin(), handles.end(), [](const Handle& handle) { return handle.isNull(); }),
                  handles.end());
    return handles;
}

Layer Project::add_layer(Clip* clip, const QString& name, unsigned int frame_number, unsigned int view)
{
    if (!clip)
        detail::throwInvalidObject();
    VUVI_ProjectManager& project = core();
    const boost::shared_ptr<VUVI_Clip> coreClip = clip->internalClipIn(project);

    const std::vector<Prm::View> views = project.projectProperties().views()->viewList();
    const bool known = std::find(views.begin(), views.end(), Prm::View(int32_t(view))) != views.end();
    const Prm::View chosen = known ? Prm::View(int32_t(view)) : Prm::View(Prm::View::defaultViewId());
    const Prm::Context context(Prm::Time::fromDouble(double(frame_number)), chosen, 3);
    const auto command =
        boost::make_shared<Rirediro::NewLayerCommand>(project, false, coreClip->clipID(), context, name);
    command->setViews(views);
    project.commandManager()->executeAndLog(command, project.currentFrame(), true, true);
    return Layer(project.selectionManager()->findLayer(command->layerID(), false), m_project);
}

LayerGroup Project::add_group(const QString& name, QVector<Layer> layers)
{
    VUVI_ProjectManager& project = core();
    // Every layer must be alive, and the project's, before anything is made.
    Python::layersIn(layers, project);
    VUVI_SelectionManager& selection = *project.selectionManager();
    const QString id = selection.createLayerGroup();
    LayerGroup group = Python::layerGroupFromBase(selection.layerFromID(id), m_project);
    for (Layer& layer : layers)
        layer.set_parent(&group, 0);
    group.set_name(name);
    return group;
}

Layer Project::layer(unsigned int layer_index) const
{
    const QVector<boost::shared_ptr<VUVI_Layer>> layers = core().selectionManager()->layersFrontToRear();
    if (layer_index < unsigned(layers.size()))
        return Layer(layers[int(layer_index)], m_project);
    return Layer();
}

QVector<Layer> Project::get_layers() const
{
    return nonNullLBases<Layer>(&Python::layerFromBase, core().selectionManager()->layersFrontToRear());
}

QVector<Layer> Project::find_layers(const QString& name) const
{
    return nonNullLBases<Layer>(&Python::layerFromBase, core().selectionManager()->findLayers(name, true));
}

QVector<LayerGroup> Project::get_groups() const
{
    return nonNullLBases<LayerGroup>(&Python::layerGroupFromBase, core().selectionManager()->allLayersAndGroups());
}

QVector<LayerGroup> Project::find_groups(const QString& name) const
{
    return nonNullLBases<LayerGroup>(&Python::layerGroupFromBase, core().selectionManager()->findLayers(name, true));
}

// ---- tracking ---------------------------------------------------------------------------

namespace {

// One direction of tracking: the step, where the clip ends and what is said
// when a step would run past it.
struct TrackDirection
{
    int sign;
    void (VUVI_PreProcManager::*step)(VUVI_Layer&, const Prm::Context&, const LC::RenderOptions&);
    bool (VUVI_FrameManager::*isEnd)(const Prm::Frame&) const;
    const char* endMessage;
    QString endDetail;
};

TrackDirection trackDirection(bool forward)
{
    if (forward)
        return {+1, &VUVI_PreProcManager::trackToNextFrame, &VUVI_FrameManager::bIsLastFrame, "Reached the last frame",
                Project::tr("Unable to track to the next frame: reached the end of the sequence")};
    return {-1, &VUVI_PreProcManager::trackToPreviousFrame, &VUVI_FrameManager::bIsFirstFrame,
            "Reached the first frame",
            Project::tr("Unable to track to the previous frame: reached the beginning of the sequence")};
}

// The layers a track runs over: those given, else every unlocked layer that
// tracks.
std::vector<boost::shared_ptr<VUVI_Layer>> layersToTrack(const QVector<Layer>& given,
                                                         const VUVI_ProjectManager& project,
                                                         const VUVI_SelectionManager& selection)
{
    if (!given.isEmpty())
        return Python::layersIn(given, project);
    std::vector<boost::shared_ptr<VUVI_Layer>> layers;
    for (const boost::shared_ptr<VUVI_Layer>& layer : selection.layersFrontToRear()) {
        if (layer && layer->bUsesModule(TQ_MODULE_TRACK, true) && !layer->isLocked(true))
            layers.push_back(layer);
    }
    return layers;
}

std::vector<Prm::View> viewsToTrack(const QVector<View>& given, const ProjectProperties& properties)
{
    std::vector<Prm::View> views;
    if (!given.isEmpty()) {
        for (const View& view : given)
            views.push_back(view.getView());
    } else if (properties.isRenderAllViewsEnabled()) {
        views = properties.views()->viewList();
    } else {
        views.push_back(Prm::View(Prm::View::defaultViewId()));
    }
    return views;
}

} // namespace

void Project::track_layers(unsigned int start_index, unsigned int stop_index, const QVector<Layer>& layers,
                           const QVector<View>& views)
{
    if (stop_index == UINT_MAX)
        stop_index = get_length() - 1;
    const LongOperation run(*this);
    VUVI_ProjectManager* const project = &run.core();
    RenderOperation::validateIndexes(*project, int(start_index), int(stop_index));

    const bool forward = stop_index >= start_index;
    const TrackDirection direction = trackDirection(forward);
    const LC::RenderOptions options;
    VUVI_FrameManager& frames = project->frameManager();
    VUVI_SelectionManager& selection = *project->selectionManager();
    VUVI_PreProcManager& tracker = project->preProcManager();
    const std::vector<boost::shared_ptr<VUVI_Layer>> chosenLayers = layersToTrack(layers, *project, selection);
    const std::vector<Prm::View> chosenViews = viewsToTrack(views, project->projectProperties());
    const Prm::Views& projectViews = *project->projectProperties().views();

    // Both indexes are below 2^31 by now.
    const int stepsPerView = forward ? int(stop_index - start_index) : int(start_index - stop_index);
    const long long total = (long long)(chosenViews.size()) * stepsPerView; // views x steps may pass 2^31
    long long done = 0;

    const ProgressSender progress(run.watcher());
    progress.started();
    progress.status(0);

    if (!isEmbedded()) {
        frames.vClearOutMemoryExceptForFrame(
            Prm::Context(Prm::Time::fromDouble(Prm::Time::INVALID_TIME_VALUE), Prm::View(Prm::View::defaultViewId()), 3),
            0);
        frames.vSetCacheStrategyRecycle(true);
    }
    frames.vBackupBuffers();
    frames.unloadAllUnusedTempBuffers();

    for (const Prm::View& view : chosenViews) {
        if (projectViews.viewIndex(view) == -1)
            continue;
        const QStringList names = projectViews.viewNames(view);
        const QString label = names.size() >= 2 ? names.at(1) : QString();
        int frame = int(start_index);
        for (int i = 0; i < stepsPerView; ++i) {
            const Prm::Context context(Prm::Time::fromDouble(double(frame)), view, 3);
            if ((frames.*direction.isEnd)(Prm::Frame::fromTime(context.time)))
                Rirediro::throwException<VUVI_OperationFailed>("../Project/wrappers/Project", __LINE__,
                                                               QString::fromLatin1(direction.endMessage),
                                                               direction.endDetail);
            frames.setCurrentFrame(context);
            selection.updateLayerFrameToCurrentFrame();
            progress.message(tr("Tracking View \"%1\" in Frame %2").arg(label, QString::number(frame)));
            for (const boost::shared_ptr<VUVI_Layer>& layer : chosenLayers) {
                if (!layer->isActiveInFrame(context))
                    continue;
                (tracker.*direction.step)(*layer, context, options);
                frames.vBackupBuffers();
            }
            progress.status(ProgressSender::percent(done, total));
            ++done;
            frame += direction.sign;
        }
    }

    // The last view known to the project; with none the current frame stays.
    const auto known = std::find_if(chosenViews.rbegin(), chosenViews.rend(),
                                    [&](const Prm::View& view) { return projectViews.viewIndex(view) != -1; });
    if (known != chosenViews.rend())
        frames.setCurrentFrame(Prm::Context(Prm::Time::fromDouble(double(stop_index)), *known, 3));
    progress.status(100);
    progress.finished();
}

// ---- rendering ----------------------------------------------------------------------------

Clip* Project::clipFor(TQ::IClip* made)
{
    // Held by its guard while the table is refreshed.
    const QPointer<VUVI_Clip> guarded(dynamic_cast<VUVI_Clip*>(made));
    updateClipsHash();
    if (!guarded)
        return nullptr;
    const QList<Clip*> wrappers = wrappersOf(guarded->clipID());
    // A name already in the table keeps its entry: the new clip then has a
    // Clip of its own outside the table.
    return wrappers.isEmpty() ? wrap(guarded.data()) : wrappers.first();
}

Clip* Project::render(RenderOperation* operation, int start_index, int stop_index, const QVector<Layer>& layers,
                      View view, int step)
{
    if (!operation)
        detail::throwInvalidObject();
    const LongOperation run(*this);
    TQ::IClip* made = operation->render(&run.core(), start_index, stop_index, layers, view, step);
    return run.project().clipFor(made);
}

Clip* Project::new_output_clip(Clip* input_clip, const QString& clip_name)
{
    if (!input_clip)
        detail::throwInvalidObject();
    VUVI_ProjectManager& project = core();
    // The derived clip is made over the input's base clip, by its id.
    const boost::shared_ptr<VUVI_Clip> input = input_clip->internalClipIn(project);
    const TQ_ClipInfo info = input->clipInfo().copyInfoForDerivedClip();
    VUVI_FrameManager& frames = project.frameManager();
    const TQ::ClipID outputClipID =
        frames.registerDerivedClip(VUVI_FrameManager::clipMaker(project), input->baseClipID(), info, clip_name, false, 0);
    detector().checkOperation(outputClipID != 0, s_source, __LINE__, QStringLiteral("outputClipID != 0"),
                              tr("Failed to create a new output clip"));
    TQ::IClip* clip = frames.clip(outputClipID);
    Clip* wrapper = wrap(clip);
    m_clips.insert(clip->name(), wrapper);
    return wrapper;
}

// ---- shape export -------------------------------------------------------------------------

namespace {

// One export of layers' mattes: the parameters it writes with and the
// first file it wrote.
class ShapesRenderer : private Rirediro::ClipSaveHelper
{
    Q_DECLARE_TR_FUNCTIONS(ShapesRenderer)
public:
    ShapesRenderer() = default;
    virtual ~ShapesRenderer() = default;

    // Writes the files; m_firstFileName stays empty when the export could
    // not be prepared.
    void exportShapes(VUVI_ProjectManager& project, const QVector<Layer>& layers, ColorizeOutput colorizeOutput,
                      const QString& directory, const QString& extension, const QString& prefix,
                      const QString& suffix, unsigned int index_start, unsigned int index_finish,
                      unsigned int index_width, const QVector<View>& views, bool separate_streams,
                      unsigned int offset);

    std::unique_ptr<Rirediro::ExportClipParams> m_exportParams;
    QString m_firstFileName;
};

// The digits of n in decimal, as the index width counts them.
unsigned int decimalDigits(unsigned int n)
{
    return n == 0 ? 1u : unsigned(std::log(double(n) + 0.5) / std::log(10.0)) + 1u;
}

void ShapesRenderer::exportShapes(VUVI_ProjectManager& project, const QVector<Layer>& layers,
                                  ColorizeOutput colorizeOutput, const QString& directory, const QString& extension,
                                  const QString& prefix, const QString& suffix, unsigned int index_start,
                                  unsigned int index_finish, unsigned int index_width, const QVector<View>& views,
                                  bool separate_streams, unsigned int offset)
{
    static const QString source = QStringLiteral("../Project/wrappers/Project");
    VUVI_ErrorDetector& detector = *VUVI_ErrorDetector::instance();
    detector.check(!layers.isEmpty(), source, __LINE__, QStringLiteral("!layers.isEmpty()"),
                   tr("No layers to render"));
    ProjectProperties& properties = project.projectProperties();
    const unsigned int length = properties.length();
    detector.checkRange(0 < length && length <= Prm::Frame::MAX.value(), source, __LINE__,
                        QStringLiteral("0 < length && Prm::Frame::Value(length) <= Prm::Frame::MAX.value()"),
                        tr("length '%1' out of range (must be between 1 and '%2')")
                            .arg(length)
                            .arg(Prm::Frame::MAX.value()));
    if (index_start >= length)
        Rirediro::throwException<VUVI_OutOfRange>(
            tr("index_start '%1' out of range (must be between 0 and '%2')").arg(index_start).arg(length - 1));
    if (index_finish < index_start || index_finish >= length)
        Rirediro::throwException<VUVI_OutOfRange>(
            tr("index_finish '%1' out of range (must be between '%2' and '%3')")
                .arg(index_finish)
                .arg(index_start)
                .arg(length - 1));

    m_exportParams = std::make_unique<Rirediro::ExportClipParams>();
    Rirediro::ExportClipParams& params = *m_exportParams;
    params.setExportOptions(1);
    params.setClipPrefix(Bsc::FSPercentEscapedString(prefix, 0));
    params.setClipSuffix(Bsc::FSPercentEscapedString(suffix, 0));
    params.setFirstFileNumber(offset);
    params.setClipIndexWidth(std::max(index_width, decimalDigits(index_finish)));
    params.setClipPath(directory);
    params.setClipExtension(extension);

    const std::vector<boost::shared_ptr<VUVI_Layer>> exportedLayers = Python::layersIn(layers, project);
    const boost::shared_ptr<VUVI_Layer>& first = exportedLayers.front();
    params.eClipID = first->matteClipParameter().value(Prm::View(Prm::View::defaultViewId()));
    detector.check(params.eClipID != 0, source, __LINE__, QStringLiteral("m_exportParams->eClipID"),
                   tr("Layer '%1' does not have an associated matte clip").arg(first->name()));
    params.eRevertClipID = 0;
    for (const boost::shared_ptr<VUVI_Layer>& layer : exportedLayers)
        params.addLayerToExport(layer);

    VUVI_FrameManager& frames = project.frameManager();
    const TQ_ClipInfo* matteInfo = frames.clipInfo(params.eClipID, 0);
    const VUVI_Clip* matteClip = frames.findClip(params.eClipID);
    detector.checkNotNull(matteInfo && matteClip, source, __LINE__, QStringLiteral("matteClip"),
                          tr("Layer '%1' does not have an associated matte clip").arg(first->name()));
    setupChannelsAndFormat(params, *matteInfo, true, false, false, colorizeOutput == ByLayer,
                           colorizeOutput == ByMatteColor);
    const unsigned int firstFrameOffset = unsigned(properties.firstFrameOffset());
    populateClipIndices(params, project, firstFrameOffset + index_start, firstFrameOffset + index_finish,
                        TQ::isFieldInterlaced(matteClip->baseClip().baseInfo().interlaceMode()));

    QVector<Prm::View> exported;
    for (const View& view : views)
        exported.append(view.getView());
    if (exported.isEmpty())
        exported.append(project.currentFrame().view);
    params.setViewsToExport(exported, properties.views(), !separate_streams && exported.size() >= 2);
    params.setFootageKind(extension.toLower() == QLatin1String(".mov") ? Rirediro::ExportClipParams::Movie
                                                                        : Rirediro::ExportClipParams::ImageSequence);

    const bool conversionRequired = matteInfo->colorSpaceSettings().bConversionRequired();
    if (!prepareToSaveClip(project, params, !conversionRequired, 3))
        return;
    if (!isEmbedded()) {
        frames.vClearOutMemoryExceptForFrame(project.currentFrame(), 0);
        frames.vSetCacheStrategyRecycle(true);
        frames.vSetCacheStrategy(0, false);
    }
    doSaveClip(project, params, 3);
    m_firstFileName = params.fileNameForFrame(
        Prm::Context(Prm::Time::fromDouble(double(params.firstFileNumber())), Prm::View(Prm::View::defaultViewId()), 3));
}

} // namespace

Clip* Project::export_rendered_shapes(const QVector<Layer>& layers, ColorizeOutput colorizeOutput,
                                      const QString& directory, const QString& extension, const QString& prefix,
                                      const QString& suffix, unsigned int index_start, unsigned int index_finish,
                                      unsigned int index_width, const QVector<View>& views, bool separate_streams,
                                      unsigned int offset)
{
    const LongOperation run(*this);
    Python::checkExportFileNames(prefix, suffix, extension, index_width, offset,
                                 quint64(offset) + (index_finish > index_start ? index_finish - index_start : 0));
    Rirediro::FileSystem::createFolder(directory, tr("output"));
    const ScopedProgressConnector connection(run.watcher());
    ShapesRenderer renderer;
    renderer.exportShapes(run.core(), layers, colorizeOutput, directory, extension, prefix, suffix, index_start,
                          index_finish, index_width, views, separate_streams, offset);
    detector().check(!renderer.m_firstFileName.isEmpty(), s_source, __LINE__,
                     QStringLiteral("!renderer.m_firstFileName.isEmpty()"), tr("Rendering failed"));
    return new Clip(renderer.m_firstFileName, QStringLiteral("NewClip"), false, 0, 0, 0, nullptr);
}
