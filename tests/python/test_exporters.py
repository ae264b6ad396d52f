"""plinx.exporters: exporters written in Python, called back by the core; the core's own
exporters; baked shape data. On footage the tests write."""
import copy
import gc
import itertools
import json
import os
import re

import pytest
from PySide2 import QtCore

import plinx._init  # noqa: F401 (starts the core)
import plinx.exporters as e
import plinx.project as p
from conftest import raises, run_embedded, run_python

ERROR_ENTRY = "<error>"  # the core's name for a shape exporter's error text

_names = itertools.count()


def unique(prefix):
    """A format name no other test registers (the core's tables live for the process)."""
    return "%s %d" % (prefix, next(_names))


def plain(files):
    """A do_export result with bytes values."""
    return {name: bytes(value) for name, value in files.items()}


@pytest.fixture
def layers(project):
    plate = project.clips["shot"]
    a = project.add_layer(plate, "A", 0, 0)
    b = project.add_layer(plate, "B", 0, 0)
    a.add_xspline_contour(0.0, [p.XControlPointData(x=1.0, y=2.0), p.XControlPointData(x=5.0, y=2.0),
                                p.XControlPointData(x=5.0, y=6.0)])
    return a, b


# One row per family: abstract type, built-in type, the built-in's format name, most
# constructor arguments, and a do_export call for the built-in entry.
FAMILIES = {
    "shape": (e.AbstractShapeDataExporter, e.ShapeDataExporter, "Plain Text Shapes", 7),
    "tracking": (e.AbstractTrackingDataExporter, e.TrackingDataExporter, "Plain Text Track", 6),
    "camera": (e.AbstractCameraSolveExporter, e.CameraSolveExporter, "Plain Text Camera", 4),
}


def export_through(family, entry, project, layers, path):
    """Runs a registered exporter's built-in entry as a script runs the core's exporter."""
    a, b = layers
    if family == "shape":
        return entry.do_export(project, [a, b, a], path, [p.View(0)])
    if family == "tracking":
        return entry.do_export(project, a, path, 2.0, p.View(0), {"Stabilize": True})
    return entry.do_export(project, [b, a], path, 3.0, [p.View(0)])


class Recorder:
    """A Python exporter of any family that records its calls and answers as told."""

    def __init__(self, family, answer=None, error=""):
        self.calls = []
        self.answer = {"out.txt": QtCore.QByteArray(b"data")} if answer is None else answer
        self.error = error

    def do_export(self, *args):
        self.calls.append(("do_export",) + args)
        if isinstance(self.answer, Exception):
            raise self.answer
        return self.answer

    def error_string(self):
        self.calls.append(("error_string",))
        return self.error


def make_exporter(family, name, answer=None, error="", methods=("do_export", "error_string")):
    base = FAMILIES[family][0]
    namespace = {m: getattr(Recorder, m) for m in methods}
    cls = type("Py" + family.title() + "Exporter", (base,), namespace)
    exporter = cls(name, ".py")
    Recorder.__init__(exporter, family, answer, error)
    return exporter


# --- The module ----------------------------------------------------------------------------

def test_the_module_has_its_seven_types_and_no_functions():
    public = sorted(n for n in dir(e) if not n.startswith("_"))
    assert public == ["AbstractCameraSolveExporter", "AbstractShapeDataExporter", "AbstractTrackingDataExporter",
                      "CameraSolveExporter", "ShapeDataExporter", "ShapeExportData", "TrackingDataExporter"]
    assert issubclass(e.AbstractShapeDataExporter, QtCore.QObject)


def test_the_import_fails_with_the_error_of_a_module_it_needs():
    result = run_python("""
        import sys
        sys.modules["plinx.project"] = None
        try:
            import plinx.exporters
        except ImportError as error:
            print("refused", type(error).__name__)
    """)
    assert result.returncode == 0, result.stderr
    assert "refused" in result.stdout


