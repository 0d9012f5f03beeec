#!/usr/bin/env python3
"""Draws Snorva's art into app/res/: the title strip, the two glyphs, the skin and the icon.

Run from anywhere: python3 tools/make-art.py. Standard library only; ImageMagick's `convert`
writes the JPEG. The outputs are committed, so a build never runs this.
"""

import os
import struct
import subprocess
import sys
import tempfile

BLACK = (0x00, 0x00, 0x00)
WHITE = (0xFF, 0xFF, 0xFF)
GREY = (0xC0, 0xC0, 0xC0)
SHADOW = (0x80, 0x80, 0x80)
BLUE = (0x00, 0x40, 0x80)
KEY = (0xFF, 0x00, 0xFF)  # the skin's key colour: cut away by the window region

STRIP_W, STRIP_H = 112, 23
WINDOW_H = 21  # rows of the strip the window shows


# --- the title strip -------------------------------------------------------------------------
# The band is a parallelogram whose ends slant down to the right one pixel a row: at row y its
# left end is column y and its right end column 91 + y (cut by the picture's right edge), so the
# top edge spans columns 0-91 and the bottom edge (row 21) columns 21-111.

def band_left(y):
    return y


def band_right(y):
    return 91 + y


def panel_edge(y):
    """First column of the slanted black rule that ends the grey panel at the left end."""
    return 22 + y


def lower_edge(y):
    """First column of the slanted black rule that starts the grey field along the lower right."""
    return 31 + y


BOX = (43, 7, 93, 15)  # black display box (inclusive), framed in white one pixel outside
CLOSE_SQUARE = (15, 2)
MENU_SQUARE = (24, 13)


def in_square(x, y, corner):
    return corner[0] <= x < corner[0] + 7 and corner[1] <= y < corner[1] + 7


def strip_pixel(x, y):
    left, right = band_left(y), band_right(y)
    if y > 21 or x < left or x > right:
        return KEY
    # Outline: one pixel along the top and bottom, two along the slanted ends.
    if y in (0, 21) or x <= left + 1 or x >= right - 1:
        return BLACK
    if in_square(x, y, CLOSE_SQUARE) or in_square(x, y, MENU_SQUARE):
        return WHITE
    x0, y0, x1, y1 = BOX
    if x0 <= x <= x1 and y0 <= y <= y1:
        return BLACK
    if x0 - 1 <= x <= x1 + 1 and y0 - 1 <= y <= y1 + 1:
        return WHITE
    # The grey panel at the left end, closed by a slanted rule like the band's ends.
    edge = panel_edge(y)
    if x < edge:
        return SHADOW if y == 20 else GREY
    if x <= edge + 1:
        return BLACK
    # Grey along the lower right, under the display box, behind its own slanted rule.
    if y >= 18:
        low = lower_edge(y)
        if x == low:
            return WHITE
        if x > low:
            return SHADOW if y == 20 else GREY
    # Dark blue, crossed by thin white lines: two that follow the slant (two pixels a row, like
    # the ends, so they read as lines) and run in under the display box, one along the top that
    # runs to the right end, and one over the grey field along the lower right.
    if x - edge in (4, 5, 8, 9) or (y == 3 and x < right - 3):
        return WHITE
    if y == 17 and x >= lower_edge(y) - 1:
        return WHITE
    return BLUE


def strip_pixels():
    return [[strip_pixel(x, y) for x in range(STRIP_W)] for y in range(STRIP_H)]


# --- the glyphs ------------------------------------------------------------------------------

def glyph_pixels(mark):
    rows = []
    for y in range(7):
        row = []
        for x in range(7):
            if x in (0, 6) or y in (0, 6):
                row.append(BLUE)
            elif mark(x - 1, y - 1):
                row.append(BLACK)
            else:
                row.append(GREY)
        rows.append(row)
    return rows


def close_mark(x, y):
    return x == y or x + y == 4  # corner to corner of the 5 x 5 field


def menu_mark(x, y):
    return 1 <= x <= 3 and 1 <= y <= 3  # 3 x 3 in the middle of the field


# --- the icon --------------------------------------------------------------------------------
# A short slanted band like the title strip: a grey end with a white square, a black rule, dark
# blue with a thin white line, and the black display box in its white frame. Everything is laid
# out in the band's own slanted coordinates (u along the row from the band's left end, v down
# from its top), so it follows the slant. None means transparent.

