"""The image kit (codecs, movie I/O, image analysis): opened on first use,
found beside the media library, and frames decoded straight into their
image's memory, which is recycled from frame to frame."""
import json
import os
import shutil

import numpy
import pytest

import plinx._init  # noqa: F401 (starts the core)
import plinx.project as p
from PySide2 import QtGui

from conftest import BUILD_DIR, run_embedded, run_python, write_frames

MEDIA_DIR = os.path.join(BUILD_DIR, "platform", "media")
KIT = "libplatform_imagekit.so"

# What opening the kit maps, and what starting the package must not.
MAPPED = """
import json, os
IMAGING = ("OpenImageIO", "opencv", "libavcodec", "libavformat", "gstreamer", "%s")

def mapped():
    with open("/proc/self/maps") as maps:
        return sorted({line.split()[-1] for line in maps if any(name in line for name in IMAGING)})
""" % KIT


@pytest.mark.parametrize("host", ["python", "embed"])
def test_starting_maps_no_codec_and_the_first_read_opens_the_kit(host, footage, tmp_path):
    code = MAPPED + """
import plinx._init, plinx.project as p
started = mapped()
project = p.Project(p.Clip(%r, "s"))
described = mapped()
assert project.clips["s"].image(0).width == 40
print(json.dumps([started, described]))
""" % footage
    done = run_python(code) if host == "python" else run_embedded(code, tmp_path)
    assert done.returncode == 0, done.stderr
    started, described = json.loads(done.stdout.strip().splitlines()[-1])
    assert started == []
    assert os.path.join(MEDIA_DIR, KIT) in described
    assert any("OpenImageIO" in path for path in described)


def test_threads_that_all_read_first_at_once_all_read(tmp_path):
    first = write_frames(tmp_path, "shot", count=4)
    code = MAPPED + """
import threading
import plinx._init, plinx.project as p
start = threading.Barrier(4)
widths = []
def read(frame):
    start.wait()
    project = p.Project(p.Clip(%r, "s"))
    widths.append(project.clips["s"].image(frame).width)
threads = [threading.Thread(target=read, args=(frame,)) for frame in range(4)]
for thread in threads:
    thread.start()
for thread in threads:
    thread.join()
print(json.dumps([widths, sum(path.endswith("%s") for path in mapped())]))
""" % (first, KIT)
    done = run_python(code)
    assert done.returncode == 0, done.stderr
    widths, kits = json.loads(done.stdout.strip().splitlines()[-1])
    assert (widths, kits) == ([40] * 4, 1)


@pytest.fixture
def media_elsewhere(tmp_path):
    """A copy of the media library in a folder of its own, which the
    dynamic loader takes before the build's."""
    folder = tmp_path / "libraries"
    folder.mkdir()
    shutil.copy(os.path.join(MEDIA_DIR, "libplatform_media.so"), folder)
    return folder


READ_AWAY = MAPPED + """
import plinx._init, plinx.project as p
os.chdir(%r)  # the kit is found beside the library, not in the working folder
outcomes = []
for attempt in range(2):
    try:
        project = p.Project(p.Clip(%r, "s"))
        outcomes.append(["read", project.clips["s"].image(0).width])
    except RuntimeError as error:
        outcomes.append(["RuntimeError", str(error)])
print(json.dumps([outcomes, [path for path in mapped() if path.endswith(".so")]]))
"""


def test_the_kit_is_opened_beside_the_media_library_that_loads_it(media_elsewhere, footage):
    shutil.copy(os.path.join(MEDIA_DIR, KIT), media_elsewhere)
    done = run_python(READ_AWAY % (MEDIA_DIR, footage), env={"LD_LIBRARY_PATH": str(media_elsewhere)})
    assert done.returncode == 0, done.stderr
    outcomes, mapped = json.loads(done.stdout.strip().splitlines()[-1])
    assert outcomes == [["read", 40], ["read", 40]]
    assert str(media_elsewhere / KIT) in mapped
    assert os.path.join(MEDIA_DIR, KIT) not in mapped


def test_a_missing_kit_is_a_clear_error_every_time(media_elsewhere, footage):
    done = run_python(READ_AWAY % (MEDIA_DIR, footage), env={"LD_LIBRARY_PATH": str(media_elsewhere)})
    assert done.returncode == 0, done.stderr
    outcomes, _ = json.loads(done.stdout.strip().splitlines()[-1])
    missing = str(media_elsewhere / KIT)
    expected = "Cannot load the image and movie codecs: %s: cannot open shared object file: " \
               "No such file or directory" % missing
    assert outcomes == [["RuntimeError", expected]] * 2


# --- Decoding into the frame's memory ------------------------------------------------

# Frames of a megabyte and more, whose buffers are recycled from frame to
# frame; each frame's pixels differ, row by row and column by column.
WIDTH, HEIGHT = 640, 480

# (QImage format, the clip's pixel format, channels, numpy type as stored)
LAYOUTS = {
    "grey 8": (QtGui.QImage.Format_Grayscale8, p.GreyLevelFormat, 1, numpy.uint8),
    "grey 16": (QtGui.QImage.Format_Grayscale16, p.GreyLevelFormat, 1, numpy.uint16),
    "RGB 8": (QtGui.QImage.Format_RGB888, p.RGBColorFormat, 3, numpy.uint8),
    "RGBA 8": (QtGui.QImage.Format_RGBA8888, p.RGBColorAlphaFormat, 4, numpy.uint8),
    "RGBA 16": (QtGui.QImage.Format_RGBA64, p.RGBColorAlphaFormat, 4, numpy.uint16),
}
# (conversion, numpy type read, scale of a stored value, given its type's top)
CONVERSIONS = {
    "as stored": (p.NoneConversion, None),
    "as floats": (p.FloatConversion, numpy.float32),
    "in 8 bits": (p._8BitConversion, numpy.uint8),
}


