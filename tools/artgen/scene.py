"""The bar room (resource 256): four staggered bars, doors at their left ends,
taps at the bartender's end, and the dark strip with the score labels."""

import pal
from pal import C
from px import Canvas, T
import glyphs
import layout as L

W, H = 424, 300


def wallpaper(c, x0, y0, x1, y1):
    """Deep red wallpaper with thin darker stripes and a small lighter dot."""
    for y in range(y0, y1 + 1):
        for x in range(x0, x1 + 1):
            col = C('wall', 2)
            if x % 8 == 0:
                col = C('wall', 3)
            elif x % 8 == 4 and y % 10 == 5:
                col = C('wall', 1)
            c.set(x, y, col)


def wainscot(c, x0, y0, x1, y1):
    """Dark tongue-and-groove boards under a thin rail: plainer and darker
    than the counters, so the bars stand out."""
    c.rect(x0, y0, x1, y1, C('wood', 5))
    c.hline(x0, x1, y0, C('wood', 3))
    c.hline(x0, x1, y0 + 1, C('wood', 4))
    for x in range(x0, x1 + 1):
        if x % 6 == 0:
            c.vline(x, y0 + 2, y1, C('night', 1))
        elif x % 6 == 1:
            c.vline(x, y0 + 2, y1, C('wood', 4))


BOTTLES = [  # (ramp, height, width, label)
    ('bottle', 11, 5, 'lamp'), ('amber', 9, 5, 'red'), ('glass', 12, 4, None),
    ('bottle', 10, 6, 'red'), ('amber', 12, 5, 'lamp'), ('glass', 9, 6, 'blue'),
    ('bottle', 12, 4, None), ('amber', 10, 6, 'lamp'),
]


