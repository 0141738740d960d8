"""Draws the icons of the setup program into the folder given.

setup.ico (icon 128): a computer with an open box beside it, the picture of
the Welcome dialog and its window icon. figure.ico (icon 137): a small
cartoon figure, shown in the Install type dialog. Both 32 x 32 pixels in
the 16 VGA colours; the same input always gives the same bytes.

usage: setup_artwork.py OUTDIR
"""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import imagefile  # noqa: E402

# Indices into imagefile.VGA16.
BLACK, MAROON, GREEN, OLIVE, NAVY, PURPLE, TEAL, SILVER = range(8)
GREY, RED, LIME, YELLOW, BLUE, MAGENTA, CYAN, WHITE = range(8, 16)
# Pixels left at this value are see-through in the icon.
CLEAR = MAGENTA


def ellipse(canvas, cx, cy, rx, ry, colour):
    """A filled ellipse around the centre (cx, cy), radii in pixels."""
    def inside(x, y):
        return ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2 <= 1.0
    canvas.fill_where(inside, colour)


def outline(canvas, x0, y0, x1, y1, colour):
    canvas.line(x0, y0, x1, y0, colour)
    canvas.line(x0, y1, x1, y1, colour)
    canvas.line(x0, y0, x0, y1, colour)
    canvas.line(x1, y0, x1, y1, colour)


def paint(canvas, shape, colour, edge=BLACK):
    """Fills a set of pixels and draws its rim (pixels with a 4-neighbour
    outside the set) in the edge colour."""
    for (x, y) in shape:
        rim = any((x + dx, y + dy) not in shape for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)))
        canvas.set(x, y, edge if rim and edge is not None else colour)


def rows(spans):
    """A shape from {y: (x_first, x_last)}."""
    return {(x, y) for y, (x0, x1) in spans.items() for x in range(x0, x1 + 1)}


def computer(c):
    """Monitor, stand and keyboard on the left of the picture."""
    # Monitor case with a light top-left edge and a dark bottom-right edge.
    c.rect(0, 2, 16, 16, SILVER)
    c.line(1, 3, 15, 3, WHITE)
    c.line(1, 3, 1, 15, WHITE)
    c.line(2, 15, 15, 15, GREY)
    c.line(15, 4, 15, 15, GREY)
    outline(c, 0, 2, 16, 16, BLACK)
    # Screen: deep blue with two lines of text and a prompt.
    c.rect(3, 5, 13, 12, NAVY)
    outline(c, 3, 5, 13, 12, GREY)
    c.line(5, 7, 10, 7, CYAN)
    c.line(5, 9, 8, 9, CYAN)
    c.line(5, 11, 11, 11, TEAL)
    # Power light.
    c.set(13, 14, LIME)
    # Stand.
    c.rect(6, 17, 10, 18, GREY)
    c.line(4, 19, 12, 19, BLACK)
    # Keyboard in front, keys as dotted rows.
    c.rect(0, 22, 16, 26, SILVER)
    outline(c, 0, 22, 16, 26, BLACK)
    for x in range(2, 15, 2):
        c.set(x, 24, GREY)
    c.line(4, 25, 12, 25, GREY)


def open_box(c):
    """A cardboard box with its flaps open and a disk inside."""
    # Back flap, standing up behind the opening and leaning back.
    paint(c, rows({y: (20 + (16 - y) // 2, 31) for y in range(4, 17)}), YELLOW)
    # The disk in the box, its top above the rim.
    paint(c, rows({y: (22, 29) for y in range(7, 18)}), BLUE)
    c.rect(24, 8, 27, 10, SILVER)
    c.set(26, 9, BLACK)
    c.rect(23, 13, 28, 16, WHITE)
    # The dark inside of the box, seen over the front edge.
    paint(c, rows({17: (19, 31), 18: (18, 30)}), BLACK)
    # Front face and right side in shadow.
    paint(c, rows({y: (18, 28) for y in range(19, 31)}), OLIVE)
    side = rows({y: (29, 31) for y in range(18, 30)})
    paint(c, side, OLIVE)
    for (x, y) in side:
        if (x + y) % 2 == 0 and c.get(x, y) == OLIVE:
            c.set(x, y, BLACK)
    # Tape down the middle of the front.
    c.line(23, 20, 23, 29, YELLOW)
    # Left flap, fallen open to the left of the opening.
    paint(c, rows({y: (14 + (y - 12) // 2, 19 + (y - 12) // 2) for y in range(12, 19)}), YELLOW)


def setup_icon():
    c = imagefile.Canvas(32, 32, CLEAR)
    computer(c)
    open_box(c)
    return c


def figure_icon():
    """A cheerful little figure waving one arm."""
    c = imagefile.Canvas(32, 32, CLEAR)
    # Head with hair, eyes and a smile.
    ellipse(c, 15.5, 7.5, 5.5, 5.5, BLACK)
    ellipse(c, 15.5, 7.5, 4.6, 4.6, YELLOW)
    for x in range(12, 20):
        c.set(x, 2, BLACK)
    c.set(13, 1, BLACK)
    c.set(17, 1, BLACK)
    c.set(13, 6, BLACK)
    c.set(13, 7, BLACK)
    c.set(18, 6, BLACK)
    c.set(18, 7, BLACK)
    c.set(13, 9, BLACK)
    c.line(14, 10, 17, 10, BLACK)
    c.set(18, 9, BLACK)
    # Body: a red shirt.
    c.rect(11, 14, 20, 21, RED)
    outline(c, 11, 14, 20, 21, BLACK)
    c.line(15, 15, 16, 15, MAROON)
    # Left arm down, right arm raised and waving.
    c.line(10, 15, 7, 21, BLACK)
    c.line(11, 16, 8, 21, RED)
    ellipse(c, 7.5, 22.5, 1.3, 1.3, YELLOW)
    c.line(21, 15, 25, 10, BLACK)
    c.line(21, 16, 25, 11, RED)
    ellipse(c, 26, 8.5, 1.6, 1.6, YELLOW)
    c.line(28, 6, 29, 5, GREY)
    c.line(28, 9, 30, 9, GREY)
    # Blue trousers and black shoes.
    c.rect(11, 22, 20, 27, BLUE)
    c.rect(15, 24, 16, 27, CLEAR)
    outline(c, 11, 22, 14, 27, BLACK)
    outline(c, 17, 22, 20, 27, BLACK)
    c.line(11, 22, 20, 22, BLACK)
    c.rect(9, 28, 14, 30, BLACK)
    c.rect(17, 28, 22, 30, BLACK)
    return c


def write_icon(path, canvas):
    with open(path, "wb") as f:
        f.write(imagefile.ico_bytes(canvas.pixels, imagefile.VGA16, transparent=CLEAR))


def main(out):
    os.makedirs(out, exist_ok=True)
    write_icon(os.path.join(out, "setup.ico"), setup_icon())
    write_icon(os.path.join(out, "figure.ico"), figure_icon())


if __name__ == "__main__":
    main(sys.argv[1])
