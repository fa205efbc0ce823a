#!/usr/bin/env bash
# The loudspeaker cabinet from its Gmsh model to SPL and directivity plots: a closed box with a
# piston of radius 0.08 m on its front face, moving with 1 m/s, the rest of the box rigid;
# 16 frequencies in third-octave steps from 100 Hz to 3 kHz; field points on the horizontal and the
# vertical orbit of radius 2 m around the piston's centre (10 degree steps) and on the piston's
# axis. Checks the level at 100 Hz against the monopole of the piston's volume velocity.
#
# Usage: examples/loudspeaker-cabinet/run.sh [build-directory [work-directory]]
#        (defaults: ./build and a new directory under $TMPDIR or /tmp, which is kept)
# The Python tools kavoral-mesh and kavoral-plot are taken from the build's environment
# (build/venv/bin), else from the directory that KAVORAL_TOOLS names, else from PATH.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-build}
sweep=$build/sweep/kavoral-sweep
if [ ! -x "$build/Kavoral" ] || [ ! -x "$sweep" ]; then
    echo "error: Kavoral and kavoral-sweep are not built in '$build'; build them first:" >&2
    echo "  cmake -S . -B build && cmake --build build -j2" >&2
    exit 2
fi
build=$(cd "$build" && pwd)
sweep=$build/sweep/kavoral-sweep
[ -d "$build/venv/bin" ] && PATH=$build/venv/bin:$PATH
[ -n "${KAVORAL_TOOLS:-}" ] && PATH=$(cd "$KAVORAL_TOOLS" && pwd):$PATH
for tool in kavoral-mesh kavoral-plot; do
    if ! command -v "$tool" >/dev/null; then
        echo "error: $tool not found: the build installs it in $build/venv/bin when pybind11" >&2
        echo "  and the Python headers are there (tools/install-packages.sh installs them)," >&2
        echo "  or set KAVORAL_TOOLS to the directory that holds it" >&2
        exit 2
    fi
done
work=${2:-$(mktemp -d "${TMPDIR:-/tmp}/kavoral-cabinet.XXXXXX")}
mkdir -p "$work"
cd "$work"
echo "Working directory: $work"
cp "$here/cabinet.msh" "$here/cabinet.job" .
cp "$here/../../data/Gauss.cfs" Gauss.cfs
cat > Kavoral.cfg <<'CFG'
% The medium of the sweep, for the surface check
DENSITY 1.2
SOUND_VELOCITY 343 0
CFG

echo "== 1. Import the Gmsh mesh"
kavoral-mesh import cabinet.msh cabinet.srf
kavoral-mesh check cabinet.srf

echo "== 2. The program's own surface check"
status=0
"$build/Kavoral" -ch cabinet.srf OUT checked.srf > check.txt 2>&1 || status=$?
if [ "$status" -ne 0 ] || grep -q "Surface has been changed" check.txt; then
    tr '\r' '\n' < check.txt | tail -n 12 >&2
    echo "error: Kavoral -ch failed or changed the imported surface" >&2
    exit 1
fi
grep "boundaries found" check.txt

echo "== 3. The field points: both orbits of radius 2 m (0 to 69), the axis (70 to 73)"
kavoral-mesh points spinorama field.ms --radius 2
kavoral-mesh points line field.ms --distances 1,3,10,30 --append

echo "== 4. The sweep"
# 13: every frequency solved, some untrusted (their residual above the limit): see the summary.
"$sweep" cabinet.job || [ $? -eq 13 ]

echo "== 5. The level at 100 Hz against the monopole of the piston"
python3 "$here/monopole.py" out

echo "== 6. Plots and a ParaView file"
plot="--points 70-73 --polar-points 0-35 --polar-frequencies 100,500,1000,2000,3000 --limit 0.01"
# shellcheck disable=SC2086 # the options are words
kavoral-plot out sweep.png $plot --title "Loudspeaker cabinet, piston 1 m/s"
for panel in spl polar residual; do
    # shellcheck disable=SC2086
    kavoral-plot out "$panel.png" $plot --only "$panel"
done

echo "== 7. Polar maps and the spinorama, and their numbers as tables"
for panel in polar-horizontal polar-vertical spinorama early-reflections in-room; do
    kavoral-plot out "$panel.png" --only "$panel"
    kavoral-plot out "$panel.csv" --only "$panel" > /dev/null
done
echo
echo "The files of this run are kept in $work: sweep.png, spl.png, polar.png, residual.png,"
echo "polar-horizontal.png, polar-vertical.png, spinorama.png, early-reflections.png, in-room.png"
echo "with a .csv table of each, and the sweep's output in out/ (open out/*.pvd in ParaView)."
