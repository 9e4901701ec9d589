#!/usr/bin/env bash
# Times trawlex-cli against GNU grep (and awk, gzip, zstd) on the same
# generated logs, side by side in one run, and prints the ratios and the
# peak resident memory.
#
#   bench/run_benchmark.sh [BYTES]      (default 256 MiB per kind of log, in 4 files; 1 GiB: $((1 << 30)))
#   bench/run_benchmark.sh window       (only the crawl-log window against the command line)
#   bench/run_benchmark.sh pages        (only many distinct pages against few)
#
# Last it times a run in the crawl-log window (offscreen) against
# trawlex-cli over 20,000 small logs.
#
# Needs a release build: cmake --preset release && cmake --build --preset release
set -euo pipefail
cd "$(dirname "$0")/.."

runs=${RUNS:-3}
bin=build/release/bin
out=${BENCH_DIR:-bench/out}

[ -x "$bin/trawlex-cli" ] && [ -x "$bin/trawlex-loggen" ] || {
  echo "build the release preset first" >&2; exit 1; }

take_median() { sort -n | sed -n "$(( (runs + 1) / 2 ))p"; }

# A run in the window, from the click to the end, against the command line's
# whole process, over many small files: wall and CPU seconds, medians.
window_benchmark() {
  [ -x "$bin/trawlex-window-run" ] || { echo "no trawlex-window-run (a build without windows)"; return; }
  local small=${BENCH_SMALL_DIR:-$out/small-20000}
  if [ ! -d "$small" ]; then
    echo "generating 20000 small logs in $small ..."
    "$bin/trawlex-loggen" --files 20000 --lines 5 --seed 3 --pages 500 "$small"
  fi
  local cli_wall=() cli_cpu=() win_wall=() win_cpu=()
  for _ in $(seq "$runs"); do
    local wall user sys
    read -r wall user sys < <( { /usr/bin/time -f '%e %U %S' "$bin/trawlex-cli" crawl --spider 百度 --jobs 1 "$small" \
        > /dev/null; } 2>&1 | tail -n 1)
    cli_wall+=("$wall"); cli_cpu+=("$(echo "$user + $sys" | bc -l)")
    read -r wall cpu < <(QT_QPA_PLATFORM=offscreen "$bin/trawlex-window-run" "$small" 2> /dev/null)
    win_wall+=("$wall"); win_cpu+=("$cpu")
  done
  local cw cc ww wc
  cw=$(printf '%s\n' "${cli_wall[@]}" | take_median); cc=$(printf '%s\n' "${cli_cpu[@]}" | take_median)
  ww=$(printf '%s\n' "${win_wall[@]}" | take_median); wc=$(printf '%s\n' "${win_cpu[@]}" | take_median)
  echo
  printf '%-40s %8s %8s\n' "20000 small logs" 'wall s' 'CPU s'
  printf '%-40s %8.3f %8.3f\n' "trawlex-cli crawl --jobs 1 (process)" "$cw" "$cc"
  printf '%-40s %8.3f %8.3f\n' "crawl-log window (the run)" "$ww" "$wc"
  printf '%-40s %7.2fx %7.2fx\n' "window / command line" "$(echo "$ww / $cw" | bc -l)" "$(echo "$wc / $cc" | bc -l)"
}

