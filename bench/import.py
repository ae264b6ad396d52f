"""Import time of the plinx modules against PySide2's, in fresh processes."""
import os
import subprocess
import sys
import time

RUNS = 7


def best(code):
    times = []
    for _ in range(RUNS):
        started = time.perf_counter()
        subprocess.run([sys.executable, "-c", code], check=True, env=dict(os.environ))
        times.append(time.perf_counter() - started)
    return min(times) * 1000


def main():
    empty = best("pass")
    ours = best("import plinx._init, plinx.project")
    theirs = best("import PySide2.QtCore, PySide2.QtGui")
    print(f"import (ms, best of {RUNS}; an empty interpreter takes {empty:.0f} ms)")
    print(f"  plinx._init, plinx.project   {ours:6.0f}")
    print(f"  PySide2.QtCore, QtGui        {theirs:6.0f}")
    print(f"  ratio {ours / theirs:.2f}; beyond the empty interpreter {(ours - empty) / (theirs - empty):.2f}")


if __name__ == "__main__":
    main()
