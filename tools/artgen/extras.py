"""Digits, the life mark, the GAME OVER words, and the two sets of level
decorations: the Christmas greeting with its corners of baubles and holly,
and the congratulation ribbon with its corners of flag garlands.

Banners and corners cover their whole rectangle (no transparent pixel), so
they start from the room behind them and are drawn onto that."""

import math

import pal
from pal import C, ramp
from px import Canvas, T
import glyphs
import figures
import scene

INK = C('ink')


def life_mark():
    """A small beer glass, 8 x 16: one life."""
    c = Canvas(8, 16)
    g = c.mask().rect(1, 4, 6, 14)
    c.shade(g, ramp('glass'))
    b = c.mask().rect(2, 6, 5, 13)
    c.shade(b, ramp('beer'))
    f = c.mask().rect(1, 2, 6, 5)
    f.rect(2, 1, 5, 1)
    c.shade(f, figures.FOAM)
    c.vline(2, 6, 12, C('beer', 0))
    c.hline(1, 6, 14, C('glass', 2))
    c.outline(INK)
    return c


def game_over():
    """GAME OVER in chunky letters, warm gold fading to red, outlined, with a
    drop shadow; transparent around the letters."""
    c = Canvas(128, 24)
    text = 'GAME OVER'
    grad = [C('yellow', 0)] * 3 + [C('yellow', 1)] * 3 + [C('beer', 2)] * 3 + [C('red', 1)] * 3 + \
           [C('red', 2)] * 2
    w = glyphs.text_width(text, gap=1)
    x = (128 - w) // 2
    layer = Canvas(128, 24)
    glyphs.draw_text(layer, text, x, 4, grad)
    shadow = Canvas(128, 24)
    for y in range(24):
        for xx in range(128):
            if layer.get(xx, y) != T:
                shadow.set(xx + 2, y + 2, C('night', 2))
    shadow.outline(C('night', 2))
    c.blit(shadow, 0, 0)
    layer.outline(INK)
    c.blit(layer, 0, 0)
    return c


# --- Script lettering -----------------------------------------------------------
# Our own joined-up hand: strokes through points in a 32-row box with the
# baseline at row 26 and the x-height at row 14; (dx, dy) lists a dot.

SCRIPT = {
    'G': (20, [[(16, 6), (12, 3), (6, 4), (2, 10), (2, 18), (5, 24), (11, 26), (16, 23), (17, 17), (11, 17)]], []),
    'o': (15, [[(8, 14), (3, 16), (2, 22), (5, 26), (10, 25), (12, 19), (10, 15), (8, 14)], [(11, 16), (15, 15)]], []),
    'd': (16, [[(10, 15), (5, 15), (2, 20), (4, 26), (9, 25), (12, 19)], [(13, 2), (12, 14), (11, 22), (12, 26), (15, 24)]], []),
    'J': (17, [[(14, 3), (13, 14), (11, 24), (8, 30), (4, 31), (2, 28)], [(7, 4), (12, 2), (18, 2)]], []),
    'u': (17, [[(2, 15), (2, 22), (5, 26), (9, 24), (12, 18), (12, 15)], [(12, 15), (12, 23), (14, 26), (16, 25)]], []),
    'l': (11, [[(1, 24), (6, 16), (9, 8), (8, 3), (5, 4), (4, 12), (4, 22), (6, 26), (9, 25)]], []),
    '!': (8, [[(4, 3), (3, 18)]], [(3, 24)]),
    'r': (12, [[(2, 26), (3, 16), (5, 14), (8, 16), (11, 15)]], []),
    'a': (16, [[(10, 15), (5, 15), (2, 20), (4, 26), (9, 25), (12, 19)], [(12, 15), (11, 23), (13, 26), (15, 25)]], []),
    't': (11, [[(6, 5), (5, 22), (7, 26), (10, 25)], [(2, 13), (11, 13)]], []),
    'i': (8, [[(3, 15), (2, 23), (4, 26), (7, 25)]], [(3, 10)]),
    's': (12, [[(10, 16), (6, 14), (3, 16), (5, 20), (9, 22), (9, 25), (5, 27), (1, 25)]], []),
    ' ': (8, [], []),
}


def script_width(text):
    return sum(SCRIPT[ch][0] for ch in text)


