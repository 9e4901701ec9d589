#!/usr/bin/env bash
# Everything from a fresh Debian 12 machine to a tested build: installs the
# packages, builds the release and sanitizer builds and runs every test under
# both, proves the engines build without Qt Widgets, and runs each fuzz
# target for a bounded time (FUZZ_SECONDS, default 30).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

step() { printf '\n=== %s\n' "$*"; }

step "engines and command line without Qt Widgets"
cmake --preset nogui -DTRAWLEX_WERROR=ON > /dev/null
cmake --build --preset nogui

for preset in release asan; do
  step "$preset build and tests"
  cmake --preset "$preset" -DTRAWLEX_WERROR=ON > /dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset"
done

step "fuzzing, ${FUZZ_SECONDS:-30} s per target"
cmake --preset fuzz > /dev/null
cmake --build --preset fuzz
for target in build/fuzz/bin/fuzz_*; do
  corpus=build/fuzz/corpus/$(basename "$target")
  mkdir -p "$corpus"
  [ -d "fuzz/seeds/$(basename "$target")" ] && cp -n fuzz/seeds/"$(basename "$target")"/* "$corpus"/ 2>/dev/null || true
  "$target" -max_total_time="${FUZZ_SECONDS:-30}" -artifact_prefix=build/fuzz/ "$corpus" 2>&1 | tail -n 2
done
echo "fuzzing found nothing"
