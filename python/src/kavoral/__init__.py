"""Kavoral in Python: boundary element models solved in memory (Model), and the tools around
the programs: mesh import, surface check, export of results for viewers, and plots of sweeps."""

__version__ = "0.1.0"

from .errors import KavoralError  # noqa: E402
from .model import Model, PlaneWave, PointSource, Solution  # noqa: E402
