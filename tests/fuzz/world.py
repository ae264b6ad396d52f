"""Mode `world`: the world outside the process.

A unit is a trial. Its child, a fresh process of the same host running a
script of its own, builds a project over footage and saves it (the old
project file), then meets one hazard of the world while it saves, exports,
renders, tracks, reads frames or opens projects:

  fsize    RLIMIT_FSIZE at a fraction of the largest file the call writes
           (SIGXFSZ ignored, as Python leaves it, or deadly)
  place    a target that cannot take the write: a path whose parent is a
           file, a FIFO, a folder, a device that is always full, a
           read-only folder, a folder that is missing
  memory   RLIMIT_AS a little above what the process maps
  files    RLIMIT_NOFILE a few descriptors above those open
  signal   SIGINT or SIGTERM at a random moment of a long call, made from
           the main thread or from another one
  fork     os.fork() while other threads are inside calls; the forked child
           calls the API
  pool     multiprocessing.Pool workers (fork) rendering and exporting shots
  exit     the interpreter ends while daemon threads are inside calls

The child records each call before it runs and after it ends
(record.jsonl); the worker then judges the trial:
  - the child ends as the hazard allows: status 0, or killed by the SIGTERM
    or the deadly SIGXFSZ it met; no other death, no hang;
  - a call returns, or raises a clear exception: OSError naming the file
    for a write, MemoryError, OSError or RuntimeError under a limit,
    KeyboardInterrupt for SIGINT; once the hazard is gone the same call
    works (no failure is kept); without a hazard every call works;
  - what a call that returned wrote reads back, every file of it (through
    the image kit, and a JPEG has its end marker), and a project it saved
    opens with the change it saved;
  - whatever happened, nothing is half written: each file that exists reads
    back, the old project file is the old one or a whole new one, and the
    FIFO, folder or device a call was aimed at is still what it was.
A finding ends the worker as the child ended (128 + its signal, or its
exit status) or with a verdict status of driver.VERDICTS ("wrong result",
"hang", "death of a child"): the driver reports it with its reproducer,
the trial again, like any other death; the child's script stays in the
trial's folder beside its record.

Read-only folders: the workers run as root, and a folder of mode 0o555
stops no write of root's. The child of a trial that needs one drops, as the
first thing it does and before any thread exists, the capabilities that let
root pass over permissions (CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH) from its
effective set; threads inherit that set, and meet the folder's mode as any
user would. It stays root otherwise: the build, the scratch folder and its
own files stay reachable, which another uid would not find. A user that is
not root needs nothing but the mode.

Under the sanitizer `memory` is left out: the sanitizer maps terabytes.
"""
import ast
import ctypes
import hashlib
import itertools
import json
import os
import resource
import shutil
import signal
import stat
import subprocess
import sys
import threading
import time

from driver import VERDICTS, ending, host_command, host_environment

HERE = os.path.dirname(os.path.abspath(__file__))
CHILD_TIMEOUT = 30.0       # seconds of a trial's child before it counts as hung
INNER_TIMEOUT = 10.0       # the same for what the child waits on (a forked child, a pool)
STATUS = {verdict: status for status, verdict in VERDICTS.items()}
SANITIZED = "asan" in os.environ.get("LD_PRELOAD", "")

# --- Plans: what a unit tries -------------------------------------------------------------------

SCENARIOS = {"fsize": 3, "place": 3, "memory": 2, "files": 2, "depth": 1, "signal": 3, "fork": 2, "pool": 2,
             "exit": 2}
EXTENSIONS = [".png", ".jpg", ".tif", ".exr", ".dpx", ".bmp", ".mov", "toy"]
WRITES = ["save", "save_as", "export", "shapes", "render", "track_export"]
USES = ["open", "read", "pixels", "render", "export", "track", "save_as", "shapes"]
LONG = ["track", "render", "export", "save", "save_as", "shapes"]
PLACES = {
    "save_as": ["parent is a file", "fifo", "folder", "device", "read-only folder", "missing folder"],
    "save": ["read-only folder"],
    "export": ["parent is a file", "a file", "read-only folder", "frame is a fifo", "frame is a folder",
               "frame is a device"],
    "shapes": ["parent is a file", "a file", "read-only folder", "frame is a fifo", "frame is a folder",
               "frame is a device"],
    "render": ["parent is a file", "a file", "read-only folder"],
}
PLACE_WORDS = {"parent is a file": "a path whose parent is a file", "fifo": "a FIFO", "folder": "a folder",
               "device": "a device that is always full", "read-only folder": "a read-only folder",
               "missing folder": "a path in a missing folder", "a file": "an output folder that is a file",
               "frame is a fifo": "an output frame that is a FIFO",
               "frame is a folder": "an output frame that is a folder",
               "frame is a device": "an output frame that is a full device"}
TITLES = {"save": "Project.save", "save_as": "Project.save_as", "export": "Clip.export",
          "shapes": "Project.export_rendered_shapes", "render": "Project.render", "track": "Project.track_layers",
          "read": "Clip.image", "pixels": "ImageData.pixels", "open": "Project(file)",
          "track_export": "a tracking export", "toy_read": "Clip.image through a Python reader"}


