"""Draws the settings page artwork of TVNTCpl into the folder given.

mouse0.bmp .. mouse7.bmp  the pressed-buttons pictures, bitmaps 103 + mask
                          (mask bit 1 left, 2 middle, 4 right): 176 x 141,
                          16 colours, a grey three-button mouse at an angle on
                          the key colour cyan, pressed buttons navy, leader
                          lines up towards the three list labels of the page
logo.bmp                  bitmap 102: 112 x 50, 256 colours, "TAVIX" in white
                          with three slanting strokes on red
animal_rest.ico           icon 104: 32 x 32, 16 colours, a little cartoon
animal_startled.ico       mouse at rest (104) and startled, with sparkles (105)

Everything is computed from fixed numbers with plain arithmetic, so every run
writes the same bytes.
"""
import math
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import imagefile  # noqa: E402

# Indices into the VGA palette.
BLACK, MAROON, GREEN, OLIVE, NAVY, PURPLE, TEAL, SILVER = range(8)
GREY, RED, LIME, YELLOW, BLUE, FUCHSIA, CYAN, WHITE = range(8, 16)

KEY = CYAN  # see-through colour of the pictures

# ---------------------------------------------------------------------------
# The mouse pictures.

PICTURE_W, PICTURE_H = 176, 141

# Where the page's list labels lie, in picture pixels. Picture control 111
# sits at (90, 32) dialog units and shows 176 x 141 pixels over 117 x 87
# units; the labels lie on y 7..15 units, "Left Button" on x 42..91,
# "Middle/Side Button" on 107..171 and "Right Button" on 191..248.
_PX_X = PICTURE_W / 117.0
_PX_Y = PICTURE_H / 87.0


def _label_point(left_du, right_du):
    x = ((left_du + right_du) / 2.0 - 90) * _PX_X
    y = (11 - 32) * _PX_Y
    return x, y


LABEL_TARGETS = {
    1: _label_point(42, 91),    # left button
    2: _label_point(107, 171),  # middle/side button
    4: _label_point(191, 248),  # right button
}

# The mouse in its own frame: u across (right positive), v along (front
# negative), a rounded body of half width A and half length B, turned
# clockwise by ANGLE on the picture so that its front points up and right.
CENTRE_X, CENTRE_Y = 84.0, 90.0
A, B = 31.0, 44.0
SHAPE_POWER = 2.6
ANGLE = math.radians(16)
DEPTH_X, DEPTH_Y = 3, 6          # how far the side shows below the top
BUTTON_LINE_V = -0.30 * B        # where the buttons end, at the middle
MIDDLE_HALF_WIDTH = 0.20 * A     # the middle button is the narrow one


def _to_local(x, y):
    dx, dy = x - CENTRE_X, y - CENTRE_Y
    c, s = math.cos(ANGLE), math.sin(ANGLE)
    return dx * c + dy * s, -dx * s + dy * c


def _to_picture(u, v):
    c, s = math.cos(ANGLE), math.sin(ANGLE)
    return CENTRE_X + u * c - v * s, CENTRE_Y + u * s + v * c


def _shape(u, v):
    """0 at the centre of the body, 1 on its edge."""
    return (abs(u / A) ** SHAPE_POWER + abs(v / B) ** SHAPE_POWER) ** (1.0 / SHAPE_POWER)


def _button_of(u, v):
    """Which button (1, 2, 4) the point lies on, 0 for none, -1 for the
    groove between two buttons."""
    # The buttons' back edge curves gently towards the palm.
    end = BUTTON_LINE_V + 0.10 * B * (u / A) ** 2
    if v > end - 1.2:
        return 0
    if abs(u + MIDDLE_HALF_WIDTH) < 0.8 or abs(u - MIDDLE_HALF_WIDTH) < 0.8:
        return -1
    if u < -MIDDLE_HALF_WIDTH:
        return 1
    if u > MIDDLE_HALF_WIDTH:
        return 4
    return 2


def _cable_points():
    """The cable from the mouse's nose, curving up and out of the picture."""
    p0 = _to_picture(0, -B + 1)
    p1 = _to_picture(0, -B - 28)
    p2 = (p0[0] + 52, p0[1] - 20)
    p3 = (p0[0] + 30, -4.0)
    pts = []
    for i in range(61):
        t = i / 60.0
        m = 1 - t
        pts.append((m ** 3 * p0[0] + 3 * m * m * t * p1[0] + 3 * m * t * t * p2[0] + t ** 3 * p3[0],
                    m ** 3 * p0[1] + 3 * m * m * t * p1[1] + 3 * m * t * t * p2[1] + t ** 3 * p3[1]))
    return pts


