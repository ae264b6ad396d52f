"""plinx.mediaio: image readers and writers written in Python.

A module built with a format description serves that format to the media
library for the rest of the process: clips read it, exports write it. Each
test registers its own extension, since registered modules stay.
"""
import gc
import itertools
import os
import struct

import pytest

import plinx._init  # noqa: F401 (starts the core)
import plinx.mediaio as m
import plinx.project as p
from PySide2 import QtCore, QtGui

from conftest import run_embedded, run_python, write_frames

EXAMPLES_DIR = os.path.join(os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__)))), "examples")

_extensions = itertools.count()


def fresh_extension(stem="toy"):
    """An extension no earlier test has registered; letters only, since the
    digits that end a file name number its frame."""
    number, letters = next(_extensions), ""
    while True:
        number, digit = divmod(number, 26)
        letters += chr(ord("a") + digit)
        if not number:
            return ".%s%s" % (stem, letters)


# --- A toy raw format: "TOY1", width, height, then 8-bit RGB rows --------------------

MAGIC = b"TOY1"


def write_toy(path, width, height, rgb):
    with open(path, "wb") as f:
        f.write(MAGIC + struct.pack("<II", width, height) + bytes(rgb))


def toy_header(path):
    with open(path, "rb") as f:
        head = f.read(12)
    return struct.unpack("<II", head[4:]) if len(head) == 12 and head[:4] == MAGIC else None


def rows_of(image):
    """The image's pixel rows as bytes, without the stride's padding."""
    pixels = memoryview(image.pixels()).cast("B")
    stride = len(pixels) // image.height
    row = image.width * 3
    return b"".join(bytes(pixels[y * stride:y * stride + row]) for y in range(image.height))


class Toy(m.AbstractImageIOModule):
    """Reads and writes the toy format under one extension; records its calls."""

    def __init__(self, extension, **keywords):
        super().__init__("Toy", [extension], [p.PixelFormat.RGBColorFormat], [p.ChannelType.UCharType], **keywords)
        self.extension = extension
        self.calls = []

    def accepts_ext(self, extension):
        return extension == self.extension

    def accepts_file(self, file_name):
        return toy_header(file_name) is not None

    def image_size(self, file_name):
        return QtCore.QSize(*toy_header(file_name))

    def pixel_format(self, file_name):
        return p.PixelFormat.RGBColorFormat

    def channel_type(self, file_name):
        return p.ChannelType.UCharType

    def get_gamma(self, file_name):
        return None

    def get_interlace_mode(self, file_name):
        return None

    def supports_image(self, file_name, format, pixels_type):
        return True

    def load_image(self, image, path, frame_number, stream_name):
        self.calls.append(("load", os.path.basename(path), frame_number))
        with open(path, "rb") as f:
            data = f.read()[12:]
        pixels = memoryview(image.pixels()).cast("B")
        stride = len(pixels) // image.height
        row = image.width * 3
        for y in range(image.height):
            pixels[y * stride:y * stride + row] = data[y * row:(y + 1) * row]

    def save_image(self, image, path):
        self.calls.append(("save", os.path.basename(path)))
        write_toy(path, image.width, image.height, rows_of(image))


def toy_frames(folder, extension, count=4, size=(4, 3)):
    """shot.0001<ext>...: frame i filled with the colour (40 i, 7, 200)."""
    os.makedirs(folder, exist_ok=True)
    for index in range(1, count + 1):
        write_toy(os.path.join(str(folder), "shot.%04d%s" % (index, extension)), size[0], size[1],
                  [(index * 40) % 256, 7, 200] * (size[0] * size[1]))
    return os.path.join(str(folder), "shot.0001" + extension)


def colour_at(path, x=0, y=0):
    image = QtGui.QImage(path)
    assert not image.isNull(), path
    colour = QtGui.QColor(image.pixel(x, y))
    return colour.red(), colour.green(), colour.blue()


class Bare(m.AbstractImageIOModule):
    """Overrides nothing."""


# --- The module --------------------------------------------------------------------------

