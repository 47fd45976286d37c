"""Our own 5 x 7 bitmap letters and digits, drawn at 2x for the score digits,
the strip's labels and the GAME OVER words."""

import pal
from px import Canvas, T

FONT = {
    '0': ['.###.', '##.##', '##.##', '##.##', '##.##', '##.##', '.###.'],
    '1': ['..##.', '.###.', '..##.', '..##.', '..##.', '..##.', '.####'],
    '2': ['.###.', '##.##', '...##', '..##.', '.##..', '##...', '#####'],
    '3': ['####.', '...##', '...##', '.###.', '...##', '...##', '####.'],
    '4': ['...##', '..###', '.#.##', '##.##', '#####', '...##', '...##'],
    '5': ['#####', '##...', '####.', '...##', '...##', '##.##', '.###.'],
    '6': ['.###.', '##...', '##...', '####.', '##.##', '##.##', '.###.'],
    '7': ['#####', '...##', '..##.', '..##.', '.##..', '.##..', '.##..'],
    '8': ['.###.', '##.##', '##.##', '.###.', '##.##', '##.##', '.###.'],
    '9': ['.###.', '##.##', '##.##', '.####', '...##', '...##', '.###.'],
    'A': ['.###.', '##.##', '##.##', '#####', '##.##', '##.##', '##.##'],
    'E': ['#####', '##...', '##...', '####.', '##...', '##...', '#####'],
    'G': ['.####', '##...', '##...', '##.##', '##.##', '##.##', '.####'],
    'I': ['####', '.##.', '.##.', '.##.', '.##.', '.##.', '####'],
    'L': ['##...', '##...', '##...', '##...', '##...', '##...', '#####'],
    'M': ['##.##', '#####', '#####', '##.##', '##.##', '##.##', '##.##'],
    'N': ['##.##', '###.#', '#####', '##.##', '##.##', '##.##', '##.##'],
    'O': ['.###.', '##.##', '##.##', '##.##', '##.##', '##.##', '.###.'],
    'P': ['####.', '##.##', '##.##', '####.', '##...', '##...', '##...'],
    'R': ['####.', '##.##', '##.##', '####.', '###..', '##.##', '##.##'],
    'V': ['##.##', '##.##', '##.##', '##.##', '##.##', '.###.', '..#..'],
    # A capital with its two dots: a full-height A, the dots in rows that
    # rise above the cap line (a glyph's rows beyond seven stand above it).
    'Ä': ['.#.#.', '.....', '.###.', '##.##', '##.##', '#####', '##.##', '##.##', '##.##'],
    ' ': ['...', '...', '...', '...', '...', '...', '...'],
}


CAP_ROWS = 7


def glyph_mask(ch):
    """The glyph's set cells; rows above the cap line get negative y."""
    rows = FONT[ch]
    rise = len(rows) - CAP_ROWS
    return [(x, y - rise) for y, row in enumerate(rows) for x, c in enumerate(row) if c == '#']


def width(ch):
    return len(FONT[ch][0])


def draw_text(canvas, text, x, y, colours, scale=2, gap=1, outline=None, shadow=None):
    """Draws text with its top-left at (x, y). colours: one index per glyph
    row (a top-to-bottom gradient). Returns the x after the last glyph."""
    cx = x
    spots = []
    for ch in text:
        for gx, gy in glyph_mask(ch):
            for sy in range(scale):
                for sx in range(scale):
                    spots.append((cx + gx * scale + sx, y + gy * scale + sy, gy * scale + sy))
        cx += width(ch) * scale + gap * scale
    layer = Canvas(canvas.w, canvas.h)
    for px_, py, row in spots:
        layer.set(px_, py, colours[max(0, min(row, len(colours) - 1))])
    if shadow is not None:
        for px_, py, _ in spots:
            if layer.get(px_ + 1, py + 1) == T:
                canvas.set(px_ + 1, py + 1, shadow)
    if outline is not None:
        layer.outline(outline)
    canvas.blit(layer, 0, 0)
    return cx - gap * scale


def text_width(text, scale=2, gap=1):
    return sum(width(ch) * scale + gap * scale for ch in text) - gap * scale


def digit(d):
    """A score digit, 12 x 16: the 5 x 7 figure at 2x, cream with a warm
    gradient, outlined in dark ink so it reads on any ground."""
    c = Canvas(12, 16)
    grad = [pal.C('lamp', 0)] * 2 + [pal.C('lamp', 1)] * 3 + [pal.C('brass', 0)] * 3 + \
           [pal.C('brass', 1)] * 3 + [pal.C('brass', 2)] * 3
    draw_text(c, str(d), 1, 1, grad, outline=pal.C('ink'))
    return c
