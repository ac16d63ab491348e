#!/usr/bin/env python3
"""Draws the program icon (a printer with a plus sign) and writes it as an .ico file
with images from 16x16 to 256x256: 32-bit DIB images for the small sizes, which
Windows XP shows, and PNG-compressed images from 48x48 up, which only Windows Vista
and later read (XP uses its small images for every view)."""
import struct
import sys
import zlib

SIZES = [16, 24, 32, 48, 64, 128, 256]
PNG_FROM = 48


def pixel(x, y, n):
    """RGBA of one pixel of the n x n picture, from a drawing in unit coordinates."""
    u, v = (x + 0.5) / n, (y + 0.5) / n
    blue, dark, white, green = (30, 90, 170, 255), (20, 40, 70, 255), (250, 250, 250, 255), (40, 160, 70, 255)
    # plus sign in the lower right corner
    if 0.62 <= u <= 0.98 and 0.62 <= v <= 0.98:
        if 0.75 <= u <= 0.85 or 0.75 <= v <= 0.85:
            return green
    if 0.25 <= u <= 0.75 and 0.06 <= v <= 0.34:          # paper in
        return white
    if 0.08 <= u <= 0.92 and 0.30 <= v <= 0.72:          # printer body
        if 0.14 <= u <= 0.86 and 0.36 <= v <= 0.66:
            return blue
        return dark
    if 0.25 <= u <= 0.75 and 0.72 <= v <= 0.94:          # paper out
        return white if not (0.30 <= u <= 0.70 and round(v * 20) % 3 == 0) else dark
    return (0, 0, 0, 0)


def rows(n):
    return [[pixel(x, y, n) for x in range(n)] for y in range(n)]


def dib(n):
    data = bytearray(struct.pack('<IiiHHIIiiII', 40, n, 2 * n, 1, 32, 0, 0, 0, 0, 0, 0))
    image = rows(n)
    for y in reversed(range(n)):                          # bottom-up
        for r, g, b, a in image[y]:
            data += bytes((b, g, r, a))
    stride = ((n + 31) // 32) * 4
    for y in reversed(range(n)):                          # AND mask: 1 = transparent
        bits = bytearray(stride)
        for x, (_, _, _, a) in enumerate(image[y]):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        data += bits
    return bytes(data)


def png(n):
    raw = b''.join(b'\0' + bytes(c for px in row for c in px) for row in rows(n))

    def chunk(kind, body):
        return struct.pack('>I', len(body)) + kind + body + struct.pack('>I', zlib.crc32(kind + body) & 0xFFFFFFFF)
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', n, n, 8, 6, 0, 0, 0))
            + chunk(b'IDAT', zlib.compress(raw, 9)) + chunk(b'IEND', b''))


def main(path):
    images = [png(n) if n >= PNG_FROM else dib(n) for n in SIZES]
    out = bytearray(struct.pack('<HHH', 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for n, img in zip(SIZES, images):
        out += struct.pack('<BBBBHHII', n % 256, n % 256, 0, 0, 1, 32, len(img), offset)
        offset += len(img)
    for img in images:
        out += img
    with open(path, 'wb') as f:
        f.write(out)


if __name__ == '__main__':
    main(sys.argv[1])
