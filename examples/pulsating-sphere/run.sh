#!/usr/bin/env bash
# The pulsating sphere: a sphere of radius a = 1 m whose surface moves with the uniform normal
# velocity v0 = 1 m/s. Runs the whole Kavoral pipeline in a fresh working directory and compares
# the surface and field pressures with the exact solution (time factor exp(+j omega t)):
#
#   p(r) = rho c v0 (a/r) jka / (1 + jka) exp(-jk(r - a))
#
# Usage: examples/pulsating-sphere/run.sh [build-directory [level [ka]]]
#        (defaults: ./build, level 3 = 642 points, ka = 1)
EXAMPLE=pulsating
source "$(dirname "$0")/../common.sh"

example_setup "$@"
example_mesh
# Field points on a ray through the sphere in the direction (1, 2, 2) / 3, r = 1.5 to 10 m.
"$TOOLS/fieldpoints" line 0.5 1 1 3.3333333333333333 6.6666666666666667 6.6666666666666667 6 field.ms

example_pipeline uniform
example_done
