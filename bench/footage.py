"""Reading footage through clips against OpenImageIO's own read of the files.

Writes 2048x1080 RGBA frames twice, as half-float EXR (zip compressed, as
pipelines write it) and as 8-bit PNG, in a scratch folder (through
bench/footage_baseline); the frames written are copied on into sequences of
COLD_FRAMES files. Clips read them through Clip.image and a numpy view of
the pixels, the view of the frame before still held. The baseline, a C++
program of this build, reads the same files with OpenImageIO's read_image in
the same channel type into one buffer that serves every frame: its cost is
the decoding alone.

- Read for the first time: a fresh process reads a whole sequence, once;
  ours and the baseline's take turns, a process each, in every round.
- Read again: each pass opens a new project over a sequence and reads its
  first WARM_FRAMES frames, getting the memory that the project before let
  go; the baseline reads them again and again (and also each frame into a
  new buffer of its own, for reference). The first pass runs on memory the
  process has never touched and is shown apart.

Figures are the median with the range of the rounds or passes (figures.py),
and the ratio of the medians with the range of the ratios; page faults
(getrusage's minor faults) are per frame. Goals: at most 1.3 for a first
read, 1.1 for a read again. Prints the resident memory after each pass
too, which must not grow from pass to pass."""
import os
import resource
import shutil
import subprocess
import sys
import tempfile
import time

import numpy

import plinx._init  # noqa: F401 (starts the core)
import plinx.project as project
from figures import median, ratio, resident_mib, spread

WRITTEN = 6
COLD_FRAMES = 48
COLD_ROUNDS = 5
WARM_FRAMES = 6
PASSES = 6
BUILD_DIR = os.environ.get("PLINX_BUILD_DIR",
                           os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "build"))
BASELINE = os.path.join(BUILD_DIR, "bench", "footage_baseline")

# format: (folder, the baseline's type name, numpy type the clip reads it in)
FORMATS = {
    "EXR, half-float RGBA, zip": ("exr", "float", "float32"),
    "PNG, 8-bit RGBA": ("png", "uint8", "uint8"),
}


def minor_faults():
    return resource.getrusage(resource.RUSAGE_SELF).ru_minflt


def read_frames(clip, frames, dtype):
    """Reads frames as a script does: each frame's view replaces the one
    before, which stays held while the next is read."""
    view = None
    for frame in range(frames):
        image = clip.image(frame)
        pixels = image.pixels()
        view = numpy.frombuffer(pixels, dtype).reshape(image.height, image.width, 4)
        assert view.shape == (1080, 2048, 4)
    return view


def open_clip(first_file):
    made = project.Project(project.Clip(first_file, "plate"))
    return made, made.clips["plate"]


def first_read(first_file, dtype):
    """In a fresh process: milliseconds and page faults per frame of a first
    read of the whole sequence."""
    made, clip = open_clip(first_file)
    faults = minor_faults()
    started = time.perf_counter()
    read_frames(clip, COLD_FRAMES, dtype)
    elapsed = (time.perf_counter() - started) / COLD_FRAMES * 1000
    print("%.4f %.1f" % (elapsed, (minor_faults() - faults) / COLD_FRAMES))


def figures_of(command):
    return [float(value) for value in subprocess.run(command, check=True, capture_output=True,
                                                     text=True).stdout.split()]


def first_read_rounds(files, type_name, dtype):
    """[(ms, faults)] of ours and of the baseline, a fresh process each, in turns."""
    ours, theirs = [], []
    for _ in range(COLD_ROUNDS):
        ours.append(figures_of([sys.executable, os.path.abspath(__file__), "--first-read", files[0], dtype]))
        theirs.append(figures_of([BASELINE, "first", type_name] + files))
    return ours, theirs


