"""Generated statements over a graph of objects.

A Scene names the objects a script made (r0, r1, ... and the world's own
names), keeps them in pools by type, and makes statements: it builds whole
projects (clips over footage, layers, groups, contours of both kinds,
constraints, parameters, images and views of their pixels, operations,
watchers, Python exporters and image IO modules, and inside the application
its project, a tool and the overlay renderer), and it makes random calls of
any member of any object, their arguments drawn by the parameters' types and
names from the same pools: handles of one project go to another. Each
statement runs as soon as it is made, so that later ones use what it gave.
"""
import inspect
import re
import typing

from PySide2 import QtCore

import discovery
import prelude

# Values of any type, for arguments drawn as hostile.
HOSTILE = [
    "None", "True", "-1", "2**31", "2**32", "-2**63-1", "2**64", "10**100", "float('nan')", "float('inf')",
    "1.5j", "''", "'%s%n%1'", "'\\x00x'", "'ééé'", "b'bytes'", "[]", "[1, 2]", "['a', 'b']", "{}", "{'a': 1}",
    "RaisingRepr()", "BadSequence()", "BadNumber()", "RaisingIter()", "HugeSequence()", "range(10**10)",
    "object()", "lambda *a: None", "QtCore.QObject()", "QtCore.QPointF(1, 2)", "(0.5, 0.5, 1.0)",
]

SMALL_INTS = ["0", "0", "1", "1", "2", "3", "5", "-1", "2147483647", "4294967295", "10**10"]
FLOATS = ["0.0", "0.0", "1.0", "2.5", "4.0", "-1.0", "1e9", "float('nan')"]

# Strings by the parameter's name: (pattern, choices); `{unit}` and `{n}`
# make paths of their own.
STRING_HINTS = [
    (r"dir|directory|folder", ["'out/{unit}_d{n}'", "'out/{unit}_d{n}/sub'", "''", "'/proc/fuzz'"]),
    (r"extension", ["'.png'", "'.tif'", "'.jpg'", "'.mov'", "'png'", "TOYX", "''"]),
    (r"prefix", ["'f_'", "'f_'", "'../up_'", "'a/b_'", "''"]),
    (r"suffix", ["''", "''", "'_v1'", "'/x'"]),
    (r"clip_file|first|^path$|file_name|^file$|footage", ["F0", "F0", "TOYF", "'out/none.png'", "''"]),
    (r"file|path", ["'out/{unit}_{n}.plinx'", "'out/{unit}_{n}.txt'", "F0", "''", "'/proc/fuzz/x'"]),
    (r"name|abbr", ["'a'", "'b'", "'G'", "'plate'", "''", "'ééé'", "'%s'"]),
    (r"stream", ["''", "'left'"]),
]

INT_HINTS = [
    (r"width", ["1", "4", "0", "-1", "4294967295"]),
    (r"step", ["1", "1", "2", "0", "-1"]),
    (r"offset", ["0", "0", "10", "-5", "4294967290"]),
    (r"z_order|val", ["0", "1", "-1", "2147483647", "-2147483648", "5"]),
    (r"height|size", ["1", "8", "0", "100000", "-1"]),
]

# Sequences by the parameter's name, and hostile ones (drawn three times as
# often as other hostile values: sequences are converted item by item).
SEQUENCE_HINTS = [
    (r"name_components", ["['camera']", "[]", "['x']", "['focalLengthUnits']", "['camera', 'filmBackUnits']"]),
    (r"extensions", ["['.png']", "[TOYX]", "[]"]),
]
HOSTILE_SEQUENCES = ["RaisingIter()", "HugeSequence()", "range(10**10)", "BadSequence()", "['a', None]"]

# Lists of control point data, by the method's name.
POINT_LISTS = {"xspline": ["xpoints(3)", "xpoints(4)", "xpoints(1)", "[]"],
               "bezier": ["bpoints(3)", "bpoints(2)", "bpoints(1)", "[]"]}


def hinted(table, name):
    for pattern, choices in table:
        if re.search(pattern, name):
            return choices
    return None