# A large site with dynamic URLs: the same 3 M combined requests of three
# agents (Baiduspider, Googlebot, a browser) over 2 M distinct pages against
# over 1,000, each page asked in turn; the overview and the crawl run, one
# job each, time and peak memory.
pages_benchmark() {
  local few many
  few=$(pages_logs 1000)
  many=$(pages_logs 2000000)
  cat "$few"/* "$many"/* > /dev/null
  section "many distinct pages: 3 M combined requests over 2 M pages against 1,000 (targets: <= 2.5x, peak <= 300 MiB)" \
    "overview --jobs 1, 1,000 pages" "$bin/trawlex-cli" overview --jobs 1 "$few"
  read -r w c p < <(measure "$bin/trawlex-cli" overview --jobs 1 "$many"); report "overview --jobs 1, 2 M pages" "$w" "$c" "$p"
  section "the same requests, crawl run (targets: <= 2.5x, peak <= 150 MiB)" \
    "crawl --jobs 1, 1,000 pages" "$bin/trawlex-cli" crawl --spider 百度 --jobs 1 "$few"
  read -r w c p < <(crawl --jobs 1 "$many"); report "crawl --jobs 1, 2 M pages" "$w" "$c" "$p"
}
pages_logs() {
  local dir=$out/pages-$1
  [ -d "$dir" ] || "$bin/trawlex-loggen" --files 4 --lines 750000 --seed 7 --mix trio --walk --pages "$1" \
    --format combined "$dir" >&2
  echo "$dir"
}

# Output goes to a file: GNU grep stops at the first match when it writes to /dev/null.
sink=$(mktemp)
trap 'rm -f "$sink" "$sink".*' EXIT

# Median wall time and median CPU time (user + system, children included)
# over $runs runs, and the peak memory of the last one (KiB). On a shared
# machine the CPU time is the steadier figure.
measure() {
  local walls=() cpus=() peak
  for _ in $(seq "$runs"); do
    local result
    result=$( { /usr/bin/time -f '%e %U %S %M' "$@" > "$sink"; } 2>&1 | tail -n 1)
    read -r wall user system peak <<< "$result"
    walls+=("$wall")
    cpus+=("$(echo "$user + $system" | bc -l)")
  done
  echo "$(printf '%s\n' "${walls[@]}" | take_median) $(printf '%s\n' "${cpus[@]}" | take_median) $peak"
}

cores=$(nproc)
base_wall=1
base_cpu=1
report() {
  local name=$1 wall=$2 cpu=$3 peak=$4
  printf '%-44s %7.3f %6.2fx %7.3f %6.2fx %9.1f\n' "$name" "$wall" "$(echo "$wall / $base_wall" | bc -l)" \
    "$cpu" "$(echo "$cpu / $base_cpu" | bc -l)" "$(echo "$peak / 1024" | bc -l)"
}
# A section compares each command with the first one of it.
section() {
  printf '\n%s\n%-44s %7s %7s %7s %7s %9s\n' "$1" command wall ratio cpu ratio 'peak MiB'
  read -r base_wall base_cpu base_peak < <(measure "${@:3}")
  report "$2" "$base_wall" "$base_cpu" "$base_peak"
}
crawl() { measure "$bin/trawlex-cli" crawl --spider 百度 "$@"; }
# Reading and searching alone: what a crawl costs before its hits.
absent_token() { measure "$bin/trawlex-cli" crawl --token qzxqzxqzx --jobs 1 "$@"; }
# Reading and parsing every record alone: what an overview costs before it counts.
read_alone() { measure "$bin/trawlex-readbench" "$@"; }

case "${1:-}" in
  window) window_benchmark; exit 0 ;;
  pages) pages_benchmark; exit 0 ;;
esac

bytes=${1:-$((256 << 20))}
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

# The same job as trawlex: the latest #Fields: directive gives the column,
# lines holding the token are counted, their pages case-folded and counted.
awk_job='FNR == 1 { col = 0 }
  tolower(substr($0, 1, 8)) == "#fields:" {
    col = 0; for (i = 2; i <= NF; i++) if (tolower($i) == "cs-uri-stem") { col = i - 1; break } }
  index(tolower($0), "baiduspider") { n++; if (col) seen[tolower($col)] = 1 }
  END { c = 0; for (p in seen) c++; print n, c }'

# Reports of one and of several jobs must be the same.
same_for_any_jobs() {
  "$bin/trawlex-cli" crawl --spider 百度 --jobs 1 "$1" > "$sink.1"
  "$bin/trawlex-cli" crawl --spider 百度 --jobs "$cores" "$1" > "$sink.n"
  cmp -s "$sink.1" "$sink.n" && echo "  --jobs 1 and --jobs $cores give the same report" || echo "  REPORTS DIFFER"
}

section "W3C (IIS) logs, $bytes bytes (target: trawlex, one job, <= 0.3x grep)" "grep -ci baiduspider" grep -ci baiduspider "$w3c"/*
read -r w c p < <(crawl --jobs 1 "$w3c"); report "trawlex-cli --jobs 1" "$w" "$c" "$p"
read -r w c p < <(absent_token "$w3c"); report "trawlex-cli, a token no line holds" "$w" "$c" "$p"
read -r w c p < <(crawl --jobs "$cores" "$w3c"); report "trawlex-cli --jobs $cores" "$w" "$c" "$p"
read -r w c p < <(measure awk "$awk_job" "$w3c"/*); report "awk (same job)" "$w" "$c" "$p"
read -r w c p < <(measure wc -l "$w3c"/*); report "wc -l (reading alone)" "$w" "$c" "$p"
same_for_any_jobs "$w3c"

section "nginx combined logs, $bytes bytes (target: trawlex, one job, <= 0.4x grep)" "grep -ci baiduspider" \
  grep -ci baiduspider "$combined"/*
read -r w c p < <(crawl --jobs 1 "$combined"); report "trawlex-cli --jobs 1" "$w" "$c" "$p"
read -r w c p < <(absent_token "$combined"); report "trawlex-cli, a token no line holds" "$w" "$c" "$p"
read -r w c p < <(crawl --jobs "$cores" "$combined"); report "trawlex-cli --jobs $cores" "$w" "$c" "$p"
same_for_any_jobs "$combined"

section "the same gzip'd (level 6), $(du -sb "$gzipped" | cut -f1) bytes (target: trawlex <= 0.2x)" \
  "gzip -dc | grep -ci baiduspider" bash -c 'gzip -dc "$@" | grep -ci baiduspider' _ "$gzipped"/*
if command -v igzip > /dev/null; then
  read -r w c p < <(measure bash -c 'igzip -dc "$@" | grep -ci baiduspider' _ "$gzipped"/*)
  report "igzip -dc | grep -ci baiduspider" "$w" "$c" "$p"
fi
read -r w c p < <(crawl --jobs 1 "$gzipped"); report "trawlex-cli --jobs 1" "$w" "$c" "$p"
read -r w c p < <(crawl --jobs "$cores" "$gzipped"); report "trawlex-cli --jobs $cores" "$w" "$c" "$p"
same_for_any_jobs "$gzipped"

section "the same zstd'd, $(du -sb "$zstded" | cut -f1) bytes" \
  "zstd -dc | grep -ci baiduspider" bash -c 'zstd -qdc "$@" | grep -ci baiduspider' _ "$zstded"/*
read -r w c p < <(crawl --jobs 1 "$zstded"); report "trawlex-cli --jobs 1" "$w" "$c" "$p"
same_for_any_jobs "$zstded"

# The crawler overview reads every record of a realistic mix (about 30% from
# 20 crawlers and tools, every status class, a week per file), W3C and
# combined side by side. GoAccess, a general log analyser, does a comparable
# job (one pass, every request, per-page and per-status figures) on the
# combined files.
ov_w3c=$(logs overview-w3c --mix overview)
ov_combined=$(logs overview-combined --mix overview --format combined)
cat "$ov_w3c"/* "$ov_combined"/* > /dev/null
overview() { measure "$bin/trawlex-cli" overview "$@" "$ov_w3c" "$ov_combined"; }
section "crawler overview, W3C and combined, 2 x $bytes bytes (targets: one job <= 2x grep, $cores jobs <= 1.2x, peak <= 256 MiB)" \
  "grep -ci baiduspider" grep -ci baiduspider "$ov_w3c"/* "$ov_combined"/*
read -r w c p < <(overview --jobs 1); report "trawlex-cli overview --jobs 1" "$w" "$c" "$p"
read -r w c p < <(overview --jobs "$cores"); report "trawlex-cli overview --jobs $cores" "$w" "$c" "$p"
read -r w c p < <(read_alone "$ov_w3c" "$ov_combined"); report "reading and parsing alone, one job" "$w" "$c" "$p"
"$bin/trawlex-cli" overview --json --jobs 1 "$ov_w3c" "$ov_combined" > "$sink.1"
"$bin/trawlex-cli" overview --json --jobs "$cores" "$ov_w3c" "$ov_combined" > "$sink.n"
cmp -s "$sink.1" "$sink.n" && echo "  --jobs 1 and --jobs $cores give the same JSON" || echo "  OUTPUTS DIFFER"

# The site's files on top: a sitemap of 50,000 URLs (the logs' pages and
# 30,000 more) and a robots.txt of 200 lines, matched against every crawler's
# requests; one job, the same logs.
site=$out/site-files
[ -f "$site/robots.txt" ] || "$bin/trawlex-loggen" --files 1 --lines 1 --seed 1 --site-files "$site" "$out/site-scratch" >&2
section "overview with --sitemap (50,000 URLs) and --robots (200 lines), 2 x $bytes bytes (target: <= 1.2x)" \
  "trawlex-cli overview --jobs 1" "$bin/trawlex-cli" overview --jobs 1 --json "$ov_w3c" "$ov_combined"
read -r w c p < <(measure "$bin/trawlex-cli" overview --jobs 1 --json --sitemap "$site/sitemap.xml" \
  --robots "$site/robots.txt" "$ov_w3c" "$ov_combined")
report "overview --sitemap --robots --jobs 1" "$w" "$c" "$p"
"$bin/trawlex-cli" overview --json --jobs 1 --sitemap "$site/sitemap.xml" --robots "$site/robots.txt" \
  "$ov_w3c" "$ov_combined" > "$sink.1"
"$bin/trawlex-cli" overview --json --jobs "$cores" --sitemap "$site/sitemap.xml" --robots "$site/robots.txt" \
  "$ov_w3c" "$ov_combined" > "$sink.n"
cmp -s "$sink.1" "$sink.n" && echo "  --jobs 1 and --jobs $cores give the same JSON" || echo "  OUTPUTS DIFFER"

if ! command -v goaccess > /dev/null; then
  echo "installing goaccess (Debian) for the comparison ..." >&2
  ${SUDO:-$( [ "$(id -u)" -eq 0 ] || echo sudo)} apt-get install -y goaccess > /dev/null
fi
section "crawler overview against GoAccess on the combined files, $bytes bytes (target: >= 100x faster)" \
  "trawlex-cli overview --jobs 1" "$bin/trawlex-cli" overview --jobs 1 "$ov_combined"
read -r w c p < <(read_alone "$ov_combined"); report "reading and parsing alone, one job" "$w" "$c" "$p"
read -r w c p < <(runs=1 measure goaccess "$ov_combined"/* --log-format=COMBINED -o "$sink.json")
report "goaccess --log-format=COMBINED -o out.json" "$w" "$c" "$p"
printf '  trawlex-cli overview is %.0fx faster than GoAccess (wall), %.0fx (CPU)\n' \
  "$(echo "$w / $base_wall" | bc -l)" "$(echo "$c / $base_cpu" | bc -l)"

# The site store: a first import against a plain overview of the same files
# (one job each), the store's size against the logs'; an import with nothing
# new over 1,000 files; `overview --store` and `trend` over a generated year
# (365 days of 50,000 requests, 30,000 pages, 40 agents).
stores=$(mktemp -d)
section "site store: first import of the overview's logs, 2 x $bytes bytes (target: <= 1.5x)" \
  "trawlex-cli overview --jobs 1" "$bin/trawlex-cli" overview --jobs 1 "$ov_w3c" "$ov_combined"
read -r w c p < <(measure bash -c 'rm -f "$1"; "$2" import --jobs 1 --store "$1" "$3" "$4"' _ \
  "$stores/first.sqlite" "$bin/trawlex-cli" "$ov_w3c" "$ov_combined"); report "trawlex-cli import --jobs 1" "$w" "$c" "$p"
store_size=$(stat -c %s "$stores/first.sqlite") log_size=$(du -sbc "$ov_w3c" "$ov_combined" | tail -n 1 | cut -f1)
printf '  store %d bytes, %.1f%% of the logs (target: <= 15%%)\n' "$store_size" "$(echo "100 * $store_size / $log_size" | bc -l)"
"$bin/trawlex-cli" overview --jobs 1 --json "$ov_w3c" "$ov_combined" | grep -v '"path"' > "$sink.1"
"$bin/trawlex-cli" overview --json --store "$stores/first.sqlite" | grep -v '"path"' > "$sink.n"
python3 - "$sink.1" "$sink.n" <<'PY' && echo "  overview --store gives the plain overview's figures" || echo "  FIGURES DIFFER"
import json, sys
a, b = (json.load(open(f)) for f in sys.argv[1:])
for o in (a, b):
    o.pop("inputs")
sys.exit(a != b)
PY
many=$out/small-1000
[ -d "$many" ] || "$bin/trawlex-loggen" --files 1000 --lines 200 --seed 5 --format combined "$many" >&2
"$bin/trawlex-cli" import --store "$stores/many.sqlite" "$many" > /dev/null
section "site store: import again with nothing new, 1,000 files (target: <= 1 s)" \
  "trawlex-cli import (nothing new)" "$bin/trawlex-cli" import --store "$stores/many.sqlite" "$many"
year=$out/year.sqlite
# Made again when missing or of an older store format.
"$bin/trawlex-cli" trend --store "$year" > /dev/null 2>&1 || {
  echo "generating a year's store in $year ..." >&2; rm -f "$year"; "$bin/trawlex-storegen" "$year"; }
section "site store: a year, 365 x 50,000 requests, 30,000 pages, 40 agents (targets: <= 2 s, trend <= 1 s)" \
  "trawlex-cli overview --store" "$bin/trawlex-cli" overview --store "$year"
read -r w c p < <(measure "$bin/trawlex-cli" trend --store "$year"); report "trawlex-cli trend --store" "$w" "$c" "$p"
rm -rf "$stores"

# Crawler check: what --verify adds to the overview besides waiting for DNS
# (a local port that refuses at once stands in for the name server), then
# 10,000 distinct addresses against a resolver answering after 50 ms (at most
# 64 lookups at once), and the same again from the cache.
section "crawler check on the overview's combined files, $bytes bytes (target: only the lookups on top)" \
  "trawlex-cli overview --jobs 1" "$bin/trawlex-cli" overview --jobs 1 --json "$ov_combined"
read -r w c p < <(measure "$bin/trawlex-cli" overview --jobs 1 --json --verify --no-cache --dns-server 127.0.0.1:9 \
  "$ov_combined"); report "overview --verify, DNS refused" "$w" "$c" "$p"
"$bin/trawlex-verifybench" 10000 50

# Format definitions: the same requests (the overview's mix, the same seed
# and line count) written as nginx combined, as Alibaba Cloud CDN lines and
# as Caddy JSON lines; then simdjson against Qt's JSON parser on the Caddy lines.
fmt_lines=$(( bytes / 4 / 200 ))
fmt_logs() { logs "fmt-$1" --mix overview --lines "$fmt_lines" --format "$1"; }
fmt_combined=$(fmt_logs combined)
fmt_aliyun=$(fmt_logs aliyun-cdn)
fmt_caddy=$(fmt_logs caddy)
cat "$fmt_combined"/* "$fmt_aliyun"/* "$fmt_caddy"/* > /dev/null
section "overview of the same $((fmt_lines * 4)) requests by format (targets: aliyun-cdn <= 1.2x, caddy <= 2x)" \
  "combined, overview --jobs 1" "$bin/trawlex-cli" overview --jobs 1 "$fmt_combined"
read -r w c p < <(measure "$bin/trawlex-cli" overview --jobs 1 "$fmt_aliyun"); report "aliyun-cdn, overview --jobs 1" "$w" "$c" "$p"
read -r w c p < <(measure "$bin/trawlex-cli" overview --jobs 1 "$fmt_caddy"); report "caddy, overview --jobs 1" "$w" "$c" "$p"
"$bin/trawlex-jsonbench" "$(ls "$fmt_caddy"/* | head -n 1)"

# The overview window against the command line with the same jobs (the
# window runs one per core), on the overview's combined logs; then the
# window's own figures: the GUI thread's longest gap during the run, how
# soon 停止 ends a run, paint times of a large table and chart.
if [ -x "$bin/trawlex-windowbench" ]; then
  section "overview window, combined mix, $bytes bytes (targets: window <= 1.2x, GUI gap <= 100 ms)" \
    "trawlex-cli overview --jobs $cores" "$bin/trawlex-cli" overview --jobs "$cores" "$ov_combined"
  walls=() cpus=()
  for _ in $(seq "$runs"); do
    window=$(QT_QPA_PLATFORM=offscreen "$bin/trawlex-windowbench" "$ov_combined" 2> /dev/null)
    read -r wall cpu < <(echo "$window" | awk '/^window run:/ { print $3, $6 }')
    walls+=("$wall") cpus+=("$cpu")
  done
  wall=$(printf '%s\n' "${walls[@]}" | take_median) cpu=$(printf '%s\n' "${cpus[@]}" | take_median)
  printf '%-44s %7.3f %6.2fx %7.3f %6.2fx\n' "window: 开始分析 to the table shown" "$wall" \
    "$(echo "$wall / $base_wall" | bc -l)" "$cpu" "$(echo "$cpu / $base_cpu" | bc -l)"
  echo "$window" | sed -n '2,$s/^/  /p'
fi

pages_benchmark
window_benchmark
