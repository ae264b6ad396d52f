"""plinx.tools: viewer tools and overlays written in Python, driven inside the
embedding host by its tool manager and its canvas (the module embed_host)."""
import json
import textwrap

import pytest

from conftest import run_embedded, run_python, write_frames

import plinx._init  # noqa: F401 (starts the core for the fixture's project)
import plinx.project as p


@pytest.fixture(scope="module")
def project_file(tmp_path_factory):
    """A project whose layer "outline" has an X-spline contour of two points
    and a Bezier contour of one, and an empty layer "empty"."""
    folder = tmp_path_factory.mktemp("tools")
    project = p.Project(p.Clip(write_frames(folder / "footage")))
    clip = list(project.clips.values())[0]
    outline = project.add_layer(clip, "outline")
    outline.add_xspline_contour(0.0, [p.XControlPointData(x=1.0, y=2.0), p.XControlPointData(x=3.0, y=4.0)])
    outline.add_bezier_contour(0.0, [p.BezierControlPointData(x=5.0, y=6.0)])
    project.add_layer(clip, "empty")
    path = folder / "tools.plinx"
    project.save_as(str(path))
    return path


PRELUDE = """
import gc, json, sys, weakref
import shiboken2
import embed_host as host
import plinx.project as p
import plinx.tools as t
from PySide2 import QtCore, QtGui, QtWidgets

def error_of(call):
    try:
        call()
    except Exception as error:
        return [type(error).__name__, str(error)]
    return None

class Recorder(t.AbstractTool):
    # Notes every call the core makes; keeps the events it gets.
    def __init__(self, project, *args, **keywords):
        super().__init__(*args, **keywords)
        self.project, self.calls, self.events = project, [], []
    def on_mouse_press(self, event):
        self.calls.append("press")
        self.events.append(event)
    def on_mouse_move(self, event):
        self.calls.append("move")
        self.events.append(event)
    def on_mouse_release(self, event):
        self.calls.append("release")
        self.events.append(event)
    def on_activate(self):
        self.calls.append("activate")
    def on_deactivate(self):
        self.calls.append("deactivate")

def recording_tool():
    # A Recorder the host's tool manager made, as the current tool.
    class MyTool(Recorder):
        pass
    t.register_custom_tool_type(MyTool)
    host.request_tool()
    return t.tool_instance(MyTool)

def result(value):
    sys.stdout.flush()
    print("RESULT " + json.dumps(value))
"""


def embedded(code, tmp_path, project_file=None, env=None):
    """Runs the code after PRELUDE in the host; the value it gave result()
    and the host's error output."""
    full_env = dict(env or {})
    if project_file:
        full_env["PLINX_HOST_PROJECT"] = str(project_file)
    ran = run_embedded(PRELUDE + textwrap.dedent(code), tmp_path, env=full_env)
    assert ran.returncode == 0, ran.stdout + ran.stderr
    lines = [line for line in ran.stdout.splitlines() if line.startswith("RESULT ")]
    assert lines, ran.stdout + ran.stderr
    return json.loads(lines[-1][len("RESULT "):]), ran.stderr


# --- Loading ----------------------------------------------------------------------------------

def test_a_plain_interpreter_is_refused_every_time():
    ran = run_python("""
        for attempt in range(2):
            try:
                import plinx.tools
            except OSError as error:
                print(type(error).__name__, error)
    """)
    assert ran.stdout.splitlines() == ["OSError This module is available inside plinx GUI instance only"] * 2


def test_embedded_the_module_has_four_functions_and_two_types(tmp_path):
    value, _ = embedded("""
        names = sorted(n for n in dir(t) if not n.startswith("_"))
        result([names, t.registered_tool_types() == (), hasattr(t.InputEvent, "get_contour"),
                hasattr(t.InputEvent, "get_control_point"), isinstance(t.InputEvent.contour, property)])
    """, tmp_path)
    assert value == [["AbstractTool", "InputEvent", "register_custom_tool_type", "registered_tool_types",
                      "set_overlay_renderer", "tool_instance"], True, False, False, True]


# --- The registry ----------------------------------------------------------------------------

