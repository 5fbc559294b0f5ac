"""The waveform viewer's page for an acquisition, as scopehost's --html writes it: the page
template that comes with gpibscope, with the acquisition as one JSON object in place of its
placeholder. The JSON holds the CSV file's header as name and value pairs, then the abscissa
and the channels, each number in the CSV file's form and null where not finite."""

import html
import math

from . import _companions, _files
from ._errors import Error
from ._numbers import format_number

PLACEHOLDER = "__GPIBSCOPE_ACQUISITION__"
# The JSON sits inside a script element: no "<" may end it, and no control character is raw.
_STRING_ESCAPES = {ord('"'): '\\"', ord("\\"): "\\\\", ord("<"): "\\u003c",
                   **{code: f"\\u{code:04x}" for code in range(0x20)}}


def _string(text):
    return '"' + text.translate(_STRING_ESCAPES) + '"'


def _column(name, unit, values):
    numbers = ",".join(format_number(v) if math.isfinite(v) else "null"
                       for v in values.tolist())
    return f'{{"name":{_string(name)},"unit":{_string(unit)},"values":[{numbers}]}}'


def acquisition_json(acquisition):
    abscissa, traces = acquisition._columns()
    header = ",".join(f"[{_string(name)},{_string(value)}]"
                      for name, value in _files.header_fields(acquisition, abscissa, traces))
    columns = [_column(*abscissa)] + [_column(name, "V", volts) for name, volts in traces]
    return f'{{"header":[{header}],"columns":[{",".join(columns)}]}}'


def _template():
    """(path, text) of the page template; Error naming where it was looked for."""
    companions = _companions.find()
    if companions is None:
        raise Error("cannot find the viewer template: " + _companions.describe_search())
    path = companions.viewer_template
    try:
        # newline="" keeps the template's bytes as they are, as scopehost copies them.
        with open(path, encoding="utf-8", newline="") as stream:
            return path, stream.read()
    except OSError as error:
        raise Error(f"cannot read the viewer template {path}: {error.strerror}") from None


def page(acquisition):
    path, template = _template()
    if template.count(PLACEHOLDER) != 1:
        raise Error(f"the viewer template {path} holds no single place for the acquisition")
    return template.replace(PLACEHOLDER, acquisition_json(acquisition))


class Viewer:
    """The viewer's page shown inline in a notebook: the page (text in page) inside an iframe's
    srcdoc, HTML-escaped, sandboxed so that it runs its own scripts and reaches nothing of the
    notebook."""

    def __init__(self, text, height):
        self.page = text
        self.height = int(height)

    def _repr_html_(self):
        return (f'<iframe srcdoc="{html.escape(self.page, quote=True)}" sandbox="allow-scripts" '
                f'style="width: 100%; height: {self.height}px; border: 0"></iframe>')
