#!/usr/bin/env python3
"""Draws the program's images and writes them next to this script:

- floppy.bmp      the save button's 16 x 16 picture, 4 bits per pixel with the
                  standard 16-colour palette: black and olive on light grey
                  (the grey becomes the button face colour when it is drawn)
- quorvel.ico     the program icon at 16, 32 and 48 pixels
- quorvel.png     the same icon at 48 pixels, for the desktop and Qt

Only the standard library is used, so the images can be made anywhere:
    python3 ui/resources/make_images.py
"""
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))

# The standard 16-colour palette, in palette order.
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]

# k black, o olive, . light grey, w white, g dark grey
FLOPPY = [
    "................",
    ".kkkkkkkkkkkkk..",
    ".koo.......ookk.",
    ".koo..kk...oook.",
    ".koo..kk...oook.",
    ".koo..kk...oook.",
    ".koo.......oook.",
    ".kooooooooooook.",
    ".kooooooooooook.",
    ".kowwwwwwwwwwok.",
    ".kowkkkkkkkkwok.",
    ".kowwwwwwwwwwok.",
    ".kowkkkkkkkkwok.",
    ".kowwwwwwwwwwok.",
    ".kkkkkkkkkkkkkk.",
    "................",
]
FLOPPY_INDEX = {"k": 0, "o": 3, ".": 7, "g": 8, "w": 15}


def write_floppy_bmp(path):
    width = height = 16
    row_bytes = 8  # 16 pixels at 4 bits, already a multiple of 4
    pixels = bytearray()
    for row in reversed(FLOPPY):  # bottom-up
        for x in range(0, width, 2):
            hi = FLOPPY_INDEX[row[x]]
            lo = FLOPPY_INDEX[row[x + 1]]
            pixels.append(hi << 4 | lo)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 4, 0, len(pixels), 2835, 2835, 16, 16)
    offset = 14 + len(info) + len(palette)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    with open(path, "wb") as f:
        f.write(header + info + palette + bytes(pixels))
    assert row_bytes * height == len(pixels)


def draw_icon(size):
    """The icon: a sheet of paper with a folded corner, on it a tree of three
    branches drawn in blue with grey name lines. Returns RGBA rows."""
    s = size / 48.0
    img = [[(0, 0, 0, 0) for _ in range(size)] for _ in range(size)]

    def rect(x0, y0, x1, y1, colour):
        for y in range(max(0, int(round(y0 * s))), min(size, int(round(y1 * s)))):
            for x in range(max(0, int(round(x0 * s))), min(size, int(round(x1 * s)))):
                img[y][x] = colour

    border = (60, 72, 88, 255)
    paper = (252, 252, 248, 255)
    fold = (210, 216, 224, 255)
    blue = (24, 96, 200, 255)
    grey = (120, 128, 140, 255)
    # The sheet with its outline; the top right corner is folded.
    rect(7, 3, 41, 45, border)
    rect(8.5, 4.5, 39.5, 43.5, paper)
    for i in range(10):
        rect(41 - 10 + i, 3, 41, 3 + 10 - i, (0, 0, 0, 0))
    for i in range(10):
        rect(31, 3 + i, 31 + i + 1, 3 + i + 1, fold)
    rect(31, 13, 41, 14.5, border)
    rect(30, 3, 31.5, 14.5, border)
    # The tree: a trunk and three branches, each followed by a name.
    rect(13, 11, 15.5, 37, blue)
    for y in (15, 24, 35):
        rect(13, y, 21, y + 2.5, blue)
        rect(23, y, 34 if y != 24 else 30, y + 2.5, grey)
    rect(13, 35, 15.5, 37.5, blue)
    return img


def png_bytes(img):
    size = len(img)
    raw = b"".join(b"\x00" + b"".join(struct.pack("BBBB", *p) for p in row) for row in img)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def dib_bytes(img):
    """A 32-bit icon image: BITMAPINFOHEADER, bottom-up BGRA, AND mask."""
    size = len(img)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b"".join(b"".join(struct.pack("BBBB", b, g, r, a) for r, g, b, a in row)
                      for row in reversed(img))
    mask_row = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(img):
        bits = bytearray(mask_row)
        for x, p in enumerate(row):
            if p[3] == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + pixels + bytes(mask)


def write_ico(path, sizes):
    images = [dib_bytes(draw_icon(size)) for size in sizes]
    data = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, image in zip(sizes, images):
        data += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    with open(path, "wb") as f:
        f.write(data + b"".join(images))


if __name__ == "__main__":
    write_floppy_bmp(os.path.join(HERE, "floppy.bmp"))
    write_ico(os.path.join(HERE, "quorvel.ico"), [16, 32, 48])
    with open(os.path.join(HERE, "quorvel.png"), "wb") as f:
        f.write(png_bytes(draw_icon(48)))