def test_registry_refusals_change_nothing(tmp_path, project_file):
    value, _ = embedded("""
        class MyTool(Recorder): pass
        class NotATool: pass
        t.register_custom_tool_type(MyTool)
        result({
            "again": error_of(lambda: t.register_custom_tool_type(MyTool)),
            "not a tool": error_of(lambda: t.register_custom_tool_type(NotATool)),
            "not a tool, again": error_of(lambda: t.register_custom_tool_type(NotATool)),
            "instance of it": error_of(lambda: t.tool_instance(NotATool)),
            "types": [k.__name__ for k in t.registered_tool_types()],
            "register a number": error_of(lambda: t.register_custom_tool_type(5)),
            "instance of a number": error_of(lambda: t.tool_instance(object())),
            "no argument": error_of(lambda: t.tool_instance()),
            "AbstractTool itself": error_of(lambda: t.register_custom_tool_type(t.AbstractTool)),
        })
    """, tmp_path, project_file)
    assert value["again"] == ["TypeError", "Type has already been registered: MyTool"]
    subtype = ["TypeError", "Custom tool must be a sub-type of plinx.tools.AbstractTool: NotATool"]
    assert value["not a tool"] == value["not a tool, again"] == subtype
    assert value["instance of it"] == ["TypeError", "Given tool type is not registered: NotATool"]
    assert value["types"] == ["MyTool"]
    for key, name in (("register a number", "register_custom_tool_type"), ("instance of a number", "tool_instance")):
        assert value[key][0] == "TypeError" and "plinx.tools." + name in value[key][1]
    assert value["no argument"][0] == "TypeError"
    # AbstractTool is a sub-type of itself; the core could never build one.
    assert value["AbstractTool itself"] is None


def test_the_creator_builds_the_type_over_the_current_project(tmp_path, project_file):
    value, _ = embedded("""
        seen = []
        class MyTool(Recorder):
            def __init__(self, project):
                super().__init__(project)
                seen.append((type(project).__name__, project.project_file, shiboken2.ownedByPython(project)))
        t.register_custom_tool_type(MyTool)
        before = t.tool_instance(MyTool)
        made = host.request_tool()
        first = t.tool_instance(MyTool)
        same = first is t.tool_instance(MyTool) and first.project.project_file == seen[0][1]
        host.request_tool()
        second = t.tool_instance(MyTool)
        host.destroy_tool()
        after = t.tool_instance(MyTool)
        result([before is None, made, seen, same, second is not first, after is None,
                shiboken2.isValid(first), shiboken2.isValid(second)])
    """, tmp_path, project_file)
    before, made, seen, same, newer, after, first_valid, second_valid = value
    assert before and made and same and newer and after
    assert seen == [["Project", str(project_file), False]] * 2
    # The core keeps the older tool until it is destroyed too.
    assert first_valid and not second_valid


def test_a_raising_constructor_gives_the_core_no_tool_and_keeps_the_entry(tmp_path, project_file):
    value, errors = embedded("""
        class Flaky(Recorder):
            fail = False
            def __init__(self, project):
                if Flaky.fail:
                    raise ValueError("no tool today")
                super().__init__(project)
        class Lazy(t.AbstractTool):
            def __init__(self, project):
                pass  # never builds its base
        t.register_custom_tool_type(Flaky)
        t.register_custom_tool_type(Lazy)
        host.request_tool(0)
        good = t.tool_instance(Flaky)
        Flaky.fail = True
        refused = host.request_tool(0)
        result([refused, t.tool_instance(Flaky) is good, host.request_tool(1), t.tool_instance(Lazy) is None])
    """, tmp_path, project_file)
    assert value == [False, True, False, True]
    assert "ValueError: no tool today" in errors
    assert "Base constructor of the object (Lazy) not called." in errors


def test_types_and_renderers_made_in_a_function_keep_working(tmp_path, project_file):
    value, _ = embedded("""
        drawn = []
        def install():
            class Local(Recorder): pass
            t.register_custom_tool_type(Local)
            t.set_overlay_renderer(lambda widget, a, b: drawn.append(a))
        install()
        gc.collect()
        made = host.request_tool()
        host.activate()
        tool = t.tool_instance(t.registered_tool_types()[0])
        host.draw_overlay(7.0, 0.0)
        result([made, tool.calls, drawn])
    """, tmp_path, project_file)
    assert value == [True, ["activate"], [7.0]]


# --- The tool and its owner -------------------------------------------------------------------

