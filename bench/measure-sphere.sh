#!/usr/bin/env bash
# Measures wall time, CPU time and peak memory of every Kavoral command on the pulsating sphere of the
# examples, for the icosphere levels given (3: 642 points, 4: 2562, 5: 10242), and prints one
# table row per command. Uses /usr/bin/time -v. The working directories are removed afterwards.
#
# Usage: bench/measure-sphere.sh [build-directory [levels [commands]]]
#   defaults: build, "3 4 5", "-ch -ms -xs -mi -mm -xm"
# Level 5 needs about 3.5 GB of disk for the binary matrix file and 5 GB of memory for -mi.
# A command left out of the list is not run; the commands that need its output then fail, so
# leave out only -mi, or the tail of the pipeline.
# Environment: LIMIT=seconds stops -mi, the slowest command, after that long; its row then shows
# "stopped" and the peak memory reached. CPU time is user + system time, which other programs on
# the machine do not inflate the way they inflate wall time.
EXAMPLE=measure
source "$(dirname "$0")/../examples/common.sh"

build=${1:-build}
levels=${2:-3 4 5}
commands=${3:--ch -ms -xs -mi -mm -xm}

timed() {  # runs Kavoral with the arguments and prints "wall-seconds cpu-seconds megabytes"
    local out="step$1.txt" status=0 limit=()
    [ "$1" = -mi ] && [ -n "${LIMIT:-}" ] && limit=(timeout "$LIMIT")
    /usr/bin/time -v -o time.txt "${limit[@]}" "$KAVORAL" "$@" > "$out" 2>&1 || status=$?
    if [ "$status" -eq 124 ] && [ ${#limit[@]} -gt 0 ]; then
        awk -F': ' '/Maximum resident set size/ { printf "stopped stopped %.0f\n", $2 / 1024 }' time.txt
        return 0
    fi
    if [ "$status" -ne 0 ]; then
        echo "Kavoral $* failed with exit status $status" >&2
        tr '\r' '\n' < "$out" | tail -n 8 >&2
        return 1
    fi
    awk -F': ' '/Elapsed \(wall clock\)/ { n = split($2, t, ":"); s = 0; for (i = 1; i <= n; i++) s = s * 60 + t[i] }
                /User time|System time/ { c += $2 }
                /Maximum resident set size/ { m = $2 / 1024 }
                END { printf "%.2f %.2f %.0f\n", s, c, m }' time.txt
}

echo "| n | elements | command | wall time [s] | CPU time [s] | peak memory [MB] |"
echo "|---|---|---|---|---|---|"
for level in $levels; do
    (
        example_setup "$build" "$level" 1 > /dev/null
        example_mesh > /dev/null
        "$TOOLS/fieldpoints" line 0.5 1 1 3.3333333333333333 6.6666666666666667 6.6666666666666667 6 field.ms > /dev/null
        n=$(awk '!/^%/ { print $1; exit }' sphere.srf)  # the point count follows the comment lines
        e=$((2 * n - 4))
        for command in $commands; do
            case $command in
                -ch) args=(-ch sphere.srf OUT checked.srf) ;;
                -ms) args=(-ms "$FREQUENCY" checked.srf OUT surface.mtx) ;;
                -xs) "$TOOLS/excitation" uniform checked.srf 1 excitation.xct > /dev/null
                     args=(-xs surface.mtx excitation.xct surface.res) ;;
                -mi) args=(-mi surface.mtx surface_C.mtx) ;;
                -mm) args=(-mm "$FREQUENCY" checked.srf OUT field.ms field.mtx) ;;
                -xm) args=(-xm field.mtx surface.res field.res) ;;
                *) echo "unknown command $command" >&2; exit 2 ;;
            esac
            read -r seconds cpu megabytes < <(timed "${args[@]}") || exit 1
            echo "| $n | $e | $command | $seconds | $cpu | $megabytes |"
            rm -f surface_C.mtx
        done
        cd / && rm -rf "$WORK"
    ) || exit 1
done
