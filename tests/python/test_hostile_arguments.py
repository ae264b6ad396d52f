"""Arguments that fight their conversion: iterations that raise, lengths no
container can hold, values that hold themselves. Each raises its own error
(MemoryError for what cannot be allocated) and the process lives on. The
table runs in a process of its own, so that a regression kills that process
and fails every row, not the suite."""
import json

import pytest

from conftest import run_python

# Values that break a naive conversion, written as Python expressions.
VALUES = {
    "iteration raises": "Breaking()",
    "length too big": "range(10 ** 10)",
    "list whose iteration raises": "BreakingList(['a'])",
    "list claiming a huge length": "HugeList(['a'])",
    "sequence claiming a huge length": "HugeSequence()",
    "list holding itself": "holding_itself()",
    "nested too deep": "nested(100000)",
}

# Calls that take a value, by the kind of conversion the value meets.
CALLS = {
    "string list (name_components)": "clip.parameter(value)",
    "string list (parameter_set)": "project.parameter_set(value)",
    "string list (constructor)": "type('M', (m.AbstractImageIOModule,), {})('M', value, [], [])",
    "variant (settings)": "i.set_setting_value('hostile', value, False)",
    "variant list (settings)": "i.set_setting_value('hostile', [value], False)",
    "variant map (settings)": "i.set_setting_value('hostile', {'k': value}, False)",
    "list of layers": "project.add_group('G', value)",
}

# The error each call raises for each value; None where the value converts.
# A string list takes iterables only; a variant keeps what it cannot take
# apart as a Python object, which the settings refuse.
STRING_LIST = ["ValueError", "MemoryError", "ValueError", "MemoryError", "TypeError", None, None]
VARIANT = ["TypeError", "TypeError", "ValueError", "MemoryError", "TypeError", "RecursionError", "RecursionError"]
EXPECTED = {
    "string list (name_components)": STRING_LIST,
    "string list (parameter_set)": STRING_LIST,
    "string list (constructor)": STRING_LIST,
    "variant (settings)": VARIANT,
    "variant list (settings)": VARIANT,
    "variant map (settings)": VARIANT,
    "list of layers": ["TypeError", "MemoryError", "TypeError", "MemoryError", "MemoryError", "TypeError",
                       "TypeError"],
}

TABLE = """
import json, os, sys
import plinx._init as i
import plinx.mediaio as m
import plinx.project as p

class Breaking:
    def __iter__(self):
        raise ValueError("no iteration")
    def __len__(self):
        return 2
    def __getitem__(self, index):
        raise ValueError("no item")

class BreakingList(list):
    def __iter__(self):
        raise ValueError("no iteration")

class HugeList(list):
    def __len__(self):
        return 10 ** 10

class HugeSequence:
    # Claims more items than any container holds; each of them converts.
    def __init__(self):
        self.layer = LAYER
    def __len__(self):
        return 10 ** 10
    def __getitem__(self, index):
        if index >= 10 ** 10:
            raise IndexError(index)
        return self.layer if self.layer is not None else "a"

def holding_itself():
    value = []
    value.append(value)
    return value

def nested(depth):
    value = []
    for _ in range(depth):
        value = [value]
    return value

project = p.Project(p.Clip(%(first)r, "shot"))
clip = project.clips["shot"]
LAYER = None
results = {}
for call_name, call in %(calls)r.items():
    LAYER = project.add_layer(clip, "L") if "layers" in call_name else None
    row = []
    for value_name, expression in %(values)r.items():
        value = eval(expression)
        try:
            eval(call)
            row.append(None)
        except BaseException as error:
            row.append(type(error).__name__)
    results[call_name] = row
print(json.dumps(results))
"""


@pytest.fixture(scope="module")
def outcomes(tmp_path_factory):
    from conftest import write_frames
    folder = tmp_path_factory.mktemp("hostile")
    first = write_frames(folder / "footage", count=1)
    ran = run_python(TABLE % {"first": first, "calls": CALLS, "values": VALUES}, timeout=300,
                     env={"XDG_CONFIG_HOME": str(folder / "config")})
    assert ran.returncode == 0, ran.stdout + ran.stderr
    return json.loads(ran.stdout.splitlines()[-1])


@pytest.mark.xdist_group("hostile_outcomes")
@pytest.mark.parametrize("call", CALLS)
def test_hostile_values_raise_their_own_errors(outcomes, call):
    assert dict(zip(VALUES, outcomes[call])) == dict(zip(VALUES, EXPECTED[call]))


def test_memory_exhaustion_in_any_call_is_a_memory_error():
    ran = run_python("""
        import bindingprobe as b
        class Huge:
            def __len__(self):
                return 10 ** 10
            def __getitem__(self, index):
                return "a"
        for call in (b.Probe.fail_allocation, lambda: b.Probe.strings_of_vector(Huge()),
                     lambda: b.Probe.strings(range(10 ** 10))):
            try:
                call()
            except MemoryError:
                print("MemoryError")
    """)
    assert (ran.returncode, ran.stdout.split()) == (0, ["MemoryError"] * 3), ran.stderr
