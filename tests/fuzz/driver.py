"""The driver side: runs a mode's units in worker processes, in either host,
restarts a worker after each death or hang at the next unit, and reports.

A death is a worker that ends before its journal says "# done" (a signal, an
exit status, or an exit that a callback forced); a hang is a unit that
outlives its time (the worker's watchdog dumps every thread's stack, then
the driver ends the process). A worker that judged a process of its own
and found it wrong (world.py) ends with a status of VERDICTS, or as that
process ended. Each one gives a reproducer: for the modes of statements, a
script of the unit's statements (prelude.py makes it run alone); for
`calls`, the journal's last calls and the seed.
"""
import concurrent.futures
import json
import os
import re
import shutil
import signal
import subprocess
import threading
import time

from statements import guard, parse_statements

HERE = os.path.dirname(os.path.abspath(__file__))
FUZZ_SCRIPT = os.path.join(HERE, "fuzz.py")
STATEMENT_MODES = ("graphs", "deletion", "callbacks", "threads", "world")
# Statuses of a worker that judged a process of its own (world.py) and found
# it wrong: what happened to that process, in the driver's words.
VERDICTS = {86: "wrong result", 87: "hang", 88: "death of a child", 89: "fault of the harness"}


class Death:
    """A worker that died or hung during a unit."""

    def __init__(self, mode, host, seed, kind, unit, lines, stderr, stacks, native=""):
        self.mode, self.host, self.seed = mode, host, seed
        self.kind = kind            # "SIGSEGV", "exit 3", "hang", "SIGSEGV at exit", ...
        self.unit = unit
        self.lines = lines          # the unit's journal lines
        self.stderr, self.stacks, self.native = stderr, stacks, native
        self.history = []           # the lines of the units the same worker ran before
        self.reproducer = self.process_reproducer = None
        self.replays = None         # how it happened again (replay())

    def last_statement(self):
        """The label and text of the statement the unit ran last."""
        statements = parse_statements(self.lines)
        return statements[-1] if statements else ("", "")

    def case(self):
        """A callbacks case as "family x misbehaviour": the kind's type, not
        its method or operation (one cause shows in many of them)."""
        case = next((line[3:].strip() for line in self.lines if line.startswith("## case: ")), "")
        if not case or "## then what is left is used" in self.lines:
            return ""
        kind, _, misbehaviour = case[len("case: "):].partition(" x ")
        return f"{kind.split('.')[0]} callback x {misbehaviour}"

    def signature(self):
        """What tells one fault from another: how the process ended, and
        where in the native code (when known: a sanitizer's report, or
        --native-stacks), else the case or the kind of the statement it ran
        last."""
        where = self.sanitizer() or (native_top(self.native) if self.native else "")
        if where:
            return f"{self.kind} | {self.mode} | {where}"
        if self.finding():
            return f"{self.kind} | {self.mode} | {self.finding()}"
        if self.kind.endswith(" at exit"):
            label = "the interpreter's exit"  # over what the unit left: its last statement tells nothing
        else:
            label = self.case() or self.crashing_statement() or self.last_statement()[0] or \
                (self.lines[-1] if self.lines else "")
        return f"{self.kind} | {self.mode} | {label}"

    def finding(self):
        """What a worker that judged a process of its own found wrong: its
        cause, as it printed it last ("world finding: KIND | CAUSE")."""
        found = [line for line in self.stderr.splitlines() if line.startswith("world finding: ")]
        return found[-1].split(" | ", 1)[-1] if found else ""

    def crashing_statement(self):
        """Of a race of threads, what the thread that died ran, or what the
        threads of a hang were stuck in (each thread's statement is the file
        name of its stack's top): "thread: .member()"."""
        if self.mode != "threads":
            return ""
        lines = self.stacks.splitlines()
        if self.kind == "hang":
            tops = [lines[index + 1] for index, line in enumerate(lines[:-1]) if line.startswith("Thread 0x")]
            stuck = sorted({statement_call(top) for top in tops if statement_call(top)})
            return "threads stuck in: " + ", ".join(stuck) if stuck else ""
        for index, line in enumerate(lines):
            if line.startswith("Current thread"):
                top = lines[index + 1] if index + 1 < len(lines) else ""
                return "thread: " + (statement_call(top) or "a thread without Python frames")
        return ""

    def sanitizer(self):
        """The sanitizer's report of the death, in one line: what and where."""
        lines = self.stderr.splitlines()
        for index, line in enumerate(lines):
            if "runtime error:" in line:
                place, what = line.split(" runtime error:", 1)
                return f"{os.path.basename(place)} runtime error:{re.sub(r'[0-9]+', 'N', what)[:90]}"
            match = re.search(r"ERROR: AddressSanitizer: (.+?)(?: on | \(|$)", line)
            if match:
                return f"AddressSanitizer {match.group(1)} in {first_own_frame(lines[index:])}"
        return ""


