"""plinx.project.ColorParameters and plinx.project.Clip, on footage the tests write."""
import contextlib
import gc
import math
import os
import threading

import pytest
import shiboken2
from PySide2 import QtCore

import plinx._init  # noqa: F401 (starts the core)
import plinx.project as p
from conftest import raises, write_frames

DETACHED = "Detected an attempt to use a detached clip with a project"
SETTINGS = ["colorspace", "conversion", "offset", "softclip", "log_reference_white", "log_reference_black", "gamma"]


def settings(colour):
    return [getattr(colour, name) for name in SETTINGS]


@pytest.fixture
def stereo(project, tmp_path):
    """The project with a left and a right view; its clip has both."""
    project.views = [p.ViewInfo("Left", "L", (1, 0, 0)), p.ViewInfo("Right", "R", (0, 1, 1))]
    clip = project.clips["shot"]
    clip.add_stream(write_frames(tmp_path / "right", "right"), p.View(1), 1, 5)
    return project


def clip_state(clip):
    return clip.views, [str(clip.get_info(v)) for v in clip.views], clip.frame_size


# --- ColorParameters -------------------------------------------------------------------

def test_colour_defaults_and_repr():
    colour = p.ColorParameters()
    assert settings(colour) == [p.LinearColorspace, p.NoneConversion, 0.0, 0.0, 685.0, 0.0, 1.0]
    assert repr(colour) == "plinx.project.ColorParameters(0, 0, 0.000000, 0.000000, 685.000000, 0.000000, 1.000000)"

    class Graded(p.ColorParameters):
        pass
    assert repr(Graded(p.LogColorspace, gamma=2.5)) == "Graded(1, 0, 0.000000, 0.000000, 685.000000, 0.000000, 2.500000)"


@pytest.mark.parametrize("args, kwargs, expected", [
    ((p.PanalogColorspace, p._8BitConversion, 1, 2, 3, 4, 5), {}, [2, 2, 1.0, 2.0, 3.0, 4.0, 5.0]),
    ((), {"gamma": 0.5, "conversion": p.FloatConversion}, [0, 1, 0.0, 0.0, 685.0, 0.0, 0.5]),
    ((p.LogColorspace,), {"softclip": -1, "unknown": 3}, [1, 0, 0.0, -1.0, 685.0, 0.0, 1.0]),
])
def test_colour_construction(args, kwargs, expected):
    assert settings(p.ColorParameters(*args, **kwargs)) == expected


@pytest.mark.parametrize("args, kwargs, text", [
    ((p.LogColorspace,), {"colorspace": p.LogColorspace},
     "plinx.project.ColorParameters(): got multiple values for keyword argument 'colorspace'."),
    ((p.LinearColorspace, p.NoneConversion, 0, 0, 685, 0, 3), {"gamma": 1},
     "plinx.project.ColorParameters(): got multiple values for keyword argument 'gamma'."),
    ((1,), {}, "plinx.project.ColorParameters"),               # an int is no Colorspace
    ((p.NoneConversion,), {}, "plinx.project.ColorParameters"),  # nor another enumeration's member
    ((), {"offset": "x"}, "plinx.project.ColorParameters"),
])
def test_colour_construction_refusals(args, kwargs, text):
    with pytest.raises(TypeError, match=text.replace("(", r"\(").replace(")", r"\)")):
        p.ColorParameters(*args, **kwargs)


@pytest.mark.parametrize("name, value", [
    ("colorspace", p.LinearColorspace), ("conversion", p.NoneConversion), ("offset", 0.0), ("softclip", 0.0),
    ("log_reference_white", 685.0), ("log_reference_black", 0.0), ("gamma", 1.0),
])
def test_every_setter_announces_itself_once_even_without_change(name, value):
    colour = p.ColorParameters()
    changes = []
    colour.propertyChanged.connect(lambda: changes.append(name))
    setattr(colour, name, value)
    assert changes == [name] and getattr(colour, name) == value
    assert not hasattr(colour, "get_" + name) and not hasattr(colour, "set_" + name)
    with pytest.raises(TypeError, match="plinx.project.ColorParameters.set_" + name):
        setattr(colour, name, "text")


