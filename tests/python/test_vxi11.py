"""The package over the VXI-11 bridge against the gateway emulator on 127.0.0.1: the same
arrays as the simulated library gives, and the bench's listeners with and without
device_docmd."""

import os
import re
import select
import subprocess

import numpy
import pytest

import gpibscope
from conftest import DEVICES, ROOT, run_python

EMULATOR = os.path.join(ROOT, "build", "bin", "gpib-gateway-emulator")


@pytest.fixture
def gateway(tmp_path):
    """Starts an emulator with the options given; the environment naming it in gpib.toml."""
    started = []

    def start(*options):
        if not os.access(EMULATOR, os.X_OK):
            pytest.fail(f"no {EMULATOR}: build the default preset first")
        process = subprocess.Popen([EMULATOR, "--lifetime", "60", *options],
                                   stdout=subprocess.PIPE, text=True)
        started.append(process)
        ready, _, _ = select.select([process.stdout], [], [], 10)
        line = process.stdout.readline() if ready else ""
        found = re.match(r"portmapper 127\.0\.0\.1:(\d+) ", line)
        assert found, f"the emulator did not say where it listens: {line!r}"
        config = tmp_path / "gpib.toml"
        config.write_text(f'[gateway]\nhost = "127.0.0.1"\nportmapper_port = {found[1]}\n')
        return {**os.environ, "GPIB32_CONFIG": str(config),
                "PYTHONPATH": os.path.join(ROOT, "python")}

    yield start
    for process in started:
        process.terminate()
        process.wait(timeout=10)


@pytest.mark.parametrize("device", DEVICES)
def test_every_device_gives_the_simulated_librarys_arrays(gateway, tmp_path, device):
    saved = tmp_path / "arrays.npz"
    result = run_python(
        "import numpy, gpibscope\n"
        f"a = gpibscope.acquire({device!r}, gpib='vxi11')\n"
        f"numpy.savez({str(saved)!r}, time=a.time if a.time is not None else [], **a.channels)\n",
        env=gateway())
    assert result.returncode == 0, result.stderr
    simulated = gpibscope.acquire(device, gpib="sim", bench="default")
    bridged = numpy.load(saved)
    assert list(simulated.channels) == [name for name in bridged.files if name != "time"]
    for name, values in simulated.channels.items():
        assert numpy.array_equal(values, bridged[name]), name
    if simulated.time is not None:
        assert numpy.array_equal(simulated.time, bridged["time"])


@pytest.mark.parametrize("options", [(), ("--no-docmd",)])
def test_the_scan_finds_the_benchs_listeners(gateway, options):
    result = run_python(
        "import gpibscope\n"
        "print([l.address for l in gpibscope.scan(gpib='vxi11')])\n", env=gateway(*options))
    assert result.returncode == 0, result.stderr
    assert result.stdout.strip() == "[1, 2, 5, 8, 12]"
