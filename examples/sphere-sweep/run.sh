#!/usr/bin/env bash
# A frequency sweep of the pulsating sphere (radius a = 1 m, normal velocity 1 m/s) through
# kavoral-sweep, at ka = 1 and at ka = pi, the sphere's first interior resonance, once without and
# once with CHIEF points, compared with the exact solution
#
#   p(r) = rho c v0 (a/r) jka / (1 + jka) exp(-jk(r - a)).
#
# Usage: examples/sphere-sweep/run.sh [build-directory [level]]
#        (defaults: ./build, icosphere level 3 = 642 points)
EXAMPLE=sphere-sweep
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../common.sh"
sweep_example_setup "$here" "$@"
# Field points on a ray through the sphere in the direction (1, 2, 2) / 3, r = 1.5 to 10 m.
"$BUILD/tools/fieldpoints" line 0.5 1 1 3.3333333333333333 6.6666666666666667 6.6666666666666667 6 field.ms
sed -e 's/^CHIEF AUTO/CHIEF OFF/' -e 's/^OUTPUT results/OUTPUT results-off/' job.txt > job-off.txt

for job in job-off.txt job.txt; do
    echo
    echo "kavoral-sweep $job"
    # 13: every frequency solved, some untrusted (the resonance with CHIEF OFF): see the summary.
    "$BUILD/sweep/kavoral-sweep" "$job" > "${job%.txt}.log" || {
        status=$?
        if [ "$status" -ne 13 ]; then
            tail -n 20 "${job%.txt}.log" >&2
            exit "$status"
        fi
    }
    grep -E '^[0-9]+ of [0-9]+:|points:' "${job%.txt}.log" | sed 's/^/  /'
done

echo
echo "Against the exact solution (errors |p - p_exact| / |p_exact|, largest and RMS):"
printf '  %-6s %-10s %-26s %-26s\n' ka CHIEF "surface max / rms" "field max / rms"
for ka in 1 3.141592653589793; do
    f=$(awk -v ka="$ka" 'BEGIN { printf "%.10g", ka * 343 / (2 * atan2(0, -1)) }')
    for mode in off auto; do
        folder=results-off
        [ "$mode" = auto ] && folder=results
        table=$("$BUILD/tools/spheretable" pulsating 1 "$ka" 1.2 343 1 sphere.srf \
            "$folder/surface_${f}Hz.res" field.ms "$folder/field_${f}Hz.res")
        surface=$(echo "$table" | awk '/^Surface error/ { printf "%.3g %% / %.3g %%", 100 * $4, 100 * $6 }')
        field=$(echo "$table" | awk '/^Field error/ { printf "%.3g %% / %.3g %%", 100 * $4, 100 * $6 }')
        printf '  %-6.4g %-10s %-26s %-26s\n' "$ka" "$mode" "$surface" "$field"
    done
done
echo
echo "Results (tables, result files, ParaView files results/sweep.pvd) are kept in $WORK"
if [ -x "$BUILD/venv/bin/kavoral-mesh" ]; then
    echo
    echo "The Python tools kavoral-mesh and kavoral-plot, and python3 with the kavoral module:"
    echo "  $BUILD/venv/bin"
    echo "  (export PATH=$BUILD/venv/bin:\$PATH)"
fi
