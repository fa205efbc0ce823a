#!/usr/bin/env bash
# The oscillating sphere: a rigid sphere of radius a = 1 m moving along +z with velocity U = 1 m/s,
# so that its normal velocity is U cos(theta). Runs the whole Kavoral pipeline in a fresh working
# directory and compares the surface and field pressures with the exact solution (time factor
# exp(+j omega t), outgoing waves exp(-jkr)/r):
#
#   p(r, theta) = rho c U (a/r)^2 cos(theta) jka (1 + jkr) / (2 + 2jka - (ka)^2) exp(-jk(r - a))
#
# Derivation: the dipole D cos(theta) (1 + jkr) exp(-jkr) / r^2 is the z derivative of the
# monopole exp(-jkr)/r, so it solves the Helmholtz equation and radiates outward. Its radial
# derivative is D cos(theta) exp(-jkr) ((kr)^2 - 2jkr - 2) / r^3. The momentum equation
# j omega rho v_r = -dp/dr with v_r = U cos(theta) at r = a gives
# D = j omega rho U a^3 exp(jka) / (2 + 2jka - (ka)^2), and omega = c k turns this into the formula
# above. Check: for ka -> 0 the surface pressure is j omega rho U a cos(theta) / 2, the load of
# half the displaced fluid mass moving with the sphere.
#
# The error is taken relative to the exact magnitude on the axis (theta = 0) at the same distance,
# since the pressure itself vanishes at the equator.
#
# Usage: examples/oscillating-sphere/run.sh [build-directory [level [ka]]]
#        (defaults: ./build, level 3 = 642 points, ka = 1)
EXAMPLE=oscillating
source "$(dirname "$0")/../common.sh"

example_setup "$@"
example_mesh
# Field points on a half circle of radius 2 m in the x-z plane, every 30 degrees from the +z axis.
"$TOOLS/fieldpoints" arc 2 7 0 180 field.ms

example_pipeline cosine
example_done