def test_an_exporter_registered_inside_the_application_is_called_back(project, tmp_path):
    project.add_layer(project.clips["shot"], "A")
    path = tmp_path / "open.plinx"
    project.save_as(str(path))
    result = run_embedded("""
        import plinx.exporters as e
        import plinx.project as p

        class Csv(e.AbstractTrackingDataExporter):
            def do_export(self, project, layer, path, time, view, options):
                calls.append([project.project_file, layer.name, path, time, view.id, sorted(options.items())])
                return {"seen": repr(sorted(options.items())).encode()}

            def error_string(self):
                return ""

        calls = []
        csv = Csv("Embedded CSV", ".csv")
        csv.register()
        print(sorted(e.AbstractTrackingDataExporter.registered_exporters()))
        project = p.get_current_project()
        layer, = project.find_layers("A")
        entry = e.AbstractTrackingDataExporter.registered_exporters()["Embedded CSV"]
        files = entry.do_export(project, layer, "out", 2.0, p.View(0), {"Stabilize": True})
        print({name: bytes(data) for name, data in files.items()})
        print(calls)
    """, tmp_path, env={"PLINX_HOST_PROJECT": str(path)})
    assert result.returncode == 0, result.stderr
    listed, files, calls = result.stdout.splitlines()
    assert listed == "['Embedded CSV', 'Plain Text Track']"
    options = [("Invert", False), ("RemoveLensDistortion", False), ("Stabilize", True)]
    assert files == repr({"seen": repr(options).encode()})
    assert calls == repr([[str(path), "A", "out", 2.0, 0, options]])


# --- Constructors and flags ------------------------------------------------------------

@pytest.mark.parametrize("family", FAMILIES)
def test_construction_refusals(family):
    base, builtin, _, most = FAMILIES[family]
    name = base.__name__
    sub = type("Sub", (base,), {})
    with raises(NotImplementedError, "'%s' represents a C++ abstract class and cannot be instantiated" % name):
        base("n", ".x")
    with raises(TypeError, "plinx.exporters.%s(): takes at least 2 arguments (1 given)" % name):
        sub("n")
    with raises(TypeError, "plinx.exporters.%s(): takes at least 2 arguments (0 given)" % name):
        sub(name="n", extension=".x")
    with raises(TypeError, "plinx.exporters.%s(): got multiple values for keyword argument "
                           "'number_of_data_streams'." % name):
        sub("n", ".x", 2, number_of_data_streams=3)
    with pytest.raises(TypeError):
        sub("n", ".x", *([1] + [True] * (most - 2)))  # one argument too many
    with pytest.raises(TypeError):
        sub(3, ".x")
    assert sub("n", ".x", unknown_keyword=5).registered is False  # other keywords are ignored
    with pytest.raises(TypeError):
        builtin()
    with pytest.raises(TypeError):
        type("Sub", (builtin,), {})


@pytest.mark.parametrize("base, args, kwargs, expected", [
    (e.AbstractShapeDataExporter, (), {},
     dict(exports_multiple_shapes=False, exports_multiple_views=False, exports_open_splines=False,
          exports_interlaced=False)),
    (e.AbstractShapeDataExporter, (1, False, False, True), {},
     dict(exports_multiple_shapes=False, exports_multiple_views=False, exports_open_splines=True,
          exports_interlaced=False)),
    (e.AbstractShapeDataExporter, (0,), dict(export_multiple_shapes=True, export_interlaced=True),
     dict(exports_multiple_shapes=True, exports_multiple_views=False, exports_open_splines=False,
          exports_interlaced=True)),
    (e.AbstractTrackingDataExporter, (1, True, False, True), {},
     dict(exports_interlaced=True, exports_removed_lens_distortion=False, exports_multiple_views=True)),
    (e.AbstractTrackingDataExporter, (), dict(remove_lens_distortion=True),
     dict(exports_interlaced=False, exports_removed_lens_distortion=True, exports_multiple_views=False)),
    (e.AbstractCameraSolveExporter, (3, True), {}, dict(exports_multiple_views=True)),
    (e.AbstractCameraSolveExporter, (), {}, dict(exports_multiple_views=False)),
])
def test_capabilities_read_back_as_read_only_properties(base, args, kwargs, expected):
    exporter = type("Sub", (base,), {})("n", ".x", *args, **kwargs)
    assert {name: getattr(exporter, name) for name in expected} == expected
    for name in list(expected) + ["registered"]:
        with pytest.raises(AttributeError):
            setattr(exporter, name, True)
    for getter in ("get_exports_interlaced", "get_exports_multiple_views", "get_exports_multiple_shapes",
                   "get_exports_open_splines", "get_removes_lens_distortion", "is_registered"):
        assert not hasattr(base, getter)


