#!/usr/bin/python3
"""Makes the game's palette, pictures and sounds under resources/.

Run from anywhere with /usr/bin/python3 (Pillow from Debian):

    /usr/bin/python3 tools/artgen/artgen.py            # everything
    /usr/bin/python3 tools/artgen/artgen.py palette    # only some groups
    (groups: palette scene figures extras sounds)

The output is the same, byte for byte, on every run.
"""

import os
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

import pal  # noqa: E402

ROOT = os.path.normpath(os.path.join(HERE, '..', '..'))
RES = os.path.join(ROOT, 'resources')
PICS = os.path.join(RES, 'pictures')
SOUNDS = os.path.join(RES, 'sounds')

# Resource id -> file name stem. The build converts each PNG to the game's
# own image format; the id is what the game loads.
PICTURE_NAMES = {
    237: 'digit-9', 238: 'bartender-pour', 239: 'bartender-push', 240: 'bartender-despair',
    241: 'bartender-cheer', 242: 'bartender-idle', 243: 'flag-ribbon', 244: 'flags-right',
    245: 'flags-left', 246: 'game-over', 247: 'mug-full', 248: 'mug-empty',
    249: 'mug-broken-full', 250: 'mug-broken-empty', 251: 'greeting-banner',
    252: 'greeting-right', 253: 'greeting-left', 254: 'cap-walk-1', 255: 'cap-walk-2',
    256: 'background', 257: 'life-mark', 258: 'red-walk-1', 259: 'red-walk-2', 260: 'red-drink',
    261: 'green-walk-1', 262: 'green-walk-2', 263: 'green-drink', 264: 'brown-walk-1',
    265: 'brown-walk-2', 266: 'brown-drink', 267: 'blue-walk-1', 268: 'blue-walk-2',
    269: 'blue-drink', 270: 'cap-drink', 271: 'digit-0', 272: 'digit-1', 273: 'digit-2',
    274: 'digit-3', 275: 'digit-4', 276: 'digit-5', 277: 'digit-6', 278: 'digit-7',
    279: 'digit-8',
}

PICTURE_SIZES = {
    237: (12, 16), 238: (66, 104), 239: (75, 104), 240: (52, 104), 241: (71, 104),
    242: (60, 104), 243: (285, 38), 244: (72, 72), 245: (72, 72), 246: (128, 24),
    247: (54, 41), 248: (54, 41), 249: (54, 41), 250: (54, 41), 251: (132, 38),
    252: (72, 72), 253: (72, 72), 256: (424, 300), 257: (8, 16),
}
for _id in list(range(254, 256)) + list(range(258, 271)):
    PICTURE_SIZES[_id] = (64, 72)
for _id in range(271, 280):
    PICTURE_SIZES[_id] = (12, 16)

SOUND_NAMES = {228: 'level-cleared', 229: 'miss', 230: 'mug-launched'}


def picture_path(rid):
    return os.path.join(PICS, '%d-%s.png' % (rid, PICTURE_NAMES[rid]))


def write_palette():
    """resources/palette.bmp: one 8-bit pixel with all 256 colours, and the
    same colours as a GIMP palette for drawing."""
    pal.check()
    table = b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in pal.COLOURS)
    pixels = b'\x00\x00\x00\x00'  # one pixel, row padded to 4 bytes
    offset = 14 + 40 + len(table)
    info = struct.pack('<IiiHHIIiiII', 40, 1, 1, 1, 8, 0, len(pixels), 2835, 2835, 256, 256)
    head = struct.pack('<2sIHHI', b'BM', offset + len(pixels), 0, 0, offset)
    with open(os.path.join(RES, 'palette.bmp'), 'wb') as f:
        f.write(head + info + table + pixels)
    names = {}
    for (ramp, step), i in pal.INDEX.items():
        names[i] = '%s %d' % (ramp, step)
    lines = ['GIMP Palette', 'Name: Vilmar Pintkeeper', 'Columns: 16',
             '# index 236 (magenta) is transparent; 234..255 other than 236 are unused']
    for i, (r, g, b) in enumerate(pal.COLOURS):
        if i == pal.TRANSPARENT:
            label = 'transparent'
        elif i >= pal.SLOTS:
            label = 'unused'
        else:
            label = names.get(i, 'extra')
        lines.append('%3d %3d %3d\t%d %s' % (r, g, b, i, label))
    with open(os.path.join(RES, 'palette.gpl'), 'w', newline='\n') as f:
        f.write('\n'.join(lines) + '\n')


def save_picture(rid, canvas):
    w, h = PICTURE_SIZES[rid]
    assert (canvas.w, canvas.h) == (w, h), (rid, canvas.w, canvas.h)
    assert max(canvas.px) <= pal.TRANSPARENT, rid
    canvas.save(picture_path(rid))


def main(argv):
    groups = set(argv[1:]) or {'palette', 'scene', 'figures', 'extras', 'sounds'}
    os.makedirs(PICS, exist_ok=True)
    os.makedirs(SOUNDS, exist_ok=True)
    if 'palette' in groups:
        write_palette()
    if 'scene' in groups:
        import scene
        for rid, canvas in scene.pictures().items():
            save_picture(rid, canvas)
    if 'figures' in groups:
        import figures
        for rid, canvas in figures.pictures().items():
            save_picture(rid, canvas)
    if 'extras' in groups:
        import extras
        for rid, canvas in extras.pictures().items():
            save_picture(rid, canvas)
    if 'sounds' in groups:
        import sounds
        for rid, data in sounds.sounds().items():
            with open(os.path.join(SOUNDS, '%d-%s.wav' % (rid, SOUND_NAMES[rid])), 'wb') as f:
                f.write(data)


if __name__ == '__main__':
    main(sys.argv)