def plan(rng, unit):
    """The parameters of one trial, drawn from the unit's random source."""
    kinds = [kind for kind in SCENARIOS if not (SANITIZED and kind == "memory")]
    scenario = rng.choices(kinds, [SCENARIOS[kind] for kind in kinds])[0]
    setup = {"scenario": scenario, "unit": unit, "frames": rng.choice([4, 6, 8]),
            "size": rng.choice([[64, 48], [160, 120]])}
    if scenario == "fsize":
        setup.update(op=rng.choice(WRITES), ext=rng.choice(EXTENSIONS),
                    fraction=rng.choice([0.0, 0.05, 0.5, 0.95, 2.0]), deadly=rng.random() < 0.15)
    elif scenario == "place":
        op = rng.choice(sorted(PLACES))
        setup.update(op=op, place=rng.choice(PLACES[op]), ext=rng.choice(EXTENSIONS[:6]))
    elif scenario == "memory":  # (the image kit maps some 400 MiB when it loads)
        setup.update(op=rng.choice(USES), ext=rng.choice(EXTENSIONS), kit=rng.random() < 0.5,
                    headroom=rng.choice([0, 16, 64, 128, 256, 512]))
    elif scenario == "files":
        setup.update(op=rng.choice(USES), ext=rng.choice(EXTENSIONS), kit=rng.random() < 0.5,
                    extra=rng.choice([0, 1, 2, 4, 8]))
    elif scenario == "depth":
        setup.update(op=rng.choice(USES), ext=rng.choice(EXTENSIONS), kit=rng.random() < 0.5,
                    spare=rng.choice([1, 2, 4, 8, 16, 32]))
    elif scenario == "signal":
        signal_name = rng.choice(["SIGINT", "SIGTERM"])
        setup.update(op=rng.choice(LONG), ext=rng.choice(EXTENSIONS), signal=signal_name,
                    at=round(rng.uniform(0.0, 1.3), 3), thread=signal_name == "SIGINT" and rng.random() < 0.3,
                    frames=rng.choice([8, 12, 24]), size=rng.choice([[160, 120], [320, 240]]))
    elif scenario == "fork":
        setup.update(warm=rng.random() < 0.5, busy=busy_ops(rng, LONG + ["read"], rng.randint(1, 3)),
                    delay=rng.choice([0.0, 0.02, 0.1, 0.3]),
                    forked=rng.sample(["render", "export", "read", "track", "save_as", "open"], rng.randint(2, 4)))
    elif scenario == "pool":
        setup.update(warm=rng.random() < 0.6, busy=busy_ops(rng, LONG, rng.choice([0, 0, 1, 2])),
                    workers=rng.randint(2, 4), fresh=rng.random() < 0.4,
                    tasks=[rng.choice(["render", "export", "shapes", "read", "track"])
                           for _ in range(rng.randint(3, 8))])
    elif scenario == "exit":
        ops = LONG + ["read", "toy_export", "toy_read", "track_export"]
        setup.update(busy=busy_ops(rng, ops, rng.randint(1, 4)),
                    delay=rng.choice([0.0, 0.01, 0.05, 0.2]), end=rng.choice(["the script's end", "sys.exit(0)"]))
    return setup


def busy_ops(rng, ops, count):
    """Operations for threads at once; not both saves (save_as moves the file
    that save writes, under the other thread's feet)."""
    chosen = rng.sample(ops, count)
    return [op for op in chosen if op != "save_as" or "save" not in chosen]


def hazard(setup):
    """What the trial does, in words: "Clip.export('.jpg') under RLIMIT_FSIZE"."""
    scenario = setup["scenario"]
    op = setup.get("op")
    what = TITLES.get(op, "") + (f"({setup['ext']!r})" if op in ("export", "shapes") else "")
    if scenario == "fsize":
        return f"{what} under RLIMIT_FSIZE" + (" (SIGXFSZ deadly)" if setup["deadly"] else "")
    if scenario == "place":
        return f"{what} onto {PLACE_WORDS[setup['place']]}"
    if scenario == "memory":
        return f"{what} under RLIMIT_AS"
    if scenario == "files":
        return f"{what} under RLIMIT_NOFILE"
    if scenario == "depth":
        return f"{what} near the recursion limit"
    if scenario == "signal":
        return f"{setup['signal']} during {what}" + (" in a thread" if setup["thread"] else "")
    if scenario == "fork":
        return "os.fork() while threads are inside calls"
    if scenario == "pool":
        return "multiprocessing.Pool workers" + (" forked while threads are inside calls" if setup["busy"] else "")
    return "the interpreter's exit while daemon threads are inside calls"


