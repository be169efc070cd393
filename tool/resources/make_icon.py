#!/usr/bin/env python3
"""Draws the program icon (a counter scale with its display) as marlow_pos_test.png.

Run once when the icon is to change; the PNG is committed. Standard library only.
"""
import struct
import zlib

SIZE = 128
SS = 4  # samples per pixel side, for smooth edges


def rounded_rect(x, y, x0, y0, x1, y1, r):
    cx = min(max(x, x0 + r), x1 - r)
    cy = min(max(y, y0 + r), y1 - r)
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r and x0 <= x <= x1 and y0 <= y <= y1


def shapes(x, y):
    """Colour (r, g, b, a) at a point of the 0..1 square; later shapes paint over earlier ones."""
    c = (0, 0, 0, 0)
    if rounded_rect(x, y, 0.02, 0.02, 0.98, 0.98, 0.18):
        c = (31, 96, 140, 255)             # background tile
    if 0.16 <= y <= 0.24 and 0.14 + (0.24 - y) * 0.5 <= x <= 0.86 - (0.24 - y) * 0.5:
        c = (235, 240, 245, 255)           # weighing plate
    if 0.45 <= x <= 0.55 and 0.24 <= y <= 0.40:
        c = (190, 200, 210, 255)           # column
    if rounded_rect(x, y, 0.12, 0.40, 0.88, 0.86, 0.07):
        c = (225, 230, 236, 255)           # body
    if rounded_rect(x, y, 0.20, 0.48, 0.80, 0.70, 0.03):
        c = (20, 36, 28, 255)              # display
        # three digit blocks and a decimal point
        for i in range(3):
            x0 = 0.26 + i * 0.16
            if x0 <= x <= x0 + 0.10 and 0.53 <= y <= 0.65:
                inner = x0 + 0.025 <= x <= x0 + 0.075 and (0.56 <= y <= 0.58 or 0.60 <= y <= 0.62)
                if not inner:
                    c = (80, 230, 120, 255)
        if 0.395 <= x <= 0.41 and 0.63 <= y <= 0.65:
            c = (80, 230, 120, 255)
    for i in range(3):                     # keys
        x0 = 0.24 + i * 0.20
        if rounded_rect(x, y, x0, 0.75, x0 + 0.12, 0.81, 0.02):
            c = (31, 96, 140, 255)
    return c


def render():
    rows = []
    for py in range(SIZE):
        row = bytearray([0])  # filter: none
        for px in range(SIZE):
            acc = [0, 0, 0, 0]
            for sy in range(SS):
                for sx in range(SS):
                    r, g, b, a = shapes((px + (sx + 0.5) / SS) / SIZE, (py + (sy + 0.5) / SS) / SIZE)
                    acc[0] += r * a
                    acc[1] += g * a
                    acc[2] += b * a
                    acc[3] += a
            n = SS * SS
            alpha = acc[3] / n
            if alpha:
                row += bytes([round(acc[0] / acc[3]), round(acc[1] / acc[3]), round(acc[2] / acc[3]), round(alpha)])
            else:
                row += bytes(4)
        rows.append(bytes(row))
    return b"".join(rows)


def png(data):
    def chunk(kind, payload):
        return struct.pack(">I", len(payload)) + kind + payload + struct.pack(">I", zlib.crc32(kind + payload))

    header = struct.pack(">IIBBBBB", SIZE, SIZE, 8, 6, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(data, 9)) + chunk(b"IEND", b"")


if __name__ == "__main__":
    with open("marlow_pos_test.png", "wb") as f:
        f.write(png(render()))
