"""What the fuzz harness's generated scripts use.

Every mode but `calls` runs Python statements, one after the other, in one
namespace; the journal holds them, so a reproducer is a script of the same
statements that starts with `from prelude import *` and `start(globals())`.
Everything those statements call lives here: the modules, footage, hostile
values, the way a statement's exception is swallowed, deletion helpers, and
extensions (exporters, image IO modules, tools) whose methods the core calls
back and which each do what a script tells them to.
"""
import collections
import faulthandler
import gc
import os
import resource
import struct
import sys
import tempfile
import threading

import numpy
import shiboken2
from PySide2 import QtCore, QtGui

from statements import guard

import plinx._init as init  # starts the core, as scripts do
import plinx.exporters as e
import plinx.mediaio as m
import plinx.project as p

try:  # only inside the application (the embedding host)
    import embed_host as host
    import plinx.tools as t
except (ImportError, OSError):
    host = t = None

EMBEDDED = host is not None

# The base of every wrapper of the binding runtime (shiboken2 does not name it).
WRAPPER = QtCore.QObject.__mro__[-2]

__all__ = [
    "collections", "gc", "os", "sys", "threading", "numpy", "shiboken2", "QtCore", "QtGui", "init", "e", "m",
    "p", "t", "host", "EMBEDDED", "quiet", "guard", "start", "footage", "toy_footage", "fresh_extension",
    "kill", "drop", "parent_dies", "later", "views", "touch", "Call", "scripted", "ScriptedIO", "SCRIPTED_EXPORTERS",
    "ScriptedTool", "overlay", "connect", "act", "race", "RaisingRepr", "BadSequence", "BadNumber",
    "RaisingIter", "HugeSequence", "xpoints", "bpoints", "settle", "clear", "nested", "join_thread", "drop_self",
    "where", "counted",
]


# --- Running statements ------------------------------------------------------------------------------

class Quiet:
    """Swallows what a statement raises, counting it by type: raising is fine,
    dying is not. SystemExit and KeyboardInterrupt that come out of an API
    call are swallowed too (a callback raised them): the run goes on."""

    def __init__(self):
        self.raised = collections.Counter()

    def __enter__(self):
        return self

    def __exit__(self, kind, error, traceback):
        if kind is None:
            return False
        self.raised[kind.__name__] += 1
        return True


quiet = Quiet()
counted = collections.Counter()  # statements run by threads of race()


def where(kind, source):
    """The file name of compiled statements: stacks then show what ran."""
    return "<%s: %s>" % (kind, source.replace("\n", " ")[:160])


NAMESPACE = {}
BASE_NAMES = set()


def start(namespace, folder=None, watchdog=None, memory=4 << 30):
    """Statements run in this namespace (the script's globals), from a
    scratch folder (they write footage and exports at relative paths);
    faulthandler prints the Python stacks of a fatal signal. The process
    gets at most `memory` bytes of address space: a call that asks for more
    fails (as it would on a loaded machine) instead of taking the machine's."""
    if memory and "asan" not in os.environ.get("LD_PRELOAD", ""):  # the sanitizer maps terabytes
        resource.setrlimit(resource.RLIMIT_AS, (memory, memory))
    global NAMESPACE
    NAMESPACE = namespace
    NAMESPACE.setdefault("__builtins__", __builtins__)
    NAMESPACE.setdefault("copy", __import__("copy"))
    BASE_NAMES.clear()
    BASE_NAMES.update(NAMESPACE)
    os.chdir(folder or tempfile.mkdtemp(prefix="plinx-fuzz-run-", dir=os.environ.get("PLINX_FUZZ_SCRATCH")))
    os.makedirs("out", exist_ok=True)
    faulthandler.enable()
    if watchdog:  # a reproducer that hangs shows every thread's stack, then ends
        faulthandler.dump_traceback_later(watchdog, exit=True)
    QtCore.QCoreApplication.instance() or QtCore.QCoreApplication([])
    return NAMESPACE


def clear():
    """Drops what the statements made: every name but the prelude's."""
    for name in list(NAMESPACE):
        if name not in BASE_NAMES:
            del NAMESPACE[name]
    settle()


