"""Randomized calls into every public type and function of the loaded plinx modules.

    /usr/bin/python3 tests/fuzz/fuzz.py --calls 100000 [--host python|embed] [--seed N] [--jobs 4]

The driver starts worker processes; each worker imports the modules, finds
every public type, method, property, field, slot and function by itself (so
types declared later are driven without a change here) and makes randomized
calls: wrong types, None, huge and odd numbers, objects whose repr or
comparison raises, deleted and uninitialised objects, Python subclasses
whose overrides misbehave, calls from a second thread. Each call is written
to the worker's journal before it runs; when a worker dies, the driver
counts the death, prints the journal's last call (the reproducer) and starts
a new worker at the next call. Any death fails the run.

Out of scope: patterns that crash PySide2's own objects in the same way.
  - Deleting one object twice with shiboken2.delete (the runtime frees it
    twice): the workers delete only objects that are still valid.
  - Calling shiboken2.delete on the QCoreApplication while events are
    being delivered.
"""
import argparse
import os
import random
import subprocess
import sys
import tempfile
import textwrap
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
MODULES = ["plinx._init", "plinx.project", "plinx.exporters", "plinx.mediaio", "plinx.tools"]


# --- Worker ---------------------------------------------------------------------------

class RaisingRepr:
    def __repr__(self):
        raise ValueError("no repr")

    __str__ = __repr__

    def __eq__(self, other):
        raise ValueError("no comparison")

    def __hash__(self):
        raise ValueError("no hash")


class BadSequence:
    def __len__(self):
        return 3

    def __getitem__(self, index):
        raise ValueError("no item")


class BadNumber:
    def __index__(self):
        raise ValueError("no index")

    def __float__(self):
        raise ValueError("no float")


class Value:
    """A value for an argument, with the code that makes it again."""

    def __init__(self, obj, recipe):
        self.obj = obj
        self.recipe = recipe


class Worker:
    def __init__(self, journal, seed):
        self.journal = journal
        self.seed = seed
        self.modules = []
        for name in MODULES:
            try:
                self.modules.append(__import__(name, fromlist=["*"]))
            except Exception:  # noqa: BLE001 (a module this host cannot load)
                pass
        import shiboken2
        from PySide2 import QtCore
        self.shiboken = shiboken2
        self.QtCore = QtCore
        self.app = QtCore.QCoreApplication.instance() or QtCore.QCoreApplication([])
        self.types, self.functions = self.discover()
        self.instances = {t: [] for t in self.types}
        self.errors = {}
        self.seed_project()

    # Discovery: everything public that the modules define.
    def discover(self):
        types, functions = [], []
        for module in self.modules:
            for name in sorted(dir(module)):
                if name.startswith("_"):
                    continue
                value = getattr(module, name)
                if isinstance(value, type) and value.__module__ == module.__name__:
                    types.append(value)
                elif callable(value) and not isinstance(value, type):
                    functions.append((f"{module.__name__}.{name}", value))
        return types, functions

    def members(self, cls):
        """The members a bound type adds itself, with their kind."""
        found = []
        for klass in cls.__mro__:
            if not klass.__module__.startswith(("plinx", "bindingprobe")):
                continue
            for name, member in vars(klass).items():
                if name in ("__init__", "__new__", "__doc__", "__module__", "__dict__", "__weakref__") \
                        or name.startswith("__") and name not in ("__copy__",):
                    continue
                if isinstance(member, property):
                    found.append(("property", name))
                elif type(member).__name__ == "getset_descriptor":
                    found.append(("field", name))
                elif isinstance(member, staticmethod) or type(member).__name__ == "builtin_function_or_method":
                    found.append(("static", name))
                elif callable(member):
                    found.append(("method", name))
        return found

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
    def parameter_names(callable_):
        try:
            signatures = callable_.__signature__
        except Exception:  # noqa: BLE001
            return ()
        if signatures is None:
            return ()
        if not isinstance(signatures, list):
            signatures = [signatures]
        return {p for s in signatures for p in s.parameters}

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
            args, kwargs = self.arguments(rng, self.parameter_names(function))
            self.run(f"{name}({self.text(args, kwargs)})",
                     lambda: function(*[a.obj for a in args], **{k: v.obj for k, v in kwargs.items()}))
            return
        cls = rng.choice(self.types)
        cls_name = f"{cls.__module__}.{cls.__name__}"
        if kind < 30:
            target = self.subclass(cls, rng) if rng.random() < 0.25 and self.subclassable(cls) else cls
            args, kwargs = self.arguments(rng, self.parameter_names(cls))
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
        members = self.members(cls)
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
        args, kwargs = self.arguments(rng, self.parameter_names(bound))
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

    @staticmethod
    def subclassable(cls):
        return bool(cls.__flags__ & (1 << 10))

    def subclass(self, cls, rng):
        """A Python subclass whose overrides misbehave in random ways."""
        behaviours = [lambda *a: None, lambda *a: "wrong", lambda *a: 1 / 0, lambda *a: True, lambda *a: a]
        namespace = {}
        for kind, name in self.members(cls):
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
        self.journal.write(text + "\n")
        self.journal.flush()

    def run(self, text, function):
        self.log(text)
        try:
            return function()
        except (Exception, KeyboardInterrupt) as error:  # noqa: BLE001 (raising is fine; dying is not)
            name = type(error).__name__
            self.errors[name] = self.errors.get(name, 0) + 1
            return None

    def work(self, first, count):
        for index in range(first, first + count):
            self.log(f"# call {index}")
            self.call(index, random.Random(self.seed * 1000003 + index))
            if index % 500 == 0:
                self.QtCore.QCoreApplication.processEvents()
        self.log("# done")
        sys.stdout.write(repr(self.errors) + "\n")