def test_colour_comparison():
    a, b = p.ColorParameters(gamma=2), p.ColorParameters(gamma=2)
    assert a == b and not (a != b)
    assert a != p.ColorParameters() and not (a == p.ColorParameters())
    nan = p.ColorParameters(offset=math.nan)
    assert nan != p.ColorParameters(offset=math.nan)
    assert nan == nan
    assert (a == None) is False and (a == 1) is False and (a != 1) is True  # noqa: E711
    for order in (lambda: a < b, lambda: a >= b, lambda: a > 1):
        with raises(NotImplementedError, "operator not implemented."):
            order()


# --- Making clips --------------------------------------------------------------------

@pytest.mark.parametrize("args, kwargs, text", [
    ((), {}, "plinx.project.Clip(): takes at least 1 arguments (0 given)"),
    ((), {"clip_path": "/x"}, "plinx.project.Clip(): takes at least 1 arguments (0 given)"),
    (("/x", "a"), {"clip_name": "b"}, "plinx.project.Clip(): got multiple values for keyword argument 'clip_name'."),
    (("/x", "a", False, 1, 1, 1, None), {"parent": None},
     "plinx.project.Clip(): got multiple values for keyword argument 'parent'."),
])
def test_clip_argument_counts_and_keywords(args, kwargs, text):
    with raises(TypeError, text):
        p.Clip(*args, **kwargs)


def test_clip_wrong_argument_types_name_the_constructor(footage):
    for args in ((1,), (footage, 2), (footage, "a", False, -1)):
        with pytest.raises((TypeError, OverflowError)):
            p.Clip(*args)
    with pytest.raises(TypeError, match="plinx.project.Clip"):
        p.Clip(footage, 2)


def test_unknown_keywords_are_ignored(footage):
    assert p.Clip(footage, colour="red").name == "NewClip"


@pytest.fixture
def unreadable_places(tmp_path):
    text = tmp_path / "notes.txt"
    text.write_text("not footage")
    folder = tmp_path / "folder"
    folder.mkdir()
    return {"missing": str(tmp_path / "missing.0001.png"), "folder": str(folder), "text": str(text)}


@pytest.mark.parametrize("place, message", [
    ("missing", "File '{}' does not exist"),
    ("folder", "'{}' is not a file"),
    ("text", "Can not get info from file '{}'"),
])
def test_validated_clips_refuse_what_is_not_footage(unreadable_places, place, message):
    path = unreadable_places[place]
    with raises(OSError, message.format(path)):
        p.Clip(path, "x", True)


@pytest.mark.skipif(os.geteuid() == 0, reason="root reads any file")
def test_validated_clips_refuse_unreadable_files(footage):
    os.chmod(footage, 0)
    with raises(OSError, "File '{}' is not readable".format(footage)):
        p.Clip(footage, "x", True)


def test_real_footage_gives_its_own_shape(footage):
    clip = p.Clip(footage, "shot", False, 99, 77, 500)
    assert clip.name == "shot" and clip.frame_size == (40, 30) and clip.frame_rate == 24.0
    info = clip.get_info(p.View())
    assert (info.path, info.prefix, info.suffix) == (os.path.dirname(footage), "shot.", ".png")
    assert (info.start_frame, info.end_frame, info.index_width) == (1, 5, 4)
    assert clip.views == [p.View(0)] and clip.discrete_frames == ()


@pytest.mark.parametrize("name, width, height, length, size, first, last", [
    ("take.0010.png", 0, 7, 0, (1, 7), 10, 10),
    ("take.0010.png", 64, 0, 50, (64, 1), 10, 59),
    ("take_3.exr", 2, 3, 4, (2, 3), 3, 6),
])
def test_footage_without_description_takes_the_given_shape(tmp_path, name, width, height, length, size, first,
                                                           last):
    clip = p.Clip(str(tmp_path / name), "ghost", False, width, height, length)
    info = clip.get_info(0)
    assert clip.frame_size == size and (info.start_frame, info.end_frame) == (first, last)