class World:
    """The mode: a unit is one trial, one statement: world.trial(setup)."""

    @staticmethod
    def units(calls, types, embedded):
        return max(2, calls // 250)

    @staticmethod
    def exits_after(context):
        return False

    @staticmethod
    def run_unit(context):
        setup = plan(context.rng, context.index)
        context.run(f"import world; world.trial({setup!r})", "world: " + hazard(setup))


# --- The child's script --------------------------------------------------------------------------

def script(setup):
    """The text of the trial's child: plain calls of the helpers below."""
    scenario, op = setup["scenario"], setup.get("op")
    ext = setup.get("ext", ".png")
    lines = [f'"""World trial, unit {setup["unit"]}: {hazard(setup)}."""', "import sys",
             f"sys.path.insert(0, {HERE!r})", "from world import *"]
    if scenario == "place" and setup["place"] == "read-only folder":
        lines.append("without_root_permissions()  # before any thread: root meets the folder's mode")
    old = "ro/old.plinx" if scenario == "place" and op == "save" else "old.plinx"
    toy = ext == "toy" or scenario == "exit"
    notes = 1 << 20 if scenario == "signal" and op.startswith("save") else 0
    lines.append(f"stage(globals(), frames={setup['frames']}, size={tuple(setup['size'])}, "
                 f"kit={setup.get('kit', True)}, old={old!r}, toy={toy}, notes={notes})")
    if scenario == "fsize":
        if setup["deadly"]:
            lines.append("signal.signal(signal.SIGXFSZ, signal.SIG_DFL)  # the limit kills the process")
        lines += [f"attempt('measure', *call({op!r}, 1, {ext!r}))",
                  f"attempt('limited', *call({op!r}, 2, {ext!r}), under=FileSize({setup['fraction']}, "
                  f"largest(*call({op!r}, 1, {ext!r}))))",
                  f"attempt('again', *call({op!r}, 3, {ext!r}))"]
    elif scenario == "place":
        lines += [f"where = place({setup['place']!r}, {op!r}, 1, {ext!r})",
                  f"attempt('limited', *call({op!r}, 1, {ext!r}, where=where), keep=kept())",
                  "without_place()",
                  f"attempt('again', *call({op!r}, 2, {ext!r}))"]
    elif scenario in ("memory", "files", "depth"):
        limit = f"Memory({setup['headroom']})" if scenario == "memory" else \
            f"Descriptors({setup['extra']})" if scenario == "files" else f"Depth({setup['spare']})"
        lines += [f"attempt('limited', *call({op!r}, 1, {ext!r}), under={limit})",
                  f"attempt('again', *call({op!r}, 2, {ext!r}))"]
    elif scenario == "signal":
        lines += [f"took = attempt('measure', *call({op!r}, 1, {ext!r}))",
                  f"attempt('signalled', *call({op!r}, 2, {ext!r}), interrupt=({setup['signal']!r}, "
                  f"{setup['at']} * took), thread={setup['thread']})",
                  f"attempt('again', *call({op!r}, 3, {ext!r}))"]
    elif scenario == "fork":
        if setup["warm"]:
            lines.append("attempt('before', *call('render', 1))")
        lines += [f"busy({setup['busy']!r})", f"time.sleep({setup['delay']})",
                  "forked([" + ", ".join(f"call({op!r}, {100 + n})" for n, op in enumerate(setup["forked"])) + "])",
                  "quiet_down()"]
    elif scenario == "pool":
        if setup["warm"]:
            lines.append("attempt('before', *call('render', 1))")
        if setup["busy"]:
            lines.append(f"busy({setup['busy']!r})")
        lines += ["pool([" + ", ".join(f"call({op!r}, {100 + n})" for n, op in enumerate(setup["tasks"])) +
                  f"], workers={setup['workers']}, fresh={setup['fresh']})", "quiet_down()"]
    elif scenario == "exit":
        lines += [f"busy({setup['busy']!r}, daemon=True)", f"time.sleep({setup['delay']})", "note(exiting=True)"]
        lines.append("sys.exit(0)" if setup["end"] == "sys.exit(0)" else "# the end: its threads are inside calls")
        return "\n".join(lines) + "\n"
    lines.append("done()")
    return "\n".join(lines) + "\n"


# --- The child's side: the world, its calls and their records -------------------------------------

NS = {}              # the child script's globals
_record = None       # the record's descriptor, opened before any limit
_numbers = itertools.count(1)
_stop = threading.Event()
_busy = []
BUSY_ROUNDS = 20     # calls a busy thread makes at most (each leaves files to check)
_places = {}         # the bad places made, and what each was made as
_calls = threading.local()  # inside: this thread is inside a call
OPERATIONS = ["RenderInsertOperation", "RenderRemoveOperation", "RenderStabilizeOperation"]


def interrupted(signal_number, frame):
    """SIGINT as Python's own handler takes it, but only while the main
    thread is inside a call: one that comes late, or while the main thread
    waits for a call of another thread, finds the trial's own code, which is
    not on trial (and Thread.join that it cuts takes a running thread for
    ended)."""
    if getattr(_calls, "inside", False):
        raise KeyboardInterrupt


def note(**fields):
    """One line of the record: written whole, at once, by any thread or process."""
    os.write(_record, (json.dumps(fields) + "\n").encode())


def without_root_permissions():
    """Drops CAP_DAC_OVERRIDE and CAP_DAC_READ_SEARCH from this thread's
    effective set (threads made afterwards inherit it)."""
    if os.geteuid() != 0:
        return

    class Header(ctypes.Structure):
        _fields_ = [("version", ctypes.c_uint32), ("pid", ctypes.c_int)]

    class Data(ctypes.Structure):
        _fields_ = [("effective", ctypes.c_uint32), ("permitted", ctypes.c_uint32),
                    ("inheritable", ctypes.c_uint32)]

    libc = ctypes.CDLL(None, use_errno=True)
    header, data = Header(0x20080522, 0), (Data * 2)()  # _LINUX_CAPABILITY_VERSION_3
    if libc.capget(ctypes.byref(header), data) != 0:
        raise OSError(ctypes.get_errno(), "capget")
    data[0].effective &= ~((1 << 1) | (1 << 2))
    if libc.capset(ctypes.byref(header), data) != 0:
        raise OSError(ctypes.get_errno(), "capset")


def stage(namespace, frames=6, size=(64, 48), kit=True, old="old.plinx", toy=False, notes=0):
    """The world of a trial: footage, a project with a tracked layer saved as
    the old project file and (toy) a Python image reader and writer with a
    clip over its footage. Without the kit, another process makes the
    project: this one has read no footage yet, and the first call that
    does (opened()) loads the image kit."""
    global _record
    import faulthandler
    faulthandler.enable()
    faulthandler.register(signal.SIGUSR1, all_threads=True)  # the worker asks a hung child for its stacks
    signal.signal(signal.SIGINT, interrupted)
    _record = os.open("record.jsonl", os.O_WRONLY | os.O_APPEND | os.O_CREAT, 0o644)
    import prelude
    NS.update(namespace)
    NS.update(p=prelude.p, e=prelude.e, QtCore=prelude.QtCore, FRAMES=frames, OLD=old, P=None, C=None, L=None)
    if kit:
        NS.update(zip("PCL", made_project(frames, size, old, notes)))
    else:
        subprocess.run(["/usr/bin/python3", "-c", f"import sys; sys.path.insert(0, {HERE!r}); import world; "
                        f"world.made_project({frames}, {tuple(size)}, {old!r}, {notes})"], check=True)
    NS["TRACKS"] = prelude.e.AbstractTrackingDataExporter.registered_exporters()["Plain Text Track"]
    if toy:
        NS["TOYX"] = ".wtoy"
        NS["IO"] = prelude.ScriptedIO(NS["TOYX"])
        if kit:
            NS["CT"] = NS["P"].add_clip(prelude.p.Clip(prelude.toy_footage(NS["TOYX"]), "toy", True), "toy")
    namespace.update(NS)
    note(stage=True, old=old, sha=digest(old), pid=os.getpid())


def made_project(frames, size, old, notes=0):
    """(project, clip, layer): a project over new footage, saved as `old`."""
    import prelude
    prelude.QtCore.QCoreApplication.instance() or prelude.QtCore.QCoreApplication([])
    first = prelude.footage("sq", frames, tuple(size))
    project = prelude.p.Project(prelude.p.Clip(first, "plate"))
    clip = project.clips["plate"]
    layer = project.add_layer(clip, "a")
    layer.add_xspline_contour(0.0, prelude.xpoints(4, 2.0, 6.0, 16.0))
    os.makedirs("out", exist_ok=True)
    project.set_output_dir("out/render")
    project.notes = "x" * notes
    os.makedirs(os.path.dirname(old) or ".", exist_ok=True)
    project.save_as(old)
    return project, clip, layer


def opened():
    """P, C, L: the trial's project, opened from its file when this process has none yet."""
    project = NS["P"] if NS["P"] is not None else NS["p"].Project(NS["OLD"])
    return project, project.clips["plate"], project.layers[0]


def call(op, n, ext=".png", where=None):
    """(source, products) of the operation numbered n: the source runs in the
    script's globals; products say what the worker checks afterwards. A
    process without the project yet opens it first, in the same call."""
    source, products = operation(op, n, ext, where)
    return (source if NS["P"] is not None else "P, C, L = opened(); " + source), products


def operation(op, n, ext, where):
    last = NS["FRAMES"] - 1
    extension = NS.get("TOYX", ".wtoy") if ext == "toy" else ext
    named = "TOYX" if ext == "toy" else repr(ext)
    count = 1 if extension.lower() == ".mov" else NS["FRAMES"]
    if op == "save":
        path = NS["P"].project_file if NS["P"] is not None else NS["OLD"]
        return f"P.notes = 'saved {n}'; P.save()", {"kind": "project", "path": path,
                                                   "marker": f"saved {n}"}
    if op == "save_as":
        target = where or f"saved{n}.plinx"
        return f"P.notes = 'saved {n}'; P.save_as({target!r})", {"kind": "project", "path": target,
                                                                 "marker": f"saved {n}"}
    if op == "toy_export":
        return operation("export", n, "toy", where)
    if op == "export":
        folder = where or f"out/e{n}"
        return f"C.export(None, {folder!r}, {named}, 'f_', '', 0, {last}, index_width=4)", \
            {"kind": "frames", "folder": folder, "ext": extension, "count": count, "frames": NS["FRAMES"]}
    if op == "shapes":
        folder = where or f"out/s{n}"
        return f"P.export_rendered_shapes([L], p.Grayscale, {folder!r}, {named}, 'm_', '', 0, {last}, 4)", \
            {"kind": "frames", "folder": folder, "ext": extension, "count": count, "frames": NS["FRAMES"]}
    if op == "render":
        folder = where or f"out/r{n}"
        return f"P.set_output_dir({folder!r}); P.render(p.{OPERATIONS[n % 3]}(), 0, {last}, [L])", \
            {"kind": "frames", "folder": folder, "ext": "", "count": NS["FRAMES"], "frames": NS["FRAMES"]}
    if op == "track":
        return f"P.track_layers(0, {last}, [L])", {"kind": "none"}
    if op == "read":
        return f"[C.image(i) for i in range({NS['FRAMES']})]", {"kind": "images"}
    if op == "pixels":  # the image bridge (its first use checks the array module)
        return f"[len(memoryview(C.image(i).pixels())) for i in range({NS['FRAMES']})]", {"kind": "images"}
    if op == "toy_read":
        return "[CT.image(i) for i in range(4)]", {"kind": "images"}
    if op == "open":
        return "p.Project(OLD)", {"kind": "opened"}
    if op == "track_export":
        path = where or f"out/t{n}.txt"
        return f"TRACKS.do_export(P, L, {path!r}, 0.0, p.View(0), {{}})", {"kind": "text", "path": path}
    raise ValueError(op)


def digest(path):
    try:
        with open(path, "rb") as file:
            return hashlib.sha256(file.read()).hexdigest()
    except OSError:
        return None


def describe(path):
    """What is at the path: "absent", "fifo", "folder <its names>", "device",
    "file <sha256>" or "other"."""
    try:
        mode = os.stat(path).st_mode
    except OSError:
        return "absent"
    if stat.S_ISFIFO(mode):
        return "fifo"
    if stat.S_ISDIR(mode):
        return "folder " + ",".join(sorted(os.listdir(path)))
    if stat.S_ISCHR(mode) or stat.S_ISBLK(mode):
        return "device"
    if stat.S_ISREG(mode):
        return "file " + (digest(path) or "unreadable")
    return "other"


def largest(source, products):
    """The size of the largest file the products hold."""
    paths = [products["path"]] if "path" in products else \
        [os.path.join(products["folder"], name) for name in os.listdir(products["folder"])]
    return max([os.path.getsize(path) for path in paths if os.path.isfile(path)] or [0])


def place(kind, op, n, ext=".png"):
    """Makes a place that cannot take the write; the `where` of the call."""
    extension = NS.get("TOYX", ".wtoy") if ext == "toy" else ext
    frame = "f_0000" if op == "export" else "m_0000"
    if kind == "parent is a file":
        made("afile", "file")
        return "afile/x.plinx" if op.startswith("save") else "afile/out"
    if kind == "a file":
        return made("afile", "file")
    if kind == "missing folder":
        return "missing/deeper/x.plinx"
    if kind == "read-only folder":
        os.makedirs("ro", exist_ok=True)
        os.chmod("ro", 0o555)
        _places["ro"] = "read-only"
        return "ro/x.plinx" if op == "save_as" else None if op == "save" else "ro"
    if kind.startswith("frame is a "):
        folder = f"out/{op[0]}{n}"
        os.makedirs(folder, exist_ok=True)
        made(os.path.join(folder, frame + extension), kind[len("frame is a "):])
        return folder
    return made(f"target{n}.plinx", kind)


def made(path, kind):
    """A file, FIFO, folder (holding a file) or full device (as /dev/full) at the path."""
    if kind == "file":
        with open(path, "w") as file:
            file.write("not a folder\n")
    elif kind == "fifo":
        os.mkfifo(path)
    elif kind == "folder":
        os.makedirs(path)
        with open(os.path.join(path, "kept.txt"), "w") as file:
            file.write("kept\n")
    elif kind == "device":
        try:
            os.mknod(path, stat.S_IFCHR | 0o666, os.makedev(1, 7))
        except OSError:  # no devices here: a FIFO stands in
            os.mkfifo(path)
    _places[path] = kind
    return path


def kept():
    """The places the call must leave as they were."""
    return [path for path in _places if _places[path] != "read-only"]


def without_place():
    """The read-only folder writable again (for the call that follows)."""
    if os.path.isdir("ro"):
        os.chmod("ro", 0o755)


class Limit:
    """A soft resource limit around one call; the old one comes back after it."""
    resource = None

    def __init__(self, amount):
        self.amount = amount

    def soft(self):
        raise NotImplementedError

    def run(self, body):
        old = resource.getrlimit(self.resource)
        hard = old[1]
        soft = self.soft()
        resource.setrlimit(self.resource, (soft if hard == resource.RLIM_INFINITY else min(soft, hard), hard))
        try:
            return body()
        finally:
            resource.setrlimit(self.resource, old)


class FileSize(Limit):
    """RLIMIT_FSIZE at a fraction of a size."""
    resource = resource.RLIMIT_FSIZE

    def __init__(self, fraction, size):
        super().__init__(int(fraction * size))
        self.text = f"RLIMIT_FSIZE {self.amount} ({fraction} of {size})"

    def soft(self):
        return self.amount


class Memory(Limit):
    """RLIMIT_AS this many MiB above what the process maps now."""
    resource = resource.RLIMIT_AS

    def soft(self):
        with open("/proc/self/status") as status:
            mapped = next(int(line.split()[1]) * 1024 for line in status if line.startswith("VmSize:"))
        self.text = f"RLIMIT_AS {mapped} + {self.amount} MiB"
        return mapped + (self.amount << 20)


class Descriptors(Limit):
    """RLIMIT_NOFILE this many descriptors above the highest open one."""
    resource = resource.RLIMIT_NOFILE

    def soft(self):
        highest = max(int(name) for name in os.listdir("/proc/self/fd"))
        self.text = f"RLIMIT_NOFILE {highest + 1 + self.amount}"
        return highest + 1 + self.amount


class Depth:
    """The call made with only this many frames left before the recursion limit."""

    def __init__(self, spare):
        self.spare = spare
        self.text = f"{spare} frames below the recursion limit"

    def run(self, body):
        frame, depth = sys._getframe(), 0  # noqa: SLF001
        while frame is not None:
            frame, depth = frame.f_back, depth + 1

        def down(levels):
            return down(levels - 1) if levels > 0 else body()

        return down(sys.getrecursionlimit() - depth - self.spare)


def summary(value):
    """What the worker needs of a call's result: images read, clips opened,
    files an exporter wrote (none: it failed, and says why in error_string)."""
    if isinstance(value, dict):
        return {"written": sorted(value), "error": "" if value else text_of(NS["TRACKS"].error_string())}
    if isinstance(value, list):
        return {"images": len(value), "missing": sum(1 for image in value if image is None)}
    clips = getattr(value, "clips", None)
    if clips is not None and not callable(clips):
        return {"clips": sorted(clips)}
    return None


def compiled(source):
    """(statements, last expression or None) of a source."""
    tree = ast.parse(source)
    last = None
    if tree.body and isinstance(tree.body[-1], ast.Expr):
        last = compile(ast.Expression(tree.body.pop().value), "<call>", "eval")
    return compile(tree, "<call>", "exec"), last


def attempt(phase, source, products, under=None, interrupt=None, thread=False, keep=()):
    """Runs one call, recorded before it runs and after it ends; its seconds.
    `under` a Limit around it; `interrupt` (signal name, delay) sent to this
    process meanwhile; `thread` makes the call in another thread while this
    one waits; `keep` the places it must leave as they were."""
    number = f"{os.getpid()}.{next(_numbers)}"
    products = dict(products)
    saves = products["kind"] == "project"
    if saves:
        products["before"] = describe(products["path"])
    products["keep"] = {path: describe(path) for path in keep}
    note(begin=number, phase=phase, call=source, products=products, pid=os.getpid(),
         thread=threading.current_thread().name)
    outcome = {"project_file_before": NS["P"].project_file if NS["P"] is not None else None} if saves else {}
    statements, last = compiled(source)
    began = time.monotonic()

    def body():
        _calls.inside = True
        try:
            exec(statements, NS)  # noqa: S102 (the trial's own calls)
            return eval(last, NS) if last else None  # noqa: S307
        finally:
            _calls.inside = False

    def run():
        try:
            value = under.run(body) if under is not None else body()
            outcome.update(outcome="returned", value=summary(value))
        except BaseException as error:  # noqa: BLE001 (what the call raised is what the record is for)
            outcome.update(outcome="raised", error=type(error).__name__, text=text_of(error),
                           classes=[klass.__name__ for klass in type(error).__mro__])

    timer = None
    if interrupt:
        timer = threading.Timer(max(0.0, interrupt[1]), os.kill, (os.getpid(), getattr(signal, interrupt[0])))
        timer.start()
    if thread:
        worker = threading.Thread(target=run, name=f"call-{number}")
        worker.start()
        worker.join()
    else:
        run()
    if timer:
        timer.join()
    took = time.monotonic() - began
    if saves:  # the file as the call left it: later calls may save over it
        outcome.update(project_file=NS["P"].project_file if NS["P"] is not None else None,
                       after=describe(products["path"]),
                       snapshot=snapshot(products["path"], number))
    note(end=number, seconds=round(took, 3), under=getattr(under, "text", None), **outcome)
    return took


def snapshot(path, number):
    """A copy of the file at the path (None: no regular file there)."""
    if not os.path.isfile(path):
        return None
    copy = os.path.join("snapshots", f"{number}.plinx")
    os.makedirs("snapshots", exist_ok=True)
    shutil.copyfile(path, copy)
    return copy


def text_of(error):
    try:
        return str(error)[:500]
    except Exception:  # noqa: BLE001
        return "<no text>"


def busy(ops, daemon=False):
    """A thread per operation, each making its call again and again until
    quiet_down() (never, for daemon threads: the interpreter ends with them
    inside calls)."""
    def loop(index, op):
        for round_ in range(BUSY_ROUNDS):
            if _stop.is_set():
                return
            attempt("busy", *call(op, 1000 * (index + 1) + round_))

    for index, op in enumerate(ops):
        thread = threading.Thread(target=loop, args=(index, op), name=f"busy-{op}", daemon=daemon)
        thread.start()
        _busy.append(thread)


def quiet_down():
    _stop.set()
    for thread in _busy:
        thread.join()


def waited(pid, timeout):
    """The child's status as os.waitpid gives it, or None when it had to be
    killed after the timeout (its stacks printed first)."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        done, status = os.waitpid(pid, os.WNOHANG)
        if done:
            return status
        time.sleep(0.02)
    stacks_then_kill([pid])
    os.waitpid(pid, 0)
    return None


def stacks_then_kill(pids):
    """Has the processes print their stacks (faulthandler), then kills them."""
    send(pids, signal.SIGUSR1)
    time.sleep(1.0)
    send(pids, signal.SIGKILL)


def send(pids, signal_number):
    for pid in pids:
        try:
            os.kill(pid, signal_number)
        except ProcessLookupError:
            pass


def status_text(status):
    if status is None:
        return "hang"
    return ending(-os.WTERMSIG(status) if os.WIFSIGNALED(status) else os.WEXITSTATUS(status))


def forked(calls, timeout=INNER_TIMEOUT):
    """os.fork() now, whatever the other threads do; the forked child makes
    the calls and ends; this process waits for it."""
    note(fork=[thread.name for thread in threading.enumerate()])
    pid = os.fork()
    if pid == 0:
        try:
            for source, products in calls:
                attempt("forked", source, products)
        finally:
            os._exit(0)
    note(forked=pid, ending=status_text(waited(pid, timeout)))


def _pool_start(fresh):
    if fresh:  # each worker opens the project from its file
        attempt("pooled", "P = p.Project(OLD); C = P.clips['plate']; L = P.layers[0]", {"kind": "none"})


def _pooled(source_and_products):
    attempt("pooled", *source_and_products)


def pool(calls, workers=3, fresh=False, timeout=INNER_TIMEOUT):
    """The calls shared out among multiprocessing.Pool workers (fork)."""
    import multiprocessing
    workers_pool = multiprocessing.get_context("fork").Pool(workers, initializer=_pool_start, initargs=(fresh,))
    result = workers_pool.map_async(_pooled, calls, chunksize=1)
    try:
        result.get(timeout)
        note(pool="done")
    except multiprocessing.TimeoutError:
        pids = [process.pid for process in workers_pool._pool]  # noqa: SLF001 (their stacks, then their end)
        note(pool="timeout", workers=pids)
        stacks_then_kill(pids)
        # A worker killed inside the pool's queue lock would hang terminate(),
        # here or at exit: the trial ends now.
        done()
        os._exit(0)
    except Exception as error:  # noqa: BLE001
        note(pool="raised " + type(error).__name__ + ": " + text_of(error))
    workers_pool.terminate()


def done():
    note(done=True)


# --- The worker's side: the trial and its judgement ----------------------------------------------

def trial(setup):
    """Runs the trial's child, judges what it left, and ends this process as
    the first finding says (or returns when there is none)."""
    folder = os.path.abspath(f"world-{setup['unit']}")
    path = os.path.join(folder, "child.py")
    ctypes.CDLL(None).prctl(36, 1)  # PR_SET_CHILD_SUBREAPER: what the child leaves behind comes back here
    try:
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
        with open(path, "w", encoding="utf-8") as file:
            file.write(script(setup))
        status = run_child(path, folder)
        findings = Judge(setup, folder, status, read_records(os.path.join(folder, "record.jsonl"))).findings()
    except Exception:  # noqa: BLE001 (a trial that cannot be judged must not pass)
        import traceback
        findings = [Finding("fault of the harness", "the trial could not be judged", traceback.format_exc())]
    end_orphans()
    if findings:
        conclude(setup, path, folder, findings)


def build_and_host():
    import prelude
    import plinx
    build = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(plinx.__file__))))
    return build, "embed" if prelude.EMBEDDED else "python"


def run_child(path, folder):
    """The child's status (negative: its signal), or None when it hung (its
    stacks then in child.err)."""
    build, host = build_and_host()
    with open(os.path.join(folder, "child.out"), "w") as out, open(os.path.join(folder, "child.err"), "w") as err:
        env = host_environment(build, os.environ.get("PLINX_FUZZ_SCRATCH") or folder)
        child = subprocess.Popen(host_command(host, build, path), cwd=folder, env=env, stdout=out, stderr=err,
                                 stdin=subprocess.DEVNULL)
        try:
            return child.wait(timeout=CHILD_TIMEOUT)
        except subprocess.TimeoutExpired:
            stacks_then_kill([child.pid] + descendants(child.pid))
            child.wait()
            return None


def descendants(pid):
    """Every process below the given one."""
    parents = {}
    for name in os.listdir("/proc"):
        if name.isdigit():
            try:
                with open(f"/proc/{name}/stat") as file:
                    parents.setdefault(int(file.read().rsplit(")", 1)[1].split()[1]), []).append(int(name))
            except (OSError, IndexError, ValueError):
                pass
    found, queue = [], [pid]
    while queue:
        children = parents.get(queue.pop(), [])
        found += children
        queue += children
    return found


def end_orphans():
    """Kills and reaps what the child left running (forked children, pool workers)."""
    send(descendants(os.getpid()), signal.SIGKILL)
    while True:
        try:
            os.waitpid(-1, 0)
        except ChildProcessError:  # none left
            break


def read_records(path):
    records = []
    try:
        with open(path, encoding="utf-8") as file:
            for line in file:
                try:
                    records.append(json.loads(line))
                except ValueError:  # a line the child's death cut
                    pass
    except OSError:
        pass
    return records


class Finding:
    """What is wrong: its verdict (a kind of driver.ending) and its cause,
    free of paths and numbers (the driver groups by it), and the details."""

    def __init__(self, kind, cause, details=""):
        self.kind, self.cause, self.details = kind, cause, details

    def status(self):
        if self.kind in STATUS:
            return STATUS[self.kind]
        if self.kind.startswith("exit "):
            return int(self.kind.split()[1])
        return 128 + getattr(signal, self.kind, signal.SIGKILL)


# Exceptions that say what happened, by phase of the scenario.
LIMITED_ERRORS = {"fsize": ("OSError",), "place": ("OSError",), "memory": ("MemoryError", "OSError", "RuntimeError"),
                  "files": ("OSError", "RuntimeError", "MemoryError"),
                  "depth": ("RecursionError", "MemoryError", "OSError", "RuntimeError")}
WRITTEN = ("save", "save_as", "export", "shapes", "render", "track_export")


class Judge:
    """The findings of a trial from its child's ending, its record and its files."""

    def __init__(self, setup, folder, status, records):
        self.setup, self.folder, self.status, self.records = setup, folder, status, records
        self.scenario = setup["scenario"]
        self.ends = {record["end"]: record for record in records if "end" in record}
        exiting = next((at for at, record in enumerate(records) if "exiting" in record), len(records))
        self.ended_at_exit = {record["end"] for record in records[exiting:] if "end" in record}
        self.list = []

    def add(self, kind, cause, details=""):
        self.list.append(Finding(kind, f"{hazard(self.setup)}: {cause}", details))

    def findings(self):
        self.ending()
        for record in self.records:
            if "begin" in record:
                self.one_call(record, self.ends.get(record["begin"]))
            elif "forked" in record and record["ending"] != "exit 0":
                hung = record["ending"] == "hang"
                self.add("hang" if hung else "death of a child",
                         f"the forked child {'hung' if hung else 'ended (' + record['ending'] + ')'}" +
                         self.inside(record["forked"]),
                         f"{record['ending']} inside {self.open_calls(record['forked'])}")
            elif record.get("pool", "done") != "done":
                self.pool(record)
        stage = next((record for record in self.records if "stage" in record), None)
        if stage is not None:
            self.project_whole(stage["old"], "the old project file")
        # What ended or stopped a process first: the files it left follow from it.
        return sorted(self.list, key=lambda finding: finding.kind == "wrong result")

    def path(self, relative):
        return os.path.join(self.folder, relative)

    def ending(self):
        allowed = {0}
        if self.scenario == "signal" and self.setup["signal"] == "SIGTERM":
            allowed.add(-signal.SIGTERM)
        if self.scenario == "fsize" and self.setup["deadly"]:
            allowed.add(-signal.SIGXFSZ)
        pid = next((record["pid"] for record in self.records if "stage" in record), None)
        inside = f" inside {self.open_calls(pid)}"
        if self.status is None:
            self.add("hang", "the process hung" + self.inside(pid), "hung" + inside)
        elif self.status in (1, -signal.SIGINT) and self.script_failed():
            self.add("fault of the harness", "the trial's script failed", "its traceback is in child.err")
        elif self.status not in allowed:
            kind = ending(self.status)
            self.add(kind, f"the process ended ({kind})" + self.inside(pid), f"ended ({kind}){inside}")
        elif self.status == 0 and not any("done" in record or "exiting" in record for record in self.records):
            self.add("death of a child", "the process ended early (exit 0) without reaching its script's end" +
                     self.inside(pid), f"ended{inside}")

    def script_failed(self):
        """Whether the child ended on an exception of its script's own (the
        calls it makes catch theirs)."""
        try:
            with open(self.path("child.err"), encoding="utf-8", errors="replace") as err:
                text = err.read()
        except OSError:
            return False
        at = text.rfind("Traceback (most recent call last):")
        return at >= 0 and 'child.py", line' in text[at:at + 300]

    def open_calls(self, pid):
        """The calls the process began and never ended."""
        return [record["call"] for record in self.records
                if "begin" in record and record["begin"] not in self.ends and record["pid"] == pid]

    def inside(self, pid):
        """" inside Clip.export": where the process stopped (its threads' calls
        are in the details: one cause shows in any of them)."""
        titles = {TITLES.get(op_of(call), "a call") for call in self.open_calls(pid)}
        return "" if not titles else f" inside {titles.pop()}" if len(titles) == 1 else " inside calls of threads"

    def pool(self, record):
        begun = {r["begin"]: r for r in self.records if r.get("phase") == "pooled"}
        stuck = [r for number, r in begun.items() if number not in self.ends]
        if record["pool"] != "timeout":
            self.add("wrong result", f"Pool.map_async {record['pool'].split(':')[0]}", record["pool"])
        elif not stuck:
            self.add("hang", "the pool never finished, no worker inside a call")
        for r in stuck:
            alive = r["pid"] in record.get("workers", [])
            self.add("hang" if alive else "death of a child",
                     f"a pool worker {'hung' if alive else 'died'} inside {TITLES.get(op_of(r['call']), 'a call')}",
                     r["call"])

    def one_call(self, begin, end):
        """One call: its outcome against its phase, then its products."""
        phase, products = begin["phase"], begin["products"]
        title = TITLES.get(op_of(begin["call"]), "a call")
        details = f"{begin['call']} ({phase})"
        if end is not None and products["kind"] == "text" and not (end.get("value") or {}).get("written", True):
            # An exporter that writes nothing has failed: error_string says why.
            end = dict(end, outcome="raised", error="error_string", text=end["value"]["error"],
                       classes=["error_string"])
        if end is None:  # the process ended or hung inside it
            self.present(products, title, details)
        elif end["outcome"] == "returned":
            self.complete(products, end, title, details, phase)
        else:
            self.raised(phase, end, products, title, details)
            self.present(products, title, details, end)
            if products["kind"] == "project" and end.get("project_file_before") is not None and \
                    end.get("project_file") != end["project_file_before"]:
                if end["error"] == "KeyboardInterrupt":  # came once the save was made: it is whole
                    self.complete(products, dict(end, outcome="returned"), title, details, phase)
                else:
                    self.add("wrong result", f"{title} failed but changed project_file",
                             f"{details}: {end.get('project_file_before')!r} became {end.get('project_file')!r}")
        for path, before in products.get("keep", {}).items():
            after = describe(self.path(path))
            if after != before:
                self.add("wrong result", f"{title} replaced the {before.split(' ')[0]} it was aimed at",
                         f"{details}: {path} was {before[:60]}, is {after[:60]}")

    def raised(self, phase, end, products, title, details):
        error, classes = end["error"], end.get("classes", [])
        text = f"{details}: {error}: {end.get('text', '')}"
        if phase == "signalled":
            # A Python reader or writer that meets the KeyboardInterrupt has it
            # reported and cleared, as any error of a callback: its write fails.
            through_callback = self.setup.get("ext") == "toy" and "OSError" in classes and \
                self.names(end, products)
            if self.setup["signal"] == "SIGINT" and error != "KeyboardInterrupt" and not through_callback:
                self.add("wrong result", f"{title} met SIGINT with {error}, not KeyboardInterrupt", text)
            return
        if phase == "busy" and end["end"] in self.ended_at_exit and error == "RuntimeError" and \
                "already deleted" in end.get("text", ""):
            return  # the interpreter's end let go of the objects the script held
        if phase != "limited":
            self.add("wrong result", f"{title} raised {error} {PHASES.get(phase, 'in phase ' + phase)}", text)
            return
        allowed = LIMITED_ERRORS[self.scenario]
        if error == "error_string" and not end.get("text"):
            self.add("wrong result", f"{title} failed with an empty error_string", text)
        elif not any(name in classes for name in allowed + ("error_string",)):
            self.add("wrong result", f"{title} raised {error}, not {' or '.join(allowed)}", text)
        elif op_of(details) in WRITTEN and self.scenario in ("fsize", "place") and not self.names(end, products):
            self.add("wrong result", f"{title}'s {error} names no file", text)

    def names(self, end, products):
        """Whether the error's text names the file, its folder or the target."""
        wanted = [products.get("path"), products.get("folder")]
        folder = products.get("folder")
        if folder and os.path.isdir(self.path(folder)):
            wanted += os.listdir(self.path(folder))
        text = end.get("text", "")
        return any(os.path.basename(os.path.normpath(name)) in text for name in wanted if name)

    def complete(self, products, end, title, details, phase):
        """A call that returned: everything it made is there and reads back."""
        kind = products["kind"]
        if kind == "project":
            self.project_whole(end.get("snapshot") or products["path"], f"the project {title} saved",
                               products.get("marker"), details)
            if os.path.normpath(end.get("project_file") or "") != os.path.normpath(products["path"]):
                self.add("wrong result", f"{title} returned but project_file is not the file saved",
                         f"{details}: project_file {end.get('project_file')!r}")
        elif kind == "frames":
            names = self.files(products)
            if len(names) != products["count"]:
                self.add("wrong result", f"{title} returned but wrote {'no' if not names else 'other'} files",
                         f"{details}: {len(names)} files of {products['count']}: {sorted(names)[:8]}")
            self.each_reads_back(products, names, title, details, "returned, but a file it wrote")
        elif kind == "text":
            why = text_reads_back(self.path(products["path"]))
            if why:
                self.add("wrong result", f"{title} returned but its file {why.split(':')[0]}", f"{details}: {why}")
        elif kind == "images" and (end.get("value") or {}).get("missing") and phase != "limited":
            self.add("wrong result", f"{title} gave None for frames that exist", f"{details}: {end['value']}")
        elif kind == "opened" and "plate" not in (end.get("value") or {}).get("clips", []):
            self.add("wrong result", f"{title} opened a project without its clip", f"{details}: {end.get('value')}")

    def present(self, products, title, details, failed=None):
        """A call that raised (failed: its end) or never ended: nothing it
        left is half written, and a save that failed kept the file it aimed
        at. (A KeyboardInterrupt may come once the call has done its work:
        then the save is whole, with its change, or not made.)"""
        kind = products["kind"]
        if kind == "project":
            before = products["before"]
            after = failed["after"] if failed else describe(self.path(products["path"]))
            if after == before:
                return
            if failed and failed["error"] != "KeyboardInterrupt" and before.startswith("file"):
                self.add("wrong result", f"{title} failed but changed the file it saves to", details)
            elif after.startswith("file"):
                self.project_whole(failed["snapshot"] if failed else products["path"], f"the file {title} left",
                                   None, details)
        elif kind == "frames":
            self.each_reads_back(products, self.files(products), title, details,
                                 "failed, leaving a file" if failed else "ended with the process, leaving a file")
        elif kind == "text" and os.path.isfile(self.path(products["path"])):
            why = text_reads_back(self.path(products["path"]))
            if why:
                self.add("wrong result", f"{title} left a file that {why.split(':')[0]}", f"{details}: {why}")

    def files(self, products):
        """The regular files of a products folder with its extension (a
        temporary file has another ending)."""
        folder = self.path(products["folder"])
        if not os.path.isdir(folder):
            return []
        ext = products["ext"].lower()
        return [name for name in os.listdir(folder) if stat.S_ISREG(os.lstat(os.path.join(folder, name)).st_mode)
                and not name.startswith(".") and (name.lower().endswith(ext) if ext else "." in name)]

    def each_reads_back(self, products, names, title, details, what):
        for name in sorted(names):
            path = os.path.join(self.path(products["folder"]), name)
            why = reads_back(path, products["frames"] if name.lower().endswith(".mov") else 1)
            if why:
                self.add("wrong result", f"{title} {what} that {why.split(':')[0]}", f"{details}: {name} {why}")

    def project_whole(self, relative, what, marker=None, details=""):
        path = self.path(relative)
        kind = describe(path)
        if not kind.startswith("file"):
            self.add("wrong result", f"{what} is {kind.split(' ')[0]}", f"{details}: {relative}")
            return
        notes, why = opens(path)
        if why:
            self.add("wrong result", f"{what} does not open", f"{details}: {relative}: {why}")
        elif marker is not None and notes != marker:
            self.add("wrong result", f"{what} lacks the change saved", f"{details}: notes {notes[:40]!r}")


