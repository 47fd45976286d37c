"""The game's 256-colour palette.

Entries 0..233 hold the art's colours sorted by brightness (30R + 59G + 11B,
never increasing): white at 0, near black at 233. 234, 235 and 237..255 are
black; 236 is magenta, the transparent index. Drawing code names colours by
ramp and step (for example ``C('wood', 2)``); the names are resolved to
indices after the sort, so a ramp can be retuned here without touching the
pictures' code.
"""

TRANSPARENT = 236

# Ramps, lightest first. Light falls from the upper left, so step 0 is the lit
# edge and the last step the shadow side.
RAMPS = {
    'skin':   [(255, 221, 186), (242, 188, 146), (220, 152, 112), (178, 112, 80), (120, 70, 50)],
    'skin2':  [(226, 170, 124), (194, 134, 92), (156, 100, 64), (110, 66, 42)],
    'blond':  [(255, 232, 150), (236, 196, 96), (196, 146, 54), (136, 94, 32)],
    'hair':   [(156, 104, 62), (118, 74, 42), (84, 50, 28), (54, 32, 18)],
    'black':  [(88, 78, 80), (58, 50, 52), (36, 30, 32)],
    'ginger': [(240, 138, 66), (200, 96, 40), (142, 60, 26)],
    'silver': [(226, 226, 220), (182, 182, 176), (132, 132, 128)],
    'wood':   [(200, 132, 76), (164, 102, 56), (130, 78, 42), (100, 58, 31), (74, 41, 22), (52, 28, 15)],
    'oak':    [(226, 176, 116), (194, 142, 86), (160, 112, 64), (124, 84, 46)],
    'brass':  [(255, 246, 184), (242, 208, 112), (210, 162, 62), (162, 118, 38), (110, 76, 24)],
    'beer':   [(255, 228, 124), (250, 192, 52), (224, 148, 26), (178, 106, 16), (126, 70, 12)],
    'foam':   [(253, 251, 242), (240, 234, 214), (214, 204, 178), (178, 166, 138)],
    'glass':  [(236, 244, 248), (200, 222, 232), (160, 186, 202), (112, 136, 154)],
    'blue':   [(152, 192, 255), (98, 142, 238), (62, 100, 204), (40, 66, 152), (26, 42, 102)],
    'red':    [(255, 152, 142), (238, 82, 68), (198, 46, 40), (148, 28, 28), (100, 18, 20)],
    'green':  [(162, 226, 122), (98, 188, 74), (58, 146, 54), (34, 106, 40), (20, 70, 28)],
    'brown':  [(216, 170, 120), (182, 130, 82), (146, 98, 58), (110, 70, 40), (76, 48, 28)],
    'violet': [(202, 162, 232), (162, 112, 202), (120, 74, 162), (82, 48, 118)],
    'xred':   [(255, 96, 92), (224, 34, 44), (174, 18, 30), (122, 10, 22)],
    'holly':  [(96, 186, 96), (44, 144, 64), (22, 104, 46), (12, 66, 32)],
    'ribbon': [(134, 184, 255), (82, 134, 242), (46, 92, 214), (28, 60, 156), (18, 36, 100)],
    'yellow': [(255, 242, 112), (252, 212, 44), (214, 164, 14), (154, 114, 8)],
    'wall':   [(152, 62, 58), (124, 46, 46), (98, 34, 36), (74, 24, 28), (54, 18, 22)],
    'bottle': [(116, 176, 96), (64, 126, 64), (36, 84, 42)],
    'amber':  [(196, 116, 54), (146, 74, 32), (94, 44, 20)],
    'lamp':   [(255, 250, 226), (255, 236, 176)],
    'pink':   [(252, 174, 170), (222, 124, 122)],
    'grey':   [(240, 240, 240), (220, 220, 218), (198, 198, 196), (176, 176, 174), (154, 154, 152),
               (132, 132, 130), (110, 110, 108), (90, 90, 88), (70, 70, 68), (52, 52, 50),
               (36, 36, 35), (24, 24, 24)],
    'night':  [(58, 42, 36), (42, 30, 26), (30, 22, 19)],
    'ink':    [(30, 18, 14)],
    'white':  [(255, 255, 255)],
    'nblack': [(12, 8, 8)],
}

SLOTS = 234  # entries 0..233


def _brightness(rgb):
    r, g, b = rgb
    return 30 * r + 59 * g + 11 * b


def _fillers(count, taken):
    """In-between shades of the ramps, then warm greys, to fill the table.

    Handy for a pixel artist who wants one more step in a ramp."""
    out = []
    for name in sorted(RAMPS):
        ramp = RAMPS[name]
        for a, b in zip(ramp, ramp[1:]):
            mid = tuple((x + y + 1) // 2 for x, y in zip(a, b))
            if mid not in taken and mid not in out:
                out.append(mid)
    v = 250
    while len(out) < count:
        c = (v, max(0, v - 4), max(0, v - 8))
        if c not in taken and c not in out:
            out.append(c)
        v -= 3
    return out[:count]


def build():
    """Returns (colours, index) with colours the 256 RGB tuples and index a
    dict from (ramp, step) to palette index."""
    named = []
    for name in sorted(RAMPS):
        for step, rgb in enumerate(RAMPS[name]):
            named.append((rgb, (name, step)))
    taken = {rgb for rgb, _ in named}
    assert len(taken) == len(named), 'a colour appears in two ramps'
    extra = _fillers(SLOTS - len(named), taken)
    entries = named + [(rgb, None) for rgb in extra]
    assert len(entries) == SLOTS
    darkest = RAMPS['nblack'][0]
    entries.sort(key=lambda e: (-_brightness(e[0]), e[0] == darkest, e[0]))
    assert entries[0][0] == (255, 255, 255) and entries[-1][0] == darkest
    colours = [e[0] for e in entries] + [(0, 0, 0)] * (256 - SLOTS)
    colours[TRANSPARENT] = (255, 0, 255)
    index = {}
    for i, (_, key) in enumerate(entries):
        if key is not None:
            index[key] = i
    return colours, index


COLOURS, INDEX = build()


def C(name, step=0):
    """Palette index of a ramp step; steps past the end clamp to the ramp."""
    ramp = RAMPS[name]
    step = max(0, min(step, len(ramp) - 1))
    return INDEX[(name, step)]


def ramp(name):
    return [INDEX[(name, i)] for i in range(len(RAMPS[name]))]


def flat():
    """The palette as Pillow wants it: 768 bytes."""
    out = []
    for rgb in COLOURS:
        out.extend(rgb)
    return out


def check():
    b = [_brightness(c) for c in COLOURS[:SLOTS]]
    assert all(x >= y for x, y in zip(b, b[1:])), 'brightness increases somewhere'
    assert COLOURS[0] == (255, 255, 255)
    assert COLOURS[TRANSPARENT] == (255, 0, 255)
    for i in list(range(234, 236)) + list(range(237, 256)):
        assert COLOURS[i] == (0, 0, 0)