def test_long_and_non_ascii_folders_keep_their_path(tmp_path):
    folder = tmp_path / ("Ansichten-ä" * 20) / ("x" * 200)  # well over 255 bytes
    clip = p.Clip(write_frames(folder, "deep", count=2), "deep", True)
    assert (clip.get_info(0).path, clip.get_info(0).end_frame) == (str(folder), 2)
    ghost = p.Clip(str(folder / "ghost_0007.png"), "ghost", False, 8, 8, 3)
    assert (ghost.get_info(0).path, ghost.get_info(0).prefix, ghost.get_info(0).start_frame) == (
        str(folder), "ghost_", 7)


@pytest.mark.parametrize("call", [
    lambda c: c.view_mapping,
    lambda c: c.add_stream("/x.0001.png", 0, 1, 1),
    lambda c: c.assign_project_view(0, 0),
    lambda c, out="/nonexistent-plinx/out": c.export(None, out, ".png", "f", "", 0, 0),
])
def test_detached_clips_refuse_project_operations(footage, call):
    clip = p.Clip(footage, "shot")
    before = clip_state(clip)
    with raises(AssertionError, DETACHED):
        call(clip)
    assert clip_state(clip) == before


def test_frame_size_takes_pairs(footage):
    clip = p.Clip(footage)
    clip.frame_size = (64, 48)
    assert clip.frame_size == (64, 48)
    clip.frame_size = [32, 24]
    assert clip.frame_size == (32, 24)
    for wrong in (3, (1, 2, 3), "ab", {1: 2}):
        with pytest.raises(TypeError, match="plinx.project.Clip.set_frame_size"):
            clip.frame_size = wrong
    with pytest.raises(OverflowError):
        clip.frame_size = (-1, 2)
    assert clip.frame_size == (32, 24)


def test_clip_text_comparison_and_properties(project, footage):
    clip = p.Clip(footage, "plan-séquence")
    assert str(clip) == "'plan-séquence' clip object"
    assert (clip == 1) is False and (clip != 1) is True and clip == clip
    with raises(NotImplementedError, "operator not implemented."):
        clip < clip  # noqa: B015
    # Two Python objects of one core clip are equal.
    in_project = project.clips["shot"]
    assert in_project == project.default_trackable_clip and in_project != clip
    assert not hasattr(clip, "get_name") and not hasattr(clip, "set_frame_size")
    with pytest.raises(AttributeError):
        clip.name = "other"


# --- Streams and views of a project clip -------------------------------------------------

def test_streams_and_views_of_a_stereo_clip(stereo):
    clip = stereo.clips["shot"]
    assert clip.views == [p.View(0), p.View(1)]
    assert clip.view_mapping == {p.View(0): p.View(0), p.View(1): p.View(1)}
    assert clip.get_info(1).prefix == "right."
    clip.assign_project_view(0, 1)
    assert clip.view_mapping[p.View(1)] == p.View(0)
    clip.delete_stream(1)
    assert clip.views == [p.View(0)]


def test_stream_refusals_change_nothing(stereo, tmp_path):
    clip = stereo.clips["shot"]
    clip.delete_stream(1)
    other = write_frames(tmp_path / "other", "other")
    missing = str(tmp_path / "missing.0001.png")
    refusals = [
        (lambda: clip.add_stream(other, 5, 1, 5), IndexError, "No such project view: 'View(5)'."),
        (lambda: clip.add_stream(missing, 5, 1, 5, True), IndexError, "No such project view: 'View(5)'."),
        (lambda: clip.add_stream(other, 0, 1, 5), IndexError, "Clip 'shot' already has view 'View(0)'"),
        (lambda: clip.add_stream(missing, 1, 1, 5, True), OSError, "File '{}' does not exist.".format(missing)),
        (lambda: clip.add_stream(other, 1, 0, 5, True), IndexError,
         "start_frame '0' out of range (must be between '1' and '5')"),
        (lambda: clip.add_stream(other, 1, 1, 6, True), IndexError,
         "stop_frame '6' out of range (must be between '1' and '5')"),
        (lambda: clip.add_stream(other, 1, 4, 2, True), IndexError,
         "Wrong frame range. Start index is greater than stop one."),
        (lambda: clip.delete_stream(1), IndexError, "Clip 'shot' does not have the view 'View(1)'"),
        (lambda: clip.delete_stream(0), RuntimeError,
         "Cannot delete view 'View(0)': it is the only view of clip 'shot'"),
        (lambda: clip.assign_project_view(1, 0), IndexError, "Clip 'shot' does not have the view 'View(1)'"),
        (lambda: clip.assign_project_view(0, 7), IndexError, "No such project view: 'View(7)'."),
    ]
    before = clip_state(clip), clip.view_mapping
    for action, error, text in refusals:
        with raises(error, text):
            action()
        assert (clip_state(clip), clip.view_mapping) == before, text