PHASES = {"again": "once the hazard was gone", "measure": "without a hazard", "before": "without a hazard",
          "busy": "in a thread without a hazard", "forked": "in a forked child", "pooled": "in a pool worker"}


def op_of(source):
    """The operation a call's source makes, by its text."""
    for op, mark in (("save_as", ".save_as("), ("save", ".save()"), ("export", ".export("),
                     ("shapes", "export_rendered_shapes"), ("render", ".render("), ("track", ".track_layers("),
                     ("pixels", ".pixels()"), ("toy_read", "CT.image"), ("read", ".image("), ("open", "p.Project("),
                     ("track_export", "TRACKS.")):
        if mark in source:
            return op
    return ""


# --- Reading back ----------------------------------------------------------------------------------

_checks = itertools.count()


def reads_back(path, frames=1):
    """None when the file reads back whole (every frame), else why not."""
    try:
        with open(path, "rb") as file:
            data = file.read()
    except OSError as error:
        return f"cannot be read: {error}"
    if not data:
        return "is empty"
    ext = os.path.splitext(path)[1].lower()
    if ext in (".jpg", ".jpeg") and not data.rstrip(b"\0").endswith(b"\xff\xd9"):
        return "is cut short: no JPEG end marker"
    if ext == ".wtoy":
        import prelude
        size = prelude.toy_header(path)
        if size is None or len(data) != prelude.TOY_HEADER + size[0] * size[1] * 3:
            return f"is cut short: {len(data)} bytes for a toy image of {size}"
        return None
    return decodes(path, data, frames)


