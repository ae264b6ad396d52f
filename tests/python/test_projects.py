"""plinx.project.Project and get_current_project, on footage the tests write."""
import gc
import json
import os
import random
import re
import signal
import subprocess
import threading

import pytest
import shiboken2
from PySide2 import QtCore

import plinx._init  # noqa: F401 (starts the core)
import plinx.project as p
from conftest import PACKAGE_DIR, raises, run_embedded, write_frames

FRAME_MAX = 2147483647


@pytest.fixture
def clip(footage):
    return p.Clip(footage, "shot")


@pytest.fixture
def project(clip, tmp_path):
    made = p.Project(clip)
    made.set_output_dir(str(tmp_path))
    return made


def state(project):
    """Everything a script can read of a project, in comparable form."""
    return {
        "notes": project.notes, "project_file": project.project_file, "in_out_range": project.in_out_range,
        "frame_rate": project.frame_rate, "interlace_mode": project.interlace_mode,
        "first_frame_offset": project.first_frame_offset, "length": project.length,
        "views": [repr(v) for v in project.views], "default_hero_view": project.default_hero_view,
        "playback": (project.playback_in_point, project.playback_out_point),
        "output_dir": project.get_output_dir(),
        "clips": {name: (c.id, c.views, [str(c.get_info(v)) for v in c.views], c.frame_size, c.frame_rate,
                         repr(c.color_parameters), c.view_mapping)
                  for name, c in project.clips.items()},
        "default_trackable_clip": project.default_trackable_clip.name,
    }


# --- New projects ------------------------------------------------------------------------

@pytest.mark.parametrize("mode, offset, height, length", [
    (p.NotInterlaced, 1, 30, 5),
    (p.UpperFieldFirst, 2, 15, 10),  # fields: two a frame
])
def test_a_new_project_from_a_clip(clip, mode, offset, height, length):
    clip.color_parameters.gamma = 2.2
    clip.frame_rate = 30
    project = p.Project(clip, mode)
    made = project.clips["shot"]
    assert project.frame_rate == 24.0 and made.frame_rate == 24.0
    assert project.interlace_mode == mode and project.first_frame_offset == offset
    assert made.frame_size == (40, height)
    assert made.color_parameters == clip.color_parameters and made.name == "shot"
    assert project.default_trackable_clip is made
    assert [v.name for v in project.views] == ["Main"] and project.default_hero_view == p.View(0)
    assert project.project_file == "" and project.length == length and project.in_out_range == (0, length - 1)


def test_none_is_an_invalid_clip(project):
    with raises(RuntimeError, "Invalid object"):
        p.Project(None)
    before = state(project)
    with raises(RuntimeError, "Invalid object"):
        project.add_clip(None, "nothing")
    assert state(project) == before


@pytest.mark.parametrize("make, text", [
    (lambda c: p.Project(), "plinx.project.Project(): takes at least 1 arguments (0 given)"),
    (lambda c: p.Project(detached_clip=c), "plinx.project.Project(): takes at least 1 arguments (0 given)"),
    (lambda c: p.Project(c, p.NotInterlaced, interlace_mode=p.NotInterlaced),
     "plinx.project.Project(): got multiple values for keyword argument 'interlace_mode'."),
    (lambda c: p.Project(c, p.NotInterlaced, None, parent=None),
     "plinx.project.Project(): got multiple values for keyword argument 'parent'."),
    (lambda c: p.Project("/x.plinx", None, parent=None),
     "plinx.project.Project(): got multiple values for keyword argument 'parent'."),
])
def test_construction_counts_and_keywords(clip, make, text):
    with raises(TypeError, text):
        make(clip)


@pytest.mark.parametrize("args", [(1,), ("/x.plinx", 3), (None, 1), (p.View(),)])
def test_construction_wrong_arguments_list_both_constructors(args):
    with pytest.raises(TypeError, match="^'plinx.project.Project' called with wrong argument types") as caught:
        p.Project(*args)
    assert "plinx.project.Project(plinx.project.Clip" in str(caught.value)
    assert "plinx.project.Project(str" in str(caught.value)


def test_construction_picks_by_the_first_argument(clip, tmp_path):
    owner = QtCore.QObject()
    made = p.Project(clip, parent=owner, colour="ignored")
    assert made.parent() is owner and made.interlace_mode == p.NotInterlaced
    made.save_as(str(tmp_path / "a.plinx"))
    opened = p.Project(str(tmp_path / "a.plinx"), owner)
    assert opened.parent() is owner and opened.project_file == str(tmp_path / "a.plinx")
    with pytest.raises(TypeError):  # the interpreter's own count error
        p.Project(clip, p.NotInterlaced, None, None)