def test_apply_sets_a_stream(project, tmp_path):
    clip = project.clips["shot"]
    clip.apply(p.StreamInfo(str(tmp_path), "x_", ".tif", 3, 9, 2))
    assert str(clip.get_info(0)) == str(p.StreamInfo(str(tmp_path), "x_", ".tif", 3, 9, 2))


# --- Export ---------------------------------------------------------------------------

def test_export_writes_every_frame_and_reports_progress(project, tmp_path):
    clip = project.clips["shot"]
    heard = []
    clip.progress_watcher.started.connect(lambda: heard.append("started"))
    clip.progress_watcher.finished.connect(lambda: heard.append("finished"))
    out = tmp_path / "made" / "here"
    clip.export(None, str(out), ".png", "out_", "_v1", 1, 3, index_width=3, offset=10)
    assert sorted(os.listdir(out)) == ["out_011_v1.png", "out_012_v1.png", "out_013_v1.png"]
    from PySide2 import QtGui
    assert QtGui.QImage(str(out / "out_011_v1.png")).size() == QtCore.QSize(40, 30)
    assert heard[0] == "started" and heard[-1] == "finished"


@pytest.mark.parametrize("extension", [".mov", ".MOV"])
def test_export_makes_a_movie_for_mov(project, tmp_path, extension):
    out = tmp_path / "movie"
    project.clips["shot"].export(None, str(out), extension, "m", "", 0, 4)
    assert os.listdir(out) == ["m0" + extension]
    assert p.Clip(str(out / ("m0" + extension)), "movie", True).get_info(0).end_frame == 4


def test_an_export_that_writes_nothing_fails(project, tmp_path):
    # Without its dot "mov" names neither a movie nor an image format.
    with raises(RuntimeError, "Cannot write '{}'".format(tmp_path / "m0mov")):
        project.clips["shot"].export(None, str(tmp_path), "mov", "m", "", 0, 4)


@pytest.mark.parametrize("start, finish, text", [
    (5, 5, "index_start '5' out of range (must be between 0 and '4')"),
    (2, 1, "index_finish '1' out of range (must be between '2' and '4')"),
    (0, 5, "index_finish '5' out of range (must be between '0' and '4')"),
])
def test_export_ranges_are_checked_after_the_folder_is_made(project, tmp_path, start, finish, text):
    out = tmp_path / "made" / "first"
    with raises(IndexError, text):
        project.clips["shot"].export(None, str(out), ".png", "f", "", start, finish)
    assert out.is_dir() and not os.listdir(out)


def test_export_argument_counts(project, tmp_path):
    clip = project.clips["shot"]
    with raises(TypeError, "plinx.project.Clip.export(): takes at least 7 arguments (6 given)"):
        clip.export(None, str(tmp_path), ".png", "f", "", 0)
    with raises(TypeError, "plinx.project.Clip.export(): takes at least 7 arguments (13 given)"):
        clip.export(None, str(tmp_path), ".png", "f", "", 0, 0, 1, [], False, 0, 1, step=1)
    with raises(TypeError, "plinx.project.Clip.export(): got multiple values for keyword argument 'offset'."):
        clip.export(None, str(tmp_path), ".png", "f", "", 0, 0, 1, [], False, 0, offset=1)


# --- Relink -----------------------------------------------------------------------------

