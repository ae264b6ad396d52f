"""The fuzz harness's own rules (tests/fuzz): how it tells a process that
died or hung from one that ended well, in both hosts, that a journal's
statements make a reproducer that runs them as the worker did, and how the
world mode judges a trial: files that do not read back, unclear exceptions,
replaced targets and the child's ending."""
import os
import shutil
import subprocess
import sys

import pytest

from conftest import BUILD_DIR, ROOT

FUZZ_DIR = os.path.join(ROOT, "tests", "fuzz")
sys.path.insert(0, FUZZ_DIR)

import driver  # noqa: E402 (the harness's driver side; it needs no plinx)
import world  # noqa: E402 (the world mode: its trials and their judge)


def reproducer(tmp_path, lines, watchdog=60):
    path = str(tmp_path / "reproducer.py")
    with open(path, "w", encoding="utf-8") as script:
        script.write(driver.reproducer_text("a test", BUILD_DIR, path, driver.parse_statements(lines),
                                            watchdog=watchdog))
    return path


def ending_of(path, host):
    ran = subprocess.run(["/usr/bin/python3", os.path.join(FUZZ_DIR, "fuzz.py"), "--run", path, "--host", host,
                          "--build", BUILD_DIR], capture_output=True, text=True, timeout=120)
    assert ran.returncode == 0, ran.stderr
    return ran.stdout.strip().splitlines()[-1]


@pytest.mark.parametrize("host, statement, ending", [
    ("python", "x = [p.View(0)]", "exit 0"),
    ("python", "os.abort()", "SIGABRT"),
    # (SIGILL: the sanitizer build's runtime turns SIGSEGV into an abort.)
    ("python", "os.kill(os.getpid(), 4)", "SIGILL"),
    ("embed", "os.kill(os.getpid(), 4)", "SIGILL"),
    ("python", "raise SystemExit(3)", "exit 0"),  # a statement's exception is swallowed
    ("python", "os._exit(86)", "wrong result"),  # a trial's verdict (world.py)
    ("embed", "os._exit(3)", "exit 3"),
    # A thread that waits forever, joined: the watchdog reports a hang.
    ("python", "held = threading.Lock(); held.acquire(); join_thread(held.acquire)", "hang"),
    ("embed", "held = threading.Lock(); held.acquire(); join_thread(held.acquire)", "hang"),
])
def test_the_driver_tells_how_a_process_ended(tmp_path, host, statement, ending):
    path = reproducer(tmp_path, ["#> the statement", statement], watchdog=3)
    assert ending_of(path, host) == f"{host}: {ending}"


def test_a_journal_replays_its_statements_and_the_threads_of_a_race(tmp_path):
    lines = [
        "# unit 4",
        "#> a list",
        "seen = ['main']",
        "## a note",
        "#> two threads",
        "race([",
        "    [",
        "        'seen.append(1)',",
        "        'undefined_name',",  # raises: the program goes on
        "        'seen.append(2)',",
        "    ],",
        "    ['seen.append(3)'],",
        "    ])",
        "#> the result",
        f"open({str(tmp_path / 'seen.txt')!r}, 'w').write(repr(sorted(map(str, seen))))",
    ]
    statements = driver.parse_statements(driver.unit_lines(lines + ["# end 4 3 0.1"], 4))
    assert [label for label, _ in statements] == ["a list", "two threads", "the result"]
    assert ending_of(reproducer(tmp_path, lines), "python") == "python: exit 0"
    assert (tmp_path / "seen.txt").read_text() == repr(["1", "2", "3", "main"])


@pytest.mark.parametrize("death, gone", [
    ("kill(victim)", "not shiboken2.isValid(victim)"),
    ("kill(victim); kill(victim)", "not shiboken2.isValid(victim)"),  # a second time: nothing
    ("parent_dies(victim)", "not shiboken2.isValid(victim)"),
    ("parent_dies(victim, victim)", "shiboken2.isValid(victim)"),  # a cycle of parents: not made
    ("drop('victim')", "'victim' not in globals()"),
    ("drop_self(victim)", "'victim' not in globals() and kept == []"),
])
def test_the_ways_of_dying_do_what_they_say(tmp_path, death, gone):
    # Statements of the deletion mode that fail quietly would test nothing.
    result = tmp_path / "gone.txt"
    path = reproducer(tmp_path, ["victim = QtCore.QObject()", "kept = [victim]", death,
                                 f"open({str(result)!r}, 'w').write(repr({gone}))"])
    assert ending_of(path, "python") == "python: exit 0"
    assert result.read_text() == "True"


