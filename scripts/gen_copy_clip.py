#!/usr/bin/env python3
"""Writes the progress dialog's clip FILECOPY_16.AVI: 16 frames of 32 x 32 pixels,
8-bit uncompressed bottom-up DIB frames ("DIB "), 10 frames per second, no sound.
A sheet of paper flies from a folder on the left to a folder on the right."""
import struct
import sys

W, H, FRAMES, FPS = 32, 32, 16, 10
# Palette: 0 background (the first pixel: the control's transparent colour),
# 1 folder yellow, 2 folder edge, 3 paper white, 4 paper lines, 5 paper edge.
PALETTE = [(236, 233, 216), (242, 200, 80), (170, 120, 30), (255, 255, 255), (120, 140, 170), (90, 90, 90)]


def frame_pixels(n):
    img = [[0] * W for _ in range(H)]

    def rect(x0, y0, x1, y1, c):
        for y in range(max(0, y0), min(H, y1)):
            for x in range(max(0, x0), min(W, x1)):
                img[y][x] = c

    for fx in (1, 21):                                        # two folders
        rect(fx, 18, fx + 10, 28, 2)
        rect(fx + 1, 19, fx + 9, 27, 1)
        rect(fx, 16, fx + 4, 18, 2)
    t = n / (FRAMES - 1)                                      # the flying sheet
    px = int(3 + 18 * t)
    py = int(14 - 12 * (1 - (2 * t - 1) ** 2))
    rect(px, py, px + 8, py + 10, 5)
    rect(px + 1, py + 1, px + 7, py + 9, 3)
    for ly in (py + 3, py + 5, py + 7):
        rect(px + 2, ly, px + 6, ly + 1, 4)
    return img


def chunk(fourcc, data):
    pad = b"\0" if len(data) % 2 else b""
    return fourcc + struct.pack("<I", len(data)) + data + pad


def riff_list(kind, fourcc, body):
    return kind + struct.pack("<I", len(body) + 4) + fourcc + body


def main(path):
    row = (W + 3) // 4 * 4
    frame_size = row * H
    frames = []
    for n in range(FRAMES):
        img = frame_pixels(n)
        data = bytearray()
        for y in range(H - 1, -1, -1):                        # bottom-up
            data += bytes(img[y]) + b"\0" * (row - W)
        frames.append(bytes(data))

    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    palette += b"\0\0\0\0" * (256 - len(PALETTE))
    bih = struct.pack("<IiiHHIIiiII", 40, W, H, 1, 8, 0, frame_size, 0, 0, 256, 0)
    avih = struct.pack("<IIIIIIIIII4I", 1000000 // FPS, frame_size * FPS, 0, 0x10, FRAMES, 0, 1, frame_size, W, H,
                       0, 0, 0, 0)
    strh = struct.pack("<4s4sIHHIIIIIIIIhhhh", b"vids", b"DIB ", 0, 0, 0, 0, 1, FPS, 0, FRAMES, frame_size,
                       0xFFFFFFFF, 0, 0, 0, W, H)
    strl = riff_list(b"LIST", b"strl", chunk(b"strh", strh) + chunk(b"strf", bih + palette))
    hdrl = riff_list(b"LIST", b"hdrl", chunk(b"avih", avih) + strl)

    movi_body = b""
    index = b""
    for data in frames:
        offset = 4 + len(movi_body)                           # from the "movi" fourcc
        movi_body += chunk(b"00db", data)
        index += struct.pack("<4sIII", b"00db", 0x10, offset, len(data))
    movi = riff_list(b"LIST", b"movi", movi_body)
    avi = riff_list(b"RIFF", b"AVI ", hdrl + movi + chunk(b"idx1", index))
    with open(path, "wb") as f:
        f.write(avi)


if __name__ == "__main__":
    main(sys.argv[1])
