"""Lifetimes across the boundary: objects dying on any thread while others make
Python objects, Qt parents at interpreter exit, what the core lends to Python,
and Python called back by the core that tries to end the process. Each case
runs in a process of its own: a regression kills that process, not the suite."""
import json

import pytest

from conftest import run_embedded, run_python, write_frames


@pytest.fixture(scope="module")
def first_png(tmp_path_factory):
    return write_frames(tmp_path_factory.mktemp("lifetimes") / "footage", count=2)


@pytest.fixture(scope="module")
def project_file(first_png, tmp_path_factory):
    """A saved project for the embedding host to open."""
    import plinx._init  # noqa: F401 (starts the core)
    import plinx.project as p
    path = tmp_path_factory.mktemp("lifetimes") / "opened.plinx"
    p.Project(p.Clip(first_png, "shot")).save_as(str(path))
    return path


def outcome(script, *args, **keywords):
    """The value a script printed on its last line as JSON (after a clean exit)."""
    ran = run_python(script, *args, **keywords)
    assert ran.returncode == 0, ran.stdout + ran.stderr
    return json.loads(ran.stdout.splitlines()[-1])


# --- The runtime's tables are touched under the interpreter lock ---------------------------

CHURN = """
import gc, json, shiboken2, threading
import plinx._init
import plinx.project as p

FIRST = %(first)r
stop = threading.Event()
failures = []

def make_wrappers(project):
    # Python objects of the project's clips and watchers, over and over.
    while not stop.is_set():
        try:
            for clip in project.clips.values():
                clip.progress_watcher
        except Exception as error:
            failures.append(repr(error))

def doomed_project():
    project = p.Project(p.Clip(FIRST, "d"))
    for index in range(8):
        project.add_clip(p.Clip(FIRST, "x%%d" %% index), "x%%d" %% index)
    list(project.clips.values())
    return project

def die(project, owner):
    # One way for a project and everything it owns to die.
    if %(way)r == "shiboken2.delete":
        shiboken2.delete(project)
    elif %(way)r == "Qt parent":
        shiboken2.delete(owner)
    del project

kept = p.Project(p.Clip(FIRST, "k"))
for index in range(5):
    kept.add_clip(p.Clip(FIRST, "c%%d" %% index), "c%%d" %% index)
for _ in range(20):
    stop.clear()
    workers = [threading.Thread(target=make_wrappers, args=(kept,)) for _ in range(3)]
    for worker in workers:
        worker.start()
    for _ in range(5):
        # (A QtCore.QObject as parent is no test of this package: PySide2's
        # own wrapper destructor reads the table without the lock.)
        owner = p.Project(p.Clip(FIRST, "o"))
        project = doomed_project()
        if %(way)r == "Qt parent":
            project.setParent(owner)
        if %(on_worker)r:
            dying = threading.Thread(target=die, args=(project, owner))
            del project
            dying.start()
            dying.join()
        else:
            die(project, owner)
            del project
    stop.set()
    for worker in workers:
        worker.join()
print(json.dumps(failures))
"""


@pytest.mark.parametrize("on_worker", [False, True], ids=["dies on the main thread", "dies on a worker"])
@pytest.mark.parametrize("way", ["del", "shiboken2.delete", "Qt parent"])
def test_objects_die_while_other_threads_make_python_objects(first_png, way, on_worker):
    assert outcome(CHURN % {"first": first_png, "way": way, "on_worker": on_worker}, timeout=120) == []


# An owner that goes lets go of its children one by one; the first to die runs
# Python (a slot of its destroyed signal) that deletes the others meanwhile.
CASCADE = """
import gc, json, shiboken2
import plinx._init
import plinx.project as p
from PySide2 import QtCore

FIRST = %(first)r
if %(owner)r == "a project":
    owner = p.Project(p.Clip(FIRST, "a"))
    for name in "bcd":
        owner.add_clip(p.Clip(FIRST, name), name)
    children = list(owner.clips.values())
else:  # a Qt parent of projects
    owner = QtCore.QObject()
    children = [p.Project(p.Clip(FIRST, name)) for name in "abcd"]
    for child in children:
        child.setParent(owner)
taken = []

def take_the_others(*_):
    for child in children:
        if shiboken2.isValid(child):
            taken.append(child)
            shiboken2.delete(child)

for child in children:
    child.destroyed.connect(take_the_others)
shiboken2.delete(owner)
gc.collect()
print(json.dumps([len(taken), [shiboken2.isValid(child) for child in children]]))
"""