def test_the_module_offers_the_project_types_and_no_functions():
    assert m.ImageData is p.ImageData and m.PixelFormat is p.PixelFormat and m.ChannelType is p.ChannelType
    assert sorted(n for n in dir(m) if not n.startswith("_")) == [
        "AbstractImageIOModule", "ChannelType", "ImageData", "PixelFormat"]
    assert issubclass(m.AbstractImageIOModule, QtCore.QObject)


def test_the_module_loads_alone_and_fails_with_a_module_it_needs():
    alone = run_python("""
        import sys
        import plinx.mediaio
        print(all(n in sys.modules for n in ("PySide2.QtCore", "plinx.project", "PySide2.QtGui")))
    """)
    assert alone.returncode == 0, alone.stderr
    assert alone.stdout.strip() == "True"
    refused = run_python("""
        import sys
        sys.modules["plinx.project"] = None
        try:
            import plinx.mediaio
        except ImportError as error:
            print("ImportError", "plinx.project" in str(error))
    """)
    assert refused.returncode == 0, refused.stderr
    assert refused.stdout.strip() == "ImportError True"


def test_a_module_serves_its_format_inside_the_application(tmp_path):
    toy_frames(tmp_path / "frames", ".etoy", count=3)
    result = run_embedded("""
        import os, struct
        import plinx.mediaio as m, plinx.project as p
        from PySide2.QtCore import QSize

        class Toy(m.AbstractImageIOModule):
            def __init__(self):
                super().__init__("Toy", [".etoy"], [], [])
            def accepts_ext(self, extension):
                return extension == ".etoy"
            def accepts_file(self, file_name):
                return True
            def image_size(self, file_name):
                with open(file_name, "rb") as f:
                    return QSize(*struct.unpack("<II", f.read(12)[4:]))

        toy = Toy()
        clip = p.Clip(os.path.join(%r, "shot.0001.etoy"), "shot", True)
        info = clip.get_info(p.View())
        print("clip", clip.frame_size, info.start_frame, info.end_frame)
    """ % str(tmp_path / "frames"), tmp_path)
    assert result.returncode == 0, result.stderr
    assert "clip (4, 3) 1 3" in result.stdout


# --- Constructors -------------------------------------------------------------------------

def test_the_base_class_itself_cannot_be_built():
    with pytest.raises(NotImplementedError) as error:
        m.AbstractImageIOModule()
    assert str(error.value) == "'AbstractImageIOModule' represents a C++ abstract class and cannot be instantiated"


@pytest.mark.parametrize("args", [("Foo",), ("Foo", [".a"]), ("Foo", [".a"], [p.PixelFormat.RGBColorFormat])])
def test_one_to_three_positional_arguments_are_wrong_arguments(args):
    with pytest.raises(TypeError, match=r"plinx\.mediaio\.AbstractImageIOModule"):
        Bare(*args)


@pytest.mark.parametrize("args, keywords, error, text", [
    (("Foo", [".a"], [], [], True), {"is_clip_loader": True}, TypeError,
     "plinx.mediaio.AbstractImageIOModule(): got multiple values for keyword argument 'is_clip_loader'."),
    (("Foo", [".a"], [1], []), {}, TypeError, "plinx.mediaio.AbstractImageIOModule"),
    (("Foo", [".a"], [], [int(p.ChannelType.UCharType)]), {}, TypeError, "plinx.mediaio.AbstractImageIOModule"),
    (("Foo", [".a"], [p.ChannelType.UCharType], []), {}, TypeError, "plinx.mediaio.AbstractImageIOModule"),
    (("Foo", [".a"], [], [], False, 6), {}, TypeError, "expected at most 5 arguments"),
    (("Foo", [], [], []), {}, ValueError, "needs at least one file extension"),
])
def test_constructor_refusals(args, keywords, error, text):
    with pytest.raises(error) as raised:
        Bare(*args, **keywords)
    assert text in str(raised.value)


class Watcher(m.AbstractImageIOModule):
    """Records every extension the media library asks it about."""
    asked = []

    def accepts_ext(self, extension):
        Watcher.asked.append(extension)
        return True

    def accepts_file(self, file_name):
        return True