# --- The world mode: trials judged by their records and files ---------------------------------------

EXTENSIONS = [".png", ".jpg", ".tif", ".exr", ".dpx", ".bmp", ".mov"]


@pytest.fixture(scope="module")
def written(tmp_path_factory):
    """A whole file of each format the system writes, two frames each; a
    project saved as old.plinx (notes "old") and again with notes "saved 2"."""
    import plinx._init  # noqa: F401 (starts the core)
    import plinx.project as p
    from conftest import write_frames
    folder = tmp_path_factory.mktemp("written")
    project = p.Project(p.Clip(write_frames(folder / "footage", count=2), "plate"))
    files = {}
    for extension in EXTENSIONS:
        project.clips["plate"].export(None, str(folder / extension[1:]), extension, "f_", "", 0, 1, index_width=4)
        files[extension] = str(folder / extension[1:] / ("f_0000" + extension))
    project.notes = "old"
    project.save_as(str(folder / "old.plinx"))
    project.notes = "saved 2"
    project.save_as(str(folder / "marked.plinx"))
    files["old"], files["marked"] = str(folder / "old.plinx"), str(folder / "marked.plinx")
    return files


def cut(source, target, keep):
    with open(source, "rb") as whole:
        data = whole.read()
    with open(target, "wb") as part:
        part.write(data[:int(len(data) * keep)])


@pytest.mark.xdist_group("world_written")
@pytest.mark.parametrize("extension", EXTENSIONS)
def test_a_file_cut_short_does_not_read_back(written, tmp_path, monkeypatch, extension):
    monkeypatch.chdir(tmp_path)  # where the check's links go
    frames = 2 if extension == ".mov" else 1
    assert world.reads_back(written[extension], frames) is None
    for keep, why in [(0.5, ""), (0.0, "is empty")]:
        part = str(tmp_path / ("part%d%s" % (keep * 10, extension)))
        cut(written[extension], part, keep)
        found = world.reads_back(part, frames)
        assert found is not None and why in found
    if extension == ".mov":  # a whole movie, but short of frames
        assert world.reads_back(written[extension], 3) == "holds 2 frames of 3"


FRAMES = {"kind": "frames", "folder": "out/e2", "ext": ".png", "count": 2, "frames": 2, "keep": {}}
SAVE = {"kind": "project", "path": "old.plinx", "marker": "saved 2", "keep": {}}
EXPORT = "C.export(None, 'out/e2', '.png', 'f_', '', 0, 1, index_width=4)"


def begin(phase, source=EXPORT, products=FRAMES, number="1.2"):
    return {"begin": number, "phase": phase, "call": source, "products": products, "pid": 1}


def returned(number="1.2", **more):
    return dict({"end": number, "outcome": "returned", "value": None}, **more)


def raised(error, text, classes=None, number="1.2", **more):
    return dict({"end": number, "outcome": "raised", "error": error, "text": text,
                 "classes": classes or [error, "Exception"]}, **more)


ERROR_TEXT = "Cannot write 'out/e2/f_0001.png': File too large"
FSIZE = {"scenario": "fsize", "op": "export", "ext": ".png", "fraction": 0.5, "deadly": False}
SIGNAL = {"scenario": "signal", "op": "export", "ext": ".png", "signal": "SIGINT", "thread": False}
EXIT = {"scenario": "exit", "busy": ["read"], "delay": 0.0, "end": "sys.exit(0)"}
DELETED = "Internal C++ object (plinx.project.Clip) already deleted."