def test_abstract_tool_construction(tmp_path, project_file):
    value, _ = embedded("""
        class Bare(t.AbstractTool): pass
        action = QtWidgets.QAction("act")
        calls = {
            "itself": lambda: t.AbstractTool(),
            "a number": lambda: Bare(5),
            "a number by keyword": lambda: Bare(action=5),
            "both ways": lambda: Bare(action, action=action),
        }
        out = {name: error_of(call) for name, call in calls.items()}
        out["base methods"] = [error_of(getattr(Bare(), name)) for name in ("on_activate", "on_deactivate")]
        # Never handed to the core: the action of its construction.
        out["actions"] = [Bare(action).action() is action, Bare(action=action).action() is action,
                          Bare().action() is None, Bare(None).action() is None]
        result(out)
    """, tmp_path, project_file)
    assert value["itself"] == ["NotImplementedError",
                               "'AbstractTool' represents a C++ abstract class and cannot be instantiated"]
    for key in ("a number", "a number by keyword"):
        assert value[key][0] == "TypeError" and "plinx.tools.AbstractTool" in value[key][1]
    assert value["both ways"] == ["TypeError",
                                  "plinx.tools.AbstractTool(): got multiple values for keyword argument 'action'."]
    assert value["base methods"] == [
        ["NotImplementedError", "pure virtual method 'AbstractTool.%s()' not implemented." % name]
        for name in ("on_activate", "on_deactivate")]
    assert value["actions"] == [True] * 4


def test_the_core_tool_gets_the_live_action_and_owns_the_tool(tmp_path, project_file):
    value, _ = embedded("""
        action, gone = QtWidgets.QAction("act"), QtWidgets.QAction("gone")
        class WithAction(Recorder):
            def __init__(self, project):
                super().__init__(project, action)
        class WithGoneAction(Recorder):
            def __init__(self, project):
                super().__init__(project, action=gone)
                shiboken2.delete(gone)
        t.register_custom_tool_type(WithAction)
        t.register_custom_tool_type(WithGoneAction)
        host.request_tool(0)
        tool = t.tool_instance(WithAction)
        out = [tool.action() is action, shiboken2.ownedByPython(tool)]
        host.request_tool(1)
        out.append(t.tool_instance(WithGoneAction).action())
        # The core deletes the tool: the Python object is invalid, and freed
        # unless the script holds it.
        watch = weakref.ref(t.tool_instance(WithGoneAction))
        host.destroy_tool()
        gc.collect()
        out.append(watch() is None)
        host.close_project()  # with the tools it still has
        out += [shiboken2.isValid(tool), error_of(lambda: tool.action())[0]]
        result(out)
    """, tmp_path, project_file)
    assert value == [True, False, None, True, False, "RuntimeError"]


# --- Events ------------------------------------------------------------------------------------

def test_the_core_calls_reach_the_python_tool(tmp_path, project_file):
    value, _ = embedded("""
        tool = recording_tool()
        host.activate(True)
        host.activate(False)
        host.deactivate(False)
        host.deactivate(True)
        host.key_press(65)  # for the tool's state only
        host.mouse_press((1.5, 2.5), (10, 20))
        host.mouse_move((2, 3), (11, 21))
        host.mouse_release((3, 4), (12, 22))
        events = [[e.pos_on_image.toTuple(), e.pos_on_canvas.toTuple(), e.layer] for e in tool.events]
        # The base's own methods, called explicitly, with an event and without.
        names = ("on_mouse_press", "on_mouse_move", "on_mouse_release")
        base = [error_of(lambda: getattr(t.AbstractTool, name)(tool, tool.events[0])) for name in names]
        base += [error_of(lambda: getattr(t.AbstractTool, name)(tool, 5)) for name in names]
        result([tool.calls, events, len({id(e) for e in tool.events}), base])
    """, tmp_path, project_file)
    calls, events, distinct, base = value
    names = ("on_mouse_press", "on_mouse_move", "on_mouse_release")
    assert base[:3] == [["NotImplementedError", "pure virtual method 'AbstractTool.%s()' not implemented." % name]
                        for name in names]
    for error, name in zip(base[3:], names):
        assert error[0] == "TypeError" and "plinx.tools.AbstractTool." + name in error[1]
    assert calls == ["activate", "activate", "deactivate", "deactivate", "press", "move", "release"]
    assert events == [[[1.5, 2.5], [10, 20], None], [[2, 3], [11, 21], None], [[3, 4], [12, 22], None]]
    assert distinct == 3


