#!/usr/bin/env bash
# From a fresh Debian 12 machine to the running program: installs the
# packages, builds the release preset and analyses the bundled example logs.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
cmake --preset release > /dev/null
cmake --build --preset release
exec build/release/bin/trawlex-cli crawl --spider 百度 examples/logs