def test_accessors_are_properties_and_the_output_folder_stays_methods(project, tmp_path):
    properties = ["notes", "project_file", "clips", "in_out_range", "frame_rate", "interlace_mode",
                  "first_frame_offset", "length", "views", "default_hero_view", "playback_in_point",
                  "playback_out_point", "progress_watcher", "default_trackable_clip"]
    for name in properties:
        assert isinstance(getattr(p.Project, name), property)
        assert not hasattr(p.Project, "get_" + name) and not hasattr(p.Project, "set_" + name)
    for read_only in ("project_file", "clips", "interlace_mode", "progress_watcher", "default_trackable_clip"):
        with pytest.raises(AttributeError):
            setattr(project, read_only, None)
    project.notes = "a note"
    assert project.notes == "a note"
    project.set_output_dir(str(tmp_path / "later"), validate=False)
    assert project.get_output_dir() == str(tmp_path / "later")
    with raises(TypeError, "plinx.project.Project.set_output_dir(): takes at least 1 arguments (0 given)"):
        project.set_output_dir(validate=True)


@pytest.mark.parametrize("name, value", [
    ("notes", 3), ("frame_rate", "fast"), ("length", -1), ("first_frame_offset", 2.5j), ("in_out_range", 4),
    ("default_hero_view", "left"), ("views", [1]), ("playback_in_point", None),
])
def test_setters_refuse_wrong_types_naming_themselves(project, name, value):
    before = state(project)
    with pytest.raises((TypeError, OverflowError)) as caught:
        setattr(project, name, value)
    if caught.type is TypeError:
        assert "plinx.project.Project.set_" + name in str(caught.value)
    assert state(project) == before


def test_comparison(project, clip):
    same = project.clips["shot"]
    other = p.Project(clip)
    assert project == project and project != other and not (project == other)
    assert (project == 1) is False and (project != 1) is True and (project == None) is False  # noqa: E711
    assert same == project.default_trackable_clip
    with raises(NotImplementedError, "operator not implemented."):
        project < other  # noqa: B015


# --- The clip table -------------------------------------------------------------------------

def test_added_clips_take_the_projects_rate_and_keep_their_python_objects(project, tmp_path):
    project.frame_rate = 30
    second = project.add_clip(p.Clip(write_frames(tmp_path / "b", "b"), "ignored"), "second")
    assert second.name == "second" and second.frame_rate == 30
    assert set(project.clips) == {"shot", "second"} and project.clips["second"] is second
    assert project.default_trackable_clip is project.clips["shot"]
    assert second.id != project.clips["shot"].id and second.view_mapping == {p.View(0): p.View(0)}


def test_a_taken_name_still_gives_the_new_clip(project, footage, tmp_path):
    first = project.clips["shot"]
    again = project.add_clip(p.Clip(footage), "shot")
    assert again is not None and again.name == "shot" and again != first
    assert project.clips["shot"] is first  # the table is never re-keyed
    project.save_as(str(tmp_path / "twice.plinx"))
    reopened = p.Project(str(tmp_path / "twice.plinx"))
    assert list(reopened.clips) == ["shot"] and reopened.clips["shot"].id == again.id  # the later one wins


def test_add_clip_argument_forms(project, clip):
    with pytest.raises(TypeError):
        project.add_clip(clip)
    with pytest.raises(TypeError):
        project.add_clip(clip, clip_name="x")
    with pytest.raises(TypeError, match="plinx.project.Project.add_clip"):
        project.add_clip("clip", "x")


# --- Properties: refusals and edge values ---------------------------------------------------

@pytest.fixture
def places(tmp_path):
    plain = tmp_path / "plain.txt"
    plain.write_text("x")
    return {"missing": str(tmp_path / "missing"), "plain": str(plain)}


