#!/usr/bin/env bash
# Runs one fuzz target for a while and folds what it found into the
# committed corpus.
#
#   fuzz/run_campaign.sh TARGET SECONDS
#
# TARGET is ReadTag, ParseMessage or DataSet (the <TARGET>_fuzz programs of
# fuzz/CMakeLists.txt). The programs are taken from build-fuzz/ at the top
# of the checkout, or from $MAPTAG_FUZZ_BUILD; build them with
#   CC=clang CXX=clang++ cmake -S . -B build-fuzz -DMAPTAG_BUILD_FUZZERS=ON -DMAPTAG_BUILD_TESTS=OFF
#   cmake --build build-fuzz -j2
#
# 1. The run starts from fuzz/corpus/TARGET, fuzz/seeds/TARGET and, for the
#    file readers, the example files, with the dictionary fuzz/dict/TARGET.dict.
# 2. Every input gets 1 second, 256 MB and at most 64 KiB; a crash, a
#    broken property, a hang or a memory blow-up is saved under
#    fuzz/crashes/TARGET/.
# 3. The corpus is then minimised into fuzz/corpus/TARGET: the inputs named
#    regression-* are always kept, the rest only while they add coverage.
# 4. The figures are printed: executions, corpus size, coverage (cov: edges,
#    ft: features) of the minimised corpus.
#
# With MAPTAG_FUZZ_KEEP_GOING=1 the run goes on past crashes, hangs and
# memory blow-ups, each saved as above: libFuzzer is started again, with
# what it found so far, until the time is used up. For a target with a
# known fault that is not mended yet.
#
# The run is nice'd: the machine is shared with people compiling.
set -euo pipefail

if [ $# -ne 2 ]; then
  echo "usage: $0 TARGET SECONDS" >&2
  exit 2
fi
target=$1
seconds=$2

root=$(cd "$(dirname "$0")/.." && pwd)
build=${MAPTAG_FUZZ_BUILD:-$root/build-fuzz}
binary=$build/fuzz/${target}_fuzz
if [ ! -x "$binary" ]; then
  echo "$binary not found; build the fuzzers first (see the top of $0)" >&2
  exit 2
fi

max_len=65536
limits=(-timeout=1 -rss_limit_mb=256 -max_len=$max_len)
# ASan keeps freed memory in a quarantine of 256 MB by default, which would
# count against the memory limit; a small one keeps the limit about the
# program. A single allocation above the limit is reported as well.
export ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}quarantine_size_mb=16:detect_leaks=1
export UBSAN_OPTIONS=${UBSAN_OPTIONS:+$UBSAN_OPTIONS:}halt_on_error=1:print_stacktrace=1

corpus=$root/fuzz/corpus/$target
crashes=$root/fuzz/crashes/$target
mkdir -p "$corpus" "$crashes"

work=$(mktemp -d "${TMPDIR:-/tmp}/maptag-campaign-$target-XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir "$work/run" "$work/merged"

# Starting inputs (flat; libFuzzer names what it adds by content hash).
cp -p "$corpus"/* "$work/run/" 2>/dev/null || true
if [ -d "$root/fuzz/seeds/$target" ]; then cp -p "$root/fuzz/seeds/$target"/* "$work/run/" 2>/dev/null || true; fi
case $target in
  ReadTag) cp -p "$root"/examples/* "$work/run/" ;;
  DataSet) cp -p "$root"/examples/*.dat "$work/run/" ;;
esac

dict=()
if [ -f "$root/fuzz/dict/$target.dict" ]; then dict=(-dict="$root/fuzz/dict/$target.dict"); fi

log=$work/run.log
echo "== $target: fuzzing for $seconds s (log also in $build/fuzz/$target.campaign.log)"
: >"$log"
start=$(date +%s)
status=0
runs=0
while :; do
  left=$((seconds - ($(date +%s) - start)))
  [ $left -gt 0 ] || break
  runs=$((runs + 1))
  set +e
  nice -n 19 "$binary" "$work/run" "${limits[@]}" "${dict[@]}" \
    -max_total_time="$left" -print_final_stats=1 \
    -artifact_prefix="$crashes/" >"$work/part.log" 2>&1
  part_status=$?
  set -e
  cat "$work/part.log" >>"$log"
  if [ $part_status -ne 0 ]; then
    status=$part_status
    echo "!! run $runs stopped with status $part_status; the input is under fuzz/crashes/$target/:"
    grep -E "ERROR|property broken|SUMMARY|Test unit written" "$work/part.log" | head -20 || true
  fi
  [ $part_status -ne 0 ] && [ "${MAPTAG_FUZZ_KEEP_GOING:-0}" = 1 ] || break
done
cp "$log" "$build/fuzz/$target.campaign.log"

# Minimise: regression inputs first (all kept), then whatever adds coverage.
cp -p "$corpus"/regression-* "$work/merged/" 2>/dev/null || true
nice -n 19 "$binary" -merge=1 "$work/merged" "$work/run" "${limits[@]}" \
  >"$work/merge.log" 2>&1 || {
  echo "!! merging failed, corpus left as it was; see $work/merge.log" >&2
  cat "$work/merge.log" >&2
  exit 1
}
rm -rf "$corpus"
mkdir -p "$corpus"
cp -p "$work/merged"/* "$corpus/" 2>/dev/null || true

# Figures.
# Executions over all runs: each run's final count, or for a run that
# crashed its last progress line.
executions=$(awk '
  /^INFO: Seed:/ { total += last; last = 0 }
  /^#[0-9]+/ { n = substr($1, 2) + 0; if (n > last) last = n }
  /^stat::number_of_executed_units:/ { last = $2 + 0 }
  END { print total + last }' "$log")
peak_rss=$(sed -n 's/^stat::peak_rss_mb: *//p' "$log" | tail -1)
run_cov=$(grep -oE 'cov: [0-9]+ ft: [0-9]+' "$log" | tail -1)
files=$(find "$corpus" -type f | wc -l)
bytes=$(find "$corpus" -type f -printf '%s\n' | awk '{s += $1} END {print s + 0}')
# Coverage of the minimised corpus: load it and stop.
final_cov=$(nice -n 19 "$binary" "$corpus" "${limits[@]}" -runs=0 2>&1 |
  grep -oE 'cov: [0-9]+ ft: [0-9]+' | tail -1)

echo "== $target: $seconds s"
echo "executions:        ${executions:-?} in $runs run(s) (peak RSS ${peak_rss:-?} MB)"
echo "coverage (run):    ${run_cov:-?}"
echo "corpus:            $files files, $bytes bytes in fuzz/corpus/$target"
echo "coverage (corpus): ${final_cov:-?}"
echo "crashes:           $(find "$crashes" -type f | wc -l) files in fuzz/crashes/$target"
exit $status
