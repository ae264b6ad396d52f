"""Calls keep alive what they use, and nothing waits forever.

Long operations, the Python extensions that the core calls back and the exporter
registry's entries live through deletions made while they run (from a progress
slot, from the callback itself, from another thread); Python run from inside the
core may wait for threads that call the API. Each case runs in a fresh process,
with a timeout: a regression kills or hangs that process only."""
import json
import subprocess
import textwrap

import pytest

from conftest import run_embedded, run_python

PRELUDE = """
import gc, json, os, sys, tempfile, threading
import shiboken2
import plinx._init
import plinx.exporters as e
import plinx.mediaio as m
import plinx.project as p
from PySide2 import QtCore, QtGui

FOLDER = tempfile.mkdtemp()

def report(name, value):
    sys.stdout.flush()
    print("CASE " + json.dumps([name, value]), flush=True)

def outcome(call):
    try:
        value = call()
    except Exception as error:
        return "%s: %s" % (type(error).__name__, error)
    return "done"

def square_footage(folder, count=8):
    # A textured square moving 4 px a frame: sq.0001.png ...
    os.makedirs(folder, exist_ok=True)
    for frame in range(count):
        image = QtGui.QImage(100, 60, QtGui.QImage.Format_RGB32)
        image.fill(QtGui.QColor(20, 20, 30))
        for y in range(24):
            for x in range(24):
                value = (x * 37 + y * 91) % 256
                image.setPixel(8 + 4 * frame + x, 18 + y, QtGui.qRgb(value, 255 - value, value // 2))
        image.save(os.path.join(folder, "sq.%04d.png" % (frame + 1)))
    return os.path.join(folder, "sq.0001.png")

FOOTAGE = square_footage(os.path.join(FOLDER, "footage"))

def square_project(parent=None):
    # A project over the footage with two layers that have shapes.
    project = p.Project(p.Clip(FOOTAGE, "sq"), parent=parent)
    project.set_output_dir(tempfile.mkdtemp(dir=FOLDER))
    layers = []
    for name, corners in [("square", [(6, 16), (34, 16), (34, 44), (6, 44)]),
                          ("other", [(50, 10), (70, 10), (70, 30)])]:
        layer = project.add_layer(project.clips["sq"], name)
        layer.add_xspline_contour(0.0, [p.XControlPointData(x=float(x), y=float(y)) for x, y in corners])
        layers.append(layer)
    return project, layers
"""


def run_cases(code, host="python", tmp_path=None, timeout=120, env=None):
    """Runs code after PRELUDE; the cases it reported, by name, and the process."""
    script = PRELUDE + textwrap.dedent(code)
    try:
        if host == "embed":
            ran = run_embedded(script, tmp_path, env=env, timeout=timeout)
        else:
            ran = run_python(script, env=env, timeout=timeout)
    except subprocess.TimeoutExpired as expired:
        pytest.fail("the process hung; it said:\n%s" % (expired.stdout or ""))
    cases = {}
    for line in ran.stdout.splitlines():
        if line.startswith("CASE "):
            name, value = json.loads(line[len("CASE "):])
            cases[name] = value
    return cases, ran


def case_of(cases, ran, name):
    assert name in cases, "case %s never reported (exit %d):\n%s%s" % (name, ran.returncode, ran.stdout,
                                                                      ran.stderr[-3000:])
    return cases[name]


# --- Long operations: what a progress slot deletes while they run ---------------------------

OPERATIONS = {
    "track": "project.track_layers(0, 7, layers)",
    "insert": "project.render(operation, 0, 7, layers)",
    "stabilize": "project.render(operation, 0, 7, layers)",
    "remove": "project.render(operation, 0, 7, layers)",
    "reorient": "project.render(operation, 0, 7, layers)",
    "export_rendered_shapes": "project.export_rendered_shapes(layers, p.ColorizeOutput.ByLayer, "
                              "tempfile.mkdtemp(dir=FOLDER), '.png', 'm', '', 0, 7, 4, [], False, 0)",
    "clip.export": "clip.export(None, tempfile.mkdtemp(dir=FOLDER), '.png', 'x', '', 0, 7)",
}

# What the slot does the first time it hears of progress.
DELETIONS = {
    "the project": "shiboken2.delete(project)",
    "the project's Qt parent": "shiboken2.delete(owner)",
    "a layer": "layers[0].remove()",
    "the creation of a layer, undone": "project.undo_group().undo(); project.undo_group().undo()",
    "the clip": "shiboken2.delete(clip)",
    "the render operation": "shiboken2.delete(operation)",
    "the watchers": "[shiboken2.delete(watcher) for watcher in watchers]",
    # A clip whose deletion waits for its export, which its project then deletes.
    "the clip, then its project": "shiboken2.delete(clip); shiboken2.delete(owner)",
}

LONG_OPERATIONS = """
RENDERS = {"insert": p.RenderInsertOperation, "stabilize": p.RenderStabilizeOperation,
           "remove": p.RenderRemoveOperation, "reorient": p.RenderReorientOperation}
for name, run in OPERATIONS.items():
    for victim, deletion in DELETIONS.items():
        owner = QtCore.QObject()
        project, layers = square_project(owner)
        clip = project.clips["sq"]
        operation = RENDERS[name]() if name in RENDERS else None
        watchers = [project.progress_watcher, clip.progress_watcher]
        if operation is not None:
            watchers.append(operation.progress_watcher)
        heard = []
        def slot(*args):
            heard.append(args)
            if len(heard) == 1:
                exec(deletion)
        for watcher in watchers:
            watcher.progress_status.connect(slot)
            watcher.progress_message.connect(slot)
        # The operation's watcher goes with the operation: while it hears the
        # render to its end, the operation lives through it.
        finished = []
        if operation is not None:
            operation.progress_watcher.finished.connect(lambda: finished.append(True))
        result = outcome(lambda: eval(run))
        report(name + " / " + victim, [result, bool(finished) if operation is not None else None,
                                shiboken2.isValid(project)])
        del project, layers, clip, operation, watchers, owner
        gc.collect()
"""


