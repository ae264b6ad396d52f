"""The API among processes and at the process's end: children made by fork
(multiprocessing's fork start method; os.fork while another thread is inside
a long call), the interpreter ending while daemon threads are inside calls,
Ctrl-C during a long call. Each scenario runs in an interpreter of its own,
bounded in time: a hang fails the test instead of hanging it."""
import os
import signal
import subprocess
import sys
import textwrap
import time

import pytest
from PySide2 import QtGui

import plinx._init  # noqa: F401 (starts the core)
import plinx.project as p
from conftest import EMBED_HOST, PACKAGE_DIR, PROBE_DIR

EXAMPLES_DIR = os.path.join(os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__)))), "examples")
FRAMES = 12
SIZE = (96, 48)

# A project over a textured square moving across the frame, saved, with a
# layer round the square; `work(kind)` runs one long call of each kind.
PRELUDE = """
import os, signal, sys, threading, time
sys.path.insert(0, {examples!r})
import numpy
from PySide2 import QtGui
import plinx._init
import plinx.exporters as e
import plinx.project as p
import toy_raw_format as toy

folder, FRAMES = {folder!r}, {frames}
WIDTH, HEIGHT = {size}


def write_footage(name):
    noise = numpy.random.default_rng(7).integers(0, 256, (24, 24), dtype=numpy.uint8)
    os.makedirs(os.path.join(folder, name), exist_ok=True)
    for index in range(FRAMES):
        pixels = numpy.full((HEIGHT, WIDTH, 3), 30, dtype=numpy.uint8)
        pixels[12:36, 4 + 4 * index:28 + 4 * index, 0] = noise
        image = QtGui.QImage(pixels.data, WIDTH, HEIGHT, WIDTH * 3, QtGui.QImage.Format_RGB888)
        assert image.save(os.path.join(folder, name, "sq.%04d.png" % (index + 1)))
    return os.path.join(folder, name, "sq.0001.png")


plinx._init.set_setting_value("ResultClipFileFormat", "png", True)  # renders read back with Qt
FIRST = write_footage("footage")
project = p.Project(p.Clip(FIRST, "sq"))
project.set_output_dir(os.path.join(folder, "renders"))
layer = project.add_layer(project.clips["sq"], "square")
layer.add_xspline_contour(0.0, [p.XControlPointData(x=float(x), y=float(y))
                                for x, y in [(2, 10), (30, 10), (30, 38), (2, 38)]])
PROJECT_FILE = os.path.join(folder, "saved", "project.plinx")
os.makedirs(os.path.dirname(PROJECT_FILE))
project.save_as(PROJECT_FILE)
in_python = threading.Event()  # set by Python that the core calls back


class TrackCsv(e.AbstractTrackingDataExporter):
    def __init__(self):
        super().__init__("Track CSV (tests)", ".csv")

    def do_export(self, project, layer, path, time_, view, options):
        in_python.set()
        time.sleep(0.02)
        return {{os.path.basename(path): b"frame,x\\n0,1\\n"}}

    def error_string(self):
        return ""


class SlowToy(toy.ToyRawFormat):
    def load_image(self, image, path, frame_number, stream_name):
        in_python.set()
        time.sleep(0.01)
        super().load_image(image, path, frame_number, stream_name)

    def save_image(self, image, path):
        in_python.set()
        time.sleep(0.01)
        super().save_image(image, path)


toy_format = SlowToy()
tracks = TrackCsv()
tracks.register()
toy_first = toy.write_frames(os.path.join(folder, "toy_footage"), "t", FRAMES, (16, 8))
plate = project.clips["sq"]


def work(kind, out):
    if kind == "render":
        project.render(p.RenderInsertOperation(), 0, FRAMES - 1, [layer])
    elif kind == "render heard by a slot":
        operation = p.RenderInsertOperation()
        operation.progress_watcher.progress_status.connect(lambda status: in_python.set())
        project.render(operation, 0, FRAMES - 1, [layer])
    elif kind == "track_layers":
        project.track_layers(0, FRAMES - 1, [layer])
    elif kind == "save":
        project.save()
    elif kind == "export":
        plate.export(None, out, ".png", "f_", "", 0, FRAMES - 1)
    elif kind == "shape export":
        project.export_rendered_shapes([layer], p.ByMatteColor, out, ".png", "s_", "", 0, FRAMES - 1, 2)
    elif kind == "frame read":
        reading = p.Project(p.Clip(FIRST, "read"))
        for frame in range(FRAMES):
            assert reading.clips["read"].image(frame) is not None
    elif kind == "Python exporter":
        entry = e.AbstractTrackingDataExporter.registered_exporters()["Track CSV (tests)"]
        entry.do_export(project, layer, os.path.join(out, "track.csv"), 0.0, p.View(0), {{}})
    elif kind == "Python image reader":
        reading = p.Project(p.Clip(toy_first, "toy", True))
        for frame in range(FRAMES):
            assert reading.clips["toy"].image(frame) is not None
    elif kind == "Python image writer":
        plate.export(None, out, toy.EXTENSION, "w_", "", 0, FRAMES - 1)
    else:
        raise ValueError(kind)


# In a child made by fork: saves the project and renders three frames, then ends.
def child_saves_and_renders(out):
    status = 1
    try:
        os.makedirs(out)
        project.save_as(os.path.join(out, "child.plinx"))
        project.set_output_dir(os.path.join(out, "renders"))
        project.render(p.RenderInsertOperation(), 0, 2, [layer])
        status = 0
    except BaseException:
        import traceback
        traceback.print_exc()
    finally:
        os._exit(status)


def wait_for_child(child, expected=0):
    give_up = time.monotonic() + 60
    while True:
        ended, status = os.waitpid(child, os.WNOHANG)
        if ended:
            if os.waitstatus_to_exitcode(status) != expected:
                sys.exit("a child ended with status %d" % os.waitstatus_to_exitcode(status))
            return
        if time.monotonic() > give_up:
            os.kill(child, signal.SIGKILL)
            sys.exit("a child hangs")
        time.sleep(0.01)
"""

