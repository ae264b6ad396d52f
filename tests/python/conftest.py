"""Shared set-up of the Python tests: they drive the built package plinx.

make test runs them in parallel worker processes (pytest-xdist, --dist
loadgroup), each worker a test at a time; then the tests marked `serial`,
alone. Each process has its own home, settings, cache and temporary folders
(below), so tests that write there never meet; everything else a test writes
goes below tmp_path. Tests that read the results of one expensive
module-scoped fixture share a `pytest.mark.xdist_group` so that the fixture
runs once."""
import atexit
import os
import re
import shutil
import subprocess
import sys
import tempfile
import textwrap

import pytest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
BUILD_DIR = os.environ.get("PLINX_BUILD_DIR", os.path.join(ROOT, "build"))
PACKAGE_DIR = os.path.join(BUILD_DIR, "python")

PROBE_DIR = os.path.join(BUILD_DIR, "tests", "probe")

for path in (PACKAGE_DIR, PROBE_DIR):
    if path not in sys.path:
        sys.path.insert(0, path)
os.environ.setdefault("QT_QPA_PLATFORM", "offscreen")
# Tests never touch the user's own settings, caches and documents (a
# project's default output folder), nor another test process's; the
# processes they start make their temporary files here too.
_SCRATCH = tempfile.mkdtemp(prefix="plinx-tests-")
atexit.register(shutil.rmtree, _SCRATCH, ignore_errors=True)
for variable, folder in [("HOME", "home"), ("XDG_CONFIG_HOME", "config"), ("XDG_CACHE_HOME", "cache"),
                         ("TMPDIR", "tmp")]:
    os.environ[variable] = os.path.join(_SCRATCH, folder)
    os.makedirs(os.environ[variable])


def pytest_configure(config):
    config.addinivalue_line("markers", "serial: runs alone, after the tests that run in parallel")


def run_python(code, env=None, timeout=60):
    """Runs code in a fresh /usr/bin/python3 with the package on its path."""
    full_env = dict(os.environ)
    full_env["PYTHONPATH"] = os.pathsep.join([PACKAGE_DIR, PROBE_DIR])
    full_env.update(env or {})
    return subprocess.run(["/usr/bin/python3", "-c", textwrap.dedent(code)], env=full_env,
                          capture_output=True, text=True, timeout=timeout)


@pytest.fixture
def python_process():
    return run_python


EMBED_HOST = os.path.join(BUILD_DIR, "tests", "embed", "plinx_embed_host")


def run_embedded(code, tmp_path, env=None, report_progress=False, timeout=60):
    """Runs code inside the embedding host, as the GUI application runs scripts."""
    script = tmp_path / "embedded_script.py"
    script.write_text(textwrap.dedent(code))
    full_env = dict(os.environ)
    full_env["PYTHONPATH"] = PACKAGE_DIR
    if report_progress:
        full_env["PLINX_HOST_REPORT_PROGRESS"] = "1"
    full_env.update(env or {})
    return subprocess.run([EMBED_HOST, str(script)], env=full_env, capture_output=True, text=True,
                          timeout=timeout)


@pytest.fixture
def isolated_env(tmp_path):
    """An environment with its own settings folder and log file."""
    config = tmp_path / "config"
    config.mkdir()
    return {
        "XDG_CONFIG_HOME": str(config),
        "XDG_CACHE_HOME": str(tmp_path / "cache"),
        "PLINX_LOG_FILE": str(tmp_path / "plinx.log"),
    }


def log_lines(env):
    path = env["PLINX_LOG_FILE"]
    if not os.path.exists(path):
        return []
    with open(path, encoding="utf-8") as log:
        return log.read().splitlines()


# --- Footage ------------------------------------------------------------------------

def write_frames(folder, name="shot", count=5, first=1, size=(40, 30)):
    """Writes a numbered PNG sequence (name.0001.png...); returns its first file."""
    from PySide2 import QtGui
    os.makedirs(folder, exist_ok=True)
    paths = []
    for index in range(first, first + count):
        image = QtGui.QImage(size[0], size[1], QtGui.QImage.Format_RGB32)
        image.fill(QtGui.QColor((index * 40) % 256, 90, 160))
        paths.append(os.path.join(str(folder), "%s.%04d.png" % (name, index)))
        assert image.save(paths[-1])
    return paths[0]


@pytest.fixture
def footage(tmp_path):
    """Five 40x30 frames, shot.0001.png to shot.0005.png."""
    return write_frames(tmp_path / "footage")


@pytest.fixture
def project(footage):
    """A project over the footage, its clip named "shot"."""
    import plinx.project as p  # the test module has started the core
    return p.Project(p.Clip(footage, "shot"))


def raises(error, text):
    """pytest.raises for an exact message."""
    return pytest.raises(error, match="^" + re.escape(text) + "$")