REFUSALS = [
    ("in-point at the length", lambda pr, _: setattr(pr, "in_out_range", (5, 5)), IndexError,
     "In-point '5' must not be greater than project length '5'."),
    ("in-point after the out-point", lambda pr, _: setattr(pr, "in_out_range", (3, 2)), IndexError,
     "In-point '3' must not be greater than out-point '2'."),
    ("no frames", lambda pr, _: setattr(pr, "length", 0), IndexError,
     "length '0' out of range (must be between 1 and '2147483647')"),
    ("beyond the last frame", lambda pr, _: setattr(pr, "length", FRAME_MAX + 1), IndexError,
     "length '2147483648' out of range (must be between 1 and '2147483647')"),
    ("a missing output folder", lambda pr, at: pr.set_output_dir(at["missing"], True), AssertionError,
     "Could not set output directory to '{missing}'"),
    ("a file as output folder", lambda pr, at: pr.set_output_dir(at["plain"], validate=True), AssertionError,
     "Could not set output directory to '{plain}'"),
    ("an unknown hero view", lambda pr, _: setattr(pr, "default_hero_view", 3), AssertionError,
     "No such view: 'View(3)'."),
    ("twice a name", lambda pr, _: setattr(pr, "views", [p.ViewInfo("Left", "L"), p.ViewInfo("Left", "X")]),
     AssertionError, "View names must be unique."),
    ("twice an abbreviation", lambda pr, _: setattr(pr, "views", [p.ViewInfo("Left", "L"), p.ViewInfo("Up", "L")]),
     AssertionError, "View abbreviations must be unique."),
    ("no views", lambda pr, _: setattr(pr, "views", []), ValueError, "A project must keep at least one view"),
    ("saving without a file", lambda pr, _: pr.save(), AssertionError,
     "Cannot save project file without a path. Please use save_as()."),
]


@pytest.mark.parametrize("what, action, error, text", REFUSALS, ids=[r[0] for r in REFUSALS])
def test_refusals_name_their_error_and_change_nothing(project, places, what, action, error, text):
    before = state(project)
    with raises(error, text.format(**places)):
        action(project, places)
    assert state(project) == before


@pytest.mark.skipif(os.geteuid() == 0, reason="root writes any file")
def test_a_read_only_file_is_refused(project, tmp_path):
    target = tmp_path / "read-only.plinx"
    target.write_text("kept")
    target.chmod(0o444)
    before = state(project)
    with raises(OSError, "File '{}' is not writable".format(target)):
        project.save_as(str(target))
    assert state(project) == before and target.read_text() == "kept"


def test_edge_values_pass(project):
    project.in_out_range = (4, 4)
    assert project.in_out_range == (4, 4)
    project.in_out_range = [0, FRAME_MAX]  # out-points are not checked against the length
    assert project.in_out_range == (0, FRAME_MAX)
    project.length = FRAME_MAX
    assert project.length == FRAME_MAX
    project.views = [p.ViewInfo("left", "l"), p.ViewInfo("Left", "L")]  # names differing in case
    assert [(v.name, v.abbr) for v in project.views] == [("left", "l"), ("Left", "L")]
    project.playback_in_point, project.playback_out_point = 7, 3
    assert (project.playback_in_point, project.playback_out_point) == (7, 3)
    project.first_frame_offset = -5
    assert project.first_frame_offset == -5


def test_views_grow_and_shrink_from_the_end(project):
    project.views = [p.ViewInfo("Left", "L", (1, 0, 0)), p.ViewInfo("Right", "R", (0, 0.5, 1))]
    project.default_hero_view = 1
    assert [repr(v) for v in project.views] == [
        'plinx.project.ViewInfo("Left", "L", (1, 0, 0))', 'plinx.project.ViewInfo("Right", "R", (0, 0.5, 1))']
    project.views = (p.ViewInfo("Centre", "C"),)
    assert [v.name for v in project.views] == ["Centre"]
    assert project.default_hero_view == p.View(0)  # the first view took over


# --- Saving and opening ---------------------------------------------------------------------

def edit_everything(project, tmp_path):
    project.notes = "Überblick: zwei Ansichten"
    project.frame_rate = 25.0
    project.length = 5
    project.in_out_range = (1, 3)
    project.first_frame_offset = 101
    project.set_output_dir(str(tmp_path / "renders"))
    project.views = [p.ViewInfo("Left", "L", (1, 0, 0)), p.ViewInfo("Right", "R", (0, 1, 1))]
    project.default_hero_view = 1
    project.playback_in_point, project.playback_out_point = 2, 4
    shot = project.clips["shot"]
    shot.add_stream(write_frames(tmp_path / "right", "right"), 1, 1, 5)
    shot.color_parameters = p.ColorParameters(p.LogColorspace, p.FloatConversion, 0.1, 0.2, 690, 90, 1.7)
    project.add_clip(p.Clip(write_frames(tmp_path / "plate", "plate", count=3)), "plate")


def test_saving_and_reopening_keeps_every_property_view_and_clip(project, tmp_path):
    edit_everything(project, tmp_path)
    path = str(tmp_path / "everything.plinx")
    project.save_as(path)
    assert project.project_file == path
    reopened = p.Project(path)
    assert state(reopened) == state(project)
    # Saved again under its own name, it writes the same document.
    reopened.save()
    with open(path, encoding="utf-8") as first:
        document = first.read()
    project.save()
    with open(path, encoding="utf-8") as second:
        assert second.read() == document


