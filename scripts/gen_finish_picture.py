#!/usr/bin/env python3
"""Draws the finish page's picture: 236 x 438 pixels, 24 bits per pixel, stored as an
uncompressed bottom-up Windows bitmap file (14-byte file header, 40-byte info header,
310,104 bytes of pixels). A blue gradient (no fine detail: the page shrinks the picture
in the default stretch mode) with a printer, a sheet coming out of it
and a green tick."""
import struct
import sys

WIDTH, HEIGHT = 236, 438


def mix(a, b, t):
    return tuple(int(a[i] + (b[i] - a[i]) * t) for i in range(3))


def segment_distance(px, py, a, b):
    """Distance of the point from the segment a-b."""
    ax, ay = a
    bx, by = b
    vx, vy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((px - ax) * vx + (py - ay) * vy) / (vx * vx + vy * vy)))
    ex, ey = ax + t * vx - px, ay + t * vy - py
    return (ex * ex + ey * ey) ** 0.5


def pixel(x, y):
    """RGB of the pixel in column x, row y (row 0 at the top)."""
    u, v = x / WIDTH, y / HEIGHT
    colour = mix((18, 64, 140), (90, 170, 230), v)           # background gradient
    if 0.30 <= u <= 0.70 and 0.18 <= v <= 0.30:              # paper in
        colour = (250, 250, 250)
    if 0.15 <= u <= 0.85 and 0.28 <= v <= 0.46:              # printer body
        inner = 0.19 <= u <= 0.81 and 0.30 <= v <= 0.44
        colour = (60, 70, 85) if not inner else (200, 205, 215)
        if 0.68 <= u <= 0.76 and 0.32 <= v <= 0.35:          # power light
            colour = (60, 200, 90)
    if 0.28 <= u <= 0.72 and 0.46 <= v <= 0.62:              # paper out, with lines
        colour = (250, 250, 250)
        if 0.33 <= u <= 0.67 and int(v * HEIGHT) % 12 < 2:
            colour = (150, 160, 175)
    cx, cy, r = 0.5 * WIDTH, 0.78 * HEIGHT, 40               # tick in a green disc
    dx, dy = x - cx, y - cy
    if dx * dx + dy * dy <= r * r:
        colour = (40, 160, 70)
        if segment_distance(dx, dy, (-18, 0), (-5, 13)) <= 4 or segment_distance(dx, dy, (-5, 13), (19, -14)) <= 4:
            colour = (255, 255, 255)
    return colour


def main(path):
    row_size = (WIDTH * 3 + 3) // 4 * 4
    pixels = bytearray()
    for y in range(HEIGHT - 1, -1, -1):                      # bottom-up
        row = bytearray()
        for x in range(WIDTH):
            r, g, b = pixel(x, y)
            row += bytes((b, g, r))
        row += b"\0" * (row_size - len(row))
        pixels += row
    info = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    with open(path, "wb") as f:
        f.write(header + info + pixels)


if __name__ == "__main__":
    main(sys.argv[1])
