#!/usr/bin/env bash
# From a fresh Debian 12 machine to the running program: installs the
# packages, builds the release preset and starts 蛛迹通 in the bundled
# example logs folder. Without a display: xvfb-run scripts/run.sh
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
cmake --preset release > /dev/null
cmake --build --preset release
cd examples/logs
exec ../../build/release/bin/trawlex "$@"