def test_a_failed_save_keeps_the_file_and_the_project_file(project, tmp_path):
    path = str(tmp_path / "kept.plinx")
    project.save_as(path)
    with open(path, "rb") as saved:
        kept = saved.read()
    target = str(tmp_path / "missing" / "folder" / "x.plinx")
    with pytest.raises(OSError, match=re.escape(target)):
        project.save_as(target)
    assert project.project_file == path and not os.path.exists(target)
    with open(path, "rb") as saved:
        assert saved.read() == kept


@pytest.fixture
def saved_project(project, tmp_path):
    path = tmp_path / "good.plinx"
    project.save_as(str(path))
    return path


def damage(kind, saved, tmp_path):
    """Makes a damaged project file; returns its path."""
    good = saved.read_bytes()
    path = tmp_path / ("damaged-" + kind + ".plinx")
    if kind == "empty":
        path.write_bytes(b"")
    elif kind == "cut":
        path.write_bytes(good[:len(good) // 2])
    elif kind == "random":
        path.write_bytes(random.Random(7).randbytes(4096))
    elif kind == "image":
        path.write_bytes((tmp_path / "footage" / "shot.0001.png").read_bytes())
    elif kind == "foreign JSON":
        path.write_text(json.dumps({"format": "spreadsheet", "rows": [1, 2, 3]}))
    elif kind == "no clips":
        document = json.loads(good)
        document["clips"] = []
        path.write_text(json.dumps(document))
    elif kind == "folder":
        path.mkdir()
    elif kind == "no such clip mode":
        document = json.loads(good)
        document["clips"][0]["info"]["parameters"]["frameRateMode"] = ["value=7"]
        path.write_text(json.dumps(document))
    return path


@pytest.mark.parametrize("kind", ["empty", "cut", "random", "image", "foreign JSON", "no clips", "missing",
                                  "folder", "no such clip mode"])
def test_damaged_files_are_refused_naming_the_file(saved_project, tmp_path, kind):
    path = damage(kind, saved_project, tmp_path)
    with pytest.raises(OSError) as caught:
        p.Project(str(path))
    assert "'{}'".format(path) in str(caught.value)
    if kind == "no such clip mode":  # never read as another mode
        assert str(caught.value).endswith("clips[0].info.parameters should be the clip's stream settings")


SAVER = """
import sys
import plinx._init
import plinx.project as p
project = p.Project(sys.argv[1])
project.notes = "x" * 2000000
print("saving", flush=True)
while True:
    project.save()
"""


def test_a_saving_process_killed_at_any_moment_leaves_a_loadable_file(saved_project):
    expected = state(p.Project(str(saved_project)))
    env = dict(os.environ, PYTHONPATH=PACKAGE_DIR)
    chance = random.Random(11)
    for _ in range(6):
        saver = subprocess.Popen(["/usr/bin/python3", "-c", SAVER, str(saved_project)], env=env,
                                 stdout=subprocess.PIPE, text=True)
        try:
            assert saver.stdout.readline().strip() == "saving"
            try:
                saver.wait(timeout=chance.uniform(0.0, 0.3))
            except subprocess.TimeoutExpired:
                pass
        finally:
            saver.send_signal(signal.SIGKILL)
            saver.wait()
            saver.stdout.close()
        reopened = state(p.Project(str(saved_project)))
        assert reopened["notes"] in ("", "x" * 2000000)
        reopened["notes"] = expected["notes"]
        assert reopened == expected
        # A save cut short leaves no file of its own behind.
        assert sorted(os.listdir(str(saved_project.parent))) == ["footage", "good.plinx"]


# --- Ownership ----------------------------------------------------------------------------

def test_a_python_project_dies_with_its_python_object(clip):
    project = p.Project(clip)
    made, watcher = project.clips["shot"], project.progress_watcher
    assert project.progress_watcher is watcher
    del project
    gc.collect()
    assert not shiboken2.isValid(made) and not shiboken2.isValid(watcher)
    assert shiboken2.isValid(clip)  # the detached clip is its own


def test_the_watcher_and_clips_stay_with_the_project(project):
    watcher, made = project.progress_watcher, project.default_trackable_clip
    del watcher, made
    gc.collect()
    assert shiboken2.isValid(project.progress_watcher) and project.clips["shot"].name == "shot"


def test_a_dying_qt_parent_invalidates_the_project(clip):
    owner = QtCore.QObject()
    project = p.Project(clip, parent=owner)
    made = project.clips["shot"]
    shiboken2.delete(owner)
    assert not shiboken2.isValid(project) and not shiboken2.isValid(made)
    with pytest.raises(RuntimeError):
        project.notes


def test_a_detached_clip_with_a_qt_parent_dies_with_it(footage):
    owner = QtCore.QObject()
    clip = p.Clip(footage, "shot", parent=owner)
    assert clip.parent() is owner
    shiboken2.delete(owner)
    assert not shiboken2.isValid(clip)


@pytest.mark.parametrize("part", ["clip", "colour", "clip watcher", "project watcher"])
def test_deleting_from_python_what_the_project_keeps(project, tmp_path, part):
    clip = project.clips["shot"]
    target = {"clip": clip, "colour": clip.color_parameters, "clip watcher": clip.progress_watcher,
              "project watcher": project.progress_watcher}[part]
    target.parent()  # Python now knows its Qt parent too
    shiboken2.delete(target)
    assert not shiboken2.isValid(target)
    if part == "clip":
        assert project.clips == {"shot": None} and project.default_trackable_clip is None
    else:
        assert (clip.color_parameters, clip.progress_watcher, project.progress_watcher).count(None) == 1
        clip.export(None, str(tmp_path / "out"), ".png", "f", "", 0, 0)
    project.save_as(str(tmp_path / "after.plinx"))
    del project, clip
    gc.collect()


def test_clips_seen_as_qobjects_are_clips(project):
    children = project.findChildren(p.Clip)
    assert project.clips["shot"] in children
    assert any(type(child) is p.Clip for child in project.children())


# --- The application's project ------------------------------------------------------------

def test_a_plain_interpreter_has_no_current_project():
    assert not hasattr(p, "get_current_project")


def check(result):
    assert result.returncode == 0, result.stdout + result.stderr
    return result.stdout


def test_embedded_without_a_project_there_is_none(tmp_path):
    check(run_embedded("""
        import plinx._init
        import plinx.project as p
        assert p.get_current_project() is None
    """, tmp_path))


def test_embedded_each_call_gives_a_new_project_that_python_does_not_own(saved_project, tmp_path):
    out = check(run_embedded("""
        import gc
        import shiboken2
        import plinx._init
        import plinx.project as p
        first, second = p.get_current_project(), p.get_current_project()
        assert first is not second and first == second
        assert not shiboken2.ownedByPython(first)
        print(list(first.clips), first.project_file)
        clip = first.clips["shot"]
        del first
        gc.collect()
        assert shiboken2.isValid(clip) and second.clips["shot"].name == "shot"
        shiboken2.delete(second)  # only this Project: the application's stays
        assert p.get_current_project().clips["shot"].name == "shot"
        p.get_current_project().notes = "from the script"
        assert p.get_current_project().notes == "from the script"
    """, tmp_path, env={"PLINX_HOST_PROJECT": str(saved_project)}))
    assert out.split() == ["['shot']", str(saved_project)]


def test_a_plain_interpreter_named_otherwise_has_no_current_project(tmp_path):
    check(run_embedded("""
        import plinx._init
        import plinx.project as p
        assert not hasattr(p, "get_current_project")
    """, tmp_path, env={"PLINX_HOST_PROGRAM_NAME": "python3"}))


def test_two_threads_reading_one_project(project):
    # Each call lets go of the interpreter lock while it reads the project.
    errors, expected = [], state(project)

    def work():
        try:
            for _ in range(100):
                assert state(project) == expected
        except Exception as error:  # noqa: BLE001
            errors.append(error)

    threads = [threading.Thread(target=work) for _ in range(2)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    assert errors == []


def test_threads_editing_one_project_take_turns_in_the_core(project, tmp_path):
    # Calls let go of the interpreter lock; without the core taking one
    # thread at a time, these edits tore the project apart.
    errors = []

    def edit(k):
        try:
            for i in range(2000):
                project.notes = "n" * (i % 50)
                project.first_frame_offset = i
                project.in_out_range = (0, 1 + i % 3)
                with project.undo_group():
                    project.frame_rate = 24.0 + i % 7
                if i % 400 == 0:
                    project.save_as(str(tmp_path / ("thread%d.plinx" % k)))
        except Exception as error:  # noqa: BLE001
            errors.append(error)

    threads = [threading.Thread(target=edit, args=(k,)) for k in range(3)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    assert errors == []
    assert project.first_frame_offset == 1999 and project.frame_rate == 24.0 + 1999 % 7
    for k in range(3):
        assert p.Project(str(tmp_path / ("thread%d.plinx" % k))).clips