@pytest.fixture(scope="module")
def long_operation_cases():
    """The cases of an operation, run once, in a process of their own."""
    runs = {}

    def of(operation):
        if operation not in runs:
            code = "OPERATIONS = %r\nDELETIONS = %r\n" % ({operation: OPERATIONS[operation]}, DELETIONS)
            runs[operation] = run_cases(code + LONG_OPERATIONS)
        return runs[operation]
    return of


RENDERS = ("insert", "stabilize", "remove", "reorient")
PROJECT_GONE = ("the project", "the project's Qt parent", "the clip, then its project")


def expected_run(operation, victim):
    """What a run ends with: its result, or the clean error of one that cannot go on or hand it out."""
    if operation in RENDERS[:3] and victim == "the creation of a layer, undone":
        return "RuntimeError: Invalid object"  # a layer it renders has gone
    return "done"


@pytest.mark.parametrize("victim", DELETIONS)
# The cases of an operation run in one process: its tests run on one worker.
@pytest.mark.parametrize("operation", [
    pytest.param(operation, marks=pytest.mark.xdist_group("long_operation_" + operation)) for operation in OPERATIONS])
def test_a_long_operation_outlives_what_a_progress_slot_deletes(long_operation_cases, operation, victim):
    cases, ran = long_operation_cases(operation)
    result, operation_heard_its_end, project_alive = case_of(cases, ran, operation + " / " + victim)
    assert result == expected_run(operation, victim)
    if operation in RENDERS:
        # A render operation deleted meanwhile goes once the render has ended:
        # its watcher hears the end of a render that runs to it.
        ran_to_its_end = not (operation in RENDERS[:3] and victim == "the creation of a layer, undone")
        assert operation_heard_its_end == (ran_to_its_end and victim != "the watchers")
    assert project_alive == (victim not in PROJECT_GONE)


@pytest.mark.parametrize("operation, refusal", [
    # A call on the project.
    ("project.render(p.RenderStabilizeOperation(), 0, 7, layers)", None),
    # A call on a clip the project owns: begun after the project went, the clip refuses.
    ("clip.export(None, tempfile.mkdtemp(dir=FOLDER), '.png', 'x', '', 0, 7)",
     "AssertionError: Detected an attempt to use a detached clip with a project"),
])
@pytest.mark.parametrize("deletion", ["shiboken2.delete(project)", "shiboken2.delete(owner)"],
                         ids=["the project", "its Qt parent"])
def test_a_long_operation_outlives_its_project_deleted_by_another_thread(operation, refusal, deletion):
    cases, ran = run_cases("""
import random, time
results = set()
for round in range(40):
    owner = QtCore.QObject()
    project, layers = square_project(owner)
    clip = project.clips["sq"]
    def run():
        result = outcome(lambda: %s)
        # The runtime's own error names the class.
        deleted = result.startswith("RuntimeError") and "plinx.project." in result
        results.add("RuntimeError naming a class of plinx.project" if deleted else result)
    worker = threading.Thread(target=run)
    worker.start()
    time.sleep(random.random() * 0.02)
    %s
    worker.join()
    results.add("valid after its deletion" if shiboken2.isValid(project) else "invalid after its deletion")
report("results", sorted(results))
""" % (operation, deletion))
    # The deletion takes effect once the operation that runs has returned;
    # one asked for before it began stops it as on a deleted object, or as on
    # a handle whose node went with the project (a clip seen between the two).
    # Qt parents do not delete a project under a call either.
    assert set(case_of(cases, ran, "results")) <= {"done", "invalid after its deletion",
                                                   "RuntimeError naming a class of plinx.project",
                                                   "RuntimeError: Invalid object", refusal}


