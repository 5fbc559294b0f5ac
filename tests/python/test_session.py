"""One interpreter acquiring again and again, as a notebook or a lab script does: each
acquisition gives what the same device gives as the first acquisition of a fresh interpreter
(every array, the progress steps, or the same error with the same messages)."""

import json
import os

import pytest

import gpibscope
from conftest import DEVICES, ROOT, run_python

SILENT_LISTENER = os.path.join(ROOT, "examples", "benches", "silent-listener.toml")


def record(device, bench=None):
    """What one acquisition gave, in the plain values JSON keeps."""
    steps = []
    try:
        scope = gpibscope.acquire(device, gpib="sim", bench=bench,
                                  progress=lambda position, total: steps.append([position, total]))
    except gpibscope.AcquisitionError as error:
        return {"error": str(error), "messages": error.messages, "steps": steps}
    return {"time": None if scope.time is None else scope.time.tolist(),
            "channels": {name: values.tolist() for name, values in scope.channels.items()},
            "xy": scope.xy, "steps": steps}


def fresh_record(device, bench):
    paths = [os.path.dirname(__file__), os.path.join(ROOT, "python")]
    code = ("import json, sys; sys.path[:0] = %r; import test_session; "
            "print(json.dumps(test_session.record(%r, %r)))" % (paths, device, bench))
    result = run_python(code)
    assert result.returncode == 0, result.stderr
    return json.loads(result.stdout)


@pytest.mark.parametrize("bench, sequence", [
    # The four device types forth and back; a TDS540 scan meets every other instrument.
    ("default", DEVICES + DEVICES[::-1]),
    # A scan that fails at a listener which never answers, then a good device.
    (SILENT_LISTENER, ["tektronix", "hameg1"]),
], ids=["both orders", "after a failed acquisition"])
def test_each_acquisition_gives_what_a_fresh_interpreter_gives(bench, sequence):
    fresh = {device: fresh_record(device, bench) for device in set(sequence)}
    for index, device in enumerate(sequence):
        # The bench as it powers up, then as the acquisitions before left it.
        got = json.loads(json.dumps(record(device, bench if index == 0 else None)))
        assert got == fresh[device], f"acquisition {index}: {device} after {sequence[:index]}"
