#!/usr/bin/env bash
# Installs the Debian/Ubuntu packages the build, the program and the tests
# need, skipping those already present. Sourced by run.sh and test.sh.
set -euo pipefail

SFX_PACKAGES=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-qpa-plugins libgl-dev
  libcurl4-openssl-dev libpcre2-dev
  libgtest-dev libcpp-httplib-dev
  fonts-noto-cjk xvfb xauth openssl ca-certificates
)

sfx_install_missing() {
  local missing=()
  for pkg in "${SFX_PACKAGES[@]}" "$@"; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || missing+=("$pkg")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  echo "Installing: ${missing[*]}"
  "${sudo[@]}" apt-get update
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
}

# sfx_build_release ROOT TARGET...: builds the program's targets without the
# tests in ROOT/build/release (shared by run.sh and screenshot.sh).
sfx_build_release() {
  local root=$1
  shift
  cmake -S "$root" -B "$root/build/release" -G Ninja -DCMAKE_BUILD_TYPE=Release -DSFX_BUILD_TESTS=OFF
  cmake --build "$root/build/release" --target "$@"
}
