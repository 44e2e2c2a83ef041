#!/usr/bin/env python3
"""Draws the program's images and writes them as Windows files:

  toolbar.bmp  the toolbar strip: 14 slots of 16 x 15 pixels, 16 colours
               (4 bits per pixel with the standard 16-colour palette);
               light grey (192,192,192) is the background that the toolbar
               masks out, so it is never used inside a picture.
  app.ico      the application icon at 16, 32 and 48 pixels, 32-bit with
               alpha and an AND mask for old consumers.

Standard library only.  Run it from anywhere; it writes beside itself:
    python3 res/make-art.py
The outputs are committed, so the build does not need Python.
"""

import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))

# ---------------------------------------------------------------- toolbar

# The 16-colour palette of the classic toolbar bitmaps (index: RGB).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BACKGROUND = 7
# One character per palette entry for the pixel maps below.
KEY = {
    'k': 0, 'r': 1, 'g': 2, 'o': 3, 'n': 4, 'p': 5, 't': 6, '.': 7,
    'd': 8, 'R': 9, 'G': 10, 'Y': 11, 'B': 12, 'M': 13, 'C': 14, 'w': 15,
}
W, H = 16, 15
SLOTS = 14

OPEN = """
................
................
.kkkk...........
koooook.........
kooooookkkkkkk..
kooooooooooook..
kooookkkkkkkkkkk
koookwwwwwwwwwwk
kookYYYYYYYYYYk.
kookYYYYYYYYYYk.
kokYYYYYYYYYYk..
kokYYYYYYYYYYk..
kkYYYYYYYYYYk...
kkkkkkkkkkkkk...
................
"""

SAVE_AS = """
................
.kkkkkkkkkkkkk..
.kBkwwwwwwwwkBk.
.kBkwwwwwwwwkBk.
.kBkwddddddwkBk.
.kBkwwwwwwwwkBk.
.kBkwddddwwwkBk.
.kBkwwwwwwwwkBk.
.kBBkkkkkkkkBBk.
.kBBBBBBBBBBBBk.
.kBBkkkkkkkkBBk.
.kBBkdddwwdkBBk.
.kBBkdddwwdkBBk.
.kBBkdddwwdkBBk.
.kkkkkkkkkkkkkk.
"""

STOP = """
................
................
..kkkkkkkkkkk...
..kBBBBBBBBBk...
..kBnnnnnnnnk...
..kBnnnnnnnnk...
..kBnnnnnnnnk...
..kBnnnnnnnnk...
..kBnnnnnnnnk...
..kBnnnnnnnnk...
..kBnnnnnnnnk...
..kBnnnnnnnnk...
..kkkkkkkkkkk...
................
................
"""

SEND = """
.kkkkkkk........
.kwwwwwkk.......
.kwkkkwkwk......
.kwwwwwkkkk.....
.kwkkkkkwwk.....
.kwwwwwwwwk.....
.kwkkkkkkwk.....
.kwwwwwwwwkgk...
.kwkkkkkkwkgGk..
.kwwgggggggGGGk.
.kwkgGGGGGGGGGGk
.kwwgggggggGGGk.
.kwkkkkkkwkgGk..
.kwwwwwwwwkgk...
.kkkkkkkkkkk....
"""

CANCEL_SEND = """
.kkkkkkk........
.kwwwwwkk.......
.kwkkkwkwk......
.kwwwwwkkkk.....
.kwkkkkkwwk.....
.kwwwwwwwwk.....
.kwkkkkkkwk.....
.kwwwwwrr..rr...
.kwkkkrRRrrRRr..
.kwwwwwrRRRRr...
.kwkkkkkrRRr....
.kwwwwwrRRRRr...
.kwkkkrRRrrRRr..
.kwwwwwrr..rr...
.kkkkkkk........
"""

HEX = """
................
.kkkkkkkkkkkkkk.
.kwwwwwwwwwwwwk.
.kwwBBwwwwwwwwk.
.kwBwwBwBwwBwwk.
.kwBwwBwwBBwwwk.
.kwBwwBwwBBwwwk.
.kwBwwBwBwwBwwk.
.kwwBBwwwwwwwwk.
.kwwwwwwwwwwwwk.
.kwnnwnnwnnwnnk.
.kwwwwwwwwwwwwk.
.kwnnwnnwnnwwwk.
.kwwwwwwwwwwwwk.
.kkkkkkkkkkkkkk.
"""


FILTER = """
................
.kkkkkkkkkkkkkk.
.kCCCCCCCCCCCCk.
.kBCCCCCCCCCCnk.
..kBBBBBBBBBnk..
...kBBBBBBBnk...
....kBBBBBnk....
.....kBBBnk.....
......kBnk......
......kBnk......
......kBnk......
......kBnk......
......kBnk......
.......kk.......
................
"""