class Scene:
    """Names, pools and the statements that make and use them.

    `run(source, label)` journals and runs one statement in `namespace`."""

    def __init__(self, rng, run, namespace, types, unit, embedded, hostility=0.08):
        self.rng, self.run, self.ns = rng, run, namespace
        self.types = [cls for cls in types if discovery.expression_of(cls)]
        self.unit = unit
        self.embedded = embedded
        self.hostility = hostility
        self.pools = {}      # type -> names and expressions of its objects
        self.counter = 0
        self.paths = 0
        self.projects = []   # names of the projects made

    # --- Names and pools ----------------------------------------------------------------------

    def fresh(self, prefix="r"):
        self.counter += 1
        return f"{prefix}{self.counter}"

    def evaluate(self, expression):
        try:
            return eval(expression, self.ns)  # noqa: S307 (the harness's own expressions)
        except Exception:  # noqa: BLE001 (gone, or never made)
            return None

    def interesting(self, value):
        cls = type(value)
        return cls in self.types or cls.__module__.startswith("plinx") or isinstance(value, QtCore.QObject) \
            or cls.__name__ in ("memoryview", "ndarray", "array")

    def keep(self, expression, value, depth=0):
        """Pools the value (and what a list, tuple or dict of it holds)."""
        if isinstance(value, (list, tuple)) and depth == 0:
            for index, item in enumerate(value[:3]):
                self.keep(f"{expression}[{index}]", item, 1)
            return
        if isinstance(value, dict) and depth == 0:
            for key in list(value)[:3]:
                if isinstance(key, (str, int)):
                    self.keep(f"{expression}[{key!r}]", value[key], 1)
            return
        if not self.interesting(value):
            return
        pool = self.pools.setdefault(type(value), [])
        if expression not in pool:
            pool.append(expression)
            if len(pool) > 12:
                pool.pop(0)

    def forget(self, expression):
        for pool in self.pools.values():
            for item in list(pool):
                if item == expression or item.startswith(expression + "[") or item.startswith(expression + "."):
                    pool.remove(item)

    def make(self, expression, label, name=None):
        """`name = expression`, run; the name, pooled when worth using later."""
        name = name or self.fresh()
        self.run(f"{name} = {expression}", label)
        if name in self.ns:
            self.keep(name, self.ns[name])
            return name
        return None

    def pick(self, cls=None, exact=False):
        """A pooled object of the type (or of a subclass), or any pooled object."""
        if cls is None:
            pools = [pool for pool in self.pools.values() if pool]
        else:
            pools = [pool for kind, pool in self.pools.items()
                     if pool and (kind is cls or not exact and isinstance(kind, type) and issubclass(kind, cls))]
        if not pools:
            return None
        return self.rng.choice(self.rng.choice(pools))

    def label_of(self, expression):
        """The type of what the expression names, for the journal's labels."""
        return type(self.evaluate(expression)).__name__

    def subjects(self):
        return [name for pool in self.pools.values() for name in pool]

    def generate(self, body):
        """The statements body() would run, collected instead of run (for
        programs that run later, in other threads)."""
        collected, run = [], self.run
        skip = getattr(run, "skip", None)  # the runner's known faults
        self.run = lambda source, label="": None if skip and skip.search(source) else collected.append(source)
        try:
            body()
        finally:
            self.run = run
        return collected

    # --- Argument values ----------------------------------------------------------------------

    def type_named(self, name):
        """A type of the modules that a parameter's name points to: "layer",
        "layers", "detached_clip", "operation", "group"."""
        stem = name.lower().rstrip("s") if name.lower() not in ("views", "layers") else name.lower()[:-1]
        stem = stem.split("_")[-1] if "_" in stem else stem
        if not stem:
            return None
        for cls in self.types:
            lower = cls.__name__.lower()
            if lower == stem or lower.endswith(stem) or lower == "layer" + stem:
                return cls
        return None

    def text(self, choices):
        self.paths += 1
        return self.rng.choice(choices).format(unit=self.unit, n=self.paths)

    def value(self, annotation, name="", method="", depth=0):
        """The text of an argument for a parameter of this annotation and name."""
        rng = self.rng
        if rng.random() < self.hostility or depth > 2:
            return rng.choice(HOSTILE)
        origin = typing.get_origin(annotation)
        arguments = typing.get_args(annotation)
        if origin is typing.Union:  # Optional[X]
            if rng.random() < 0.2:
                return "None"
            others = [a for a in arguments if a is not type(None)]
            return self.value(others[0] if others else typing.Any, name, method, depth + 1)
        if annotation in (typing.List, list) or origin in (list, typing.List) or \
                getattr(annotation, "__name__", "") == "ArrayLikeVariable":
            return self.list_value(arguments[0] if arguments else None, name, method, depth)
        if origin in (tuple,) and arguments:
            return "(" + ", ".join(self.value(a, name, method, depth + 1) for a in arguments) + ",)"
        if origin is not None and str(origin).endswith("Sequence") or annotation is typing.Sequence:
            if rng.random() < 3 * self.hostility:
                return rng.choice(HOSTILE_SEQUENCES)
            return self.text(hinted(SEQUENCE_HINTS, name) or ["['a']", "[]"])
        if annotation is typing.Dict or origin is dict:
            return rng.choice(["{}", "{'Stabilize': True}", "{'Stabilize': False, 'x': 1}", "{1: object()}"])
        if annotation is bool:
            return rng.choice(["True", "False"])
        if annotation is int:
            return rng.choice(hinted(INT_HINTS, name) or SMALL_INTS)
        if annotation is float:
            return rng.choice(FLOATS)
        if annotation is str:
            return self.text(hinted(STRING_HINTS, name) or ["'a'", "''", "'ééé'"])
        if isinstance(annotation, type) and annotation in self.types:
            return self.object_of(annotation, depth)
        if isinstance(annotation, type) and annotation.__module__.startswith("PySide2"):
            if annotation is QtCore.QObject:
                return self.pick(QtCore.QObject) or "QtCore.QObject()"
            return f"{annotation.__module__.split('.')[-1]}.{annotation.__name__}()"
        # Any, object, or unknown: the parameter's name may tell.
        hinted_type = self.type_named(name)
        if hinted_type is not None and rng.random() < 0.8:
            return self.object_of(hinted_type, depth)
        choice = rng.random()
        if choice < 0.5:
            return self.pick() or "None"
        return rng.choice(SMALL_INTS + FLOATS + ["None", "'a'", "(1.0, 0.5, 0.0)"])

    def list_value(self, element, name, method, depth):
        rng = self.rng
        for key, choices in POINT_LISTS.items():
            if key in method.lower():
                return rng.choice(choices)
        element = element if isinstance(element, type) else self.type_named(name)
        if element is None:
            return rng.choice(["[]", "[1, 2]", self.pick() and f"[{self.pick()}]" or "[]"])
        count = rng.choice([0, 1, 1, 2, 3])
        return "[" + ", ".join(self.value(element, "", method, depth + 1) for _ in range(count)) + "]"

    def object_of(self, cls, depth=0):
        """A pooled object of the type, or a new one built from its signature."""
        if discovery.is_enum(cls):
            return f"{discovery.expression_of(cls)}.{self.rng.choice(sorted(cls.values))}"
        pooled = self.pick(cls)
        if pooled is not None and self.rng.random() < 0.85:
            return pooled
        if cls.__name__ == "View":
            return self.rng.choice(["p.View(0)", "p.View(1)", "0", "1", "p.View(7)"])
        return self.construct(cls, depth + 1) or pooled or "None"

    def call_text(self, callable_, method="", depth=0):
        """Arguments for one of the callable's signatures: its required
        parameters, some optional ones, now and then a keyword."""
        overloads = discovery.signatures(callable_)
        if not overloads:
            return ", ".join(self.rng.choice(HOSTILE) for _ in range(self.rng.choice([0, 0, 0, 1, 2])))
        signature = self.rng.choice(overloads)
        parts, keywords = [], False
        for name, parameter in signature.parameters.items():
            if name == "self" or parameter.kind in (inspect.Parameter.VAR_POSITIONAL, inspect.Parameter.VAR_KEYWORD):
                continue
            if not discovery.required(parameter) and self.rng.random() < 0.5:
                keywords = True  # what follows a skipped one goes by keyword
                continue
            value = self.value(parameter.annotation, name, method, depth)
            by_keyword = keywords or self.rng.random() < 0.1
            parts.append(f"{name}={value}" if by_keyword else value)
            keywords = by_keyword
        return ", ".join(parts)

    def construct(self, cls, depth=0):
        if depth > 2 or not discovery.signatures(cls):
            return None
        return f"{discovery.expression_of(cls)}({self.call_text(cls, cls.__name__, depth)})"

    # --- Random calls over the graph ------------------------------------------------------------

    def random_call(self, subject=None):
        """One use of a member of a pooled object (or a constructor); the statement run."""
        rng = self.rng
        if subject is None:
            if rng.random() < 0.08 and self.types:
                cls = rng.choice(self.types)
                made = self.construct(cls)
                if made:
                    self.make(made, f"{cls.__name__}()")
                return
            subject = self.pick()
            if subject is None:
                return
        obj = self.evaluate(subject)
        if obj is None:
            self.run(f"{subject}.isNull()", "gone.isNull()")
            return
        cls = type(obj)
        if cls.__name__ in ("memoryview", "ndarray", "array"):
            self.run(f"touch({subject})", f"touch({cls.__name__})")
            return
        members = discovery.members(cls)
        if not members or rng.random() < 0.06:
            self.slot(subject, cls)
            return
        kind, name = rng.choice(members)
        label = f"{cls.__name__}.{name}"
        if kind in ("property", "field"):
            descriptor = getattr(cls, name, None)
            if rng.random() < 0.55 or not getattr(descriptor, "fset", True):
                self.make(f"{subject}.{name}", label)
                return
            setter = getattr(descriptor, "fset", None)
            overloads = discovery.signatures(setter) if setter else []
            parameter = next(iter(overloads[0].parameters.values()), None) if overloads else None
            annotation = parameter.annotation if parameter is not None else typing.Any
            if annotation in (typing.List, list) and getattr(descriptor, "fget", None) is not None:
                returned = discovery.signatures(descriptor.fget)
                element = returned[0].return_annotation if returned else None
                value = self.list_value(element if isinstance(element, type) else None, name, name, 0)
            else:
                value = self.value(annotation, parameter.name if parameter is not None else name, name)
            self.run(f"{subject}.{name} = {value}", label + " =")
            return
        declared = discovery.declared(cls, name)
        if declared is None:
            return
        self.make(f"{subject}.{name}({self.call_text(declared, name)})", label + "()")

    def slot(self, subject, cls):
        other = self.pick() or "None"
        slots = [("repr({s})", "repr"), ("hash({s})", "hash"), ("bool({s})", "bool"), ("len({s})", "len"),
                 ("list({s})[:3]", "iter"), ("{s} == {o}", "=="), ("{s} != {o}", "!="), ("{s} < {o}", "<"),
                 ("copy.copy({s})", "copy"), ("str({s})", "str")]
        if cls.__module__.startswith("plinx"):
            # PySide2's own objects die of a second __init__ once deleted: out of scope.
            slots.append(("{s}.__init__()", "init again"))
        template, label = self.rng.choice(slots)
        self.run(template.format(s=subject, o=other), f"{cls.__name__} {label}")

    # --- Whole projects ---------------------------------------------------------------------------

    def build_project(self, index, parented=False):
        """A project over generated footage with every kind of object in it; its name."""
        rng = self.rng
        run, make = self.run, self.make
        if "F0" not in self.ns:
            run("F0 = footage('sq', 6, (48, 32))", "footage")
        parent = ""
        if parented:
            owner = make("QtCore.QObject()", "QObject()", f"Q{index}")
            parent = f", parent={owner}"
        project = make(f"p.Project(p.Clip(F0, 'plate'){parent})", "Project(Clip)", f"P{index}")
        if project is None:
            return None
        self.projects.append(project)
        run(f"{project}.set_output_dir('out/{self.unit}_p{index}')", "Project.set_output_dir")
        clip = make(f"{project}.clips['plate']", "Project.clips", f"C{index}")
        layers = [make(f"{project}.add_layer({clip}, '{letter}')", "Project.add_layer", f"L{index}{letter}")
                  for letter in "abc"[:rng.choice([2, 3, 3])]]
        layers = [layer for layer in layers if layer]
        if len(layers) >= 2:
            xspline = make(f"{layers[0]}.add_xspline_contour(0.0, xpoints(4))", "Layer.add_xspline_contour",
                           f"X{index}")
            bezier = make(f"{layers[1]}.add_bezier_contour(0.0, bpoints(3))", "Layer.add_bezier_contour",
                          f"B{index}")
            if xspline and bezier:
                make(f"{xspline}.control_point(0)", "XSplineContour.control_point", f"K{index}x")
                make(f"{bezier}.control_point(1)", "BezierContour.control_point", f"K{index}b")
                run(f"K{index}b.set_master_point(K{index}x)", "BezierControlPoint.set_master_point")
                make(f"{xspline}.control_points", "XSplineContour.control_points")
            make(f"{project}.add_group('G{index}', [{layers[-1]}])", "Project.add_group", f"G{index}")
            run(f"{layers[0]}.link_to_track = {layers[1]}", "Layer.link_to_track =")
        make(f"{clip}.base_parameter_set(['camera'])", "Clip.base_parameter_set", f"S{index}")
        make(f"S{index}.parameters", "ParameterSet.parameters")
        make(f"{clip}.parameter(['frameRateMode'])", "Clip.parameter")
        if layers:
            make(f"{layers[0]}.parameter_set()", "Layer.parameter_set")
        make(f"{project}.parameter_set()", "Project.parameter_set")
        make(f"{clip}.color_parameters", "Clip.color_parameters")
        image = make(f"{clip}.image(1)", "Clip.image", f"I{index}")
        if image:
            run(f"A{index}, V{index}, N{index} = views({image})", "views(ImageData)")
            for prefix in "AVN":
                self.keep(f"{prefix}{index}", self.ns.get(f"{prefix}{index}"))
        make(f"{clip}.image(2, allocate=True)", "Clip.image")
        operation = rng.choice([cls for cls in self.types if cls.__name__.startswith("Render")
                                and cls.__name__ != "RenderOperation"] or [None])
        if operation is not None:
            made = make(f"{discovery.expression_of(operation)}()", f"{operation.__name__}()", f"O{index}")
            if made:
                make(f"{made}.progress_watcher", "RenderOperation.progress_watcher", f"W{index}")
        make(f"{project}.progress_watcher", "Project.progress_watcher")
        make(f"{clip}.progress_watcher", "Clip.progress_watcher")
        return project

    def build_extensions(self):
        """A Python image IO module with a clip over its format, a Python
        exporter of each family registered, and the core's entry for it."""
        run, make = self.run, self.make
        run(f"TOYX = fresh_extension({self.unit}, {self.counter})", "fresh_extension")
        make("ScriptedIO(TOYX)", "ScriptedIO()", "IO")
        run("TOYF = toy_footage(TOYX)", "toy_footage")
        if self.projects:
            project = self.projects[0]
            make(f"{project}.add_clip(p.Clip(TOYF, 'toy', True), 'toy')", "Project.add_clip", "CT")
            make("CT.image(1)", "Clip.image")
        for family in sorted(self.ns["SCRIPTED_EXPORTERS"]):
            short = family.replace("Abstract", "").replace("Exporter", "")
            name = f"Fuzz {short} {self.unit} {self.counter}"
            exporter = make(f"SCRIPTED_EXPORTERS[{family!r}]({name!r}, '.txt')", f"{family} subclass()",
                            f"EX{short}")
            if exporter:
                run(f"{exporter}.register()", f"{family}.register")
                make(f"e.{family}.registered_exporters()[{name!r}]", f"{family}.registered_exporters",
                     f"EN{short}")
            make(f"e.{family}.registered_exporters()", f"{family}.registered_exporters")

    def build_application(self):
        """Inside the application: its project (from the first one saved), a
        tool the core made, the events it received and the overlay renderer."""
        if not self.embedded or not self.projects:
            return
        run, make = self.run, self.make
        path = f"out/{self.unit}_app.plinx"
        run(f"{self.projects[0]}.save_as({path!r})", "Project.save_as")
        run(f"host.open_project({path!r})", "host.open_project")
        make("p.get_current_project()", "get_current_project", "APP")
        run("EV = []", "events")
        tool = f"Tool{self.unit}_{self.counter}"
        run(f"{tool} = type({tool!r}, (ScriptedTool,), {{'acts': {{'on_mouse_press': act('EV.append(call.args[0])')}}}})",
            "tool type")
        run(f"t.register_custom_tool_type({tool})", "register_custom_tool_type")
        run("host.request_tool()", "host.request_tool")
        run(f"TOOL = {tool}", "tool type")
        make(f"t.tool_instance({tool})", "tool_instance", "TL")
        for layer, contour, point in (("'a'", 0, 1), ("'b'", 0, 2), ("None", "None", "None")):
            run(f"host.mouse_press((1.0, 2.0), (3.0, 4.0), {layer}, {contour}, {point})", "host.mouse_press")
        for index in range(3):
            self.keep(f"EV[{index}]", self.evaluate(f"EV[{index}]"))
        make("overlay()", "overlay", "OV")
        run("host.draw_overlay(1.0, 2.0)", "host.draw_overlay")

    def build_world(self, projects=2):
        """Several projects at once, the extensions and (inside the
        application) the application's own objects."""
        for index in range(projects):
            self.build_project(index, parented=self.rng.random() < 0.25)
        self.build_extensions()
        self.build_application()

    # --- Long operations and host actions ----------------------------------------------------------

    def long_operation(self, project=None):
        """A statement of one of the operations that report progress and call
        back into Python (renders, tracking, exports, shape exports, the
        exporters' entries, reading a frame through a Python reader), on
        the project (or any)."""
        rng = self.rng
        project = project or self.pick_project()
        if project is None:
            return None
        layers = self.list_value(None, "layers", "", 0)
        n = self.counter
        clip = self.pick_clip() or "C0"
        extension = rng.choice(["'.png'", "TOYX"])
        choices = [
            (f"{project}.render({self.object_of(self.render_operation())}, 0, {rng.choice([1, 2])}, {layers})",
             "Project.render()"),
            (f"{project}.track_layers(0, 2, {layers})", "Project.track_layers()"),
            (f"{project}.export_rendered_shapes({layers}, p.ByMatteColor, 'out/{self.unit}_s{n}', '.png', 's_', "
             f"'', 0, 1)", "Project.export_rendered_shapes()"),
            (f"{clip}.export(None, 'out/{self.unit}_e{n}', {extension}, 'f_', '', 0, 1)",
             "Clip.export()"),
            (f"{clip}.image({rng.randrange(4)})", "Clip.image()"),
            (f"{project}.save_as('out/{self.unit}_{n}.plinx')", "Project.save_as()"),
        ]
        entries = [name for name in self.subjects() if hasattr(self.evaluate(name), "do_export")]
        if entries:  # an exporter of the core's, or its entry of a Python exporter
            choices.append(self.entry_trigger(rng.choice(entries)))
        return rng.choice(choices)

    def extensions(self):
        """The world's extensions that the core calls back: (the expression
        whose `acts` set their behaviours, their callback methods, a function
        giving statements that make the core call them)."""
        found = []
        if self.ns.get("IO") is not None:
            found.append(("IO", prelude.callback_methods(type(self.ns["IO"])), self.io_triggers))
        for name in sorted(self.ns):
            if name.startswith("EX") and self.ns.get(name) is not None:
                entry = "EN" + name[2:]
                found.append((name, prelude.callback_methods(type(self.ns[name])),
                              lambda entry=entry: [self.entry_trigger(entry)]))
        if self.ns.get("TOOL") is not None:
            found.append(("TOOL", ["__init__"] + prelude.callback_methods(self.ns["TOOL"]), self.tool_triggers))
        if self.ns.get("OV") is not None:
            found.append(("OV", ["draw"], lambda: [("host.draw_overlay(1.0, 2.0)", "host.draw_overlay")]))
        return found

    def io_triggers(self):
        """Statements that read and write frames through the Python image IO module."""
        n = self.counter
        return self.rng.sample([
            ("CT.image(2)", "Clip.image() through IO"),
            ("CT.image(3, allocate=True)", "Clip.image() through IO"),
            ("p.Clip(TOYF, 'again', True)", "Clip() through IO"),
            (f"C0.export(None, 'out/{self.unit}_io{n}', TOYX, 'f_', '', 0, 1)", "Clip.export() through IO"),
            (f"CT.export(None, 'out/{self.unit}_ii{n}', '.png', 'f_', '', 0, 1)", "Clip.export() through IO"),
        ], 2)

    def entry_trigger(self, entry):
        """The core's entry of a Python exporter, run: the core calls the exporter back."""
        obj = self.evaluate(entry)
        if obj is None:
            return (f"{entry}.do_export()", "do_export()")
        hostility, self.hostility = self.hostility, 0.0
        try:
            arguments = self.call_text(discovery.declared(type(obj), "do_export"), "do_export")
        finally:
            self.hostility = hostility
        return (f"{entry}.do_export({arguments})", f"{type(obj).__name__}.do_export()")

    def tool_triggers(self):
        """Statements that make the application build its tool and call it."""
        return [("host.request_tool()", "host.request_tool"), ("host.activate(True)", "host.activate"),
                ("host.mouse_press((1.0, 2.0), (3.0, 4.0), 'a', 0, 1)", "host.mouse_press"),
                ("host.mouse_move((1.0, 2.0), (3.0, 4.0), 'b', 0, 0)", "host.mouse_move"),
                ("host.mouse_release((1.0, 2.0), (3.0, 4.0), None)", "host.mouse_release"),
                ("host.deactivate(True)", "host.deactivate")]

    def render_operation(self):
        return next((cls for cls in self.types if cls.__name__ == "RenderOperation"), None)

    def pick_project(self):
        alive = [name for name in self.projects if self.evaluate(name) is not None]
        return self.rng.choice(alive) if alive else None

    def pick_clip(self):
        clips = [cls for cls in self.types if cls.__name__ == "Clip"]
        return self.pick(clips[0]) if clips else None

    def host_action(self):
        """What the application does to tools, its canvas and its project."""
        rng = self.rng
        layer = rng.choice(["'a'", "'b'", "'c'", "None", "host.FOREIGN_LAYER"])
        return rng.choice([
            (f"host.mouse_press(({rng.random():.2f}, 2.0), (3.0, 4.0), {layer}, {rng.choice(['0', '1', 'None'])}, 0)",
             "host.mouse_press"),
            (f"host.mouse_move((1.0, 2.0), (3.0, 4.0), {layer}, 0, 0)", "host.mouse_move"),
            (f"host.mouse_release((1.0, 2.0), (3.0, 4.0), {layer}, 0, 0)", "host.mouse_release"),
            ("host.draw_overlay(1.0, 2.0)", "host.draw_overlay"),
            (f"host.activate({rng.choice(['True', 'False'])})", "host.activate"),
            ("host.deactivate()", "host.deactivate"),
            ("host.key_press(65)", "host.key_press"),
            ("host.request_tool()", "host.request_tool"),
            ("host.destroy_tool()", "host.destroy_tool"),
            ("p.get_current_project().layers", "get_current_project"),
        ])