# What threads share, each case: (made for a round, what workers call over and
# over, what the main thread does meanwhile[, what holds once the workers have
# ended]). Workers may see RuntimeError (the object went); nothing else, and
# the process lives.
SHARED_RACES = {
    # Qt deletes children with their parent at once; the project leaves the
    # parent instead, and goes when the calls that other threads run on it end.
    "calls on a project whose Qt parent goes": (
        "owner = QtCore.QObject(); project, layers = square_project(owner); clip = project.clips['sq']",
        "project.undo_group(); project.clips; project.add_layer(clip, 'l'); project.layers",
        "shiboken2.isValid(owner) and shiboken2.delete(owner)",
        "not shiboken2.isValid(project)"),
    # The deletion of a parent of PySide2's waits for the constructors that
    # hold it, and Qt's look at the parent (its thread, its class) is safe.
    "projects made with a Qt parent that goes": (
        "owner = QtCore.QObject()",
        "p.Project(p.Clip(FOOTAGE, 'sq'), parent=owner)",
        "shiboken2.isValid(owner) and shiboken2.delete(owner)",
        "not shiboken2.isValid(owner)"),
    "undo and redo while the project goes": (
        "project, layers = square_project(); group = project.undo_group()",
        "group.undo(); group.redo()",
        "shiboken2.delete(project)"),
    "calls on a registry entry while the registry drops it": (
        "name = 'Race %d' % round; exporter = TrackExporter(name, '.txt'); exporter.register(); "
        "entry = e.AbstractTrackingDataExporter.registered_exporters()[name]",
        "entry.error_string(); entry.registered; entry.exports_multiple_views",
        "exporter.unregister(); TrackExporter(name, '.txt').register(); "
        "e.AbstractTrackingDataExporter.registered_exporters()"),
    # The registry invalidates the entry it drops while the runtime, its
    # deletion refused, is about to invalidate it too.
    "registry entries that threads delete while the registry drops them": (
        "name = 'Drop %d' % round; exporter = TrackExporter(name, '.txt'); exporter.register()",
        "entry = e.AbstractTrackingDataExporter.registered_exporters().get(name); "
        "entry is not None and shiboken2.delete(entry)",
        "exporter.unregister(); exporter = TrackExporter(name, '.txt'); exporter.register(); "
        "e.AbstractTrackingDataExporter.registered_exporters()"),
    "an operation's watcher while another thread deletes it": (
        "operation = p.RenderInsertOperation()",
        "watcher = operation.progress_watcher; watcher and watcher.parent()",
        "watcher = operation.progress_watcher; watcher and shiboken2.delete(watcher)"),
    "an operation that goes while threads delete its watcher": (
        "operation = p.RenderInsertOperation()",
        "watcher = operation.progress_watcher; watcher and shiboken2.delete(watcher)",
        "shiboken2.delete(operation)"),
    "a project's clips while another thread deletes them": (
        "project, layers = square_project()",
        "[clip.name for clip in project.clips.values() if clip is not None]",
        "[shiboken2.delete(clip) for clip in project.clips.values()\n"
        " if clip is not None and shiboken2.isValid(clip)]"),
    # A deletion that waits for the calls that hold the object leaves the
    # object's Python parent at once.
    "a clip with a Qt parent, deleted under calls, then its parent": (
        "owner = QtCore.QObject(); project, layers = square_project(); clip = project.clips['sq']; "
        "clip.setParent(owner)",
        "clip.name; clip.views",
        "shiboken2.isValid(clip) and shiboken2.delete(clip)",
        "shiboken2.delete(owner) is None"),
    # A call on a layer keeps its project until it returns: the edit's
    # command lives in the project's history, which a project freed at the
    # end of the edit's own step would take with it.
    "edits of a layer whose project goes meanwhile": (
        "project, layers = square_project(); layer = layers[0]; del layers",
        "layer.add_xspline_contour(0.0, [p.XControlPointData(x=1.0, y=2.0), p.XControlPointData(x=5.0, y=2.0), "
        "p.XControlPointData(x=3.0, y=6.0)])",
        "shiboken2.isValid(project) and shiboken2.delete(project)"),
    # A colour object taken by another clip is followed by both; each clip is
    # held while it writes the settings, the one that goes meanwhile left out.
    "a colour object that two clips follow, both deleted meanwhile": (
        "project, layers = square_project(); first = project.clips['sq']; colour = first.color_parameters; "
        "second = p.Clip(FOOTAGE, 'second'); second.color_parameters = colour",
        "colour.gamma = 2.0; colour.offset = 0.5",
        "shiboken2.isValid(first) and shiboken2.delete(first); "
        "shiboken2.isValid(second) and shiboken2.delete(second)",
        "not shiboken2.isValid(colour)"),
    # The project that an export of Python's is handed wraps the clips of
    # the core's, which other threads add to meanwhile.
    "exports through a registered exporter while threads add clips": (
        "project, layers = square_project(); name = 'Clips %d' % round; exporter = TrackExporter(name, '.txt'); "
        "exporter.register(); entry = e.AbstractTrackingDataExporter.registered_exporters()[name]",
        "entry.do_export(project, layers[0], os.path.join(FOLDER, 'clips.txt'), 0.0, p.View(0), {})",
        "[project.add_clip(p.Clip(FOOTAGE, 'c%d' % n), 'c%d' % n) for n in range(3)]; exporter.unregister()"),
    "threads that all delete one object": (
        "owner = QtCore.QObject(); project, layers = square_project(owner)",
        "shiboken2.isValid(project) and shiboken2.delete(project); "
        "shiboken2.isValid(owner) and shiboken2.delete(owner)",
        "shiboken2.isValid(project) and shiboken2.delete(project)"),
}


@pytest.mark.parametrize("case", SHARED_RACES)
def test_threads_share_objects_that_go_meanwhile(case):
    made, work, meanwhile, after = (SHARED_RACES[case] + ("True",))[:4]
    cases, ran = run_cases("""
import random, time

class TrackExporter(e.AbstractTrackingDataExporter):
    def do_export(self, *args):
        return {}
    def error_string(self):
        return ""

MADE, WORK, MEANWHILE, AFTER = %r, %r, %r, %r
calls, failures = [0], set()
for round in range(60):
    exec(MADE)
    stop = []
    def work():
        while not stop:
            try:
                exec(WORK)
                calls[0] += 1
            except RuntimeError:
                pass
            except Exception as error:
                failures.add(type(error).__name__ + ": " + str(error))
    workers = [threading.Thread(target=work) for _ in range(3)]
    for worker in workers:
        worker.start()
    for _ in range(3):
        time.sleep(random.random() * 0.002)
        try:
            exec(MEANWHILE)
        except RuntimeError:  # gone already
            pass
        except Exception as error:
            failures.add("meanwhile: " + type(error).__name__ + ": " + str(error))
    stop.append(True)
    for worker in workers:
        worker.join()
    if not eval(AFTER):
        failures.add("afterwards: not " + AFTER)
report("failures", sorted(failures))
report("calls", calls[0])
""" % (made, work, meanwhile, after))
    assert case_of(cases, ran, "failures") == []
    assert case_of(cases, ran, "calls") > 0


