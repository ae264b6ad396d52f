"""Every file the system writes is written whole or the call says why: a write that fails
(a file size limit, a full disk) raises OSError naming the file and leaves the old file and
nothing else; no codec ends the process; only regular files are replaced; and what a project
stores or an export writes reads back as it was."""
import json
import os
import random
import shutil
import stat
import struct
import subprocess
import zlib

import pytest

import plinx._init  # noqa: F401 (starts the core)
import plinx.project as p
from conftest import PACKAGE_DIR, raises

# SGI: a format written only through a named file, by a writer that does not check its writes.
EXTENSIONS = [".png", ".bmp", ".jpg", ".tif", ".exr", ".dpx", ".sgi", ".mov"]


def write_noise(folder, count=3, size=(40, 30), name="shot"):
    """Frames of noise, which no codec packs small: name.0001.png ...; returns the first."""
    from PySide2 import QtGui
    os.makedirs(folder, exist_ok=True)
    noise = random.Random(3)
    paths = []
    for index in range(1, count + 1):
        image = QtGui.QImage(size[0], size[1], QtGui.QImage.Format_RGB32)
        for y in range(size[1]):
            for x in range(size[0]):
                image.setPixel(x, y, noise.randrange(1 << 24))
        paths.append(os.path.join(str(folder), "%s.%04d.png" % (name, index)))
        assert image.save(paths[-1])
    return paths[0]


def write_png(path, width, height, colour_type, pixel):
    """A PNG of 8-bit channels, every pixel `pixel` (colour type 0 grey, 4 grey and alpha)."""
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    rows = (b"\0" + bytes(pixel) * width) * height
    with open(path, "wb") as png:
        png.write(b"\x89PNG\r\n\x1a\n"
                  + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, colour_type, 0, 0, 0))
                  + chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b""))


# --- Writes that fail ---------------------------------------------------------------------------
# One process per world runs every case: a death shows as the cases that never reported.

WRITES = r'''
import json, os, resource, sys
import plinx._init
import plinx.exporters as e
import plinx.project as p

footage, base, world = sys.argv[1:4]
project = p.Project(p.Clip(footage, "shot"))
layer = project.add_layer(project.clips["shot"], "square")
layer.add_xspline_contour(0.0, [p.XControlPointData(x=float(x), y=float(y))
                                for x, y in [(5, 5), (30, 5), (30, 25), (5, 25)]])

def export(extension):
    return lambda folder: project.clips["shot"].export(None, folder, extension, "f_", "", 0, 2)

def render(folder):
    project.set_output_dir(folder)
    project.render(p.RenderInsertOperation(), 0, 2, [layer])

def exported(family, name, *args):
    def run(folder):
        entry = family.registered_exporters()[name]
        files = entry.do_export(project, *args[:1], os.path.join(folder, "data.txt"), *args[1:])
        return [sorted(files), [bytes(files[key]).decode() for key in sorted(files) if key == "<error>"],
                entry.error_string()]
    return run

CASES = {"export " + extension: (export(extension), "f_0" + extension) for extension in %(extensions)r}
CASES.update({
    "render": (render, None),
    "rendered shapes": (lambda folder: project.export_rendered_shapes(
        [layer], p.Grayscale, folder, ".png", "m", "", 0, 2), "m0.png"),
    "save": (lambda folder: project.save_as(os.path.join(folder, "p.plinx")), "p.plinx"),
    "shape exporter": (exported(e.AbstractShapeDataExporter, "Plain Text Shapes", [layer], [p.View(0)]), "data.txt"),
    "track exporter": (exported(e.AbstractTrackingDataExporter, "Plain Text Track", layer, 0.0, p.View(0), {}),
                       "data.txt"),
    "camera exporter": (exported(e.AbstractCameraSolveExporter, "Plain Text Camera", [layer], 0.0, [p.View(0)]),
                        "data.txt"),
})

folders = {}
for name, (action, old) in CASES.items():
    folders[name] = os.path.join(base, name.replace(" ", "-"))
    os.makedirs(folders[name])
    if old:
        with open(os.path.join(folders[name], old), "wb") as kept:
            kept.write(b"old contents")
limit = resource.getrlimit(resource.RLIMIT_FSIZE)
if world == "full disk":
    filler = os.open(os.path.join(base, "filler"), os.O_WRONLY | os.O_CREAT)
    try:
        while os.write(filler, b"x" * 4096):
            pass
    except OSError:
        os.close(filler)
for name, (action, old) in CASES.items():
    if world == "file size limit":
        resource.setrlimit(resource.RLIMIT_FSIZE, (64, limit[1]))
    try:
        returned = action(folders[name])
        outcome = {"returned": returned if isinstance(returned, list) else repr(returned)}
    except Exception as error:
        outcome = {"raised": [type(error).__name__, str(error)]}
    finally:
        resource.setrlimit(resource.RLIMIT_FSIZE, limit)
    if old:
        with open(os.path.join(folders[name], old), "rb") as kept:
            outcome["old"] = kept.read().decode()
    outcome["files"] = sorted(os.path.relpath(os.path.join(top, entry), folders[name])
                              for top, _, entries in os.walk(folders[name]) for entry in entries)
    outcome["project file"] = project.project_file
    print(json.dumps([name, outcome]), flush=True)
'''

