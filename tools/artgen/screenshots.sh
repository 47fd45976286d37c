#!/bin/sh
# Takes the screenshots in docs/screenshots from the simulator:
#   tools/artgen/screenshots.sh [BUILD_DIR]      (default build/default)
# Needs a built vilmar-sim; scales the frames 2x with /usr/bin/python3.
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build/default}
sim=$build/tools/vilmar-sim
shots=$root/tools/artgen/shots
out=$root/docs/screenshots
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$out" "$work/play" "$work/miss" "$work/level9" "$work/sprites"
"$sim" --passes 110 --input "$shots/play.txt" --png-dir "$work/play" --png-every 1 >/dev/null
"$sim" --passes 90 --input "$shots/miss.txt" --png-dir "$work/miss" --png-every 1 >/dev/null
"$sim" --passes 110 --level 9 --input "$shots/level9.txt" --png-dir "$work/level9" --png-every 1 >/dev/null
"$sim" --dump-sprites "$work/sprites" >/dev/null
/usr/bin/python3 - "$work" "$out" <<'PY'
import sys
from PIL import Image
work, out = sys.argv[1], sys.argv[2]
shots = {
    'opening.png': 'play/pass-000001.png',     # the opening screen, before F1
    'level1.png': 'play/pass-000060.png',     # a mug sliding to the first guest
    'cleared.png': 'play/pass-000100.png',     # level cleared: he cheers
    'miss.png': 'miss/pass-000085.png',        # a mug broken at the wall
    'level9.png': 'level9/pass-000100.png',   # flags and caps
}
for name, src in shots.items():
    im = Image.open('%s/%s' % (work, src))
    im.resize((im.width * 2, im.height * 2), Image.NEAREST).save('%s/%s' % (out, name))
Image.open('%s/sprites/sheet.png' % work).save('%s/sprites.png' % out)
PY
echo "screenshots written to $out"