def bottle(c, x, base, kind):
    ramp, h, w, label = kind
    r = pal.ramp(ramp)
    top = base - h
    neck = max(2, w // 2 - 1)
    nx = x + (w - neck) // 2
    body_top = top + 4
    c.rect(x, body_top, x + w - 1, base, r[1])
    c.vline(x, body_top, base, r[0])
    c.vline(x + w - 1, body_top, base, r[-1])
    c.rect(nx, top + 1, nx + neck - 1, body_top - 1, r[1])
    c.vline(nx, top + 1, body_top - 1, r[0])
    c.hline(nx, nx + neck - 1, top, C('red', 3) if ramp != 'glass' else C('brass', 2))
    if label:
        lr = {'lamp': C('foam', 1), 'red': C('red', 2), 'blue': C('blue', 2)}[label]
        c.rect(x, base - h // 2 - 1, x + w - 1, base - 2, lr)
        c.hline(x, x + w - 1, base - 2, C('grey', 5) if label == 'lamp' else C('red', 4))
    c.plot([(x + 1, body_top + 1)], C('glass', 0))


def shelf(c, x0, x1, y, seed):
    """A shelf board at row y with bottles standing on it."""
    x = x0 + 2
    i = seed
    while x < x1 - 8:
        kind = BOTTLES[i % len(BOTTLES)]
        if (i * 7) % 11 != 3:
            bottle(c, x, y - 1, kind)
        x += kind[2] + 2 + (i * 5) % 3
        i += 1
    c.hline(x0, x1, y, C('oak', 0))
    c.hline(x0, x1, y + 1, C('oak', 2))
    c.hline(x0, x1, y + 2, C('wood', 4))
    c.hline(x0, x1, y + 3, C('wall', 4))


def door(c, cx, top, bottom, full):
    """A doorway in an oak frame with a pair of swinging half doors, centred
    at cx; the dark room behind shows above and below them."""
    x0, x1 = cx - 14, cx + 14
    c.rect(x0 - 3, top, x1 + 3, bottom, C('night', 2))
    for x in (x0 - 3, x1 + 1):
        c.vline(x, top, bottom, C('oak', 1))
        c.vline(x + 1, top, bottom, C('oak', 2))
        c.vline(x + 2, top, bottom, C('wood', 4))
    if full:
        c.rect(x0 - 5, top - 3, x1 + 5, top, C('oak', 2))
        c.hline(x0 - 5, x1 + 5, top - 3, C('oak', 0))
        c.hline(x0 - 5, x1 + 5, top, C('wood', 4))
        c.rect(x0, top + 1, x1, top + 2, C('ink'))
    h = bottom - top
    d0 = top + (h * 4) // 10 if full else top + 2
    d1 = bottom - (h // 6 if full else 4)
    for a, b, hinge in ((x0, cx - 1, x0), (cx + 1, x1, x1)):
        c.rect(a, d0, b, d1, C('oak', 2))
        c.hline(a, b, d0, C('oak', 0))
        c.hline(a, b, d0 + 1, C('oak', 1))
        c.hline(a, b, d1, C('oak', 3))
        c.vline(a, d0, d1, C('oak', 1))
        c.vline(b, d0, d1, C('oak', 3))
        for y in range(d0 + 4, d1 - 2, 3):
            c.hline(a + 2, b - 2, y, C('wood', 3))
            c.hline(a + 2, b - 2, y + 1, C('oak', 1))
        c.rect(hinge, d0 + 3, hinge, d0 + 4, C('brass', 1))
        c.rect(hinge, d1 - 4, hinge, d1 - 3, C('brass', 1))
    # A warm light spills on the floor beyond the doors.
    c.hline(x0 + 3, x1 - 3, bottom, C('wood', 3))


def counter(c, lane):
    s, t = L.SURFACE_Y[lane], L.COUNTER_TOP[lane]
    x0, x1 = L.COUNTER_LEFT[lane], L.COUNTER_RIGHT[lane]
    # Top, seen a little from above: dark back edge, grain, a bright lip.
    c.rect(x0, s, x1, t - 1, C('wood', 2))
    c.hline(x0, x1, s, C('wood', 4))
    for y in range(s + 2, t - 2, 3):
        for x in range(x0 + (y * 7) % 13, x1 - 6, 29):
            c.hline(x, x + 8 + (x % 5), y, C('wood', 3))
    c.hline(x0, x1, t - 2, C('wood', 1))
    c.hline(x0, x1, t - 1, C('wood', 0))
    # Front panel with raised panels and a brass foot rail.
    p = L.PANEL_H
    c.rect(x0, t, x1, t + p - 1, C('wood', 4))
    c.hline(x0, x1, t, C('wood', 5))
    for a in range(x0 + 4, x1 - 20, 34):
        b = min(a + 29, x1 - 4)
        c.rect(a, t + 2, b, t + 5, C('wood', 3))
        c.hline(a, b, t + 2, C('wood', 2))
        c.vline(a, t + 2, t + 5, C('wood', 2))
        c.hline(a, b, t + 5, C('wood', 5))
        c.vline(b, t + 2, t + 5, C('wood', 5))
    c.hline(x0, x1, t + 7, C('brass', 1))
    c.hline(x0, x1, t + 8, C('brass', 3))
    c.plot([(x, t + 7) for x in range(x0 + 6, x1, 17)], C('brass', 0))
    for a in range(x0 + 14, x1 - 4, 34):
        c.rect(a, t + 9, a + 1, t + 10, C('brass', 2))
        c.plot([(a + 1, t + 10)], C('brass', 4))
    c.hline(x0, x1, t + p - 1, C('wood', 5))
    # The ends: left against the side wall, right rounded by the bartender.
    c.vline(x0, s, t + p - 1, C('wood', 4))
    c.vline(x0 + 1, s + 1, t - 2, C('wood', 0))
    c.rect(x1 - 1, s, x1, t + p - 1, C('wood', 4))
    c.vline(x1 - 2, s + 1, t - 2, C('wood', 2))
    c.plot([(x1, s), (x1, t + p - 1)], C('wall', 3))


def tap(c, lane):
    x, y = L.TAP_X[lane], L.SPOUT_Y[lane]
    # Pipe from the right-hand wall.
    c.rect(x + 2, y - 11, W - 1, y - 9, C('brass', 2))
    c.hline(x + 2, W - 1, y - 11, C('brass', 0))
    c.hline(x + 2, W - 1, y - 9, C('brass', 4))
    for a in range(x + 14, W, 19):
        c.rect(a, y - 12, a + 1, y - 8, C('brass', 3))
    # Body and spout.
    c.rect(x - 3, y - 12, x + 3, y - 6, C('brass', 2))
    c.vline(x - 3, y - 12, y - 6, C('brass', 1))
    c.hline(x - 3, x + 3, y - 12, C('brass', 0))
    c.vline(x + 3, y - 12, y - 6, C('brass', 4))
    c.hline(x - 2, x + 3, y - 6, C('brass', 3))
    c.rect(x - 1, y - 5, x + 1, y - 1, C('brass', 2))
    c.vline(x - 1, y - 5, y - 1, C('brass', 1))
    c.vline(x + 1, y - 5, y - 1, C('brass', 4))
    c.hline(x - 1, x + 1, y, C('ink'))
    # Handle: a black knob on a brass stem, tilted back.
    c.rect(x - 1, y - 16, x + 1, y - 13, C('brass', 1))
    c.vline(x + 1, y - 16, y - 13, C('brass', 3))
    c.rect(x - 2, y - 26, x + 2, y - 17, C('black', 1))
    c.vline(x - 2, y - 26, y - 17, C('black', 0))
    c.vline(x + 2, y - 26, y - 17, C('black', 2))
    c.hline(x - 1, x + 1, y - 27, C('black', 1))
    c.rect(x - 1, y - 24, x + 1, y - 22, [C('red', 2), C('green', 2), C('brass', 1), C('blue', 2)][lane])


def service_floor(c, lane):
    """The floor the bartender stands on at the end of a bar: a step of
    planks to the right of the bar below, at the height of his feet."""
    feet = L.IDLE[lane][1] + 52
    below = lane + 1
    x0 = L.COUNTER_RIGHT[below] + 1
    y1 = L.COUNTER_TOP[below] + L.PANEL_H - 1
    y0 = feet - 4
    for y in range(y0, y1 + 1):
        row = y - y0
        col = C('wood', 3) if row % 5 else C('wood', 5)
        c.hline(x0, W - 1, y, col)
        if row % 5:
            for x in range(x0 + (y // 5) * 23 % 40, W, 40):
                c.set(x, y, C('wood', 5))
    c.hline(x0, W - 1, y0, C('oak', 1))
    c.hline(x0, W - 1, y0 + 1, C('wood', 2))
    c.vline(x0, y0, y1, C('wood', 5))


def side_wall(c, x1, y0, y1):
    """The left wall in shade, with a corner post of oak."""
    for y in range(y0, y1 + 1):
        for x in range(0, x1 + 1):
            c.set(x, y, C('wall', 4) if x % 8 else C('night', 0))
    c.vline(x1 - 2, y0, y1, C('oak', 2))
    c.vline(x1 - 1, y0, y1, C('oak', 3))
    c.vline(x1, y0, y1, C('wood', 5))


def ceiling(c):
    c.rect(0, 0, W - 1, 6, C('wood', 4))
    c.hline(0, W - 1, 0, C('wood', 5))
    c.hline(0, W - 1, 5, C('wood', 3))
    c.hline(0, W - 1, 6, C('wood', 5))
    c.hline(0, W - 1, 7, C('wall', 4))
    for x in range(10, W, 48):
        c.vline(x, 1, 4, C('wood', 5))
    # Hanging lamps with green shades.
    for lx in (130, 226):
        c.vline(lx, 7, 9, C('black', 1))
        c.rect(lx - 6, 10, lx + 6, 13, C('green', 3))
        c.hline(lx - 5, lx + 5, 10, C('green', 2))
        c.hline(lx - 7, lx + 7, 14, C('green', 4))
        c.rect(lx - 3, 15, lx + 3, 15, C('lamp', 0))
        c.plot([(lx - 4, 10), (lx - 3, 10)], C('green', 1))


def floor(c, y0, y1):
    for y in range(y0, y1 + 1):
        row = y - y0
        col = C('wood', 4) if row % 7 else C('wood', 5)
        c.hline(0, W - 1, y, col)
        if row % 7:
            off = (y // 7) * 37 % 60
            for x in range(off, W, 60):
                c.set(x, y, C('wood', 5))
    c.hline(0, W - 1, y0, C('night', 0))


def strip(c):
    y = L.STRIP_Y
    c.rect(0, y, W - 1, H - 1, C('night', 2))
    c.hline(0, W - 1, y, C('brass', 3))
    c.hline(0, W - 1, y + 1, C('night', 0))
    c.hline(0, W - 1, H - 1, C('night', 1))
    grad = [C('brass', 1)] * 4 + [C('brass', 2)] * 6 + [C('brass', 3)] * 4
    for text, right in (('POÄNG', L.SCORE_X - 7), ('LIV', L.LIVES_X - 7)):
        x = right - glyphs.text_width(text) + 1
        glyphs.draw_text(c, text, x, L.SCORE_Y + 1, grad, shadow=C('ink'))


def clock(c, cx, cy, r):
    """A round wall clock with a brass rim, at ten past ten."""
    rim = c.mask().ellipse(cx - r, cy - r, cx + r, cy + r)
    c.shade(rim, pal.ramp('brass'), light=1, dark=1)
    face = c.mask().ellipse(cx - r + 3, cy - r + 3, cx + r - 3, cy + r - 3)
    c.shade(face, [C('white'), C('foam', 0), C('foam', 1), C('foam', 2)])
    for dx, dy in ((0, -1), (1, 0), (0, 1), (-1, 0)):
        c.set(cx + dx * (r - 5), cy + dy * (r - 5), C('grey', 8))
    c.line([(cx, cy), (cx - 4, cy - 3)], C('ink'))
    c.line([(cx, cy), (cx + 5, cy - 4)], C('ink'))
    c.set(cx, cy, C('red', 3))
    # A shadow on the wall below and right of it.
    for y in range(cy - r + 2, cy + r + 2):
        for x in range(cx - r + 2, cx + r + 2):
            if not rim.has(x, y) and rim.has(x - 2, y - 2):
                c.set(x, y, C('wall', 4))


def background():
    c = Canvas(W, H, C('wall', 2))
    for lane in L.LANES:
        top = L.band_top(lane)
        s = L.SURFACE_Y[lane]
        bottom = L.COUNTER_TOP[lane] + L.PANEL_H - 1
        wallpaper(c, 0, top, W - 1, s - 1)
        if lane == 0:
            shelf(c, 100, 285, 29, 0)
            shelf(c, 100, 285, 52, 3)
            wainscot(c, 0, 64, W - 1, s - 1)
        else:
            sy = top + 12 if lane < 3 else top + 14
            shelf(c, L.DOOR_X[lane] + 22, L.COUNTER_RIGHT[lane] - 22, sy, lane * 5)
            wainscot(c, 0, sy + 4, W - 1, s - 1)
        door(c, L.DOOR_X[lane], 14 if lane == 0 else top, s - 1, lane == 0)
        tap(c, lane)
        counter(c, lane)
        side_wall(c, L.COUNTER_LEFT[lane] - 1, top, bottom)
    for lane in range(3):
        service_floor(c, lane)
    clock(c, 388, 33, 12)
    ceiling(c)
    floor(c, L.COUNTER_TOP[3] + L.PANEL_H, L.STRIP_Y - 1)
    strip(c)
    return c


_BG = None


def get_background():
    global _BG
    if _BG is None:
        _BG = background()
    return _BG


def pictures():
    bg = get_background()
    assert T not in bg.px
    return {256: bg}