def statement_call(frame):
    """The outermost call of the statement a stack frame runs ("<thread N,
    statement M: TEXT>" file names), as ".member()"."""
    match = re.search(r'File "<thread \d+, statement \d+: (.*)>", line', frame)
    if not match:
        return ""
    calls = re.findall(r"(\.?\w+)\(", match.group(1))
    return calls[0] + "()" if calls else re.sub(r"\d+", "N", match.group(1))[:60]


def first_own_frame(lines):
    """The first frame of a sanitizer's stack in the project's own code."""
    for line in lines:
        match = re.search(r"#\d+ 0x[0-9a-f]+ in (.*?) (\S+)$", line.strip())
        if match and own_source(match.group(2)):
            return f"{match.group(1).split('(')[0][-80:]} {os.path.basename(match.group(2))}"
    return "?"


# --- Journals and reproducers ----------------------------------------------------------------------

def read_journal(path):
    try:
        with open(path, encoding="utf-8", errors="replace") as journal:
            return journal.read().splitlines()
    except OSError:
        return []


def journal_state(lines):
    """(last unit begun, last unit ended, calls so far, exiting, done)."""
    begun = ended = None
    calls = 0
    exiting = done = False
    for line in lines:
        if line.startswith("# unit "):
            begun = int(line.split()[2])
        elif line.startswith("# end "):
            parts = line.split()
            ended, calls = int(parts[2]), int(parts[3])
        elif line == "# exiting":
            exiting = True
        elif line == "# done":
            done = True
    return begun, ended, calls, exiting, done


def unit_lines(lines, unit):
    """The journal lines of one unit, markers excluded."""
    out, inside = [], False
    for line in lines:
        if line == f"# unit {unit}":
            inside = True
            out = []
        elif line.startswith("# unit ") or line.startswith("# end ") or line in ("# exiting", "# done"):
            inside = False
        elif inside:
            out.append(line)
    return out


REPRODUCER_HEADER = '''"""{title}

Run it in a plain interpreter or inside the application:
    PYTHONPATH={build}/python QT_QPA_PLATFORM=offscreen /usr/bin/python3 {file}
    QT_QPA_PLATFORM=offscreen {build}/tests/embed/plinx_embed_host {file}
Each statement runs inside `with quiet:` (an exception is fine; a dead or
hung process is the fault)."""
import sys
sys.path.insert(0, {here!r})
from prelude import *  # noqa: F401,F403
start(globals(), watchdog={watchdog})
'''


def reproducer_text(title, build, path, statements, notes=(), watchdog=60):
    """A script of the statements, each guarded as the worker ran it (the
    worker skipped a statement that does not compile; so does the script)."""
    parts = [REPRODUCER_HEADER.format(title=title, build=build, file=path, here=HERE, watchdog=watchdog)]
    parts += [f"# {note}" for note in notes]
    for label, source in statements:
        try:
            compile(guard(source), "<statement>", "exec")
        except SyntaxError:
            continue
        if label:
            parts.append(f"# {label}")
        parts.append(guard(source))
    return "\n".join(parts) + "\n"


