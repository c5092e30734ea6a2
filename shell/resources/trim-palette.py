#!/usr/bin/env python3
"""Cuts an 8-bit RLE bitmap's palette down to the colours its pixels use.

ImageMagick writes all 256 palette entries even for a 16-colour picture; the loader reads
only biClrUsed of them, and every byte of the Stub counts. Usage: trim-palette.py FILE.bmp
"""
import struct
import sys

path = sys.argv[1]
data = bytearray(open(path, 'rb').read())
pixels_at = struct.unpack_from('<I', data, 10)[0]
header_size, bits, compression = struct.unpack_from('<I', data, 14)[0], data[28], struct.unpack_from('<I', data, 30)[0]
if header_size != 40 or bits != 8 or compression != 1:
    sys.exit(f'{path}: not an 8-bit RLE bitmap')

# The highest index an encoded run or literal uses.
highest, i, rle = 0, 0, data[pixels_at:]
while i < len(rle):
    count, value = rle[i], rle[i + 1]
    i += 2
    if count:
        highest = max(highest, value)
    elif value == 2:
        i += 2
    elif value > 2:
        highest = max(highest, *rle[i:i + value])
        i += value + (value & 1)

used = highest + 1
palette_at = 14 + header_size
trimmed = data[:palette_at] + data[palette_at:palette_at + 4 * used] + rle
struct.pack_into('<I', trimmed, 2, len(trimmed))
struct.pack_into('<I', trimmed, 10, palette_at + 4 * used)
struct.pack_into('<II', trimmed, 46, used, used)  # biClrUsed, biClrImportant
open(path, 'wb').write(trimmed)
print(f'{path}: palette of {used} colours, {len(trimmed)} bytes')