def script(c, text, x, y, body, light, edge, thick=3):
    """Writes text in the script hand with its box's top-left at (x, y):
    strokes in body, a lit upper-left edge in light, outlined in edge."""
    layer = Canvas(c.w, c.h)
    m = layer.mask()
    cx = x
    for ch in text:
        adv, strokes, dots = SCRIPT[ch]
        for s in strokes:
            m.line([(cx + px_, y + py) for px_, py in s], width=thick)
            for px_, py in s:
                r = thick // 2
                m.ellipse(cx + px_ - r, y + py - r, cx + px_ + r, y + py + r)
        for px_, py in dots:
            m.ellipse(cx + px_ - 2, y + py - 2, cx + px_ + 1, y + py + 1)
        cx += adv
    layer.fill(m, body)
    for px_, py in m.pixels():
        if not m.has(px_ - 1, py) or not m.has(px_, py - 1):
            layer.set(px_, py, light)
    layer.outline(edge)
    c.blit(layer, 0, 0)


# --- Level decorations -------------------------------------------------------------

def room(x, y, w, h):
    return scene.get_background().crop(x, y, w, h)


def greeting_banner():
    """A cream paper scroll with "God Jul!" in red, sprigs of holly at the
    ends; the room shows round the scroll's swallowtail ends."""
    c = room(100, 227, 132, 38)
    paper = c.mask().poly([(4, 3), (127, 3), (121, 18), (127, 34), (4, 34), (10, 18)])
    lay = Canvas(132, 38)
    lay.shade(paper, [C('foam', 0), C('foam', 1), C('foam', 1), C('foam', 2), C('foam', 3)], light=1, dark=2)
    lay.outline(INK)
    c.blit(lay, 0, 0)
    text = 'God Jul!'
    tx = (132 - script_width(text)) // 2 + 2
    script(c, text, tx, 1, C('xred', 1), C('xred', 0), C('xred', 3))
    for hx, flip in ((14, False), (117, True)):
        sprig = holly_sprig()
        c.blit(sprig.flipped() if flip else sprig, hx - 6, 21)
    return c


def holly_sprig():
    """Two holly leaves and three berries, 13 x 12."""
    c = Canvas(13, 12)
    for pts in ([(0, 5), (3, 2), (6, 4), (9, 3), (6, 8), (3, 7)], [(5, 8), (8, 5), (10, 7), (12, 6), (11, 10), (7, 11)]):
        m = c.mask().poly(pts)
        c.shade(m, ramp('holly'))
    for bx, by in ((4, 3), (6, 1), (7, 4)):
        m = c.mask().ellipse(bx - 1, by - 1, bx + 1, by + 1)
        c.shade(m, ramp('xred'))
        c.set(bx - 1, by - 1, C('xred', 0))
    c.outline(INK)
    return c


