# Shared steps of the example scripts (sourced, not run). The sourcing script sets EXAMPLE (a
# short name) and calls, in order: example_setup "$@", example_mesh, example_kavoral ... , the
# table program and example_done. The kavoral-sweep examples call sweep_example_setup instead.
#
# Arguments of every example: [build-directory [level [ka]]]
#   build-directory  where Kavoral and the tools were built (default ./build)
#   level            icosphere level 1..5: 42, 162, 642, 2562 or 10242 points (default 3)
#   ka               Helmholtz number k a of the sphere of radius a = 1 m (default 1)
# Environment: DIVISION="first second" replaces the DIVISION values chosen from the mesh, and
# MATRIX_FILE=TEXT the binary matrix encoding.

set -euo pipefail

example_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

RADIUS=1
DENSITY=1.2
SOUND_VELOCITY=343

# Ends the script with exit status 2 and the message when the program $1 is not there.
example_require() {
    if [ ! -x "$1" ]; then
        echo "error: $2; build it first:" >&2
        echo "  cmake -S . -B build && cmake --build build -j2" >&2
        exit 2
    fi
}

example_setup() {
    local build=${1:-build}
    LEVEL=${2:-3}
    KA=${3:-1}
    example_require "$build/Kavoral" "no Kavoral program in '$build'"
    BUILD=$(cd "$build" && pwd)
    KAVORAL=$BUILD/Kavoral
    TOOLS=$BUILD/tools
    GAUSS=$example_root/data/Gauss.cfs
    if [ ! -r "$GAUSS" ]; then
        echo "error: the quadrature file $GAUSS is missing" >&2
        exit 2
    fi
    if ! awk -v ka="$KA" 'BEGIN { exit !(ka + 0 == ka && ka > 0) }'; then
        echo "error: ka must be a number above 0, not '$KA'" >&2
        exit 2
    fi
    # f = k c / (2 pi) with k = ka / a
    FREQUENCY=$(awk -v ka="$KA" -v c="$SOUND_VELOCITY" -v a="$RADIUS" \
        'BEGIN { printf "%.12g", ka * c / (2 * atan2(0, -1) * a) }')
    WORK=$(mktemp -d "${TMPDIR:-/tmp}/kavoral-$EXAMPLE.XXXXXX")
    cd "$WORK"
    cp "$GAUSS" Gauss.cfs
    echo "Working directory: $WORK"
    echo "Sphere of radius $RADIUS m, icosphere level $LEVEL, ka = $KA, frequency $FREQUENCY Hz"
}

# Writes the sphere and the configuration. The first DIVISION value lies above the longest element
# edge, so that every element that touches a collocation point gets the finest rule.
example_mesh() {
    local line edge
    # shellcheck disable=SC2153 # DIVISION and MATRIX_FILE come from the caller's environment
    line=$("$TOOLS/icosphere" "$RADIUS" "$LEVEL" sphere.srf)
    echo "$line"
    edge=${line##*longest edge }
    local division=${DIVISION:-$(awk -v e="$edge" 'BEGIN { printf "%.6g %.6g\n", 2 * e, 6 * e }')}
    cat > Kavoral.cfg <<CFG
% Configuration of the $EXAMPLE example
DENSITY $DENSITY
SOUND_VELOCITY $SOUND_VELOCITY 0
POINT_EPS 1e-6
PARA_EPS 1e-3
DIVISION $division
MATRIX_EPS 1e-10
MATRIX_FILE ${MATRIX_FILE:-BINARY}
CFG
}

# Runs one Kavoral command; its console text goes to step-<switch>.txt. A failure ends the script
# with Kavoral's exit status and shows the end of what it printed.
example_kavoral() {
    local out="step$1.txt" status=0 started=$SECONDS
    "$KAVORAL" "$@" > "$out" 2>&1 || status=$?
    if [ "$status" -ne 0 ]; then
        echo "Kavoral $* failed with exit status $status:" >&2
        tr '\r' '\n' < "$out" | tail -n 12 >&2
        exit "$status"
    fi
    printf '  Kavoral %-60s %4d s\n' "$*" $((SECONDS - started))
}

# Runs the pipeline on sphere.srf and field.ms: check, surface matrices, solution with the normal
# velocity excitation of the kind given (uniform or cosine, amplitude 1 m/s), field matrices and
# field pressures; then prints the table against the exact field of $EXAMPLE.
example_pipeline() {
    example_kavoral -ch sphere.srf OUT checked.srf
    "$TOOLS/excitation" "$1" checked.srf 1 excitation.xct
    example_kavoral -ms "$FREQUENCY" checked.srf OUT surface.mtx
    example_kavoral -xs surface.mtx excitation.xct surface.res
    example_kavoral -mm "$FREQUENCY" checked.srf OUT field.ms field.mtx
    example_kavoral -xm field.mtx surface.res field.res
    echo
    "$TOOLS/spheretable" "$EXAMPLE" "$RADIUS" "$KA" "$DENSITY" "$SOUND_VELOCITY" 1 \
        checked.srf surface.res field.ms field.res
}

example_done() {
    echo
    echo "The files of this run are kept in $WORK"
}

# The start of a kavoral-sweep example whose job file job.txt lies in the directory $1; the
# remaining arguments are [build-directory [level]]. Sets BUILD and LEVEL, enters a new working
# directory WORK and puts job.txt and the unit icosphere sphere.srf into it (kavoral-sweep finds
# its quadrature rules by itself).
sweep_example_setup() {
    local here=$1 build=${2:-build}
    LEVEL=${3:-3}
    example_require "$build/sweep/kavoral-sweep" "no kavoral-sweep in '$build/sweep'"
    BUILD=$(cd "$build" && pwd)
    WORK=$(mktemp -d "${TMPDIR:-/tmp}/kavoral-$EXAMPLE.XXXXXX")
    cd "$WORK"
    cp "$here/job.txt" .
    "$BUILD/tools/icosphere" 1 "$LEVEL" sphere.srf
}
