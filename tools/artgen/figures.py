"""The figures: the bartender's five poses, the four mug states and the five
kinds of customers (two walking pictures and one drinking picture each).

All are drawn from a few parts (masks shaded with light from the upper
left) and get a 1-pixel dark outline. Customers face right, towards the
bartender; the bartender faces left, towards them."""

import pal
from pal import C, ramp
from px import Canvas, T
import layout as L

INK = C('ink')
FOAM = [C('white'), C('foam', 0), C('foam', 1), C('foam', 2), C('foam', 3)]


# --- Mugs -------------------------------------------------------------------

MUG_W = 15       # glass body width
MUG_H = 21       # glass body height, foam not counted


def mug(c, x, base, full=True, handle_right=True):
    """A beer mug standing with its glass's left column at x and its bottom
    row at base. Full: golden beer under a white foam head that spills over
    the rim. Returns nothing; outlines are drawn here."""
    top = base - MUG_H + 1
    layer = Canvas(c.w, c.h)
    hx = x + MUG_W if handle_right else x - 6
    # Handle: a thick ring of glass.
    m = layer.mask().rect(hx, top + 4, hx + 5, top + 15)
    m.cut_rect(hx + (0 if handle_right else 3), top + 7, hx + (2 if handle_right else 5), top + 12)
    layer.shade(m, ramp('glass'))
    body = layer.mask().rect(x, top, x + MUG_W - 1, base)
    layer.shade(body, ramp('glass'))
    if full:
        beer = layer.mask().rect(x + 1, top + 3, x + MUG_W - 2, base - 2)
        layer.shade(beer, ramp('beer'), light=2, dark=2)
        # Bubbles rising.
        layer.plot([(x + 5, base - 5), (x + 9, base - 9), (x + 6, top + 9), (x + 10, top + 13)],
                   C('beer', 0))
    else:
        # A little foam left at the bottom, lacing on the glass.
        layer.hline(x + 1, x + MUG_W - 2, base - 2, C('foam', 2))
        layer.plot([(x + 3, top + 6), (x + 4, top + 6), (x + 9, top + 9), (x + 10, top + 9),
                    (x + 11, top + 10)], C('foam', 1))
    # Thick glass: a bright streak on the left, the heavy bottom.
    layer.vline(x + 2, top + 2, base - 3, C('glass', 0) if not full else C('beer', 0))
    layer.vline(x + 1, top + 2, base - 3, C('white'))
    layer.hline(x, x + MUG_W - 1, base - 1, C('glass', 2))
    layer.hline(x, x + MUG_W - 1, base, C('glass', 3))
    if full:
        # Foam head bulging over the rim, one drip down the side.
        f = layer.mask().ellipse(x - 1, top - 5, x + MUG_W, top + 4)
        f.rect(x + 10, top, x + 12, top + 6)
        layer.shade(f, FOAM)
        layer.plot([(x + 3, top - 3), (x + 4, top - 3), (x + 2, top - 2)], C('white'))
    layer.outline(INK)
    c.blit(layer, 0, 0)