def act(text="", answer=None):
    """A behaviour for a callback: runs the statements of the script in its
    namespace, with `call` naming what the core handed over, then returns the
    expression `answer`, or the good answer. What the statements raise goes
    to the core, as a callback's exception does."""
    code = compile(text or "pass", where("callback", text), "exec")
    returned = compile(answer, "<answer>", "eval") if answer is not None else None

    def run(call):
        NAMESPACE["call"] = call
        exec(code, NAMESPACE)  # noqa: S102 (the harness's own generated statements)
        if returned is None:
            return call.good()
        return eval(returned, NAMESPACE)  # noqa: S307

    run.text = text
    return run


_depth = threading.local()


def nested(text):
    """Runs the statements unless already two levels inside nested(): a
    callback that repeats the operation that called it."""
    depth = getattr(_depth, "value", 0)
    if depth >= 2:
        return
    _depth.value = depth + 1
    try:
        exec(compile(guard(text), where("nested", text), "exec"), NAMESPACE)  # noqa: S102
    finally:
        _depth.value = depth


def join_thread(function):
    """Runs the function in another thread and waits for it, as a callback may.
    The thread is one level deeper than its caller, as in nested(): a callback
    whose thread makes the core call it again would otherwise start threads
    without end."""
    depth = getattr(_depth, "value", 0)
    if depth >= 2:
        return

    def quietly():
        _depth.value = depth + 1
        with quiet:
            function()

    thread = threading.Thread(target=quietly, name="joined")
    thread.start()
    thread.join()


def drop_self(obj):
    """Lets go of every reference the script holds to the object: its names,
    and its places in the script's lists."""
    for name, value in list(NAMESPACE.items()):
        if name in BASE_NAMES:
            continue
        if value is obj or isinstance(value, Call) and value.self is obj:
            del NAMESPACE[name]
        elif isinstance(value, list):
            value[:] = [item for item in value if item is not obj]
    gc.collect()


def race(programs, namespace=None, switch=None):
    """Each program (a list of statements) runs in a thread of its own, all at
    once, over the shared namespace; returns when every thread has ended (a
    thread that never ends is a hang, for the watchdog to report). A short
    `switch` interval (seconds) makes the interpreter change threads often,
    which opens races' windows wide."""
    namespace = NAMESPACE if namespace is None else namespace
    if switch:
        sys.setswitchinterval(switch)
    compiled = [[compile(guard(line), where("thread %d, statement %d" % (index, number), line), "exec")
                 for number, line in enumerate(program)] for index, program in enumerate(programs)]
    barrier = threading.Barrier(len(programs))

    def work(codes):
        barrier.wait()
        for code in codes:
            exec(code, namespace)  # noqa: S102
            counted["statements"] += 1

    threads = [threading.Thread(target=work, args=(codes,), name="program-%d" % index)
               for index, codes in enumerate(compiled)]
    for thread in threads:
        thread.start()
    # The main thread runs the event loop meanwhile: the deletions that the
    # threads ask of Qt (later) happen under their calls.
    application = QtCore.QCoreApplication.instance()
    for thread in threads:
        while thread.is_alive():
            thread.join(0.002)
            if application is not None:
                application.processEvents()
                application.sendPostedEvents(None, QtCore.QEvent.DeferredDelete)
    sys.setswitchinterval(0.005)


def settle():
    """Lets queued events and deferred deletions run."""
    gc.collect()
    application = QtCore.QCoreApplication.instance()
    if application is not None:
        application.processEvents()
        application.sendPostedEvents(None, QtCore.QEvent.DeferredDelete)


# --- Footage -----------------------------------------------------------------------------------------

def _write_once(path, write):
    """Writes the file unless it exists; concurrent writers never see half a file."""
    if os.path.exists(path):
        return
    temporary = "%s.%d.%d.tmp" % (path, os.getpid(), threading.get_ident())
    write(temporary)
    os.replace(temporary, path)


