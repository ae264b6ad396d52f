"""Cost of a virtual call from C++ that Python may override, on a bound
QObject class against PySide2's QObject, measured in this run."""
import time

from PySide2 import QtCore

import bindingprobe as b

APP = QtCore.QCoreApplication.instance() or QtCore.QCoreApplication([])
COUNT = 200000
USER = int(QtCore.QEvent.User)


def per_event(receiver):
    best = float("inf")
    for _ in range(5):
        started = time.perf_counter()
        b.Probe.deliver_many(receiver, USER, COUNT)
        best = min(best, time.perf_counter() - started)
    return best / COUNT * 1e9


class OverriddenEmitter(b.Emitter):
    def event(self, e):
        return True


class OverriddenQObject(QtCore.QObject):
    def event(self, e):
        return True


def main():
    rows = [
        ("not overridden", per_event(b.Emitter()), per_event(QtCore.QObject())),
        ("overridden", per_event(OverriddenEmitter()), per_event(OverriddenQObject())),
    ]
    print("virtual call from C++ (ns per event, QObject.event)")
    print(f"  {'':16} {'frame':>8} {'PySide2':>8} {'ratio':>7}")
    for label, mine, baseline in rows:
        print(f"  {label:16} {mine:8.0f} {baseline:8.0f} {mine / baseline:7.2f}")


if __name__ == "__main__":
    main()
