#!/usr/bin/env bash
# Times trawlex-cli against GNU grep (and awk, gzip, zstd) on the same
# generated logs, side by side in one run, and prints the ratios and the
# peak resident memory.
#
#   bench/run_benchmark.sh [BYTES]      (default 256 MiB per kind of log, in 4 files; 1 GiB: $((1 << 30)))
#
# Needs a release build: cmake --preset release && cmake --build --preset release
set -euo pipefail
cd "$(dirname "$0")/.."

bytes=${1:-$((256 << 20))}
runs=${RUNS:-3}
bin=build/release/bin
out=${BENCH_DIR:-bench/out}

[ -x "$bin/trawlex-cli" ] && [ -x "$bin/trawlex-loggen" ] || {
  echo "build the release preset first" >&2; exit 1; }
# Logs of one kind, generated once: W3C, combined, combined gzip'd, combined zstd'd.
logs() {
  local dir=$out/$1-$bytes; shift
  [ -d "$dir" ] || "$bin/trawlex-loggen" --files 4 --bytes "$bytes" --seed 1 "$@" "$dir" >&2
  echo "$dir"
}
w3c=$(logs w3c)
combined=$(logs combined --format combined)
gzipped=$(logs gzip --format combined --compress gzip)
zstded=$(logs zstd --format combined --compress zstd)
cat "$w3c"/* "$combined"/* "$gzipped"/* "$zstded"/* > /dev/null   # warm the page cache

# The same job as trawlex: the first #Fields: directive gives the column,
# lines holding the token are counted, their pages case-folded and counted.
awk_job='FNR == 1 { col = 0 }
  col == 0 && tolower(substr($0, 1, 8)) == "#fields:" {
    for (i = 2; i <= NF; i++) if (tolower($i) == "cs-uri-stem") { col = i - 1; break } }
  index(tolower($0), "baiduspider") { n++; if (col) seen[tolower($col)] = 1 }
  END { c = 0; for (p in seen) c++; print n, c }'

# Output goes to a file: GNU grep stops at the first match when it writes to /dev/null.
sink=$(mktemp)
trap 'rm -f "$sink" "$sink".*' EXIT

# Median wall time over $runs runs, and the peak memory of the last one (KiB).
measure() {
  local times=() peak
  for _ in $(seq "$runs"); do
    local result
    result=$( { /usr/bin/time -f '%e %M' "$@" > "$sink"; } 2>&1 | tail -n 1)
    times+=("${result% *}")
    peak=${result#* }
  done
  median=$(printf '%s\n' "${times[@]}" | sort -n | sed -n "$(( (runs + 1) / 2 ))p")
  echo "$median $peak"
}

cores=$(nproc)
base_time=1
report() {
  local name=$1 time=$2 peak=$3
  printf '%-44s %8.3f %7.2fx %10.1f\n' "$name" "$time" "$(echo "$time / $base_time" | bc -l)" "$(echo "$peak / 1024" | bc -l)"
}
# A section compares each command with the first one of it.
section() {
  printf '\n%s\n%-44s %8s %8s %10s\n' "$1" command seconds ratio 'peak MiB'
  read -r base_time base_peak < <(measure "${@:3}")
  report "$2" "$base_time" "$base_peak"
}
crawl() { measure "$bin/trawlex-cli" crawl --spider 百度 "$@"; }
# Reports of one and of several jobs must be the same.
same_for_any_jobs() {
  "$bin/trawlex-cli" crawl --spider 百度 --jobs 1 "$1" > "$sink.1"
  "$bin/trawlex-cli" crawl --spider 百度 --jobs "$cores" "$1" > "$sink.n"
  cmp -s "$sink.1" "$sink.n" && echo "  --jobs 1 and --jobs $cores give the same report" || echo "  REPORTS DIFFER"
}

section "W3C (IIS) logs, $bytes bytes" "grep -ci baiduspider" grep -ci baiduspider "$w3c"/*
read -r t p < <(crawl --jobs 1 "$w3c"); report "trawlex-cli --jobs 1" "$t" "$p"
read -r t p < <(crawl --jobs "$cores" "$w3c"); report "trawlex-cli --jobs $cores" "$t" "$p"
read -r t p < <(measure awk "$awk_job" "$w3c"/*); report "awk (same job)" "$t" "$p"
read -r t p < <(measure wc -l "$w3c"/*); report "wc -l (reading alone)" "$t" "$p"
same_for_any_jobs "$w3c"

section "nginx combined logs, $bytes bytes (target: trawlex <= 0.5x grep)" "grep -ci baiduspider" \
  grep -ci baiduspider "$combined"/*
read -r t p < <(crawl --jobs 1 "$combined"); report "trawlex-cli --jobs 1" "$t" "$p"
read -r t p < <(crawl --jobs "$cores" "$combined"); report "trawlex-cli --jobs $cores" "$t" "$p"
same_for_any_jobs "$combined"

section "the same gzip'd (level 6), $(du -sb "$gzipped" | cut -f1) bytes (target: trawlex <= 0.2x)" \
  "gzip -dc | grep -ci baiduspider" bash -c 'gzip -dc "$@" | grep -ci baiduspider' _ "$gzipped"/*
if command -v igzip > /dev/null; then
  read -r t p < <(measure bash -c 'igzip -dc "$@" | grep -ci baiduspider' _ "$gzipped"/*)
  report "igzip -dc | grep -ci baiduspider" "$t" "$p"
fi
read -r t p < <(crawl --jobs 1 "$gzipped"); report "trawlex-cli --jobs 1" "$t" "$p"
read -r t p < <(crawl --jobs "$cores" "$gzipped"); report "trawlex-cli --jobs $cores" "$t" "$p"
same_for_any_jobs "$gzipped"

section "the same zstd'd, $(du -sb "$zstded" | cut -f1) bytes" \
  "zstd -dc | grep -ci baiduspider" bash -c 'zstd -qdc "$@" | grep -ci baiduspider' _ "$zstded"/*
read -r t p < <(crawl --jobs 1 "$zstded"); report "trawlex-cli --jobs 1" "$t" "$p"
same_for_any_jobs "$zstded"

# Crawler check: 10,000 distinct addresses against a resolver answering after
# 50 ms (at most 64 lookups at once), then the same again from the cache.
echo
"$bin/trawlex-verifybench" 10000 50

# The overview window against the command line with the same jobs (the
# window runs one per core), on the combined logs; then the window's own
# figures: the GUI thread's longest gap during the run, how soon 停止 ends a
# run, paint times of a large table and chart.
if [ -x "$bin/trawlex-windowbench" ]; then
  section "overview window, combined logs, $bytes bytes (target: window <= 1.2x, GUI gap <= 100 ms)" \
    "trawlex-cli overview --jobs $cores" "$bin/trawlex-cli" overview --jobs "$cores" "$combined"
  window_times=()
  for _ in $(seq "$runs"); do
    window=$(QT_QPA_PLATFORM=offscreen "$bin/trawlex-windowbench" "$combined" 2> /dev/null)
    window_times+=("$(echo "$window" | awk '/^window run:/ { print $3 }')")
  done
  t=$(printf '%s\n' "${window_times[@]}" | sort -n | sed -n "$(( (runs + 1) / 2 ))p")
  printf '%-44s %8.3f %7.2fx\n' "window run (开始分析 to the table shown)" "$t" "$(echo "$t / $base_time" | bc -l)"
  echo "$window" | sed -n '2,$s/^/  /p'
fi
