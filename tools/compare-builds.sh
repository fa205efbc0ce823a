#!/usr/bin/env bash
# Runs -ms, -xs, -mi, -mm and -xm with the Kavoral programs of two builds (say a native and a
# portable one) on the same damped sphere and fails unless every file is the same byte for byte,
# apart from the date lines of the result files: the results must not depend on the vector width
# or the instruction set.
#
# Usage: tools/compare-builds.sh first-build second-build
set -euo pipefail
if [ $# -ne 2 ]; then
    echo "usage: $0 first-build second-build" >&2
    exit 2
fi
root=$(cd "$(dirname "$0")/.." && pwd)
first=$(cd "$1" && pwd)
second=$(cd "$2" && pwd)
for build in "$first" "$second"; do
    if [ ! -x "$build/Kavoral" ]; then
        echo "error: no Kavoral program in $build" >&2
        exit 2
    fi
done
work=$(mktemp -d "${TMPDIR:-/tmp}/kavoral-compare.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"
cp "$root/data/Gauss.cfs" .
"$first/tools/icosphere" 1 3 sphere.srf > /dev/null
"$first/tools/fieldpoints" line 0 0 1.5 0 0 4 5 field.ms > /dev/null
# A complex sound velocity: the kernel's exponential is used too.
cat > Kavoral.cfg <<CFG
DENSITY 1.2
SOUND_VELOCITY 343 3
DIVISION 0.35 0.9
MATRIX_FILE BINARY
CFG
"$first/Kavoral" -ch sphere.srf OUT checked.srf > /dev/null
"$first/tools/excitation" uniform checked.srf 1 excitation.xct > /dev/null
# Each build in a directory of its own, under the same file names (the result files name their
# matrix file).
run() {
    local build=$1 directory=$2
    mkdir "$directory"
    cp Gauss.cfs Kavoral.cfg checked.srf excitation.xct field.ms "$directory"
    (
        set -e
        cd "$directory"
        k="$build/Kavoral"
        "$k" -ms 250 checked.srf OUT surface.mtx
        "$k" -xs surface.mtx excitation.xct surface.res
        "$k" -mi surface.mtx surface_C.mtx
        "$k" -mm 250 checked.srf OUT field.ms field.mtx
        "$k" -xm field.mtx surface.res field.res
    ) > "$directory.txt" 2>&1 || {
        echo "error: a command of $build failed:" >&2
        tr '\r' '\n' < "$directory.txt" | tail -n 5 >&2
        exit 1
    }
}
run "$first" one
run "$second" two
status=0
same() {  # the result files' date lines aside
    case $1 in
        *.res) cmp -s <(grep -v '^% Date:' "one/$1") <(grep -v '^% Date:' "two/$1") ;;
        *) cmp -s "one/$1" "two/$1" ;;
    esac
}
for file in surface.mtx surface.res surface_C.mtx field.mtx field.res; do
    if ! same "$file"; then
        echo "error: $file differs between $first and $second" >&2
        status=1
    fi
done
[ "$status" -eq 0 ] && echo "$first and $second wrote the same five files (dates aside)"
exit "$status"