HOSTS = {"python": "/usr/bin/python3", "embedded": EMBED_HOST}
KINDS = ["render", "track_layers", "save", "export", "shape export", "frame read", "Python exporter",
         "Python image reader", "Python image writer"]


def run_script(tmp_path, body, host="python", timeout=120):
    """Runs the prelude and `body` in a fresh interpreter (or the embedding
    host); a hang fails the test."""
    code = PRELUDE.format(examples=EXAMPLES_DIR, folder=str(tmp_path), frames=FRAMES, size=SIZE)
    code += textwrap.dedent(body)
    script = tmp_path / "scenario.py"
    script.write_text(code)
    env = dict(os.environ, PYTHONPATH=os.pathsep.join([PACKAGE_DIR, PROBE_DIR]))
    try:
        return subprocess.run([HOSTS[host], str(script)], env=env, capture_output=True, text=True, timeout=timeout)
    except subprocess.TimeoutExpired as hung:
        pytest.fail("the scenario hung:\n%s\n%s" % (hung.stdout, hung.stderr))


def assert_whole_files(folder):
    """Every file the calls wrote reads back whole; none is left half written."""
    import toy_raw_format as toy
    for root, _, names in os.walk(folder):
        for name in names:
            path = os.path.join(root, name)
            if name.endswith(".png"):
                assert not QtGui.QImage(path).isNull(), path
            elif name.endswith(toy.EXTENSION):
                header = toy.read_header(path)
                assert header is not None, path
                assert os.path.getsize(path) == toy.HEADER + header[0] * header[1] * 3, path
            elif name.endswith(".plinx"):
                reopened = p.Project(path)
                assert [layer.name for layer in reopened.layers] == ["square"], path
            elif name.endswith(".csv"):
                with open(path, "rb") as written:
                    assert written.read() == b"frame,x\n0,1\n", path
            else:
                pytest.fail("a file no call writes was left: %s" % path)


