"""Tracking and rendering from Python: plinx.project.RenderOperation and its four kinds,
Project.track_layers, render, export_rendered_shapes and new_output_clip, on footage
of a textured square that the tests write."""
import gc
import os
import random
import threading

import pytest
import shiboken2

import plinx._init  # noqa: F401 (starts the core)
import plinx.project as p
from conftest import raises

OPERATIONS = [p.RenderInsertOperation, p.RenderStabilizeOperation, p.RenderRemoveOperation,
              p.RenderReorientOperation]
LAYER_OPERATIONS = OPERATIONS[:3]
SQUARE = 24          # side of the square, pixels
SPEED = 4            # pixels a frame, to the right
TOP, LEFT = 18, 8    # the square's corner in the first frame


# --- Footage and projects ------------------------------------------------------------------

def write_square(folder, count=8, speed=SPEED, size=(100, 60)):
    """A square of noise moving `speed` px a frame to the right on a dark
    ground: sq.0001.png ...; returns the first file."""
    from PySide2 import QtGui
    os.makedirs(folder, exist_ok=True)
    noise = random.Random(7)
    texture = [[noise.randrange(256) for x in range(SQUARE)] for y in range(SQUARE)]
    paths = []
    for frame in range(count):
        image = QtGui.QImage(size[0], size[1], QtGui.QImage.Format_RGB32)
        image.fill(QtGui.QColor(20, 20, 30))
        left = LEFT + speed * frame
        for y in range(SQUARE):
            for x in range(SQUARE):
                value = texture[y][x]
                image.setPixel(left + x, TOP + y, QtGui.qRgb(value, 255 - value, value // 2))
        paths.append(os.path.join(str(folder), "sq.%04d.png" % (frame + 1)))
        assert image.save(paths[-1])
    return paths[0]


def square_layer(project, name="square", margin=2):
    """A layer whose X-spline shape surrounds the square of frame 0."""
    plate = project.clips["sq"]
    layer = project.add_layer(plate, name)
    a, b = LEFT - margin, LEFT + SQUARE + margin
    c, d = TOP - margin, TOP + SQUARE + margin
    layer.add_xspline_contour(0.0, [p.XControlPointData(x=float(x), y=float(y))
                                    for x, y in [(a, c), (b, c), (b, d), (a, d)]])
    return layer


def make_project(tmp_path, speed=SPEED, count=8):
    project = p.Project(p.Clip(write_square(tmp_path / ("footage%d" % speed), count, speed), "sq"))
    project.set_output_dir(str(tmp_path / "out"))
    return project


@pytest.fixture
def project(tmp_path):
    return make_project(tmp_path)


class Recorder:
    """What a watcher said, in order: ("started",), ("message", text), ("status", n), ("finished",)."""

    def __init__(self, watcher):
        self.said = []
        watcher.started.connect(lambda: self.said.append(("started",)))
        watcher.progress_message.connect(lambda text: self.said.append(("message", text)))
        watcher.progress_status.connect(lambda n: self.said.append(("status", n)))
        watcher.finished.connect(lambda: self.said.append(("finished",)))

    def statuses(self):
        return [entry[1] for entry in self.said if entry[0] == "status"]

    def messages(self):
        return [entry[1] for entry in self.said if entry[0] == "message"]


def frames_of(recorder):
    return [int(text.rsplit(" ", 1)[1]) for text in recorder.messages()]


# --- The operation types ---------------------------------------------------------------------

@pytest.mark.parametrize("kind", OPERATIONS)
def test_operations_ignore_constructor_arguments_and_keep_one_watcher(kind):
    operation = kind(1, "two", None, three=3)
    watcher = operation.progress_watcher
    assert isinstance(watcher, p.ProgressWatcher) and isinstance(operation, p.RenderOperation)
    assert operation.progress_watcher is watcher
    del watcher
    gc.collect()
    # Python never owned it: the operation still has it.
    assert operation.progress_watcher.objectName() == ""


def test_the_abstract_type_carries_no_operation(project):
    empty = p.RenderOperation()
    with pytest.raises(RuntimeError):
        empty.progress_watcher  # noqa: B018
    with pytest.raises(RuntimeError):
        project.render(empty, 0, 0)


def test_a_freed_operation_takes_its_watcher_along():
    operation = p.RenderInsertOperation()
    watcher = operation.progress_watcher
    del operation
    gc.collect()
    assert not shiboken2.isValid(watcher)
    with pytest.raises(RuntimeError):
        watcher.objectName()


def test_a_watcher_deleted_by_a_script_leaves_the_operation_working(project):
    layer = square_layer(project)
    operation = p.RenderInsertOperation()
    shiboken2.delete(operation.progress_watcher)
    assert operation.progress_watcher is None
    assert project.render(operation, 0, 1, [layer]) is not None
    del operation
    gc.collect()


def test_a_python_on_render_is_never_called(project):
    class Own(p.RenderStabilizeOperation):
        called = False

        def onRender(self, *args):  # noqa: N802 (the C++ name)
            Own.called = True
    layer = square_layer(project)
    clip = project.render(Own(), 0, 1, [layer])
    assert not Own.called and clip.name.startswith("Stabilise")


def test_none_as_the_operation_or_the_clip_makes_nothing(project):
    before = sorted(project.clips)
    with raises(RuntimeError, "Invalid object"):
        project.render(None, 0, 1, project.layers)
    with raises(RuntimeError, "Invalid object"):
        project.new_output_clip(None, "out")
    assert sorted(project.clips) == before


# --- Counts, keywords and defaults of the Project methods -------------------------------------

@pytest.mark.parametrize("call, text", [
    (lambda pr, op: pr.render(op, 0), "plinx.project.Project.render(): takes at least 3 arguments (2 given)"),
    (lambda pr, op: pr.render(op, 0, 1, [], p.View(0), 0, 7),
     "plinx.project.Project.render(): takes at least 3 arguments (7 given)"),
    (lambda pr, op: pr.render(op, 0, 1, [], step=2, layers=[]),
     "plinx.project.Project.render(): got multiple values for keyword argument 'layers'."),
    (lambda pr, op: pr.track_layers(0, 1, [], [], 5),
     "plinx.project.Project.track_layers(): takes at least 0 arguments (5 given)"),
    (lambda pr, op: pr.track_layers(0, start_index=1),
     "plinx.project.Project.track_layers(): got multiple values for keyword argument 'start_index'."),
    (lambda pr, op: pr.export_rendered_shapes([], p.Grayscale, "d", ".png", "a", "b", 0, index_finish=1),
     "plinx.project.Project.export_rendered_shapes(): takes at least 8 arguments (7 given)"),
    (lambda pr, op: pr.export_rendered_shapes([], p.Grayscale, "d", ".png", "a", "b", 0, 1, 1, [], False, 0,
                                              separate_streams=True),
     "plinx.project.Project.export_rendered_shapes(): takes at least 8 arguments (13 given)"),
    (lambda pr, op: pr.export_rendered_shapes([], p.Grayscale, "d", ".png", "a", "b", 0, 1, 1, [], False,
                                              separate_streams=True),
     "plinx.project.Project.export_rendered_shapes(): got multiple values for keyword argument "
     "'separate_streams'."),
])
def test_argument_counts_and_keywords(project, call, text):
    with raises(TypeError, text):
        call(project, p.RenderInsertOperation())


@pytest.mark.parametrize("call", [
    lambda pr, op: pr.render("insert", 0, 1),
    lambda pr, op: pr.new_output_clip("clip", "name"),
    lambda pr, op: pr.track_layers(layers=[op]),
    lambda pr, op: pr.export_rendered_shapes(pr.layers, 0, "d", ".png", "a", "b", 0, 1),
])
def test_wrong_argument_types_are_type_errors(project, call):
    with pytest.raises(TypeError):
        call(project, p.RenderInsertOperation())


# --- Index checks --------------------------------------------------------------------------

INDEX_ERRORS = [
    (-1, 3, "start_index '-1' out of range (must be between 0 and '7')"),
    (-1, 99, "start_index '-1' out of range (must be between 0 and '7')"),
    (8, 0, "start_index '8' out of range (must be between 0 and '7')"),
    (0, 8, "stop_index '8' out of range (must be between 0 and '7')"),
    (3, -5, "stop_index '-5' out of range (must be between 0 and '7')"),
]


@pytest.mark.parametrize("kind", OPERATIONS)
@pytest.mark.parametrize("start, stop, text", INDEX_ERRORS)
def test_render_index_errors_come_after_the_output_folder_is_made(project, kind, start, stop, text):
    layer = square_layer(project)
    operation = kind()
    recorder = Recorder(operation.progress_watcher)
    before = sorted(project.clips)
    with raises(IndexError, text):
        project.render(operation, start, stop, [layer])
    assert os.path.isdir(project.get_output_dir())
    assert recorder.said == [] and sorted(project.clips) == before


@pytest.mark.parametrize("start, stop, text", [
    (0, 8, "stop_index '8' out of range (must be between 0 and '7')"),
    (9, 99, "start_index '9' out of range (must be between 0 and '7')"),
    (2147483648, 0, "start_index '-2147483648' out of range (must be between 0 and '7')"),
    (0, 4294967294, "stop_index '-2' out of range (must be between 0 and '7')"),
])
def test_track_index_errors_come_before_any_signal(project, start, stop, text):
    square_layer(project)
    recorder = Recorder(project.progress_watcher)
    with raises(IndexError, text):
        project.track_layers(start, stop)
    assert recorder.said == []


def test_render_indices_beyond_int_are_refused_by_the_conversion(project):
    with pytest.raises(OverflowError):
        project.render(p.RenderInsertOperation(), 2147483648, 0, project.layers)


# --- Steps, frames and progress ------------------------------------------------------------

@pytest.mark.parametrize("start, stop, step, frames, statuses", [
    (0, 3, 1, [0, 1, 2, 3], [0, 25, 50, 75, 100]),
    (0, 3, 0, [0, 1, 2, 3], [0, 25, 50, 75, 100]),
    (0, 7, 4, [0, 4], [0, 50, 100]),
    (1, 7, 3, [1, 4, 7], [0, 33, 67, 100]),
    (7, 1, -3, [7, 4, 1], [0, 33, 67, 100]),
    (6, 3, 0, [6, 5, 4, 3], [0, 25, 50, 75, 100]),
    (5, 5, 0, [5], [0, 100]),
])
def test_frames_statuses_and_their_order(project, start, stop, step, frames, statuses):
    layer = square_layer(project, "A")
    operation = p.RenderInsertOperation()
    recorder = Recorder(operation.progress_watcher)
    project.render(operation, start, stop, [layer], step=step)
    assert frames_of(recorder) == frames
    assert recorder.statuses() == statuses
    body = recorder.said[1:-2]
    assert recorder.said[0] == ("started",) and recorder.said[-2:] == [("status", 100), ("finished",)]
    assert [entry[0] for entry in body] == ["message", "status"] * len(frames)


@pytest.mark.parametrize("kind", OPERATIONS)
@pytest.mark.parametrize("start, stop, step", [(5, 5, -1), (0, 3, -1), (2, 6, -2), (6, 2, 1), (7, 0, 3)])
def test_a_step_walking_away_from_stop_is_refused_before_anything_is_made(project, kind, start, stop, step):
    layer = square_layer(project)
    operation = kind()
    recorder = Recorder(operation.progress_watcher)
    before = sorted(project.clips)
    with raises(AssertionError, "Wrong step value"):
        project.render(operation, start, stop, [layer], step=step)
    assert recorder.said == [] and sorted(project.clips) == before


def test_steps_beyond_the_range_render_one_frame(project):
    layer = square_layer(project)
    for start, stop, step in [(0, 7, 2147483647), (7, 0, -2147483648)]:
        operation = p.RenderInsertOperation()
        recorder = Recorder(operation.progress_watcher)
        project.render(operation, start, stop, [layer], step=step)
        assert frames_of(recorder) == [start] and recorder.statuses() == [0, 100]


@pytest.mark.parametrize("kind", LAYER_OPERATIONS)
def test_layer_operations_need_layers(project, kind):
    square_layer(project)
    before = sorted(project.clips)
    operation = kind()
    recorder = Recorder(operation.progress_watcher)
    with raises(AssertionError, "No layers to render"):
        project.render(operation, 0, 1)
    assert recorder.said == [] and sorted(project.clips) == before


@pytest.mark.parametrize("kind, names, frame, text", [
    (p.RenderInsertOperation, ["A", "B"], 4, 'Inserting "A,B" in Frame 4'),
    (p.RenderInsertOperation, [""], 2, "Inserting in Frame 2"),
    (p.RenderStabilizeOperation, ["%1 and %2"], 3, 'Stabilizing "%1 and %2" in Frame 3'),
    (p.RenderRemoveOperation, ["R"], 0, 'Removing "R" in Frame 0'),
    (p.RenderReorientOperation, [], 0, "Reorienting in Frame 0"),
    (p.RenderReorientOperation, ["N"], 1, 'Reorienting "N" in Frame 1'),
])
def test_messages_name_verb_layers_and_frame(project, kind, names, frame, text):
    layers = [square_layer(project, name) for name in names]
    operation = kind()
    recorder = Recorder(operation.progress_watcher)
    project.render(operation, frame, frame, layers)
    assert recorder.messages() == [text]


def test_a_layer_gone_during_the_frames_stops_the_render_where_it_is(project):
    first, second = square_layer(project, "A"), square_layer(project, "B")
    operation = p.RenderInsertOperation()
    recorder = Recorder(operation.progress_watcher)
    second.remove()
    with raises(RuntimeError, "Invalid object"):
        project.render(operation, 0, 3, [first, second])
    # Gone before the names were read: nothing after "started".
    assert recorder.said == [("started",)]


def test_the_first_layer_stays_with_the_render_while_it_runs(project):
    layer = square_layer(project, "A")
    operation = p.RenderInsertOperation()
    statuses = []

    def undo_the_layer_at_the_last_frame(status):
        statuses.append(status)
        if status == 50:  # the last frame is rendered: undo the contour, then the layer
            project.undo_group().undo()
            project.undo_group().undo()
    operation.progress_watcher.progress_status.connect(undo_the_layer_at_the_last_frame)
    clip = project.render(operation, 0, 1, [layer])
    # The render read its output clip from the layer it still held.
    assert not layer and statuses == [0, 50, 100]
    assert clip is not None and project.clips[clip.name] is clip


# --- What renders make -----------------------------------------------------------------------

def new_clip_names(project, before):
    return sorted(set(project.clips) - set(before))


@pytest.mark.parametrize("kind", OPERATIONS)
def test_render_returns_the_project_clip_it_made(project, kind):
    layer = square_layer(project)
    before = list(project.clips)
    clip = project.render(kind(), 0, 2, [layer])
    made = new_clip_names(project, before)
    assert len(made) == 1 and project.clips[made[0]] is clip and clip.name == made[0]
    files = sorted(os.listdir(project.get_output_dir()))
    assert len([name for name in files if name.lower().endswith(".tif")]) >= 3


def test_stabilise_makes_a_clip_per_layer_and_returns_the_first(project):
    layers = [square_layer(project, name) for name in "ABC"]
    before = list(project.clips)
    clip = project.render(p.RenderStabilizeOperation(), 0, 1, layers)
    made = new_clip_names(project, before)
    assert len(made) == 3 and clip.name in made and project.clips[clip.name] is clip


def test_new_output_clip_is_the_project_clip_of_that_name(project):
    clip = project.new_output_clip(project.clips["sq"], "derived")
    assert project.clips["derived"] is clip and clip.name == "derived"


# --- Renders at once ----------------------------------------------------------------------------

RANGE = (0, 4)


def frame_pixels(clip):
    """Each frame's pixels, None for a frame the clip cannot read."""
    images = [clip.image(frame) for frame in range(RANGE[0], RANGE[1] + 1)]
    return [None if image is None else bytes(image.pixels()) for image in images]


@pytest.fixture
def tracked(tmp_path):
    """A project with two tracked layers, and each kind's clip of each as rendered alone."""
    project = make_project(tmp_path)
    layers = [square_layer(project, "A"), square_layer(project, "B", margin=6)]
    project.track_layers(*RANGE, layers)
    alone = {(kind, layer.name): frame_pixels(project.render(kind(), *RANGE, [layer]))
             for kind in OPERATIONS for layer in layers}
    assert all(None not in frames for frames in alone.values())
    return project, layers, alone


@pytest.mark.parametrize("elsewhere", [False, True], ids=["same thread", "other thread"])
@pytest.mark.parametrize("kind", OPERATIONS)
def test_a_render_run_while_another_lends_the_core_leaves_it_its_clip(tracked, kind, elsewhere):
    """A second render of the layer made from the first one's progress slot, on this
    thread or on another one that the slot waits for, makes the layer's output clip
    its own in the middle of the first render's frames."""
    project, layers, alone = tracked
    inner = []

    def render_again():
        inner.append(project.render(kind(), *RANGE, [layers[0]]))

    def once(text):
        if inner:
            return
        if elsewhere:
            thread = threading.Thread(target=render_again)
            thread.start()
            thread.join()
        else:
            render_again()
    operation = kind()
    operation.progress_watcher.progress_message.connect(once)
    outer = project.render(operation, *RANGE, [layers[0]])
    assert outer is not inner[0] and outer.name != inner[0].name
    assert frame_pixels(outer) == frame_pixels(inner[0]) == alone[(kind, "A")]


def test_every_layer_of_an_insert_draws_into_the_clip_it_made(project):
    """The second layer has an output clip of its own from an earlier render, which
    stays as it was."""
    inner, outer = square_layer(project, "A"), square_layer(project, "B", margin=6)
    inner.matte_color, outer.matte_color = (0.0, 0.0, 1.0), (0.0, 1.0, 0.0)
    earlier = project.render(p.RenderInsertOperation(), 0, 1, [inner])
    kept = frame_pixels(earlier)
    inner.matte_color = (1.0, 0.0, 0.0)
    both = project.render(p.RenderInsertOperation(), 0, 1, [outer, inner]).image(1)
    pixels, width = both.pixels(), both.width
    channels = len(pixels) // (width * both.height)

    def colour(x, y):
        return list(pixels[(y * width + x) * channels:][:3])
    centre, edge = TOP + SQUARE // 2, LEFT - 4
    assert colour(LEFT + SQUARE // 2, centre) == [255, 0, 0] and colour(edge, centre) == [0, 255, 0]
    assert frame_pixels(earlier) == kept


@pytest.mark.parametrize("same_layer", [True, False], ids=["one layer", "two layers"])
def test_threads_rendering_at_once_each_get_their_whole_clip(tracked, same_layer):
    project, layers, alone = tracked
    made, failures = [], []

    def work(index):
        try:
            for round_ in range(3):
                kind = OPERATIONS[(index + round_) % len(OPERATIONS)]
                layer = layers[0 if same_layer else index % 2]
                made.append((kind, layer.name, project.render(kind(), *RANGE, [layer])))
        except Exception as error:  # noqa: BLE001 (reported below)
            failures.append(error)
    threads = [threading.Thread(target=work, args=(index,)) for index in range(6)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    assert failures == [] and len(made) == 18
    assert len({clip.name for _, _, clip in made}) == 18
    for kind, name, clip in made:
        assert frame_pixels(clip) == alone[(kind, name)], (kind.__name__, name, clip.name)


# --- Tracking ----------------------------------------------------------------------------------

def translation(layer, frame):
    matrix = layer.get_transform_matrix(float(frame), p.View(0))
    return matrix[0][2], matrix[1][2]


def test_a_layer_follows_a_moving_square_and_stays_on_a_still_one(tmp_path):
    moving, still = make_project(tmp_path, SPEED, 6), make_project(tmp_path, 0, 6)
    for project in (moving, still):
        layer = square_layer(project)
        project.track_layers(0, 5, [layer])
        for frame in range(6):
            x, y = translation(layer, frame)
            expected = SPEED * frame if project is moving else 0
            assert abs(x - expected) < 0.5 and abs(y) < 0.5, (frame, x, y)


def test_tracking_defaults_take_unlocked_layers_to_the_last_frame(project):
    tracked, locked = square_layer(project, "tracked"), square_layer(project, "locked")
    locked.locked = True
    recorder = Recorder(project.progress_watcher)
    project.track_layers()
    assert frames_of(recorder) == list(range(7))
    assert abs(translation(tracked, 7)[0] - 7 * SPEED) < 0.5
    assert translation(locked, 7) == (0.0, 0.0)


@pytest.mark.parametrize("start, stop, views, frames, statuses", [
    (3, 3, None, [], [0, 100]),
    (0, 3, [p.View(0), p.View(1)], [0, 1, 2, 0, 1, 2], [0, 0, 17, 33, 50, 67, 83, 100]),
    (0, 2, [p.View(7)], [], [0, 100]),
    (0, 2, [p.View(7), p.View(0)], [0, 1], [0, 0, 25, 100]),
    (6, 2, None, [6, 5, 4, 3], [0, 0, 25, 50, 75, 100]),
])
def test_tracking_signals(project, start, stop, views, frames, statuses):
    if views and p.View(1) in views:
        project.views = [p.ViewInfo("left", "L"), p.ViewInfo("right", "R")]
    square_layer(project)
    recorder = Recorder(project.progress_watcher)
    project.track_layers(start, stop, project.layers, views or [])
    assert frames_of(recorder) == frames and recorder.statuses() == statuses
    assert recorder.said[0] == ("started",) and recorder.said[-1] == ("finished",)


def test_tracking_messages_name_the_view_by_its_abbreviation(project):
    project.views = [p.ViewInfo("left", "L"), p.ViewInfo("right", "R")]
    square_layer(project)
    recorder = Recorder(project.progress_watcher)
    project.track_layers(1, 2, views=[p.View(1)])
    assert recorder.messages() == ['Tracking View "R" in Frame 1']


def test_tracking_back_moves_from_start_to_just_past_stop(tmp_path):
    project = make_project(tmp_path)
    layer = square_layer(project)
    project.track_layers(0, 7, [layer])
    recorder = Recorder(project.progress_watcher)
    project.track_layers(7, 5, [layer])
    assert frames_of(recorder) == [7, 6]


def test_unknown_views_only_keep_the_current_frame_and_still_finish(project):
    square_layer(project)
    project.track_layers(2, 2)
    recorder = Recorder(project.progress_watcher)
    project.track_layers(0, 5, views=[p.View(9)])
    assert recorder.said == [("started",), ("status", 0), ("status", 100), ("finished",)]


def test_a_gone_layer_fails_before_any_signal(project):
    layer = square_layer(project)
    layer.remove()
    recorder = Recorder(project.progress_watcher)
    with raises(RuntimeError, "Invalid object"):
        project.track_layers(0, 2, [layer])
    assert recorder.said == []


# --- Shape export -------------------------------------------------------------------------------

def export(project, layers, tmp_path, *args, **kwargs):
    folder = str(tmp_path / "shapes")
    arguments = [layers, p.Grayscale, folder, ".png", "m_", "_x", 0, 2] + list(args)
    return folder, project.export_rendered_shapes(*arguments, **kwargs)


@pytest.mark.parametrize("layers, start, finish, error, text", [
    (lambda pr: [], 0, 1, AssertionError, "No layers to render"),
    (lambda pr: pr.layers, 8, 8, IndexError, "index_start '8' out of range (must be between 0 and '7')"),
    (lambda pr: pr.layers, 3, 2, IndexError, "index_finish '2' out of range (must be between '3' and '7')"),
    (lambda pr: pr.layers, 0, 8, IndexError, "index_finish '8' out of range (must be between '0' and '7')"),
])
def test_export_failures_leave_only_the_folder(project, tmp_path, layers, start, finish, error, text):
    square_layer(project)
    folder = tmp_path / "shapes"
    with raises(error, text):
        project.export_rendered_shapes(layers(project), p.Grayscale, str(folder), ".png", "m", "", start, finish)
    assert folder.is_dir() and os.listdir(str(folder)) == []


@pytest.mark.parametrize("finish, width, names", [
    (2, 1, ["m_0_x.png", "m_1_x.png", "m_2_x.png"]),
    (7, 3, ["m_%03d_x.png" % i for i in range(8)]),
])
def test_export_writes_one_file_a_frame_and_returns_a_detached_clip(project, tmp_path, finish, width, names):
    layer = square_layer(project)
    folder = str(tmp_path / "shapes")
    clip = project.export_rendered_shapes([layer], p.Grayscale, folder, ".png", "m_", "_x", 0, finish, width)
    assert sorted(os.listdir(folder)) == names
    assert clip.name == "NewClip"
    with raises(RuntimeError, "Clip is not attached to this project"):
        project.add_layer(clip)


def test_export_widens_the_index_to_the_last_number_and_starts_at_the_offset(tmp_path):
    project = make_project(tmp_path, count=12)
    layer = square_layer(project)
    folder = str(tmp_path / "shapes")
    project.export_rendered_shapes([layer], p.Grayscale, folder, ".png", "m", "", 9, 10, offset=5)
    assert sorted(os.listdir(folder)) == ["m05.png", "m06.png"]


@pytest.mark.parametrize("colorize", [p.Grayscale, p.ByMatteColor, p.ByLayer])
def test_exported_mattes_follow_the_tracked_square(tmp_path, colorize):
    from PySide2 import QtGui
    project = make_project(tmp_path)
    layer = square_layer(project, margin=0)
    project.track_layers(0, 3, [layer])
    folder = str(tmp_path / "shapes")
    project.export_rendered_shapes([layer], colorize, folder, ".png", "m", "", 0, 3)
    for frame in range(4):
        image = QtGui.QImage(os.path.join(folder, "m%d.png" % frame))
        centre_x = LEFT + SQUARE // 2 + SPEED * frame
        assert QtGui.QColor(image.pixel(centre_x, TOP + SQUARE // 2)).value() > 0
        assert QtGui.QColor(image.pixel(centre_x + SQUARE, TOP + SQUARE // 2)).value() == 0


@pytest.mark.parametrize("separate_streams, names, width", [
    (False, ["m0.png", "m1.png"], 200),  # one stream: the views side by side
    (True, ["m0_L.png", "m0_R.png", "m1_L.png", "m1_R.png"], 100),
])
def test_two_views_share_each_file_unless_in_separate_streams(project, tmp_path, separate_streams, names, width):
    from PySide2 import QtGui
    project.views = [p.ViewInfo("left", "L"), p.ViewInfo("right", "R")]
    layer = square_layer(project, margin=0)
    folder = str(tmp_path / "shapes")
    clip = project.export_rendered_shapes([layer], p.Grayscale, folder, ".png", "m", "", 0, 1,
                                          views=[p.View(0), p.View(1)], separate_streams=separate_streams)
    assert sorted(os.listdir(folder)) == names
    assert clip.frame_size == (width, 60)
    image = QtGui.QImage(os.path.join(folder, names[0]))
    middle = TOP + SQUARE // 2
    for left in range(0, width, 100):  # each view's matte
        assert QtGui.QColor(image.pixel(left + LEFT + SQUARE // 2, middle)).value() > 0
        assert QtGui.QColor(image.pixel(left + LEFT + SQUARE + 4, middle)).value() == 0


@pytest.mark.parametrize("abbreviation", ["/../../x", "..", "a\\b"])
def test_a_view_abbreviation_never_names_another_folder(project, tmp_path, abbreviation):
    # The view's files carry its id instead: the folder holds every file.
    project.views = [p.ViewInfo("left", "L"), p.ViewInfo("right", abbreviation)]
    layer = square_layer(project, margin=0)
    (tmp_path / "out" / "shapes" / "m0_").mkdir(parents=True)
    folder = str(tmp_path / "out" / "shapes")
    project.export_rendered_shapes([layer], p.Grayscale, folder, ".png", "m", "", 0, 0,
                                   views=[p.View(0), p.View(1)], separate_streams=True)
    assert sorted(os.listdir(folder)) == ["m0_", "m0_1.png", "m0_L.png"]
    assert os.listdir(str(tmp_path / "out")) == ["shapes"] and os.listdir(folder + "/m0_") == []


def test_export_kind_follows_the_extension_with_its_dot(project, tmp_path):
    layer = square_layer(project)
    folder = tmp_path / "shapes"
    movie = project.export_rendered_shapes([layer], p.Grayscale, str(folder / "movie"), ".MOV", "m", "", 0, 2)
    # One file, named by its first frame, that reads back as the three frames.
    assert os.listdir(str(folder / "movie")) == ["m0.MOV"]
    info = movie.get_info(p.View(0))
    assert (info.prefix, info.start_frame, info.end_frame) == ("m0.MOV", 0, 2)
    assert movie.frame_size == project.clips["sq"].frame_size
    # Without its dot the extension ends the names of a sequence's files.
    with pytest.raises(RuntimeError, match="m0mov"):
        project.export_rendered_shapes([layer], p.Grayscale, str(folder / "sequence"), "mov", "m", "", 0, 2)


# Both exports that name their files folder/prefix + number + suffix + extension.
EXPORTS = {
    "clip": lambda project, layer, out, prefix, suffix, extension, offset, width=1: project.clips["sq"].export(
        None, out, extension, prefix, suffix, 0, 1, index_width=width, offset=offset),
    "shapes": lambda project, layer, out, prefix, suffix, extension, offset, width=1: project.export_rendered_shapes(
        [layer], p.Grayscale, out, extension, prefix, suffix, 0, 1, index_width=width, offset=offset),
}
LAST_NUMBER = 2 ** 32 - 1


@pytest.mark.parametrize("export", sorted(EXPORTS))
@pytest.mark.parametrize("prefix, suffix, extension, offset, width, error, text", [
    ("../m", "", ".png", 0, 1, ValueError, "prefix '../m' must not name another folder"),
    ("sub/m", "", ".png", 0, 1, ValueError, "prefix 'sub/m' must not name another folder"),
    ("m", "/../x", ".png", 0, 1, ValueError, "suffix '/../x' must not name another folder"),
    ("m", "", "/../x.png", 0, 1, ValueError, "extension '/../x.png' must not name another folder"),
    # A NUL would cut the name on its way to the file system: the text is refused as given.
    ("a\0/../../x", "", ".png", 0, 1, ValueError, "embedded null character"),
    ("m", "\0", ".png", 0, 1, ValueError, "embedded null character"),
    ("m", "", ".png", LAST_NUMBER, 1, IndexError,
     "File numbers 4294967295 to 4294967296 pass the largest, 4294967295"),
    ("m", "", ".png", 0, 2 ** 31 - 1, IndexError, "index_width '2147483647' out of range (must be at most 255)"),
])
def test_export_names_stay_in_the_folder_and_numbers_do_not_wrap(project, tmp_path, export, prefix, suffix,
                                                                   extension, offset, width, error, text):
    layer = square_layer(project)
    tree = tmp_path / "exports"
    with raises(error, text):
        EXPORTS[export](project, layer, str(tree / "out"), prefix, suffix, extension, offset, width)
    assert not tree.exists()


@pytest.mark.parametrize("export", sorted(EXPORTS))
@pytest.mark.parametrize("prefix, suffix, extension", [
    ("take..2_", "", ".png"), ("..", "", ".png"), ("m", "..", ".png"), ("back\\slash", "", ".png"),
    ("m", "", "..png"),
])
def test_export_names_that_stay_in_the_folder_are_written_there(project, tmp_path, export, prefix, suffix,
                                                                 extension):
    out = tmp_path / "out"
    EXPORTS[export](project, square_layer(project), str(out), prefix, suffix, extension, 0)
    assert sorted(os.listdir(str(out))) == [prefix + "0" + suffix + extension, prefix + "1" + suffix + extension]
    assert sorted(os.listdir(str(tmp_path))) == ["footage4", "out"]


@pytest.mark.parametrize("export", sorted(EXPORTS))
def test_export_numbers_reach_the_last_there_is(project, tmp_path, export):
    out = tmp_path / "out"
    EXPORTS[export](project, square_layer(project), str(out), "m", "", ".png", LAST_NUMBER - 1)
    assert sorted(os.listdir(out)) == ["m4294967294.png", "m4294967295.png"]


# --- What the pixels show -----------------------------------------------------------------------

def square_region(clip, frame):
    """The pixels where the square is in frame 0, as a flat list."""
    image = clip.image(frame)
    pixels = image.pixels()
    channels = len(pixels) // (image.width * image.height)
    return [pixels[(y * image.width + x) * channels + c]
            for y in range(TOP + 2, TOP + SQUARE - 2) for x in range(LEFT + 2, LEFT + SQUARE - 2)
            for c in range(min(channels, 3))]


def difference(first, second):
    return sum(abs(a - b) for a, b in zip(first, second)) / len(first)


def test_a_stabilised_clip_holds_the_tracked_square_still(project):
    layer = square_layer(project)
    project.track_layers(0, 6, [layer])
    stabilised = project.render(p.RenderStabilizeOperation(), 0, 6, [layer])
    plate = project.clips["sq"]
    still = square_region(stabilised, 0)
    for frame in (3, 6):
        assert difference(square_region(plate, frame), still) > 40
        assert difference(square_region(stabilised, frame), still) < 8, frame


# --- Stand-alone and inside the application ---------------------------------------------------

SCRIPT = """
import sys
sys.path.insert(0, %r)
import pathlib
import plinx._init
import plinx.project as p
import test_render as t
project = t.make_project(pathlib.Path(%r))
layer = t.square_layer(project)
project.track_layers(0, 2, [layer])
project.render(p.RenderInsertOperation(), 0, 1, [layer])
print("rendered")
"""


@pytest.mark.parametrize("embedded", [False, True])
def test_only_stand_alone_runs_free_the_frame_cache(tmp_path, isolated_env, embedded):
    from conftest import log_lines, run_embedded, run_python
    code = SCRIPT % (os.path.dirname(os.path.abspath(__file__)), str(tmp_path / "work"))
    result = run_embedded(code, tmp_path, env=isolated_env) if embedded else run_python(code, env=isolated_env)
    assert result.returncode == 0 and "rendered" in result.stdout, result.stderr
    calls = [line.split("call VUVI_FrameManager::", 1)[1].split(" ")[0] for line in log_lines(isolated_env)
             if "call VUVI_FrameManager::" in line]
    freed = [call for call in calls if call in ("vClearOutMemoryExceptForFrame", "vSetCacheStrategyRecycle")]
    # Once for the track, once for the render; never inside the application.
    assert freed == ([] if embedded else ["vClearOutMemoryExceptForFrame", "vSetCacheStrategyRecycle"] * 2)
    assert calls.count("unloadAllUnusedTempBuffers") == 2