def test_event_lookups(tmp_path, project_file):
    # (layer, contour index, point index) -> what layer, contour and
    # control_point give, compared with the layer's own handles.
    value, _ = embedded("""
        tool = recording_tool()
        outline = [l for l in p.get_current_project().layers if l.name == "outline"][0]
        xspline, bezier = outline.contours
        cases = [("outline", 0, 1), ("outline", 1, 0), ("outline", 0, None), ("outline", 0, 5),
                 ("outline", 7, 0), ("outline", None, 0), ("empty", 0, 0), (None, 0, 0), ("foreign", 0, 0)]
        out = []
        for layer, contour, point in cases:
            host.mouse_press((0, 0), (0, 0), host.FOREIGN_LAYER if layer == "foreign" else layer, contour, point)
            e = tool.events[-1]
            def describe(handle):
                if handle is None:
                    return None
                for name, own in (("xspline", xspline), ("bezier", bezier)):
                    if type(handle) is type(own) and handle == own:
                        return name
                for name, own in (("xspline point 1", xspline.control_point(1)),
                                  ("bezier point 0", bezier.control_point(0))):
                    if type(handle) is type(own) and handle == own:
                        return name
                return "other " + type(handle).__name__
            layer_seen = None if e.layer is None else (e.layer.name if e.layer else "null Layer")
            out.append([layer_seen, describe(e.contour), describe(e.control_point)])
        result(out)
    """, tmp_path, project_file)
    assert value == [
        ["outline", "xspline", "xspline point 1"],
        ["outline", "bezier", "bezier point 0"],
        ["outline", "xspline", None],
        ["outline", "xspline", None],
        ["outline", None, None],
        ["outline", None, None],
        ["empty", None, None],
        [None, None, None],
        [None, None, None],  # a node that is no layer
    ]


def test_input_event_attributes(tmp_path, project_file):
    value, _ = embedded("""
        import copy
        tool = recording_tool()
        host.mouse_press((1, 2), (3, 4), "outline", 0, 0)
        e = tool.events[-1]
        out = {}
        def assign(name, value):
            return lambda: setattr(e, name, value)
        out["errors"] = [error_of(call) for call in (
            assign("layer", 3), assign("pos_on_image", "x"), lambda: delattr(e, "pos_on_image"),
            lambda: delattr(e, "layer"), assign("contour", None), lambda: t.InputEvent(),
            lambda: t.InputEvent(3))]
        canvas = e.pos_on_canvas
        canvas.setX(30)
        out["one point"] = [e.pos_on_canvas is canvas, e.pos_on_canvas.x()]
        e.pos_on_image = QtCore.QPointF(8, 9)
        twin = copy.copy(e)
        twin.pos_on_image = e.pos_on_image * 2
        e.layer = None
        copied = t.InputEvent(twin)
        out["values"] = [e.pos_on_image.toTuple(), twin.pos_on_image.toTuple(), e.layer is None,
                         twin.layer.name, copied.pos_on_image.toTuple()]
        # The lookups still see the core event, whatever the script changed.
        out["after the change"] = [type(e.contour).__name__, type(twin.control_point).__name__]
        host.close_project()
        out["after closing"] = [error_of(lambda: twin.contour), error_of(lambda: twin.control_point),
                                twin.pos_on_image.toTuple()]
        # A kept event holds its layer weakly: the layer went with its project.
        out["layer after closing"] = [bool(twin.layer), twin.layer.isNull(), error_of(lambda: twin.layer.name)]
        result(out)
    """, tmp_path, project_file)
    assert value["errors"] == [
        ["TypeError", "wrong type attributed to 'layer', 'Layer or NoneType' or convertible type expected"],
        ["TypeError", "wrong type attributed to 'pos_on_image', 'QPointF' or convertible type expected"],
        ["TypeError", "'pos_on_image' may not be deleted"],
        ["TypeError", "'layer' may not be deleted"],
        ["AttributeError", value["errors"][4][1]],
        ["TypeError", value["errors"][5][1]],
        ["TypeError", value["errors"][6][1]],
    ]
    assert all("plinx.tools.InputEvent" in error[1] for error in value["errors"][5:])
    assert value["one point"] == [True, 30.0]
    assert value["values"] == [[8.0, 9.0], [16.0, 18.0], True, "outline", [16.0, 18.0]]
    assert value["after the change"] == ["XSplineContour", "XControlPoint"]
    assert value["after closing"] == [["RuntimeError", "Invalid object"]] * 2 + [[16.0, 18.0]]
    assert value["layer after closing"] == [False, True, ["RuntimeError", "Invalid object"]]


