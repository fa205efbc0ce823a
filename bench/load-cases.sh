#!/usr/bin/env bash
# One load case against eight on the rigid sphere of icosphere level 4 (2562 points), scattering
# plane waves from eight directions: the wall time per frequency of each run, from the seconds
# column of frequencies.csv, and their ratio. The eight cases share one factorisation (or, on the
# compressed solver, one compressed system matrix), so they should cost little more than one
# (target: at most 1.3 times).
#
# Usage: bench/load-cases.sh [build-directory [level]]
#        THREADS=n sets the THREADS key (default: all), SOLVER=COMPRESSED the solver (default
#        DENSE), FREQUENCIES="f ..." the frequencies (default 55 82 Hz: ka about 1 and 1.5).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-build}" && pwd)
level=${2:-4}
work=$(mktemp -d "${TMPDIR:-/tmp}/kavoral-cases-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"
cp "$root/data/Gauss.cfs" .
"$build/tools/icosphere" 1 "$level" sphere.srf > /dev/null
echo "processor: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//'), $(nproc) cores," \
     "load average $(cut -d' ' -f1-3 /proc/loadavg); solver ${SOLVER:-DENSE}"

directions=("1 0 0" "-1 0 0" "0 1 0" "0 -1 0" "0 0 1" "0 0 -1" "1 1 1" "-1 1 -1")
job() {  # job <cases> <output>
    echo "DENSITY 1.2"; echo "SOUND_VELOCITY 343 0"; echo "THREADS ${THREADS:-0}"
    echo "SURFACE sphere.srf"; echo "CHIEF OFF"; echo "SOLVER ${SOLVER:-DENSE}"
    echo "FREQUENCIES ${FREQUENCIES:-55 82}"; echo "OUTPUT $2"; echo "BOUNDARY ALL V 0 0"
    if [ "$1" -eq 1 ]; then
        echo "INCIDENT PLANE 1 0 ${directions[0]}"
    else
        for ((c = 0; c < $1; ++c)); do
            echo "CASE wave$c"; echo "INCIDENT PLANE 1 0 ${directions[c]}"
        done
    fi
}

# The mean seconds per frequency: every row of a frequency holds the time of all its cases.
per_frequency() {
    awk -F, 'NR > 1 && !seen[$1]++ { sum += $9; n++ } END { printf "%.3f", sum / n }' \
        "$1/frequencies.csv"
}

for cases in 1 8; do
    job "$cases" "out$cases" > "job$cases.txt"
    "$build/sweep/kavoral-sweep" "job$cases.txt" > "run$cases.txt" || [ $? -eq 13 ]
done
one=$(per_frequency out1)
eight=$(per_frequency out8)
grep -m1 -o "^[0-9]* points" run1.txt || true
printf '%-8s %16s\n' cases "s per frequency"
printf '%-8s %16s\n' 1 "$one"
printf '%-8s %16s\n' 8 "$eight"
awk -v a="$one" -v b="$eight" 'BEGIN { printf "ratio 8 / 1: %.3f (target at most 1.3)\n", b / a }'
grep -m1 "load cases" run8.txt || true