# Qt's setParent runs with the interpreter lock released, and the runtime records
# the new Qt parent once it has returned: what another thread deletes meanwhile,
# the child or the new parent (and the child with it), goes once the call has
# ended, and a parent never keeps a record of a child that went.
@pytest.mark.parametrize("child", [
    "project.clips['sq']",  # made by the core
    "project",  # made in Python
    "QtCore.QObject()",  # PySide2's own
])
@pytest.mark.parametrize("victim", ["child", "parent"])
def test_a_qt_parent_given_while_another_thread_deletes_the_child_or_the_parent(child, victim):
    cases, ran = run_cases("""
application = QtCore.QCoreApplication([])  # Qt delivers events only with one
entered, gate = threading.Event(), threading.Event()

class Adopting(QtCore.QObject):
    # Hears of its new child while Qt's call runs: the other thread deletes then.
    def childEvent(self, event):
        if threading.current_thread() is not threading.main_thread() and not entered.is_set():
            entered.set()
            gate.wait(10)

parent = Adopting()
project, layers = square_project()
child = %s
adopted = []
worker = threading.Thread(target=lambda: adopted.append(outcome(lambda: child.setParent(parent))))
worker.start()
report("entered", entered.wait(10))
report("deletion", outcome(lambda: shiboken2.delete(%s)))
gate.set()
worker.join()
report("adopted", adopted)
report("child valid", shiboken2.isValid(child))
report("parent valid", shiboken2.isValid(parent))
report("then the parent goes", outcome(lambda: shiboken2.isValid(parent) and shiboken2.delete(parent)))
del child, project, layers
gc.collect()
report("end", True)
""" % (child, victim))
    assert case_of(cases, ran, "entered") is True
    assert case_of(cases, ran, "deletion") == "done"
    assert case_of(cases, ran, "adopted") == ["done"]
    assert case_of(cases, ran, "child valid") is False  # it went, or went with its parent
    assert case_of(cases, ran, "parent valid") is (victim != "parent")
    assert case_of(cases, ran, "then the parent goes") == "done"
    assert case_of(cases, ran, "end") is True


# --- Python extensions the core calls: what they do to themselves during the call ----------

# Each misdeed strikes once, from inside the callback.
MISDEEDS = {
    "drops its last reference": "extensions.clear()",
    "deletes itself": "shiboken2.delete(self)",
}

TOY_FORMAT = """
import struct, weakref
MAGIC = b"TOY1"

def write_toy(path, width, height, value):
    with open(path, "wb") as f:
        f.write(MAGIC + struct.pack("<II", width, height) + bytes([value]) * (width * height * 3))

def toy_header(path):
    with open(path, "rb") as f:
        head = f.read(12)
    return struct.unpack("<II", head[4:]) if len(head) == 12 and head[:4] == MAGIC else None

def toy_sequence(extension, count=3):
    # shot.0001<extension>...: 4 x 3 frames of the value 9; the first file.
    folder = tempfile.mkdtemp(dir=FOLDER)
    for frame in range(1, count + 1):
        write_toy(os.path.join(folder, "shot.%04d%s" % (frame, extension)), 4, 3, 9)
    return os.path.join(folder, "shot.0001" + extension)

class Toy(m.AbstractImageIOModule):
    # Reads the toy format (every value read is 7) and writes it; `strike`
    # runs at the start of each method.
    def __init__(self, extension):
        super().__init__("Toy", [extension], [p.PixelFormat.RGBColorFormat], [p.ChannelType.UCharType])
        self.extension = extension
    def strike(self, method, *args):
        pass
    def accepts_ext(self, extension):
        return extension == self.extension
    def accepts_file(self, path):
        self.strike("accepts_file")
        return toy_header(path) is not None
    def image_size(self, path):
        self.strike("image_size")
        return QtCore.QSize(*toy_header(path))
    def pixel_format(self, path):
        self.strike("pixel_format")
        return p.PixelFormat.RGBColorFormat
    def channel_type(self, path):
        self.strike("channel_type")
        return p.ChannelType.UCharType
    def get_stream_names(self, path):
        self.strike("get_stream_names")
        return []
    def get_metadata(self, path, frame, stream):
        self.strike("get_metadata")
        return {}
    def get_gamma(self, path):
        return None
    def get_interlace_mode(self, path):
        return None
    def supports_image(self, path, format, channel):
        return True
    def load_image(self, image, path, frame, stream):
        self.strike("load_image", path)
        pixels = memoryview(image.pixels()).cast("B")
        for index in range(len(pixels)):
            pixels[index] = 7
    def save_image(self, image, path):
        self.strike("save_image", path)
        write_toy(path, image.width, image.height, 7)
"""

# Deletions that Qt runs itself: the main thread's event loop carries out a
# deleteLater while a worker thread is inside a call on the object, or on
# what the object owns. The toy reader and writer that the clip's frames go
# through hand the main thread the deletion, and wait until its event loop
# has run it. (What is deleted, what the worker calls.)
QT_DELETIONS = {
    "the clip, under a frame read": ("clip", "clip.image(1)"),
    "the clip's project, under a frame read": ("project", "clip.image(1)"),
    "the project's Qt parent, under a frame read": ("owner", "clip.image(1)"),
    "the clip's watcher, under a frame read": ("clip.progress_watcher", "clip.image(1)"),
    "the clip, under an export": ("clip", "clip.export(None, tempfile.mkdtemp(dir=FOLDER), '.toyq', 'x', '', 1, 2)"),
    "the project, under an export of its clip": (
        "project", "clip.export(None, tempfile.mkdtemp(dir=FOLDER), '.toyq', 'x', '', 1, 2)"),
}