def footage(name="sq", frames=6, size=(48, 32)):
    """A numbered PNG sequence of a textured square moving 3 px a frame to the
    right (something to track); its first file."""
    folder = os.path.abspath("footage")
    os.makedirs(folder, exist_ok=True)
    rng = numpy.random.default_rng(sum(map(ord, name)))
    noise = rng.integers(0, 256, (12, 12), dtype=numpy.uint8)
    width, height = size
    for index in range(frames):
        def write(path, index=index):
            pixels = numpy.full((height, width, 3), 30, dtype=numpy.uint8)
            left = min(4 + 3 * index, max(0, width - 12))
            top = max(0, min(8, height - 12))
            pixels[top:top + 12, left:left + 12, 0] = noise[:height - top, :width - left]
            pixels[top:top + 12, left:left + 12, 1] = 255 - noise[:height - top, :width - left]
            image = QtGui.QImage(pixels.data, width, height, width * 3, QtGui.QImage.Format_RGB888)
            if not image.save(path, "PNG"):
                raise OSError("cannot write " + path)
        _write_once(os.path.join(folder, "%s.%04d.png" % (name, index + 1)), write)
    return os.path.join(folder, "%s.0001.png" % name)


TOY_MAGIC = b"FUZZTOY1"
TOY_HEADER = len(TOY_MAGIC) + 8


def write_toy(path, width, height, rgb):
    """Whole or not at all: a writer cut short (a signal, a full disk) leaves
    no toy file of its own making, only a hidden temporary one."""
    folder, name = os.path.split(path)
    temporary = os.path.join(folder, ".%s.%d.%d.tmp" % (name, os.getpid(), threading.get_ident()))
    try:
        with open(temporary, "wb") as toy:
            toy.write(TOY_MAGIC + struct.pack("<II", width, height) + bytes(rgb))
        os.replace(temporary, path)
    except BaseException:
        try:
            os.remove(temporary)
        except OSError:
            pass
        raise


def toy_header(path):
    try:
        with open(path, "rb") as toy:
            head = toy.read(TOY_HEADER)
    except OSError:
        return None
    if len(head) != TOY_HEADER or not head.startswith(TOY_MAGIC):
        return None
    return struct.unpack("<II", head[len(TOY_MAGIC):])


def toy_footage(extension, frames=4, size=(8, 6)):
    """Frames of the toy format (read by ScriptedIO) under the extension; the first file."""
    folder = os.path.abspath(os.path.join("footage", extension.lstrip(".")))
    os.makedirs(folder, exist_ok=True)
    width, height = size
    for index in range(1, frames + 1):
        rgb = bytes([(index * 40) % 256, 7, 200]) * (width * height)
        _write_once(os.path.join(folder, "toy.%04d%s" % (index, extension)),
                    lambda path, rgb=rgb: write_toy(path, width, height, rgb))
    return os.path.join(folder, "toy.0001" + extension)


def fresh_extension(*numbers):
    """An extension of letters only (the digits that end a file name number its
    frame), one per tuple of numbers: registered formats stay for the process."""
    letters = ""
    for number in numbers:
        number = abs(int(number))
        while True:
            number, digit = divmod(number, 26)
            letters += chr(ord("a") + digit)
            if not number:
                break
        letters += "x"
    return ".fz" + letters


def xpoints(count=4, x=10.0, y=8.0, size=12.0):
    corners = [(x, y), (x + size, y), (x + size, y + size), (x, y + size), (x + size / 2, y - 2)]
    return [p.XControlPointData(x=float(a), y=float(b)) for a, b in corners[:count]]


def bpoints(count=3, x=6.0, y=6.0, size=10.0):
    corners = [(x, y), (x + size, y), (x + size, y + size), (x, y + size)]
    return [p.BezierControlPointData(x=float(a), y=float(b), handle_offset_forward=(1.0, 0.0))
            for a, b in corners[:count]]


# --- Hostile values ----------------------------------------------------------------------------------

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


class RaisingIter:
    """A sequence whose iteration raises."""

    def __len__(self):
        return 2

    def __getitem__(self, index):
        return "a"

    def __iter__(self):
        raise ValueError("no iteration")


class HugeSequence:
    """Claims more items than memory holds."""

    def __len__(self):
        return sys.maxsize

    def __getitem__(self, index):
        if index > 3:
            raise IndexError(index)
        return "a"


class BadNumber:
    def __index__(self):
        raise ValueError("no index")

    def __float__(self):
        raise ValueError("no float")

    def __int__(self):
        raise ValueError("no int")


# --- Deaths ------------------------------------------------------------------------------------------

