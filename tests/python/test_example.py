"""The example script runs as its usage line says and writes its plot and PWL files."""

import os
import subprocess

import pytest

from conftest import ROOT


def test_example_acquires_plots_and_writes_pwl(tmp_path):
    pytest.importorskip("matplotlib")
    script = os.path.join(ROOT, "examples", "python", "acquire_plot_pwl.py")
    result = subprocess.run(
        ["/usr/bin/python3", script, "tektronix", "--gpib", "sim", "--out", tmp_path],
        env={**os.environ, "PYTHONPATH": os.path.join(ROOT, "python")}, capture_output=True,
        text=True, timeout=120)
    assert result.returncode == 0, result.stderr
    written = sorted(os.path.relpath(os.path.join(d, f), tmp_path)
                     for d, _, files in os.walk(tmp_path) for f in files)
    assert written == ["tektronix.png"] + [f"tektronix/ch{k}.pwl" for k in (1, 2, 3)]
