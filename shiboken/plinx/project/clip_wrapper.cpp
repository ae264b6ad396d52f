// plinx.project.Clip: a clip of a project, or a detached clip read from a
// file by a script.

#include "plinx_project_python.h"

#include <Rirediro/Clips/VUVI_Clip.h>
#include <TQ/ClipInfo.h>

using namespace Binding;

namespace {

View defaultView()
{
    return View();
}

// A tuple of (text, View, number as a float) per discrete frame of the clip.
PyObject* discreteFramesOf(const Clip& clip)
{
    const QVector<TQ::DiscreteFrame> frames =
        withoutLock([&] { return clip.internalClip()->clipInfo().discreteFrames(); });
    PyObject* tuple = PyTuple_New(Py_ssize_t(frames.size()));
    for (int i = 0; i < frames.size(); ++i) {
        const TQ::DiscreteFrame& frame = frames.at(i);
        PyTuple_SET_ITEM(tuple, Py_ssize_t(i),
                         Py_BuildValue("(NNd)", toPython(frame.text), toPython(View(frame.view)),
                                       double(frame.number)));
    }
    return tuple;
}

using RelinkToStream = void (Clip::*)(const StreamInfo&, const View&);
using RelinkToPath = void (Clip::*)(const QString&, const QString&, const QString&, unsigned int, unsigned int,
                                    const View&);

} // namespace

void init_Clip(PyObject* module)
{
    ObjectClass<Clip> type(module);
    type.constructor(init<const QString&, const QString&, bool, unsigned int, unsigned int, unsigned int, QObject*>(
        "clip_path", arg("clip_name") = QStringLiteral("NewClip"), arg("validate") = false, arg("width") = 0u,
        arg("height") = 0u, arg("length") = 0u, arg("parent") = nullptr));
    type.method("add_stream", &Clip::add_stream, "first_clip_file", "view", "start_frame", "stop_frame",
                arg("validate") = false);
    type.method("apply", &Clip::apply, "stream_info", arg("view", "View()") = &defaultView);
    type.method("assign_project_view", &Clip::assign_project_view, "view", "proj_view");
    type.method("base_parameter_set", &Clip::base_parameter_set, arg("name_components") = QStringList());
    type.method("delete_stream", &Clip::delete_stream, "view");
    type.method("export", &Clip::exportClip, "revertToClip", "directory", "extension", "prefix", "suffix",
                "index_start", "index_finish", arg("index_width") = 1u,
                arg("views", "QVector< View >()") = QVector<View>(), arg("separate_streams") = false,
                arg("offset") = 0u, arg("step") = 1u);
    type.method("get_info", &Clip::get_info, "view");
    // A frame the clip cannot produce gives None.
    type.method("image", &Clip::image, "frame", arg("view", "View()") = &defaultView, arg("allocate") = false,
                noneWhenNull);
    type.method("parameter", &Clip::parameter, "name_components");
    type.method("parameter_set", &Clip::parameter_set, arg("name_components") = QStringList());
    // A StreamInfo as first argument picks the first form.
    type.method("relink",
                overload(static_cast<RelinkToStream>(&Clip::relink), "stream_info",
                         arg("view", "View()") = &defaultView, signatureLine(0)),
                overload(static_cast<RelinkToPath>(&Clip::relink), arg("path") = QString(),
                         arg("prefix") = QString(), arg("suffix") = QString(),
                         arg("start_frame", "UINT_MAX") = StreamInfo::NoFrame,
                         arg("end_frame", "UINT_MAX") = StreamInfo::NoFrame, arg("view", "View()") = &defaultView,
                         signatureLine(1)));
    type.property("name", &Clip::get_name);
    type.property("views", &Clip::get_views);
    type.property("frame_size", &Clip::get_frame_size, &Clip::set_frame_size, "size");
    type.property("frame_rate", &Clip::get_frame_rate, &Clip::set_frame_rate, "rate");
    type.property("first_frame_offset", &Clip::get_first_frame_offset, &Clip::set_first_frame_offset, "offset");
    // An assigned colour object becomes the clip's Qt child: Python lets go.
    type.property("color_parameters", &Clip::get_color_parameters, &Clip::set_color_parameters, "parameters",
                  argumentOwnedByCpp<1>);
    type.property("view_mapping", &Clip::get_view_mapping);
    type.property("progress_watcher", &Clip::get_progress_watcher, resultOwnedByCpp);
    type.property("id", &Clip::get_id);
    type.property("discrete_frames", &discreteFramesOf, resultText(""));
    type.str([](const Clip& clip) { return QStringLiteral("'%1' clip object").arg(clip.get_name()); });
    type.compare<Equal | NotEqual>();
    type.introduce();
}
