#!/usr/bin/env bash
# Builds the screenshot tool and draws MainWindow, as it opens, into
# docs/main-window.png. Needs no display: Qt's offscreen platform renders
# with the installed fonts (fonts-noto-cjk for the Chinese texts).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/deps.sh"
sfx_install_missing

sfx_build_release "$root" sfx-screenshot
build="$root/build/release"

mkdir -p "$root/docs"
# The save-folder box shows the home folder; an example one keeps the
# builder's own out of the picture.
HOME=/home/user QT_QPA_PLATFORM=offscreen "$build/app/sfx-screenshot" "$root/docs/main-window.png"
echo "Wrote $root/docs/main-window.png"