def _distance_to_polyline(x, y, pts):
    best = 1e9
    for (x0, y0), (x1, y1) in zip(pts, pts[1:]):
        dx, dy = x1 - x0, y1 - y0
        t = ((x - x0) * dx + (y - y0) * dy) / (dx * dx + dy * dy)
        t = max(0.0, min(1.0, t))
        px, py = x0 + t * dx, y0 + t * dy
        best = min(best, math.hypot(x - px, y - py))
    return best


def _button_anchor(bit):
    """Where a button's leader line starts: the middle of the button."""
    u = {1: -0.56 * A, 2: 0.0, 4: 0.56 * A}[bit]
    v = {1: -0.60 * B, 2: -0.66 * B, 4: -0.60 * B}[bit]
    return _to_picture(u, v)


def _mouse_layout():
    """Per pixel: a palette index, or minus a button's bit (-1, -2, -4) on
    that button's face, which the mask colours."""
    grid = [[KEY] * PICTURE_W for _ in range(PICTURE_H)]
    top = [[False] * PICTURE_W for _ in range(PICTURE_H)]
    for y in range(PICTURE_H):
        for x in range(PICTURE_W):
            u, v = _to_local(x + 0.5, y + 0.5)
            r = _shape(u, v)
            if r <= 1.0:
                top[y][x] = True
                button = _button_of(u, v)
                if button < 0:
                    grid[y][x] = BLACK
                    continue
                if button:
                    grid[y][x] = -button
                    continue
                # Light falls from the upper left: the rim facing it shines,
                # the rim turned away lies in shade.
                gu = math.copysign(abs(u / A) ** (SHAPE_POWER - 1) / A, u)
                gv = math.copysign(abs(v / B) ** (SHAPE_POWER - 1) / B, v)
                nx, ny = _to_picture(gu, gv)
                nx -= CENTRE_X
                ny -= CENTRE_Y
                norm = math.hypot(nx, ny) or 1.0
                facing = (-nx - ny) / (norm * math.sqrt(2))
                if r > 0.90 and facing > 0.35:
                    grid[y][x] = WHITE
                elif r > 0.80 and facing < -0.30:
                    grid[y][x] = GREY
                else:
                    grid[y][x] = SILVER
            else:
                # The side of the body shows below and right of the top:
                # the top swept down by the depth.
                for k in range(1, 5):
                    su, sv = _to_local(x + 0.5 - DEPTH_X * k / 4.0, y + 0.5 - DEPTH_Y * k / 4.0)
                    if _shape(su, sv) <= 1.0:
                        grid[y][x] = GREY
                        break

    # Black outline: the edge of the whole body, and where top meets side.
    def solid(x, y):
        return 0 <= x < PICTURE_W and 0 <= y < PICTURE_H and grid[y][x] != KEY

    outline = []
    for y in range(PICTURE_H):
        for x in range(PICTURE_W):
            if not solid(x, y):
                continue
            if not all(solid(x + dx, y + dy) for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1))):
                outline.append((x, y))
            elif top[y][x] and any(0 <= y + dy < PICTURE_H and 0 <= x + dx < PICTURE_W
                                   and not top[y + dy][x + dx]
                                   for dx, dy in ((1, 0), (0, 1))):
                outline.append((x, y))
    # Button edges: a face pixel next to a non-face pixel of the top.
    for y in range(PICTURE_H):
        for x in range(PICTURE_W):
            if grid[y][x] in (SILVER, WHITE, GREY) and top[y][x]:
                for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)):
                    nx_, ny_ = x + dx, y + dy
                    if 0 <= nx_ < PICTURE_W and 0 <= ny_ < PICTURE_H and grid[ny_][nx_] < 0:
                        outline.append((x, y))
                        break
    for x, y in outline:
        grid[y][x] = BLACK

    # The cable: a grey core in a black sleeve.
    pts = _cable_points()
    for y in range(PICTURE_H):
        for x in range(PICTURE_W):
            if top[y][x]:
                continue
            d = _distance_to_polyline(x + 0.5, y + 0.5, pts)
            if d <= 0.75:
                grid[y][x] = GREY
            elif d <= 1.75:
                grid[y][x] = BLACK

    # Leader lines: a dot on each button and a thin line from it up towards
    # the button's list label.
    canvas = imagefile.Canvas(PICTURE_W, PICTURE_H)
    canvas.pixels = grid
    for bit in (1, 2, 4):
        ax, ay = _button_anchor(bit)
        tx, ty = LABEL_TARGETS[bit]
        # Stop just beyond the top edge; the line leaves the picture there.
        t = (ay + 1) / (ay - ty)
        ex, ey = ax + (tx - ax) * t, -1.0
        x0, y0 = int(round(ax)), int(round(ay))
        canvas.line(x0, y0, int(round(ex)), int(round(ey)), BLACK)
        for dx, dy in ((0, 0), (1, 0), (0, 1), (1, 1), (-1, 0), (0, -1)):
            canvas.set(x0 + dx, y0 + dy, BLACK)
    return grid