def test_failing_overrides_are_printed_and_later_events_arrive(tmp_path, project_file):
    value, errors = embedded("""
        class Partial(t.AbstractTool):
            def __init__(self, project):
                super().__init__()
                self.calls = []
            def on_mouse_press(self, event):
                self.calls.append("press")
                raise ValueError("press went wrong")
            def on_mouse_release(self, event):
                self.calls.append("release")
        t.register_custom_tool_type(Partial)
        host.request_tool()
        tool = t.tool_instance(Partial)
        host.mouse_move((0, 0), (0, 0))
        pending_after_move = sys.exc_info()
        host.mouse_press((0, 0), (0, 0))
        host.activate()
        host.mouse_release((0, 0), (0, 0))
        host.mouse_press((0, 0), (0, 0))
        result([tool.calls, pending_after_move == (None, None, None)])
    """, tmp_path, project_file)
    assert value == [["press", "release", "press"], True]
    for text in ("pure virtual method 'AbstractTool.on_mouse_move()' not implemented.",
                 "pure virtual method 'AbstractTool.on_activate()' not implemented.",
                 "ValueError: press went wrong"):
        assert text in errors
    assert errors.count("ValueError: press went wrong") == 2
    assert "Traceback" in errors


# --- The overlay ------------------------------------------------------------------------------

def test_the_overlay_renderer_paints_into_the_canvas(tmp_path):
    value, errors = embedded("""
        seen = []
        def paint(widget, a, b):
            seen.append([type(widget).__name__, isinstance(widget, QtWidgets.QOpenGLWidget),
                         widget.objectName(), a, b])
            host.overlay_painter().fillRect(0, 0, 4, 4, QtGui.QColor("red"))
            if a < 0:
                raise ValueError("cannot draw there")
        out = {"before": host.draw_overlay(1, 2), "refused": error_of(lambda: t.set_overlay_renderer(5))}
        out["still none"] = host.draw_overlay(1, 2)
        t.set_overlay_renderer(paint)
        image = host.draw_overlay(1.5, -2.0)
        failed = host.draw_overlay(-1.0, 0.0)
        out["image"] = [image.width(), image.height(), image.format() == QtGui.QImage.Format_ARGB32,
                        image.pixelColor(1, 1).name(), image.pixelColor(10, 10).alpha()]
        out["failed draw"] = failed.pixelColor(1, 1).name()
        out["seen"] = list(seen)
        out["painter after the draw"] = host.overlay_painter()
        t.set_overlay_renderer(lambda widget, a, b: seen.append("replaced"))
        host.draw_overlay(0, 0)
        out["replaced"] = seen[-1]
        result(out)
    """, tmp_path)
    assert value["before"] is None and value["still none"] is None
    assert value["refused"] == ["TypeError", "Given type is not callable: int"]
    assert value["image"] == [64, 48, True, "#ff0000", 0]
    assert value["failed draw"] == "#ff0000"
    assert value["seen"] == [["QOpenGLWidget", True, "canvas", 1.5, -2.0], ["QOpenGLWidget", True, "canvas", -1.0, 0.0]]
    assert value["painter after the draw"] is None
    assert value["replaced"] == "replaced"
    assert "ValueError: cannot draw there" in errors


def test_a_painter_kept_past_its_draw_is_invalid(tmp_path):
    value, _ = embedded("""
        kept = []
        t.set_overlay_renderer(lambda widget, a, b: kept.append(host.overlay_painter()))
        host.draw_overlay(0, 0)
        result([shiboken2.isValid(kept[0]), error_of(lambda: kept[0].fillRect(0, 0, 1, 1, QtGui.QColor("red")))[0]])
    """, tmp_path)
    assert value == [False, "RuntimeError"]


def test_without_a_canvas_nothing_is_installed(tmp_path):
    value, _ = embedded("""
        result(error_of(lambda: t.set_overlay_renderer(lambda widget, a, b: None)))
    """, tmp_path, env={"PLINX_HOST_NO_CANVAS": "1"})
    assert value[0] == "RuntimeError" and "canvas" in value[1]


def test_two_threads_drive_the_tool_and_the_canvas(tmp_path, project_file):
    # Each host call gives the interpreter lock away and holds the core;
    # the tool and the renderer take the lock back for their Python work.
    value, _ = embedded("""
        import threading
        tool = recording_tool()
        drawn = []
        t.set_overlay_renderer(lambda widget, a, b: drawn.append(a))
        failures = []
        def work(index):
            try:
                for step in range(40):
                    host.mouse_press((index, step), (0, 0), "outline", 0, 0)
                    host.draw_overlay(float(index), 0.0)
                    assert t.tool_instance(type(tool)) is tool
                    tool.events[-1].contour
            except Exception as error:
                failures.append(repr(error))
        threads = [threading.Thread(target=work, args=(index,)) for index in range(2)]
        for thread in threads:
            thread.start()
        for thread in threads:
            thread.join()
        result([failures, len(tool.calls), sorted(set(drawn)), len(drawn)])
    """, tmp_path, project_file)
    assert value == [[], 80, [0.0, 1.0], 80]
