"""Checks the settings page artwork: the generator writes the same bytes on
every run, the built files are those bytes, and the pictures keep the rules
the painter and the page rely on.

usage: artwork_check.py GENERATOR BUILT_ARTWORK_DIR
"""
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest

KEY = (0, 255, 255)
NAVY = (0, 0, 128)
WHITE = (255, 255, 255)
BLACK = (0, 0, 0)

GENERATOR = None
BUILT = None
NAMES = ["mouse%d.bmp" % m for m in range(8)] + [
    "logo.bmp", "animal_rest.ico", "animal_startled.ico"]


def read_dib(data, offset, pixel_offset=None, height_divisor=1):
    """Width, height, bits, palette and top-down rows of (r, g, b) of the
    device-independent bitmap whose info header starts at offset."""
    (size, width, height, planes, bits, compression, _, _, _, used, _) = \
        struct.unpack_from("<IiiHHIIiiII", data, offset)
    assert size == 40 and planes == 1 and compression == 0
    height //= height_divisor
    colours = used or (1 << bits)
    palette = []
    for i in range(colours):
        b, g, r, _ = struct.unpack_from("<BBBB", data, offset + 40 + 4 * i)
        palette.append((r, g, b))
    start = pixel_offset if pixel_offset is not None else offset + 40 + 4 * colours
    stride = ((width * bits + 31) // 32) * 4
    rows = []
    for y in range(height):
        row_start = start + (height - 1 - y) * stride
        row = []
        for x in range(width):
            if bits == 8:
                index = data[row_start + x]
            elif bits == 4:
                byte = data[row_start + x // 2]
                index = byte >> 4 if x % 2 == 0 else byte & 15
            else:
                raise AssertionError("unexpected depth %d" % bits)
            row.append(palette[index])
        rows.append(row)
    return width, height, bits, colours, rows


def read_bmp(path):
    with open(path, "rb") as f:
        data = f.read()
    magic, _, _, _, pixels = struct.unpack_from("<2sIHHI", data, 0)
    assert magic == b"BM", path
    return read_dib(data, 14, pixels)


def read_ico(path):
    """(width, height, bits, colours) of each image of an icon file."""
    with open(path, "rb") as f:
        data = f.read()
    reserved, kind, count = struct.unpack_from("<HHH", data, 0)
    assert reserved == 0 and kind == 1, path
    images = []
    for i in range(count):
        offset = struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)[7]
        width, height, bits, colours, _ = read_dib(data, offset, height_divisor=2)
        images.append((width, height, bits, colours))
    return images


class Generator(unittest.TestCase):
    def test_two_runs_write_the_same_bytes_as_the_build(self):
        runs = []
        try:
            for _ in range(2):
                folder = tempfile.mkdtemp(prefix="artwork-")
                runs.append(folder)
                subprocess.run([sys.executable, GENERATOR, folder], check=True)
            for name in NAMES:
                with open(os.path.join(runs[0], name), "rb") as f:
                    first = f.read()
                with open(os.path.join(runs[1], name), "rb") as f:
                    second = f.read()
                with open(os.path.join(BUILT, name), "rb") as f:
                    built = f.read()
                self.assertEqual(first, second, "%s differs between two runs" % name)
                self.assertEqual(first, built, "%s differs from the built file" % name)
        finally:
            for folder in runs:
                shutil.rmtree(folder)


class MousePictures(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.pictures = [read_bmp(os.path.join(BUILT, "mouse%d.bmp" % m)) for m in range(8)]

    def test_size_and_depth(self):
        for mask, (w, h, bits, colours, _) in enumerate(self.pictures):
            self.assertEqual((176, 141, 4, 16), (w, h, bits, colours), "mouse%d.bmp" % mask)

    def test_key_colour_all_around(self):
        for mask, (w, h, _, _, rows) in enumerate(self.pictures):
            # Left, right and bottom edges are all key colour; the top edge
            # too, except where the leader lines and the cable leave.
            edge = [rows[y][0] for y in range(h)] + [rows[y][w - 1] for y in range(h)] + rows[h - 1]
            self.assertEqual({KEY}, set(edge), "mouse%d.bmp edges" % mask)
            top = [p for p in rows[0] if p != KEY]
            self.assertLessEqual(len(top), 12, "mouse%d.bmp top edge" % mask)
            count = sum(row.count(KEY) for row in rows)
            self.assertGreater(count, w * h // 2, "mouse%d.bmp key pixels" % mask)
            self.assertLess(count, w * h * 9 // 10, "mouse%d.bmp key pixels" % mask)

    def test_navy_exactly_on_the_pressed_buttons(self):
        def navy(rows):
            return {(x, y) for y, row in enumerate(rows) for x, p in enumerate(row) if p == NAVY}

        released = self.pictures[0][4]
        self.assertEqual(set(), navy(released), "nothing pressed in mouse0.bmp")
        buttons = {bit: navy(self.pictures[bit][4]) for bit in (1, 2, 4)}
        for bit, area in buttons.items():
            self.assertGreater(len(area), 40, "button %d has a face" % bit)
            # Released, the same face is white.
            self.assertEqual({WHITE}, {released[y][x] for x, y in area}, "button %d" % bit)
        self.assertFalse(buttons[1] & buttons[2] or buttons[1] & buttons[4] or buttons[2] & buttons[4])
        for mask in range(8):
            rows = self.pictures[mask][4]
            expected = set().union(*(buttons[bit] for bit in (1, 2, 4) if mask & bit))
            self.assertEqual(expected, navy(rows), "navy of mouse%d.bmp" % mask)
            changed = {(x, y) for y, row in enumerate(rows) for x, p in enumerate(row)
                       if p != released[y][x]}
            self.assertEqual(expected, changed, "mouse%d.bmp differs from mouse0.bmp" % mask)

    def test_mouse_is_grey_with_white_and_black_lines(self):
        rows = self.pictures[0][4]
        colours = {p for row in rows for p in row}
        for colour in ((192, 192, 192), (128, 128, 128), WHITE, BLACK):
            self.assertIn(colour, colours)


class Logo(unittest.TestCase):
    def test_red_field_white_lettering_no_key_colour(self):
        w, h, bits, colours, rows = read_bmp(os.path.join(BUILT, "logo.bmp"))
        self.assertEqual((112, 50, 8, 256), (w, h, bits, colours))
        pixels = [p for row in rows for p in row]
        self.assertNotIn(KEY, pixels)
        self.assertEqual(rows[0][0], rows[h - 1][w - 1])
        r, g, b = rows[0][0]
        self.assertTrue(r >= 160 and g < 60 and b < 60, "red field, got %r" % (rows[0][0],))
        self.assertGreater(pixels.count(WHITE), 300, "white lettering")


class Icons(unittest.TestCase):
    def test_one_image_of_32_by_32_in_16_colours(self):
        images = {}
        for name in ("animal_rest.ico", "animal_startled.ico"):
            images[name] = read_ico(os.path.join(BUILT, name))
            self.assertEqual([(32, 32, 4, 16)], images[name], name)
        with open(os.path.join(BUILT, "animal_rest.ico"), "rb") as f:
            rest = f.read()
        with open(os.path.join(BUILT, "animal_startled.ico"), "rb") as f:
            startled = f.read()
        self.assertNotEqual(rest, startled)


if __name__ == "__main__":
    GENERATOR, BUILT = sys.argv[1], sys.argv[2]
    unittest.main(argv=sys.argv[:1], verbosity=2)