REASONS = {"file size limit": "File too large", "full disk": "No space left on device"}


def mounts_allowed():
    return shutil.which("unshare") is not None and subprocess.run(
        ["unshare", "--mount", "--propagation", "private", "sh", "-c", "mount -t tmpfs -o size=64k tmpfs /mnt"],
        capture_output=True).returncode == 0


@pytest.fixture(scope="module", params=sorted(REASONS))
def failed_writes(request, tmp_path_factory):
    """{case: outcome} of every write in a world where writes fail, and the world's folder."""
    world = request.param
    base = tmp_path_factory.mktemp("world")
    footage = write_noise(base / "footage")
    out = base / "out"
    out.mkdir()
    code = WRITES % {"extensions": EXTENSIONS}
    python = ["/usr/bin/python3", "-c", code, footage, str(out), world]
    if world == "full disk":
        if not mounts_allowed():
            pytest.skip("no tmpfs can be mounted here")
        # A small file system of its own, gone with the process.
        python = ["unshare", "--mount", "--propagation", "private", "sh", "-c",
                  'mount -t tmpfs -o size=1m tmpfs "$0" && exec "$@"', str(out)] + python
    env = dict(os.environ, PYTHONPATH=PACKAGE_DIR)
    ran = subprocess.run(python, env=env, capture_output=True, text=True, timeout=300)
    outcomes = dict(json.loads(line) for line in ran.stdout.splitlines() if line.startswith("["))
    return world, out, outcomes, ran


CASES = ["export " + extension for extension in EXTENSIONS] + ["render", "rendered shapes", "save"]
EXPORTERS = ["shape exporter", "track exporter", "camera exporter"]


def outcome_of(failed_writes, case):
    """The world, the case's folder and what the case did."""
    world, out, outcomes, ran = failed_writes
    assert case in outcomes, "the process ended (status %d) before: %s" % (ran.returncode, ran.stderr[-2000:])
    return world, os.path.join(str(out), case.replace(" ", "-")), outcomes[case]


@pytest.mark.xdist_group("failed writes")
@pytest.mark.parametrize("case", CASES)
def test_a_write_that_fails_raises_oserror_naming_the_file_and_keeps_the_old_one(failed_writes, case):
    world, folder, outcome = outcome_of(failed_writes, case)
    error, text = outcome.get("raised", [None, outcome.get("returned")])
    assert error == "OSError", text
    if case == "save":
        assert text == "Cannot save project file '%s': %s" % (os.path.join(folder, "p.plinx"), REASONS[world])
        assert outcome["project file"] == ""
    elif case in ("export .mov", "export .sgi"):
        # The encoder's own writes fail unseen: the file is found short, or cannot start.
        extension = case.split()[-1]
        kind = {".mov": "movie", ".sgi": "image"}[extension]
        written = "Cannot write '%s': " % os.path.join(folder, "f_0" + extension)
        assert text in (written + "The %s does not read back whole" % kind, written + REASONS[world]), text
    else:
        assert text.startswith("Cannot write '%s/" % folder) and text.endswith("': " + REASONS[world]), text
    old = {"render": []}.get(case, [os.path.basename(text.split("'")[1])])
    assert outcome["files"] == old  # nothing half written, no temporary left
    assert outcome.get("old", "old contents") == "old contents"


