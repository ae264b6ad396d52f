"""Cost of calls through the binding frame, as ratios to PySide2's own calls
of the same shape and to a bare C method, measured in this run (figures.py
tells how)."""
import timeit

from PySide2 import QtCore

import plinx.project as p
from figures import in_rounds, median, ratio, spread

NUMBER = 200000
ROUNDS = 9


def cost(statement, names):
    """Nanoseconds per call of one timing of the statement."""
    timer = timeit.Timer(statement, globals=names)
    return lambda: timer.timeit(NUMBER) / NUMBER * 1e9


def main():
    names = {"p": p, "QtCore": QtCore, "view": p.View(3), "other": p.View(4), "info": p.StreamInfo(),
             "point": QtCore.QPoint(1, 2), "point2": QtCore.QPoint(3, 4), "size": QtCore.QSize(1, 2),
             "pair": (1, 2)}
    rows = [
        ("property read", "view.id", "point.x()"),
        ("property write", "info.start_frame = 5", "size.setWidth(5)"),
        ("construction", "p.View(1)", "QtCore.QPoint(1, 2)"),
        ("comparison", "view == other", "point == point2"),
    ]
    measures = {"bare": cost("len(pair)", names)}
    for label, ours, theirs in rows:
        measures[label, "frame"] = cost(ours, names)
        measures[label, "PySide2"] = cost(theirs, names)
    figures = in_rounds(measures, ROUNDS)
    bare = figures["bare"]
    print(f"calls (ns per call, median of {ROUNDS} rounds (range); bare C method len(tuple): {spread(bare)} ns)")
    print(f"  {'':16} {'frame':>17} {'PySide2':>17} {'ratio':>19} {'/ bare':>7}")
    for label, _, _ in rows:
        mine, baseline = figures[label, "frame"], figures[label, "PySide2"]
        print(f"  {label:16} {spread(mine):>17} {spread(baseline):>17} {ratio(mine, baseline):>19} "
              f"{median(mine) / median(bare):7.1f}")
    print("  goal: property read, write and comparison at most 0.9; construction at most 1.1")


if __name__ == "__main__":
    main()