def kill(obj):
    """shiboken2.delete on what is still valid (deleting twice frees twice in
    the runtime itself, out of scope)."""
    if isinstance(obj, WRAPPER) and shiboken2.isValid(obj):
        shiboken2.delete(obj)


def drop(name):
    """The script lets go of a name (its last reference, maybe)."""
    NAMESPACE.pop(name, None)
    gc.collect()


def parent_dies(obj, parent=None, by_qt=False):
    """Gives the object a Qt parent, then the parent dies: by shiboken2.delete,
    or (`by_qt`) by Qt's own deferred deletion (see later). Not when that
    makes a cycle of parents (the object an ancestor of the parent), which
    kills PySide2's own objects as well: out of scope."""
    parent = QtCore.QObject() if parent is None else parent
    ancestor = parent
    while ancestor is not None:
        if ancestor is obj:
            return
        ancestor = ancestor.parent()
    obj.setParent(parent)
    if by_qt:
        later(parent)
    else:
        kill(parent)


def later(obj):
    """Qt deletes the object itself: deleteLater, which the main thread's
    event loop carries out, at once when asked on the main thread, else
    while the main thread waits for a race (other threads calling meanwhile)."""
    if isinstance(obj, QtCore.QObject) and shiboken2.isValid(obj):
        obj.deleteLater()
        if threading.current_thread() is threading.main_thread():
            settle()


def views(image):
    """What Python can hold of an image's pixels: the array, a memoryview and a
    numpy array over it (or Nones)."""
    source = image.pixels
    array = source() if callable(source) else source
    if array is None:
        return None, None, None
    view = memoryview(array)
    return array, view, numpy.frombuffer(array, numpy.uint8)


def touch(view):
    """Reads and writes the first and last bytes of a view of pixels."""
    if view is None:
        return None
    if isinstance(view, numpy.ndarray):
        flat = view.reshape(-1)
    else:
        flat = memoryview(view).cast("B")
    if len(flat):
        flat[0], flat[len(flat) - 1] = flat[0], flat[len(flat) - 1]
    return len(flat)


# --- Extensions the core calls back ------------------------------------------------------------------

class Call:
    """One call of the core into an extension: who, which method, with what;
    good() is the well-behaved answer."""

    def __init__(self, owner, method, args, good):
        self.self, self.method, self.args, self._good = owner, method, args, good

    def good(self):
        return self._good(self.self, *self.args)

    def handed(self):
        """The objects of the binding among the arguments, lists opened."""
        found = []
        for arg in self.args:
            for item in (arg if isinstance(arg, (list, tuple)) else [arg]):
                if isinstance(item, WRAPPER):
                    found.append(item)
        return found


def callback_methods(base):
    """The methods of an extension type the core may call back: its own, less
    the ones the binding serves itself."""
    names = []
    for klass in base.__mro__:
        if not klass.__module__.startswith("plinx"):
            continue
        for name, member in vars(klass).items():
            if name.startswith("_") or name in ("register", "unregister", "registered_exporters", "action") \
                    or isinstance(member, (staticmethod, property)) or not callable(member) \
                    or type(member).__name__ in ("Signal", "builtin_function_or_method"):
                continue
            if name not in names:
                names.append(name)
    return sorted(names)


def _routed(name, good):
    def method(self, *args):
        act = self.acts.get(name)
        if act is None:
            return good(self, *args)
        return act(Call(self, name, args, good))

    method.__name__ = name
    return method


def scripted(base, good, name=None):
    """A subclass of an extension type whose every callback method runs the
    behaviour its `acts` holds for the method's name, else the good answer
    (the base's own when `good` has none)."""
    namespace = {"acts": {}}
    for method in callback_methods(base):
        namespace[method] = _routed(method, good.get(method, getattr(base, method)))
    return type(name or ("Scripted" + base.__name__), (base,), namespace)


def _toy_load(self, image, path, frame_number, stream_name):
    with open(path, "rb") as toy:
        data = toy.read()[TOY_HEADER:]
    pixels = memoryview(image.pixels()).cast("B")
    stride, row = len(pixels) // max(1, image.height), image.width * 3
    for y in range(image.height):
        pixels[y * stride:y * stride + row] = data[y * row:(y + 1) * row]