def write_reproducer(death, folder, build, watchdog):
    """The unit's script; and, when its worker ran units before it, a script
    of them all (what the unit met may be what they left)."""
    os.makedirs(folder, exist_ok=True)
    stem = os.path.join(folder, f"{death.mode}-{death.host}-unit{death.unit}")
    ended = "the worker hung" if death.kind.startswith("hang") else f"its trial found: {death.kind}" \
        if death.kind in VERDICTS.values() else f"the worker died ({death.kind})"
    title = f"Fuzz mode {death.mode}, unit {death.unit}, seed {death.seed}, host {death.host}: {ended}."
    notes = [line[3:] for line in death.lines if line.startswith("## ")]
    death.reproducer = stem + ".py"
    with open(death.reproducer, "w", encoding="utf-8") as script:
        script.write(reproducer_text(title, build, death.reproducer, parse_statements(death.lines), notes, watchdog))
    if death.history:
        death.process_reproducer = stem + "-process.py"
        with open(death.process_reproducer, "w", encoding="utf-8") as script:
            script.write(reproducer_text(title + " With the units its worker ran before it.", build,
                                         death.process_reproducer, parse_statements(death.history + death.lines),
                                         notes, watchdog))


# --- Processes ---------------------------------------------------------------------------------------

def host_command(host, build, script):
    if host == "embed":
        return [os.path.join(build, "tests", "embed", "plinx_embed_host"), script]
    return ["/usr/bin/python3", script]


def host_environment(build, scratch):
    env = dict(os.environ)
    env["PYTHONPATH"] = os.pathsep.join([os.path.join(build, "python"), os.path.join(build, "tests", "probe"), HERE])
    env["QT_QPA_PLATFORM"] = "offscreen"
    env["XDG_CONFIG_HOME"] = os.path.join(scratch, "config")
    env["XDG_CACHE_HOME"] = os.path.join(scratch, "cache")
    env.pop("PLINX_FUZZ_WORKER", None)
    return env


def ending(status):
    """How a process ended, in words."""
    if status is None:
        return "hang"
    if status in VERDICTS:
        return VERDICTS[status]
    if status < 0:
        try:
            return signal.Signals(-status).name
        except ValueError:
            return f"signal {-status}"
    if status > 128 and status - 128 in signal.valid_signals():  # a host that reports a signal as a status
        return signal.Signals(status - 128).name
    return f"exit {status}"