def icon_pixel(x, y, size):
    s = size / 32.0

    def n(value):
        return round(value * s)

    top, height, width = n(4), n(24), n(24)
    v = y - top
    if not 0 <= v < height:
        return None
    u = x - v // 3  # ends slant down to the right one pixel every third row
    if not 0 <= u < width:
        return None
    if v in (0, height - 1) or u <= 1 or u >= width - 2:
        return BLACK
    if n(3) <= u <= n(7) and n(4) <= v <= n(8):
        return WHITE
    if u <= n(8):
        return GREY
    if u <= n(8) + 2:
        return BLACK
    bu0, bu1, bv0, bv1 = n(15), n(20), n(6), n(17)
    if bu0 <= u <= bu1 and bv0 <= v <= bv1:
        return BLACK
    if bu0 - 1 <= u <= bu1 + 1 and bv0 - 1 <= v <= bv1 + 1:
        return WHITE
    if u == n(12):
        return WHITE
    return BLUE


def icon_pixels(size):
    return [[icon_pixel(x, y, size) for x in range(size)] for y in range(size)]


# The 16 colours of a standard 16-colour display, for the 4-bit image.
VGA16 = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
    (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]


def nearest(palette, colour):
    return min(range(len(palette)),
               key=lambda i: sum((a - b) ** 2 for a, b in zip(palette[i], colour)))


def icon_image(pixels, bits):
    """One icon image: BITMAPINFOHEADER (double height), palette, XOR bitmap, AND mask."""
    size = len(pixels)
    if bits == 4:
        palette = VGA16
    else:
        palette = [BLACK, WHITE, GREY, BLUE, SHADOW]
        palette += [(0, 0, 0)] * (256 - len(palette))
    indices = [[0 if c is None else nearest(palette, c) for c in row] for row in pixels]
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bits, 0, 0, 0, 0,
                         len(palette), 0)
    pal = b"".join(struct.pack("BBBB", b, g, r, 0) for r, g, b in palette)
    xor = bytearray()
    for row in reversed(indices):  # bottom-up
        if bits == 4:
            line = bytes((row[i] << 4) | row[i + 1] for i in range(0, size, 2))
        else:
            line = bytes(row)
        xor += line + b"\0" * (-len(line) % 4)
    mask = bytearray()
    for row in reversed(pixels):
        bits_row = 0
        for c in row:
            bits_row = (bits_row << 1) | (1 if c is None else 0)
        line = bits_row.to_bytes(size // 8, "big")
        mask += line + b"\0" * (-len(line) % 4)
    return header + pal + bytes(xor) + bytes(mask), palette


def write_ico(path, images):
    """images: list of (pixels, bits)."""
    blobs = []
    for pixels, bits in images:
        data, palette = icon_image(pixels, bits)
        blobs.append((len(pixels), bits, len(palette), data))
    out = bytearray(struct.pack("<HHH", 0, 1, len(blobs)))
    offset = 6 + 16 * len(blobs)
    for size, bits, colours, data in blobs:
        out += struct.pack("<BBBBHHII", size % 256, size % 256, colours % 256, 0, 1, bits,
                           len(data), offset)
        offset += len(data)
    for *_, data in blobs:
        out += data
    with open(path, "wb") as f:
        f.write(out)


# --- files -----------------------------------------------------------------------------------

def bmp24(pixels):
    h, w = len(pixels), len(pixels[0])
    stride = (w * 3 + 3) & ~3
    body = bytearray()
    for row in reversed(pixels):  # bottom-up
        line = b"".join(struct.pack("BBB", b, g, r) for r, g, b in row)
        body += line + b"\0" * (stride - len(line))
    header = struct.pack("<2sIHHI", b"BM", 54 + len(body), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(body), 2835, 2835, 0, 0)
    return header + info + bytes(body)


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)


def write_jpeg(path, pixels):
    # Full-resolution colour (no chroma subsampling) and high quality keep the magenta key and
    # the black outline apart, so the region follows the strip's slanted ends.
    h, w = len(pixels), len(pixels[0])
    ppm = b"P6\n%d %d\n255\n" % (w, h) + bytes(c for row in pixels for p in row for c in p)
    with tempfile.TemporaryDirectory() as tmp:
        src = os.path.join(tmp, "main.ppm")
        write(src, ppm)
        subprocess.run(["convert", src, "-strip", "-sampling-factor", "1x1", "-quality", "97",
                        path], check=True)


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    res = os.path.join(root, "app", "res")
    os.makedirs(res, exist_ok=True)
    strip = strip_pixels()
    write(os.path.join(res, "strip.bmp"), bmp24(strip))
    write(os.path.join(res, "close.bmp"), bmp24(glyph_pixels(close_mark)))
    write(os.path.join(res, "menu.bmp"), bmp24(glyph_pixels(menu_mark)))
    # The skin is the strip as the window shows it: its first 21 rows.
    write_jpeg(os.path.join(res, "main.jpg"), strip[:WINDOW_H])
    write_ico(os.path.join(res, "snorva.ico"),
              [(icon_pixels(32), 4), (icon_pixels(32), 8), (icon_pixels(48), 8)])
    return 0


if __name__ == "__main__":
    sys.exit(main())