@pytest.mark.xdist_group("failed writes")
@pytest.mark.parametrize("case", EXPORTERS)
def test_a_builtin_export_that_cannot_write_says_so_and_keeps_the_old_file(failed_writes, case):
    world, folder, outcome = outcome_of(failed_writes, case)
    files, error_entry, error_string = outcome["returned"]
    reason = "Cannot write '%s': %s" % (os.path.join(folder, "data.txt"), REASONS[world])
    if case == "shape exporter":
        assert (files, error_entry) == (["<error>"], [reason])
    else:
        assert (files, error_string) == ([], reason)
    assert outcome["files"] == ["data.txt"] and outcome["old"] == "old contents"


# --- Codecs that would end the process ------------------------------------------------------------

CODECS = r'''
import json, sys
import plinx._init
import plinx.project as p
for name, footage, extension in json.loads(sys.argv[1]):
    out = footage + "-out"
    try:
        project = p.Project(p.Clip(footage, "shot"))
        project.clips["shot"].export(None, out, extension, "f_", "", 0, 0)
        back = p.Project(p.Clip(out + "/f_0" + extension, "back"))
        image = back.clips["back"].image(0)
        outcome = [image.width, image.height, str(image.pixel_format), list(image.pixels()[:8])]
    except Exception as error:
        outcome = [type(error).__name__, str(error)]
    print(json.dumps([name, outcome]), flush=True)
'''


def test_codecs_that_would_end_the_process_refuse_or_write(tmp_path):
    # The JPEG library exits on an image over 65500 pixels wide; OpenImageIO's
    # DPX writer asserts on grey and alpha.
    wide, grey_alpha = str(tmp_path / "wide.png"), str(tmp_path / "grey-alpha.png")
    write_png(wide, 65501, 1, 0, [90])
    write_png(grey_alpha, 4, 3, 4, [90, 200])
    cases = [("wide jpeg", wide, ".jpg"), ("grey and alpha dpx", grey_alpha, ".dpx")]
    ran = subprocess.run(["/usr/bin/python3", "-c", CODECS, json.dumps(cases)],
                         env=dict(os.environ, PYTHONPATH=PACKAGE_DIR), capture_output=True, text=True, timeout=120)
    outcomes = dict(json.loads(line) for line in ran.stdout.splitlines() if line.startswith("["))
    assert ran.returncode == 0, ran.stderr[-2000:]
    assert outcomes["wide jpeg"] == ["RuntimeError", "Cannot write '%s-out/f_0.jpg'" % wide]
    assert os.listdir(wide + "-out") == []
    width, height, pixel_format, pixels = outcomes["grey and alpha dpx"]
    assert (width, height, pixel_format) == (4, 3, str(p.RGBColorAlphaFormat))
    assert pixels[0] == pixels[1] == pixels[2] and pixels[3] == 200 and pixels[:4] == pixels[4:]


# --- What a save may replace ---------------------------------------------------------------------

@pytest.fixture
def project(tmp_path):
    return p.Project(p.Clip(write_noise(tmp_path / "footage", count=1), "shot"))


def make_target(kind, folder):
    """A save target of the kind in `folder`; returns its path."""
    path = os.path.join(str(folder), kind.replace(" ", "-"))
    if kind == "fifo":
        os.mkfifo(path)
    elif kind == "device":
        try:  # the system's /dev/full, made here
            os.mknod(path, 0o600 | stat.S_IFCHR, os.makedev(1, 7))
        except PermissionError:
            pytest.skip("no device node can be made here")
    elif kind == "folder":
        os.mkdir(path)
    elif kind == "link to a fifo":
        os.mkfifo(path + ".fifo")
        os.symlink(os.path.basename(path) + ".fifo", path)
    elif kind == "link loop":
        os.symlink(path + ".b", path)
        os.symlink(path, path + ".b")
    elif kind == "under a file":
        with open(path, "w") as plain:
            plain.write("plain")
        path = os.path.join(path, "p.plinx")
    return path


