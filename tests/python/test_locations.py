"""The package finds the module and its companions with nothing set: from a source checkout
after the default build, and installed."""

import os

import pytest

from conftest import ROOT, run_python

ONE_LINER = 'import gpibscope; print(gpibscope.acquire("tektronix", gpib="sim").points)'


def clean_environment(**extra):
    unset = ("GPIBSIM_BENCH", "GPIBSCOPE_MODULE", "LD_LIBRARY_PATH", "PYTHONPATH")
    return {**{k: v for k, v in os.environ.items() if k not in unset}, **extra}


def test_the_one_liner_from_the_source_checkout():
    result = run_python(ONE_LINER, env=clean_environment(PYTHONPATH="python"), cwd=ROOT)
    assert result.stdout == "15000\n", result.stderr


def test_the_installed_package(tmp_path):
    prefix = os.environ.get("GPIBSCOPE_INSTALLED_PREFIX")
    if not prefix:
        pytest.skip("GPIBSCOPE_INSTALLED_PREFIX names no installation (scripts/install-check.sh)")
    packages = os.path.join(prefix, "lib", "python3", "dist-packages")
    # The viewer's page too: its template is found where the installation put it.
    code = ('import gpibscope; a = gpibscope.acquire("tektronix", gpib="sim"); '
            'a.to_html("page.html"); print(a.points, gpibscope.__file__)')
    result = run_python(code, env=clean_environment(PYTHONPATH=packages), cwd=tmp_path)
    points, location = result.stdout.split()
    assert points == "15000", result.stderr
    assert location == os.path.join(packages, "gpibscope", "__init__.py")
    assert "__GPIBSCOPE_ACQUISITION__" not in (tmp_path / "page.html").read_text()
