#pragma once

#include "Project/wrappers/PyHandle.h"
#include "Project/wrappers/StreamInfo.h"
#include "Project/wrappers/View.h"
#include "Python/SbkCleaner.h"

#include <Bsc/QPointerEx.h>

#include <QMap>
#include <QObject>
#include <QPair>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QVector>

#include <boost/shared_ptr.hpp>
#include <boost/weak_ptr.hpp>

class ColorParameters;
class ImageData;
class Parameter;
class ParameterSet;
class ProgressWatcher;
class VUVI_Clip;
class VUVI_ProjectManager;

namespace Prm {
class ParameterSet;
}
namespace TQ {
class IBaseClip;
class IClip;
} // namespace TQ

// One footage clip as scripts see it: a clip of a project, or a detached
// clip read from a file by a script, which a project can be made from.
//
// A clip never holds its core clip: every call fetches it anew, by id, from
// its base clip, and fails with "Invalid object" once that is gone. A
// project clip holds nothing of its project but weak references; a
// detached clip owns its base clip.
class Clip : public QObject, private SbkCleaner
{
    Q_OBJECT
public:
    // A clip of a project. Over a core clip that is already gone the handles
    // stay empty, and every call reports "Invalid object".
    Clip(const Bsc::detail::QPointerEx<TQ::IClip, QPointer>& clip, boost::shared_ptr<VUVI_ProjectManager> project,
         QObject* parent);
    // A detached clip from a movie file or the first file of an image
    // sequence. With `validate`, a file that is missing, unreadable or not
    // footage throws VUVI_BadFile; without, footage the media library
    // cannot describe becomes a sequence of width x height frames, `length`
    // long, numbered from the index in the file name.
    Clip(const QString& clip_path, const QString& clip_name, bool validate, unsigned int width, unsigned int height,
         unsigned int length, QObject* parent);
    ~Clip() override;

    // The core clip; "Invalid object" when it is gone.
    boost::shared_ptr<VUVI_Clip> internalClip() const;
    // The core clip, for a call of `project`: VUVI_BadState "Clip is not
    // attached to this project" for a detached clip or one of another
    // project, whose clip ids name other clips of `project`.
    boost::shared_ptr<VUVI_Clip> internalClipIn(const VUVI_ProjectManager& project) const;
    // The core clip, or null once it is gone; never throws.
    boost::shared_ptr<VUVI_Clip> internalClipIfAlive() const;
    // The project; a detached clip fails with "Detected an attempt to use a
    // detached clip with a project".
    boost::shared_ptr<VUVI_ProjectManager> PM() const;
    // What a call on the clip keeps alive: its project, if any.
    boost::shared_ptr<VUVI_ProjectManager> callOwner() const { return detail::owningReference(m_project); }

    // ---- properties ----
    QString get_name() const;
    unsigned int get_id() const;
    QPair<unsigned int, unsigned int> get_frame_size() const;
    void set_frame_size(const QPair<unsigned int, unsigned int>& size);
    float get_frame_rate() const;
    void set_frame_rate(float rate);
    int get_first_frame_offset() const;
    void set_first_frame_offset(int offset);
    // Null once a script has deleted it.
    ProgressWatcher* get_progress_watcher() const;
    // Null once the colour object is gone or was dropped.
    ColorParameters* get_color_parameters();
    // Holds `parameters` (made a Qt child of the clip) in place of the
    // current object and writes its settings into the clip at once; null
    // drops the current object. An object that cannot become the clip's
    // child (it lives in another thread) is refused, and stays Python's.
    void set_color_parameters(ColorParameters* parameters);

    // Same core clip.
    bool operator==(const Clip& other) const;
    bool operator!=(const Clip& other) const { return !(*this == other); }

    // ---- streams and views ----
    StreamInfo get_info(const View& view) const;
    QVector<View> get_views() const;
    void add_stream(const QString& first_clip_file, View view, unsigned int start_frame, unsigned int stop_frame,
                    bool validate = false);
    void delete_stream(View view);
    void apply(const StreamInfo& stream_info, const View& view = View());
    void assign_project_view(View view, View proj_view);
    QMap<View, View> get_view_mapping() const;

    // ---- export and relink ----
    void exportClip(Clip* revertToClip, const QString& directory, const QString& extension, const QString& prefix,
                    const QString& suffix, unsigned int index_start, unsigned int index_finish,
                    unsigned int index_width, const QVector<View>& views, bool separate_streams, unsigned int offset,
                    unsigned int step);
    // An empty prefix or suffix and a frame of 4294967295 take the value
    // from the new footage.
    void relink(const QString& path, const QString& prefix, const QString& suffix, unsigned int start_frame,
                unsigned int end_frame, const View& view);
    void relink(const StreamInfo& stream_info, const View& view);

    // ---- image and parameters ----
    // The project's image of a frame of this clip in a project view (see
    // VUVI_FrameManager::spgiGetDerivedImage): the very image the project
    // keeps, whose pixels scripts may change, or with `allocate` a copy of
    // their own. No image for a frame the clip cannot produce.
    ImageData image(unsigned int frame, View view = View(), bool allocate = false);
    // Handles on the clip's parameters and sets (rooted at the core clip's
    // set) and on its base clip's sets.
    Parameter parameter(const QStringList& name_components);
    ParameterSet parameter_set(const QStringList& name_components = QStringList());
    ParameterSet base_parameter_set(const QStringList& name_components = QStringList());

private:
    friend class ColorParameters;
    // Writes the colour settings into the clip information.
    void onColorParametersChanged();

    void setUpColorParameters();
    // Makes the colour object the clip's Qt child, moved to the clip's
    // thread when it lives in the calling one: VUVI_BadState, with nothing
    // changed, for one that lives in another thread.
    void takeColorParameters(ColorParameters* parameters);
    // Writes the object's settings into the clip whenever they change, on
    // the thread that changes them: a Python thread runs no event loop for
    // a queued call to wait in.
    void followColorParameters(ColorParameters* parameters);
    // The core clip's root parameter set, sharing the clip's ownership.
    boost::shared_ptr<Prm::ParameterSet> clipParameterSet() const;

    boost::shared_ptr<TQ::IBaseClip> m_ownedBaseClip;
    boost::weak_ptr<TQ::IBaseClip> m_baseClip;
    boost::weak_ptr<VUVI_ProjectManager> m_project;
    quint32 m_clipId = 0;
    QPointer<ColorParameters> m_colorParameters;
    // A Qt child, which a script may delete.
    QPointer<ProgressWatcher> m_progressWatcher;
};
