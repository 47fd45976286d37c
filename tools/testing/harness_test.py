#!/usr/bin/python3
"""The harness's own parts that the checks stand on: reading captured
pictures, comparing them, the frame hash, and the waits."""

import os
import struct
import tempfile
import time
import unittest
import zlib

from harness import Picture, fnv1a64, holds, wait_until


def bmp(width, height, rows):
    """A 24-bit bottom-up BMP of rows given top first as RGB bytes."""
    stride = (width * 3 + 3) & ~3
    body = b"".join(bytes(b for i in range(0, len(row), 3) for b in row[i:i + 3][::-1]).ljust(stride, b"\0")
                    for row in reversed(rows))
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(body), 0, 0, 0, 0)
    return struct.pack("<2sIHHI", b"BM", 54 + len(body), 0, 0, 54) + info + body


def png(width, palette, indices):
    """An 8-bit palette PNG of one row."""
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, 1, 8, 3, 0, 0, 0))
            + chunk(b"PLTE", b"".join(palette)) + chunk(b"IDAT", zlib.compress(b"\0" + bytes(indices)))
            + chunk(b"IEND", b""))


class PictureTest(unittest.TestCase):
    def test_a_palette_png_is_read_with_its_palette(self):
        with tempfile.NamedTemporaryFile(suffix=".png", delete=False) as f:
            f.write(png(3, [b"\0\0\0", b"\x10\x20\x30", b"\xff\xff\xff"], [2, 1, 0]))
        try:
            picture = Picture.from_png(f.name)
            self.assertEqual(picture.rgb, b"\xff\xff\xff\x10\x20\x30\0\0\0")
            self.assertEqual(picture.palette, [(0, 0, 0), (16, 32, 48), (255, 255, 255)])
        finally:
            os.remove(f.name)

    def test_a_bmp_is_read_top_down_in_rgb_past_its_row_padding(self):
        rows = [b"\x01\x02\x03\x04\x05\x06", b"\x07\x08\x09\x0a\x0b\x0c"]  # 2 x 2: 6 bytes + 2 padding a row
        with tempfile.NamedTemporaryFile(suffix=".bmp", delete=False) as f:
            f.write(bmp(2, 2, rows))
        try:
            picture = Picture.read(f.name)
            self.assertEqual((picture.width, picture.height, picture.rgb), (2, 2, b"".join(rows)))
        finally:
            os.remove(f.name)
        self.assertIsNone(Picture.read("/nonexistent.bmp"))

    def test_a_ppm_is_read_and_a_damaged_one_refused(self):
        picture = Picture.from_ppm(b"P6\n2 1\n255\n\x01\x02\x03\x04\x05\x06")
        self.assertEqual((picture.width, picture.height, picture.rgb), (2, 1, b"\x01\x02\x03\x04\x05\x06"))
        self.assertIsNone(Picture.from_ppm(b"P6\n2 1\n255\n\x01\x02"))  # cut short
        self.assertIsNone(Picture.from_ppm(b"P6\n2 1\n65535\n" + bytes(12)))  # 16 bits a sample
        self.assertIsNone(Picture.from_ppm(b""))

    def test_scaling_cropping_and_counting_differences(self):
        red, blue = b"\xff\0\0", b"\0\0\xff"
        picture = Picture(2, 1, red + blue)
        big = picture.scaled(2)
        self.assertEqual(big.rgb, red * 2 + blue * 2 + red * 2 + blue * 2)
        self.assertEqual(big.crop(1, 1, 2, 1).rgb, red + blue)
        self.assertEqual(big.differing(Picture(4, 2, red * 8)), 4)
        self.assertEqual(big.differing(big), 0)
        self.assertEqual(big.differing(picture), 8)  # sizes differ: every pixel counts
        self.assertEqual(big.colours(), 2)

    def test_the_frame_hash_reads_black_as_the_first_palette_entry(self):
        palette = [(0, 0, 0), (255, 0, 0), (0, 0, 0)]
        picture = Picture(3, 1, b"\0\0\0" + b"\xff\0\0" + b"\0\0\0")
        self.assertEqual(picture.frame_hash(palette), "%016x" % fnv1a64(bytes([0, 1, 0])))
        self.assertEqual(fnv1a64(b""), 0xcbf29ce484222325)


class WaitTest(unittest.TestCase):
    def test_wait_until_gives_the_first_true_value_or_the_last_false_one(self):
        values = iter([0, None, "ready", "later"])
        self.assertEqual(wait_until(lambda: next(values), 5, step=0), "ready")
        start = time.monotonic()
        self.assertEqual(wait_until(lambda: [], 0.2, step=0.05), [])
        self.assertGreaterEqual(time.monotonic() - start, 0.2)

    def test_holds_fails_as_soon_as_the_condition_does(self):
        self.assertTrue(holds(lambda: True, 0.1, step=0.02))
        calls = []
        start = time.monotonic()
        self.assertFalse(holds(lambda: calls.append(1) or len(calls) < 3, 10, step=0.01))
        self.assertLess(time.monotonic() - start, 5)


if __name__ == "__main__":
    unittest.main()