# --- Registration and the registry ----------------------------------------------------------

@pytest.mark.parametrize("family", FAMILIES)
def test_register_lists_the_exporter_until_it_is_dropped(family):
    base, builtin, builtin_name, _ = FAMILIES[family]
    name = unique("Listed")
    exporter = make_exporter(family, name)
    assert not exporter.registered
    exporter.register()
    assert exporter.registered
    listed = base.registered_exporters()
    assert {name, builtin_name} <= set(listed)
    assert all(type(entry) is builtin for entry in listed.values())
    assert base.registered_exporters()[name] is listed[name]  # the same objects while held
    exporter.unregister()
    assert not exporter.registered and name not in base.registered_exporters()
    exporter.register()
    del exporter, listed
    gc.collect()
    assert name not in base.registered_exporters()


@pytest.mark.parametrize("family", FAMILIES)
def test_a_builtin_cannot_register_and_keeps_its_format(family):
    base, _, builtin_name, _ = FAMILIES[family]
    entry = base.registered_exporters()[builtin_name]
    with raises(RuntimeError, "Invalid object"):
        entry.register()
    assert entry.registered


@pytest.mark.parametrize("family", FAMILIES)
def test_dropping_an_exporter_leaves_a_later_registration_of_its_format(family):
    base = FAMILIES[family][0]
    name = unique("Shared")
    first = make_exporter(family, name)
    second = make_exporter(family, name)
    first.register()
    second.register()  # the same format: the core now calls the second
    del first
    gc.collect()
    assert second.registered
    entry = base.registered_exporters()[name]
    assert entry.registered
    del second
    gc.collect()
    assert name not in base.registered_exporters()


@pytest.mark.parametrize("family", FAMILIES)
def test_the_registry_rebuilds_an_entry_whose_exporter_changed(family, project, layers, tmp_path):
    base = FAMILIES[family][0]
    name = unique("Changed")
    first = make_exporter(family, name, answer={"first": b"1"})
    first.register()
    old_entry = base.registered_exporters()[name]
    second = make_exporter(family, name, answer={"second": b"2"})
    second.register()
    new_entry = base.registered_exporters()[name]
    with pytest.raises(RuntimeError, match="already deleted"):
        old_entry.error_string()
    files = export_through(family, new_entry, project, layers, str(tmp_path / "out"))
    assert list(plain(files)) == ["second"] and not first.calls


# --- The core calls a registered Python exporter back ------------------------------------------

def test_a_shape_export_hands_python_the_project_layers_path_and_views(project, layers, tmp_path):
    name = unique("Shapes")
    exporter = make_exporter("shape", name)
    exporter.register()
    entry = e.AbstractShapeDataExporter.registered_exporters()[name]
    path = str(tmp_path / "shapes.py")
    files = entry.do_export(project, [layers[0], layers[1], layers[0]], path, [p.View(2), p.View(0)])
    assert plain(files) == {"out.txt": b"data"}
    (call, kept_project, kept_layers, kept_path, kept_views), (second,) = exporter.calls
    assert (call, second) == ("do_export", "error_string")
    assert [layer.name for layer in kept_layers] == ["A", "B", "A"]
    assert kept_path == path and [view.id for view in kept_views] == [2, 0]
    # What Python keeps of the call: the project is gone, a layer reads but no longer edits.
    with pytest.raises(RuntimeError):
        kept_project.save()
    assert kept_layers[0].name == "A"
    with raises(RuntimeError, "Invalid object"):
        kept_layers[0].name = "Z"


@pytest.mark.parametrize("options, expected", [
    ({}, dict(Invert=False, Stabilize=False, RemoveLensDistortion=False)),
    ({"Invert": True, "Stabilize": False}, dict(Invert=True, Stabilize=False, RemoveLensDistortion=False)),
    ({"Stabilize": True, "Other": True}, dict(Invert=False, Stabilize=True, RemoveLensDistortion=False)),
    ({"RemoveLensDistortion": True}, dict(Invert=False, Stabilize=False, RemoveLensDistortion=True)),
])
def test_a_tracking_export_hands_python_the_options_table(project, layers, tmp_path, options, expected):
    name = unique("Track")
    exporter = make_exporter("tracking", name)
    exporter.register()
    entry = e.AbstractTrackingDataExporter.registered_exporters()[name]
    entry.do_export(project, layers[1], str(tmp_path / "t"), 2.5, p.View(0), options)
    _, _, layer, path, time, view, passed = exporter.calls[0]
    assert (layer.name, path, time, view.id) == ("B", str(tmp_path / "t"), 2.5, 0)
    assert passed == expected