def test_relink_takes_what_it_is_not_told_from_the_footage(project, footage, tmp_path):
    moved = write_frames(tmp_path / "moved", "moved", count=6, first=3)
    for clip in (project.clips["shot"], p.Clip(footage, "detached")):
        clip.relink(moved)
        info = clip.get_info(0)
        assert (info.path, info.prefix, info.start_frame, info.end_frame) == (
            str(tmp_path / "moved"), "moved.", 3, 8)
        clip.relink(p.StreamInfo(str(tmp_path / "moved"), "", "", 4, 6))  # the StreamInfo form
        assert (clip.get_info(0).start_frame, clip.get_info(0).end_frame) == (4, 6)
        clip.relink(str(tmp_path / "moved"), start_frame=5, view=0)
        assert (clip.get_info(0).start_frame, clip.get_info(0).end_frame) == (5, 8)


def test_relink_refusals_change_nothing(project, tmp_path):
    clip = project.clips["shot"]
    moved = write_frames(tmp_path / "moved", "moved", count=6, first=3)
    text = tmp_path / "notes.txt"
    text.write_text("not footage")
    missing = str(tmp_path / "gone.0001.png")
    refusals = [
        (lambda: clip.relink(moved, view=1), AssertionError, "Clip 'shot' does not have the view 'View(1)'"),
        (lambda: clip.relink("relative/missing.png"), AssertionError, "Path to clip must be absolute"),
        (lambda: clip.relink(), AssertionError, "Path to clip must be absolute"),
        (lambda: clip.relink(missing), AssertionError, "File '{}' not found".format(missing)),
        (lambda: clip.relink(str(text)), OSError, "Can't get info from file '{}'".format(text)),
        (lambda: clip.relink(moved, start_frame=2), IndexError, "start_frame '2' out of range (must be '3' or higher)"),
        (lambda: clip.relink(moved, start_frame=9), IndexError, "start_frame '9' out of range (must be '8' or lower)"),
        (lambda: clip.relink(moved, end_frame=9), IndexError, "end_frame '9' out of range (must be '8' or lower)"),
        (lambda: clip.relink(moved, "", "", 6, 4), IndexError,
         "start_frame '6' must be lower that or equal to end_frame '4'"),
    ]
    before = clip_state(clip)
    for action, error, message in refusals:
        with raises(error, message):
            action()
        assert clip_state(clip) == before, message


def test_relink_argument_forms(project):
    clip = project.clips["shot"]
    with raises(TypeError, "plinx.project.Clip.relink(): takes at least 0 arguments (7 given)"):
        clip.relink("/a", "", "", 1, 1, 0, 1)
    with raises(TypeError, "plinx.project.Clip.relink(): got multiple values for keyword argument 'start_frame'."):
        clip.relink("/a", "", "", 1, start_frame=1)
    with pytest.raises(TypeError, match="plinx.project.Clip.relink"):
        clip.relink(p.StreamInfo(), 0, 1)


def test_relink_into_a_folder_for_another_view_reads_that_views_files(stereo, tmp_path):
    clip = stereo.clips["shot"]
    write_frames(tmp_path / "right-moved", "right", count=3)
    left = str(clip.get_info(0))
    clip.relink(str(tmp_path / "right-moved"), view=1)
    info = clip.get_info(1)
    assert (info.path, info.prefix, info.end_frame) == (str(tmp_path / "right-moved"), "right.", 3)
    assert str(clip.get_info(0)) == left


# --- Colour -----------------------------------------------------------------------------

def test_colour_changes_are_written_into_the_clip(project, tmp_path):
    clip = project.clips["shot"]
    graded = [p.LogColorspace, p._8BitConversion, 0.25, 0.5, 700.0, 95.0, 2.2]
    for name, value in zip(SETTINGS, graded):
        setattr(clip.color_parameters, name, value)
    project.save_as(str(tmp_path / "graded.plinx"))
    reopened = p.Project(str(tmp_path / "graded.plinx"))
    assert settings(reopened.clips["shot"].color_parameters) == pytest.approx(graded)


