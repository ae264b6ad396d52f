"""Cost of a virtual call from C++ that Python may override, on a bound
QObject class against PySide2's QObject, measured in this run (figures.py
tells how)."""
import time

from PySide2 import QtCore

import bindingprobe as b
from figures import in_rounds, ratio, spread

APP = QtCore.QCoreApplication.instance() or QtCore.QCoreApplication([])
COUNT = 200000
ROUNDS = 9
USER = int(QtCore.QEvent.User)


def per_event(receiver):
    """Nanoseconds per event of one delivery of COUNT events."""
    def measure():
        started = time.perf_counter()
        b.Probe.deliver_many(receiver, USER, COUNT)
        return (time.perf_counter() - started) / COUNT * 1e9
    return measure


class OverriddenEmitter(b.Emitter):
    def event(self, e):
        return True


class OverriddenQObject(QtCore.QObject):
    def event(self, e):
        return True


def main():
    rows = {
        "not overridden": (b.Emitter(), QtCore.QObject()),
        "overridden": (OverriddenEmitter(), OverriddenQObject()),
    }
    measures = {}
    for label, (ours, theirs) in rows.items():
        measures[label, "frame"] = per_event(ours)
        measures[label, "PySide2"] = per_event(theirs)
    figures = in_rounds(measures, ROUNDS)
    print(f"virtual call from C++ (ns per event, QObject.event; median of {ROUNDS} rounds (range))")
    print(f"  {'':16} {'frame':>17} {'PySide2':>17} {'ratio':>19}")
    for label in rows:
        mine, baseline = figures[label, "frame"], figures[label, "PySide2"]
        print(f"  {label:16} {spread(mine):>17} {spread(baseline):>17} {ratio(mine, baseline):>19}")
    print("  goal: not overridden at most 1.2")


if __name__ == "__main__":
    main()