def test_a_camera_export_hands_python_its_layers_time_and_views(project, layers, tmp_path):
    name = unique("Camera")
    exporter = make_exporter("camera", name)
    exporter.register()
    entry = e.AbstractCameraSolveExporter.registered_exporters()[name]
    entry.do_export(project, [layers[1], layers[0]], str(tmp_path / "c"), 4.0, [p.View(0)])
    _, _, kept_layers, path, time, views = exporter.calls[0]
    assert [layer.name for layer in kept_layers] == ["B", "A"] and time == 4.0 and [v.id for v in views] == [0]


NOT_IMPLEMENTED = "pure virtual method '{}.do_export()' not implemented."
INVALID_RETURN = "Invalid return value in function {}.do_export, expected map, got NoneType."


@pytest.mark.parametrize("family", FAMILIES)
@pytest.mark.parametrize("case, answer, error, methods, failure, printed", [
    ("success", {"a.txt": b"x"}, "", None, None, None),
    ("own error", {"a.txt": b"x", ERROR_ENTRY: b"python's"}, "disque plein \u2013 full", None,
     "disque plein \u2013 full", None),
    ("raises", ValueError("disk full"), "", None, "ValueError: disk full", "ValueError: disk full"),
    ("raises with error text", ValueError("disk full"), "quota", None, "quota", "ValueError: disk full"),
    ("missing", None, "", ("error_string",), "NotImplementedError: " + NOT_IMPLEMENTED, NOT_IMPLEMENTED),
    ("no map", "not a map", "", None, None, None),
])
def test_failures_of_python_reach_the_core_as_failures(family, case, answer, error, methods, failure, printed,
                                                       project, layers, tmp_path, capfd):
    base, _, _, _ = FAMILIES[family]
    name = unique("Failing")
    exporter = make_exporter(family, name, answer=answer, error=error,
                             methods=methods or ("do_export", "error_string"))
    exporter.register()
    # The shape family reports the error in its files; the others in their result, which the
    # built-in entry keeps for its error_string.
    entry = base.registered_exporters()[name]
    if case == "no map":
        exporter.answer = None
        with pytest.warns(RuntimeWarning, match=re.escape(INVALID_RETURN.format(base.__name__))):
            files = export_through(family, entry, project, layers, str(tmp_path / "out"))
        failure = INVALID_RETURN.format(base.__name__)
    else:
        files = export_through(family, entry, project, layers, str(tmp_path / "out"))
    out, err = capfd.readouterr()
    if printed:
        assert printed.format(base.__name__) in err
    failure = failure and failure.format(base.__name__)
    assert ("error_string",) in exporter.calls  # asked even after a raise
    if family == "shape":
        expected = {} if isinstance(answer, (Exception, str)) or answer is None else dict(answer)
        expected.pop(ERROR_ENTRY, None)
        if failure:
            expected[ERROR_ENTRY] = failure.encode("utf-8")
        assert plain(files) == expected
    else:
        assert entry.error_string() == (failure or "")
        if not isinstance(answer, (Exception, str)) and answer is not None:
            assert plain(files) == plain(answer)


def test_the_base_do_export_of_a_script_made_exporter_is_not_implemented(project, layers):
    exporter = make_exporter("shape", unique("Base"))
    with raises(NotImplementedError, NOT_IMPLEMENTED.format("AbstractShapeDataExporter")):
        e.AbstractShapeDataExporter.do_export(exporter, project, [layers[0]], "x", [p.View(0)])
    assert exporter.calls == []


# --- The core's own exporters --------------------------------------------------------------

