#!/usr/bin/env python3
"""Compares the sweep's on-axis pressures at its lowest frequency with the monopole of the
piston's volume velocity Q = pi a^2 v: |p| = omega rho Q / (4 pi r), r measured from the piston's
centre. At 100 Hz the cabinet is small against the wavelength and radiates as that monopole in
the far field, where the magnitudes agree within a few percent; nearer to the cabinet the near
field adds to it. (The phase is left out: it depends on where in the cabinet the monopole is
taken to sit, k times that offset.)

Usage: monopole.py OUTPUT [FIRST_POINT LAST_POINT]   (default points 70 to 73, the axis)
Exit status 1 when a point of the far field (r at least 10 m) is off by more than 5 %."""

import csv
import math
import os
import sys

RADIUS = 0.08       # piston radius, m
VELOCITY = 1.0      # piston velocity, m/s
DENSITY = 1.2
SPEED = 343.0
TOLERANCE = 0.05
FAR = 10.0          # m, where the far field is taken to begin (kr = 18 at 100 Hz)


def main(argv):
    output = argv[1]
    first, last = (int(argv[2]), int(argv[3])) if len(argv) > 3 else (70, 73)
    with open(os.path.join(output, "field.csv"), newline="") as stream:
        rows = list(csv.DictReader(stream))
    lowest = min(float(r["frequency_hz"]) for r in rows)
    q = math.pi * RADIUS ** 2 * VELOCITY
    omega = 2 * math.pi * lowest
    k = omega / SPEED
    print("Monopole of Q = pi a^2 v = %.6g m^3/s at %g Hz (ka = %.3g):" % (q, lowest, k * RADIUS))
    print("%6s %8s %12s %12s %9s" % ("point", "r/m", "|p| sweep", "|p| monopole", "error"))
    worst, far = 0.0, 0
    for r in rows:
        point = int(r["point"])
        if float(r["frequency_hz"]) != lowest or not first <= point <= last:
            continue
        distance = math.dist((float(r["x"]), float(r["y"]), float(r["z"])), (0, 0, 0))
        exact = omega * DENSITY * q / (4 * math.pi * distance)
        computed = abs(complex(float(r["p_re"]), float(r["p_im"])))
        error = abs(computed - exact) / exact
        if distance >= FAR:
            worst = max(worst, error)
            far += 1
        print("%6d %8.3g %12.5g %12.5g %8.2f %%%s" % (point, distance, computed, exact,
                                                      100 * error,
                                                      "" if distance >= FAR else "  near field"))
    if not far:
        print("no point of the far field (r at least %g m) among points %d to %d" % (FAR, first, last))
        return 1
    print("largest error %.2f %% in the far field (limit %g %%)" % (100 * worst, 100 * TOLERANCE))
    return 0 if worst <= TOLERANCE else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
