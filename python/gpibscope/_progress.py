"""The progress bar's moves to a callable, a text bar on a terminal or an HTML bar in a notebook."""

import sys

_BAR_WIDTH = 30


class _TextBar:
    def __init__(self, stream):
        self.stream, self.drawn = stream, False

    def __call__(self, position, steps):
        filled = max(0, min(position, steps)) * _BAR_WIDTH // steps
        self.stream.write(f"\r[{'#' * filled}{'.' * (_BAR_WIDTH - filled)}] {position}/{steps}")
        self.stream.flush()
        self.drawn = True

    def close(self):
        if self.drawn:
            self.stream.write("\n")
            self.stream.flush()


class _NotebookBar:
    def __init__(self, steps, display, html):
        self.html, self.handle = html, display(html(self._markup(0, steps)), display_id=True)

    @staticmethod
    def _markup(position, steps):
        return (f'<progress value="{max(0, min(position, steps))}" max="{steps}" '
                f'style="width: 20em"></progress> {position}/{steps}')

    def __call__(self, position, steps):
        self.handle.update(self.html(self._markup(position, steps)))

    def close(self):
        pass


def _bar(steps):
    """A bar in a notebook kernel's output, else on a terminal's stderr, else none."""
    ipython = sys.modules.get("IPython")
    if hasattr(ipython and ipython.get_ipython(), "kernel"):
        from IPython.display import HTML, display
        return _NotebookBar(steps, display, HTML)
    return _TextBar(sys.stderr) if sys.stderr is not None and sys.stderr.isatty() else None


class Reporter:
    """Hands each position of the module's progress bar on as (position, steps). An exception
    raised by the user's callable cannot cross the library, so it is kept and raised once the
    acquisition has returned (see reraise)."""

    def __init__(self, progress, steps):
        self.steps, self.error = steps, None
        self.bar = _bar(steps) if progress is True else None
        self.target = self.bar if progress is True else progress or None

    def moved(self, position):
        if self.target is not None and self.error is None:
            try:
                self.target(position, self.steps)
            except BaseException as error:  # noqa: B036 - raised again after the acquisition
                self.error = error

    def close(self):
        if self.bar is not None:
            self.bar.close()

    def reraise(self):
        if self.error is not None:
            raise self.error