def mug_picture(full):
    c = Canvas(54, 41)
    mug(c, 27 - MUG_W // 2, 38, full)
    return c


def shards_picture(full):
    """A mug in pieces on the bar top; a full one lies in a spreading puddle
    of beer with lumps of foam, and drops still fly."""
    c = Canvas(54, 41)
    layer = Canvas(54, 41)
    pieces = [
        [(12, 38), (16, 31), (20, 38)],
        [(21, 38), (23, 28), (29, 30), (28, 38)],
        [(31, 38), (34, 33), (37, 38)],
        [(6, 38), (8, 35), (10, 38)],
        [(42, 38), (46, 34), (47, 38)],
        [(17, 25), (20, 23), (21, 27)],
    ]
    for pts in pieces:
        m = layer.mask().poly(pts)
        layer.shade(m, ramp('glass'))
    # The handle, broken off, lying on its back.
    m = layer.mask().ellipse(32, 27, 42, 38)
    m.cut(layer.mask().ellipse(35, 29, 39, 35))
    m.cut_rect(30, 26, 44, 31)
    layer.shade(m, ramp('glass'))
    layer.plot([(24, 31), (25, 33), (17, 34)], C('white'))
    if full:
        pud = layer.mask().ellipse(0, 34, 53, 40)
        pud.cut(layer.mask().rect(0, 0, 53, 35))
        layer.shade(pud, ramp('beer'), light=1, dark=1)
        for fx, fy, fw in ((3, 33, 7), (13, 35, 6), (29, 34, 8), (43, 34, 7)):
            f = layer.mask().ellipse(fx, fy, fx + fw, fy + 4)
            layer.shade(f, FOAM)
        layer.plot([(9, 38), (10, 38), (22, 39), (36, 38), (37, 38), (48, 38)], C('beer', 0))
    layer.outline(INK)
    c.blit(layer, 0, 0)
    # Flying splinters, and drops of beer from a full one.
    c.plot([(8, 26), (44, 22), (27, 15), (49, 29)], C('glass', 1))
    c.plot([(9, 26), (45, 22)], INK)
    if full:
        for x, y in ((4, 27), (14, 21), (39, 18), (50, 25), (31, 12)):
            c.rect(x, y, x + 1, y + 1, C('beer', 1))
            c.set(x, y, C('beer', 0))
    return c


# --- Customers --------------------------------------------------------------

# kind: (shirt ramp, hair ramp, skin ramp, style)
KINDS = [
    ('blue', 'blond', 'skin', 'woman'),
    ('red', 'hair', 'skin', 'moustache'),
    ('green', 'black', 'skin2', 'beard'),
    ('brown', 'silver', 'skin', 'bald'),
    ('violet', 'ginger', 'skin', 'cap'),
]

CUT = L.CUST_CUT  # rows from here down are behind the counter


def face(c, hx, hy, skin, hair, style, drinking):
    """Eyes, brows, nose, mouth of a head whose box starts at (hx, hy),
    looking right."""
    eye_y = hy + 11
    brow = C(hair, 2)
    if drinking:
        # Eyes shut in bliss: two little arcs.
        for ex in (hx + 12, hx + 18):
            c.plot([(ex, eye_y + 1), (ex + 1, eye_y), (ex + 2, eye_y + 1)], INK)
    else:
        for ex, w in ((hx + 12, 3), (hx + 18, 2)):
            c.rect(ex, eye_y, ex + w - 1, eye_y + 2, C('white'))
            c.rect(ex + w - 1, eye_y, ex + w - 1, eye_y + 2, INK)
            c.set(ex + w - 2, eye_y + 2, C('glass', 1))
        c.hline(hx + 11, hx + 14, eye_y - 2, brow)
        c.hline(hx + 18, hx + 20, eye_y - 2, brow)
    c.set(hx + 15, eye_y + 8, C('pink', 0) if style == 'woman' else C(skin, 1))
    if style == 'woman':
        c.plot([(hx + 13, eye_y - 1), (hx + 19, eye_y - 1)], INK)  # lashes
    if not drinking:
        mouth = C('red', 3) if style == 'woman' else C(skin, 4)
        my = hy + 19
        c.hline(hx + 15, hx + 19, my, mouth)
        c.set(hx + 14, my - 1, mouth)
        if style == 'woman':
            c.hline(hx + 16, hx + 18, my + 1, C('red', 2))
        else:
            c.hline(hx + 16, hx + 18, my + 1, C(skin, 3))


def customer(kind, frame):
    """frame 0 and 1: walking (the near arm swings a little); 2: drinking."""
    shirt, hair, skin, style = KINDS[kind]
    c = Canvas(64, 72)
    drinking = frame == 2
    bob = 1 if frame == 1 else 0
    hx, hy = 20, 5 + bob
    if drinking:
        hx -= 1
    # Body, cut square at the counter.
    body = c.mask().poly([(20, 34), (43, 34), (48, 40), (47, CUT - 1), (17, CUT - 1), (15, 40)])
    c.shade(body, ramp(shirt), light=2, dark=2, sel=True)
    # Collar and buttons, or the woman's neckline.
    if style == 'woman':
        n = c.mask().poly([(26, 34), (37, 34), (32, 41)])
        c.shade(n, ramp(skin))
        c.hline(26, 37, 33, C(shirt, 3))
        c.plot([(31, 38), (32, 39)], C('brass', 1))  # a little pendant
    else:
        col = C(shirt, 0)
        c.plot([(26, 34), (27, 35), (28, 36), (37, 34), (36, 35), (35, 36)], col)
        for by in range(40, CUT - 2, 7):
            c.set(33, by, C(shirt, 4))
    # Neck.
    neck = c.mask().rect(27, hy + 23, 36, 35)
    c.shade(neck, ramp(skin), sel=True)
    # Long hair falls behind the shoulders.
    if style == 'woman':
        back = c.mask().poly([(hx - 1, hy + 6), (hx + 12, hy + 4), (hx + 12, hy + 34), (hx - 3, hy + 36)])
        c.shade(back, ramp(hair), sel=True)
    # Head with the nose sticking out to the right, the ear on the left.
    head = c.mask().ellipse(hx, hy, hx + 23, hy + 25)
    head.rect(hx + 22, hy + 12, hx + 24, hy + 16)
    c.shade(head, ramp(skin), light=2, dark=2, sel=True)
    ear = c.mask().ellipse(hx + 3, hy + 10, hx + 8, hy + 17)
    c.shade(ear, ramp(skin)[1:], sel=True, edge=C(skin, 4))
    c.plot([(hx + 5, hy + 13), (hx + 5, hy + 14)], C(skin, 4))
    face(c, hx, hy, skin, hair, style, drinking)
    # Hair.
    if style == 'woman':
        top = c.mask().ellipse(hx - 2, hy - 2, hx + 23, hy + 14)
        top.cut(c.mask().rect(hx + 12, hy + 7, hx + 30, hy + 30))
        top.rect(hx + 12, hy + 4, hx + 22, hy + 7)
        c.shade(top, ramp(hair), light=2)
        c.plot([(hx + 8, hy + 19), (hx + 9, hy + 20)], C('brass', 0))  # earring
    elif style == 'moustache':
        top = c.mask().ellipse(hx, hy - 2, hx + 23, hy + 10)
        top.rect(hx + 1, hy + 4, hx + 7, hy + 12)
        top.cut_rect(hx + 12, hy + 8, hx + 30, hy + 30)
        c.shade(top, ramp(hair))
        mo = c.mask().poly([(hx + 14, hy + 17), (hx + 22, hy + 16), (hx + 23, hy + 18), (hx + 13, hy + 19)])
        c.shade(mo, ramp(hair))
    elif style == 'beard':
        top = c.mask().ellipse(hx, hy - 2, hx + 23, hy + 9)
        top.rect(hx + 1, hy + 3, hx + 6, hy + 12)
        top.cut_rect(hx + 11, hy + 7, hx + 30, hy + 30)
        c.shade(top, ramp(hair))
        beard = c.mask().poly([(hx + 6, hy + 15), (hx + 9, hy + 21), (hx + 14, hy + 25), (hx + 20, hy + 24),
                               (hx + 23, hy + 19), (hx + 21, hy + 17), (hx + 14, hy + 18)])
        c.shade(beard, ramp(hair))
        if not drinking:
            c.hline(hx + 15, hx + 19, hy + 20, C('red', 3))
    elif style == 'bald':
        fringe = c.mask().ellipse(hx - 1, hy + 6, hx + 9, hy + 18)
        fringe.cut(c.mask().ellipse(hx + 3, hy + 9, hx + 9, hy + 18))
        c.shade(fringe, ramp(hair))
        c.plot([(hx + 8, hy + 3), (hx + 9, hy + 3), (hx + 7, hy + 4)], C(skin, 0))  # shine
        # Round spectacles.
        for gx in (hx + 11, hx + 17):
            if not drinking:
                c.plot([(gx, hy + 10), (gx + 4, hy + 10), (gx, hy + 14), (gx + 4, hy + 14)], INK)
                c.hline(gx + 1, gx + 3, hy + 9, INK)
                c.hline(gx + 1, gx + 3, hy + 15, INK)
                c.vline(gx - 1, hy + 11, hy + 13, INK)
                c.vline(gx + 5, hy + 11, hy + 13, INK)
        c.hline(hx + 7, hx + 9, hy + 11, INK)
    elif style == 'cap':
        back = c.mask().rect(hx + 1, hy + 6, hx + 8, hy + 14)
        c.shade(back, ramp(hair))
        cap = c.mask().ellipse(hx - 1, hy - 3, hx + 23, hy + 15)
        cap.cut_rect(hx - 2, hy + 8, hx + 30, hy + 30)
        c.shade(cap, ramp('blue'), light=2, sel=True)
        visor = c.mask().poly([(hx + 18, hy + 6), (hx + 31, hy + 7), (hx + 30, hy + 9), (hx + 18, hy + 9)])
        c.shade(visor, ramp('blue')[1:], sel=True)
        c.plot([(hx + 10, hy - 3), (hx + 11, hy - 3)], C('blue', 0))
        c.rect(hx + 9, hy + 1, hx + 12, hy + 4, C('foam', 0))  # a badge
        c.plot([(hx + 10, hy + 2), (hx + 11, hy + 3)], C('red', 2))
    # Near arm and hand, in front of the body.
    if drinking:
        ua = c.mask().poly([(21, 36), (29, 36), (38, 44), (35, 49), (22, 46)])
        c.shade(ua, ramp(shirt), sel=True)
        fa = c.mask().poly([(33, 42), (38, 42), (44, 30), (40, 27)])
        c.shade(fa, ramp(shirt), sel=True)
        # The mug at the mouth, tipped up.
        mg = Canvas(64, 72)
        mug(mg, 0, 0 + MUG_H - 1, True, handle_right=False)
        tip = Canvas(64, 72)
        # Shear the mug so it leans back towards the face.
        for y in range(MUG_H + 6):
            for x in range(MUG_W + 8):
                v = mg.get(x - 6, y - 6 + 0)
                if v != T:
                    tip.set(37 + x - y // 4, hy + 3 + y - 5, v)
        c.blit(tip, 0, 0)
        hand = c.mask().ellipse(35, hy + 17, 43, hy + 25)
        c.shade(hand, ramp(skin), sel=True)
    else:
        # One sleeve from the shoulder, bent at the elbow, the hand forward;
        # the second walking picture swings it back a little.
        sw = 0 if frame == 0 else 3
        arm = c.mask().poly([(21, 36), (30, 36), (32, 49), (39 - sw, 53 + bob), (37 - sw, 59 + bob),
                             (28, 55), (21, 47)])
        c.shade(arm, ramp(shirt), sel=True)
        c.hline(35 - sw, 38 - sw, 54 + bob, C(shirt, 3))  # the cuff
        hand = c.mask().ellipse(37 - sw, 53 + bob, 44 - sw, 60 + bob)
        c.shade(hand, ramp(skin), sel=True)
        c.set(40 - sw, 55 + bob, C(skin, 0))
    c.outline(INK, below=CUT)
    return c


# --- The bartender ------------------------------------------------------------
# Drawn looking right and mirrored for the poses in which he faces the
# customers (left); only the pouring picture shows him turned to the tap.

SHIRT = [C('white'), C('foam', 0), C('grey', 1), C('grey', 3), C('grey', 5)]
APRON = [C('white'), C('foam', 0), C('foam', 1), C('grey', 3), C('grey', 5)]
VEST = ramp('wall')
TROUSERS = ramp('black')


def bartender_head(c, bx, top, mood):
    """mood: 'calm', 'look', 'sad', 'glad'."""
    hx, hy = bx - 11, top
    head = c.mask().ellipse(hx, hy, hx + 23, hy + 25)
    head.rect(hx + 22, hy + 12, hx + 24, hy + 16)
    c.shade(head, ramp('skin'), light=2, dark=2, sel=True)
    ear = c.mask().ellipse(hx + 3, hy + 10, hx + 8, hy + 17)
    c.shade(ear, ramp('skin')[1:], sel=True, edge=C('skin', 4))
    # Slicked black hair with a parting.
    hair = c.mask().ellipse(hx, hy - 2, hx + 23, hy + 9)
    hair.rect(hx + 1, hy + 3, hx + 6, hy + 13)
    hair.cut_rect(hx + 13, hy + 7, hx + 30, hy + 30)
    c.shade(hair, ramp('black'), light=2)
    c.hline(hx + 9, hx + 14, hy - 1, C('black', 0))
    eye_y = hy + 11
    if mood == 'glad':
        for ex in (hx + 12, hx + 18):
            c.plot([(ex, eye_y + 1), (ex + 1, eye_y), (ex + 2, eye_y + 1)], INK)
    elif mood != 'sad':
        for ex, w in ((hx + 12, 3), (hx + 18, 2)):
            c.rect(ex, eye_y, ex + w - 1, eye_y + 2, C('white'))
            c.rect(ex + w - 1, eye_y, ex + w - 1, eye_y + 2, INK)
        c.hline(hx + 11, hx + 14, eye_y - 2, C('black', 1))
        c.hline(hx + 18, hx + 20, eye_y - 2, C('black', 1))
    # The pride of the house: a waxed handlebar moustache.
    mo = c.mask().poly([(hx + 13, hy + 17), (hx + 23, hy + 16), (hx + 27, hy + 13), (hx + 26, hy + 18),
                        (hx + 22, hy + 20), (hx + 12, hy + 20), (hx + 8, hy + 18), (hx + 10, hy + 15)])
    c.shade(mo, ramp('black'))
    if mood == 'glad':
        mouth = c.mask().ellipse(hx + 14, hy + 20, hx + 20, hy + 24)
        c.fill(mouth, C('red', 4))
        c.hline(hx + 15, hx + 19, hy + 20, C('white'))
    elif mood == 'sad':
        c.plot([(hx + 14, hy + 23), (hx + 15, hy + 22), (hx + 16, hy + 22), (hx + 17, hy + 22),
                (hx + 18, hy + 23)], C('skin', 4))
    c.set(hx + 15, eye_y + 6, C('skin', 1))


def bartender_body(c, bx, arms=True):
    """Legs, apron, shirt and waistcoat; arms are the pose's business."""
    for lx in (bx - 10, bx + 2):
        leg = c.mask().rect(lx, 84, lx + 8, 97)
        c.shade(leg, TROUSERS, sel=True)
        shoe = c.mask().ellipse(lx - 1, 96, lx + 12, 103)
        shoe.rect(lx - 1, 100, lx + 12, 103)
        c.shade(shoe, TROUSERS, sel=True)
        c.hline(lx + 2, lx + 6, 97, C('grey', 6))
    torso = c.mask().poly([(bx - 13, 32), (bx + 13, 32), (bx + 15, 38), (bx + 13, 62), (bx - 13, 62),
                           (bx - 15, 38)])
    c.shade(torso, SHIRT, light=2, dark=2, sel=True)
    vest = c.mask().poly([(bx - 14, 34), (bx - 3, 34), (bx + 2, 46), (bx + 7, 34), (bx + 14, 34),
                          (bx + 15, 39), (bx + 13, 61), (bx - 13, 61), (bx - 15, 39)])
    c.shade(vest, VEST, light=2, dark=2, sel=True)
    for by in range(48, 60, 4):
        c.set(bx + 2, by, C('brass', 1))
        c.set(bx + 2, by + 1, C('brass', 3))
    apron = c.mask().poly([(bx - 14, 60), (bx + 14, 60), (bx + 16, 89), (bx - 16, 89)])
    c.shade(apron, APRON, light=2, dark=2, sel=True)
    c.hline(bx - 14, bx + 14, 60, C('grey', 4))
    c.hline(bx - 14, bx + 14, 61, C('grey', 2))
    c.vline(bx + 6, 64, 86, C('foam', 2))
    neck = c.mask().rect(bx - 4, 26, bx + 5, 33)
    c.shade(neck, ramp('skin'), sel=True)
    # Collar and bow tie.
    c.plot([(bx - 4, 32), (bx - 3, 33), (bx + 5, 32), (bx + 4, 33)], C('white'))
    bow = c.mask().poly([(bx - 3, 31), (bx + 1, 33), (bx + 5, 31), (bx + 5, 36), (bx + 1, 34), (bx - 3, 36)])
    c.fill(bow, C('ink'))
    c.set(bx + 1, 33, C('black', 0))


def sleeve(c, pts):
    m = c.mask().poly(pts)
    c.shade(m, SHIRT, sel=True)


def hand(c, x0, y0, x1, y1):
    m = c.mask().ellipse(x0, y0, x1, y1)
    c.shade(m, ramp('skin'), sel=True)


def bartender(pose):
    w = {'pour': 66, 'push': 75, 'despair': 52, 'cheer': 71, 'idle': 60}[pose]
    c = Canvas(w, 104)
    if pose == 'idle':
        bx = w - 1 - 30
        # Back arm hangs; the front one carries a chequered cloth.
        sleeve(c, [(bx - 15, 35), (bx - 9, 35), (bx - 9, 58), (bx - 16, 58)])
        hand(c, bx - 17, 56, bx - 9, 64)
        bartender_body(c, bx)
        bartender_head(c, bx, 4, 'calm')
        sleeve(c, [(bx + 8, 35), (bx + 14, 35), (bx + 17, 57), (bx + 10, 58)])
        hand(c, bx + 9, 56, bx + 17, 64)
        cloth = c.mask().poly([(bx + 11, 52), (bx + 19, 51), (bx + 20, 66), (bx + 13, 67)])
        c.shade(cloth, [C('foam', 0), C('foam', 1), C('foam', 2)], sel=True)
        for y in range(53, 66, 3):
            c.hline(bx + 13, bx + 18, y, C('red', 2))
    elif pose == 'pour':
        bx = 26
        sleeve(c, [(bx - 15, 35), (bx - 9, 35), (bx - 9, 58), (bx - 16, 58)])
        hand(c, bx - 17, 56, bx - 9, 64)
        bartender_body(c, bx)
        bartender_head(c, bx, 4, 'look')
        mx = L.POUR_MUG_X - MUG_W // 2
        # The beer runs from the spout into the foam.
        c.vline(L.POUR_MUG_X, L.POUR_SPOUT_ROW + 1, L.POUR_SPOUT_ROW + 3, C('beer', 1))
        mug(c, mx, L.POUR_SPOUT_ROW + 28, True, handle_right=False)
        sleeve(c, [(bx + 6, 35), (bx + 13, 35), (bx + 21, 54), (bx + 15, 60), (bx + 9, 47)])
        sleeve(c, [(bx + 15, 52), (bx + 21, 52), (mx - 1, 58), (mx - 2, 63), (bx + 16, 60)])
        hand(c, mx - 7, 55, mx + 1, 63)
    elif pose == 'push':
        bx = w - 1 - 45
        sleeve(c, [(bx - 15, 35), (bx - 9, 35), (bx - 9, 58), (bx - 16, 58)])
        hand(c, bx - 17, 56, bx - 9, 64)
        bartender_body(c, bx)
        bartender_head(c, bx + 1, 4, 'calm')
        mc = w - 1 - 23  # centre of the mug, mirrored
        mx = mc - MUG_W // 2
        mug(c, mx, 63, True, handle_right=False)
        sleeve(c, [(bx + 6, 35), (bx + 13, 35), (bx + 19, 50), (bx + 13, 55)])
        sleeve(c, [(bx + 13, 48), (bx + 19, 47), (mx - 2, 52), (mx - 3, 58), (bx + 15, 56)])
        hand(c, mx - 8, 50, mx + 1, 58)
    elif pose == 'despair':
        bx = w - 1 - 26
        bartender_body(c, bx)
        bartender_head(c, bx, 5, 'sad')
        # Both hands over the eyes.
        sleeve(c, [(bx - 15, 35), (bx - 9, 35), (bx - 3, 24), (bx - 8, 21), (bx - 17, 40)])
        sleeve(c, [(bx + 9, 35), (bx + 15, 35), (bx + 13, 24), (bx + 7, 24)])
        hand(c, bx - 6, 12, bx + 5, 22)
        hand(c, bx + 4, 11, bx + 15, 21)
        c.plot([(bx - 2, 14), (bx - 2, 17), (bx + 8, 13), (bx + 8, 16)], C('skin', 3))
    elif pose == 'cheer':
        bx = w - 1 - 35
        bartender_body(c, bx)
        bartender_head(c, bx, 6, 'glad')
        sleeve(c, [(bx - 15, 35), (bx - 9, 34), (bx - 16, 12), (bx - 23, 14)])
        sleeve(c, [(bx + 9, 34), (bx + 15, 35), (bx + 24, 14), (bx + 17, 12)])
        for fx in (bx - 25, bx + 15):
            fist = c.mask().rrect(fx, 3, fx + 9, 12, 3)
            c.shade(fist, ramp('skin'), sel=True)
            c.hline(fx + 2, fx + 7, 6, C('skin', 3))
    c.outline(INK)
    if pose != 'pour':
        c = c.flipped()
    return c


def pictures():
    out = {
        247: mug_picture(True), 248: mug_picture(False),
        249: shards_picture(True), 250: shards_picture(False),
        238: bartender('pour'), 239: bartender('push'), 240: bartender('despair'),
        241: bartender('cheer'), 242: bartender('idle'),
    }
    ids = [(267, 268, 269), (258, 259, 260), (261, 262, 263), (264, 265, 266), (254, 255, 270)]
    for kind, trio in enumerate(ids):
        for frame, rid in enumerate(trio):
            out[rid] = customer(kind, frame)
    return out
