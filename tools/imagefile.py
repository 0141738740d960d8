"""Writes Windows bitmap (.bmp) and icon (.ico) files from palette pictures.

A picture is a list of rows (top row first), each a list of palette indices.
Output is byte for byte the same for the same input, so generated artwork is
reproducible.
"""
import struct

# The 16 colours of the standard VGA palette, as (r, g, b).
VGA16 = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]


def _pack_rows(pixels, bits):
    """Bottom-up rows of packed indices, each padded to 4 bytes."""
    out = bytearray()
    for row in reversed(pixels):
        acc = bytearray()
        if bits == 8:
            acc.extend(row)
        elif bits == 4:
            for i in range(0, len(row), 2):
                hi = row[i]
                lo = row[i + 1] if i + 1 < len(row) else 0
                acc.append((hi << 4) | lo)
        elif bits == 1:
            for i in range(0, len(row), 8):
                b = 0
                for j in range(8):
                    if i + j < len(row) and row[i + j]:
                        b |= 0x80 >> j
                acc.append(b)
        else:
            raise ValueError("unsupported depth %d" % bits)
        while len(acc) % 4:
            acc.append(0)
        out.extend(acc)
    return bytes(out)


def _palette_bytes(palette, count):
    pal = list(palette) + [(0, 0, 0)] * (count - len(palette))
    return b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in pal[:count])


def _info_header(width, height, bits, image_size, colours):
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0,
                       image_size, 0, 0, colours, 0)


def bmp_bytes(pixels, palette, bits):
    """A device-independent bitmap file with a palette of 2**bits entries."""
    height = len(pixels)
    width = len(pixels[0])
    colours = 1 << bits
    data = _pack_rows(pixels, bits)
    pal = _palette_bytes(palette, colours)
    offset = 14 + 40 + len(pal)
    header = struct.pack("<2sIHHI", b"BM", offset + len(data), 0, 0, offset)
    return header + _info_header(width, height, bits, len(data), colours) + pal + data


def ico_bytes(pixels, palette, transparent=None, bits=4):
    """A one-image icon file; pixels equal to `transparent` are see-through."""
    height = len(pixels)
    width = len(pixels[0])
    colours = 1 << bits
    xor_rows = [[0 if p == transparent else p for p in row] for row in pixels]
    and_rows = [[1 if p == transparent else 0 for p in row] for row in pixels]
    xor = _pack_rows(xor_rows, bits)
    mask = _pack_rows(and_rows, 1)
    pal = _palette_bytes(palette, colours)
    image = _info_header(width, height * 2, bits, len(xor) + len(mask), colours) + pal + xor + mask
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", width & 0xFF, height & 0xFF, colours & 0xFF, 0,
                        1, bits, len(image), 6 + 16)
    return directory + entry + image


class Canvas:
    """A palette picture with a few drawing operations."""

    def __init__(self, width, height, fill=0):
        self.width = width
        self.height = height
        self.pixels = [[fill] * width for _ in range(height)]

    def set(self, x, y, c):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y][x] = c

    def get(self, x, y):
        return self.pixels[y][x]

    def line(self, x0, y0, x1, y1, c):
        dx, dy = abs(x1 - x0), -abs(y1 - y0)
        sx = 1 if x0 < x1 else -1
        sy = 1 if y0 < y1 else -1
        err = dx + dy
        while True:
            self.set(x0, y0, c)
            if x0 == x1 and y0 == y1:
                break
            e2 = 2 * err
            if e2 >= dy:
                err += dy
                x0 += sx
            if e2 <= dx:
                err += dx
                y0 += sy

    def rect(self, x0, y0, x1, y1, c):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.set(x, y, c)

    def fill_where(self, inside, c):
        """Sets every pixel (x, y) for which inside(x, y) holds."""
        for y in range(self.height):
            for x in range(self.width):
                if inside(x, y):
                    self.pixels[y][x] = c

    def flood(self, x, y, c):
        """Fills the region of one colour that contains (x, y)."""
        old = self.get(x, y)
        if old == c:
            return
        stack = [(x, y)]
        while stack:
            px, py = stack.pop()
            if 0 <= px < self.width and 0 <= py < self.height and self.pixels[py][px] == old:
                self.pixels[py][px] = c
                stack.extend(((px + 1, py), (px - 1, py), (px, py + 1), (px, py - 1)))
