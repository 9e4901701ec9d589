#!/usr/bin/env bash
# Installs every Debian package that building, testing and running Trawlex needs.
# Idempotent: prints nothing and changes nothing when all packages are present.
set -euo pipefail

packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev
  qt6-base-dev qt6-base-dev-tools qt6-webengine-dev qt6-httpserver-dev qt6-websockets-dev
  libicu-dev libgl-dev qt6-svg-dev qt6-translations-l10n
  libisal-dev libzstd-dev libbz2-dev liblzma-dev libc-ares-dev pkg-config zlib1g-dev
  xvfb xauth imagemagick fonts-wqy-microhei fonts-wqy-zenhei
  libsqlite3-dev libsimdjson-dev
  time bc
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q '^install ok installed$'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
  as_root=()
elif command -v sudo >/dev/null 2>&1; then
  as_root=(sudo)
else
  echo "setup: these packages are missing and neither root nor sudo is available: ${missing[*]}" >&2
  exit 1
fi

echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -qq
"${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