sys.path.insert(0, EXAMPLES_DIR)


# --- The interpreter's end with daemon threads inside calls ---------------------------------------

# A thread runs the call over and over; the script ends while it is inside
# one (inside Python that the core calls, for the Python kinds).
ENDS_INSIDE = """
    kind = %r
    done_once = threading.Event()

    def again():
        for round_ in range(1000):
            work(kind, os.path.join(folder, "out", str(round_ %% 2)))
            done_once.set()

    threading.Thread(target=again, daemon=True).start()
    assert done_once.wait(60)
    in_python.clear()
    if kind.startswith("Python"):
        assert in_python.wait(60)
    print("leaving", flush=True)
"""


@pytest.mark.parametrize("host, kind", [("python", kind) for kind in KINDS]
                         + [("embedded", "render"), ("embedded", "Python exporter")])
def test_the_interpreter_ends_while_a_daemon_thread_is_inside_a_call(tmp_path, host, kind):
    result = run_script(tmp_path, ENDS_INSIDE % kind, host)
    assert (result.returncode, result.stdout) == (0, "leaving\n"), result.stderr
    assert "terminate" not in result.stderr and "Fatal" not in result.stderr, result.stderr
    assert_whole_files(tmp_path / "saved")
    assert_whole_files(tmp_path / "out")
    assert_whole_files(tmp_path / "renders")


@pytest.mark.parametrize("ending, status", [("sys.exit(3)", 3), ("raise RuntimeError('ended')", 1)])
def test_the_script_keeps_its_own_exit_status(tmp_path, ending, status):
    result = run_script(tmp_path, """
        started = threading.Event()

        def again():
            while True:
                started.set()
                work("render", None)

        threading.Thread(target=again, daemon=True).start()
        started.wait(60)
        time.sleep(0.2)
        %s
    """ % ending)
    assert result.returncode == status, result.stderr
    assert "terminate" not in result.stderr and "Fatal" not in result.stderr, result.stderr


# --- Children made by fork ----------------------------------------------------------------------

@pytest.mark.parametrize("host", HOSTS)
def test_a_pool_of_forked_children_renders_exports_and_saves_after_the_parent_rendered(tmp_path, host):
    result = run_script(tmp_path, """
        import multiprocessing

        project.render(p.RenderInsertOperation(), 0, FRAMES - 1, [layer])

        def shot(number):
            out = os.path.join(folder, "out", "shot%d" % number)
            project.set_output_dir(os.path.join(out, "renders"))
            rendered = project.render(p.RenderInsertOperation(), 0, 3, [layer])
            rendered.export(None, os.path.join(out, "export"), ".png", "f_", "", 0, 3)
            project.save_as(os.path.join(out, "shot.plinx"))
            return sorted(os.listdir(os.path.join(out, "export")))

        with multiprocessing.get_context("fork").Pool(3) as pool:
            print(pool.map_async(shot, range(3)).get(timeout=60))
    """, host)
    assert result.returncode == 0, result.stderr
    assert result.stdout.strip() == str([["f_%d.png" % i for i in range(4)]] * 3)
    for number in range(3):
        shot = tmp_path / "out" / ("shot%d" % number)
        assert len(os.listdir(shot / "renders")) == 4
        assert_whole_files(shot)


@pytest.mark.parametrize("host, kind", [("python", kind) for kind in ["track_layers", "render", "save",
                                                                      "Python image writer"]]
                         + [("embedded", "track_layers")])
def test_a_child_forked_while_another_thread_is_inside_a_call_saves_and_renders(tmp_path, host, kind):
    # The other thread is gone in the child: the child finds the core free,
    # and each fork waits for the call's current step to end.
    result = run_script(tmp_path, """
        kind = %r
        started = threading.Event()

        def again():
            round_ = 0
            while True:
                started.set()
                work(kind, os.path.join(folder, "out", str(round_ %% 2)))
                round_ += 1

        threading.Thread(target=again, daemon=True).start()
        started.wait(60)
        for number in range(3):
            time.sleep(0.05)
            child = os.fork()
            if child == 0:
                child_saves_and_renders(os.path.join(folder, "child%%d" %% number))
            wait_for_child(child)
    """ % kind, host)
    assert result.returncode == 0, result.stdout + result.stderr
    for number in range(3):
        child = tmp_path / ("child%d" % number)
        assert len(os.listdir(child / "renders")) == 3
        assert_whole_files(child)


