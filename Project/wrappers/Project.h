#pragma once

#include "Project/wrappers/Enums.h"
#include "Python/SbkCleaner.h"

#include <Bsc/QPointerEx.h>

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>

#include <boost/shared_ptr.hpp>

class Clip;
class Parameter;
class ParameterSet;
class ProgressWatcher;
class TQ_BaseClipInfo;
class TQ_ClipInfo;
class VUVI_Clip;
class VUVI_ProjectManager;

// One project of the core as scripts see it, with a Clip for each of its
// clips by name. A project made from a clip owns its core project.
class Project : public QObject, public SbkCleaner
{
    Q_OBJECT
public:
    // A new project whose first clip is made from a detached clip: it keeps
    // the clip's name and colour settings. A null clip throws VUVI_BadState
    // "Invalid object".
    Project(Clip* detached_clip, InterlaceMode interlace_mode = NotInterlaced, QObject* parent = nullptr);
    ~Project() override;

    // The clip table: one Clip per clip name (null for a Clip that has been
    // deleted). Not refreshed by asking.
    QHash<QString, Clip*> get_clips() const;
    void set_frame_rate(float rate);
    boost::shared_ptr<VUVI_ProjectManager> projectManager() const { return m_project; }
    ProgressWatcher* get_progress_watcher() const;

    bool operator==(const Project& other) const { return m_project == other.m_project; }
    bool operator!=(const Project& other) const { return !(*this == other); }

    // ---- parameters ----
    // Handles on the project's parameters and sets, rooted at the core
    // project's own set (under which its clips' sets show).
    Parameter parameter(const QStringList& name_components);
    ParameterSet parameter_set(const QStringList& name_components = QStringList());

private:
    // Makes the Clip of the project's default trackable clip, which takes
    // the detached clip's name.
    Clip* attachClip(Clip* detached_clip);

    boost::shared_ptr<VUVI_ProjectManager> m_project;
    QString m_projectFile;
    QHash<QString, Bsc::detail::QPointerEx<Clip, QPointer>> m_clips;
    boost::shared_ptr<ProgressWatcher> m_progressWatcher;
};

// Readies the infos of a clip that enters a project: taken from the clip,
// set to the user's modes, given a film type when the footage has none, and
// interlaced as the project is (an interlaced clip's frames are its fields).
void prepareClipInfo(const VUVI_Clip& clip, TQ_BaseClipInfo& baseInfo, TQ_ClipInfo& clipInfo,
                     InterlaceMode interlace_mode);