def clip_pass(first_file, dtype):
    """Milliseconds and page faults per frame of one pass of reads through a
    new project."""
    made, clip = open_clip(first_file)
    faults = minor_faults()
    started = time.perf_counter()
    view = read_frames(clip, WARM_FRAMES, dtype)
    elapsed = (time.perf_counter() - started) / WARM_FRAMES * 1000
    faults = (minor_faults() - faults) / WARM_FRAMES
    del view, clip, made
    return elapsed, faults


def baseline_passes(files, type_name):
    """(into one buffer, into a new buffer) milliseconds per frame, a pair per pass."""
    out = subprocess.run([BASELINE, "read", str(PASSES), type_name] + files, check=True, capture_output=True,
                         text=True).stdout
    return [tuple(float(value) for value in line.split()) for line in out.split("\n") if line]


def write_footage(folder):
    """{kind: the files of its sequence}: frames written, then copied on."""
    subprocess.run([BASELINE, "write", folder, str(WRITTEN)], check=True)
    sequences = {}
    for kind, _, _ in FORMATS.values():
        name = os.path.join(folder, kind, "plate.%04d." + kind)
        for frame in range(WRITTEN + 1, COLD_FRAMES + 1):
            shutil.copyfile(name % ((frame - 1) % WRITTEN + 1), name % frame)
        sequences[kind] = [name % frame for frame in range(1, COLD_FRAMES + 1)]
    return sequences


def report_first_reads(sequences):
    print("footage read for the first time (ms per frame, 2048x1080 RGBA; a fresh process reads %d frames, "
          "%d rounds: median and range)" % (COLD_FRAMES, COLD_ROUNDS))
    for label, (kind, type_name, dtype) in FORMATS.items():
        ours, theirs = first_read_rounds(sequences[kind], type_name, dtype)
        print("  %s" % label)
        print("    Clip.image + numpy view   %s; page faults %s" % (spread([o[0] for o in ours], 1),
                                                                    spread([o[1] for o in ours])))
        print("    OpenImageIO, one buffer   %s; page faults %s" % (spread([t[0] for t in theirs], 1),
                                                                    spread([t[1] for t in theirs])))
        print("    ratio %s (goal <= 1.3)" % ratio([o[0] for o in ours], [t[0] for t in theirs]))


def report_reads_again(sequences):
    print("footage read again (ms per frame, 2048x1080 RGBA, %d frames, %d passes; median of passes 2 to %d, "
          "and their range)" % (WARM_FRAMES, PASSES, PASSES))
    for label, (kind, type_name, dtype) in FORMATS.items():
        files = sequences[kind][:WARM_FRAMES]
        ours, resident = [], []
        for _ in range(PASSES):
            ours.append(clip_pass(files[0], dtype))
            resident.append(resident_mib())
        times = [figure[0] for figure in ours]
        theirs = baseline_passes(files, type_name)
        reused = [pair[0] for pair in theirs[1:]]
        fresh = [pair[1] for pair in theirs[1:]]
        print("  %s" % label)
        print("    Clip.image + numpy view        %s; first pass %.1f; page faults %.0f, first pass %.0f" % (
            spread(times[1:], 1), times[0], median([figure[1] for figure in ours[1:]]), ours[0][1]))
        print("    OpenImageIO, one buffer        %s" % spread(reused, 1))
        print("    OpenImageIO, a buffer a frame  %s" % spread(fresh, 1))
        print("    ratio %s (goal <= 1.1); resident after each pass (MiB): %s" % (
            ratio(times[1:], reused), " ".join("%.0f" % r for r in resident)))
        print("    resident memory grew by %.0f MiB from pass 2 to pass %d" % (resident[-1] - resident[1], PASSES))


def main():
    if len(sys.argv) == 4 and sys.argv[1] == "--first-read":
        return first_read(sys.argv[2], sys.argv[3])
    if not os.path.exists(BASELINE):
        sys.exit("%s is missing: make bench builds it" % BASELINE)
    with tempfile.TemporaryDirectory(prefix="plinx-bench-footage-") as folder:
        sequences = write_footage(folder)
        report_first_reads(sequences)
        report_reads_again(sequences)


if __name__ == "__main__":
    main()
