#!/usr/bin/env python3
"""Questions about a binary PPM screenshot, one answer a line:
  at:X,Y               the colour at a pixel, as R,G,B
  count:X,Y,W,H,R,G,B  how many pixels of the rectangle have exactly that colour"""
import sys


def read_ppm(path):
    data = open(path, "rb").read()
    fields, pos = [], 0
    while len(fields) < 4:
        while data[pos:pos + 1].isspace():
            pos += 1
        if data[pos:pos + 1] == b"#":
            pos = data.index(b"\n", pos)
            continue
        end = pos
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[pos:end])
        pos = end
    if fields[0] != b"P6" or int(fields[3]) != 255:
        sys.exit("not an 8-bit P6 file")
    return int(fields[1]), int(fields[2]), data[pos + 1:]


width, height, px = read_ppm(sys.argv[1])


def colour(x, y):
    if not (0 <= x < width and 0 <= y < height):
        return None
    i = (y * width + x) * 3
    return tuple(px[i:i + 3])


for q in sys.argv[2:]:
    kind, _, args = q.partition(":")
    n = [int(v) for v in args.split(",")]
    if kind == "at":
        c = colour(n[0], n[1])
        print("outside" if c is None else "%d,%d,%d" % c)
    elif kind == "count":
        x, y, w, h, want = n[0], n[1], n[2], n[3], tuple(n[4:7])
        print(sum(1 for j in range(y, y + h) for i in range(x, x + w) if colour(i, j) == want))
    else:
        sys.exit("unknown question " + q)