def test_builtin_exporters_write_at_exactly_the_path_given(project, layers, tmp_path):
    a, b = layers
    shapes = e.AbstractShapeDataExporter.registered_exporters()["Plain Text Shapes"]
    track = e.AbstractTrackingDataExporter.registered_exporters()["Plain Text Track"]
    camera = e.AbstractCameraSolveExporter.registered_exporters()["Plain Text Camera"]
    runs = [
        (shapes, (project, [a], str(tmp_path / "s.txt"), [p.View(0)]), "frame 4 view 0 layer \"A\""),
        (track, (project, a, str(tmp_path / "t.txt"), 0.0, p.View(0), {"Invert": True}), "# invert 1"),
        (camera, (project, [b, a], str(tmp_path / "c.txt"), 0.0, [p.View(0)]), "frame 0 layer \"B\""),
    ]
    for entry, args, line in runs:
        files = plain(entry.do_export(*args))
        with open(args[2], "rb") as written:
            assert files == {args[2]: written.read()}
        assert line in files[args[2]].decode()
        assert entry.error_string() == ""


NAMES = ["line\nbreak", "carriage\rreturn", 'say "cut"', "back\\slash", "tab\tbed", "sep\u2028arator",
         "next\u0085line", "bell\x07", "\u00e9t\u00e9 \U0001F3AC"]


def test_builtin_exporters_write_names_that_read_back_and_keep_one_record_a_line(project, layers, tmp_path):
    # Names are JSON strings: a line break in one never splits a record.
    a, b = layers
    shapes, track, camera = (FAMILIES[f][0].registered_exporters()[FAMILIES[f][2]] for f in FAMILIES)
    for name in NAMES:
        a.name, b.name = name, name + "2"
        shape_file, track_file, camera_file = (str(tmp_path / n) for n in ("s.txt", "t.txt", "c.txt"))
        shapes.do_export(project, [a], shape_file, [p.View(0)])
        track.do_export(project, a, track_file, 0.0, p.View(0), {})
        camera.do_export(project, [a, b], camera_file, 0.0, [p.View(0)])
        with open(shape_file, encoding="utf-8", newline="") as text:
            records = text.read().splitlines()[1:]
        assert len(records) == 5 and all(re.fullmatch(r'frame \d+ view 0 layer ".*" contour ".*" points.*', r)
                                         for r in records), records
        assert {json.JSONDecoder().raw_decode(r[r.index(" layer ") + 7:])[0] for r in records} == {name}
        with open(track_file, encoding="utf-8", newline="") as text:
            first = text.read().splitlines()[0]
        assert json.JSONDecoder().raw_decode(first[len("# track of layer "):])[0] == name
        with open(camera_file, encoding="utf-8", newline="") as text:
            records = text.read().splitlines()[1:]
        assert [json.JSONDecoder().raw_decode(r[r.index(" layer ") + 7:])[0] for r in records] == [name, name + "2"] * 5


@pytest.mark.parametrize("entry_name, family", [("Plain Text Track", "tracking"), ("Plain Text Camera", "camera")])
def test_tracking_and_camera_builtins_keep_the_error_of_their_last_export(project, layers, tmp_path,
                                                                          entry_name, family):
    entry = FAMILIES[family][0].registered_exporters()[entry_name]
    assert entry.error_string() == ""
    assert export_through(family, entry, project, layers, str(tmp_path / "missing" / "x")) == {}
    assert entry.error_string().startswith("Cannot write '%s'" % (tmp_path / "missing" / "x"))
    assert export_through(family, entry, project, layers, str(tmp_path / "x")) != {}
    assert entry.error_string() == ""


SHAPE_ENTRY = "plinx.exporters.ShapeDataExporter.do_export"


@pytest.mark.parametrize("family, make_args, error, text", [
    ("shape", lambda pr, a: (pr, [a], "x"), TypeError, None),
    ("shape", lambda pr, a: (pr, [a], "x", [p.View(0)], 1), TypeError, None),
    ("shape", lambda pr, a: (pr, [a], 5, [p.View(0)]), TypeError, SHAPE_ENTRY),
    ("shape", lambda pr, a: (None, [a], "x", [p.View(0)]), AssertionError, "Invalid project instance"),
    ("shape", lambda pr, a: (pr, [], "x", [p.View(0)]), AssertionError, "Empty layers list"),
    ("camera", lambda pr, a: (pr, [], "x", 0.0, [p.View(0)]), AssertionError, "Empty layers list"),
    ("camera", lambda pr, a: (None, [a], "x", 0.0, [p.View(0)]), AssertionError, "Invalid project instance"),
    ("tracking", lambda pr, a: (None, a, "x", 0.0, p.View(0), {}), AssertionError, "Invalid project instance"),
    ("tracking", lambda pr, a: (pr, a, "x", 0.0, p.View(0), {1: True}), TypeError,
     "plinx.exporters.TrackingDataExporter.do_export"),
])
def test_builtin_do_export_refusals(project, layers, family, make_args, error, text):
    base, _, builtin_name, _ = FAMILIES[family]
    entry = base.registered_exporters()[builtin_name]
    with pytest.raises(error) as caught:
        entry.do_export(*make_args(project, layers[0]))
    if text:
        assert text in str(caught.value)