@pytest.mark.parametrize("keywords", [{}, {"format_name": "Kw", "extensions": [".kw"]}])
def test_without_positional_arguments_nothing_is_registered(tmp_path, keywords):
    module = Watcher(**keywords)
    path = tmp_path / "still.0001.kw"
    path.write_bytes(b"no picture")
    Watcher.asked.clear()
    with pytest.raises(OSError):
        p.Clip(str(path), "still", True)
    assert Watcher.asked == []
    assert module.get_fps("x") == 1.0


def test_save_lists_take_any_sequence_of_their_members(tmp_path):
    extension = fresh_extension()

    class TupleToy(Toy):
        def __init__(self):
            m.AbstractImageIOModule.__init__(self, "Seq", (extension,), (p.PixelFormat.RGBColorFormat,
                                             p.PixelFormat.GreyLevelFormat), (p.ChannelType.UCharType,))
            self.extension, self.calls = extension, []
    module = TupleToy()
    assert module.get_frame_count("x") == 1.0
    # Registered as a writer of its format: an export writes through it.
    project = p.Project(p.Clip(write_frames(tmp_path / "png", count=2, size=(5, 2)), "shot", True))
    project.clips["shot"].export(None, str(tmp_path / "out"), extension, "t_", "", 0, 1)
    assert module.calls == [("save", "t_0" + extension), ("save", "t_1" + extension)]
    assert toy_header(str(tmp_path / "out" / ("t_1" + extension))) == (5, 2)


# --- Methods of a subclass that lacks them ---------------------------------------------------

@pytest.mark.parametrize("name, args", [
    ("accepts_ext", (".a",)), ("accepts_file", ("f",)), ("channel_type", ("f",)), ("get_gamma", ("f",)),
    ("get_interlace_mode", ("f",)), ("image_size", ("f",)), ("pixel_format", ("f",)),
    ("supports_image", ("f", p.PixelFormat.RGBColorFormat, p.ChannelType.UCharType)),
    ("load_image", (p.ImageData(), "f", 1, "")), ("save_image", (p.ImageData(), "f")),
])
def test_missing_pure_methods_raise_naming_themselves(name, args):
    module = Bare("Bare", [fresh_extension()], [], [])
    with pytest.raises(NotImplementedError) as error:
        getattr(module, name)(*args)
    assert str(error.value) == "pure virtual method 'AbstractImageIOModule.%s()' not implemented." % name


def test_methods_with_a_default_answer_it_and_counts_are_checked():
    module = Bare()
    assert (module.get_fps("f"), module.get_frame_count("f")) == (1.0, 1.0)
    assert module.get_stream_names("f") == [] and module.get_metadata("f", 3, "left") == {}
    with pytest.raises(TypeError, match="supports_image"):
        module.supports_image("f")
    with pytest.raises(TypeError, match=r"plinx\.mediaio\.AbstractImageIOModule\.get_metadata"):
        module.get_metadata("f", "three", "left")


# --- End to end: clips read a Python format, exports write it ------------------------------------

def test_a_clip_of_toy_frames_reads_through_the_module(tmp_path):
    extension = fresh_extension()
    toy = Toy(extension)
    clip = p.Clip(toy_frames(tmp_path / "frames", extension), "shot", True)
    info = clip.get_info(p.View())
    assert (clip.frame_size, info.start_frame, info.end_frame) == ((4, 3), 1, 4)

    project = p.Project(clip)
    out = tmp_path / "png"
    project.clips["shot"].export(None, str(out), ".png", "f_", "", 0, project.length - 1, index_width=4)
    assert sorted(os.listdir(out)) == ["f_0000.png", "f_0001.png", "f_0002.png", "f_0003.png"]
    assert colour_at(str(out / "f_0002.png")) == (120, 7, 200)
    assert ("load", "shot.0003" + extension, 0) in toy.calls

    # The project's own image of a frame: the module's size, format and pixels.
    image = project.clips["shot"].image(1)
    assert (image.width, image.height, image.pixel_format) == (4, 3, p.PixelFormat.RGBColorFormat)
    assert rows_of(image)[:3] == bytes([80, 7, 200])