@pytest.mark.parametrize("victim, call", QT_DELETIONS.values(), ids=QT_DELETIONS)
def test_a_deletion_that_qt_runs_waits_for_the_call_that_uses_the_object(victim, call):
    cases, ran = run_cases(TOY_FORMAT + """
APP = QtCore.QCoreApplication.instance() or QtCore.QCoreApplication([])
asked, ran_it = threading.Event(), threading.Event()

class Handing(Toy):
    # Once, in the middle of the call, the main thread's event loop runs the deletion.
    def strike(self, method, *args):
        if method in ("load_image", "save_image") and not asked.is_set():
            asked.set()
            ran_it.wait()

module = Handing(".toyq")
owner = QtCore.QObject()
clip = p.Clip(toy_sequence(".toyq"), "s")
project = p.Project(clip, parent=owner)
clip = project.clips["s"]
victim = %s
result = []
worker = threading.Thread(target=lambda: result.append(outcome(lambda: %s)))
worker.start()
asked.wait()
victim.deleteLater()
APP.sendPostedEvents(None, QtCore.QEvent.DeferredDelete)
report("deleted meanwhile", [not shiboken2.isValid(victim), not shiboken2.isValid(clip)])
ran_it.set()
loop = QtCore.QEventLoop()
timer = QtCore.QTimer()
timer.timeout.connect(lambda: worker.is_alive() or loop.quit())
timer.start(1)
loop.exec_()
report("call", result[0])
report("deleted after", not shiboken2.isValid(victim))
""" % (victim, call))
    # The clip that the call uses goes once the call has returned; what it
    # does not use goes at once.
    victim_gone, clip_gone = case_of(cases, ran, "deleted meanwhile")
    assert (victim_gone, clip_gone) == (victim != "clip", False)
    assert case_of(cases, ran, "call") == "done"
    assert case_of(cases, ran, "deleted after") is True


@pytest.mark.parametrize("deletion", ["project.deleteLater()", "owner.deleteLater()"],
                         ids=["the project", "its Qt parent"])
def test_the_event_loop_deletes_a_project_once_its_save_ends(deletion):
    # Freed memory is filled with a pattern: a save that went on under the
    # deletion would not pass unnoticed.
    cases, ran = run_cases("""
import random, time
APP = QtCore.QCoreApplication.instance() or QtCore.QCoreApplication([])
results = set()
for round in range(8):
    owner = QtCore.QObject()
    project, layers = square_project(owner)
    saving = threading.Event()
    def save():
        while shiboken2.isValid(project):
            saving.set()
            results.add(outcome(lambda: project.save_as(os.path.join(FOLDER, "saved.plx"))).split(" (")[0])
    worker = threading.Thread(target=save)
    worker.start()
    saving.wait()
    time.sleep(random.random() * 0.005)
    %s
    loop = QtCore.QEventLoop()
    timer = QtCore.QTimer()
    timer.timeout.connect(lambda: worker.is_alive() or loop.quit())
    timer.start(1)
    loop.exec_()
    worker.join()
report("results", sorted(results))
""" % deletion, env={"MALLOC_PERTURB_": "165"})
    # A save begun once the deletion was done meets a deleted object.
    assert set(case_of(cases, ran, "results")) <= {"done", "RuntimeError: Internal C++ object"}


IMAGE_IO = TOY_FORMAT + """
extensions = []

class Misbehaving(Toy):
    # Misbehaves once, in the method `trap`.
    def __init__(self, extension, trap, misdeed):
        super().__init__(extension)
        self.trap, self.misdeed = trap, misdeed
    def strike(self, method, *args):
        if method == self.trap and self.misdeed:
            misdeed, self.misdeed = self.misdeed, None
            exec(misdeed)

for number, trap in enumerate(TRAPS):
    for index, misdeed in enumerate(MISDEEDS):
        extension = ".toy" + "abcdefghijklmnopqrstuvwxyz"[number] + "abcdefghijklmnopqrstuvwxyz"[index]
        first_file = toy_sequence(extension)
        extensions.append(Misbehaving(extension, trap, MISDEEDS[misdeed]))
        module = weakref.ref(extensions[0])
        read = []
        def open_and_read():
            clip = p.Clip(first_file, "s")
            read.append(list(clip.frame_size))
            project = p.Project(clip)
            image = project.clips["s"].image(0)
            read.append(image is not None and bytes(memoryview(image.pixels()).cast("B"))[0])
        result = outcome(open_and_read)
        gc.collect()
        report(trap + " / " + misdeed, [result, read, module() is None or not shiboken2.isValid(module())])
        extensions.clear()
        gc.collect()
"""

IMAGE_IO_TRAPS = ["accepts_file", "image_size", "pixel_format", "channel_type", "get_stream_names", "get_metadata",
                  "load_image"]


@pytest.fixture(scope="module")
def image_io_cases():
    code = "TRAPS = %r\nMISDEEDS = %r\n" % (IMAGE_IO_TRAPS, MISDEEDS) + IMAGE_IO
    return run_cases(code)


# A module that drops its last reference answers to the end of the call it is
# in (opening the clip asks for the size, the pixel format, the channel type and
# the stream names in one call) and is gone from the next; one that deletes
# itself answers nothing once it has asked to go. What opening the clip and
# reading its first frame gives: the frame size (1 x 1 when the module gave
# none), the first value read (False: no image, no module), or the error.
ANSWERS_TO_THE_END = ([4, 3], False)
IMAGE_IO_OUTCOMES = {
    ("accepts_file", "drops its last reference"): ([1, 1], False),
    ("accepts_file", "deletes itself"): ([1, 1], False),
    ("image_size", "drops its last reference"): ANSWERS_TO_THE_END,
    ("image_size", "deletes itself"): ANSWERS_TO_THE_END,
    ("pixel_format", "drops its last reference"): ANSWERS_TO_THE_END,
    ("pixel_format", "deletes itself"): ([1, 1], False),
    ("channel_type", "drops its last reference"): ANSWERS_TO_THE_END,
    ("channel_type", "deletes itself"): ([1, 1], False),
    ("get_stream_names", "drops its last reference"): ANSWERS_TO_THE_END,
    ("get_stream_names", "deletes itself"): ([1, 1], False),
    ("get_metadata", "drops its last reference"): ([4, 3], 7),
    ("get_metadata", "deletes itself"): ([4, 3], "OSError: Cannot read"),
    ("load_image", "drops its last reference"): ([4, 3], 7),
    ("load_image", "deletes itself"): ([4, 3], 7),
}


