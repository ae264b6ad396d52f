"""plinx.project.ProgressWatcher: the core's progress as Qt signals."""
import pytest
import shiboken2
from PySide2 import QtCore

import plinx._init  # noqa: F401 (starts the core)
import plinx.project as p
from conftest import run_embedded


def test_stand_alone_construction_is_refused():
    with pytest.raises(RuntimeError, match="^Can not create ProgressWatcher without plinx GUI$"):
        p.ProgressWatcher()


@pytest.mark.parametrize("args, kwargs, error", [
    ((None,), {"parent": None}, "got multiple values for keyword argument 'parent'."),
    ((3,), {}, "plinx.project.ProgressWatcher"),
    ((None, None), {}, "ProgressWatcher expected at most 1 argument, got 2"),
])
def test_construction_argument_errors(args, kwargs, error):
    with pytest.raises(TypeError, match=error):
        p.ProgressWatcher(*args, **kwargs)


def test_type_adds_only_its_four_signals():
    own = set(dir(p.ProgressWatcher)) - set(dir(QtCore.QObject))
    assert own == {"started", "progress_status", "progress_message", "finished"}
    assert issubclass(p.ProgressWatcher, QtCore.QObject)


def check(result):
    assert result.returncode == 0, result.stdout + result.stderr
    return result.stdout


def test_embedded_watchers_relay_progress_from_any_thread(tmp_path):
    out = check(run_embedded("""
        import plinx._init
        import plinx.project as p
        from PySide2 import QtCore

        received = {"first": [], "second": []}
        watchers = [p.ProgressWatcher(), p.ProgressWatcher()]
        for name, watcher in zip(received, watchers):
            log = received[name]
            watcher.started.connect(lambda log=log: log.append("started"))
            watcher.progress_message.connect(lambda m, log=log: log.append(m))
            watcher.progress_status.connect(lambda s, log=log: log.append(s))
            watcher.finished.connect(lambda log=log: log.append("finished"))

        def after_host_progress():
            print(received["first"])
            assert received["first"] == received["second"]
    """, tmp_path, report_progress=True))
    assert out.strip() == ("['started', 'on the application thread', 40, 'finished', "
                           "'started', 'from a worker thread', 80, 'finished']")


def test_embedded_watcher_parent_and_invalidation(tmp_path):
    check(run_embedded("""
        import shiboken2
        import plinx._init
        import plinx.project as p
        from PySide2 import QtCore

        assert p.ProgressWatcher().parent() is None
        owner = QtCore.QObject()
        child = p.ProgressWatcher(owner)
        assert child.parent() is owner
        assert p.ProgressWatcher(parent=owner).parent() is owner
        shiboken2.delete(owner)  # the Qt parent deletes its watchers
        assert not shiboken2.isValid(child)
        try:
            child.objectName()
        except RuntimeError:
            pass
        else:
            raise AssertionError("a deleted watcher answered")
    """, tmp_path))


@pytest.mark.parametrize("program_name, embedded", [
    ("plinx-python", True),
    ("plinx-python3", False),
    ("plinx", False),
])
def test_only_the_applications_program_name_means_embedded(program_name, embedded, tmp_path):
    out = check(run_embedded("""
        import plinx._init
        import plinx.project as p
        try:
            p.ProgressWatcher()
            print("embedded")
        except RuntimeError:
            print("stand-alone")
    """, tmp_path, env={"PLINX_HOST_PROGRAM_NAME": program_name}))
    assert out.strip() == ("embedded" if embedded else "stand-alone")
