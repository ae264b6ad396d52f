"""Reading footage through clips against OpenImageIO's own read of the files.

Writes a short sequence of 2048x1080 RGBA frames twice, as half-float EXR and
as 8-bit PNG, in a scratch folder (through bench/footage_baseline). Each pass
opens a new project over a sequence and reads every frame through
Clip.image and a numpy view of its pixels. The baseline, a C++ program of
this build, reads the same files with OpenImageIO's read_image in the same
channel type, into one buffer that serves every frame (its cost is then the
decoding alone); it also reads each frame into a new buffer of its own, for
reference. The first pass of each runs on memory the process has never
touched and is shown apart; the others give the median, with their range
(figures.py), and the ratio of the medians with the range of the passes'
ratios. Prints the ratio (goal: at most 1.1 for both formats) and the
resident memory after each pass, which must not grow from pass to pass."""
import os
import subprocess
import sys
import tempfile
import time

import numpy

import plinx._init  # noqa: F401 (starts the core)
import plinx.project as project
from figures import ratio, resident_mib, spread

FRAMES = 6
PASSES = 6
BUILD_DIR = os.environ.get("PLINX_BUILD_DIR",
                           os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "build"))
BASELINE = os.path.join(BUILD_DIR, "bench", "footage_baseline")

# format: (folder, channel type the clip reads it in, the baseline's type name, numpy type)
FORMATS = {
    "EXR, half-float RGBA": ("exr", project.FloatType, "float", numpy.float32),
    "PNG, 8-bit RGBA": ("png", project.UCharType, "uint8", numpy.uint8),
}


def clip_pass(first_file, channel_type, dtype):
    """Milliseconds per frame of one pass of reads through a new project."""
    made = project.Project(project.Clip(first_file, "plate"))
    clip = made.clips["plate"]
    started = time.perf_counter()
    for frame in range(FRAMES):
        image = clip.image(frame)
        pixels = image.pixels()
        view = numpy.frombuffer(pixels, dtype).reshape(image.height, image.width, 4)
        assert image.channel_type == channel_type and view.shape == (1080, 2048, 4)
    elapsed = (time.perf_counter() - started) / FRAMES * 1000
    del view, pixels, image, clip, made
    return elapsed


def baseline_passes(files, type_name):
    """(into one buffer, into a new buffer) milliseconds per frame, a pair per pass."""
    out = subprocess.run([BASELINE, "read", str(PASSES), type_name] + files, check=True, capture_output=True,
                         text=True).stdout
    return [tuple(float(value) for value in line.split()) for line in out.split("\n") if line]


def main():
    if not os.path.exists(BASELINE):
        sys.exit("%s is missing: make bench builds it" % BASELINE)
    print("footage (ms per frame, 2048x1080 RGBA, %d frames, %d passes; median of passes 2 to %d, and their "
          "range)" % (FRAMES, PASSES, PASSES))
    with tempfile.TemporaryDirectory(prefix="plinx-bench-footage-") as folder:
        subprocess.run([BASELINE, "write", folder, str(FRAMES)], check=True)
        for label, (kind, channel_type, type_name, dtype) in FORMATS.items():
            files = sorted(os.path.join(folder, kind, name) for name in os.listdir(os.path.join(folder, kind)))
            ours, resident = [], []
            for _ in range(PASSES):
                ours.append(clip_pass(files[0], channel_type, dtype))
                resident.append(resident_mib())
            theirs = baseline_passes(files, type_name)
            reused = [pair[0] for pair in theirs[1:]]
            fresh = [pair[1] for pair in theirs[1:]]
            print("  %s" % label)
            print("    Clip.image + numpy view        %s; first pass %.1f" % (spread(ours[1:], 1), ours[0]))
            print("    OpenImageIO, one buffer        %s" % spread(reused, 1))
            print("    OpenImageIO, a buffer a frame  %s" % spread(fresh, 1))
            print("    ratio %s (goal <= 1.1); resident after each pass (MiB): %s" % (
                ratio(ours[1:], reused), " ".join("%.0f" % r for r in resident)))
            print("    resident memory grew by %.0f MiB from pass 2 to pass %d" % (resident[-1] - resident[1], PASSES))


if __name__ == "__main__":
    main()