@pytest.mark.parametrize("family", FAMILIES)
def test_a_gone_layer_stops_a_builtin_before_the_core_is_called(project, layers, tmp_path, family):
    base, _, builtin_name, _ = FAMILIES[family]
    a, b = layers
    b.remove()
    path = str(tmp_path / "never")
    entry = base.registered_exporters()[builtin_name]
    with raises(RuntimeError, "Invalid object"):
        if family == "tracking":
            entry.do_export(project, b, path, 0.0, p.View(0), {})
        else:
            entry.do_export(project, [a, b], path, *((0.0,) if family == "camera" else ()), [p.View(0)])
    assert not os.path.exists(path)


# --- What the API hands the core ------------------------------------------------------------
# Seen in what the core's stand-ins make of it: the files its plain-text exporters write, and
# the calls it records in the application log.

@pytest.fixture
def core_log(tmp_path, monkeypatch):
    """The application log file, which the core writes to from now on."""
    path = tmp_path / "core.log"
    monkeypatch.setenv("PLINX_LOG_FILE", str(path))
    return path


def builtin(family):
    base, _, name, _ = FAMILIES[family]
    return base.registered_exporters()[name]


def read(path):
    with open(str(path), encoding="utf-8") as text:
        return text.read()


def shapes_of_listed_layers(project, a, b, path, log):
    builtin("camera").do_export(project, [b], path, 0.0, [p.View(0)])  # makes B the current layer
    builtin("shape").do_export(project, [a], path, [p.View(0)])
    return read(path)


def track_in_view_1(project, a, b, path, log):
    builtin("tracking").do_export(project, a, path, 2.0, p.View(1), {})
    return read(path)


def camera_in_view_1(project, a, b, path, log):
    builtin("camera").do_export(project, [b, a], path, 3.0, [p.View(1)])
    return read(path)


def shape_data(*args):
    def make(project, a, b, path, log):
        e.ShapeExportData(a, *args)
        return re.sub(r"layer \d+", "layer <id>", read(log))
    return make


@pytest.mark.parametrize("act, received, not_received", [
    # Listed layers: A alone, though B is the current layer.
    (shapes_of_listed_layers, ['layer "A"'], ['layer "B"']),
    # The view given is the context's; the options hold the default view, no limit, one stream.
    (track_in_view_1, ['# track of layer "A" view 1\n', "# views 0 maximum-frames 2147483647 streams 1\n",
                       "# view 0\n"], ["# view 1"]),
    # The views given travel in the list; the context is the default view at the time given.
    (camera_in_view_1, ["layer(s), view 1, context view 0 at 3\n"], []),
    (shape_data(0, 4), ["call ShapeExport::getShapeSplines layer <id> frames 0 to 4 view 0 flags 0x2f "
                        "accuracy 2 offset 0 0 closed 1\n"], []),
    (shape_data(1, 3, p.View(1), 0.25, False, False, False),
     ["call ShapeExport::getShapeSplines layer <id> frames 1 to 3 view 1 flags 0x3 accuracy 0.25 offset 0 0 "
      "closed 1\n"], []),
])
def test_what_the_api_hands_the_core(project, layers, tmp_path, core_log, act, received, not_received):
    project.views = [p.ViewInfo("left", "L"), p.ViewInfo("right", "R")]
    seen = act(project, *layers, str(tmp_path / "out.txt"), core_log)
    for text in received:
        assert text in seen
    for text in not_received:
        assert text not in seen


# --- ShapeExportData ---------------------------------------------------------------------------

