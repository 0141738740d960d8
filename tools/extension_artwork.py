"""Draws the settings page artwork of TVNTCpl into the folder given.

Placeholder pictures of the right sizes and depths; the real drawings
replace them.
"""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import imagefile  # noqa: E402

CYAN, NAVY, GREY, BLACK, WHITE, RED = 14, 4, 7, 0, 15, 9


def mouse(mask):
    c = imagefile.Canvas(176, 141, CYAN)
    c.rect(60, 40, 115, 130, GREY)
    for bit, x0 in ((1, 60), (2, 80), (4, 98)):
        c.rect(x0, 40, x0 + 17, 65, NAVY if mask & bit else WHITE)
    return c


def main(out):
    os.makedirs(out, exist_ok=True)
    for mask in range(8):
        with open(os.path.join(out, "mouse%d.bmp" % mask), "wb") as f:
            f.write(imagefile.bmp_bytes(mouse(mask).pixels, imagefile.VGA16, 4))
    logo = imagefile.Canvas(112, 50, 1)
    palette = [(0, 0, 0), (200, 0, 0), (255, 255, 255)] + [(0, 0, 0)] * 253
    logo.rect(10, 20, 100, 30, 2)
    with open(os.path.join(out, "logo.bmp"), "wb") as f:
        f.write(imagefile.bmp_bytes(logo.pixels, palette, 8))
    for name, fill in (("animal_rest.ico", 6), ("animal_startled.ico", 11)):
        icon = imagefile.Canvas(32, 32, CYAN)
        icon.rect(8, 8, 24, 24, fill)
        with open(os.path.join(out, name), "wb") as f:
            f.write(imagefile.ico_bytes(icon.pixels, imagefile.VGA16, transparent=CYAN))


if __name__ == "__main__":
    main(sys.argv[1])
