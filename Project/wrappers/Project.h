#pragma once

#include "Project/wrappers/Enums.h"
#include "Project/wrappers/Layer.h"
#include "Project/wrappers/LayerGroup.h"
#include "Project/wrappers/UndoGroup.h"
#include "Project/wrappers/View.h"
#include "Project/wrappers/ViewInfo.h"
#include "Python/SbkCleaner.h"

#include <Bsc/QPointerEx.h>

#include <QHash>
#include <QList>
#include <QObject>
#include <QPair>
#include <QPointer>
#include <QString>
#include <QVector>

#include <boost/shared_ptr.hpp>

class Clip;
class Parameter;
class ParameterSet;
class ProgressWatcher;
class RenderOperation;
class TQ_BaseClipInfo;
class TQ_ClipInfo;
class VUVI_Clip;
class VUVI_ProjectManager;

namespace TQ {
class IClip;
}

// One project of the core as scripts see it, with a Clip for each of its
// clips by name.
//
// Ownership: a project opened from a file or made from a clip owns its core
// project; one that wraps a core project (the application's) does not. The
// Clips are Qt children of the Project; the clip table only observes them.
class Project : public QObject, public SbkCleaner
{
    Q_OBJECT
public:
    // Wraps a core project that somebody else owns; null wraps nothing, and
    // every call then reports "Invalid object". Made a Qt child of the core
    // project, it forgets it as the core frees it, and goes once no call
    // uses it (freeCore).
    explicit Project(VUVI_ProjectManager* project);
    // Opens a project file. A file that cannot be read, or is not a whole
    // project, throws VUVI_BadFile naming it.
    explicit Project(const QString& project_file, QObject* parent = nullptr);
    // A new project whose first clip is made from a detached clip: it keeps
    // the clip's name and colour settings. A null clip throws VUVI_BadState
    // "Invalid object".
    Project(Clip* detached_clip, InterlaceMode interlace_mode = NotInterlaced, QObject* parent = nullptr);
    ~Project() override;

    // ---- clips ----
    // A further clip made from a detached clip, named `clip_name`; its Clip,
    // or null when the core makes no clip. A null clip throws VUVI_BadState
    // "Invalid object" and adds nothing.
    Clip* add_clip(Clip* detached_clip, const QString& clip_name);
    // The clip table: one Clip per clip name (null for a Clip that has been
    // deleted). Not refreshed by asking.
    QHash<QString, Clip*> get_clips() const;
    // The Clip of the clip layers track by default; null when the table has
    // none for it.
    Clip* get_default_trackable_clip() const;

    // ---- properties ----
    QString get_notes() const;
    void set_notes(const QString& notes);
    QString get_project_file() const;
    QPair<unsigned int, unsigned int> get_in_out_range() const;
    void set_in_out_range(const QPair<unsigned int, unsigned int>& range);
    float get_frame_rate() const;
    void set_frame_rate(float rate);
    InterlaceMode get_interlace_mode() const;
    QString get_output_dir() const;
    // With `validate`, a path that is not a writable folder is refused and
    // the previous folder stays.
    void set_output_dir(const QString& path, bool validate = false);
    int get_first_frame_offset() const;
    void set_first_frame_offset(int offset);
    unsigned int get_length() const;
    void set_length(unsigned int length);
    View get_default_hero_view() const;
    void set_default_hero_view(const View& view);
    unsigned int get_playback_in_point() const;
    void set_playback_in_point(unsigned int in_point);
    unsigned int get_playback_out_point() const;
    void set_playback_out_point(unsigned int out_point);

    // ---- views ----
    QVector<ViewInfo> get_views() const;
    // Names, abbreviations and colours of the views, by position: a longer
    // list adds views, a shorter one drops views from the end.
    void set_views(QVector<ViewInfo> views);

    // ---- saving ----
    void save();
    // Writes the project to `file`, which then is its project file. A save
    // that fails leaves the previous file and the project file as they were.
    void save_as(const QString& file);

    // ---- tracking and rendering ----
    // Tracks the layers (default: every unlocked tracking layer) frame by
    // frame from start towards stop (default: the last frame) in each view
    // (default: the default view, or every view when the project renders
    // them all), reporting through the project's watcher. Views the project
    // lacks are skipped, though progress counts them. The project's current
    // frame ends at stop.
    void track_layers(unsigned int start_index, unsigned int stop_index, const QVector<Layer>& layers,
                      const QVector<View>& views);
    // Runs the operation over the frames and returns the project's Clip of
    // the clip it made; null when it made none. A null operation throws
    // "Invalid object" and renders nothing.
    Clip* render(RenderOperation* operation, int start_index, int stop_index, const QVector<Layer>& layers,
                 View view, int step);
    // Writes the layers' mattes (their shapes as tracked, in the chosen
    // colours) for the frames to image files or a movie (".mov") in
    // `directory`; a new detached Clip over the first file, which the
    // caller owns.
    Clip* export_rendered_shapes(const QVector<Layer>& layers, ColorizeOutput colorizeOutput,
                                 const QString& directory, const QString& extension, const QString& prefix,
                                 const QString& suffix, unsigned int index_start, unsigned int index_finish,
                                 unsigned int index_width, const QVector<View>& views, bool separate_streams,
                                 unsigned int offset);
    // A new empty clip of the project derived from `input_clip`, named
    // `clip_name`. A null clip throws "Invalid object" and makes nothing.
    Clip* new_output_clip(Clip* input_clip, const QString& clip_name);

