#!/usr/bin/env python3
"""Draws the splash picture app/splash.png: 500 x 300 pixels, 256-colour palette.

A light green gradient with a stylised receipt on the right and a band along the bottom,
leaving room for the title at (80, 205), the subtitle ending at x 420 and the status line.
Run from the repository root: python3 app/make_splash.py
"""
import os
import struct
import zlib

W, H = 500, 300


def lerp(a, b, t):
    return tuple(round(a[i] + (b[i] - a[i]) * t) for i in range(3))


# Palette: 0..191 gradient (mint to white), 192.. fixed colours.
TOP, BOTTOM = (206, 232, 210), (250, 252, 250)
palette = [lerp(TOP, BOTTOM, i / 191) for i in range(192)]
PAPER, SHADOW, INK, GREEN, DARK, RULE = range(192, 198)
palette += [(255, 255, 255), (170, 190, 172), (120, 140, 122), (46, 125, 50), (27, 94, 32), (214, 226, 215)]
palette += [(0, 0, 0)] * (256 - len(palette))


def receipt(x, y):
    """Palette index of the receipt drawing at (x, y), or None outside it."""
    left, right, top, bottom = 330, 440, 30, 170
    # Zigzag tear-off edge at the bottom.
    zig = bottom + (6 - abs(((x - left) % 12) - 6))
    if left + 4 <= x <= right + 4 and top + 4 <= y <= zig + 4 and not (left <= x <= right and top <= y <= zig):
        return SHADOW
    if not (left <= x <= right and top <= y <= zig):
        return None
    if top + 14 <= y <= top + 20 and left + 14 <= x <= right - 14:
        return GREEN
    for n in range(6):
        ly = top + 36 + n * 16
        if ly <= y <= ly + 2:
            end = right - 14 - (n % 3) * 18
            if left + 14 <= x <= end:
                return INK if n < 5 else DARK
    if y in (top + 124, top + 125) and left + 14 <= x <= right - 14:
        return RULE
    return PAPER


rows = []
for y in range(H):
    row = bytearray([0])
    for x in range(W):
        if y >= H - 8:
            c = GREEN
        elif y >= H - 10:
            c = DARK
        else:
            c = receipt(x, y)
            if c is None:
                c = min(191, round((y / (H - 10)) * 191 * 0.85 + (x / W) * 191 * 0.15))
        row.append(c)
    rows.append(bytes(row))


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


png = b"\x89PNG\r\n\x1a\n"
png += chunk(b"IHDR", struct.pack(">IIBBBBB", W, H, 8, 3, 0, 0, 0))
png += chunk(b"PLTE", b"".join(bytes(c) for c in palette))
png += chunk(b"IDAT", zlib.compress(b"".join(rows), 9))
png += chunk(b"IEND", b"")
with open(os.path.join(os.path.dirname(os.path.abspath(__file__)), "splash.png"), "wb") as f:
    f.write(png)
