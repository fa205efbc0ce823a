#!/usr/bin/python3
"""Plots the surface pressure of the rigid sphere over the angle from the wave direction: the
computed total pressure at every surface point (dots) against the exact series (lines), one
colour per ka, magnitude above and phase below.

Usage: plot.py out.png label points.csv curve.csv [label points.csv curve.csv ...]
The CSV files are those of the scatteringtable tool.
"""
import sys

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402
import numpy as np  # noqa: E402


def read(name):
    return np.genfromtxt(name, delimiter=",", names=True)


def main(argv):
    if len(argv) < 5 or (len(argv) - 2) % 3 != 0:
        print(__doc__, file=sys.stderr)
        return 2
    figure, (magnitude, phase) = plt.subplots(2, 1, figsize=(8, 8), sharex=True)
    for i in range(2, len(argv), 3):
        label, points, curve = argv[i], read(argv[i + 1]), read(argv[i + 2])
        colour = "C%d" % ((i - 2) // 3)
        magnitude.plot(curve["theta_deg"], curve["abs_exact"], color=colour, label=label + " exact")
        magnitude.plot(points["theta_deg"], points["abs_p"], ".", color=colour, markersize=3,
                       label=label + " Kavoral")
        # The exact phase unwrapped along the angle, each point's phase on the same branch.
        exact = np.degrees(np.unwrap(np.radians(curve["phase_exact_deg"])))
        near = np.interp(points["theta_deg"], curve["theta_deg"], exact)
        computed = points["phase_deg"] + 360.0 * np.round((near - points["phase_deg"]) / 360.0)
        phase.plot(curve["theta_deg"], exact, color=colour)
        phase.plot(points["theta_deg"], computed, ".", color=colour, markersize=3)
    magnitude.set_ylabel("|p| / |P0|")
    magnitude.set_title("Rigid sphere in a plane wave: total pressure on the surface")
    magnitude.legend(fontsize="small", ncol=2)
    magnitude.grid(True, alpha=0.3)
    phase.set_ylabel("phase [degrees]")
    phase.set_xlabel("angle from the wave direction [degrees] (0: shadow side, 180: facing the wave)")
    phase.set_xlim(0, 180)
    phase.set_xticks(range(0, 181, 30))
    phase.grid(True, alpha=0.3)
    figure.tight_layout()
    figure.savefig(argv[1], dpi=100)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
