#!/usr/bin/env bash
# Installs what is missing, builds the program and starts it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/deps.sh"
sfx_install_missing

sfx_build_release "$root" sfx-harvester
build="$root/build/release"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: starting on a virtual X display (xvfb-run)."
  exec xvfb-run -a "$build/app/sfx-harvester"
fi
exec "$build/app/sfx-harvester"
