#!/usr/bin/env bash
# Makes the desktop icons (resources/icons/vilmar-pintkeeper-SIZE.png) from
# the game's own full-mug picture: the magenta of its transparent index
# becomes transparent, the mug is centred on a 64 x 64 square and scaled by
# whole factors for 128 and 256, smoothed down for 16, 32 and 48.
# Needs the simulator (build/default) and imagemagick.
set -euo pipefail
cd "$(dirname "$0")/.."
sprites=$(mktemp -d)
trap 'rm -rf "$sprites"' EXIT
build/default/tools/vilmar-sim --dump-sprites "$sprites" >/dev/null
base=$sprites/icon-64.png
convert "$sprites/247.png" -alpha set -transparent '#ff00ff' -background none -gravity center \
  -extent 64x64 "$base"
for size in 16 32 48; do
  convert "$base" -filter Box -resize "${size}x${size}" "PNG32:resources/icons/vilmar-pintkeeper-$size.png"
done
convert "$base" "PNG32:resources/icons/vilmar-pintkeeper-64.png"
convert "$base" -sample 200% "PNG32:resources/icons/vilmar-pintkeeper-128.png"
convert "$base" -sample 400% "PNG32:resources/icons/vilmar-pintkeeper-256.png"
ls resources/icons
