#!/usr/bin/env bash
# Installs every Debian package the build, the tests, the benchmarks and the tools use.
# Idempotent: packages already present are skipped without touching the network.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git
  libjpeg62-turbo-dev libpng-dev zlib1g-dev libgif-dev libtiff-dev libimagequant-dev libexiv2-dev
  qt6-base-dev qt6-base-dev-tools libgl-dev adwaita-icon-theme
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth
  libvips-tools imagemagick hyperfine
  clang libclang-rt-14-dev
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
