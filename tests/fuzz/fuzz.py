"""Randomized use of the plinx modules, in worker processes that may die.

    /usr/bin/python3 tests/fuzz/fuzz.py [--mode all|calls|graphs|deletion|callbacks|threads|world]
        [--host both|python|embed] [--calls N] [--seed N] [--jobs 4]
    /usr/bin/python3 tests/fuzz/fuzz.py --run REPRODUCER.py [--host ...]
    /usr/bin/python3 tests/fuzz/fuzz.py --reduce REPRODUCER.py [--host ...]

Modes (each finds the types, members and callbacks it drives by itself):
  calls      randomized calls on one object at a time (calls.py)
  graphs     whole projects, several at once, randomized calls over the graph (graphs.py)
  deletion   objects die at every point, then everything is used (deletion.py)
  callbacks  (callback kind x misbehaviour), a case a unit (callbacks.py)
  threads    4 to 8 threads on one project, a process a run (threads.py)
  world      the world outside the process: failing writes, limits, signals,
             fork, multiprocessing, exit with threads in calls; each trial a
             process of its own, judged afterwards (world.py)

Hosts: a plain interpreter, and the embedding host (the application's way
of running scripts: tools, the overlay, the application's project). Workers
run slices of a mode's units; each unit and each statement is written to the
worker's journal before it runs, and a watchdog dumps every thread's stack
when a unit outlives its time. A process death or a hang fails the run; each
prints its reproducer (a script for the modes of statements, the last calls
and the seed for `calls`), grouped by how the process ended and what ran
last. A trial of `world` whose outcome is wrong (a call that reported
success over files that do not read back, an unclear exception, a file left
half written) fails the run as a "wrong result", reported like a death. The
same seed makes the same units.

--calls is the budget: calls for `calls`, about as many statements for
`graphs` and `deletion`, one case per 25 for `callbacks` (all of them when
the budget is large enough), one run of threads per 1000 for `threads`, one
trial per 250 for `world`.

Out of scope: patterns that crash PySide2's own objects in the same way.
  - Deleting one object twice with shiboken2.delete (the runtime frees it
    twice): the harness deletes only objects that are still valid.
  - Calling shiboken2.delete on the QCoreApplication while events are
    being delivered.
  - __init__ again on a PySide2 object that was deleted.
  - A cycle of Qt parents.
  - SystemExit from a slot: PySide2's signals end the process on it.
"""
import argparse
import json
import os
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, HERE)

MODES = ["calls", "graphs", "deletion", "callbacks", "threads", "world"]
# A unit's time before it counts as hung, by mode (a trial of `world` gives
# its child half a minute of its own).
UNIT_TIMEOUTS = {"calls": 30, "graphs": 60, "deletion": 60, "callbacks": 30, "threads": 60, "world": 90}


def mode_list(text):
    """--mode: "all", or modes separated by commas, in the order given."""
    if text == "all":
        return list(MODES)
    modes = text.split(",")
    unknown = [mode for mode in modes if mode not in MODES]
    if unknown or not modes:
        raise argparse.ArgumentTypeError("unknown mode %s (modes: all, %s)" % (", ".join(unknown), ", ".join(MODES)))
    return modes


def count_main(config):
    """Prints how many units the mode makes of the budget in this host."""
    import plinx._init  # noqa: F401
    import discovery
    import modes
    import prelude
    types, _ = discovery.discover(discovery.load_modules())
    units = modes.MODES[config["mode"]]().units(config["count_units"], types, prelude.EMBEDDED)
    print(f"UNITS {units}", flush=True)
    os._exit(0)


def sanitize():
    """Workers of the sanitizer build, with its runtime preloaded into the
    interpreter as make test-asan does."""
    runtime = [subprocess.run(["gcc", "-print-file-name=" + name], capture_output=True, text=True).stdout.strip()
               for name in ("libasan.so", "libstdc++.so")]
    os.environ["LD_PRELOAD"] = " ".join(runtime)
    # The address space cannot be limited under the sanitizer: its resident size is.
    os.environ["ASAN_OPTIONS"] = "detect_leaks=0:malloc_fill_byte=0:abort_on_error=1:detect_odr_violation=0:" \
                                 "hard_rss_limit_mb=4096"
    os.environ["UBSAN_OPTIONS"] = "halt_on_error=1:print_stacktrace=1"