def mouse(layout, mask):
    pixels = []
    for row in layout:
        out = []
        for p in row:
            if p < 0:
                out.append(NAVY if mask & -p else WHITE)
            else:
                out.append(p)
        pixels.append(out)
    return pixels


# ---------------------------------------------------------------------------
# The logo: white on red, with soft edges in shades between the two.

LOGO_W, LOGO_H = 112, 50
LOGO_SHADES = 17  # palette 0 is the red field, 16 white, between them blends
LOGO_RED = (204, 0, 0)


def _logo_palette():
    pal = []
    for i in range(LOGO_SHADES):
        f = i / (LOGO_SHADES - 1.0)
        pal.append(tuple(int(round(c + (255 - c) * f)) for c in LOGO_RED))
    # The unused entries stay a darker red, far from any key colour.
    pal += [(128, 0, 0)] * (256 - len(pal))
    return pal


# Letters as strokes on a 10 x 16 grid (x right, y down), drawn with a pen
# of fixed width and leant forward like the strokes beside them.
LETTERS = {
    "T": [((0, 0), (10, 0)), ((5, 0), (5, 16))],
    "A": [((0, 16), (5, 0)), ((5, 0), (10, 16)), ((2.2, 10), (7.8, 10))],
    "V": [((0, 0), (5, 16)), ((5, 16), (10, 0))],
    "I": [((2, 0), (2, 16))],
    "X": [((0, 0), (10, 16)), ((10, 0), (0, 16))],
}
LETTER_ADVANCE = {"T": 12.5, "A": 12.5, "V": 12.5, "I": 5.5, "X": 12}


def _segment_distance(x, y, a, b):
    (x0, y0), (x1, y1) = a, b
    dx, dy = x1 - x0, y1 - y0
    t = ((x - x0) * dx + (y - y0) * dy) / float(dx * dx + dy * dy)
    t = max(0.0, min(1.0, t))
    return math.hypot(x - (x0 + t * dx), y - (y0 + t * dy))


def _logo_shapes():
    """Segments and pen half widths in logo pixels."""
    sx, sy = 1.25, 1.45      # letter grid to pixels
    slant = 0.25             # forward lean: x per unit of height
    left, top = 33.0, 13.0
    baseline = top + 16 * sy
    segments = []
    x = left
    for ch in "TAVIX":
        for (ax, ay), (bx, by) in LETTERS[ch]:
            def place(px, py):
                return (x + px * sx + (16 - py) * sy * slant, top + py * sy)
            segments.append((place(ax, ay), place(bx, by), 2.0))
        x += LETTER_ADVANCE[ch] * sx
    # Three strokes with the letters' lean, rising like a signal.
    for i, height in enumerate((11, 17, 23)):
        bx = 9 + i * 7.0
        segments.append(((bx, baseline), (bx + height * slant, baseline - height), 2.0))
    return segments


def logo():
    segments = _logo_shapes()
    n = 4  # samples per pixel side
    pixels = []
    for y in range(LOGO_H):
        row = []
        for x in range(LOGO_W):
            hit = 0
            for sy in range(n):
                for sx in range(n):
                    px = x + (sx + 0.5) / n
                    py = y + (sy + 0.5) / n
                    for a, b, w in segments:
                        if _segment_distance(px, py, a, b) <= w:
                            hit += 1
                            break
            row.append((hit * (LOGO_SHADES - 1) + (n * n) // 2) // (n * n))
        pixels.append(row)
    return pixels


# ---------------------------------------------------------------------------
# The test area's animal: a little cartoon mouse seen from the side, asleep,
# and startled, with sparkles. Each part is filled and edged in black, back
# parts first, so the parts stand apart.

ICON = 32


def _ellipse(cx, cy, rx, ry):
    return lambda x, y: ((x + 0.5 - cx) / rx) ** 2 + ((y + 0.5 - cy) / ry) ** 2 <= 1.0


def _either(*shapes):
    return lambda x, y: any(shape(x, y) for shape in shapes)


def _part(c, inside, fill, edge=BLACK):
    for y in range(ICON):
        for x in range(ICON):
            if not inside(x, y):
                continue
            interior = all(0 <= x + dx < ICON and 0 <= y + dy < ICON and inside(x + dx, y + dy)
                           for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)))
            c.set(x, y, fill if interior else edge)