    // ---- history and progress ----
    UndoGroup undo_group() const;
    // Null once a script has deleted it.
    ProgressWatcher* get_progress_watcher() const;

    boost::shared_ptr<VUVI_ProjectManager> projectManager() const { return m_project; }
    // What a call on the Project keeps alive: the core project by its own
    // shared ownership (the application's project is reached without it),
    // which a call that lends the core could otherwise see freed meanwhile.
    boost::shared_ptr<VUVI_ProjectManager> callOwner() const;
    // How the core frees every project (VUVI_ProjectManager::FreeHook): with
    // the core held, so that no call is inside it, the Projects that are its
    // Qt children forget it first.
    static void freeCore(VUVI_ProjectManager* project);

    // ---- layers and groups ----
    // A new layer on one of the project's clips, at frame `frame_number` of
    // `view` (the default view when the project lacks it), with every view
    // of the project; one undo step. A clip of another project, or none,
    // throws VUVI_BadState.
    Layer add_layer(Clip* clip, const QString& name, unsigned int frame_number, unsigned int view);
    // A new group at the front, named `name`, into which the layers move in
    // turn, each in front of the ones before. Every layer must be alive.
    LayerGroup add_group(const QString& name, QVector<Layer> layers);
    // The layer at `layer_index` front to rear; null beyond the last.
    Layer layer(unsigned int layer_index) const;
    // Every layer, front to rear.
    QVector<Layer> get_layers() const;
    // The layers named `name` exactly, in the whole tree.
    QVector<Layer> find_layers(const QString& name) const;
    // Every group, front to rear.
    QVector<LayerGroup> get_groups() const;
    QVector<LayerGroup> find_groups(const QString& name) const;

    bool operator==(const Project& other) const { return m_project == other.m_project; }
    bool operator!=(const Project& other) const { return !(*this == other); }

    // ---- parameters ----
    // Handles on the project's parameters and sets, rooted at the core
    // project's own set (under which its clips' sets show).
    Parameter parameter(const QStringList& name_components);
    ParameterSet parameter_set(const QStringList& name_components = QStringList());

private:
    // What a long operation (a track, a render, an export) holds until it
    // ends, since Python runs meanwhile (progress slots, image readers and
    // writers) and may delete anything (defined in Project.cpp).
    class LongOperation;

    // Makes the Clip of the project's default trackable clip, which takes
    // the detached clip's name.
    Clip* attachClip(Clip* detached_clip);
    // Gives every core clip whose name the table lacks a Clip; entries are
    // never removed or re-keyed.
    void updateClipsHash();
    // The Clip of a clip just made, after refreshing the table: its entry,
    // or a Clip of its own when its name already named another; null
    // for no clip, or one gone meanwhile.
    Clip* clipFor(TQ::IClip* made);
    void updateDefaultClipExtension();
    // A new Clip over a core clip of the project, a Qt child of the project.
    Clip* wrap(TQ::IClip* clip);
    // The live Clips of the table whose core clip has that id, in table order.
    QList<Clip*> wrappersOf(unsigned int id) const;
    // The core project; "Invalid object" when there is none.
    VUVI_ProjectManager& core() const;
    // Converts layer-tree nodes into handles, leaving out those that the
    // conversion makes null.
    template <typename Handle, typename Base>
    QVector<Handle> nonNullLBases(Handle (*convert)(const boost::shared_ptr<Rirediro::LayerBase>&,
                                                    const boost::weak_ptr<VUVI_ProjectManager>&),
                                  const QVector<boost::shared_ptr<Base>>& nodes) const;

    boost::shared_ptr<VUVI_ProjectManager> m_project;
    QString m_projectFile;
    QHash<QString, Bsc::detail::QPointerEx<Clip, QPointer>> m_clips;
    // A Qt child, which a script may delete.
    QPointer<ProgressWatcher> m_progressWatcher;
};

// The application's current project, for scripts run inside the
// application: a new Project over it, a Qt child of the core project, or
// null (outside the application, or when no project is open).
Project* getCurrentProject();

// Readies the infos of a clip that enters a project: taken from the clip,
// set to the user's modes, given a film type when the footage has none, and
// interlaced as the project is (an interlaced clip's frames are its fields).
void prepareClipInfo(const VUVI_Clip& clip, TQ_BaseClipInfo& baseInfo, TQ_ClipInfo& clipInfo,
                     InterlaceMode interlace_mode);