def node_kind(path):
    mode = os.lstat(path).st_mode
    return [name for name, test in [("fifo", stat.S_ISFIFO), ("device", stat.S_ISCHR), ("folder", stat.S_ISDIR),
                                    ("link", stat.S_ISLNK), ("file", stat.S_ISREG)] if test(mode)]


@pytest.mark.parametrize("kind, reason", [
    ("fifo", "It is not a regular file"),
    ("device", "It is not a regular file"),
    ("folder", "Is a directory"),
    ("link to a fifo", "It is not a regular file"),
    ("link loop", "Too many levels of symbolic links"),
    ("under a file", "Not a directory"),
])
def test_saving_over_what_is_not_a_regular_file_is_refused_and_leaves_it(project, tmp_path, kind, reason):
    target = make_target(kind, tmp_path)
    before = {name: node_kind(os.path.join(str(tmp_path), name)) for name in os.listdir(str(tmp_path))}
    with raises(OSError, "Cannot save project file '%s': %s" % (target, reason)):
        project.save_as(target)
    assert {name: node_kind(os.path.join(str(tmp_path), name)) for name in os.listdir(str(tmp_path))} == before
    assert project.project_file == ""


def test_saving_through_links_replaces_the_file_they_lead_to(project, tmp_path):
    (tmp_path / "real.plinx").write_text("old")
    os.symlink("real.plinx", str(tmp_path / "link.plinx"))
    os.symlink("link.plinx", str(tmp_path / "chain.plinx"))
    os.symlink("later.plinx", str(tmp_path / "dangling.plinx"))
    for name, written in [("chain.plinx", "real.plinx"), ("dangling.plinx", "later.plinx")]:
        project.save_as(str(tmp_path / name))
        assert p.Project(str(tmp_path / written)).clips["shot"] is not None
    assert [node_kind(str(tmp_path / name)) for name in ("link.plinx", "chain.plinx", "dangling.plinx")] == [
        ["link"]] * 3
    assert sorted(os.listdir(str(tmp_path))) == ["chain.plinx", "dangling.plinx", "footage", "later.plinx",
                                                 "link.plinx", "real.plinx"]


@pytest.mark.parametrize("extension", EXTENSIONS)
def test_every_codec_writes_whole_files_that_read_back(project, tmp_path, extension):
    out = tmp_path / "out"
    os.makedirs(str(out))
    os.mkfifo(str(out / ("f_1" + extension)))  # a frame's name taken by a FIFO: refused, left as it is
    with pytest.raises(OSError, match="^Cannot write '%s': It is not a regular file$" % (out / ("f_1" + extension))):
        project.clips["shot"].export(None, str(out), extension, "f_", "", 0, 0, offset=1)
    assert node_kind(str(out / ("f_1" + extension))) == ["fifo"]
    project.clips["shot"].export(None, str(out), extension, "f_", "", 0, 0)
    assert sorted(os.listdir(str(out))) == ["f_0" + extension, "f_1" + extension]
    back = p.Project(p.Clip(str(out / ("f_0" + extension)), "back"))
    image = back.clips["back"].image(0)
    assert (image.width, image.height) == (40, 30)


# --- What a project stores reads back as it was ---------------------------------------------------

SPACES = ["\u00a0", "\u3000", "\u2028", "\u2029", "\u0085", "\u2003", " ", "\t", "\n"]


@pytest.mark.parametrize("space", SPACES, ids=["U+%04X" % ord(s) for s in SPACES])
def test_footage_in_folders_and_files_named_with_spaces_reopens_with_it(tmp_path, space):
    folder = tmp_path / (space + "shots" + space)
    first = write_noise(folder, count=2, name=space + "take" + space)
    project = p.Project(p.Clip(first, "shot"))
    path = str(tmp_path / "spaces.plinx")
    project.save_as(path)
    project = p.Project(path)
    reopened = project.clips["shot"]
    stream = reopened.get_info(0)
    assert (stream.path, stream.prefix) == (str(folder), space + "take" + space + ".")
    assert reopened.image(1) is not None and reopened.image(1).width == 40