def _polyline(c, pts, colour):
    for (x0, y0), (x1, y1) in zip(pts, pts[1:]):
        c.line(x0, y0, x1, y1, colour)


def _sparkle(c, x, y, size):
    for d in range(-size, size + 1):
        c.set(x + d, y, YELLOW)
        c.set(x, y + d, YELLOW)
    c.set(x, y, WHITE)


def _animal_at_rest(c):
    _polyline(c, [(27, 26), (30, 27), (30, 29), (27, 30), (12, 30), (9, 29)], BLACK)  # tail
    _part(c, _ellipse(12.5, 14.5, 3.2, 3.2), SILVER)                      # far ear
    _part(c, _ellipse(19, 22.5, 10.5, 7), SILVER)                         # body
    _part(c, _either(_ellipse(10, 21.5, 7, 5.5), _ellipse(5, 23.5, 4.5, 3)), SILVER)  # head
    _part(c, _ellipse(15.5, 15.5, 4.3, 4.3), SILVER)                      # near ear
    _part(c, _ellipse(15.5, 15.5, 2.6, 2.6), FUCHSIA, FUCHSIA)
    c.line(7, 21, 9, 21, BLACK)                                           # closed eye
    c.set(6, 20, BLACK)
    c.set(10, 20, BLACK)
    for x, y in ((1, 23), (1, 24), (2, 23)):                               # nose
        c.set(x, y, RED)
    c.line(3, 26, 0, 28, BLACK)                                           # whiskers
    c.line(4, 26, 2, 29, BLACK)
    for x, y, s in ((19, 8, 3), (24, 3, 4)):                               # "z z"
        c.line(x, y, x + s, y, NAVY)
        c.line(x + s, y, x, y + s, NAVY)
        c.line(x, y + s, x + s, y + s, NAVY)


def _animal_startled(c):
    _polyline(c, [(27, 19), (29, 15), (28, 11), (30, 7), (29, 4)], BLACK)  # tail on end
    for top_x, foot_x in ((14, 12), (17, 18), (22, 23), (25, 27)):         # legs
        c.line(top_x, 23, foot_x, 29, BLACK)
        toe = foot_x - 2 if foot_x < 20 else foot_x + 1
        c.line(foot_x, 29, toe, 29, BLACK)
    _part(c, _ellipse(8.5, 9.5, 2.8, 3.2), SILVER)                        # far ear
    _part(c, _ellipse(19, 18.5, 9.5, 6.5), SILVER)                        # body, jumped up
    _part(c, _either(_ellipse(10, 16.5, 6.5, 5.5), _ellipse(5, 18, 4.3, 3)), SILVER)
    _part(c, _ellipse(13, 8.5, 4.2, 4.8), SILVER)                         # ear pricked up
    _part(c, _ellipse(13, 8.5, 2.4, 3), FUCHSIA, FUCHSIA)
    _part(c, _ellipse(9, 15, 2.4, 2.4), WHITE)                            # eye wide open
    c.set(8, 15, BLACK)
    for x, y in ((1, 18), (1, 17), (2, 17)):                               # nose
        c.set(x, y, RED)
    c.set(5, 21, MAROON)                                                  # mouth open
    c.set(6, 21, MAROON)
    c.line(3, 16, 0, 14, BLACK)                                           # whiskers
    c.line(3, 19, 0, 21, BLACK)
    for x, y, size in ((22, 4, 2), (3, 6, 1), (18, 1, 1), (28, 11, 1)):
        _sparkle(c, x, y, size)


def animal(startled):
    c = imagefile.Canvas(ICON, ICON, KEY)
    (_animal_startled if startled else _animal_at_rest)(c)
    return c.pixels


# ---------------------------------------------------------------------------

def _write(path, data):
    with open(path, "wb") as f:
        f.write(data)


def main(out):
    os.makedirs(out, exist_ok=True)
    layout = _mouse_layout()
    for mask in range(8):
        _write(os.path.join(out, "mouse%d.bmp" % mask),
               imagefile.bmp_bytes(mouse(layout, mask), imagefile.VGA16, 4))
    _write(os.path.join(out, "logo.bmp"), imagefile.bmp_bytes(logo(), _logo_palette(), 8))
    for name, startled in (("animal_rest.ico", False), ("animal_startled.ico", True)):
        _write(os.path.join(out, name),
               imagefile.ico_bytes(animal(startled), imagefile.VGA16, transparent=KEY))


if __name__ == "__main__":
    main(sys.argv[1])
