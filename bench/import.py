"""Import time of the plinx modules against PySide2's, in fresh processes,
and the cost of the first footage read after the import: it opens the image
kit (the codecs and what they link), which the import leaves alone."""
import os
import subprocess
import sys
import tempfile
import time

RUNS = 7

FIRST_READ = """
import sys, time
import plinx._init, plinx.project as p
def read(path):
    started = time.perf_counter()
    made = p.Project(p.Clip(path, "s"))
    assert made.clips["s"].image(0).width == 64
    return time.perf_counter() - started
print(read(sys.argv[1]), read(sys.argv[2]))
"""


def timed(code):
    """Milliseconds of RUNS fresh processes running code."""
    times = []
    for _ in range(RUNS):
        started = time.perf_counter()
        subprocess.run([sys.executable, "-c", code], check=True, env=dict(os.environ))
        times.append((time.perf_counter() - started) * 1000)
    return times


def shown(times):
    return f"{min(times):6.0f} (runs up to {max(times):.0f})"


def first_reads(folder):
    """Milliseconds of the first read after the import and of a later one, a pair per process."""
    from PySide2 import QtGui
    paths = []
    for name in ("first", "later"):
        image = QtGui.QImage(64, 48, QtGui.QImage.Format_RGB32)
        image.fill(QtGui.QColor(200, 120, 40))
        paths.append(os.path.join(folder, "%s.0001.png" % name))
        assert image.save(paths[-1])
    runs = []
    for _ in range(RUNS):
        out = subprocess.run([sys.executable, "-c", FIRST_READ] + paths, check=True, capture_output=True,
                             text=True, env=dict(os.environ)).stdout
        runs.append([float(value) * 1000 for value in out.split()])
    return [run[0] for run in runs], [run[1] for run in runs]


def main():
    empty = min(timed("pass"))
    our_runs = timed("import plinx._init, plinx.project")
    their_runs = timed("import PySide2.QtCore, PySide2.QtGui")
    ours, theirs = min(our_runs), min(their_runs)
    print(f"import (ms, best of {RUNS}; an empty interpreter takes {empty:.0f} ms)")
    print(f"  plinx._init, plinx.project   {shown(our_runs)}")
    print(f"  PySide2.QtCore, QtGui        {shown(their_runs)}")
    print(f"  ratio {ours / theirs:.2f} (goal <= 1.3); beyond the empty interpreter "
          f"{(ours - empty) / (theirs - empty):.2f}")
    with tempfile.TemporaryDirectory(prefix="plinx-bench-import-") as folder:
        first, later = first_reads(folder)
    print(f"  after the import, the first footage read (a new project over a 64x48 PNG, its frame) "
          f"{shown(first)}")
    print(f"  a later one {min(later):.1f} ms: opening the image kit costs about "
          f"{min(first) - min(later):.0f} ms, once")


if __name__ == "__main__":
    main()