def bauble(c, x, y, r, col):
    """A glass bauble of radius r hanging from (x, top) with its string."""
    m = c.mask().ellipse(x - r, y - r, x + r, y + r)
    c.shade(m, ramp(col), light=2, dark=2)
    c.rect(x - 1, y - r - 2, x + 1, y - r, C('brass', 1))
    c.set(x + 1, y - r - 1, C('brass', 3))
    c.plot([(x - r // 2, y - r // 2), (x - r // 2 + 1, y - r // 2)], C('white'))


def sag(x0, y0, x1, y1, drop, t):
    x = x0 + (x1 - x0) * t
    y = y0 + (y1 - y0) * t + drop * 4 * t * (1 - t)
    return int(round(x)), int(round(y))


def greeting_corner():
    """Baubles hanging from a holly garland in the room's top-left corner."""
    lay = Canvas(72, 72)
    # Strings first, then the baubles on them.
    hangs = [(10, 30, 'xred', 6), (24, 46, 'brass', 5), (38, 26, 'ribbon', 5), (52, 40, 'xred', 4),
             (64, 22, 'holly', 4), (4, 56, 'brass', 4)]
    for hx, hy, col, r in hangs:
        top = garland_y(hx)
        lay.vline(hx, top, hy - r - 2, C('grey', 6))
    for hx, hy, col, r in hangs:
        bauble(lay, hx, hy, r, col)
    # The garland: a rope of holly along the top, thick at the corner.
    for x in range(0, 72, 5):
        y = garland_y(x)
        sprig = holly_sprig()
        lay.blit(sprig if (x // 5) % 2 else sprig.flipped(), x - 6, y - 6)
    for y in range(6, 66, 6):
        sprig = holly_sprig()
        lay.blit(sprig, -3 + (y // 6) % 2 * 2, y - 4)
    lay.outline(INK)
    return lay


def garland_y(x):
    return 6 + int(10 * math.sin(math.pi * min(x, 71) / 71))


def flag_corner():
    """Two garlands of little flags: Swedish ones and bright pennants."""
    lay = Canvas(72, 72)
    lines = [((0, 3), (71, 6), 18, 7), ((0, 30), (44, 0), 10, 5)]
    cols = ['xred', 'yellow', 'ribbon', 'green', 'sweden']
    k = 0
    for (x0, y0), (x1, y1), drop, n in lines:
        pts = [sag(x0, y0, x1, y1, drop, i / 40) for i in range(41)]
        lay.line(pts, C('grey', 7))
        for i in range(n):
            t = (i + 0.5) / n
            fx, fy = sag(x0, y0, x1, y1, drop, t)
            kind = cols[k % len(cols)]
            k += 1
            if kind == 'sweden':
                f = lay.mask().rect(fx - 5, fy + 1, fx + 5, fy + 8)
                lay.shade(f, ramp('ribbon')[1:])
                lay.vline(fx - 2, fy + 1, fy + 8, C('yellow', 1))
                lay.vline(fx - 1, fy + 1, fy + 8, C('yellow', 1))
                lay.hline(fx - 5, fx + 5, fy + 4, C('yellow', 1))
                lay.hline(fx - 5, fx + 5, fy + 5, C('yellow', 2))
            else:
                f = lay.mask().poly([(fx - 5, fy + 1), (fx + 5, fy + 1), (fx, fy + 12)])
                lay.shade(f, ramp(kind))
    lay.outline(INK)
    return lay


def decorated_corner(layer, x, y, mirror):
    c = room(x, y, 72, 72)
    c.blit(layer.flipped() if mirror else layer, 0, 0)
    return c


def flag_ribbon():
    """A long blue ribbon with folded, forked ends and "Grattis!" in gold
    between two stars."""
    c = room(10, 227, 285, 38)
    lay = Canvas(285, 38)
    for pts in ([(0, 12), (30, 12), (30, 35), (0, 35), (9, 23)], [(284, 12), (254, 12), (254, 35), (284, 35), (275, 23)]):
        m = lay.mask().poly(pts)
        lay.shade(m, ramp('ribbon')[2:])
    for pts in ([(22, 28), (30, 35), (30, 28)], [(262, 28), (254, 35), (254, 28)]):
        m = lay.mask().poly(pts)
        lay.fill(m, C('ribbon', 4))
    body = lay.mask().rect(22, 3, 262, 28)
    lay.shade(body, ramp('ribbon'), light=2, dark=2)
    lay.hline(24, 260, 6, C('ribbon', 0))
    lay.hline(24, 260, 25, C('ribbon', 3))
    lay.outline(INK)
    c.blit(lay, 0, 0)
    text = 'Grattis!'
    tx = (285 - script_width(text)) // 2
    script(c, text, tx, -1, C('yellow', 1), C('yellow', 0), C('ribbon', 4))
    for sx in (tx - 40, tx - 70, tx + script_width(text) + 24, tx + script_width(text) + 54):
        star(c, sx, 15)
    return c


def star(c, x, y):
    pts = []
    for i in range(10):
        a = -math.pi / 2 + i * math.pi / 5
        r = 7 if i % 2 == 0 else 3
        pts.append((x + r * math.cos(a), y + r * math.sin(a)))
    lay = Canvas(c.w, c.h)
    m = lay.mask().poly(pts)
    lay.shade(m, ramp('yellow'))
    lay.outline(C('ribbon', 4))
    c.blit(lay, 0, 0)


def pictures():
    out = {246: game_over(), 257: life_mark()}
    for d in range(10):
        out[237 if d == 9 else 271 + d] = glyphs.digit(d)
    g = greeting_corner()
    f = flag_corner()
    out.update({
        251: greeting_banner(),
        253: decorated_corner(g, 0, 0, False),
        252: decorated_corner(g, 352, 0, True),
        243: flag_ribbon(),
        245: decorated_corner(f, -1, 0, False),
        244: decorated_corner(f, 352, 0, True),
    })
    for rid in (251, 252, 253, 243, 244, 245):
        assert T not in out[rid].px, rid
    return out
