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


def pictures():
    out = {246: game_over(), 257: life_mark()}
    for d in range(10):
        out[237 if d == 9 else 271 + d] = glyphs.digit(d)
    return out
