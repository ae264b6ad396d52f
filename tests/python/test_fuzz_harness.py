"""The fuzz harness's own rules (tests/fuzz): how it tells a process that
died or hung from one that ended well, in both hosts, and that a journal's
statements make a reproducer that runs them as the worker did."""
import os
import subprocess
import sys

import pytest

from conftest import BUILD_DIR, ROOT

FUZZ_DIR = os.path.join(ROOT, "tests", "fuzz")
sys.path.insert(0, FUZZ_DIR)

import driver  # noqa: E402 (the harness's driver side; it needs no plinx)


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