# (the trial, its child's status, files of the trial: (path, a file of
#  `written` or "cut PNG"), its record, findings: (kind, part of the cause))
@pytest.mark.xdist_group("world_written")
@pytest.mark.parametrize("setup, status, files, records, expected", [
    # Success only where everything written reads back.
    (FSIZE, 0, [("out/e2/f_0000.png", ".png"), ("out/e2/f_0001.png", ".png")],
     [begin("limited"), returned()], []),
    (FSIZE, 0, [("out/e2/f_0000.png", ".png"), ("out/e2/f_0001.png", "cut PNG")],
     [begin("limited"), returned()], [("wrong result", "returned, but a file it wrote that does not decode")]),
    (FSIZE, 0, [("out/e2/f_0000.png", ".png")],
     [begin("limited"), returned()], [("wrong result", "returned but wrote other files")]),
    # A failure: OSError naming the file, nothing left half written.
    (FSIZE, 0, [("out/e2/f_0000.png", ".png")], [begin("limited"), raised("OSError", ERROR_TEXT)], []),
    (FSIZE, 0, [], [begin("limited"), raised("RuntimeError", ERROR_TEXT)],
     [("wrong result", "raised RuntimeError, not OSError")]),
    (FSIZE, 0, [], [begin("limited"), raised("OSError", "File too large")], [("wrong result", "names no file")]),
    (FSIZE, 0, [("out/e2/f_0001.png", "cut PNG")], [begin("limited"), raised("OSError", ERROR_TEXT)],
     [("wrong result", "failed, leaving a file that does not decode")]),
    (FSIZE, 0, [], [begin("again"), raised("OSError", ERROR_TEXT)],
     [("wrong result", "raised OSError once the hazard was gone")]),
    # A save: whole with its change, or the old file kept.
    (dict(FSIZE, op="save"), 0, [("snapshots/1.2.plinx", "marked")],
     [begin("limited", "P.save()", dict(SAVE, before="file 1")),
      returned(project_file="old.plinx", snapshot="snapshots/1.2.plinx")], []),
    (dict(FSIZE, op="save"), 0, [("snapshots/1.2.plinx", "old")],
     [begin("limited", "P.save()", dict(SAVE, before="file 1")),
      returned(project_file="old.plinx", snapshot="snapshots/1.2.plinx")],
     [("wrong result", "lacks the change saved")]),
    (dict(FSIZE, op="save"), 0, [],
     [begin("limited", "P.save()", dict(SAVE, before="file 1")),
      raised("OSError", "Cannot save 'old.plinx'", after="file 2", project_file="old.plinx",
             project_file_before="old.plinx")],
     [("wrong result", "failed but changed the file it saves to")]),
    # What the call was aimed at stays what it was.
    ({"scenario": "place", "op": "save_as", "place": "fifo"}, 0, [("target1.plinx", "old")],
     [begin("limited", "P.save_as('target1.plinx')",
            dict(SAVE, path="target1.plinx", before="fifo", keep={"target1.plinx": "fifo"})),
      raised("OSError", "Cannot save 'target1.plinx'", after="fifo", project_file="old.plinx",
             project_file_before="old.plinx")],
     [("wrong result", "replaced the fifo it was aimed at")]),
    # How the process ended, and where.
    (FSIZE, -11, [], [begin("limited")], [("SIGSEGV", "the process ended (SIGSEGV) inside Clip.export")]),
    (FSIZE, None, [], [begin("limited")], [("hang", "the process hung inside Clip.export")]),
    (FSIZE, 0, [], [], [("death of a child", "ended early (exit 0)")]),
    ({"scenario": "signal", "op": "export", "ext": ".png", "signal": "SIGTERM", "thread": False}, -15,
     [("out/e2/f_0000.png", ".png")], [begin("signalled")], []),
    ({"scenario": "signal", "op": "export", "ext": ".png", "signal": "SIGINT", "thread": False}, 0, [],
     [begin("signalled"), raised("RuntimeError", "interrupted")],
     [("wrong result", "met SIGINT with RuntimeError, not KeyboardInterrupt")]),
    ({"scenario": "signal", "op": "export", "ext": ".png", "signal": "SIGINT", "thread": False}, 0, [],
     [begin("signalled"), raised("KeyboardInterrupt", "", ["KeyboardInterrupt", "BaseException"])], []),
    # A Python writer meets the KeyboardInterrupt: reported and cleared, its write fails.
    ({"scenario": "signal", "op": "export", "ext": "toy", "signal": "SIGINT", "thread": False}, 0, [],
     [begin("signalled"), raised("OSError", ERROR_TEXT)], []),
    ({"scenario": "signal", "op": "export", "ext": "toy", "signal": "SIGINT", "thread": False}, 0, [],
     [begin("signalled"), raised("OSError", "interrupted")],
     [("wrong result", "met SIGINT with OSError, not KeyboardInterrupt")]),
    # SIGINT that comes once a save is made: the save is whole, with its change.
    (dict(SIGNAL, op="save"), 0, [("snapshots/1.2.plinx", "marked")],
     [begin("signalled", "P.save()", dict(SAVE, before="file 1")),
      raised("KeyboardInterrupt", "", ["KeyboardInterrupt"], after="file 2", project_file="old.plinx",
             project_file_before="old.plinx", snapshot="snapshots/1.2.plinx")], []),
    (dict(SIGNAL, op="save_as"), 0, [("saved2.plinx", "old"), ("snapshots/1.2.plinx", "old")],
     [begin("signalled", "P.save_as('saved2.plinx')", dict(SAVE, path="saved2.plinx", before="absent")),
      raised("KeyboardInterrupt", "", ["KeyboardInterrupt"], after="file 2", project_file="saved2.plinx",
             project_file_before="old.plinx", snapshot="snapshots/1.2.plinx")],
     [("wrong result", "lacks the change saved")]),
    # Daemon threads inside calls as the interpreter ends: the objects the
    # script held go with it, but not before.
    (EXIT, 0, [], [begin("busy"), {"exiting": True}, raised("RuntimeError", DELETED)], []),
    (EXIT, 0, [], [begin("busy"), raised("RuntimeError", DELETED), {"exiting": True}],
     [("wrong result", "raised RuntimeError in a thread without a hazard")]),
], ids=["whole", "cut", "missing", "raised", "RuntimeError", "unnamed", "raised over a cut file",
        "kept failure", "saved", "saved old", "failed save", "fifo replaced", "SIGSEGV", "hang", "early exit",
        "SIGTERM", "SIGINT as RuntimeError", "SIGINT", "SIGINT through a callback", "SIGINT unnamed",
        "SIGINT after a save", "SIGINT after a save_as", "deleted at exit", "deleted before exit"])
