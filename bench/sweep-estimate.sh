#!/usr/bin/env bash
# Sets kavoral-sweep's estimate against what the sweep then took, for a few spheres on the dense
# solver (SOLVER=COMPRESSED: the compressed one). The frequencies cross the first interior resonance of the unit sphere (ka = pi at
# 171.5 Hz), so that some are solved again with CHIEF points. For each mesh it prints the
# estimate per frequency, per CHIEF re-solve and for the sweep with the re-solves that happened,
# the time the sweep took (the sum of the seconds column, and the whole run), and the ratio of
# estimate to outcome.
#
# Usage: bench/sweep-estimate.sh [build-directory [mesh ...]]
#   mesh: ico:LEVEL (icosphere, 3: 642 points, 4: 2562, 5: 10242) or cube:M (cubesphere of
#   6 M^2 + 2 quadrilateral points); default ico:3 ico:4 cube:24
# Environment: FREQUENCIES (default "120 150 165 171.5 180 200"), THREADS (default: every
# hardware thread), CHIEF (default AUTO), SOLVER (default DENSE).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-build}" && pwd)
shift || true
meshes=${*:-ico:3 ico:4 cube:24}
frequencies=${FREQUENCIES:-120 150 165 171.5 180 200}
work=$(mktemp -d "${TMPDIR:-/tmp}/kavoral-estimate-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"

# Seconds from a duration as the sweep prints it: "12.3 s", "4.5 min" or "1.2 h".
seconds() { awk -v v="$1" -v u="$2" 'BEGIN { print v * (u == "min" ? 60 : u == "h" ? 3600 : 1) }'; }

printf '%-8s %6s %9s %9s %9s %9s %9s %9s %6s %7s\n' mesh points est/f chief/f marked estimate solves run ratio est/run
for mesh in $meshes; do
    kind=${mesh%%:*}
    size=${mesh##*:}
    case $kind in
        ico) "$build/tools/icosphere" 1 "$size" sphere.srf > /dev/null ;;
        cube) "$build/tools/cubesphere" 1 "$size" sphere.srf > /dev/null ;;
        *) echo "unknown mesh $mesh" >&2; exit 2 ;;
    esac
    "$build/tools/fieldpoints" line 0 0 1.5 0 0 10 8 field.ms > /dev/null
    cat > job.txt <<JOB
DENSITY 1.2
SOUND_VELOCITY 343 0
MATRIX_FILE BINARY
THREADS ${THREADS:-0}
RULES $root/data/Gauss.cfs
SURFACE sphere.srf
BOUNDARY ALL V 1 0
FIELD_POINTS field.ms
SOLVER ${SOLVER:-DENSE}
CHIEF ${CHIEF:-AUTO}
OUTPUT out-$kind-$size
FREQUENCIES $frequencies
JOB
    start=$(date +%s.%N)
    "$build/sweep/kavoral-sweep" job.txt > sweep.log || [ $? -eq 13 ]
    run=$(awk -v s="$start" -v e="$(date +%s.%N)" 'BEGIN { print e - s }')
    line=$(grep ' per frequency on ' sweep.log)
    points=${line%% points*}
    perFrequency=$(sed -E 's/.*about ([0-9.]+) (s|min|h) per frequency.*/\1 \2/' <<< "$line")
    perFrequency=$(seconds $perFrequency)
    resolve=0
    if grep -q 'more for each one solved again' <<< "$line"; then
        resolve=$(sed -E 's/.*, and ([0-9.]+) (s|min|h) more for each.*/\1 \2/' <<< "$line")
        resolve=$(seconds $resolve)
    fi
    marked=$(awk -F, 'NR == 1 { for (i = 1; i <= NF; ++i) if ($i == "chief_points") c = i; next }
                      $c > 0 { ++m } END { print m + 0 }' "out-$kind-$size/frequencies.csv")
    solves=$(awk -F, 'NR == 1 { for (i = 1; i <= NF; ++i) if ($i == "seconds") c = i; next }
                      { s += $c } END { print s }' "out-$kind-$size/frequencies.csv")
    count=$(wc -w <<< "$frequencies")
    awk -v m="$mesh" -v n="$points" -v f="$perFrequency" -v r="$resolve" -v k="$marked" \
        -v c="$count" -v s="$solves" -v w="$run" 'BEGIN {
        e = f * c + r * k
        if (r == 0 && ENVIRON["CHIEF"] != "" && ENVIRON["CHIEF"] != "AUTO") k = "-"
        printf "%-8s %6d %8.2fs %8.2fs %9s %8.1fs %8.1fs %8.1fs %6.2f %7.2f\n", m, n, f, r, k, e, s, w, e / s, e / w }'
done
echo "est/f: estimate per frequency; chief/f: per CHIEF re-solve; estimate: est/f times the"
echo "frequencies plus chief/f times those marked; solves: the seconds column summed; run: the"
echo "whole kavoral-sweep run (preparation and the probe included); ratio: estimate / solves;"
echo "est/run: estimate / run, the figure to read where frequencies ran side by side (the"
echo "compressed solver), whose seconds columns each count one frequency's own wall time"
