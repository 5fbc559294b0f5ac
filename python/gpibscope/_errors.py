"""The exceptions the package raises."""


class Error(Exception):
    """Everything gpibscope raises for a fault of the module, a GPIB library or a file."""


class GpibLibraryError(Error):
    """No GPIB library, one that cannot be loaded, or a second one in the same process."""


class SimulationError(Error):
    """A simulation file that cannot be read, or a reference whose vector or channel is missing."""


class AcquisitionError(Error):
    """The module returned 0. messages holds every line it reported, in order."""

    def __init__(self, summary, messages):
        self.messages = list(messages)
        detail = "; ".join(self.messages) if self.messages else "the module reported nothing"
        super().__init__(f"{summary}: {detail}")