@pytest.mark.xdist_group("image_io_cases")
@pytest.mark.parametrize("trap, misdeed", IMAGE_IO_OUTCOMES)
def test_an_image_io_module_lives_through_the_call_that_ends_it(image_io_cases, trap, misdeed):
    cases, ran = image_io_cases
    result, read, module_gone = case_of(cases, ran, trap + " / " + misdeed)
    size, first_value = IMAGE_IO_OUTCOMES[trap, misdeed]
    if isinstance(first_value, str):
        assert result.startswith(first_value) and read == [size]
    else:
        assert result == "done" and read == [size, first_value]
    assert module_gone


EXPORTERS = """
import weakref
BASES = {"shape": e.AbstractShapeDataExporter, "tracking": e.AbstractTrackingDataExporter,
         "camera": e.AbstractCameraSolveExporter}

def export_through(family, entry, project, layers, path):
    # The built-in entry of a registered exporter runs the core's export,
    # which calls the exporter back.
    a, b = layers
    if family == "shape":
        files = entry.do_export(project, [a, b], path, [p.View(0)])
    elif family == "tracking":
        files = entry.do_export(project, a, path, 2.0, p.View(0), {})
    else:
        files = entry.do_export(project, [b, a], path, 3.0, [p.View(0)])
    return [sorted(files), entry.error_string()]

extensions = []
project, layers = square_project()
for family, base in BASES.items():
    for misdeed, act in MISDEEDS.items():
        name = "%s %s" % (family, misdeed)
        def do_export(self, *args):
            exec(act)
            return {"out.txt": QtCore.QByteArray(b"data")}
        exporter_type = type("Misbehaving", (base,), {"do_export": do_export, "error_string": lambda self: ""})
        extensions.append(exporter_type(name, ".mis"))
        extensions[0].register()
        exporter = weakref.ref(extensions[0])
        entry = base.registered_exporters()[name]
        exported = []
        result = outcome(lambda: exported.append(export_through(family, entry, project, layers,
                                                                os.path.join(FOLDER, "out"))))
        extensions.clear()
        gc.collect()
        report(family + " / " + misdeed, [result, exported, exporter() is None])
"""

FAMILIES = ("shape", "tracking", "camera")


@pytest.fixture(scope="module")
def exporter_cases():
    return run_cases("MISDEEDS = %r\n" % MISDEEDS + EXPORTERS)


@pytest.mark.xdist_group("exporter_cases")
@pytest.mark.parametrize("misdeed", MISDEEDS)
@pytest.mark.parametrize("family", FAMILIES)
def test_an_exporter_lives_through_the_export_that_ends_it(exporter_cases, family, misdeed):
    cases, ran = exporter_cases
    result, exported, exporter_gone = case_of(cases, ran, family + " / " + misdeed)
    assert result == "done"
    files, error = exported[0]
    if misdeed == "deletes itself":
        # Its files, and why it could not be asked for its error.
        if family == "shape":
            assert files == ["<error>", "out.txt"] and error == ""
        else:
            assert files == ["out.txt"] and error == "The exporter has been deleted"
    else:
        assert files == ["out.txt"] and error == ""
    assert exporter_gone


TOOL_TYPE = """
import embed_host as host
import plinx.tools as t

class Tool(t.AbstractTool):
    # Runs the code PRESS when the mouse is pressed.
    def __init__(self, project, *args):
        super().__init__(*args)
    def on_mouse_press(self, event):
        exec(PRESS)
    def on_mouse_move(self, event): pass
    def on_mouse_release(self, event): pass
    def on_activate(self): pass
    def on_deactivate(self): pass

t.register_custom_tool_type(Tool)
host.open_project(PROJECT)
"""

TOOLS = TOOL_TYPE + """
for name, misdeed in MISDEEDS.items():
    PRESS = misdeed
    host.request_tool()
    extensions = [t.tool_instance(Tool)]
    result = outcome(lambda: host.mouse_press((1.0, 2.0), (1.0, 2.0)))
    extensions.clear()
    gc.collect()
    report(name, [result, t.tool_instance(Tool) is None])
"""

TOOL_MISDEEDS = dict(MISDEEDS, **{"has the application destroy it": "host.destroy_tool()"})


@pytest.fixture
def saved_project(tmp_path):
    """The square project in a file, for the host to open."""
    path = tmp_path / "square.plinx"
    ran = run_python(PRELUDE + "square_project()[0].save_as(%r)\n" % str(path))
    assert ran.returncode == 0, ran.stderr
    return path


def test_a_tool_whose_construction_closes_the_application_project_is_made_on_it(tmp_path, saved_project):
    # The request holds the project: it is freed, with the tool, once the request ends.
    cases, ran = run_cases("PROJECT = %r\n" % str(saved_project) + TOOL_TYPE.replace(
        "super().__init__(*args)", "host.close_project(); super().__init__(*args)") + """
report("made", outcome(host.request_tool))
report("tool", t.tool_instance(Tool) is None)
""", host="embed", tmp_path=tmp_path)
    assert case_of(cases, ran, "made") == "done", ran.stderr
    assert case_of(cases, ran, "tool")
    assert "Error" not in ran.stderr, ran.stderr


def test_a_tool_lives_through_the_call_that_ends_it(tmp_path, saved_project):
    cases, ran = run_cases("MISDEEDS = %r\nPROJECT = %r\n" % (TOOL_MISDEEDS, str(saved_project)) + TOOLS,
                           host="embed", tmp_path=tmp_path)
    for misdeed in TOOL_MISDEEDS:
        result, tool_gone = case_of(cases, ran, misdeed)
        assert result == "done"
        # Kept by the core (whose tool it still is) unless it asked to go.
        assert tool_gone == (misdeed != "drops its last reference"), misdeed


# --- Other threads: the last reference, and registry entries ---------------------------------

