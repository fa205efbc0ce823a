#!/usr/bin/env bash
# The pulsating sphere solved by kavoral-sweep with the dense and with the compressed solver, side
# by side in the same run: wall time of the frequency, processor seconds of the run (what a
# loaded machine changes least), peak memory of the run, Krylov iterations,
# largest block rank, the surface error against the exact solution and against the dense
# solution, and beside them the figures of the multilevel fast multipole peer measured on a
# 2-core Zen 3 machine (single-threaded), which this script does not run.
#
# Usage: bench/compressed-vs-dense.sh [build-directory [level:ka ...]]
#        (default cases: 4:1 4:3 5:1 5:3 5:20 6:1 6:3; the dense solver is skipped at level 6,
#        whose dense system would take 27 GB). THREADS=n sets the THREADS key (default: all),
#        SOLVER_TOLERANCE=t the compression tolerance of the compressed runs, SOLVERS="COMPRESSED"
#        runs one solver only, SIDE_BY_SIDE="level:ka ..." also solves two frequencies (ka and
#        1.01 ka) side by side with the compressed solver and prints the sweep's throughput,
#        WORK=folder keeps the meshes and outputs there (a later run with
#        SOLVERS=COMPRESSED in the same folder compares with the dense outputs kept).
# Level 6 needs about 2 GB and minutes per case: run it on a quiet machine.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-build}" && pwd)
shift || true
cases=${*:-4:1 4:3 5:1 5:3 5:20 6:1 6:3}
python=/usr/bin/python3
if [ -n "${WORK:-}" ]; then
    mkdir -p "$WORK"
    work=$(cd "$WORK" && pwd)
else
    work=$(mktemp -d "${TMPDIR:-/tmp}/kavoral-compressed-bench.XXXXXX")
    trap 'rm -rf "$work"' EXIT
fi
cd "$work"
cp "$root/data/Gauss.cfs" .
echo "processor: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//'), $(nproc) cores," \
     "load average $(cut -d' ' -f1-3 /proc/loadavg)"

# The peer's figures for the cases the issue measured: time per frequency, memory, surface error.
peer() {
    case "$1" in
        4:1) echo "6.2 s, 120 MB, 1.16 %" ;;
        5:1) echo "61 s, 690 MB, 0.51 %" ;;
        5:3) echo "21 s, 488 MB, 0.52 %" ;;
        6:1) echo "533 s, 4852 MB, 0.234 %" ;;
        *) echo "-" ;;
    esac
}

printf '%-6s %-5s %-10s %9s %9s %9s %6s %5s %12s %12s   %s\n' level ka solver "wall s" "cpu s" \
    "peak MB" iters rank "err exact" "err dense" "peer (time, memory, error)"
for item in $cases; do
    level=${item%%:*}
    ka=${item##*:}
    [ -f "sphere$level.srf" ] || "$build/tools/icosphere" 1 "$level" "sphere$level.srf" > /dev/null
    frequency=$(awk -v ka="$ka" 'BEGIN { printf "%.17g", ka * 343 / (8 * atan2(1, 1)) }')
    for solver in ${SOLVERS:-DENSE COMPRESSED}; do
        if [ "$solver" = DENSE ] && [ "$level" -ge 6 ]; then
            printf '%-6s %-5s %-10s %s\n' "$level" "$ka" dense \
                "not run: its matrix alone would take 27 GB, past this machine's memory"
            continue
        fi
        out="out-$level-$ka-$solver"
        { echo "DENSITY 1.2"; echo "SOUND_VELOCITY 343 0"; echo "THREADS ${THREADS:-0}"
          echo "SURFACE sphere$level.srf"; echo "BOUNDARY ALL V 1 0"; echo "CHIEF OFF"
          echo "SOLVER $solver"
          [ -n "${SOLVER_TOLERANCE:-}" ] && echo "SOLVER_TOLERANCE $SOLVER_TOLERANCE"
          echo "OUTPUT $out"; echo "FREQUENCIES $frequency"; } > job.txt
        /usr/bin/time -f "%e %M %U %S" -o time.txt "$build/sweep/kavoral-sweep" job.txt > "$out.log" 2>&1 || [ $? -eq 13 ] ||
            { echo "level $level ka $ka $solver: failed, see below"; tail -5 "$out.log"; continue; }
        "$python" - "$out" "$ka" "$solver" "$level" "out-$level-$ka-DENSE" "$(cat time.txt)" \
            "$(peer "$item")" <<'PY'
import csv, glob, math, re, sys
out, ka, solver, level, dense, timing, peer = sys.argv[1:8]
rank = re.search(r"largest rank (\d+)", open(out + ".log").read())
ka = float(ka)
def pressures(directory):
    files = glob.glob(directory + "/surface_*Hz.res")
    if not files:
        return None
    with open(files[0]) as f:
        lines = f.read().split("\n")[5:]
    return [complex(float(w[1]), float(w[2])) for w in (l.split() for l in lines) if len(w) >= 5]
rows = list(csv.DictReader(open(out + "/frequencies.csv")))
row = rows[0]
p = pressures(out)
# The pulsating sphere of radius 1 with velocity 1: p = rho c j ka / (1 + j ka).
exact = 1.2 * 343 * (1j * ka) / (1 + 1j * ka)
err = math.sqrt(sum(abs(x - exact) ** 2 for x in p) / (len(p) * abs(exact) ** 2))
q = pressures(dense) if solver == "COMPRESSED" else None
vs = "-" if q is None else "%.2e" % math.sqrt(sum(abs(x - y) ** 2 for x, y in zip(p, q)) / sum(abs(y) ** 2 for y in q))
wall, peak, user, system = timing.split()
print("%-6s %-5g %-10s %9.1f %9.1f %9.0f %6s %5s %11.4f%% %12s   %s" % (
    level, ka, solver.lower(), float(row.get("seconds", wall)), float(user) + float(system),
    float(peak) / 1024,
    row.get("iterations", "-"), rank.group(1) if rank else "-", 100 * err, vs, peer))
PY
    done
done

# The sweep's throughput: two frequencies at once, one thread each.
for item in ${SIDE_BY_SIDE:-}; do
    level=${item%%:*}
    ka=${item##*:}
    [ -f "sphere$level.srf" ] || "$build/tools/icosphere" 1 "$level" "sphere$level.srf" > /dev/null
    frequencies=$(awk -v ka="$ka" 'BEGIN { f = ka * 343 / (8 * atan2(1, 1)); printf "%.17g %.17g", f, 1.01 * f }')
    out="out-$level-$ka-pair"
    { echo "DENSITY 1.2"; echo "SOUND_VELOCITY 343 0"; echo "THREADS ${THREADS:-0}"
      echo "SURFACE sphere$level.srf"; echo "BOUNDARY ALL V 1 0"; echo "CHIEF OFF"
      echo "SOLVER COMPRESSED"; echo "OUTPUT $out"; echo "FREQUENCIES $frequencies"; } > job.txt
    /usr/bin/time -f "%e %M" -o time.txt "$build/sweep/kavoral-sweep" --at-once 2 job.txt > "$out.log" 2>&1 || [ $? -eq 13 ] ||
        { echo "level $level ka $ka side by side: failed"; tail -5 "$out.log"; continue; }
    read -r wall peak < time.txt
    awk -v level="$level" -v ka="$ka" -v wall="$wall" -v peak="$peak" 'BEGIN {
        printf "level %s ka %s, 2 frequencies side by side: %.1f s wall, %.1f s per frequency, peak %.0f MB (%.0f MB per frequency in flight)\n",
            level, ka, wall, wall / 2, peak / 1024, peak / 2048 }'
done
