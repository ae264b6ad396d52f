"""Shared set-up of the Python tests: they drive the built package plinx."""
import os
import subprocess
import sys
import textwrap

import pytest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
BUILD_DIR = os.environ.get("PLINX_BUILD_DIR", os.path.join(ROOT, "build"))
PACKAGE_DIR = os.path.join(BUILD_DIR, "python")

if PACKAGE_DIR not in sys.path:
    sys.path.insert(0, PACKAGE_DIR)
os.environ.setdefault("QT_QPA_PLATFORM", "offscreen")


def run_python(code, env=None, timeout=60):
    """Runs code in a fresh /usr/bin/python3 with the package on its path."""
    full_env = dict(os.environ)
    full_env["PYTHONPATH"] = PACKAGE_DIR
    full_env.update(env or {})
    return subprocess.run(["/usr/bin/python3", "-c", textwrap.dedent(code)], env=full_env,
                          capture_output=True, text=True, timeout=timeout)


@pytest.fixture
def python_process():
    return run_python