class Reel(Toy):
    """A clip loader: one file holds frame_count frames of one grey level each."""

    def __init__(self, extension, frame_count, fps):
        super().__init__(extension, is_clip_loader=True)
        self.frame_count, self.fps = frame_count, fps

    def accepts_file(self, file_name):
        return True

    def image_size(self, file_name):
        return QtCore.QSize(2, 2)

    def get_fps(self, path):
        return self.fps

    def get_frame_count(self, path):
        return self.frame_count

    def get_gamma(self, file_name):
        return 2.2

    def load_image(self, image, path, frame_number, stream_name):
        self.calls.append(("load", frame_number))
        memoryview(image.pixels()).cast("B")[:] = bytes([frame_number * 10]) * len(image.pixels())


def test_a_clip_loader_file_is_a_movie_of_its_frames(tmp_path):
    extension = fresh_extension("reel")
    reel = Reel(extension, 10.9, 12.5)
    path = tmp_path / ("take" + extension)
    path.write_bytes(b"reel")
    clip = p.Clip(str(path), "take", True)
    info = clip.get_info(p.View())
    assert (clip.frame_size, info.start_frame, info.end_frame, clip.frame_rate) == ((2, 2), 1, 10, 12.5)
    assert clip.color_parameters.gamma == pytest.approx(2.2)

    project = p.Project(clip)
    project.clips["take"].export(None, str(tmp_path / "out"), ".png", "f_", "", 0, 2)
    assert [call for call in reel.calls if call[0] == "load"] == [("load", 1), ("load", 2), ("load", 3)]
    assert colour_at(str(tmp_path / "out" / "f_2.png")) == (30, 30, 30)


def test_exports_write_through_the_module(tmp_path):
    extension = fresh_extension()
    toy = Toy(extension)
    project = p.Project(p.Clip(write_frames(tmp_path / "png", count=3, size=(5, 2)), "shot", True))
    out = tmp_path / "toy"
    project.clips["shot"].export(None, str(out), extension, "t_", "", 0, 2)
    assert [c for c in toy.calls if c[0] == "save"] == [("save", "t_%d%s" % (i, extension)) for i in range(3)]
    assert toy_header(str(out / ("t_1" + extension))) == (5, 2)
    with open(str(out / ("t_1" + extension)), "rb") as f:
        assert f.read()[12:15] == bytes([80, 90, 160])  # write_frames' colour of its second frame


def test_renders_write_each_frame_through_the_module_of_the_result_format(tmp_path):
    extension = fresh_extension()
    toy = Toy(extension)
    plinx._init.set_setting_value("ResultClipFileFormat", extension.lstrip("."), True)
    try:
        project = p.Project(p.Clip(write_frames(tmp_path / "png", count=3, size=(6, 4)), "shot", True))
    finally:
        plinx._init.set_setting_value("ResultClipFileFormat", "TIF", True)
    project.set_output_dir(str(tmp_path / "renders"))
    layer = project.add_layer(project.clips["shot"], "patch")
    layer.add_xspline_contour(0.0, [p.XControlPointData(x=float(x), y=float(y)) for x, y in [(1, 1), (4, 1), (4, 3)]])
    rendered = project.render(p.RenderInsertOperation(), 0, 2, [layer])
    written = ["Insert_1_%04d%s" % (frame, extension) for frame in range(3)]
    assert sorted({c[1] for c in toy.calls if c[0] == "save"}) == written
    assert sorted(os.listdir(str(tmp_path / "renders"))) == written
    assert toy_header(str(tmp_path / "renders" / written[1])) == (6, 4)
    assert rendered.image(1).width == 6  # the rendered clip reads its frames back through the module


class Failing(Toy):
    def load_image(self, image, path, frame_number, stream_name):
        raise OSError("the tape snapped")

    def save_image(self, image, path):
        raise OSError("the disk is full")


class Missing(Toy):
    load_image = m.AbstractImageIOModule.load_image
    save_image = m.AbstractImageIOModule.save_image


