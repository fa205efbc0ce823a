"""The exception of a failure in the library."""


class KavoralError(RuntimeError):
    """A failure of the library: its report, as the programs print it, and its status code
    (negative)."""

    def __init__(self, report, status):
        super().__init__(report)
        self.report = report
        self.status = status