@pytest.mark.parametrize("owner", ["a project", "a Qt parent"])
def test_an_owner_that_goes_meets_children_deleted_by_the_first_to_go(first_png, owner):
    taken, valid = outcome(CASCADE % {"first": first_png, "owner": owner})
    assert taken > 0
    assert valid == [False] * 4


# --- The application frees its project once no call uses it ------------------------------------

APPLICATION_CLOSES = """
import json, sys, threading
import embed_host as host
import plinx._init
import plinx.project as p

def refusal(call):
    try:
        call()
        return "done"
    except RuntimeError as error:
        return str(error)

sys.setswitchinterval(1e-6)
seen, after = set(), set()
for attempt in range(30):
    host.open_project(%(file)r)
    project = p.get_current_project()
    layer = project.add_layer(project.clips["shot"], "l", 0)
    start = threading.Barrier(2)

    def use():
        start.wait()
        for n in range(300):
            seen.add(refusal(lambda: setattr(project, "notes", "note %%d" %% n)))
            seen.add(refusal(lambda: project.layers))
            seen.add(refusal(lambda: setattr(layer, "name", "l%%d" %% n)))

    def close():
        start.wait()
        host.close_project(%(holding)s)

    threads = [threading.Thread(target=use), threading.Thread(target=close)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    after.update((refusal(lambda: project.notes), refusal(lambda: setattr(layer, "name", "z"))))
print(json.dumps([sorted(seen), sorted(after)]))
"""


@pytest.mark.parametrize("holding", [False, True], ids=["holding the core", "holding the interpreter lock"])
def test_the_application_closes_its_project_while_another_thread_uses_it(project_file, tmp_path, holding):
    ran = run_embedded(APPLICATION_CLOSES % {"file": str(project_file), "holding": holding}, tmp_path, timeout=120)
    assert ran.returncode == 0, ran.stdout + ran.stderr
    seen, after = json.loads(ran.stdout.splitlines()[-1])
    deleted = "Internal C++ object (plinx.project.Project) already deleted."
    # Each call ran whole on the open project, or was refused as on a closed one.
    assert set(seen) <= {"done", deleted, "Invalid object"}
    assert after == sorted({deleted, "Invalid object"})


# --- Qt parents at interpreter exit ------------------------------------------------------------

# Each kind of QObject the package has, made in Python.
KINDS = {
    "Project": "p.Project(p.Clip(FIRST, 's'))",
    "Clip": "p.Clip(FIRST, 's')",
    "ProgressWatcher": "p.ProgressWatcher()",
    "ColorParameters": "p.ColorParameters()",
    "exporter": "type('Exp', (e.AbstractTrackingDataExporter,), {})(next(NAMES), '.x')",
    "image module": "type('Mod', (m.AbstractImageIOModule,), {})('Mod', [next(NAMES)], [], [])",
    "tool": "type('Tool', (__import__('plinx.tools').tools.AbstractTool,), {})()",  # inside the application only
}
# Kinds that only the application makes.
APPLICATION_ONLY = {"ProgressWatcher", "tool"}

AT_EXIT = """
import itertools
import plinx._init
import plinx.exporters as e
import plinx.mediaio as m
import plinx.project as p
from PySide2 import QtCore

FIRST = %(first)r
NAMES = ("n%%d" %% n for n in itertools.count())

def made():
    return %(kind)s

# The script ends with Python owning each parent and each child; the module's
# names go in the order they were bound, parents first or children first.
qt_parent = QtCore.QObject()
child_of_qt = made()
child_of_qt.setParent(qt_parent)
child_first = made()
qt_parent_after = QtCore.QObject()
child_first.setParent(qt_parent_after)
project_parent = p.Project(p.Clip(FIRST, "parent"))
child_of_project = made()
child_of_project.setParent(project_parent)
child_before_project = made()
project_after = p.Project(p.Clip(FIRST, "after"))
child_before_project.setParent(project_after)
grand_parent = QtCore.QObject()
middle = p.Project(p.Clip(FIRST, "middle"), parent=grand_parent)
grand_child = made()
grand_child.setParent(middle)
print("[]")
"""