class Enlarging(Toy):
    """Describes each image it is given as one row larger than its pixels."""

    def load_image(self, image, path, frame_number, stream_name):
        super().load_image(image, path, frame_number, stream_name)
        image.height += 1

    def save_image(self, image, path):
        image.height += 1
        super().save_image(image, path)  # its pixels are refused


@pytest.mark.parametrize("module_class", [Failing, Missing, Enlarging])
def test_a_failed_or_missing_transfer_fails_naming_the_file(tmp_path, module_class, capfd):
    extension = fresh_extension()
    module = module_class(extension)
    clip = p.Clip(toy_frames(tmp_path / "frames", extension, count=2), "shot", True)
    project = p.Project(clip)
    with pytest.raises(OSError) as read:
        project.clips["shot"].export(None, str(tmp_path / "png"), ".png", "f_", "", 0, 1)
    assert "shot.0001" + extension in str(read.value)

    writer = p.Project(p.Clip(write_frames(tmp_path / "png_in", count=2), "shot", True))
    with pytest.raises(OSError) as write:
        writer.clips["shot"].export(None, str(tmp_path / "out"), extension, "t_", "", 0, 1)
    assert "t_0" + extension in str(write.value)
    assert not (tmp_path / "out" / ("t_0" + extension)).exists()
    assert module.extension == extension  # the module lived throughout
    printed = capfd.readouterr().err
    assert {Failing: "the disk is full", Missing: "save_image()", Enlarging: "BufferError"}[module_class] in printed


def test_an_image_kept_from_a_save_no_longer_reaches_the_pixels(tmp_path):
    extension = fresh_extension()
    kept = []

    class Keeper(Toy):
        def save_image(self, image, path):
            kept.append((image, image.pixels() is not None))
            super().save_image(image, path)

    module = Keeper(extension)
    project = p.Project(p.Clip(write_frames(tmp_path / "png", count=1), "shot", True))
    project.clips["shot"].export(None, str(tmp_path / "out"), extension, "t_", "", 0, 0)
    image, had_pixels = kept[0]
    assert had_pixels and image.pixels is None
    assert module.calls == [("save", "t_0" + extension)]


def test_a_module_dropped_before_use_serves_nothing(tmp_path):
    extension = fresh_extension("gone")
    module = Toy(extension)
    first = toy_frames(tmp_path / "frames", extension, count=2)
    del module
    gc.collect()
    with pytest.raises(OSError, match="Can not get info"):
        p.Clip(first, "shot", True)
    project = p.Project(p.Clip(write_frames(tmp_path / "png", count=1), "shot", True))
    with pytest.raises(RuntimeError, match="Cannot write"):
        project.clips["shot"].export(None, str(tmp_path / "out"), extension, "t_", "", 0, 0)


def test_threads_read_and_write_through_one_module_at_once(tmp_path):
    # Each thread's API calls hold the core and give the interpreter lock
    # away; the module's calls take the interpreter lock back inside them.
    result = run_python("""
        import os, sys, threading
        sys.path.insert(0, %r)
        import plinx._init
        import plinx.project as p
        import toy_raw_format as toy_format

        toy = toy_format.ToyRawFormat()
        first = toy_format.write_frames(os.path.join(%r, "in"), "s", 4, (8, 4))
        errors = []

        def work(n):
            try:
                for i in range(3):
                    project = p.Project(p.Clip(first, "s", True))
                    project.clips["s"].export(None, os.path.join(%r, "o%%d_%%d" %% (n, i)),
                                              toy_format.EXTENSION, "f_", "", 0, 3)
            except Exception as error:
                errors.append(repr(error))

        threads = [threading.Thread(target=work, args=(n,)) for n in range(3)]
        for thread in threads:
            thread.start()
        for thread in threads:
            thread.join()
        print(errors, toy.frames_read, toy.frames_written)
    """ % (EXAMPLES_DIR, str(tmp_path), str(tmp_path)), timeout=120)
    assert result.returncode == 0, result.stderr
    assert result.stdout.split()[-2:] == ["36", "36"], result.stdout
    assert result.stdout.startswith("[]")
