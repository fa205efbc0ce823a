#!/usr/bin/env bash
# Times a frequency sweep of the pulsating sphere done by kavoral-sweep in one run against the same
# sweep done by the five commands per frequency (-ms, -xs, -mm, -xm with binary matrix files; -ch
# once), and prints both times and their ratio. CHIEF is off, so both compute the same numbers.
#
# Usage: bench/sweep-vs-commands.sh [build-directory [level [frequencies]]]
#        (defaults: ./build, icosphere level 4 = 2562 points, 10 frequencies from 50 to 150 Hz)
# THREADS=n in the environment sets the THREADS key of both (default: every hardware thread).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-build}" && pwd)
level=${2:-4}
count=${3:-10}
work=$(mktemp -d "${TMPDIR:-/tmp}/kavoral-sweep-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"
cp "$root/data/Gauss.cfs" .
line=$("$build/tools/icosphere" 1 "$level" sphere.srf)
edge=${line##*longest edge }
"$build/tools/fieldpoints" line 0 0 1.5 0 0 10 8 field.ms > /dev/null
"$build/tools/excitation" uniform sphere.srf 1 excitation.xct > /dev/null
division=$(awk -v e="$edge" 'BEGIN { printf "%.6g %.6g", 2 * e, 6 * e }')
cat > Kavoral.cfg <<CFG
DENSITY 1.2
SOUND_VELOCITY 343 0
DIVISION $division
MATRIX_FILE BINARY
THREADS ${THREADS:-0}
CFG
frequencies=$(awk -v n="$count" 'BEGIN { for (i = 0; i < n; ++i) printf "%s ", n == 1 ? 50 : 50 + 100 * i / (n - 1) }')
{ cat Kavoral.cfg; echo "SURFACE sphere.srf"; echo "EXCITATION excitation.xct"
  echo "FIELD_POINTS field.ms"; echo "CHIEF OFF"; echo "OUTPUT out"; echo "FREQUENCIES $frequencies"; } > job.txt
echo "$line; $count frequencies; THREADS ${THREADS:-0}"

start=$(date +%s.%N)
"$build/sweep/kavoral-sweep" job.txt > sweep.log || [ $? -eq 13 ]
sweep=$(awk -v s="$start" -v e="$(date +%s.%N)" 'BEGIN { print e - s }')

start=$(date +%s.%N)
"$build/Kavoral" -ch sphere.srf OUT checked.srf > /dev/null
for f in $frequencies; do
    "$build/Kavoral" -ms "$f" checked.srf OUT surface.mtx > /dev/null
    "$build/Kavoral" -xs surface.mtx excitation.xct "surface-$f.res" > /dev/null
    "$build/Kavoral" -mm "$f" checked.srf OUT field.ms field.mtx > /dev/null
    "$build/Kavoral" -xm field.mtx "surface-$f.res" "field-$f.res" > /dev/null
done
commands=$(awk -v s="$start" -v e="$(date +%s.%N)" 'BEGIN { print e - s }')

awk -v s="$sweep" -v c="$commands" 'BEGIN {
    printf "kavoral-sweep:         %8.1f s\n", s
    printf "five commands per f:   %8.1f s\n", c
    printf "ratio commands/sweep:  %8.2f\n", c / s }'