TEXT = """
................
.kkkkkkkkkkkkk..
.kwwwwwwwwwwwk..
.kwkkkkkkkkwwk..
.kwwwwwwwwwwwk..
.kwkkkkkkkwwwk..
.kwwwwwwwwwwwk..
.kwkkkkkkkkkwk..
.kwwwwwwwwwwwk..
.kwkkkkkwwwwwk..
.kwwwwwwwwwwwk..
.kwkkkkkkkkwwk..
.kwwwwwwwwwwwk..
.kkkkkkkkkkkkk..
................
"""


def parse(art):
    rows = [r for r in art.strip('\n').split('\n')]
    assert len(rows) == H, (len(rows), art)
    for r in rows:
        assert len(r) == W, (len(r), r)
    return [[KEY[c] for c in r] for r in rows]


def blank():
    return [[BACKGROUND] * W for _ in range(H)]


def record_dot():
    """A red record dot with a dark rim and a small highlight."""
    img = blank()
    cx, cy, rad = 7.5, 7.0, 5.6
    for y in range(H):
        for x in range(W):
            d = math.hypot(x + 0.5 - cx - 0.5, y + 0.5 - cy - 0.5)
            if d <= rad - 1.0:
                img[y][x] = KEY['R']
            elif d <= rad:
                img[y][x] = KEY['r']
    for x, y in ((5, 4), (6, 4), (5, 5), (4, 5)):
        img[y][x] = KEY['w']
    return img


def gear():
    """An eight-toothed gear with a hole: dark rim, lit upper left."""
    img = blank()
    cx, cy = 7, 7
    inside = [[False] * W for _ in range(H)]
    for y in range(H):
        for x in range(15):
            dx, dy = x - cx, y - cy
            d = math.hypot(dx, dy)
            body = d <= 5.0
            straight = (abs(dx) <= 1 and abs(dy) <= 7) or (abs(dy) <= 1 and abs(dx) <= 7)
            diagonal = abs(dx) in (4, 5) and abs(dy) in (4, 5)
            hole = d <= 1.5
            inside[y][x] = (body or straight or diagonal) and not hole
    for y in range(H):
        for x in range(W):
            if not inside[y][x]:
                continue
            edge = any(
                not (0 <= x + ex < W and 0 <= y + ey < H and inside[y + ey][x + ex])
                for ex, ey in ((1, 0), (-1, 0), (0, 1), (0, -1)))
            if edge:
                img[y][x] = KEY['k']
            elif (x - cx) + (y - cy) < 0:
                img[y][x] = KEY['w']
            else:
                img[y][x] = KEY['d']
    return img


# 3 x 5 glyphs for the hex view button.
GLYPHS = {
    '0': ["###", "#.#", "#.#", "#.#", "###"],
    'x': ["...", "#.#", ".#.", "#.#", "..."],
    'F': ["###", "#..", "##.", "#..", "#.."],
    'A': [".#.", "#.#", "###", "#.#", "#.#"],
    '3': ["##.", "..#", ".#.", "..#", "##."],
    '7': ["###", "..#", ".#.", ".#.", ".#."],
}


def hex_view():
    """A white page with "0x" over a row of hex digits."""
    img = parse(HEX)
    # Clear the page's inside and write the digits afresh.
    for y in range(2, 14):
        for x in range(2, 14):
            img[y][x] = KEY['w']

    def put(text, x0, y0, colour):
        for i, ch in enumerate(text):
            for gy, row in enumerate(GLYPHS[ch]):
                for gx, c in enumerate(row):
                    if c == '#':
                        img[y0 + gy][x0 + i * 4 + gx] = colour
    put("0x", 4, 2, KEY['B'])
    put("3F", 4, 8, KEY['n'])
    return img


def toolbar():
    slots = [
        parse(OPEN),          # 0 open
        parse(SAVE_AS),       # 1 save as
        record_dot(),         # 2 start capture
        parse(STOP),          # 3 stop
        parse(SEND),          # 4 send file
        parse(CANCEL_SEND),   # 5 cancel sending
        gear(),               # 6 settings
        hex_view(),           # 7 hex dump
        parse(FILTER),        # 8 filtered text
        parse(TEXT),          # 9 text
    ]
    while len(slots) < SLOTS:
        slots.append(blank())
    width = W * SLOTS
    rows = []
    for y in range(H):
        row = []
        for s in slots:
            row.extend(s[y])
        rows.append(row)
    return width, rows