def options_of(argv):
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--mode", type=mode_list, default=list(MODES),
                        help="all, or modes separated by commas")
    parser.add_argument("--host", choices=["both", "python", "embed"], default="both")
    parser.add_argument("--calls", type=int, default=100000, help="the budget (see above)")
    parser.add_argument("--seed", type=int, default=None)
    parser.add_argument("--jobs", type=int, default=4)
    parser.add_argument("--build", default=None,
                        help="the build (default: $PLINX_BUILD_DIR, else build/, or build-asan/ when sanitized)")
    parser.add_argument("--unit-timeout", type=int, default=None, help="seconds before a unit counts as hung")
    parser.add_argument("--time-limit", type=float, default=None,
                        help="seconds for the whole run, shared out among the modes and hosts: no unit begins "
                             "after its share (units left undone are reported, not failed)")
    parser.add_argument("--no-replay", dest="replay", action="store_false",
                        help="do not check that each reproducer dies alone")
    parser.add_argument("--native-stacks", action="store_true",
                        help="group deaths by their native stack too (gdb)")
    parser.add_argument("--sanitized", action="store_true",
                        help="drive the sanitizer build (build-asan/, as make test-asan makes it): memory "
                             "errors that would not kill the process do")
    parser.add_argument("--skip", metavar="REGEX",
                        help="run no statement that matches (faults already known, while their fix is on its way)")
    parser.add_argument("--run", metavar="SCRIPT", help="run a reproducer and say how it ended")
    parser.add_argument("--reduce", metavar="SCRIPT", help="shrink a reproducer to the statements its death needs")
    options = parser.parse_args(argv)
    if options.sanitized:
        sanitize()
    default = os.path.join(ROOT, "build-asan") if options.sanitized else \
        os.environ.get("PLINX_BUILD_DIR") or os.path.join(ROOT, "build")
    options.build = os.path.abspath(options.build or default)
    options.seed = options.seed if options.seed is not None else int(time.time()) % 100000
    options.unit_timeout = {mode: options.unit_timeout or timeout for mode, timeout in UNIT_TIMEOUTS.items()}
    options.scratch = tempfile.mkdtemp(prefix="plinx-fuzz-")
    os.environ["PLINX_FUZZ_SCRATCH"] = options.scratch  # where reproducers run
    return options


def driver_main(argv):
    import driver
    options = options_of(argv)
    hosts = ["python", "embed"] if options.host == "both" else [options.host]
    if options.run or options.reduce:
        import reduce
        for host in hosts:
            if options.run:
                print(f"{host}: {reduce.outcome(options.run, host, options)}", flush=True)
            else:
                print(reduce.reduce(options.reduce, host, options), flush=True)
        shutil.rmtree(options.scratch, ignore_errors=True)
        return 0
    modes = options.mode
    print(f"fuzz: seed {options.seed}, scratch {options.scratch}", flush=True)
    results = {}
    pairs = [(mode, host) for host in hosts for mode in modes]
    end = time.time() + options.time_limit if options.time_limit else float("inf")
    for index, (mode, host) in enumerate(pairs):
        # Each mode and host gets an even share of the time left.
        deadline = time.time() + (end - time.time()) / (len(pairs) - index) if options.time_limit else end
        results[mode, host] = driver.run_mode(options, mode, host, deadline)
        driver.report(options, mode, host, results[mode, host], deadline)
    driver.summary(options, results)
    return 1 if any(result.deaths for result in results.values()) else 0


if __name__ == "__main__":
    if os.environ.get("PLINX_FUZZ_WORKER"):
        configuration = json.loads(os.environ.pop("PLINX_FUZZ_WORKER"))
        if "count_units" in configuration:
            count_main(configuration)
        else:
            import worker
            worker.worker_main(configuration)
    else:
        sys.exit(driver_main(sys.argv[1:]))