@pytest.mark.parametrize("host", ["python", "embedded"])
@pytest.mark.parametrize("kind", KINDS)
def test_python_owned_children_of_python_owned_parents_end_with_the_script(first_png, tmp_path, kind, host):
    if kind in APPLICATION_ONLY and host == "python":
        pytest.skip("made inside the application only")
    script = AT_EXIT % {"first": first_png, "kind": KINDS[kind]}
    ran = run_python(script) if host == "python" else run_embedded(script, tmp_path)
    assert (ran.returncode, ran.stdout.splitlines()[-1:]) == (0, ["[]"]), ran.stdout + ran.stderr


def test_the_reported_project_with_a_qt_parent_ends_with_the_script(first_png):
    assert outcome("""
        import plinx._init
        import plinx.project as p
        from PySide2 import QtCore
        owner = QtCore.QObject()
        project = p.Project(p.Clip(%r, "s"), parent=owner)
        print("[]")
    """ % first_png) == []


# --- What the core lends cannot be destroyed from Python ---------------------------------------

# The ways a script can have a QObject destroyed; each prints what refused it.
WAYS = {
    "shiboken2.delete": "shiboken2.delete(target)",
    "a Qt parent that dies": "owner = QtCore.QObject(); target.setParent(owner); del owner",
    "the base class's setParent": "owner = QtCore.QObject(); QtCore.QObject.setParent(target, owner); del owner",
    "deleteLater": "target.deleteLater(); QtCore.QCoreApplication.sendPostedEvents(None, QtCore.QEvent.DeferredDelete)",
    # Past the guarded Python method: Qt's own meta-call and connection.
    "QMetaObject.invokeMethod": "QtCore.QMetaObject.invokeMethod(target, 'deleteLater'); "
                                "QtCore.QCoreApplication.sendPostedEvents(None, QtCore.QEvent.DeferredDelete)",
    "QTimer.singleShot": "QtCore.QTimer.singleShot(0, target, QtCore.SLOT('deleteLater()')); "
                         "QtCore.QTimer.singleShot(0, target.deleteLater); "
                         "QtCore.QCoreApplication.processEvents(); "
                         "QtCore.QCoreApplication.sendPostedEvents(None, QtCore.QEvent.DeferredDelete)",
    # Posted during a loan, delivered when the script next lets events run.
    "QMetaObject.invokeMethod, delivered later": "QtCore.QMetaObject.invokeMethod(target, 'deleteLater')",
}
# The ways past the wrapped methods are not refused with an error: the
# deletion is ignored.
UNREFUSED = ("QMetaObject.invokeMethod", "QTimer.singleShot", "QMetaObject.invokeMethod, delivered later")

DESTROY = """
APP = QtCore.QCoreApplication.instance() or QtCore.QCoreApplication([])

def destroy(target):
    try:
        %s
    except RuntimeError as error:
        return str(error).split(":")[0]
    finally:
        gc.collect()
    return "not refused"

def deliver_deletions():
    QtCore.QCoreApplication.sendPostedEvents(None, QtCore.QEvent.DeferredDelete)
"""

REGISTRY_ENTRIES = """
import gc, json, shiboken2
import plinx._init
import plinx.exporters as e
from PySide2 import QtCore
%(destroy)s
out = {}
for base, name in [(e.AbstractShapeDataExporter, "Plain Text Shapes"),
                   (e.AbstractTrackingDataExporter, "Plain Text Track"),
                   (e.AbstractCameraSolveExporter, "Plain Text Camera")]:
    refusal = destroy(base.registered_exporters()[name])
    deliver_deletions()
    again = base.registered_exporters()[name]
    out[name] = [refusal, again.error_string(), shiboken2.isValid(again)]
del again
gc.collect()
print(json.dumps(out))
"""


