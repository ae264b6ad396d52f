// plinx.project.Project: a project opened from a file, made from a clip, or
// (inside the application) the application's own.

#include "plinx_project_python.h"

using namespace Binding;

void init_Project(PyObject* module)
{
    ObjectClass<Project> type(module);
    // A Clip (or None) as first argument is tried before a file path.
    type.constructor(init<Clip*, InterlaceMode, QObject*>("detached_clip",
                                                          arg("interlace_mode", "NotInterlaced") = NotInterlaced,
                                                          arg("parent") = nullptr, signatureLine(1)),
                     init<const QString&, QObject*>("project_file", arg("parent") = nullptr, signatureLine(0)));
    type.method("add_clip", &Project::add_clip, "detached_clip", "clip_name");
    type.method("add_group", &Project::add_group,
                arg("name", "Project.tr( \"New group\" )") = [] { return Project::tr("New group"); },
                arg("layers", "QVector< Layer >()") = [] { return QVector<Layer>(); });
    type.method("add_layer", &Project::add_layer, "clip",
                arg("name", "Project.tr( \"New layer\" )") = [] { return Project::tr("New layer"); },
                arg("frame_number") = 0u, arg("view") = 0u);
    // The new clip belongs to the script.
    type.method("export_rendered_shapes", &Project::export_rendered_shapes, "layers", "colorizeOutput", "directory",
                "extension", "prefix", "suffix", "index_start", "index_finish", arg("index_width") = 1u,
                arg("views", "QVector< View >()") = QVector<View>(), arg("separate_streams") = false,
                arg("offset") = 0u, resultOwnedByPython);
    type.method("find_groups", &Project::find_groups, "name");
    type.method("find_layers", &Project::find_layers, "name");
    type.method("get_output_dir", &Project::get_output_dir);
    type.method("layer", &Project::layer, "layer_index", noneWhenNull);
    type.method("new_output_clip", &Project::new_output_clip, "input_clip", "clip_name");
    type.method("set_output_dir", &Project::set_output_dir, "path", arg("validate") = false);
    type.method("parameter", &Project::parameter, "name_components");
    type.method("parameter_set", &Project::parameter_set, arg("name_components") = QStringList());
    // The default view is view 0, not the project's default view.
    type.method("render", &Project::render, "operation", "start_index", "stop_index",
                arg("layers", "QVector< Layer >()") = [] { return QVector<Layer>(); },
                arg("view", "View(0)") = [] { return View(Prm::View(0)); }, arg("step") = 0);
    type.method("save", &Project::save);
    type.method("save_as", &Project::save_as, "file");
    type.method("track_layers", &Project::track_layers, arg("start_index") = 0u,
                arg("stop_index", "UINT_MAX") = 4294967295u,
                arg("layers", "QVector< Layer >()") = [] { return QVector<Layer>(); },
                arg("views", "QVector< View >()") = [] { return QVector<View>(); });
    type.method("undo_group", &Project::undo_group);
    type.property("notes", &Project::get_notes, &Project::set_notes);
    type.property("project_file", &Project::get_project_file);
    type.property("clips", &Project::get_clips);
    type.property("in_out_range", &Project::get_in_out_range, &Project::set_in_out_range, "range");
    type.property("frame_rate", &Project::get_frame_rate, &Project::set_frame_rate, "rate");
    type.property("interlace_mode", &Project::get_interlace_mode);
    type.property("layers", &Project::get_layers);
    type.property("groups", &Project::get_groups);
    type.property("first_frame_offset", &Project::get_first_frame_offset, &Project::set_first_frame_offset, "offset");
    type.property("length", &Project::get_length, &Project::set_length);
    type.property("views", &Project::get_views, &Project::set_views);
    type.property("default_hero_view", &Project::get_default_hero_view, &Project::set_default_hero_view, "view");
    type.property("playback_in_point", &Project::get_playback_in_point, &Project::set_playback_in_point, "in_point");
    type.property("playback_out_point", &Project::get_playback_out_point, &Project::set_playback_out_point,
                  "out_point");
    // The project keeps its watcher and its clips.
    type.property("progress_watcher", &Project::get_progress_watcher, resultOwnedByCpp);
    type.property("default_trackable_clip", &Project::get_default_trackable_clip, resultOwnedByCpp);
    type.compare<Equal | NotEqual>();
    type.introduce();
}