def pattern(frame, size, layout):
    """The stored pixels of frame `frame`: rows, columns and the frame number mixed."""
    qt_format, _, channels, stored = LAYOUTS[layout]
    top = numpy.iinfo(stored).max
    rows, columns = numpy.mgrid[0:size[1], 0:size[0]]
    values = numpy.stack([(rows * 7 + columns * 3 + frame * 50 + 60 * c) % 251 for c in range(channels)], axis=-1)
    values = (values * (top // 250)).astype(stored)
    if channels == 4:
        values[..., 3] = top  # opaque: the PNG writer keeps every colour exactly
    return values


def write_pattern(path, frame, size, layout):
    qt_format, _, channels, stored = LAYOUTS[layout]
    pixels = numpy.ascontiguousarray(pattern(frame, size, layout))
    image = QtGui.QImage(pixels.tobytes(), size[0], size[1], size[0] * channels * pixels.itemsize, qt_format)
    assert image.save(path)


def expected(frame, size, layout, conversion):
    stored = LAYOUTS[layout][3]
    values = pattern(frame, size, layout).astype(numpy.float64) / numpy.iinfo(stored).max
    read = CONVERSIONS[conversion][1] or stored
    if read == numpy.float32:
        return values.astype(numpy.float32)
    return numpy.rint(values * numpy.iinfo(read).max).astype(read)


def frame_view(clip, frame):
    image = clip.image(frame)
    pixels = image.pixels()
    channels = {p.GreyLevelFormat: 1, p.RGBColorFormat: 3, p.RGBColorAlphaFormat: 4}[image.pixel_format]
    return numpy.frombuffer(pixels, pixels.typecode).reshape(image.height, image.width, channels)


@pytest.mark.parametrize("conversion", CONVERSIONS)
@pytest.mark.parametrize("layout", LAYOUTS)
def test_frames_read_one_after_another_each_hold_their_own_pixels(tmp_path, layout, conversion):
    # Frame 2 is larger than the clip's first frame, frame 4 the first's size again.
    sizes = [(WIDTH, HEIGHT), (WIDTH, HEIGHT), (WIDTH + 32, HEIGHT + 16), (WIDTH, HEIGHT), (WIDTH, HEIGHT)]
    for frame, size in enumerate(sizes):
        write_pattern(str(tmp_path / ("plate.%04d.png" % (frame + 1))), frame, size, layout)
    for frame, size in enumerate(sizes):
        # A new project each time: the frame before it is let go, and its
        # buffer serves again.
        project = p.Project(p.Clip(str(tmp_path / "plate.0001.png"), "plate"))
        clip = project.clips["plate"]
        clip.color_parameters.conversion = CONVERSIONS[conversion][0]
        view = frame_view(clip, frame)
        assert clip.image(frame).pixel_format == LAYOUTS[layout][1]
        numpy.testing.assert_allclose(view, expected(frame, size, layout, conversion), rtol=1e-6, atol=0)
        del view, clip, project


def address(view):
    return view.__array_interface__["data"][0]


# Frames under 2 MiB, and frames on huge pages converted a band of rows at a time.
@pytest.mark.parametrize("layout, conversion, size", [("RGBA 8", "as stored", (WIDTH, HEIGHT)),
                                                      ("RGBA 16", "as floats", (1024, 768))])
def test_a_frame_held_keeps_its_pixels_while_the_next_frames_reuse_the_memory_let_go(tmp_path, layout, conversion,
                                                                                    size):
    for frame in range(4):
        write_pattern(str(tmp_path / ("plate.%04d.png" % (frame + 1))), frame, size, layout)

    def open_clip():
        project = p.Project(p.Clip(str(tmp_path / "plate.0001.png"), "plate"))
        clip = project.clips["plate"]
        clip.color_parameters.conversion = CONVERSIONS[conversion][0]
        return project, clip

    def check(view, frame):
        numpy.testing.assert_allclose(view, expected(frame, size, layout, conversion), rtol=1e-6, atol=0)

    project, clip = open_clip()
    held = frame_view(clip, 0)
    check(held, 0)
    as_read = held.copy()
    let_go = address(frame_view(clip, 1))
    del clip, project  # the cache lets go of both frames; the view still holds frame 0
    served = set()
    for frame in range(1, 4):
        project, clip = open_clip()
        view = frame_view(clip, frame)
        check(view, frame)
        served.add(address(view))
        del view, clip, project
    assert address(held) not in served  # never memory still held...
    assert let_go in served  # ...but memory let go serves again
    numpy.testing.assert_array_equal(held, as_read)


def test_reading_frames_again_and_again_holds_no_more_memory(tmp_path):
    first = write_frames(tmp_path, "big", count=3, size=(1024, 768))

    def resident():
        with open("/proc/self/statm") as statm:
            return int(statm.read().split()[1]) * os.sysconf("SC_PAGE_SIZE")

    def read_all():
        project = p.Project(p.Clip(first, "big"))
        project.clips["big"].color_parameters.conversion = p.FloatConversion
        for frame in range(3):
            frame_view(project.clips["big"], frame).sum()

    read_all()
    before = resident()
    for _ in range(10):
        read_all()
    # Ten passes over 36 MB of frames; what stays is far less than one pass.
    assert resident() - before < 12 * 2**20
