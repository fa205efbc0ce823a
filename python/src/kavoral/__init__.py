"""Tools around the Kavoral boundary element programs: mesh import, surface check, export of
results for viewers, and plots of frequency sweeps."""

__version__ = "0.1.0"
