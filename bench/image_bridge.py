"""Cost of exposing a clip's frame to Python against copying its bytes.

A 4096x2160 RGBA frame read as floats (FloatConversion: 141 MB) is exposed
again and again: the project's cached image (Clip.image), its pixel array
(pixels()), a memoryview and a numpy view of it. The baseline copies the
frame's bytes once per round. Prints the ratio (goal: at most 0.001) and how
much the process grew while exposing."""
import os
import resource
import statistics
import tempfile
import time

import numpy
from PySide2 import QtGui

import plinx._init  # noqa: F401 (starts the core)
import plinx.project as project

WIDTH, HEIGHT = 4096, 2160
EXPOSURES = 20000
COPIES = 5


def write_frame(folder):
    image = QtGui.QImage(WIDTH, HEIGHT, QtGui.QImage.Format_RGBA8888)
    image.fill(QtGui.QColor(200, 120, 40, 255))
    painter = QtGui.QPainter(image)
    painter.fillRect(1000, 500, 800, 600, QtGui.QColor(20, 220, 90, 128))
    painter.end()
    path = os.path.join(folder, "uhd.0001.png")
    assert image.save(path)
    return path


def resident_kib():
    return resource.getrusage(resource.RUSAGE_SELF).ru_maxrss


def expose(clip):
    image = clip.image(0)
    pixels = image.pixels()
    view = memoryview(pixels)
    frame = numpy.frombuffer(pixels, pixels.typecode)
    return view.nbytes + frame.size


def main():
    with tempfile.TemporaryDirectory(prefix="plinx-bench-") as folder:
        made = project.Project(project.Clip(write_frame(folder), "uhd"))
        clip = made.clips["uhd"]
        clip.color_parameters.conversion = project.FloatConversion
        first = clip.image(0)
        pixels = first.pixels()
        size = len(pixels) * pixels.itemsize
        assert (first.width, first.height, first.channel_type, size) == \
            (WIDTH, HEIGHT, project.FloatType, WIDTH * HEIGHT * 4 * 4)
        del first, pixels

        expose(clip)
        before = resident_kib()
        started = time.perf_counter()
        for _ in range(EXPOSURES):
            expose(clip)
        exposing = (time.perf_counter() - started) / EXPOSURES
        grown = resident_kib() - before

        copies = []
        for _ in range(COPIES):
            source = clip.image(0).pixels()
            started = time.perf_counter()
            copied = source.tobytes()
            copies.append(time.perf_counter() - started)
            del copied
        copying = statistics.median(copies)

    print("image bridge: a %dx%d RGBA float frame (%.0f MB)" % (WIDTH, HEIGHT, size / 1e6))
    print("  exposing (Clip.image, pixels(), memoryview, numpy view): %8.2f us" % (exposing * 1e6))
    print("  copying its bytes:                                      %8.2f us" % (copying * 1e6))
    print("  ratio %.6f (goal <= 0.001); memory grew by %d KiB over %d exposures" % (
        exposing / copying, grown, EXPOSURES))


if __name__ == "__main__":
    main()