def run_watched(command, env, cwd, stacks_path, journal_path, unit_timeout, out, err, native=False):
    """Runs the command until it ends or hangs; (status or None when it hung,
    native stacks of a hung process when asked)."""
    process = subprocess.Popen(command, env=env, cwd=cwd, stdout=out, stderr=err, start_new_session=True)
    last_size, last_change = -1, time.time()
    native_stacks = ""
    while True:
        try:
            status = process.wait(timeout=0.2)
            # A watchdog that ends the process itself (a reproducer's) still means a hang.
            return (None if watchdog_fired(stacks_path) else status), native_stacks
        except subprocess.TimeoutExpired:
            pass
        fired = watchdog_fired(stacks_path)
        size = os.path.getsize(journal_path) if os.path.exists(journal_path) else 0
        if size != last_size:
            last_size, last_change = size, time.time()
        # The watchdog fired, or the worker wrote nothing for much longer
        # than a unit may take (a hang the watchdog could not see).
        if fired or time.time() - last_change > unit_timeout * 2 + 30:
            if fired:
                time.sleep(1.0)  # let the dump end
            if native:
                native_stacks = attach_stacks(process.pid)
            try:
                os.killpg(process.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
            process.wait()
            return None, native_stacks


def watchdog_fired(stacks_path):
    return any(line.startswith("Timeout (") for line in read_journal(stacks_path))


def attach_stacks(pid):
    """Every thread's native stack of a live process (gdb attached)."""
    env = dict(os.environ)
    env.pop("LD_PRELOAD", None)
    try:
        result = subprocess.run(["gdb", "-batch", "-nx", "-p", str(pid), "-ex", "thread apply all bt 30"],
                                capture_output=True, text=True, timeout=120, env=env)
        return result.stdout
    except (OSError, subprocess.TimeoutExpired):
        return ""


def native_stack_of(script, host, build, scratch, timeout=180):
    """The native stack where a reproducer dies, from a run under gdb."""
    env = host_environment(build, scratch)
    preload = env.pop("LD_PRELOAD", "")  # the program's, not gdb's
    command = ["gdb", "-batch", "-nx", "-ex", "set pagination off"] + \
        (["-ex", f"set environment LD_PRELOAD {preload}"] if preload else []) + \
        ["-ex", "run", "-ex", "bt 40", "--args"] + host_command(host, build, script)
    try:
        result = subprocess.run(command, env=env, capture_output=True, text=True, timeout=timeout, cwd=scratch)
        return result.stdout
    except (OSError, subprocess.TimeoutExpired):
        return ""


def regroup_by_native_stacks(groups, options, host):
    """The groups again, by where each one's first death dies in the native
    code (its reproducer run under gdb): one cause often shows behind many
    statements."""
    firsts = [members[0] for members in groups.values()
              if not members[0].native and not members[0].kind.startswith("hang")]
    with concurrent.futures.ThreadPoolExecutor(options.jobs) as pool:
        stacks = pool.map(lambda death: native_stack_of(death.reproducer, host, options.build, options.scratch),
                          firsts)
        for death, stack in zip(firsts, stacks):
            death.native = stack
    regrouped = {}
    for members in groups.values():
        for death in members:
            death.native = death.native or members[0].native
        regrouped.setdefault(members[0].signature(), []).extend(members)
    return regrouped


# The project's own source folders (Project, shiboken, platform, ...).
OWN_FOLDERS = {name for name in os.listdir(os.path.dirname(os.path.dirname(HERE)))
               if not name.startswith((".", "build")) and os.path.isdir(os.path.join(HERE, "..", "..", name))}


def own_source(path):
    """Whether a source file of a stack frame is the project's own (not the C
    library's, the C++ library's or the sanitizer's)."""
    within = "/" + re.sub(r"^(\.\.?/)+", "", path)
    return not path.startswith("/usr") and any(f"/{folder}/" in within for folder in OWN_FOLDERS)


def native_top(stack, count=3):
    """The first frames of the project's own code in a gdb backtrace."""
    frames = []
    for line in stack.splitlines():
        if not re.match(r"#\d+ ", line) or " at " not in line:
            continue
        where = line.rsplit(" at ", 1)[1].strip()
        function = re.sub(r"^#\d+\s+(0x[0-9a-f]+ in )?", "", line).split(" (", 1)[0]
        while "<" in function and re.search(r"<[^<>]*>", function):  # one name for every instance of a template
            function = re.sub(r"<[^<>]*>", "", function)
        if own_source(where):
            frames.append(f"{function[-70:]} {os.path.basename(where)}")
        if len(frames) == count:
            break
    return " < ".join(frames)


class Slice:
    """Units first..first+count-1 of one mode in one host, run by workers one
    after the other: after a death or a hang, the next unit in a new worker."""

    def __init__(self, options, mode, host, first, count, scratch, deadline):
        self.options, self.mode, self.host = options, mode, host
        self.first, self.count = first, count
        self.scratch = scratch
        self.deadline = deadline  # no unit begins after it
        self.work = os.path.join(scratch, f"work-{mode}-{host}-{first}")
        os.makedirs(self.work, exist_ok=True)
        self.deaths, self.calls, self.units, self.raised = [], 0, 0, {}

    def run(self):
        position, end = self.first, self.first + self.count
        env = host_environment(self.options.build, self.scratch)
        while position < end and time.time() < self.deadline:
            stem = os.path.join(self.scratch, f"{self.mode}-{self.host}-{self.first}-{position}")
            config = {"mode": self.mode, "seed": self.options.seed, "first": position, "count": end - position,
                      "journal": stem + ".journal", "stacks": stem + ".stacks",
                      "unit_timeout": self.options.unit_timeout[self.mode], "skip": self.options.skip,
                      "deadline": self.deadline}
            env["PLINX_FUZZ_WORKER"] = json.dumps(config)
            with open(stem + ".out", "w") as out, open(stem + ".err", "w") as err:
                status, native = run_watched(host_command(self.host, self.options.build, FUZZ_SCRIPT), env,
                                             self.work, config["stacks"], config["journal"],
                                             config["unit_timeout"], out, err, self.options.native_stacks)
            lines = read_journal(config["journal"])
            begun, ended, calls, exiting, done = journal_state(lines)
            self.calls += calls
            self.units += (ended - position + 1) if ended is not None else 0
            self.count_raised(lines)
            if begun is None:
                raise SystemExit(f"the {self.mode} worker did not start ({ending(status)}):\n"
                                 + "".join(read_journal(stem + ".err")[-40:]))
            if status == 0 and done:
                return
            if status == 0 and exiting:
                position = ended + 1
                continue
            at_exit = exiting and ended == begun
            kind = ending(status) + (" at exit" if at_exit else "")
            if not at_exit:  # the dead unit, and the statements it ran (a race counts as one)
                self.units += 1
                self.calls += len(parse_statements(unit_lines(lines, begun)))
            death = Death(self.mode, self.host, self.options.seed, kind, begun, unit_lines(lines, begun),
                          "\n".join(read_journal(stem + ".err")[-60:]),
                          "\n".join(read_journal(config["stacks"])[-120:]), native)
            death.history = [line for unit in range(position, begun) for line in unit_lines(lines, unit)]
            self.deaths.append(death)
            position = begun + 1

    def count_raised(self, lines):
        for line in lines:
            if line.startswith("# raised "):
                for name, count in json.loads(line[len("# raised "):]).items():
                    self.raised[name] = self.raised.get(name, 0) + count


def count_units(options, mode, host):
    """How many units the mode makes of the budget in this host (a worker
    discovers the types and the cases)."""
    env = host_environment(options.build, options.scratch)
    env["PLINX_FUZZ_WORKER"] = json.dumps({"mode": mode, "count_units": options.calls, "seed": options.seed})
    folder = os.path.join(options.scratch, "count")
    os.makedirs(folder, exist_ok=True)
    result = subprocess.run(host_command(host, options.build, FUZZ_SCRIPT), env=env, cwd=folder,
                            capture_output=True, text=True, timeout=300)
    for line in reversed(result.stdout.splitlines()):
        if line.startswith("UNITS "):
            return int(line.split()[1])
    raise SystemExit(f"cannot count the units of {mode} in {host}:\n{result.stdout[-2000:]}{result.stderr[-2000:]}")


def run_mode(options, mode, host, deadline=float("inf")):
    """Runs the mode in the host, beginning no unit after the deadline; a
    Result."""
    started = time.time()
    units = count_units(options, mode, host)
    per_job = (units + options.jobs - 1) // options.jobs
    slices = [Slice(options, mode, host, i * per_job, min(per_job, units - i * per_job), options.scratch, deadline)
              for i in range(options.jobs) if i * per_job < units]
    threads = [threading.Thread(target=piece.run) for piece in slices]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    deaths = [death for piece in slices for death in piece.deaths]
    raised = {}
    for piece in slices:
        for name, count in piece.raised.items():
            raised[name] = raised.get(name, 0) + count
    return Result(units, sum(piece.units for piece in slices), sum(piece.calls for piece in slices), deaths, raised,
                  time.time() - started)


class Result:
    """What a mode did in a host: units planned and run, calls, deaths and
    hangs, exceptions raised by type, seconds."""

    def __init__(self, planned, units, calls, deaths, raised, seconds):
        self.planned, self.units, self.calls = planned, units, calls
        self.deaths, self.raised, self.seconds = deaths, raised, seconds
        self.hangs = sum(1 for death in deaths if death.kind.startswith("hang"))
        self.wrong = sum(1 for death in deaths if death.kind == "wrong result")
        self.died = len(deaths) - self.hangs - self.wrong

    def figures(self, mode):
        what = "cases" if mode == "callbacks" else "runs" if mode == "threads" else "units"
        run = f"{self.units} {what}" + (f" of {self.planned} (time limit)" if self.units < self.planned else "")
        return f"{run}, {self.calls} calls, {self.died} process deaths, {self.hangs} hangs" + \
            (f", {self.wrong} wrong results" if mode == "world" else "")


def ends_as(death, script, options):
    """Whether the script ends the way the unit did (threads: in any of
    three runs)."""
    env = host_environment(options.build, options.scratch)
    expected = death.kind.split(" at exit")[0]
    for _ in range(3 if death.mode == "threads" else 1):
        err = script + ".err"
        with open(script + ".out", "w") as out, open(err, "w") as errors:
            status, _ = run_watched(host_command(death.host, options.build, script), env, options.scratch, err,
                                    err, options.unit_timeout[death.mode], out, errors)
        if ("hang" if status is None else ending(status)) == expected:
            return True
    return False


def replay(death, options):
    """How the death happens again: "alone", "with the units before it", or
    "does not end so again"."""
    if ends_as(death, death.reproducer, options):
        return "alone"
    if death.process_reproducer and ends_as(death, death.process_reproducer, options):
        return "with the units before it"
    return "does not end so again"


# --- Report ------------------------------------------------------------------------------------------

def report(options, mode, host, result, deadline=float("inf")):
    deaths, raised = result.deaths, result.raised
    print(f"fuzz {mode} ({host}): {result.figures(mode)}, seed {options.seed}, {result.seconds:.0f} s", flush=True)
    if raised:
        print("  exceptions the statements raised (in workers that ended well): " + ", ".join(
            f"{name} {count}" for name, count in sorted(raised.items(), key=lambda kv: -kv[1])[:12]))
    if not deaths:
        return
    groups = {}
    for death in deaths:
        if mode in STATEMENT_MODES:
            write_reproducer(death, os.path.join(options.scratch, "reproducers"), options.build,
                             options.unit_timeout[mode])
        groups.setdefault(death.signature(), []).append(death)
    if options.native_stacks and mode in STATEMENT_MODES:
        groups = regroup_by_native_stacks(groups, options, host)
    if options.replay and time.time() < deadline:
        firsts = [members[0] for members in groups.values() if members[0].reproducer]
        with concurrent.futures.ThreadPoolExecutor(options.jobs) as pool:
            for death, replays in zip(firsts, pool.map(lambda death: replay(death, options), firsts)):
                death.replays = replays
    for signature, members in groups.items():
        first = members[0]
        print(f"\n--- {len(members)} x {signature}")
        if first.reproducer:
            print(f"    reproducer: {first.reproducer}" + (f"  (replayed: {first.replays})" if first.replays else ""))
            if first.replays == "with the units before it":
                print(f"    with the units before it: {first.process_reproducer}")
            for note in [line[3:] for line in first.lines if line.startswith("## ")]:
                print(f"    {note}")
            label, source = first.last_statement()
            print(f"    last statement ({label}): " + source.splitlines()[0][:300] if source else "")
        else:
            print(f"    at call {first.unit}; reproduce with --mode {mode} --host {host} --seed {first.seed}; "
                  "last call:")
            for line in [line for line in first.lines if not line.startswith("#")][-3:]:
                print("        " + line[:300])
        if first.native:
            print("    native: " + native_top(first.native, 6))
        tail = first.stacks.strip() or first.stderr.strip()
        for line in tail.splitlines()[-14:]:
            print("    | " + line[:200])



def summary(options, results):
    """The figures of every mode and host; the scratch folder goes unless
    something failed (its journals and reproducers stay then)."""
    print("\nfuzz summary (seed %d):" % options.seed)
    print("  %-10s %-7s %8s %9s %7s %6s %6s %6s" % ("mode", "host", "units", "calls", "deaths", "hangs", "wrong", "s"))
    for (mode, host), result in results.items():
        print("  %-10s %-7s %8s %9d %7d %6d %6d %6.0f" % (
            mode, host, result.units if result.units == result.planned else f"{result.units}/{result.planned}",
            result.calls, result.died, result.hangs, result.wrong, result.seconds))
    if any(result.deaths for result in results.values()):
        print(f"  journals and reproducers: {options.scratch}")
    else:
        shutil.rmtree(options.scratch, ignore_errors=True)