def test_the_judge_of_a_trial(written, tmp_path, monkeypatch, setup, status, files, records, expected):
    monkeypatch.chdir(tmp_path)
    shutil.copyfile(written["old"], str(tmp_path / "old.plinx"))
    for path, source in files:
        os.makedirs(os.path.dirname(str(tmp_path / path)) or str(tmp_path), exist_ok=True)
        if source == "cut PNG":
            cut(written[".png"], str(tmp_path / path), 0.6)
        else:
            shutil.copyfile(written[source], str(tmp_path / path))
    setup = dict({"unit": 0, "frames": 2, "size": [40, 30], "kit": True}, **setup)
    records = [{"stage": True, "old": "old.plinx", "pid": 1}] + records + \
        ([{"done": True}] if records and status == 0 else [])
    found = [(finding.kind, finding.cause) for finding in world.Judge(setup, str(tmp_path), status, records).findings()]
    assert len(found) == len(expected), found
    for (kind, cause), (expected_kind, expected_cause) in zip(found, expected):
        assert kind == expected_kind and expected_cause in cause, found


CLEAN = {"scenario": "fsize", "unit": 0, "frames": 2, "size": [40, 30], "kit": True, "op": "export", "ext": ".png",
         "fraction": 2.0, "deadly": False}


@pytest.mark.parametrize("host, setup, ending", [
    ("python", CLEAN, "exit 0"),
    ("embed", CLEAN, "exit 0"),
    # The Python writer of the trials writes what it is given whole (here grey).
    ("python", dict(CLEAN, op="shapes", ext="toy"), "exit 0"),
    # SIGINT at once while a thread is inside the call: the trial waits for it.
    ("python", {"scenario": "signal", "unit": 0, "frames": 4, "size": [64, 48], "op": "track", "ext": ".png",
                "signal": "SIGINT", "at": 0.0, "thread": True}, "exit 0"),
    # A trial whose script fails is no pass.
    ("python", dict(CLEAN, scenario="memory", op="no such call", headroom=4), "fault of the harness"),
])
def test_a_trial_runs_its_child_and_ends_as_judged(tmp_path, host, setup, ending):
    path = reproducer(tmp_path, ["#> a trial", f"import world; world.trial({setup!r})"], watchdog=120)
    assert ending_of(path, host) == f"{host}: {ending}"
