#!/usr/bin/python3
"""Composes test frames from the committed pictures at the game's own
positions, to check that figures meet the counters, doors, walls and taps.

    /usr/bin/python3 tools/artgen/preview.py OUTDIR

Writes placement.png (every lane at once: customers at the door and along the
bar, mugs at launch, at the wall and broken, the bartender idle), poses.png
(the bartender's poses on each lane) and decorations.png (levels 1 and 9)."""

import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

import artgen  # noqa: E402
import layout as L  # noqa: E402
from px import load  # noqa: E402


def pic(rid):
    return load(artgen.picture_path(rid))


def put(frame, rid, cx, cy):
    p = pic(rid)
    x, y = L.top_left(cx, cy, p.w, p.h)
    frame.blit(p, x, y)


def corner(frame, rid, x, y):
    frame.blit(pic(rid), x, y)


def base(level=2):
    f = pic(256).copy()
    if level in (1, 5, 12, 19):
        corner(f, 251, 100, 227)
        corner(f, 253, 0, 0)
        corner(f, 252, 352, 0)
    if level in (9, 15):
        corner(f, 243, 10, 227)
        corner(f, 245, -1, 0)
        corner(f, 244, 352, 0)
    return f


def hud(f, score=1209, lives=3):
    digits = {0: 271, 1: 272, 2: 273, 3: 274, 4: 275, 5: 276, 6: 277, 7: 278, 8: 279, 9: 237}
    x = L.SCORE_X
    for ch in str(score):
        corner(f, digits[int(ch)], x, L.SCORE_Y)
        x += 13
    for i in range(min(lives, 6)):
        corner(f, 257, L.LIVES_X + 8 * i, L.LIVES_Y)


WALK = [(267, 268, 269), (258, 259, 260), (261, 262, 263), (264, 265, 266), (254, 255, 270)]


def placement(out):
    f = base()
    for lane in L.LANES:
        y = L.CUST_Y[lane]
        put(f, WALK[lane][0], L.DOOR_X[lane], y)
        put(f, WALK[(lane + 1) % 5][1], L.DOOR_X[lane] + 80, y)
        put(f, WALK[4][2], L.DOOR_X[lane] + 150, y)
        put(f, WALK[(lane + 2) % 5][0], L.CUST_END_X[lane] - 30, y)
        put(f, 247, L.MUG_LAUNCH_X[lane] - 40, L.MUG_Y[lane])
        put(f, 248, L.DOOR_X[lane] + 110, L.MUG_Y[lane])
        put(f, 249 if lane % 2 else 250, L.WALL_X[lane] - 1, L.MUG_Y[lane])
    put(f, 242, *L.IDLE[0])
    hud(f)
    f.image().save(os.path.join(out, 'placement.png'))


def poses(out):
    f = base()
    for lane, rid, pos in ((0, 242, L.IDLE), (1, 238, L.POUR), (2, 239, L.PUSH), (3, 238, L.POUR)):
        put(f, rid, *pos[lane])
    put(f, 247, L.MUG_LAUNCH_X[2] - 30, L.MUG_Y[2])
    hud(f)
    f.image().save(os.path.join(out, 'poses.png'))
    f = base()
    for lane, rid, pos in ((0, 240, L.IDLE), (1, 241, L.IDLE), (2, 242, L.IDLE), (3, 239, L.PUSH)):
        put(f, rid, *pos[lane])
    hud(f)
    f.image().save(os.path.join(out, 'poses2.png'))


def decorations(out):
    for level in (1, 9):
        f = base(level)
        put(f, 242, *L.IDLE[0])
        put(f, 258, L.DOOR_X[0], L.CUST_Y[0])
        hud(f, 0, 3)
        f.image().save(os.path.join(out, 'level-%d.png' % level))


if __name__ == '__main__':
    out = sys.argv[1] if len(sys.argv) > 1 else '/tmp/preview'
    os.makedirs(out, exist_ok=True)
    placement(out)
    poses(out)
    if os.path.exists(artgen.picture_path(251)):
        decorations(out)
