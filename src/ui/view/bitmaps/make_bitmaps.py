#!/usr/bin/env python3
"""Writes the panel's bitmap resources as palette PNGs (run from this folder)."""
import struct
import zlib

# The 16 colours of the classic VGA palette; the bitmaps use only silver, grey, cyan and white.
VGA16 = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
    (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
    (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
SILVER, GREY, CYAN, WHITE = 7, 8, 14, 15


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def write_png(path, rows, bit_depth):
    height, width = len(rows), len(rows[0])
    raw = bytearray()
    for row in rows:
        raw.append(0)  # filter: none
        if bit_depth == 8:
            raw.extend(row)
        else:  # 4 bits per pixel, high nibble first
            padded = list(row) + [0] * (len(row) % 2)
            raw.extend((padded[i] << 4) | padded[i + 1] for i in range(0, len(padded), 2))
    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, bit_depth, 3, 0, 0, 0))
    png += chunk(b"PLTE", b"".join(bytes(c) for c in VGA16))
    png += chunk(b"IDAT", zlib.compress(bytes(raw), 9))
    png += chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


def triangle_up(ink):
    # Rows 2k and 2k + 1 fill the 2k + 2 middle columns 6 - k .. 7 + k.
    rows = []
    for y in range(14):
        k = y // 2
        rows.append([ink if 6 - k <= x <= 7 + k else SILVER for x in range(14)])
    return rows


write_png("147.png", [[WHITE] * 800 for _ in range(600)], 8)
write_png("149.png", triangle_up(GREY), 4)
write_png("150.png", triangle_up(GREY)[::-1], 4)
write_png("151.png", triangle_up(CYAN), 4)
write_png("152.png", triangle_up(CYAN)[::-1], 4)