def _toy_save(self, image, path):
    """RGB of any 8-bit image: grey repeated, alpha dropped."""
    width, height = image.width, image.height
    pixels = numpy.frombuffer(memoryview(image.pixels()).cast("B"), numpy.uint8)
    stride = len(pixels) // max(1, height)
    depth = max(1, stride // max(1, width))  # bytes a pixel: grey 1, grey and alpha 2, RGB 3, RGBA 4
    lines = pixels[:height * stride].reshape(height, stride)[:, :width * depth].reshape(height, width, depth)
    rgb = lines[:, :, :3] if depth >= 3 else numpy.repeat(lines[:, :, :1], 3, axis=2)
    write_toy(path, width, height, rgb.tobytes())


IO_GOOD = {
    "accepts_ext": lambda self, extension: extension.lower() == self.extension,
    "accepts_file": lambda self, path: toy_header(path) is not None,
    "image_size": lambda self, path: QtCore.QSize(*(toy_header(path) or (1, 1))),
    "pixel_format": lambda self, path: p.PixelFormat.RGBColorFormat,
    "channel_type": lambda self, path: p.ChannelType.UCharType,
    "supports_image": lambda self, path, pixel_format, channel_type: True,
    "get_gamma": lambda self, path: None,
    "get_interlace_mode": lambda self, path: None,
    "get_stream_names": lambda self, path: [],
    "get_metadata": lambda self, path, frame, stream: {},
    "get_fps": lambda self, path: 24.0,
    "get_frame_count": lambda self, path: 1.0,
    "load_image": _toy_load,
    "save_image": _toy_save,
}


class ScriptedIO(scripted(m.AbstractImageIOModule, IO_GOOD, "ScriptedIOBase")):
    """Reads and writes the toy format under its extension; building one
    registers it for the rest of the process."""

    def __init__(self, extension):
        super().__init__("Fuzz toy", [extension], [p.PixelFormat.RGBColorFormat], [p.ChannelType.UCharType])
        self.extension = extension
        self.acts = {}


def _export_good(self, *args):
    path = next((a for a in args if isinstance(a, str)), "export.txt")
    return {os.path.basename(path) or "export.txt": QtCore.QByteArray(b"fuzz")}


EXPORTER_GOOD = {"do_export": _export_good, "error_string": lambda self: ""}


def _exporter_type(base):
    klass = scripted(base, EXPORTER_GOOD)

    def __init__(self, name, extension=".txt", *args, **keywords):
        base.__init__(self, name, extension, *args, **keywords)
        self.acts = {}

    klass.__init__ = __init__
    return klass


# One scripted exporter type for each family the module offers.
SCRIPTED_EXPORTERS = {
    name: _exporter_type(base) for name, base in sorted(vars(e).items())
    if isinstance(base, type) and name.startswith("Abstract") and issubclass(base, QtCore.QObject)
}


def _tool_init(self, project=None, *args):
    t.AbstractTool.__init__(self)
    self.project = project


if t is not None:
    # A tool's good answer to every call is to do nothing.
    _ToolBase = scripted(t.AbstractTool, {name: lambda self, *args: None
                                          for name in callback_methods(t.AbstractTool)}, "ScriptedToolBase")

    class ScriptedTool(_ToolBase):
        """The tool type's acts live on the class: the core builds the tools;
        "__init__" among them runs in the constructor."""

        def __init__(self, project=None, *args):
            act = type(self).acts.get("__init__")
            if act is None:
                _tool_init(self, project, *args)
            else:
                act(Call(self, "__init__", (project,) + args, _tool_init))
else:
    ScriptedTool = None


class Behaving:
    """A Python callable the core calls (the overlay renderer, a slot) whose
    behaviour a script sets: acts[name]."""

    def __init__(self, name):
        self.acts = {}
        self.name = name

    def __call__(self, *args):
        act = self.acts.get(self.name)
        if act is None:
            return None
        return act(Call(self, self.name, args, lambda owner, *rest: None))


def overlay():
    """The overlay renderer, as "draw"."""
    renderer = Behaving("draw")
    t.set_overlay_renderer(renderer)
    return renderer


def connect(watcher, signal_name, act=None):
    """Connects a slot running `act` to the watcher's signal; the slot."""
    slot = Behaving(signal_name)
    if act is not None:
        slot.acts[signal_name] = act
    getattr(watcher, signal_name).connect(slot)
    return slot
