#!/usr/bin/env bash
# Times trawlex-cli against GNU grep and an awk one-liner on the same
# generated logs, side by side in one run, and prints the ratios and the
# peak resident memory.
#
#   bench/run_benchmark.sh [BYTES]      (default 1 GiB in 4 files)
#
# Needs a release build: cmake --preset release && cmake --build --preset release
set -euo pipefail
cd "$(dirname "$0")/.."

bytes=${1:-$((1 << 30))}
runs=${RUNS:-5}
bin=build/release/bin
data=${BENCH_DIR:-bench/out/logs-$bytes}

[ -x "$bin/trawlex-cli" ] && [ -x "$bin/trawlex-loggen" ] || {
  echo "build the release preset first" >&2; exit 1; }
if [ ! -d "$data" ]; then
  echo "generating $bytes bytes of logs in $data ..."
  "$bin/trawlex-loggen" --files 4 --bytes "$bytes" --seed 1 "$data"
fi
files=("$data"/*.log)
cat "${files[@]}" > /dev/null   # warm the page cache

# The same job as trawlex: the first #Fields: directive gives the column,
# lines holding the token are counted, their pages case-folded and counted.
awk_job='FNR == 1 { col = 0 }
  col == 0 && tolower(substr($0, 1, 8)) == "#fields:" {
    for (i = 2; i <= NF; i++) if (tolower($i) == "cs-uri-stem") { col = i - 1; break } }
  index(tolower($0), "baiduspider") { n++; if (col) seen[tolower($col)] = 1 }
  END { c = 0; for (p in seen) c++; print n, c }'

# Output goes to a file: GNU grep stops at the first match when it writes to /dev/null.
sink=$(mktemp)
trap 'rm -f "$sink"' EXIT

# Median wall time over $runs runs, and the peak memory of the last one (KiB).
measure() {
  local times=() peak
  for _ in $(seq "$runs"); do
    local out
    out=$( { /usr/bin/time -f '%e %M' "$@" > "$sink"; } 2>&1 | tail -n 1)
    times+=("${out% *}")
    peak=${out#* }
  done
  median=$(printf '%s\n' "${times[@]}" | sort -n | sed -n "$(( (runs + 1) / 2 ))p")
  echo "$median $peak"
}

cores=$(nproc)
printf '%-34s %8s %8s %10s\n' command seconds 'vs grep' 'peak MiB'
read -r grep_time grep_peak < <(measure grep -ci baiduspider "${files[@]}")
report() {
  local name=$1 time=$2 peak=$3
  printf '%-34s %8.3f %7.2fx %10.1f\n' "$name" "$time" "$(echo "$time / $grep_time" | bc -l)" "$(echo "$peak / 1024" | bc -l)"
}
report "grep -ci baiduspider" "$grep_time" "$grep_peak"
read -r t p < <(measure "$bin/trawlex-cli" crawl --spider 百度 --jobs 1 "$data"); report "trawlex-cli --jobs 1" "$t" "$p"
read -r t p < <(measure "$bin/trawlex-cli" crawl --spider 百度 --jobs "$cores" "$data"); report "trawlex-cli --jobs $cores" "$t" "$p"
read -r t p < <(measure awk "$awk_job" "${files[@]}"); report "awk (same job)" "$t" "$p"
read -r t p < <(measure wc -l "${files[@]}"); report "wc -l (reading alone)" "$t" "$p"

# Crawler check: 10,000 distinct addresses against a resolver answering after
# 50 ms (at most 64 lookups at once), then the same again from the cache.
echo
"$bin/trawlex-verifybench" 10000 50
