"""Cost of exposing a clip's frame to Python against copying its bytes.

A 4096x2160 RGBA frame read as floats (FloatConversion: 141 MB) is exposed
again and again: the project's cached image (Clip.image), its pixel array
(pixels()), a memoryview and a numpy view of it. The baseline copies the
frame's bytes. Each round exposes the frame EXPOSURES times and copies it
once (figures.py tells how rounds are shown). Prints the ratio (goal: at most
0.001) and how much the process grew while exposing."""
import os
import tempfile
import time

import numpy
from PySide2 import QtGui

import plinx._init  # noqa: F401 (starts the core)
import plinx.project as project
from figures import in_rounds, ratio, resident_mib, spread

WIDTH, HEIGHT = 4096, 2160
EXPOSURES = 2000
ROUNDS = 9


def write_frame(folder):
    image = QtGui.QImage(WIDTH, HEIGHT, QtGui.QImage.Format_RGBA8888)
    image.fill(QtGui.QColor(200, 120, 40, 255))
    painter = QtGui.QPainter(image)
    painter.fillRect(1000, 500, 800, 600, QtGui.QColor(20, 220, 90, 128))
    painter.end()
    path = os.path.join(folder, "uhd.0001.png")
    assert image.save(path)
    return path


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

        grown = []

        def exposing():
            before = resident_mib()
            started = time.perf_counter()
            for _ in range(EXPOSURES):
                expose(clip)
            elapsed = time.perf_counter() - started
            grown.append(resident_mib() - before)
            return elapsed / EXPOSURES * 1e6

        def copying():
            source = clip.image(0).pixels()
            started = time.perf_counter()
            copied = source.tobytes()
            elapsed = time.perf_counter() - started
            del copied
            return elapsed * 1e6

        expose(clip)
        figures = in_rounds({"exposing": exposing, "copying": copying}, ROUNDS)

    print("image bridge: a %dx%d RGBA float frame (%.0f MB); us, median of %d rounds (range)" % (
        WIDTH, HEIGHT, size / 1e6, ROUNDS))
    print("  exposing (Clip.image, pixels(), memoryview, numpy view): %s" % spread(figures["exposing"], 2))
    print("  copying its bytes:                                      %s" % spread(figures["copying"], 0))
    print("  ratio %s (goal <= 0.001); memory grew by %.1f MiB over %d exposures" % (
        ratio(figures["exposing"], figures["copying"], 6), sum(grown), EXPOSURES * ROUNDS))


if __name__ == "__main__":
    main()