def test_an_exporter_whose_last_reference_another_thread_drops_finishes_the_export():
    cases, ran = run_cases("""
class Exporter(e.AbstractTrackingDataExporter):
    def do_export(self, *args):
        return {"a.txt": QtCore.QByteArray(b"x")}
    def error_string(self):
        return ""

project, layers = square_project()
answers, stop = set(), []
for round in range(150):
    exporter = Exporter("Dropped", ".drop")
    exporter.register()
    entry = e.AbstractTrackingDataExporter.registered_exporters()["Dropped"]
    exporting = threading.Event()
    def export():
        while not stop:
            try:
                answers.add(json.dumps(sorted(entry.do_export(project, layers[0], FOLDER, 0.0, p.View(0), {}))
                                       + [entry.error_string()]))
            except Exception as error:
                answers.add(type(error).__name__ + ": " + str(error))
            exporting.set()
    stop.clear()
    worker = threading.Thread(target=export)
    worker.start()
    exporting.wait()
    del exporter  # the last reference, while the worker exports through it
    stop.append(True)
    worker.join()
report("answers", sorted(answers))
""")
    answers = case_of(cases, ran, "answers")
    # Each export ran through the exporter, or found it gone before it began.
    assert set(answers) <= {'["a.txt", ""]', '["The exporter has been deleted"]',
                            "AssertionError: The exporter has been deleted"}
    assert '["a.txt", ""]' in answers
    assert "pure virtual" not in ran.stderr and "NotImplementedError" not in ran.stderr


def test_a_registry_entry_outlives_the_exports_running_through_it_while_another_thread_drops_it():
    cases, ran = run_cases("""
base = e.AbstractTrackingDataExporter

class Exporter(base):
    def do_export(self, *args):
        return {"a.txt": QtCore.QByteArray(b"x")}
    def error_string(self):
        return ""

project, layers = square_project()
stop, failures, exports = [], set(), []
def export():
    while not stop:
        try:
            entry = base.registered_exporters()["Plain Text Track"]
            entry.do_export(project, layers[0], os.path.join(FOLDER, "track.txt"), 0.0, p.View(0), {})
            exports.append(entry.error_string())
        except RuntimeError as error:  # the runtime's own text: the entry was dropped before the call
            failures.add("RuntimeError" if "already deleted" in str(error) else str(error))
        except Exception as error:
            failures.add(type(error).__name__ + ": " + str(error))
workers = [threading.Thread(target=export) for _ in range(3)]
for worker in workers:
    worker.start()
for round in range(1000):
    # Served by another exporter and back: each time the registry drops its
    # entry of the built-in, which the workers may be exporting through.
    exporter = Exporter("Plain Text Track", ".ptt")
    exporter.register()
    base.registered_exporters()
    exporter.unregister()
    base.registered_exporters()
    del exporter
stop.append(True)
for worker in workers:
    worker.join()
report("failures", sorted(failures))
report("exported", len(exports) > 0)
""")
    # An entry dropped before a worker called it is invalid, and one of the
    # other exporter refuses once that has gone; one dropped while a worker
    # exported through it lived on to the end of the export.
    assert set(case_of(cases, ran, "failures")) <= {"RuntimeError",
                                                    "AssertionError: The exporter has been deleted"}
    assert case_of(cases, ran, "exported")


# Objects that another thread deletes (shiboken2.delete) while calls on them run
# without the interpreter lock: a handle's Python object owns its copy, and
# the core's own objects are invalid before they are freed.
# The victim, and the call made while it lives (on it, or on what it owns).
DELETED_UNDER_CALLS = {
    "a contour handle": ("copy.copy(contour)", "victim.get_bounding_rect(0.0)"),
    "a parameter set": ("layers[0].parameter_set()", "victim.parameters"),
    "a clip the project made": ("clip_made_by(project, 'c%d' % round)", "victim.parameter_set()"),
    "the clip whose colour parameters are read": ("clip_made_by(project, 'k%d' % round)",
                                                  "colour.gamma"),
}


@pytest.mark.parametrize("victim, use", DELETED_UNDER_CALLS.values(), ids=DELETED_UNDER_CALLS)
def test_an_object_another_thread_deletes_lives_until_the_calls_on_it_return(victim, use):
    cases, ran = run_cases("""
import copy
project, layers = square_project()
contour = layers[0].contours[0]
def clip_made_by(project, name):
    project.add_clip(p.Clip(FOOTAGE, name), name)
    return project.clips[name]
sys.setswitchinterval(1e-6)
for round in range(300):
    victim = %s
    colour = victim.color_parameters if isinstance(victim, p.Clip) else None
    calling = threading.Event()
    def call():
        while shiboken2.isValid(victim):
            try:
                %s
            except RuntimeError:
                pass  # deleted between the check and the call
            calling.set()
    workers = [threading.Thread(target=call) for _ in range(3)]
    for worker in workers:
        worker.start()
    calling.wait()
    shiboken2.delete(victim)
    for worker in workers:
        worker.join()
report("rounds", round + 1)
""" % (victim, use))
    assert case_of(cases, ran, "rounds") == 300


# --- Nothing waits forever ----------------------------------------------------------------

WAITS_PRELUDE = TOY_FORMAT + """
def from_another_thread(call):
    # What a callback that hands work to a thread and joins it does.
    answer = []
    worker = threading.Thread(target=lambda: answer.append(call()))
    worker.start()
    worker.join()
    return answer

project, layers = square_project()
answers = []
def wait_for_a_thread(*args):
    if not answers:
        answers.append(from_another_thread(lambda: project.length))
"""