def decodes(path, data, frames):
    """Through the image kit, under a name without digits (a single image,
    not a frame of a sequence)."""
    import plinx.project as p
    folder = os.path.abspath(f"world-read-back-{os.getpid()}")
    os.makedirs(folder, exist_ok=True)
    number, letters = next(_checks), ""
    while True:
        number, digit = divmod(number, 26)
        letters += chr(ord("a") + digit)
        if not number:
            break
    link = os.path.join(folder, "check" + letters + os.path.splitext(path)[1])
    os.symlink(os.path.abspath(path), link)
    try:
        project = p.Project(p.Clip(link, "check", True))
        clip = project.clips["check"]
        info = clip.get_info(p.View(0))
        count = info.end_frame - info.start_frame + 1
        if count != frames:
            return f"holds {count} frames of {frames}"
        for frame in range(info.start_frame, info.end_frame + 1):
            image = clip.image(frame)
            if image is None or image.width <= 0:
                return f"does not decode: frame {frame}"
        return None
    except Exception as error:  # noqa: BLE001 (any failure to read is the answer)
        return f"does not open: {type(error).__name__}: {error}"


def text_reads_back(path):
    try:
        with open(path, encoding="utf-8") as file:
            text = file.read()
    except (OSError, ValueError) as error:
        return f"cannot be read: {error}"
    if not text.startswith("# track") or not text.endswith("\n"):
        return "is cut short"
    return None