def test_conversions_can_be_undone_one_at_a_time(project, tmp_path):
    colour = project.clips["shot"].color_parameters
    for conversion in (p.FloatConversion, p._8BitConversion, p.NoneConversion):
        colour.conversion = conversion
        project.save_as(str(tmp_path / "c.plinx"))
        reopened = p.Project(str(tmp_path / "c.plinx"))
        assert reopened.clips["shot"].color_parameters.conversion == conversion


def test_an_assigned_colour_object_belongs_to_the_clip(footage):
    clip = p.Clip(footage, "shot")
    colour = p.ColorParameters(p.LogColorspace, gamma=1.8)
    clip.color_parameters = colour
    assert clip.color_parameters is colour
    del colour
    gc.collect()
    assert settings(clip.color_parameters)[0::6] == [p.LogColorspace, pytest.approx(1.8)]
    kept = clip.color_parameters
    del clip
    gc.collect()
    assert not shiboken2.isValid(kept)  # died with its clip


def test_a_colour_object_taken_by_another_clip_reaches_both(project, footage, tmp_path):
    first = project.clips["shot"]
    second = project.add_clip(p.Clip(footage, "second"), "second")
    shared = first.color_parameters
    second.color_parameters = shared
    shared.gamma = 2.2
    own = p.ColorParameters()
    first.color_parameters = own  # first lets go of the shared object
    shared.gamma = 0.5
    own.offset = 0.25
    project.save_as(str(tmp_path / "shared.plinx"))
    reopened = p.Project(str(tmp_path / "shared.plinx"))
    clips = [reopened.clips["shot"], reopened.clips["second"]]
    assert [(c.color_parameters.gamma, c.color_parameters.offset) for c in clips] \
        == [pytest.approx((1.0, 0.25)), pytest.approx((0.5, 0.0))]


def in_thread(body):
    """Runs body in a Python thread; what it raised is raised here."""
    failures = []

    def run():
        try:
            body()
        except BaseException as error:  # noqa: B902 (handed to the test's thread)
            failures.append(error)
    worker = threading.Thread(target=run)
    worker.start()
    worker.join(60)
    assert not worker.is_alive()
    if failures:
        raise failures[0]


def written_colour(project, path):
    """The clip's colour settings as the core holds them: written, then read back."""
    project.save_as(str(path))
    reopened = p.Project(str(path))
    return settings(reopened.clips["shot"].color_parameters)


def test_colour_changes_made_in_a_python_thread_reach_the_clip(project, tmp_path):
    clip = project.clips["shot"]
    in_thread(lambda: setattr(clip.color_parameters, "gamma", 2.5))
    assert written_colour(project, tmp_path / "c.plinx")[6] == pytest.approx(2.5)


def test_a_colour_object_made_in_a_python_thread_becomes_the_clips(project, tmp_path):
    clip = project.clips["shot"]
    made = []

    def assign():
        colour = p.ColorParameters(p.LogColorspace, gamma=1.7)
        clip.color_parameters = colour
        colour.gamma = 1.9
        made.append(colour)
    in_thread(assign)
    colour = made.pop()
    assert colour is clip.color_parameters and colour.parent() is clip and not shiboken2.ownedByPython(colour)
    assert written_colour(project, tmp_path / "c.plinx")[0::6] == [p.LogColorspace, pytest.approx(1.9)]
    shiboken2.delete(project)
    assert not shiboken2.isValid(colour)  # died with its clip


@contextlib.contextmanager
def thread_alive(body):
    """Runs body in a Python thread that stays alive for the block: what body gave."""
    made, ready, release = [], threading.Event(), threading.Event()

    def run():
        try:
            made.append(body())
        finally:
            ready.set()
            release.wait(60)
    worker = threading.Thread(target=run)
    worker.start()
    try:
        assert ready.wait(60) and made
        yield made[0]
    finally:
        release.set()
        worker.join(60)


def made_in_ended_thread(body):
    made = []
    in_thread(lambda: made.append(body()))
    return made[0]


def new_colour():
    return p.ColorParameters(p.LogColorspace, gamma=1.7)


