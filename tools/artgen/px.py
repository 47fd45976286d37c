"""A small pixel canvas of palette indices, with the few tools the pictures
need: shapes as masks, directional shading (light from the upper left),
outlines, and saving as an indexed PNG in the game's palette."""

from PIL import Image, ImageDraw

import pal

T = pal.TRANSPARENT


class Mask:
    """A set of pixels of a canvas-sized area, drawn with Pillow's aliased
    primitives (no anti-aliasing, so every pixel is deliberate)."""

    def __init__(self, w, h):
        self.w, self.h = w, h
        self.img = Image.new('1', (w, h), 0)
        self.d = ImageDraw.Draw(self.img)

    def ellipse(self, x0, y0, x1, y1):
        self.d.ellipse((x0, y0, x1, y1), fill=1)
        return self

    def rect(self, x0, y0, x1, y1):
        self.d.rectangle((x0, y0, x1, y1), fill=1)
        return self

    def poly(self, pts):
        self.d.polygon(pts, fill=1)
        return self

    def line(self, pts, width=1):
        self.d.line(pts, fill=1, width=width)
        return self

    def rrect(self, x0, y0, x1, y1, r):
        self.d.rounded_rectangle((x0, y0, x1, y1), r, fill=1)
        return self

    def cut(self, other):
        """Removes the pixels of another mask."""
        a = self.img.load()
        b = other.img.load()
        for y in range(self.h):
            for x in range(self.w):
                if b[x, y]:
                    a[x, y] = 0
        return self

    def cut_rect(self, x0, y0, x1, y1):
        self.d.rectangle((x0, y0, x1, y1), fill=0)
        return self

    def pixels(self):
        a = self.img.load()
        return [(x, y) for y in range(self.h) for x in range(self.w) if a[x, y]]

    def has(self, x, y):
        return 0 <= x < self.w and 0 <= y < self.h and self.img.getpixel((x, y)) != 0


class Canvas:
    def __init__(self, w, h, fill=T):
        self.w, self.h = w, h
        self.px = bytearray([fill]) * (w * h)

    def get(self, x, y):
        if 0 <= x < self.w and 0 <= y < self.h:
            return self.px[y * self.w + x]
        return T

    def set(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y * self.w + x] = c

    def mask(self):
        return Mask(self.w, self.h)

    def rect(self, x0, y0, x1, y1, c):
        for y in range(max(0, y0), min(self.h, y1 + 1)):
            for x in range(max(0, x0), min(self.w, x1 + 1)):
                self.px[y * self.w + x] = c

    def hline(self, x0, x1, y, c):
        self.rect(x0, y, x1, y, c)

    def vline(self, x, y0, y1, c):
        self.rect(x, y0, x, y1, c)

    def fill(self, m, c):
        for x, y in m.pixels():
            self.set(x, y, c)

    def line(self, pts, c, width=1):
        m = self.mask().line(pts, width)
        self.fill(m, c)

    def plot(self, pts, c):
        for x, y in pts:
            self.set(x, y, c)

    def shade(self, m, ramp, light=1, dark=1, edge=None, sel=False):
        """Fills a mask with a ramp: the middle step inside, the light steps
        along the edges facing the upper left, the dark steps along the edges
        facing the lower right. ramp is a list of indices, light first.
        sel: where the part meets pixels already drawn, draw a dark line
        (edge, or the ramp's darkest step) so parts read apart."""
        pts = m.pixels()
        n = len(ramp)
        mid = ramp[n // 2] if n >= 3 else ramp[-1]
        lit = ramp[max(0, n // 2 - 1)]
        top = ramp[0]
        sh = ramp[min(n - 1, n // 2 + 1)]
        deep = ramp[-1]
        k = max(light, dark) + 1

        def run(x, y, dx, dy):
            i = 0
            while i < k and m.has(x + dx * (i + 1), y + dy * (i + 1)):
                i += 1
            return i

        res = {}
        for x, y in pts:
            dlr = min(run(x, y, 1, 0), run(x, y, 0, 1))
            dul = min(run(x, y, -1, 0), run(x, y, 0, -1))
            if dlr == 0:
                c = deep if n >= 4 else sh
            elif dlr < dark:
                c = sh
            elif dul == 0:
                c = top if (run(x, y, -1, 0) == 0 and run(x, y, 0, -1) == 0) or n < 4 else lit
            elif dul < light:
                c = lit
            else:
                c = mid
            res[(x, y)] = c
        if sel:
            e = edge if edge is not None else deep
            for x, y in pts:
                for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)):
                    if not m.has(x + dx, y + dy) and self.get(x + dx, y + dy) != T:
                        res[(x, y)] = e
                        break
        for (x, y), c in res.items():
            self.set(x, y, c)

    def outline(self, c, below=None):
        """Draws a 1-pixel outline (4-neighbour) around every opaque area.
        Rows from `below` down get none (a figure cut by the counter)."""
        out = []
        for y in range(self.h):
            if below is not None and y >= below:
                break
            for x in range(self.w):
                if self.px[y * self.w + x] != T:
                    continue
                for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)):
                    if self.get(x + dx, y + dy) != T:
                        out.append((x, y))
                        break
        for x, y in out:
            self.set(x, y, c)

    def blit(self, other, ox, oy, flip=False):
        for y in range(other.h):
            for x in range(other.w):
                c = other.px[y * other.w + (other.w - 1 - x if flip else x)]
                if c != T:
                    self.set(ox + x, oy + y, c)

    def flipped(self):
        c = Canvas(self.w, self.h)
        c.blit(self, 0, 0, flip=True)
        return c

    def copy(self):
        c = Canvas(self.w, self.h)
        c.px[:] = self.px
        return c

    def crop(self, x0, y0, w, h):
        c = Canvas(w, h)
        for y in range(h):
            for x in range(w):
                sx = min(max(x0 + x, 0), self.w - 1)
                sy = min(max(y0 + y, 0), self.h - 1)
                c.px[y * w + x] = self.px[sy * self.w + sx]
        return c

    def image(self):
        img = Image.frombytes('P', (self.w, self.h), bytes(self.px))
        img.putpalette(pal.flat())
        return img

    def save(self, path):
        img = self.image()
        # tRNS marks index 236 so that editors show it as see-through.
        img.save(path, format='PNG', optimize=False, transparency=T)


def load(path):
    img = Image.open(path)
    assert img.mode == 'P'
    c = Canvas(img.width, img.height)
    c.px[:] = img.tobytes()
    return c
