#!/usr/bin/env bash
# Whole-tool benchmark: Maptag against the reference floor program.
#
#   bench/tool/run_tool_bench.sh [BUILD_DIR] [ITEM_COUNTS...]
#
# BUILD_DIR is a Release build holding Maptag (default: build). ITEM_COUNTS
# default to "20000 1000000". For each size it generates the inputs (16
# inputs, a 40x40 map, a few label words per cell), runs both programs
# three times each in the same run and prints the best wall time, the
# largest peak resident memory and the ratios of Maptag to the reference.
# Both outputs are compared byte for byte.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-build}
shift || true
counts=("$@")
[ ${#counts[@]} -gt 0 ] || counts=(20000 1000000)

maptag=$(cd "$build" && pwd)/Maptag
[ -x "$maptag" ] || { echo "no Maptag in $build (build it first)" >&2; exit 1; }
work=$(mktemp -d /tmp/maptag-bench-XXXXXX)
trap 'rm -rf "$work"' EXIT

reference=$work/reference_label
g++ -std=c++20 -O2 -o "$reference" "$here/reference_label.cpp"

# Prints "seconds kilobytes" for the given command: the best wall time of
# three runs (in milliseconds precision) and the largest peak resident size.
measure() {
  local best="" peak=0
  for _ in 1 2 3; do
    local start end
    start=$(date +%s%N)
    /usr/bin/time -f "%M" -o "$work/time" "$@" >/dev/null
    end=$(date +%s%N)
    local ms=$(( (end - start) / 1000000 ))
    local kb
    kb=$(tail -n 1 "$work/time")
    if [ -z "$best" ] || [ "$ms" -lt "$best" ]; then best=$ms; fi
    if [ "$kb" -gt "$peak" ]; then peak=$kb; fi
  done
  echo "$(awk -v ms="$best" 'BEGIN { printf "%.3f", ms / 1000 }') $peak"
}

printf "%-10s %-10s %10s %12s %8s %8s\n" items program wall_s peak_rss_MB time_x rss_x
for n in "${counts[@]}"; do
  dir=$work/n$n
  python3 "$here/make_inputs.py" "$dir" "$n"
  read -r ref_s ref_kb < <(measure "$reference" "$dir/map.dat" "$dir/items.dat" "$dir/ref.dat")
  read -r tool_s tool_kb < <(measure "$maptag" "$dir/weights.net" "$dir/map.dat" "$dir/items.dat" "$dir/out.dat")
  cmp -s "$dir/ref.dat" "$dir/out.dat" || echo "warning: outputs differ for $n items" >&2
  awk -v n="$n" -v rs="$ref_s" -v rk="$ref_kb" -v ts="$tool_s" -v tk="$tool_kb" 'BEGIN {
    printf "%-10s %-10s %10.3f %12.1f %8s %8s\n", n, "reference", rs, rk / 1024, "", "";
    printf "%-10s %-10s %10.3f %12.1f %8.2f %8.2f\n", n, "Maptag", ts, tk / 1024,
           (rs > 0 ? ts / rs : 0), (rk > 0 ? tk / rk : 0) }'
  rm -rf "$dir"
done
