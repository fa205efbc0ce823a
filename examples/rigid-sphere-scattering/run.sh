#!/usr/bin/env bash
# A rigid sphere (radius a = 1 m) in a plane wave of 1 Pa travelling along +z, swept through
# kavoral-sweep at six frequencies from ka = 0.5 to 4, the first interior resonance ka = pi among
# them, and compared with the exact series solution
#
#   p = P0 sum (2n+1) (-j)^n [j_n(kr) - j_n'(ka) / h_n'(ka) h_n(kr)] P_n(cos theta)
#
# on the surface and at field points on an arc at r = 2a. Writes surface-pressure.png, the
# surface pressure over the angle from the wave direction, computed against exact, and, when the
# Python tools are on PATH (or in the directory KAVORAL_TOOLS names), polar-scattered.png: the
# polar map of the scattered pressure on the arc, with its forward lobe.
#
# Usage: examples/rigid-sphere-scattering/run.sh [build-directory [level]]
#        (defaults: ./build, icosphere level 3 = 642 points)
EXAMPLE=rigid-sphere-scattering
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../common.sh"
sweep_example_setup "$here" "$@"
# 37 field points on a half circle of radius 2 m in the x-z plane, from +z (0 degrees) to -z.
"$BUILD/tools/fieldpoints" arc 2 37 0 180 field.ms

echo
echo "kavoral-sweep job.txt"
# 13: every frequency solved, some untrusted (their residual above the limit): the summary says which.
"$BUILD/sweep/kavoral-sweep" job.txt > sweep.log || {
    status=$?
    if [ "$status" -ne 13 ]; then
        tail -n 20 sweep.log >&2
        exit "$status"
    fi
}
grep -E '^[0-9]+ of [0-9]+:|points:' sweep.log | sed 's/^/  /'

echo
echo "Total pressure against the exact series (relative L2 error; largest error of |P0|):"
printf '  %-7s %-10s %-8s %-24s %-24s\n' ka f/Hz CHIEF "surface L2 / largest" "field r = 2a L2 / largest"
plots=()
# The frequencies as the sweep names its files: the first column of its table.
frequencies=$(awk -F, 'NR > 1 { print $1 }' results/frequencies.csv)
for f in $frequencies; do
    ka=$(awk -v f="$f" 'BEGIN { printf "%.4g", 2 * atan2(0, -1) * f / 343 }')
    chief=$(awk -F, -v f="$f" '$1 == f { print $4 }' results/frequencies.csv)
    errors() {
        "$BUILD/tools/scatteringtable" 1 "$f" 343 1 0 0 0 1 "$@" |
            awk '/^relative L2 error/ { printf "%.3g %% / %.3g %%", 100 * $4, 100 * $7 }'
    }
    surface=$(errors sphere.srf "results/surface_${f}Hz.res" "surface-$ka.csv" "exact-$ka.csv")
    field=$(errors field.ms "results/field_${f}Hz.res")
    printf '  %-7s %-10s %-8s %-24s %-24s\n' "$ka" "$f" "${chief:-?}" "$surface" "$field"
    plots+=("ka = $ka" "surface-$ka.csv" "exact-$ka.csv")
done

/usr/bin/python3 "$here/plot.py" surface-pressure.png "${plots[@]}"
echo
echo "Plot: $WORK/surface-pressure.png"
[ -n "${KAVORAL_TOOLS:-}" ] && PATH=$(cd "$KAVORAL_TOOLS" && pwd):$PATH
if command -v kavoral-plot >/dev/null; then
    # Angle 0 is the wave's direction (+z); the arc lies in the x-z plane, so y is "up".
    kavoral-plot results polar-scattered.png --only polar-horizontal --scattered \
        --axis 0,0,1 --up 0,1,0 > /dev/null
    echo "Polar map of the scattered pressure: $WORK/polar-scattered.png"
fi
echo "Results (tables with total and scattered field pressures, result files, ParaView files"
echo "results/sweep.pvd) are kept in $WORK"