# Python run from inside the core waits for a thread that calls the API.
WAITS = {
    "a progress slot of track_layers": """
project.progress_watcher.progress_status.connect(wait_for_a_thread)
project.track_layers(0, 7, layers)
""",
    "a progress slot of render": """
operation = p.RenderStabilizeOperation()
operation.progress_watcher.progress_status.connect(wait_for_a_thread)
project.render(operation, 0, 7, layers)
""",
    "a progress slot of clip.export": """
clip = project.clips["sq"]
clip.progress_watcher.progress_status.connect(wait_for_a_thread)
clip.export(None, tempfile.mkdtemp(dir=FOLDER), ".png", "x", "", 0, 7)
""",
    # The operation deleted meanwhile goes when the render ends, inside the core.
    "a destroyed slot of an operation deleted during its render": """
operation = p.RenderStabilizeOperation()
operation.progress_watcher.destroyed.connect(wait_for_a_thread)
operation.progress_watcher.started.connect(lambda: shiboken2.delete(operation))
project.render(operation, 0, 7, layers)
""",
    "a slot of the clip's colour settings": """
colour = project.clips["sq"].color_parameters
colour.propertyChanged.connect(wait_for_a_thread)
colour.gamma = 2.2
""",
    "an exporter's do_export": """
class Exporter(e.AbstractTrackingDataExporter):
    def do_export(self, *args):
        wait_for_a_thread()
        return {}
    def error_string(self):
        return ""
exporter = Exporter("Waiting", ".wait")
exporter.register()
e.AbstractTrackingDataExporter.registered_exporters()["Waiting"].do_export(project, layers[0], FOLDER, 0.0,
                                                                          p.View(0), {})
""",
    "an image reader's load_image": """
class Reader(Toy):
    def strike(self, method, *args):
        if method == "load_image":
            wait_for_a_thread()
reader = Reader(".toywait")
toy_project = p.Project(p.Clip(toy_sequence(".toywait"), "s"))
toy_project.clips["s"].image(0)
""",
    "an image writer's save_image": """
class Writer(Toy):
    def strike(self, method, *args):
        if method == "save_image":
            wait_for_a_thread()
writer = Writer(".toysave")
project.clips["sq"].export(None, tempfile.mkdtemp(dir=FOLDER), ".toysave", "x", "", 0, 1)
""",
}


@pytest.mark.parametrize("callback", WAITS)
def test_python_run_by_the_core_may_wait_for_a_thread_that_calls_the_api(callback):
    cases, ran = run_cases(WAITS_PRELUDE + WAITS[callback] + "\nreport('answers', answers)\n", timeout=60)
    assert case_of(cases, ran, "answers") == [[8]]


READS = TOY_FORMAT + """
class Reader(Toy):
    # Reads frame FRAME of its own clip while it reads frame 0.
    def strike(self, method, *args):
        if method == "load_image" and args[0].endswith("0001.toyread") and not inner:
            inner.append(outcome(lambda: clip.image(FRAME)))
inner = []
reader = Reader(".toyread")
project = p.Project(p.Clip(toy_sequence(".toyread"), "s"))
clip = project.clips["s"]
report("outer", outcome(lambda: clip.image(0)))
report("inner", inner)
report("again", outcome(lambda: bytes(memoryview(clip.image(0).pixels()).cast("B"))[:1] == b"\\x07"))
"""


@pytest.mark.parametrize("frame, inner", [
    (1, "done"),  # another frame of the clip is read meanwhile
    # The very frame: refused, since that read could never end.
    (0, "RuntimeError: Frame 0 of clip 1 is asked for while it is read"),
])
def test_a_reader_may_read_other_frames_of_its_clip(frame, inner):
    cases, ran = run_cases("FRAME = %d\n" % frame + READS, timeout=60)
    assert case_of(cases, ran, "inner") == [inner]
    assert case_of(cases, ran, "outer") == "done"
    assert case_of(cases, ran, "again") == "done"  # the frame read is kept


EMBEDDED_WAITS = {
    # The export asks the application for its progress watcher: the
    # application thread is blocked in join().
    "a worker runs the process's first export while the application thread joins it": """
worker = threading.Thread(target=lambda: answers.append(
    outcome(lambda: project.clips["sq"].export(None, tempfile.mkdtemp(dir=FOLDER), ".png", "x", "", 0, 2))))
worker.start()
worker.join()
answers[:] = [[8]] if answers == ["done"] else answers
""",
    "a tool method": TOOL_TYPE + """
PRESS = "wait_for_a_thread()"
host.request_tool()
host.mouse_press((1.0, 2.0), (1.0, 2.0))
""",
    "an overlay renderer": """
import embed_host as host
import plinx.tools as t
t.set_overlay_renderer(lambda canvas, a, b: wait_for_a_thread())
host.draw_overlay(1.0, 2.0)
""",
}


@pytest.mark.parametrize("callback", EMBEDDED_WAITS)
def test_embedded_nothing_waits_for_a_blocked_application_thread(tmp_path, saved_project, callback):
    code = "PROJECT = %r\n" % str(saved_project) + WAITS_PRELUDE + EMBEDDED_WAITS[callback]
    cases, ran = run_cases(code + "\nreport('answers', answers)\n", host="embed", tmp_path=tmp_path, timeout=60)
    assert case_of(cases, ran, "answers") == [[8]]


FIRST_WRONG_ARGUMENTS = """
import sys, threading
import plinx._init
import plinx.project as p

sys.setswitchinterval(1e-6)  # threads switch inside whatever runs Python
start = threading.Barrier(16)
refused = []

def wrong():
    start.wait()
    try:
        p.View(object())
    except TypeError:
        refused.append(True)

threads = [threading.Thread(target=wrong) for _ in range(16)]
for thread in threads:
    thread.start()
for thread in threads:
    thread.join()
print(len(refused))
"""


@pytest.mark.parametrize("process", range(4))
def test_threads_raising_the_first_wrong_arguments_error_at_once_all_raise_it(process):
    try:
        ran = run_python(FIRST_WRONG_ARGUMENTS, timeout=60)
    except subprocess.TimeoutExpired:
        pytest.fail("the threads' first wrong-arguments errors hung")
    assert (ran.returncode, ran.stdout.split()) == (0, ["16"]), ran.stderr