def test_shape_export_data_construction_errors(layers):
    a = layers[0]
    with raises(TypeError, "plinx.exporters.ShapeExportData(): takes at least 1 arguments (0 given)"):
        e.ShapeExportData()
    with raises(TypeError, "plinx.exporters.ShapeExportData(): takes at least 1 arguments (9 given)"):
        e.ShapeExportData(a, 0, 4, p.View(0), 2.0, True, True, True, True)
    with pytest.raises(TypeError, match="plinx.exporters.ShapeExportData"):
        e.ShapeExportData(a, 0)
    with raises(TypeError, "plinx.exporters.ShapeExportData(): got multiple values for keyword argument 'view'."):
        e.ShapeExportData(a, 0, 4, p.View(0), view=p.View(0))
    a.remove()
    with raises(RuntimeError, "Invalid object"):
        e.ShapeExportData(a, 0, 4)


PROPERTIES = ["baked_in_keyframes", "extra_matrix", "filmback_aspect_ratio", "frame_height", "frame_width",
              "keyframes_only", "layer", "pixel_aspect_ratio", "transforms", "view", "xspline_support"]


def values(data):
    seen = {name: getattr(data, name) for name in PROPERTIES if name != "baked_in_keyframes"}
    seen["layer"] = seen["layer"].name
    seen["view"] = seen["view"].id
    return seen


def test_shape_export_data_defaults_properties_and_copies(layers):
    a = layers[0]
    data = e.ShapeExportData(a, 0, 4)
    assert values(data) == values(e.ShapeExportData(a, 0, 4, p.View(0), 2.0, True, True, True))
    assert (data.frame_width, data.frame_height, data.view.id) == (40.0, 30.0, 0)
    assert (data.extra_matrix, data.keyframes_only, data.xspline_support) == (True, True, True)
    for name in PROPERTIES:
        assert not hasattr(data, "get_" + name)
        with pytest.raises(AttributeError):
            setattr(data, name, 1)
    twins = [copy.copy(data), e.ShapeExportData(data)]
    expected = values(data)
    del data
    gc.collect()
    for twin in twins:
        assert values(twin) == expected
    data = twins[0]
    a.remove()
    with raises(RuntimeError, "Invalid object"):
        data.transforms


@pytest.mark.parametrize("extra_matrix, keyframes_only, xspline_support, transforms, keys, kind", [
    (True, True, True, [0.0, 1.0, 2.0, 3.0, 4.0], [0.0, 3.0], "XSpline"),
    (False, False, False, [], [0.0, 1.0, 2.0, 3.0, 4.0], "Bezier"),
    (True, False, True, [0.0, 1.0, 2.0, 3.0, 4.0], [0.0, 1.0, 2.0, 3.0, 4.0], "XSpline"),
])
def test_switches_steer_what_is_baked(layers, extra_matrix, keyframes_only, xspline_support, transforms, keys,
                                      kind):
    a = layers[0]
    contour = a.contours[0]
    contour.control_point(0).set_point_data(3.0, p.XControlPointData(x=9.0))
    data = e.ShapeExportData(a, 0, 4, extra_matrix=extra_matrix, keyframes_only=keyframes_only,
                             xspline_support=xspline_support)
    assert sorted(data.transforms) == transforms
    assert all(isinstance(key, float) for key in data.transforms)
    (shape_key, frames), = data.baked_in_keyframes.items()
    assert re.match(rb"^Contour \d+$", shape_key[0]) and shape_key[1] == kind
    assert sorted(frames) == keys
    point_type = p.XControlPointData if kind == "XSpline" else p.BezierControlPointData
    assert all(isinstance(point, point_type) for points in frames.values() for point in points)
    assert [point.x for point in frames[3.0]] == [9.0, 5.0, 5.0]


def test_bezier_keyframes_take_the_previous_segments_backward_handle(project, layers):
    b = layers[1]
    b.add_bezier_contour(0.0, [
        p.BezierControlPointData(x=0.0, y=0.0, handle_offset_backward=(-1, 0), handle_offset_forward=(1, 0)),
        p.BezierControlPointData(x=10.0, y=0.0, handle_offset_backward=(0, -2), handle_offset_forward=(0, 2)),
        p.BezierControlPointData(x=10.0, y=10.0, handle_offset_backward=(3, 0), handle_offset_forward=(-3, 0)),
    ])
    (key, frames), = e.ShapeExportData(b, 0, 4).baked_in_keyframes.items()
    assert key[1] == "Bezier"
    points = frames[0.0]
    assert [(pt.active, pt.corner, pt.edge_width, pt.edge_angle_ratio) for pt in points] == [(True, False, 0.0, 0.5)] * 3
    assert [(pt.x, pt.y) for pt in points] == [(0.0, 0.0), (10.0, 0.0), (10.0, 10.0)]
    assert [tuple(pt.handle_offset_forward) for pt in points] == [(1, 0), (0, 2), (-3, 0)]
    assert [tuple(pt.handle_offset_backward) for pt in points] == [(-1, 0), (0, -2), (3, 0)]