@contextlib.contextmanager
def colour_from(source, footage):
    """A colour object, and a clip that the thread given holds (None: the project's)."""
    if source == "made on a thread that has ended":
        yield made_in_ended_thread(new_colour), None
    elif source == "made on a running thread":
        with thread_alive(new_colour) as colour:
            yield colour, None
    elif source == "made on this thread":
        yield new_colour(), None
    elif source == "held by a clip of a running thread":
        with thread_alive(lambda: p.Clip(footage, "theirs")) as theirs:
            yield theirs.color_parameters, None
    else:  # given to a clip of its own by a thread: the colour object stays here
        assert source == "made here, for a clip of another thread"
        yield new_colour(), lambda: p.Clip(footage, "own")


# Qt moves an object only from its own thread, or one that belongs to no thread, as a
# script's colour object made off the application's thread does until a clip takes it.
@pytest.mark.parametrize("source, given_on, taken", [
    ("made on a thread that has ended", "this thread", True),
    ("made on a running thread", "this thread", True),
    ("made on a thread that has ended", "another thread", True),
    ("made on this thread", "another thread", True),
    ("held by a clip of a running thread", "this thread", False),
    ("made here, for a clip of another thread", "another thread", False),
])
def test_a_colour_object_goes_to_its_clips_thread_unless_another_running_thread_has_it(
        project, footage, tmp_path, source, given_on, taken):
    QtCore.QCoreApplication.instance() or QtCore.QCoreApplication([])  # this thread is the application's
    before = written_colour(project, tmp_path / "before.plinx")
    with colour_from(source, footage) as (colour, clip_of_thread):
        owner, failures, clips = colour.parent(), [], []

        def give():
            clip = clip_of_thread() if clip_of_thread else project.clips["shot"]
            clips.append(clip)
            kept = clip.color_parameters
            try:
                clip.color_parameters = colour
            except RuntimeError as error:
                failures.append(str(error))
                assert clip.color_parameters is kept
        if given_on == "another thread":
            in_thread(give)
        else:
            give()
        clip = clips[0]
        if not taken:
            assert failures == ["The colour parameters belong to another thread than the clip"]
            assert colour.parent() is owner and shiboken2.isValid(colour)
            assert written_colour(project, tmp_path / "after.plinx") == before
            return
        assert failures == [] and clip.color_parameters is colour and colour.parent() is clip
        assert colour.thread() is clip.thread() and not shiboken2.ownedByPython(colour)
        colour.gamma = 1.9
        assert written_colour(project, tmp_path / "after.plinx")[0::6] == [p.LogColorspace, pytest.approx(1.9)]
        shiboken2.delete(project)
        assert not shiboken2.isValid(colour)  # died with its clip


def test_none_drops_the_colour_object(footage):
    clip = p.Clip(footage, "shot")
    previous = clip.color_parameters
    clip.color_parameters = None
    assert clip.color_parameters is None
    assert shiboken2.isValid(previous)  # still the clip's child
    with pytest.raises(TypeError, match="plinx.project.Clip.set_color_parameters"):
        clip.color_parameters = 1


def test_a_new_project_copies_the_clips_name_and_colour(footage):
    clip = p.Clip(footage, "plate")
    clip.color_parameters.gamma = 2.4
    project = p.Project(clip)
    assert list(project.clips) == ["plate"]
    assert project.clips["plate"].color_parameters.gamma == pytest.approx(2.4)
    assert project.clips["plate"].color_parameters is not clip.color_parameters


def test_a_clip_that_outlives_its_project_reports_an_invalid_object(footage):
    project = p.Project(p.Clip(footage, "shot"))
    clip = project.clips["shot"]
    holder = QtCore.QObject()
    clip.setParent(holder)  # no longer deleted with the project
    colour = clip.color_parameters
    del project
    gc.collect()
    for call in (lambda: clip.name, lambda: clip.get_info(0), lambda: clip.discrete_frames, lambda: clip == clip,
                 lambda: clip.relink("/x")):
        with raises(RuntimeError, "Invalid object"):
            call()
    with raises(RuntimeError, "Invalid object"):
        colour.gamma = 3.0  # the clip cannot take it in
    assert colour.gamma == 3.0
