"""plinx.project.ImageData: a clip's frames as arrays over the images' own
memory, on footage the tests write."""
import array
import copy
import gc
import os
import sys
import textwrap
import threading
import weakref

import pytest
from PySide2 import QtGui

import plinx._init  # noqa: F401 (starts the core)
import plinx.project as p
from conftest import raises, run_python

WIDTH, HEIGHT = 6, 4
NO_IMAGE = "The image data holds no image"


def write_ramps(folder, image_format=QtGui.QImage.Format_RGB888, count=3):
    """PNG frames ramp.0001.png...: red grows along x, green along y, blue
    counts the frame. Returns the first file."""
    os.makedirs(str(folder), exist_ok=True)
    paths = []
    for index in range(1, count + 1):
        image = QtGui.QImage(WIDTH, HEIGHT, image_format)
        for y in range(HEIGHT):
            for x in range(WIDTH):
                image.setPixelColor(x, y, QtGui.QColor(40 * x, 60 * y, 10 * index))
        paths.append(os.path.join(str(folder), "ramp.%04d.png" % index))
        assert image.save(paths[-1])
    return paths[0]


def rgb(frame, x, y):
    return [40 * x, 60 * y, 10 * (frame + 1)]


def rows(values, row_length):
    return [list(values[i:i + row_length]) for i in range(0, len(values), row_length)]


@pytest.fixture
def project(tmp_path):
    return p.Project(p.Clip(write_ramps(tmp_path / "ramps"), "ramp"))


@pytest.fixture
def clip(project):
    return project.clips["ramp"]


def test_a_frame_is_seen_in_place(clip):
    image = clip.image(1)
    assert (image.width, image.height) == (WIDTH, HEIGHT)
    assert (image.pixel_format, image.channel_type) == (p.RGBColorFormat, p.UCharType)
    assert type(image.pixels) is weakref.ref
    pixels = image.pixels()
    assert (pixels.typecode, len(pixels)) == ("B", WIDTH * HEIGHT * 3)
    assert [list(pixels[3 * (y * WIDTH + x):][:3]) for y, x in [(0, 0), (2, 5), (3, 1)]] == \
        [rgb(1, 0, 0), rgb(1, 5, 2), rgb(1, 1, 3)]
    # The project keeps the frame: every ImageData of it, and every copy, is
    # one image with one array.
    again = clip.image(1)
    assert again == image == copy.copy(image) == p.ImageData(image) and again != clip.image(0)
    assert again.pixels() is pixels is p.ImageData(image).pixels()
    pixels[0] = 255
    assert clip.image(1).pixels()[0] == 255


def test_allocated_images_and_frames_beyond_the_clip(clip, tmp_path):
    own = clip.image(1, allocate=True)
    assert own != clip.image(1) and list(own.pixels()) == list(clip.image(1).pixels())
    own.pixels()[0] = 7
    assert clip.image(1).pixels()[0] == 0
    assert clip.image(3) is None
    with raises(AssertionError, "Detected an attempt to use a detached clip with a project"):
        p.Clip(str(tmp_path / "ramps" / "ramp.0001.png")).image(0)
    with raises(TypeError, "plinx.project.Clip.image(): takes at least 1 arguments (0 given)"):
        clip.image()
    with raises(TypeError, "plinx.project.Clip.image(): got multiple values for keyword argument 'view'."):
        clip.image(0, 0, view=0)


@pytest.mark.parametrize("image_format, conversion, pixel_format, channel_type, typecode, first", [
    (QtGui.QImage.Format_RGB888, p.NoneConversion, p.RGBColorFormat, p.UCharType, "B", [0, 0, 10]),
    (QtGui.QImage.Format_RGB888, p.FloatConversion, p.RGBColorFormat, p.FloatType, "f", [0.0, 0.0, 10 / 255]),
    (QtGui.QImage.Format_Grayscale16, p.NoneConversion, p.GreyLevelFormat, p.UShortType, "H", [257]),
    (QtGui.QImage.Format_RGBA64, p._8BitConversion, p.RGBColorAlphaFormat, p.UCharType, "B", [0, 0, 10, 255]),
])
def test_footage_types_give_their_arrays(tmp_path, image_format, conversion, pixel_format, channel_type,
                                         typecode, first):
    project = p.Project(p.Clip(write_ramps(tmp_path, image_format), "ramp"))
    clip = project.clips["ramp"]
    clip.color_parameters.conversion = conversion
    image = clip.image(0)
    assert (image.pixel_format, image.channel_type) == (pixel_format, channel_type)
    pixels = image.pixels()
    channels = {p.GreyLevelFormat: 1, p.RGBColorFormat: 3, p.RGBColorAlphaFormat: 4}[pixel_format]
    assert (pixels.typecode, len(pixels)) == (typecode, WIDTH * HEIGHT * channels)
    assert list(pixels[:len(first)]) == pytest.approx(first)


