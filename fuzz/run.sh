#!/usr/bin/env bash
# Runs every fuzz target (or the ones named) for a given time each, one after the other, and
# prints the executions and the findings of each. New inputs go to a scratch corpus; the seeds in
# fuzz/corpus/<target>/ are only read. Findings (crash-, leak-, oom-, timeout- files) are kept in
# the output directory.
#
# Usage: fuzz/run.sh [-t seconds] [-r runs] [-o outdir] [-b builddir] [target...]
#   -t  time per target in seconds (default 60)
#   -r  a fixed number of inputs per target instead of a time, with a fixed seed (smoke run)
#   -o  where the scratch corpora, logs and findings go (default: a new temporary directory)
#   -b  the build directory configured with -DKAVORAL_FUZZ=ON (default: build-fuzz)
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
seconds=60
runs=""
out=""
build="$here/../build-fuzz"
while getopts "t:r:o:b:" option; do
  case $option in
    t) seconds=$OPTARG ;;
    r) runs=$OPTARG ;;
    o) out=$OPTARG ;;
    b) build=$OPTARG ;;
    *) sed -n '2,13p' "$0"; exit 2 ;;
  esac
done
shift $((OPTIND - 1))
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=()
  for dir in "$here"/corpus/*/; do targets+=("$(basename "$dir")"); done
fi
out=${out:-$(mktemp -d "${TMPDIR:-/tmp}/kavoral-fuzz-run-XXXXXX")}
mkdir -p "$out"
# The targets work in a scratch directory of their own, so every path handed to them is absolute.
out=$(cd "$out" && pwd)
# A huge allocation that is refused comes back as null, and the program reports it itself.
export ASAN_OPTIONS="allocator_may_return_null=1:${ASAN_OPTIONS:-}"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:${UBSAN_OPTIONS:-}"

failed=0
printf '%-14s %12s %10s %8s  %s\n' target executions "exec/s" findings status
for target in "${targets[@]}"; do
  binary="$build/fuzz/fuzz_$target"
  if [ ! -x "$binary" ]; then
    printf '%-14s %12s %10s %8s  %s\n' "$target" - - - "not built ($binary)"
    failed=1
    continue
  fi
  mkdir -p "$out/$target/corpus" "$out/$target/findings"
  if [ -n "$runs" ]; then
    limit=(-runs="$runs" -seed=1)
  else
    limit=(-max_total_time="$seconds")
  fi
  "$binary" "${limit[@]}" -print_final_stats=1 -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="$out/$target/findings/" "$out/$target/corpus" "$here/corpus/$target" \
    > "$out/$target/log" 2>&1
  status=$?
  executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$out/$target/log" | tail -1)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$out/$target/log" | tail -1)
  findings=$(find "$out/$target/findings" -type f | wc -l)
  if [ "$status" -ne 0 ] || [ "$findings" -ne 0 ]; then
    failed=1
    verdict="FAILED (exit $status, see $out/$target/log)"
  else
    verdict=ok
  fi
  printf '%-14s %12s %10s %8s  %s\n' "$target" "${executions:-?}" "${rate:-?}" "$findings" "$verdict"
done
echo "logs, scratch corpora and findings: $out"
exit $failed
