"""The worker side: a process (plain interpreter or embedding host) that runs
a slice of one mode's units, writing each unit and each of its statements to
its journal before it runs, under a watchdog that dumps every thread's stack
when a unit outlives its time.

Journal lines:
    # started                    the process runs
    # unit N                     unit N begins
    #> label                     the next statement's kind (for reports)
    <statement>                  a statement (indented lines continue it)
    # end N CALLS SECONDS        unit N ended; statements (or calls) so far; its time
    # raised {"TypeError": 3}    what the statements raised, by type
    # exiting                    the process ends here with a full interpreter exit
    # done                       the slice ran to its end
"""
import ctypes
import faulthandler
import json
import os
import random
import re
import signal
import sys
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))


class Journal:
    def __init__(self, path):
        self.file = open(path, "a", encoding="utf-8")  # noqa: SIM115 (open for the process's life)
        self.lock = threading.Lock()

    def write(self, text):
        with self.lock:
            self.file.write(text + "\n")
            self.file.flush()


class Runner:
    """Runs statements in the namespace, each journaled before it runs, each
    inside `with quiet:` (raising is fine; dying is not)."""

    def __init__(self, journal, namespace, prelude, skip=None):
        self.journal, self.namespace, self.prelude = journal, namespace, prelude
        self.skip = re.compile(skip) if skip else None
        self.statements = 0

    @property
    def calls(self):
        """Statements run, those of threads included."""
        return self.statements + self.prelude.counted["statements"]

    def __call__(self, source, label=""):
        if self.skip and self.skip.search(source):  # a known fault, passed over
            return
        if label:
            self.journal.write("#> " + label)
        self.journal.write(source)
        self.statements += 1
        try:
            code = compile(self.prelude.guard(source), self.prelude.where("statement", source), "exec")
        except SyntaxError as error:  # a fault of the harness: say so, run on
            self.journal.write(f"# syntax error: {error}")
            return
        exec(code, self.namespace)  # noqa: S102 (the harness's own generated statements)


class Context:
    """What a mode's unit gets: its number, its random source, the runner of
    statements and their namespace, the discovered types and functions."""

    def __init__(self, index, seed, mode, runner, namespace, journal, types, functions, embedded):
        self.index = index
        self.seed = seed
        self.rng = random.Random(f"{seed}:{mode}:{index}")
        self.run = runner
        self.namespace = namespace
        self.journal = journal
        self.types = types
        self.functions = functions
        self.embedded = embedded


def fresh_namespace(prelude):
    namespace = {name: getattr(prelude, name) for name in prelude.__all__}
    namespace["__builtins__"] = __builtins__
    return prelude.start(namespace, os.getcwd())


def worker_main(config):
    """Runs units first..first+count-1 of the mode; see the journal lines above."""
    ctypes.CDLL(None).prctl(1, signal.SIGKILL)  # PR_SET_PDEATHSIG: the worker dies with its driver
    journal = Journal(config["journal"])
    journal.write("# started")
    stacks = open(config["stacks"], "a", encoding="utf-8")  # noqa: SIM115
    faulthandler.enable(file=stacks, all_threads=True)
    sys.path.insert(0, HERE)
    import plinx._init  # noqa: F401 (starts the core first, as scripts do)
    import discovery
    import modes
    import prelude

    types, functions = discovery.discover(discovery.load_modules())
    mode = modes.MODES[config["mode"]]()
    namespace = fresh_namespace(prelude)
    faulthandler.enable(file=stacks, all_threads=True)  # start() enabled it on stderr
    runner = Runner(journal, namespace, prelude, config.get("skip"))
    first, count = config["first"], config["count"]
    for index in range(first, first + count):
        journal.write(f"# unit {index}")
        faulthandler.dump_traceback_later(config["unit_timeout"], file=stacks)
        context = Context(index, config["seed"], config["mode"], runner, namespace, journal, types, functions,
                          prelude.EMBEDDED)
        began = time.time()
        mode.run_unit(context)
        faulthandler.cancel_dump_traceback_later()
        journal.write(f"# end {index} {runner.calls} {time.time() - began:.2f}")
        if mode.exits_after(context):
            journal.write("# raised " + json.dumps(dict(prelude.quiet.raised)))
            journal.write("# exiting")
            return  # the interpreter's own exit, with what the unit left
        if time.time() > config.get("deadline", float("inf")):
            break  # the run's time is up: the slice ends here
    journal.write("# raised " + json.dumps(dict(prelude.quiet.raised)))
    journal.write("# done")
    os._exit(0)  # what the units left would only slow a full exit down
