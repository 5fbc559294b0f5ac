"""The module's progress to a callable, a text bar on a terminal or an HTML bar in a notebook."""

import contextlib
import sys

from ._library import PROGRESS_FN

_WIDTH = 30  # the text bar's characters


class _TextBar:
    def __init__(self, stream):
        self.stream, self.drawn = stream, False

    def __call__(self, position, steps):
        filled = max(0, min(position, steps)) * _WIDTH // steps
        self.stream.write(f"\r[{'#' * filled}{'.' * (_WIDTH - filled)}] {position}/{steps}")
        self.stream.flush()
        self.drawn = True

    def close(self):
        if self.drawn:
            self.stream.write("\n")
            self.stream.flush()


def _markup(position, steps):
    return (f'<progress value="{max(0, min(position, steps))}" max="{steps}" '
            f'style="width: 20em"></progress> {position}/{steps}')


def _bar(steps):
    """A bar in a notebook kernel's output, else on a terminal's stderr, else none."""
    ipython = sys.modules.get("IPython")
    if hasattr(ipython and ipython.get_ipython(), "kernel"):
        from IPython.display import HTML, display
        shown = display(HTML(_markup(0, steps)), display_id=True)
        return lambda position, total: shown.update(HTML(_markup(position, total)))
    return _TextBar(sys.stderr) if sys.stderr is not None and sys.stderr.isatty() else None


@contextlib.contextmanager
def reporting(progress, steps):
    """The library's progress callback, handing each position on as (position, steps). What the
    callable raises cannot cross the library: it is raised on leaving, or made the cause."""
    bar = _bar(steps) if progress is True else None
    target, errors = bar if progress is True else progress, []

    def moved(position, _steps, _user):
        if target and not errors:
            try:
                target(position, steps)
            except BaseException as error:  # noqa: B036 - raised again after the acquisition
                errors.append(error)

    try:
        yield PROGRESS_FN(moved)
    except Exception as failure:
        raise failure from next(iter(errors), None)
    finally:
        getattr(bar, "close", lambda: None)()
    if errors:
        raise errors[0]
