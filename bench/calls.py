"""Cost of calls through the binding frame, as ratios to PySide2's own calls
of the same shape and to a bare C method, measured in this run."""
import timeit

from PySide2 import QtCore

import plinx.project as p

NUMBER = 200000


def cost(statement, setup_globals):
    best = min(timeit.repeat(statement, globals=setup_globals, number=NUMBER, repeat=7))
    return best / NUMBER * 1e9


def main():
    names = {"p": p, "QtCore": QtCore, "view": p.View(3), "other": p.View(4), "info": p.StreamInfo(),
             "point": QtCore.QPoint(1, 2), "point2": QtCore.QPoint(3, 4), "size": QtCore.QSize(1, 2),
             "pair": (1, 2)}
    bare = cost("len(pair)", names)
    rows = [
        ("property read", "view.id", "point.x()"),
        ("property write", "info.start_frame = 5", "size.setWidth(5)"),
        ("construction", "p.View(1)", "QtCore.QPoint(1, 2)"),
        ("comparison", "view == other", "point == point2"),
    ]
    print(f"calls (ns per call; bare C method len(tuple): {bare:.0f} ns)")
    print(f"  {'':16} {'frame':>8} {'PySide2':>8} {'ratio':>7} {'/ bare':>7}")
    for label, ours, theirs in rows:
        mine, baseline = cost(ours, names), cost(theirs, names)
        print(f"  {label:16} {mine:8.0f} {baseline:8.0f} {mine / baseline:7.2f} {mine / bare:7.1f}")


if __name__ == "__main__":
    main()