def write_bmp4(path, width, rows):
    height = len(rows)
    stride = ((width * 4 + 31) // 32) * 4
    pixels = bytearray()
    for row in reversed(rows):  # bottom-up
        line = bytearray()
        for x in range(0, width, 2):
            hi = row[x]
            lo = row[x + 1] if x + 1 < width else 0
            line.append((hi << 4) | lo)
        line.extend(b'\0' * (stride - len(line)))
        pixels.extend(line)
    palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in PALETTE)
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 4, 0, len(pixels),
                       2835, 2835, 16, 16)
    offset = 14 + len(info) + len(palette)
    header = struct.pack('<2sIHHI', b'BM', offset + len(pixels), 0, 0, offset)
    with open(path, 'wb') as f:
        f.write(header + info + palette + pixels)


# ------------------------------------------------------------------- icon
#
# The icon is drawn as vector shapes in a unit square and rendered at each
# size with 5 x 5 samples per pixel: a capture device (a slate-blue box with
# a red "recording" lamp) printing a sheet of captured text, with a green
# arrow of incoming data.  Outline widths are given in pixels so that the
# small sizes stay crisp.

def lerp(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(len(a)))


def rounded_rect(x0, y0, x1, y1, r):
    def inside(x, y):
        if x < x0 or x > x1 or y < y0 or y > y1:
            return False
        cx = min(max(x, x0 + r), x1 - r)
        cy = min(max(y, y0 + r), y1 - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    return inside


def circle(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def polygon(points):
    def inside(x, y):
        n = len(points)
        hit = False
        j = n - 1
        for i in range(n):
            xi, yi = points[i]
            xj, yj = points[j]
            if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                hit = not hit
            j = i
        return hit
    return inside


def icon_shapes(size):
    """Shapes back to front: (inside(x, y), colour(x, y) -> RGB).

    Coordinates are in sixteenths of the icon, so every edge falls on a
    pixel boundary at 16, 32 and 48 pixels and the small icon stays sharp.
    """
    u = 1.0 / 16               # one grid step
    px = 1.0 / size            # one pixel
    ol = px if size < 48 else 2 * px   # outline width
    shapes = []

    def add(inside, colour):
        shapes.append((inside, colour if callable(colour) else (lambda x, y, c=colour: c)))

    def box(x0, y0, x1, y1):
        return lambda x, y: x0 <= x < x1 and y0 <= y < y1

    def outlined_rect(x0, y0, x1, y1, r, edge, fill):
        add(rounded_rect(x0, y0, x1, y1, r), edge)
        add(rounded_rect(x0 + ol, y0 + ol, x1 - ol, y1 - ol, max(r - ol, 0)), fill)

    ink = (40, 56, 84)
    rim = (22, 34, 56)

    # Sheet of captured text coming out of the top of the device.
    sx0, sx1 = 6 * u, 14 * u
    outlined_rect(sx0, 1 * u, sx1, 9 * u, 0, (100, 108, 122), (255, 255, 255))
    if size >= 32:
        lines = [(2.5, 12.5), (4.0, 11.0), (5.5, 12.5)]
        lw = 2 * px if size >= 48 else px
    else:
        lines = [(3, 12), (5, 11)]
        lw = px
    for y, x1 in lines:
        add(box(7.5 * u if size >= 32 else 8 * u, y * u, x1 * u, y * u + lw), ink)

    # The device: a rounded box with a vertical shade and a darker foot.
    top, bottom = 7 * u, 14 * u
    body = lambda x, y: lerp((120, 156, 204), (58, 90, 136), (y - top) / (bottom - top))
    r = 0 if size < 32 else u
    outlined_rect(3 * u, top, 16 * u - px, bottom, r, rim, body)
    add(box(3 * u + ol, 12 * u, 16 * u - px - ol, bottom - ol), (44, 70, 108))
    # Paper slot under the sheet.
    add(box(5 * u, 8 * u, 15 * u, 8 * u + max(px, u / 2)), rim)

    # Red lamp: the device is recording.
    if size >= 32:
        lc, lr = (12.5 * u, 10.5 * u), 1.5 * u
        add(circle(lc[0], lc[1], lr + ol), (110, 14, 14))
        add(circle(lc[0], lc[1], lr), (236, 40, 36))
        add(circle(lc[0] - lr * 0.35, lc[1] - lr * 0.35, lr * 0.35), (255, 180, 170))
    else:
        add(box(12 * u, 9 * u, 14 * u, 11 * u), (244, 36, 30))

    # Green arrow: data flowing into the device from the left.
    cy = 10.5 * u if size >= 32 else 10 * u
    sh, hd = (1.0 * u, 3.0 * u) if size >= 32 else (1.0 * u, 3.0 * u)
    tip, neck = 8.5 * u, 5.0 * u
    arrow = polygon([(0, cy - sh), (neck, cy - sh), (neck, cy - hd), (tip, cy),
                     (neck, cy + hd), (neck, cy + sh), (0, cy + sh)])
    fill = lambda x, y: lerp((140, 232, 116), (36, 160, 48), (y - cy + hd) / (2 * hd))
    if size >= 32:
        add(arrow, (12, 84, 24))
        add(inset(arrow, ol), fill)
    else:
        add(arrow, (40, 190, 56))
    return shapes


def inset(inside, d):
    """The shape shrunk by d: points whose neighbours at distance d are all
    inside (eight directions are enough at these sizes)."""
    dirs = [(math.cos(k * math.pi / 4), math.sin(k * math.pi / 4)) for k in range(8)]
    return lambda x, y: inside(x, y) and all(inside(x + d * cx, y + d * cy) for cx, cy in dirs)


# At 16 pixels the vector drawing turns to mush; this one is drawn by hand
# after it (same sheet, box, lamp and arrow).
ICON16_COLOURS = {
    'K': (22, 34, 56), 'g': (100, 108, 122), 'W': (255, 255, 255), 'i': (40, 56, 84),
    'b': (120, 156, 204), 'm': (90, 124, 172), 'n': (66, 98, 144), 'f': (44, 70, 108),
    'R': (240, 36, 30), 'r': (150, 20, 20), 'D': (12, 96, 24), 'G': (44, 178, 58),
    'L': (140, 232, 116),
}
ICON16 = """
................
.....gggggggg...
.....gWWWWWWg...
.....gWiiiiWg...
.....gWWWWWWg...
.....gWiiiWWg...
.....gWWWWWWg...
..KKKKKKKKKKKKK.
..KbbbbbbbbbbbK.
..KbbbbbbbbbbbK.
..KmmmmmmmmRRmK.
..KmmmmmmmmRRmK.
..KnnnnnnnnnnnK.
..KfffffffffffK.
..KKKKKKKKKKKKK.
................
"""
ARROW16 = """
................
................
................
................
................
................
...D............
...DD...........
...DGD..........
DDDDGGD.........
DLLLLLLD........
DGGGGGGD........
DDDDGGD.........
...DGD..........
...DD...........
...D............
"""


def icon16():
    base = [r for r in ICON16.strip('\n').split('\n')]
    over = [r for r in ARROW16.strip('\n').split('\n')]
    assert len(base) == len(over) == 16
    assert all(len(r) == 16 for r in base + over)
    out = []
    for y in range(16):
        row = []
        for x in range(16):
            c = over[y][x] if over[y][x] != '.' else base[y][x]
            if c == '.':
                row.append((0, 0, 0, 0))
            else:
                row.append(ICON16_COLOURS[c] + (255,))
        out.append(row)
    return out


def render_icon(size, ss=5):
    shapes = icon_shapes(size)
    out = []
    for py in range(size):
        row = []
        for px_ in range(size):
            acc = [0.0, 0.0, 0.0]
            cover = 0
            for sy in range(ss):
                for sx in range(ss):
                    x = (px_ + (sx + 0.5) / ss) / size
                    y = (py + (sy + 0.5) / ss) / size
                    colour = None
                    for inside, col in shapes:
                        if inside(x, y):
                            colour = col(x, y)
                    if colour is not None:
                        cover += 1
                        for i in range(3):
                            acc[i] += colour[i]
            n = ss * ss
            if cover:
                rgb = tuple(int(round(a / cover)) for a in acc)
            else:
                rgb = (0, 0, 0)
            alpha = int(round(255 * cover / n))
            row.append((rgb[0], rgb[1], rgb[2], alpha))
        out.append(row)
    return out


def ico_image(pixels):
    size = len(pixels)
    info = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    xor = bytearray()
    for row in reversed(pixels):
        for r, g, b, a in row:
            xor += bytes((b, g, r, a))
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(pixels):
        line = bytearray(mask_stride)
        for x, (_, _, _, a) in enumerate(row):
            if a < 128:
                line[x // 8] |= 0x80 >> (x % 8)
        mask += line
    return info + bytes(xor) + bytes(mask)


def write_ico(path, sizes):
    images = [(s, ico_image(icon16() if s == 16 else render_icon(s))) for s in sizes]
    header = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries = b''
    data = b''
    for s, img in images:
        entries += struct.pack('<BBBBHHII', s % 256, s % 256, 0, 0, 1, 32, len(img), offset)
        offset += len(img)
        data += img
    with open(path, 'wb') as f:
        f.write(header + entries + data)


def main():
    width, rows = toolbar()
    write_bmp4(os.path.join(HERE, 'toolbar.bmp'), width, rows)
    write_ico(os.path.join(HERE, 'app.ico'), [16, 32, 48])


if __name__ == '__main__':
    main()
