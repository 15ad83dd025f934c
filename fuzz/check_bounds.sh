#!/usr/bin/env bash
# Checks the resource bounds on large adversarial inputs: every input under
# 1 MB must be read in under 1 second and in under 256 MB.
#
#   fuzz/check_bounds.sh [BUILD_DIR]
#
# The inputs come from fuzz/bounds/make_large_inputs.py (nesting, long
# lists, huge header counts, long words; see there). Each runs in a process
# of its own through the plain <Target>_replay programs, built with g++ and
# without sanitizers:
#   cmake -S . -B build-replay -DCMAKE_BUILD_TYPE=Release -DMAPTAG_BUILD_FUZZERS=ON -DMAPTAG_BUILD_TESTS=OFF
#   cmake --build build-replay -j2
# BUILD_DIR defaults to build-replay at the top of the checkout. The bound is
# checked on the bare reader call; the figures of the whole entry (which
# reads several times and checks properties) are printed alongside. A
# process may use at most 1 GB of address space, so that a runaway
# allocation fails at once instead of pressing the shared machine.
# Exit status 0 when every input kept within the bounds.
set -uo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-replay}
time_limit_ms=1000
rss_limit_kb=$((256 * 1024))

inputs=$(mktemp -d "${TMPDIR:-/tmp}/maptag-bounds-XXXXXX")
trap 'rm -rf "$inputs"' EXIT
python3 "$root/fuzz/bounds/make_large_inputs.py" "$inputs"

failed=0
printf '%-13s %-26s %10s %10s %10s %10s  %s\n' target input "reader ms" "reader KB" "entry ms" "entry KB" verdict
for folder in "$inputs"/*/; do
  target=$(basename "$folder")
  program=$build/fuzz/${target}_replay
  if [ ! -x "$program" ]; then
    echo "$program not found; build it first (see the top of $0)" >&2
    exit 2
  fi
  for input in "$folder"*; do
    line=$( (ulimit -v $((1024 * 1024)); nice -n 19 timeout 60 "$program" "$input") 2>/dev/null)
    status=$?
    name=$(basename "$input")
    if [ $status -gt 1 ] || [ -z "$line" ]; then
      printf '%-13s %-26s %10s %10s %10s %10s  %s\n' "$target" "$name" - - - - "DIED (status $status)"
      failed=1
      continue
    fi
    read -r reader_ms reader_kb entry_ms entry_kb < <(echo "$line" |
      sed -E 's/.*reader ([0-9.]+) ms, peak RSS ([0-9]+) KB, entry ([0-9.]+) ms, peak RSS ([0-9]+) KB.*/\1 \2 \3 \4/')
    verdict=ok
    if awk "BEGIN {exit !($reader_ms >= $time_limit_ms)}"; then verdict="TOO SLOW"; failed=1; fi
    if [ "$reader_kb" -ge $rss_limit_kb ]; then verdict="TOO BIG"; failed=1; fi
    if [ $status -eq 1 ]; then verdict="$verdict, property broken: ${line#*FAILED: }"; failed=1; fi
    printf '%-13s %-26s %10s %10s %10s %10s  %s\n' "$target" "$name" "$reader_ms" "$reader_kb" \
      "$entry_ms" "$entry_kb" "$verdict"
  done
done
exit $failed