def refusal_by(way, refused):
    return "not refused" if way in UNREFUSED else refused


@pytest.mark.parametrize("way", WAYS)
def test_registry_entries_are_lent(way):
    refused = "The application owns this plinx.exporters.%s"
    assert outcome(REGISTRY_ENTRIES % {"destroy": DESTROY % WAYS[way]}) == {
        "Plain Text Shapes": [refusal_by(way, refused % "ShapeDataExporter"), "", True],
        "Plain Text Track": [refusal_by(way, refused % "TrackingDataExporter"), "", True],
        "Plain Text Camera": [refusal_by(way, refused % "CameraSolveExporter"), "", True],
    }


EXPORTED_PROJECT = """
import gc, json, shiboken2
import plinx._init
import plinx.exporters as e
import plinx.project as p
from PySide2 import QtCore
%(destroy)s
project = p.Project(p.Clip(%(first)r, "shot"))
layer = project.add_layer(project.clips["shot"], "A", 0, 0)
seen = {}

def do_export(self, handed, *args):
    seen[type(self).__name__] = [destroy(handed), shiboken2.isValid(handed)]
    return {"out": QtCore.QByteArray(b"x")}

exports = [(e.AbstractShapeDataExporter, lambda x: x.do_export(project, [layer], "/nowhere", [p.View(0)])),
           (e.AbstractTrackingDataExporter, lambda x: x.do_export(project, layer, "/nowhere", 0.0, p.View(0), {})),
           (e.AbstractCameraSolveExporter, lambda x: x.do_export(project, [layer], "/nowhere", 0.0, [p.View(0)]))]
for index, (base, export) in enumerate(exports):
    made = type(base.__name__[8:], (base,), {"do_export": do_export, "error_string": lambda self: ""})
    exporter = made("Lending %%d" %% index, ".x")
    exporter.register()
    files = export(base.registered_exporters()["Lending %%d" %% index])
    seen[type(exporter).__name__].append(sorted(files))
deliver_deletions()
print(json.dumps([seen, project.clips["shot"].name]))
"""


@pytest.mark.parametrize("way", WAYS)
def test_the_project_handed_to_an_exporter_is_lent(first_png, way):
    seen, clip = outcome(EXPORTED_PROJECT % {"destroy": DESTROY % WAYS[way], "first": first_png})
    # A refused deletion leaves the Python object invalid; the project lives on.
    row = [refusal_by(way, "The application owns this plinx.project.Project"),
           way != "shiboken2.delete", ["out"]]
    assert seen == {"ShapeDataExporter": row, "TrackingDataExporter": row, "CameraSolveExporter": row}
    assert clip == "shot"


CANVAS_WAYS = dict(WAYS, **{
    "a Qt parent that dies": "owner = QtWidgets.QWidget(); target.setParent(owner); del owner",
    "the base class's setParent": "owner = QtWidgets.QWidget(); QtWidgets.QWidget.setParent(target, owner); del owner",
})


@pytest.mark.parametrize("way", CANVAS_WAYS)
def test_the_canvas_handed_to_an_overlay_is_lent(tmp_path, way):
    ran = run_embedded("""
        import gc, json, shiboken2
        import embed_host as host
        import plinx.tools as t
        from PySide2 import QtCore, QtWidgets
        %s
        refusals = []
        t.set_overlay_renderer(lambda widget, a, b: refusals.append(destroy(widget)))
        host.draw_overlay(1.0, 2.0)
        deliver_deletions()
        drawn = host.draw_overlay(3.0, 4.0)
        deliver_deletions()
        print(json.dumps([refusals, drawn.width()]))
    """ % (DESTROY % CANVAS_WAYS[way]).replace("\n", "\n        "), tmp_path)
    assert ran.returncode == 0, ran.stdout + ran.stderr
    refused = refusal_by(way, "The application owns this PySide2.QtWidgets.QOpenGLWidget")
    assert json.loads(ran.stdout.splitlines()[-1]) == [[refused, refused], 64]


