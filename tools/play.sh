#!/usr/bin/env bash
# Builds Vilmar Pintkeeper and starts the native game on this desktop.
# Arguments go to the game (--scale N, --fullscreen). Missing packages are
# installed when run as root; otherwise the one apt-get line is printed.
# The Windows program under Wine: tools/play-wine.sh.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(cmake g++ make pkg-config libsdl2-dev libimgui-dev libpng-dev libcurl4-openssl-dev
          fonts-dejavu-core)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" = 0 ]; then
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -q
    apt-get install -y -q --no-install-recommends "${missing[@]}"
  else
    echo "play: packages are missing; install them with:" >&2
    echo "  sudo apt-get install ${missing[*]}" >&2
    exit 1
  fi
fi

cmake --preset play >/dev/null
cmake --build --preset play -j"$(nproc 2>/dev/null || echo 2)" --target vilmar-pintkeeper
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "play: no display (DISPLAY or WAYLAND_DISPLAY); the game is build/play/frontends/sdl/vilmar-pintkeeper" >&2
  exit 2
fi
exec build/play/frontends/sdl/vilmar-pintkeeper "$@"