# Channel type: the array's type code (StringType has none of its own).
CODES = [(p.CharType, "b"), (p.UCharType, "B"), (p.ShortType, "h"), (p.UShortType, "H"), (p.IntType, "i"),
         (p.UIntType, "I"), (p.LongType, "l"), (p.ULongType, "L"), (p.FloatType, "f"), (p.DoubleType, "d"),
         (p.LongDoubleType, "b"), (p.StringType, "b"), (p.BoolType, "b"), (p.PointerType, "b"),
         (p.LongLongType, "b"), (p.UInt10Type, "b"), (p.UInt12Type, "b"), (p.UndefinedType, "b")]


@pytest.mark.parametrize("channel_type, code", CODES)
def test_every_channel_type_has_its_type_code(clip, channel_type, code):
    image = clip.image(0, allocate=True)
    size = len(image.pixels())  # bytes: the frame is 8-bit
    image.channel_type = channel_type
    image.pixel_format = p.GreyLevelFormat  # the layout must fit the buffer
    image.width, image.height = 1, 1
    refused = array.array("B" if code != "B" else "f", bytes(size))
    with raises(AssertionError, "Expected array type code is '%s', got '%s'" % (code, refused.typecode)):
        image.pixels = refused
    pixels = array.array(code, bytes(size))
    image.pixels = pixels
    adopted = image.pixels()
    assert (adopted.typecode, len(adopted)) == (code, size // adopted.itemsize)
    assert image.flipped_pixels().typecode == code


def test_setters_store_the_description_only(clip):
    image = clip.image(0, allocate=True)
    pixels = image.pixels()
    before = list(pixels)
    image.height, image.width = 10, 20
    image.pixel_format, image.channel_type = p.GreyLevelAlphaFormat, p.UShortType
    assert (image.height, image.width, image.pixel_format, image.channel_type) == \
        (10, 20, p.GreyLevelAlphaFormat, p.UShortType)
    assert list(pixels) == before
    for assign, name in [(lambda: setattr(image, "width", "wide"), "set_width"),
                         (lambda: setattr(image, "height", -1), "set_height"),
                         (lambda: setattr(image, "pixel_format", 3), "set_pixel_format"),
                         (lambda: setattr(image, "channel_type", p.RGBColorFormat), "set_channel_type")]:
        with pytest.raises((TypeError, OverflowError), match=name + "|out of range"):
            assign()


def description(image):
    return image.width, image.height, image.pixel_format, image.channel_type


@pytest.mark.parametrize("field, value", [
    ("height", 100000), ("height", HEIGHT + 1), ("width", WIDTH + 1), ("width", 2 ** 63),
    ("pixel_format", p.RGBColorAlphaFormat), ("channel_type", p.FloatType),
])
def test_a_description_larger_than_the_buffer_is_refused_by_whatever_reads_the_pixels(project, clip, field, value):
    image = clip.image(0)
    pixels = image.pixels()
    before = list(pixels)
    layer = project.add_layer(clip)
    layer.add_xspline_contour(0.0, [p.XControlPointData(x=1.0, y=1.0), p.XControlPointData(x=4.0, y=3.0)])
    described = getattr(image, field)
    setattr(image, field, value)  # the frame the project keeps says so too
    assert getattr(image, field) == value and getattr(clip.image(0), field) == value
    readers = {
        "pixels": (lambda: image.pixels, BufferError),
        "flip": (image.flip, BufferError),
        "flipped_pixels": (image.flipped_pixels, BufferError),
        "tracking": (lambda: project.track_layers(0, 1, [layer]), RuntimeError),
        "rendering": (lambda: project.render(p.RenderInsertOperation(), 0, 0, [layer]), RuntimeError),
    }
    for name, (read, error) in readers.items():
        with pytest.raises(error):
            read()
    assert list(pixels) == before
    # Told the truth again, every reader takes the frame.
    setattr(image, field, described)
    assert image.pixels() is pixels and list(pixels) == before
    project.track_layers(0, 1, [layer])
    assert project.render(p.RenderInsertOperation(), 0, 0, [layer]) is not None
    # A smaller description fits.
    image.height = HEIGHT - 1
    assert clip.image(0).height == HEIGHT - 1 and len(image.flipped_pixels()) == len(before)


def test_flips(clip):
    image = clip.image(2)
    pixels = image.pixels()
    original = rows(pixels, WIDTH * 3)
    flipped = image.flipped_pixels()
    assert type(flipped) is array.array and flipped.typecode == "B"
    assert rows(flipped, WIDTH * 3) == original[::-1] and rows(pixels, WIDTH * 3) == original
    flipped[0] = 1  # a copy
    assert pixels[0] == original[0][0]
    image.flip()
    assert rows(image.pixels(), WIDTH * 3) == original[::-1] and image.pixels() is pixels
    # The flipped copy can be stored back.
    image.pixels = image.flipped_pixels()
    assert rows(clip.image(2).pixels(), WIDTH * 3) == original


def test_set_pixels_refusals_leave_the_image_alone(clip):
    image = clip.image(0)
    pixels = image.pixels()
    before = list(pixels)
    size = len(before)
    cases = [
        ([0] * size, TypeError, "Pixel data must be an instance of array.array. list instance given"),
        (bytearray(size), TypeError, "Pixel data must be an instance of array.array. bytearray instance given"),
        (None, TypeError, "Pixel data must be an instance of array.array. NoneType instance given"),
        (array.array("f", [0.0] * (size // 4)), AssertionError, "Expected array type code is 'B', got 'f'"),
        (array.array("B", bytes(size - 1)), AssertionError,
         "Expected array size in bytes is '%d', got '%d'" % (size, size - 1)),
        (array.array("B", bytes(size + 1)), AssertionError,
         "Expected array size in bytes is '%d', got '%d'" % (size, size + 1)),
    ]
    for value, error, text in cases:
        with raises(error, text):
            image.pixels = value
        assert image.pixels() is pixels and list(pixels) == before
    # The array of another image would give two images one buffer.
    with raises(ValueError, "Pixel data already belongs to another image"):
        image.pixels = clip.image(1).pixels()
    assert image.pixels() is pixels
    # A description larger than the buffer: refused after both checks pass.
    own = clip.image(0, allocate=True)
    own_pixels = own.pixels()
    own.height = HEIGHT + 1
    for call in (own.flip, own.flipped_pixels, lambda: setattr(own, "pixels", array.array("B", bytes(size)))):
        with pytest.raises(BufferError):
            call()
    own.height = HEIGHT
    assert own.pixels() is own_pixels and list(own_pixels) == before


def test_pixels_the_image_cannot_take_leave_it_its_own(clip):
    # Rows of no bytes fit any buffer, but no memory holds 2**62 row pointers.
    image = clip.image(0, allocate=True)
    pixels = image.pixels()
    before = list(pixels)
    image.width, image.height = 0, 2 ** 62
    with pytest.raises(MemoryError):
        image.pixels = array.array("B", bytes(len(before)))
    assert list(pixels) == before
    image.width, image.height = WIDTH, HEIGHT
    assert image.pixels() is pixels
    assert rows(image.flipped_pixels(), WIDTH * 3) == rows(before, WIDTH * 3)[::-1]


def test_set_pixels_adopts_the_array_and_clears_the_callers_names(clip, tmp_path):
    image = clip.image(0)
    size = WIDTH * HEIGHT * 3
    buf = array.array("B", range(256)) * (size // 256) + array.array("B", range(size % 256))
    alias = buf
    kept = id(buf)
    image.pixels = buf
    assert buf is None and alias is None
    assert id(image.pixels()) == kept and image.pixels()[:3].tolist() == [0, 1, 2]
    assert clip.image(0).pixels()[5] == 5
    # Built from bytes, or of another item size with the right size in bytes.
    float_project = p.Project(p.Clip(write_ramps(tmp_path / "floats"), "ramp"))
    float_clip = float_project.clips["ramp"]
    float_clip.color_parameters.conversion = p.FloatConversion
    floats = float_clip.image(1)
    with raises(AssertionError, "Expected array size in bytes is '%d', got '%d'" % (4 * size, 4 * (size - 1))):
        floats.pixels = array.array("f", [0.0] * (size - 1))
    floats.pixels = array.array("f", bytes(4 * size))
    assert floats.pixels().tolist() == [0.0] * size
    floats.pixels = array.array("f", [0.5] * size)
    assert floats.pixels().tolist() == [0.5] * size


def test_an_image_less_value(clip):
    empty = p.ImageData()
    assert not empty and empty.isNull() and empty == p.ImageData() and empty != clip.image(0)
    assert (empty.width, empty.height, empty.pixel_format, empty.channel_type) == \
        (0, 0, p.UndefinedFormat, p.UndefinedType)
    assert empty.pixels is None and empty.flipped_pixels() is None
    for call in (empty.flip, lambda: setattr(empty, "width", 1), lambda: setattr(empty, "height", 1),
                 lambda: setattr(empty, "pixel_format", p.RGBColorFormat),
                 lambda: setattr(empty, "channel_type", p.UCharType),
                 lambda: setattr(empty, "pixels", array.array("B"))):
        with raises(RuntimeError, NO_IMAGE):
            call()
    assert (empty == 3, empty != 3) == (False, True)
    with raises(NotImplementedError, "operator not implemented."):
        empty < empty
    with pytest.raises(TypeError):
        hash(empty)
    with pytest.raises(TypeError, match="^'plinx.project.ImageData' called with wrong argument"):
        p.ImageData(3)
    with pytest.raises(TypeError, match="at most 1 argument"):
        p.ImageData(empty, empty)


def test_writes_tell_the_core_once_per_batch(tmp_path, isolated_env):
    from conftest import log_lines
    result = run_python("""
        import sys
        sys.path.insert(0, %r)
        from PySide2 import QtCore
        application = QtCore.QCoreApplication([])
        import plinx._init, plinx.project as p
        from test_image_data import write_ramps
        project = p.Project(p.Clip(write_ramps(%r), "ramp"))
        clip = project.clips["ramp"]
        pixels = clip.image(2).pixels()
        for i in range(1000):
            pixels[i %% len(pixels)] = i %% 256
        application.processEvents()
        clip.image(0).pixels()[0] = 1
        clip.image(1).pixels()[0] = 1
        application.processEvents()
        # A project that dies before the event loop turns is told nothing.
        import gc
        doomed = p.Project(p.Clip(write_ramps(%r), "doomed"))
        doomed.clips["doomed"].image(1).pixels()[0] = 1
        doomed = None
        gc.collect()
        application.processEvents()
        """ % (os.path.dirname(os.path.abspath(__file__)), str(tmp_path / "ramps"), str(tmp_path / "doomed")),
        env=isolated_env)
    assert result.returncode == 0, result.stderr
    calls = [line.split("call ", 1)[1] for line in log_lines(isolated_env)
             if "VUVI_FrameManager::vSetImageHasChanged" in line or "VUVI_CacheManager::dropFileCache" in line]
    assert calls == [
        "VUVI_FrameManager::vSetImageHasChanged 1 2 0", "VUVI_CacheManager::dropFileCache 1 2 0",
        "VUVI_FrameManager::vSetImageHasChanged 1 0 0", "VUVI_CacheManager::dropFileCache 1 0 0",
        "VUVI_FrameManager::vSetImageHasChanged 1 1 0", "VUVI_CacheManager::dropFileCache 1 1 0",
    ]


# What Python may hold of a frame's pixels, and what may die before it.
HOLDERS = {
    "array": "held = image.pixels()",
    "memoryview": "held = memoryview(image.pixels())",
    "numpy view": "import numpy; held = numpy.frombuffer(image.pixels(), 'B')[3:]",
}
DEATHS = {  # how the image is made, and what dies
    # an image of its own, which only the ImageData holds
    "image": ("image = clip.image(1, allocate=True)", "del image"),
    # the project's frame, which the project still holds
    "ImageData": ("image = clip.image(1)", "del image"),
    # the project's frame with the project
    "project": ("image = clip.image(1)", "del image, clip; project = None"),
}


@pytest.mark.parametrize("death", sorted(DEATHS))
def test_what_python_holds_outlives_what_died(tmp_path, death):
    make, kill = DEATHS[death]
    lines = []
    for name, hold in sorted(HOLDERS.items()):
        lines += [
            "project = p.Project(p.Clip(first, 'ramp')); clip = project.clips['ramp']",
            make,
            hold,
            "expected = bytes(image.pixels())[%d:]" % (3 if name == "numpy view" else 0),
            "reference = image.pixels",
            kill,
            "gc.collect()",
            "assert bytes(held) == expected, %r" % name,
            "held[0] = 99",  # still the array's own memory
            "assert bytes(held)[0] == 99",
            "del held; gc.collect()",
            "print(%r, reference() is None)" % name,
        ]
    result = run_python(textwrap.dedent("""
        import gc, sys
        sys.path.insert(0, %r)
        import plinx._init, plinx.project as p
        from test_image_data import write_ramps
        first = write_ramps(%r)
        """) % (os.path.dirname(os.path.abspath(__file__)), str(tmp_path)) + "\n".join(lines) + "\n")
    assert result.returncode == 0, result.stderr
    # The reference dies with the memory once nothing holds the array.
    died = death != "ImageData"
    assert result.stdout.split() == [word for name in sorted(HOLDERS) for word in name.split() + [str(died)]]


def test_two_threads_flip_and_replace_one_image(clip):
    image = clip.image(0, allocate=True)
    other = copy.copy(image)
    size = len(image.pixels())
    errors = []

    def flip():
        try:
            for _ in range(300):
                image.flip()
        except Exception as error:  # pragma: no cover (reported below)
            errors.append(error)

    def replace():
        try:
            for value in range(300):
                other.pixels = array.array("B", bytes([value % 256]) * size)
        except Exception as error:  # pragma: no cover
            errors.append(error)

    threads = [threading.Thread(target=flip), threading.Thread(target=replace)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    assert errors == []
    assert set(image.pixels()) == {299 % 256}