def test_keys_outside_the_layers_in_and_out_points_are_left_out(layers):
    a = layers[0]
    a.add_xspline_contour(0.0, [p.XControlPointData(x=0.0, y=0.0)])
    data = e.ShapeExportData(a, 0, 4, keyframes_only=False)
    a.parameter(["inPoint"]).set(1)
    a.parameter(["outPoint"]).set(2)
    baked = data.baked_in_keyframes
    assert len(baked) == 2
    assert [sorted(frames) for frames in baked.values()] == [[1.0, 2.0], [1.0, 2.0]]
    a.parameter(["inPoint"]).set(4)
    a.parameter(["outPoint"]).set(4)
    data = e.ShapeExportData(a, 0, 3, keyframes_only=False)
    assert list(data.baked_in_keyframes.values()) == [{}, {}]  # every shape keeps its entry


def test_baked_keyframes_skip_empty_shapes_and_refuse_a_shape_without_contour(layers):
    a = layers[0]
    a.add_xspline_contour(0.0, [])
    data = e.ShapeExportData(a, 0, 4)
    assert [len(frames) for frames in data.baked_in_keyframes.values()] == [1, 0]
    a.contours[1].remove()
    with pytest.raises(IndexError):
        data.baked_in_keyframes


@pytest.mark.parametrize("mode, offset", [(p.NotInterlaced, 0), (p.NotInterlaced, 10), (p.UpperFieldFirst, 11),
                                          (p.LowerFieldFirst, -5)])
def test_keys_are_project_frames_whatever_the_clips_timing(footage, mode, offset):
    project = p.Project(p.Clip(footage, "shot"), mode)
    project.first_frame_offset = offset
    layer = project.add_layer(project.clips["shot"], "A", 0, 0)
    layer.add_xspline_contour(0.0, [p.XControlPointData(x=1.0, y=2.0)])
    data = e.ShapeExportData(layer, 0, 4, keyframes_only=False)
    assert sorted(data.transforms) == [0.0, 1.0, 2.0, 3.0, 4.0]
    assert [sorted(frames) for frames in data.baked_in_keyframes.values()] == [[0.0, 1.0, 2.0, 3.0, 4.0]]


@pytest.mark.parametrize("family", FAMILIES)
def test_an_export_survives_its_entry_being_dropped_while_it_runs(family, project, layers, tmp_path):
    base = FAMILIES[family][0]
    name = unique("Reregistering")
    replacements = []

    def do_export(self, *args):
        replacement = make_exporter(family, name, answer={"second": b"2"})
        replacement.register()
        replacements.append(replacement)
        base.registered_exporters()  # drops the entry running this export
        return {"first": b"1"}

    exporter = make_exporter(family, name)
    exporter.do_export = do_export.__get__(exporter)
    exporter.register()
    entry = base.registered_exporters()[name]
    assert plain(export_through(family, entry, project, layers, str(tmp_path / "out"))) == {"first": b"1"}
    with pytest.raises(RuntimeError, match="already deleted"):
        entry.error_string()
    entry = base.registered_exporters()[name]
    assert plain(export_through(family, entry, project, layers, str(tmp_path / "out"))) == {"second": b"2"}


@pytest.mark.parametrize("family", FAMILIES)
def test_exports_through_one_entry_from_several_threads(family, project, layers, tmp_path):
    import threading
    base = FAMILIES[family][0]
    name = unique("Threaded")
    exporter = make_exporter(family, name)
    exporter.register()
    entry = base.registered_exporters()[name]
    results, failures = [], []

    def run(index):
        try:
            for _ in range(10):
                results.append(plain(export_through(family, entry, project, layers, str(tmp_path / str(index)))))
        except Exception as error:  # noqa: BLE001 (reported below)
            failures.append(error)

    threads = [threading.Thread(target=run, args=(i,)) for i in range(3)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    assert failures == [] and results == [{"out.txt": b"data"}] * 30
