#!/usr/bin/env python3
"""Draws the "no picture" placeholder (96 x 96, four colours) and writes it as a GIF."""
import sys

W = H = 96
PALETTE = [(0xFF, 0xFF, 0xFF), (0xC8, 0xC8, 0xC8), (0xA0, 0xA0, 0xA0), (0x70, 0x70, 0x70)]
BG, FRAME, ICON, TEXT = 0, 1, 2, 3

px = [[BG] * W for _ in range(H)]

def rect(x0, y0, x1, y1, c):
    for y in range(y0, y1 + 1):
        for x in range(x0, x1 + 1):
            px[y][x] = c

def outline(x0, y0, x1, y1, c):
    rect(x0, y0, x1, y0, c); rect(x0, y1, x1, y1, c)
    rect(x0, y0, x0, y1, c); rect(x1, y0, x1, y1, c)

# Border.
outline(0, 0, W - 1, H - 1, FRAME)
# Picture frame with a hill and a sun.
outline(26, 18, 69, 53, ICON)
outline(27, 19, 68, 52, ICON)
for y in range(34, 52):
    half = (y - 34)
    for x in range(44 - half, 44 + half + 1):
        if 28 <= x <= 67:
            px[y][x] = ICON
for y in range(24, 33):
    for x in range(54, 64):
        if (x - 58.5) ** 2 + (y - 28) ** 2 <= 16:
            px[y][x] = ICON
# Struck through, corner to corner.
for i in range(-1, 2):
    for t in range(0, 44):
        x = 26 + t
        y = 53 - round(t * 35 / 43) + i
        if 17 <= y <= 54:
            px[y][x] = TEXT

# "NO PICTURE" in a 5 x 7 pixel font.
FONT = {
    'N': ["10001", "11001", "10101", "10011", "10001", "10001", "10001"],
    'O': ["01110", "10001", "10001", "10001", "10001", "10001", "01110"],
    'P': ["11110", "10001", "10001", "11110", "10000", "10000", "10000"],
    'I': ["01110", "00100", "00100", "00100", "00100", "00100", "01110"],
    'C': ["01110", "10001", "10000", "10000", "10000", "10001", "01110"],
    'T': ["11111", "00100", "00100", "00100", "00100", "00100", "00100"],
    'U': ["10001", "10001", "10001", "10001", "10001", "10001", "01110"],
    'R': ["11110", "10001", "10001", "11110", "10100", "10010", "10001"],
    'E': ["11111", "10000", "10000", "11110", "10000", "10000", "11111"],
    ' ': ["00000"] * 7,
}
text = "NO PICTURE"
width = len(text) * 6 - 1
x0, y0 = (W - width) // 2, 66
for n, ch in enumerate(text):
    for row, bits in enumerate(FONT[ch]):
        for col, bit in enumerate(bits):
            if bit == '1':
                px[y0 + row][x0 + n * 6 + col] = TEXT

def lzw(indices, min_code_size):
    clear, end = 1 << min_code_size, (1 << min_code_size) + 1
    out, acc, nbits = bytearray(), 0, 0
    size = min_code_size + 1

    def emit(code):
        nonlocal acc, nbits
        acc |= code << nbits
        nbits += size
        while nbits >= 8:
            out.append(acc & 0xFF)
            acc >>= 8
            nbits -= 8

    table = {(i,): i for i in range(clear)}
    next_code = end + 1
    emit(clear)
    prefix = (indices[0],)
    for k in indices[1:]:
        candidate = prefix + (k,)
        if candidate in table:
            prefix = candidate
            continue
        emit(table[prefix])
        if next_code < 4096:
            table[candidate] = next_code
            next_code += 1
            if next_code > (1 << size) and size < 12:
                size += 1
        else:
            emit(clear)
            table = {(i,): i for i in range(clear)}
            next_code = end + 1
            size = min_code_size + 1
        prefix = (k,)
    emit(table[prefix])
    emit(end)
    if nbits:
        out.append(acc & 0xFF)
    return bytes(out)

data = lzw([c for row in px for c in row], 2)
gif = bytearray(b"GIF89a")
gif += W.to_bytes(2, "little") + H.to_bytes(2, "little")
gif += bytes([0x80 | 0x10 | 0x01, 0, 0])  # global colour table of 4 entries
for r, g, b in PALETTE:
    gif += bytes([r, g, b])
gif += b",\x00\x00\x00\x00" + W.to_bytes(2, "little") + H.to_bytes(2, "little") + b"\x00"
gif += b"\x02"
for i in range(0, len(data), 255):
    chunk = data[i:i + 255]
    gif += bytes([len(chunk)]) + chunk
gif += b"\x00;"
open(sys.argv[1], "wb").write(gif)