def worker_main(argv):
    journal_path, seed, first, count = argv[0], int(argv[1]), int(argv[2]), int(argv[3])
    with open(journal_path, "a", encoding="utf-8") as journal:
        journal.write("# started\n")
    import plinx._init  # noqa: F401 (starts the core first, as scripts do)
    with open(journal_path, "a", encoding="utf-8") as journal:
        Worker(journal, seed).work(first, count)
    sys.stdout.flush()
    os._exit(0)  # the calls may leave objects that a full shutdown would only slow down


# --- Driver ---------------------------------------------------------------------------

def last_call(journal_path):
    try:
        with open(journal_path, encoding="utf-8", errors="replace") as journal:
            lines = journal.read().splitlines()
    except OSError:
        return None, []
    index = None
    tail = []
    for line in lines:
        if line.startswith("# call "):
            index = int(line.split()[2])
            tail = []
        elif not line.startswith("#"):
            tail.append(line)
    return index, tail


def run_slice(host, build, seed, first, count, scratch, timeout, raised):
    """Runs calls first..first+count-1, restarting after each death."""
    deaths = []
    position = first
    end = first + count
    env = dict(os.environ)
    env["PYTHONPATH"] = os.pathsep.join([os.path.join(build, "python"), os.path.join(build, "tests", "probe")])
    env["QT_QPA_PLATFORM"] = "offscreen"
    env["XDG_CONFIG_HOME"] = os.path.join(scratch, "config")
    env["XDG_CACHE_HOME"] = os.path.join(scratch, "cache")
    while position < end:
        journal = os.path.join(scratch, f"journal-{first}-{position}.txt")
        # The embedding host hands its arguments to the interpreter: the
        # worker's arguments travel in the environment.
        env["PLINX_FUZZ_WORKER"] = " ".join([journal, str(seed), str(position), str(end - position)])
        if host == "embed":
            command = [os.path.join(build, "tests", "embed", "plinx_embed_host"), os.path.abspath(__file__)]
        else:
            command = [sys.executable, os.path.abspath(__file__)]
        try:
            # In the scratch folder: calls may write files at relative paths.
            result = subprocess.run(command, env=env, capture_output=True, text=True, timeout=timeout, cwd=scratch)
            status = result.returncode
            stderr = result.stderr
        except subprocess.TimeoutExpired as expired:
            status, stderr = "hang", (expired.stderr or b"").decode(errors="replace") if isinstance(
                expired.stderr, bytes) else (expired.stderr or "")
        index, tail = last_call(journal)
        if status == 0:
            raised.append(result.stdout.strip().splitlines()[-1] if result.stdout.strip() else "{}")
            break
        if index is None:
            raise SystemExit(f"the worker did not start ({status}):\n{stderr[-2000:]}")
        deaths.append((status, index, tail[-3:], stderr[-1500:]))
        position = (index if index is not None else position) + 1
    return deaths


def driver_main(argv):
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--calls", type=int, default=100000)
    parser.add_argument("--host", choices=["python", "embed"], default="python")
    parser.add_argument("--seed", type=int, default=None)
    parser.add_argument("--jobs", type=int, default=4)
    parser.add_argument("--build", default=os.environ.get("PLINX_BUILD_DIR", os.path.join(ROOT, "build")))
    parser.add_argument("--timeout", type=int, default=600)
    options = parser.parse_args(argv)
    seed = options.seed if options.seed is not None else int(time.time()) % 100000
    scratch = tempfile.mkdtemp(prefix="plinx-fuzz-")
    per_job = (options.calls + options.jobs - 1) // options.jobs
    slices = [(i * per_job, min(per_job, options.calls - i * per_job)) for i in range(options.jobs)
              if i * per_job < options.calls]
    results = [None] * len(slices)
    raised = []
    started = time.time()

    def run(i):
        first, count = slices[i]
        results[i] = run_slice(options.host, options.build, seed, first, count, scratch, options.timeout, raised)

    threads = [threading.Thread(target=run, args=(i,)) for i in range(len(slices))]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    deaths = [death for result in results for death in result]
    totals = {}
    for text in raised:
        for name, count in eval(text).items():  # the workers' own repr of a dict of counts
            totals[name] = totals.get(name, 0) + count
    print(f"fuzz ({options.host}): {options.calls} calls, seed {seed}, {len(deaths)} process deaths, "
          f"{time.time() - started:.0f} s")
    print("  exceptions raised (by the last run of each worker): "
          + ", ".join(f"{name} {count}" for name, count in sorted(totals.items(), key=lambda kv: -kv[1])))
    for status, index, tail, stderr in deaths:
        print(f"\n--- death ({status}) at call {index}; reproduce with --seed {seed}; last call:")
        for line in tail:
            print("    " + line)
        print(textwrap.indent(stderr.strip()[-800:], "    | "))
    return 1 if deaths else 0


if __name__ == "__main__":
    if os.environ.get("PLINX_FUZZ_WORKER"):
        worker_main(os.environ.pop("PLINX_FUZZ_WORKER").split(" "))
    else:
        sys.exit(driver_main(sys.argv[1:]))