def opens(path):
    """(notes, None) of the project file that opens, or (None, why not)."""
    import plinx.project as p
    try:
        project = p.Project(path)
        if "plate" not in project.clips:
            return None, f"no clip 'plate' in {sorted(project.clips)}"
        return project.notes, None
    except Exception as error:  # noqa: BLE001
        return None, f"{type(error).__name__}: {error}"


def conclude(setup, path, folder, findings):
    """Prints the findings (the first one last: the driver groups by it) and
    ends the worker as the first one says."""
    lines = [f"world trial: {hazard(setup)}", f"  child script: {path}", f"  setup: {setup!r}"]
    causes = {}
    for finding in findings:
        causes.setdefault((finding.kind, finding.cause), []).append(finding.details)
    for (kind, cause), details in causes.items():
        lines.append(f"  {kind}: {cause}" + (f" ({len(details)} times)" if len(details) > 1 else ""))
        lines += [f"      {detail[:2000]}" for detail in details[:3] if detail]
    try:
        with open(os.path.join(folder, "child.err"), encoding="utf-8", errors="replace") as err:
            tail = err.read().splitlines()[-20:]
    except OSError:
        tail = []
    lines += ["  the child's stderr, last lines:"] + ["  | " + line[:200] for line in tail]
    lines += [f"world finding: {kind} | {cause}" for kind, cause in reversed(list(causes))]
    sys.stderr.write("\n".join(lines) + "\n")
    sys.stderr.flush()
    os._exit(findings[0].status())
