"""Mode `calls`: randomized calls into every public type and function of the
loaded plinx modules, one object at a time.

Each call finds every public type, method, property, field, slot and
function by itself (discovery.py) and calls it at random: wrong types, None,
huge and odd numbers, objects whose repr or comparison raises, deleted and
uninitialised objects, Python subclasses whose overrides misbehave, calls
from a second thread. The first calls of a worker seed a project of
generated footage and what its clip hands out. A unit is one call; its
journal lines tell what it did (a recipe, not a script: the objects of a
call come from the calls before it).
"""
import os
import threading

import discovery
from prelude import BadNumber, BadSequence, RaisingRepr, quiet


class Value:
    """A value for an argument, with the code that makes it again."""

    def __init__(self, obj, recipe):
        self.obj = obj
        self.recipe = recipe


class Worker:
    def __init__(self, journal, seed):
        self.journal = journal
        self.seed = seed
        self.modules = discovery.load_modules()
        import shiboken2
        from PySide2 import QtCore
        self.shiboken = shiboken2
        self.QtCore = QtCore
        self.app = QtCore.QCoreApplication.instance() or QtCore.QCoreApplication([])
        self.types, self.functions = discovery.discover(self.modules)
        self.instances = {t: [] for t in self.types}
        self.seed_project()

    # Values.
    def value(self, rng, depth=0):
        QtCore = self.QtCore
        choice = rng.randrange(30)
        simple = [
            (None, "None"), (True, "True"), (False, "False"), (0, "0"), (1, "1"), (-1, "-1"),
            (2 ** 31, "2**31"), (2 ** 32, "2**32"), (-2 ** 63 - 1, "-2**63-1"), (2 ** 64, "2**64"),
            (10 ** 100, "10**100"), (0.5, "0.5"), (float("nan"), "float('nan')"), (float("inf"), "float('inf')"),
            (1.5j, "1.5j"), ("", "''"), ("a", "'a'"), ("%s%n%1", "'%s%n%1'"), ("\x00x", "'\\x00x'"),
            ("é" * 3, "'ééé'"), (b"bytes", "b'bytes'"), ([], "[]"), ([1, 2], "[1, 2]"), (["a", "b"], "['a', 'b']"),
            ((0.5, 0.5, 1.0), "(0.5, 0.5, 1.0)"), ({}, "{}"), ({"a": 1}, "{'a': 1}"),
        ]
        if choice < 12:
            obj, recipe = rng.choice(simple)
            return Value(obj, recipe)
        if choice < 14:
            return rng.choice([Value(RaisingRepr(), "RaisingRepr()"), Value(BadSequence(), "BadSequence()"),
                               Value(BadNumber(), "BadNumber()"), Value(object(), "object()"),
                               Value(lambda *a: None, "lambda *a: None")])
        if choice < 16:
            return rng.choice([Value(QtCore.QObject(), "QtCore.QObject()"),
                               Value(QtCore.QPointF(1, 2), "QtCore.QPointF(1, 2)"),
                               Value(QtCore.QEvent(QtCore.QEvent.User), "QtCore.QEvent(QtCore.QEvent.User)")])
        if choice < 18 and depth == 0:
            return Value([self.value(rng, 1).obj for _ in range(rng.randrange(4))], "[...]")
        if not self.types:
            return Value(None, "None")
        cls = rng.choice(self.types)
        name = f"{cls.__module__}.{cls.__name__}"
        members = getattr(cls, "values", None)
        if choice < 20 and isinstance(members, dict) and members:
            key = rng.choice(sorted(members))
            return Value(members[key], f"{name}.{key}")
        if choice < 22:
            try:
                return Value(cls.__new__(cls), f"{name}.__new__({name})")
            except Exception:  # noqa: BLE001
                return Value(cls, name)
        pool = self.instances.get(cls)
        if pool:
            return rng.choice(pool)
        return Value(cls, name)

    def arguments(self, rng, names=()):
        count = rng.choice([0, 1, 1, 2, 2, 3, 4, 6])
        args = [self.value(rng) for _ in range(count)]
        kwargs = {}
        if names and rng.random() < 0.3:
            for name in rng.sample(list(names), min(len(names), rng.randrange(1, 3))):
                kwargs[name] = self.value(rng)
        if rng.random() < 0.05:
            kwargs["unknown_keyword"] = self.value(rng)
        return args, kwargs

    @staticmethod
    def text(args, kwargs):
        parts = [a.recipe for a in args] + [f"{k}={v.recipe}" for k, v in kwargs.items()]
        return ", ".join(parts)

    # One call.
    def call(self, index, rng):
        if not self.types and not self.functions:
            return
        kind = rng.randrange(100)
        if kind < 10 and self.functions:
            name, function = rng.choice(self.functions)
            args, kwargs = self.arguments(rng, discovery.parameter_names(function))
            self.run(f"{name}({self.text(args, kwargs)})",
                     lambda: function(*[a.obj for a in args], **{k: v.obj for k, v in kwargs.items()}))
            return
        cls = rng.choice(self.types)
        cls_name = f"{cls.__module__}.{cls.__name__}"
        if kind < 30:
            target = self.subclass(cls, rng) if rng.random() < 0.25 and discovery.subclassable(cls) else cls
            args, kwargs = self.arguments(rng, discovery.parameter_names(cls))
            target_name = cls_name if target is cls else f"subclass_of({cls_name})"
            made = self.run(f"{target_name}({self.text(args, kwargs)})",
                            lambda: target(*[a.obj for a in args], **{k: v.obj for k, v in kwargs.items()}))
            self.keep(made, f"<{target_name}({self.text(args, kwargs)})>")
            return
        pool = self.instances.get(cls) or []
        if not pool:
            return
        subject = rng.choice(pool)
        obj = subject.obj
        if kind < 33:
            if self.shiboken.isValid(obj):
                self.run(f"shiboken2.delete({subject.recipe})", lambda: self.shiboken.delete(obj))
            return
        if kind < 45:
            self.slot(subject, rng)
            return
        members = discovery.members(cls)
        if not members:
            return
        member_kind, name = rng.choice(members)
        where = f"{subject.recipe}.{name}"
        if rng.random() < 0.05:
            # The runtime's introspection of the member (folded accessors too).
            member = getattr(cls, name, None)
            parts = [member] + ([member.fget, member.fset] if isinstance(member, property) else [])
            self.run(f"{cls_name}.{name}.__signature__", lambda: [getattr(m, "__signature__", None) for m in parts])
            return
        if member_kind in ("property", "field"):
            action = rng.randrange(4)
            if action == 0:
                self.keep(self.run(where, lambda: getattr(obj, name)), f"<{where}>")
            elif action == 1:
                self.run(f"del {where}", lambda: delattr(obj, name))
            else:
                value = self.value(rng)
                self.run(f"{where} = {value.recipe}", lambda: setattr(obj, name, value.obj))
            return
        bound = getattr(obj, name, None) if member_kind == "method" else getattr(cls, name, None)
        if bound is None:
            return
        args, kwargs = self.arguments(rng, discovery.parameter_names(bound))
        text = f"{where}({self.text(args, kwargs)})"
        function = lambda: bound(*[a.obj for a in args], **{k: v.obj for k, v in kwargs.items()})  # noqa: E731
        if rng.random() < 0.1:
            self.in_two_threads(text, function)
        else:
            self.keep(self.run(text, function), f"<{text}>")

    def seed_project(self):
        """A project of generated footage and what its clip hands out
        (parameters, sets, frames), as the first subjects of calls: random
        arguments seldom name footage."""
        try:
            from PySide2 import QtGui
            import plinx.project as project
        except ImportError:
            return
        folder = os.path.abspath("seed-footage")
        os.makedirs(folder, exist_ok=True)
        for index in (1, 2):
            image = QtGui.QImage(8, 6, QtGui.QImage.Format_RGB888)
            image.fill(QtGui.QColor(50 * index, 60, 90))
            image.save(os.path.join(folder, "seed.%04d.png" % index))
        self.log("# seeding a project")
        try:
            made = project.Project(project.Clip(os.path.join(folder, "seed.0001.png"), "seed"))
            clip = made.clips["seed"]
            camera = clip.base_parameter_set(["camera"])
        except Exception as error:  # noqa: BLE001 (a host without footage support: no seeds)
            self.log(f"# no seeds: {error!r}")
            return
        for recipe, make in [
            ("<seed project>", lambda: made), ("<seed clip>", lambda: clip),
            ("<seed clip>.parameter_set()", clip.parameter_set), ("<seed project>.parameter_set()", made.parameter_set),
            ("<seed camera>", lambda: camera), ("<seed camera>['filmBackUnits']", lambda: camera["filmBackUnits"]),
            ("<seed clip>.parameter(['frameRateMode'])", lambda: clip.parameter(["frameRateMode"])),
            ("<seed clip>.image(0)", lambda: clip.image(0)),
            ("<seed clip>.image(1, allocate=True)", lambda: clip.image(1, allocate=True)),
            ("<seed project>.add_layer(<seed clip>, 'a')", lambda: made.add_layer(clip, "a")),
            ("<seed project>.add_layer(<seed clip>, 'b')", lambda: made.add_layer(clip, "b")),
            ("<seed project>.add_group('G', <seed project>.layers)", lambda: made.add_group("G", made.layers)),
            ("<seed project>.add_layer(<seed clip>, 'c')", lambda: made.add_layer(clip, "c")),
        ]:
            self.keep(self.run(recipe, make), recipe)
        self.seed_shapes(project, made)
        self.seed_tools(made)

    def seed_shapes(self, project, made):
        """Contours of both kinds on the seeded layers, their points and a
        constraint between them."""
        X, B = project.XControlPointData, project.BezierControlPointData
        layers = {layer.name: layer for layer in made.layers}
        if not {"a", "b"} <= set(layers):
            return
        xspline = self.run("<seed layer a>.add_xspline_contour(...)", lambda: layers["a"].add_xspline_contour(
            0.0, [X(x=1.0, y=1.0), X(x=5.0, y=2.0), X(x=3.0, y=6.0)]))
        bezier = self.run("<seed layer b>.add_bezier_contour(...)", lambda: layers["b"].add_bezier_contour(
            0.0, [B(x=2.0, y=2.0), B(x=8.0, y=2.0, handle_offset_forward=(1.0, 0.0)), B(x=8.0, y=8.0)]))
        for recipe, make in [
            ("<seed xspline>", lambda: xspline), ("<seed bezier>", lambda: bezier),
            ("<seed xspline>.control_points", lambda: xspline.control_points),
            ("<seed bezier>.control_points", lambda: bezier.control_points),
            ("<seed bezier>.control_point(0).set_master_point(<seed xspline>.control_point(0))",
             lambda: bezier.control_point(0).set_master_point(xspline.control_point(0))),
        ]:
            self.keep(self.run(recipe, make), recipe)

    def seed_tools(self, made):
        """Inside the embedding host: the seeded project as the application's,
        a tool the host's tool manager made, and the events it received over
        the seeded shapes, a group and nothing."""
        try:
            import embed_host
            import plinx.tools as tools
        except ImportError:
            return
        path = os.path.abspath("seed-project.plinx")
        events = []

        class SeedTool(tools.AbstractTool):
            def __init__(self, project):
                super().__init__()
                self.project = project

            def on_mouse_press(self, event):
                events.append(event)

        def make_tool():
            made.save_as(path)
            embed_host.open_project(path)
            tools.register_custom_tool_type(SeedTool)
            embed_host.request_tool()
            for layer, contour, point in (("a", 0, 1), ("b", 0, 2), ("G", 0, 0), (None, None, None),
                                          (embed_host.FOREIGN_LAYER, 0, 0)):
                embed_host.mouse_press((1.0, 2.0), (3.0, 4.0), layer, contour, point)
            return tools.tool_instance(SeedTool)

        tool = self.run("<seed tool>", make_tool)
        if tool is not None and tools.AbstractTool in self.instances:
            self.instances[tools.AbstractTool].append(Value(tool, "<seed tool>"))
        for index, event in enumerate(events):
            self.keep(event, f"<seed event {index}>")

    def keep(self, made, recipe):
        """Objects of the modules' types that calls give (clips of a project,
        its colour objects and watchers) become subjects of later calls."""
        found = made if isinstance(made, (list, tuple)) else list(made.values()) if isinstance(made, dict) else [made]
        for item in found[:2]:
            pool = self.instances.get(type(item))
            if pool is None:
                continue
            pool.append(Value(item, recipe))
            if len(pool) > 8:
                pool.pop(0)

    def slot(self, subject, rng):
        obj = subject.obj
        other = self.value(rng)
        slots = [
            ("repr", lambda: repr(obj)), ("str", lambda: str(obj)), ("hash", lambda: hash(obj)),
            ("bool", lambda: bool(obj)), ("len", lambda: len(obj)), ("iter", lambda: list(iter(obj))[:3]),
            ("getitem", lambda: obj[other.obj]), ("==", lambda: obj == other.obj), ("!=", lambda: obj != other.obj),
            ("<", lambda: obj < other.obj), ("<=", lambda: obj <= other.obj), (">", lambda: obj > other.obj),
            ("copy", lambda: __import__("copy").copy(obj)), ("init again", lambda: obj.__init__()),
            ("init again with", lambda: obj.__init__(other.obj)),
        ]
        name, action = rng.choice(slots)
        self.run(f"{name}({subject.recipe}, {other.recipe})", action)

    def subclass(self, cls, rng):
        """A Python subclass whose overrides misbehave in random ways."""
        behaviours = [lambda *a: None, lambda *a: "wrong", lambda *a: 1 / 0, lambda *a: True, lambda *a: a]
        namespace = {}
        for kind, name in discovery.members(cls):
            if kind == "method" and rng.random() < 0.5:
                namespace[name] = rng.choice(behaviours)
        for name in ("event", "childEvent", "timerEvent", "isNull"):
            if rng.random() < 0.3:
                namespace[name] = rng.choice(behaviours)
        try:
            return type("Sub" + cls.__name__, (cls,), namespace)
        except TypeError:
            return cls

    def in_two_threads(self, text, function):
        self.log(f"two threads: {text}")

        def quietly():
            try:
                function()
            except BaseException:  # noqa: BLE001
                pass

        thread = threading.Thread(target=quietly)
        thread.start()
        quietly()
        thread.join()

    def log(self, text):
        self.journal.write(text)

    def run(self, text, function):
        self.log(text)
        try:
            return function()
        except (Exception, KeyboardInterrupt) as error:  # noqa: BLE001 (raising is fine; dying is not)
            quiet.raised[type(error).__name__] += 1
            return None


class Calls:
    """The mode: one worker's state lives across its units."""

    def __init__(self):
        self.worker = None

    @staticmethod
    def units(calls, types, embedded):
        return calls

    def run_unit(self, context):
        if self.worker is None:
            self.worker = Worker(context.journal, 0)
        self.worker.call(context.index, context.rng)
        context.run.statements += 1  # a call counts as a statement
        if context.index % 500 == 0:
            self.worker.QtCore.QCoreApplication.processEvents()

    @staticmethod
    def exits_after(context):
        return False
