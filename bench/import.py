"""Import time of the plinx modules against PySide2's, in fresh processes,
and the cost of the first footage read after the import: it opens the image
kit (the codecs and what they link), which the import leaves alone. Each
round starts one process of each kind in turn (figures.py tells how rounds
are shown)."""
import os
import subprocess
import sys
import tempfile
import time

from figures import in_rounds, median, ratio, spread

RUNS = 9

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
    """Milliseconds of one fresh process running code."""
    def measure():
        started = time.perf_counter()
        subprocess.run([sys.executable, "-c", code], check=True, env=dict(os.environ))
        return (time.perf_counter() - started) * 1000
    return measure


def first_reads(folder):
    """Milliseconds of the first read after the import and of a later one, in RUNS processes."""
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
    runs = in_rounds({"empty": timed("pass"), "ours": timed("import plinx._init, plinx.project"),
                      "theirs": timed("import PySide2.QtCore, PySide2.QtGui")}, RUNS)
    empty, ours, theirs = runs["empty"], runs["ours"], runs["theirs"]
    beyond = [mine - nothing for mine, nothing in zip(ours, empty)]
    beyond_theirs = [baseline - nothing for baseline, nothing in zip(theirs, empty)]
    print(f"import (ms, median of {RUNS} processes (range); an empty interpreter takes {spread(empty)})")
    print(f"  plinx._init, plinx.project   {spread(ours)}")
    print(f"  PySide2.QtCore, QtGui        {spread(theirs)}")
    print(f"  ratio {ratio(ours, theirs)} (goal <= 1.3); beyond the empty interpreter "
          f"{ratio(beyond, beyond_theirs)}")
    with tempfile.TemporaryDirectory(prefix="plinx-bench-import-") as folder:
        first, later = first_reads(folder)
    print(f"  after the import, the first footage read (a new project over a 64x48 PNG, its frame) "
          f"{spread(first)}")
    print(f"  a later one {spread(later, 1)} ms: opening the image kit costs about "
          f"{median(first) - median(later):.0f} ms, once")


if __name__ == "__main__":
    main()