@pytest.mark.parametrize("host, forking_thread", [("python", "main"), ("python", "worker"), ("embedded", "main")])
def test_a_forked_child_that_ends_as_scripts_end_keeps_its_exit_status(tmp_path, host, forking_thread):
    # The child lacks the threads of the libraries' pools that the parent
    # started: its end must not wait for them, nor join them.
    result = run_script(tmp_path, """
        project.render(p.RenderInsertOperation(), 0, 2, [layer])

        def fork_and_work(children):
            child = os.fork()
            if child == 0:
                out = os.path.join(folder, "child")
                project.set_output_dir(os.path.join(out, "renders"))
                project.render(p.RenderInsertOperation(), 0, 2, [layer])
                project.save_as(os.path.join(out, "child.plinx"))
                if forking_thread == "main":
                    sys.exit(5)
                return  # its only thread ends: the child ends with status 0
            children.append(child)

        forking_thread, children = %r, []
        if forking_thread == "worker":
            forking = threading.Thread(target=fork_and_work, args=(children,))
            forking.start()
            forking.join()
        else:
            fork_and_work(children)
        wait_for_child(children[0], 5 if forking_thread == "main" else 0)
    """ % forking_thread, host)
    assert result.returncode == 0, result.stdout + result.stderr
    assert len(os.listdir(tmp_path / "child" / "renders")) == 3
    assert_whole_files(tmp_path / "child")


def test_a_child_forked_by_python_that_a_call_runs_saves_and_renders(tmp_path):
    # The fork comes from a progress slot, with the core lent by the render
    # that runs the slot; the child goes on from there.
    result = run_script(tmp_path, """
        children = []

        def fork_once(status):
            if not children:
                children.append(os.fork())
                if children[0] == 0:
                    child_saves_and_renders(os.path.join(folder, "child"))

        operation = p.RenderInsertOperation()
        operation.progress_watcher.progress_status.connect(fork_once)
        project.render(operation, 0, FRAMES - 1, [layer])
        wait_for_child(children[0])
    """)
    assert result.returncode == 0, result.stdout + result.stderr
    assert len(os.listdir(tmp_path / "child" / "renders")) == 3
    assert_whole_files(tmp_path / "child")


# --- Ctrl-C during a long call ------------------------------------------------------------------

@pytest.mark.parametrize("kind", ["render", "render heard by a slot", "save", "track_layers", "Python exporter",
                                  "Python image writer"])
def test_ctrl_c_during_a_call_raises_keyboard_interrupt_once_it_returns(tmp_path, kind):
    # Python that the core runs meanwhile (a slot, an exporter, a writer)
    # would meet the interrupt first: it still reaches the script.
    result = run_script(tmp_path, """
        kind = %r

        def interrupt():
            in_python.wait(60) if "Python" in kind or "slot" in kind else time.sleep(0.3)
            os.kill(os.getpid(), signal.SIGINT)

        threading.Thread(target=interrupt, daemon=True).start()
        try:
            for round_ in range(500):
                try:
                    work(kind, os.path.join(folder, "out", str(round_ %% 2)))
                except Exception:
                    pass  # a call whose Python the interrupt ended may fail
            print("never interrupted")
        except KeyboardInterrupt:
            print("interrupted")
    """ % kind)
    assert (result.returncode, result.stdout) == (0, "interrupted\n"), result.stderr
    assert "KeyboardInterrupt" not in result.stderr
    assert_whole_files(tmp_path / "saved")
    assert_whole_files(tmp_path / "out")
