"""The files scopehost writes, byte for byte the same for the same data: CSV, SPICE PWL
sources and two-column waveform files. Each file is written under a temporary name in its
own directory and renamed into place once all of it is on disk, so a failed write leaves no
partial file."""

import os
import tempfile

from ._errors import Error
from ._numbers import format_number

# Time-value pairs per PWL continuation line: SPICE readers join continuation lines one by
# one, and take far longer over thousands of short lines than over fewer long ones.
PAIRS_PER_LINE = 16


def _numbers(values):
    return [format_number(v) for v in values.tolist()]


def _write_whole(path, text):
    path = os.fspath(path)
    directory = os.path.dirname(os.path.abspath(path))
    try:
        descriptor, temporary = tempfile.mkstemp(prefix=os.path.basename(path) + ".",
                                                 dir=directory)
    except OSError as error:
        raise Error(f"cannot create {path}: {error.strerror}") from None
    try:
        with os.fdopen(descriptor, "wb") as stream:
            stream.write(text.encode("utf-8"))
            stream.flush()
            os.fsync(stream.fileno())
        # mkstemp makes the file readable by its owner only; an output file gets the usual
        # rights.
        mask = os.umask(0)
        os.umask(mask)
        os.chmod(temporary, 0o666 & ~mask)
        os.replace(temporary, path)
    except OSError as error:
        try:
            os.remove(temporary)
        except OSError:
            pass
        raise Error(f"cannot write {path}: {error.strerror}") from None
    return path


def utc_timestamp(when):
    return when.strftime("%Y-%m-%dT%H:%M:%SZ")


def header_fields(acquisition, abscissa, traces):
    """The CSV file's metadata as (name, value) pairs, in order; the viewer's page shows the
    same."""
    names = ", ".join(name for name, _ in traces)
    fields = [("device", acquisition.device.text),
              ("device type", str(acquisition.device.type)),
              ("points", str(acquisition.points)),
              ("channels", f"{len(traces)} ({names})")]
    if abscissa[0] == "X":
        fields.append(("mode", "XY (X in place of a time axis)"))
    fields.append(("acquired at (UTC)", utc_timestamp(acquisition.acquired_at)))
    fields.append(("duration (s)", format_number(acquisition.duration)))
    return fields


def _metadata(acquisition, abscissa, traces):
    return "".join(f"# {name}: {value}\n"
                   for name, value in header_fields(acquisition, abscissa, traces))


def _heading(name, unit):
    return f"{name} ({unit})" if unit else name


def write_csv(acquisition, path):
    abscissa, traces = acquisition._columns()
    header = [_heading(abscissa[0], abscissa[1])] + [_heading(n, "V") for n, _ in traces]
    columns = [_numbers(abscissa[2])] + [_numbers(values) for _, values in traces]
    rows = "".join(",".join(row) + "\n" for row in zip(*columns))
    text = _metadata(acquisition, abscissa, traces) + ",".join(header) + "\n" + rows
    return _write_whole(path, text)


def _pwl_source(acquisition, name, times, volts):
    lines = [f"* {name} of {acquisition.device.text}, acquired "
             f"{utc_timestamp(acquisition.acquired_at)}, {acquisition.points} points "
             "(time in s, volts).\n",
             f"* .include this file: V_{name.upper()} drives node {name} against ground.\n",
             f"V_{name.upper()} {name} 0 PWL(\n"]
    pairs = [f"{t} {v}" for t, v in zip(times, volts)]
    for start in range(0, len(pairs), PAIRS_PER_LINE):
        lines.append("+ " + " ".join(pairs[start:start + PAIRS_PER_LINE]) + "\n")
    return "".join(lines) + "+ )\n"


def _two_columns(_acquisition, _name, times, volts):
    return "".join(f"{t} {v}\n" for t, v in zip(times, volts))


def _why_no_time_files(acquisition, abscissa):
    if abscissa[0] == "X":
        return "in XY mode there is no time axis"
    if acquisition.time is None:
        return "no time axis was delivered"
    time = acquisition.time
    if (time[1:] <= time[:-1]).any():
        return "the time axis does not rise strictly"
    return None


def write_channel_files(acquisition, directory, kind):
    """One file a channel in directory: kind "pwl" (SPICE sources) or "txt" (two columns).
    Returns the paths written."""
    abscissa, traces = acquisition._columns()
    reason = _why_no_time_files(acquisition, abscissa)
    if reason:
        raise ValueError(f"no {'PWL' if kind == 'pwl' else 'waveform'} files: {reason}")
    text = _pwl_source if kind == "pwl" else _two_columns
    directory = os.fspath(directory)
    try:
        os.makedirs(directory, exist_ok=True)
    except OSError as error:
        raise Error(f"cannot create {directory}: {error.strerror}") from None
    times = _numbers(abscissa[2])
    return [_write_whole(os.path.join(directory, f"{name}.{kind}"),
                         text(acquisition, name, times, _numbers(volts)))
            for name, volts in traces]
