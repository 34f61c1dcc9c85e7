#!/usr/bin/env python3
"""Turns the icon's pixel maps (icon.txt) into a Windows .ico file.

    make_icon.py icon.txt out.ico

Each image is stored as 4 bits per pixel with a 16-colour palette and an AND
mask, the form every Windows version shows; "." pixels are transparent.
"""
import struct
import sys


def read_maps(path):
    palette, images, rows = {".": (0, 0, 0)}, [], []
    for line in open(path, encoding="ascii").read().splitlines() + [""]:
        if line.startswith("#"):
            continue
        if len(line.split()) == 2:
            char, colour = line.split()
            palette[char] = tuple(int(colour[i:i + 2], 16) for i in (0, 2, 4))
        elif line:
            rows.append(line)
        elif rows:
            if any(len(row) != len(rows) for row in rows):
                sys.exit(f"make_icon: an image of {len(rows)} rows must be as wide as it is high")
            images.append(rows)
            rows = []
    if len(palette) > 16:
        sys.exit("make_icon: at most 15 colours and transparency")
    return palette, images


def padded(data):
    return data + b"\0" * (-len(data) % 4)


def image_bytes(rows, palette):
    size = len(rows)
    index = {char: i for i, char in enumerate(palette)}
    colours, mask = b"", b""
    for row in reversed(rows):  # bottom-up, as bitmaps are stored
        nibbles = [index[char] for char in row]
        colours += padded(bytes(nibbles[i] << 4 | nibbles[i + 1] for i in range(0, size, 2)))
        bits = "".join("1" if char == "." else "0" for char in row)
        mask += padded(int(bits, 2).to_bytes(size // 8, "big"))
    header = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, 4, 0, len(colours) + len(mask), 0, 0, 16, 0)
    table = b"".join(bytes((b, g, r, 0)) for r, g, b in palette.values())
    table += b"\0" * (64 - len(table))
    return header + table + colours + mask


def main():
    palette, images = read_maps(sys.argv[1])
    blobs = [image_bytes(rows, palette) for rows in images]
    out = struct.pack("<HHH", 0, 1, len(blobs))
    offset = len(out) + 16 * len(blobs)
    for rows, blob in zip(images, blobs):
        out += struct.pack("<BBBBHHII", len(rows), len(rows), 16, 0, 1, 4, len(blob), offset)
        offset += len(blob)
    with open(sys.argv[2], "wb") as ico:
        ico.write(out + b"".join(blobs))


main()
