"""The package from this checkout, against the default build (build/), as the README's
one-liner uses it; scopehost of the same build is the host it is compared with."""

import os
import subprocess
import sys

import pytest

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), os.pardir, os.pardir))
sys.path.insert(0, os.path.join(ROOT, "python"))
SCOPEHOST = os.path.join(ROOT, "build", "bin", "scopehost")
DEVICES = ["hameg1", "hameg2", "tektronix", "philips"]

# The simulated library would start with this bench instead of the default one.
os.environ.pop("GPIBSIM_BENCH", None)
os.environ.pop("GPIBSCOPE_MODULE", None)


def run_python(code, env=None, cwd=None):
    """Runs code in a fresh Debian python3 (one GPIB library per process); the result."""
    return subprocess.run(["/usr/bin/python3", "-c", code], env=env, cwd=cwd,
                          capture_output=True, text=True, timeout=120)


@pytest.fixture(scope="session")
def scopehost():
    if not os.access(SCOPEHOST, os.X_OK):
        pytest.fail(f"no {SCOPEHOST}: build the default preset first")
    return SCOPEHOST