def test_what_an_override_is_handed_for_a_call_is_lent():
    assert outcome("""
        import json, shiboken2
        from PySide2 import QtCore
        import bindingprobe as b
        app = QtCore.QCoreApplication([])
        refusals = []

        class Receiver(b.Emitter):
            def event(self, e):
                try:
                    shiboken2.delete(e)
                except RuntimeError as error:
                    refusals.append(str(error))
                return True

        print(json.dumps([Receiver().deliver(1001), refusals]))
    """) == [True, ["The application owns this PySide2.QtCore.QEvent: Python cannot delete it"]]


@pytest.mark.parametrize("way", WAYS)
def test_what_a_result_lends_is_lent_for_its_life(way):
    assert outcome("""
        import gc, json, shiboken2
        from PySide2 import QtCore
        import bindingprobe as b
        app = QtCore.QCoreApplication([])
        %s
        refusal = destroy(b.Probe.kept_part())
        deliver_deletions()
        print(json.dumps([refusal, b.Probe.kept_part_name(), b.Probe.kept_part().objectName()]))
    """ % (DESTROY % WAYS[way]).replace("\n", "\n        ")) == [
        refusal_by(way, "The application owns this bindingprobe.Part"), "kept", "kept"]


def test_objects_python_owns_are_still_destroyed_as_asked():
    assert outcome("""
        import gc, json, shiboken2
        from PySide2 import QtCore
        import bindingprobe as b
        app = QtCore.QCoreApplication([])
        owner = QtCore.QObject()
        emitter = b.Emitter()
        emitter.setParent(owner)
        later = QtCore.QObject()
        later.deleteLater()
        QtCore.QCoreApplication.sendPostedEvents(None, QtCore.QEvent.DeferredDelete)
        shiboken2.delete(owner)
        print(json.dumps([shiboken2.isValid(emitter), shiboken2.isValid(later)]))
    """) == [False, False]



# A value whose argument, as it converts, deletes the value (shiboken2.delete):
# the call that keeps the interpreter lock writes nothing into freed memory.
@pytest.mark.parametrize("statement", ["info.start_frame = deleting", "info.index_width = deleting",
                                       "setattr(info, 'end_frame', deleting)"])
def test_a_value_deleted_by_its_own_argument_is_not_written(statement):
    assert outcome("""
        import json, shiboken2
        import plinx.project as p
        class Deleting:
            def __index__(self):
                shiboken2.delete(info)
                return 5
        info = p.StreamInfo()
        deleting = Deleting()
        try:
            %s
            result = "done"
        except RuntimeError as error:
            result = str(error)
        print(json.dumps([result, shiboken2.isValid(info)]))
    """ % statement) == ["Internal C++ object (plinx.project.StreamInfo) already deleted.", False]


def test_shiboken2_delete_deletes_the_object_whatever_its_application_flag_holds():
    # The runtime leaves a new object's "application" flag as the heap had it;
    # set here on purpose, it must not make shiboken2.delete destroy the
    # application (which in the embedding host lives on the host's stack).
    assert outcome("""
        import ctypes, json, shiboken2
        from PySide2 import QtCore
        import plinx._init
        app = QtCore.QCoreApplication.instance() or QtCore.QCoreApplication([])
        victim = QtCore.QObject()
        private = ctypes.c_void_p.from_address(id(victim) + 32).value
        flags = ctypes.c_ubyte.from_address(private + 8)
        flags.value |= 0x10
        shiboken2.shiboken2.delete(victim)
        refusals = []
        for other in (3, None, QtCore.Qt.AlignLeft, plinx._init):
            try:
                shiboken2.delete(other)
            except TypeError as error:
                refusals.append(str(error))
        print(json.dumps([shiboken2.isValid(victim), shiboken2.isValid(app), len(refusals)]))
    """) == [False, True, 4]


