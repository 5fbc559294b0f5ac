"""Where the progress bar's moves go: a callable of the user's, a text bar on a terminal, or a
bar in a notebook drawn as plain HTML (no widget library needed)."""

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
        self.html = html
        self.handle = display(html(self._markup(0, steps)), display_id=True)

    @staticmethod
    def _markup(position, steps):
        return (f'<progress value="{max(0, min(position, steps))}" max="{steps}" '
                f'style="width: 20em"></progress> {position}/{steps}')

    def __call__(self, position, steps):
        self.handle.update(self.html(self._markup(position, steps)))

    def close(self):
        pass


def _notebook_display():
    """IPython's display and HTML when running in a notebook kernel, else None."""
    ipython = sys.modules.get("IPython")
    shell = ipython.get_ipython() if ipython else None
    if shell is None or not hasattr(shell, "kernel"):
        return None
    from IPython.display import HTML, display
    return display, HTML


def _bar(steps):
    notebook = _notebook_display()
    if notebook:
        return _NotebookBar(steps, *notebook)
    if sys.stderr is not None and sys.stderr.isatty():
        return _TextBar(sys.stderr)
    return None


class Reporter:
    """Hands each position of the module's progress bar on as (position, steps). An exception
    raised by the user's callable cannot cross the module, so it is kept and raised once
    GetData has returned (see reraise)."""

    def __init__(self, progress, steps):
        self.steps = steps
        self.error = None
        self.bar = _bar(steps) if progress is True else None
        self.target = self.bar if progress is True else progress or None

    def moved(self, position):
        if self.target is None or self.error is not None:
            return
        try:
            self.target(position, self.steps)
        except BaseException as error:  # noqa: B036 - raised again after GetData
            self.error = error

    def close(self):
        if self.bar is not None:
            self.bar.close()

    def reraise(self):
        if self.error is not None:
            raise self.error