TEXTS = ["  leading", "trailing  ", "a\u00a0", "\u3000both\u3000", "line\nbreak\r\n", "\u2028", "\u0085",
         "clap \U0001F3AC", "%41 = (a, b) [c]", "\"quoted\" \\ back", ""]


def test_every_text_a_project_stores_reads_back_exactly(project, tmp_path):
    for text in TEXTS:
        project.add_layer(project.clips["shot"], text)
    project.add_group(TEXTS[3])
    project.add_clip(p.Clip(write_noise(tmp_path / "second", count=1)), TEXTS[1])
    project.notes = "".join(TEXTS)
    project.views = [p.ViewInfo(text + "view", text + "v") for text in TEXTS[:4]]
    project.set_output_dir(str(tmp_path / TEXTS[2]))
    path = str(tmp_path / "texts.plinx")
    project.save_as(path)
    reopened = p.Project(path)
    assert sorted(layer.name for layer in reopened.layers) == sorted(TEXTS)
    assert [group.name for group in reopened.groups] == [TEXTS[3]]
    assert sorted(reopened.clips) == sorted(["shot", TEXTS[1]])
    assert reopened.notes == "".join(TEXTS)
    assert [(view.name, view.abbr) for view in reopened.views] == [(t + "view", t + "v") for t in TEXTS[:4]]
    assert reopened.get_output_dir() == str(tmp_path / TEXTS[2])


@pytest.mark.parametrize("text, error", [("a\0b", ValueError), ("\ud800", UnicodeEncodeError)])
def test_a_text_that_cannot_be_kept_as_it_is_is_refused(project, text, error):
    layer = project.add_layer(project.clips["shot"], "kept")
    with pytest.raises(error):
        layer.name = text
    with pytest.raises(error):
        project.notes = text
    assert (layer.name, project.notes) == ("kept", "")


# --- A failure is not kept ------------------------------------------------------------------------

RETRIES = r'''
import json, resource, sys
import plinx._init
import plinx.project as p

footage = sys.argv[1]
said = []

def attempt(what):
    try:
        said.append(["done", repr(what())])
    except Exception as error:
        said.append([type(error).__name__, str(error)])

# The codecs load on the first read: under a small address space they cannot.
size = next(int(line.split()[1]) * 1024 for line in open("/proc/self/status") if line.startswith("VmSize:"))
limit = resource.getrlimit(resource.RLIMIT_AS)
resource.setrlimit(resource.RLIMIT_AS, (size + (16 << 20), limit[1]))
attempt(lambda: p.Clip(footage, "shot", True))
resource.setrlimit(resource.RLIMIT_AS, limit)
attempt(lambda: tuple(p.Clip(footage, "shot", True).frame_size))

# The image bridge checks the array module when a frame first reaches
# Python: a check cut short by the recursion limit is made again.
project = p.Project(p.Clip(footage, "shot"))
clip = project.clips["shot"]
def deep(levels):
    return len(clip.image(0).pixels()) if levels == 0 else deep(levels - 1)
sys.setrecursionlimit(200)
for levels in range(199, 150, -1):
    attempt(lambda: deep(levels))
sys.setrecursionlimit(1000)
attempt(lambda: len(clip.image(0).pixels()))
print(json.dumps(said))
'''


def test_a_failed_set_up_is_tried_again(tmp_path):
    first = write_noise(tmp_path / "footage", count=1)
    ran = subprocess.run(["/usr/bin/python3", "-c", RETRIES, first], env=dict(os.environ, PYTHONPATH=PACKAGE_DIR),
                         capture_output=True, text=True, timeout=120)
    assert ran.returncode == 0, ran.stderr[-2000:]
    said = json.loads(ran.stdout.splitlines()[-1])
    assert said[0][0] == "RuntimeError" and said[0][1].startswith("Cannot load the image and movie codecs: "), said[0]
    assert said[1] == ["done", "(40, 30)"]
    cut_short = [i for i, entry in enumerate(said) if entry[0] == "RuntimeError" and entry[1].startswith(
        "Cannot check the array module of this Python: maximum recursion depth exceeded")]
    assert cut_short and ["done", str(40 * 30 * 3)] in said[cut_short[-1]:-1], said
    assert said[-1] == ["done", str(40 * 30 * 3)]