@pytest.mark.parametrize("host", ["python", "embedded"])
def test_qt_children_given_to_what_the_application_keeps_for_the_process_end_with_python(tmp_path, host):
    # The registry's exporters outlive the interpreter; their Python-made
    # children must not be destroyed after it.
    script = """
        from PySide2 import QtCore
        import plinx._init
        import plinx.exporters as e
        entry = e.AbstractTrackingDataExporter.registered_exporters()['Plain Text Track']
        child = QtCore.QObject()
        child.setParent(entry)
        QtCore.QObject(entry).setObjectName('made with its parent')
        grandchild = QtCore.QObject(child)
        # An exporter of Python's, registered, given to another one's entry.
        class Camera(e.AbstractCameraSolveExporter):
            def do_export(self, *args): return {}
            def error_string(self): return ''
        class Tracks(e.AbstractTrackingDataExporter):
            def do_export(self, *args): return {}
            def error_string(self): return ''
        camera, tracks = Camera('Camera child', '.txt'), Tracks('Tracks child', '.txt')
        camera.register()
        tracks.register()
        tracks.setParent(e.AbstractCameraSolveExporter.registered_exporters()['Camera child'])
        print('done')
    """
    ran = run_python(script) if host == "python" else run_embedded(script, tmp_path)
    assert (ran.returncode, ran.stdout.split()[-1:]) == (0, ["done"]), ran.stderr

# --- Python called back by the core never ends the application ----------------------------------

# How a callback tries to end the process, and what it leaves on the error output.
LEAVING = {
    "SystemExit": ("raise SystemExit(3)", "SystemExit: 3"),
    "KeyboardInterrupt": ("raise KeyboardInterrupt()", "KeyboardInterrupt"),
    "an exit through sys.excepthook": ("sys.excepthook = lambda *info: sys.exit(4); raise ValueError('hooked')",
                                       "ValueError: hooked"),
}

EMBEDDED_CALLBACKS = """
import json, sys
import embed_host as host
import plinx.tools as t

def leave():
    %(leave)s

class Leaving(t.AbstractTool):
    def __init__(self, project):
        super().__init__()
        if %(place)r == "tool constructor":
            leave()
    def on_activate(self):
        if %(place)r == "tool method":
            leave()
    def on_mouse_press(self, event): pass
    def on_mouse_move(self, event): pass
    def on_mouse_release(self, event): pass
    def on_deactivate(self): pass

t.register_custom_tool_type(Leaving)
host.request_tool()
if t.tool_instance(Leaving):  # none when its constructor left
    host.activate()
def renderer(widget, a, b):
    if %(place)r == "overlay renderer":
        leave()
t.set_overlay_renderer(renderer)
host.draw_overlay(0.0, 0.0)
sys.excepthook = sys.__excepthook__
print(json.dumps("alive"))
"""


@pytest.mark.parametrize("leave", LEAVING)
@pytest.mark.parametrize("place", ["tool constructor", "tool method", "overlay renderer"])
def test_a_callback_that_leaves_does_not_end_the_application(tmp_path, project_file, place, leave):
    statement, printed = LEAVING[leave]
    ran = run_embedded(EMBEDDED_CALLBACKS % {"place": place, "leave": statement}, tmp_path,
                       env={"PLINX_HOST_PROJECT": str(project_file)})
    assert (ran.returncode, ran.stdout.splitlines()[-1:]) == (0, ['"alive"']), ran.stdout + ran.stderr
    assert printed in ran.stderr


@pytest.mark.parametrize("leave", LEAVING)
def test_an_exporter_that_leaves_fails_its_export_only(first_png, leave):
    statement, printed = LEAVING[leave]
    ran = run_python("""
        import json, sys
        import plinx._init
        import plinx.exporters as e
        import plinx.project as p

        def do_export(self, *args):
            %s

        project = p.Project(p.Clip(%r, "shot"))
        layer = project.add_layer(project.clips["shot"], "A", 0, 0)
        made = type("Leaving", (e.AbstractTrackingDataExporter,), {"do_export": do_export,
                                                                     "error_string": lambda self: ""})
        exporter = made("Leaving", ".x")
        exporter.register()
        entry = e.AbstractTrackingDataExporter.registered_exporters()["Leaving"]
        files = entry.do_export(project, layer, "/nowhere", 0.0, p.View(0), {})
        sys.excepthook = sys.__excepthook__
        print(json.dumps(files))
    """ % (statement, first_png))
    assert (ran.returncode, ran.stdout.splitlines()[-1:]) == (0, ["{}"]), ran.stdout + ran.stderr
    assert printed in ran.stderr
