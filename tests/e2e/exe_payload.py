#!/usr/bin/env python3
"""Checks a generated program's head, trailer and payload against the script it came from.

exe_payload.py PROGRAM TITLE SCRIPT.cmd: the CRC-32s, the sizes, the title
(given as UTF-8, compared as Windows-1252) and every line of the .cmd, byte for byte.
"""
import struct
import sys
import zlib


def main():
    exe, title, script = sys.argv[1], sys.argv[2].encode("cp1252"), sys.argv[3]
    data = open(exe, "rb").read()
    magic, runtime, runtime_size, size, version, crc = struct.unpack("<8sQQQII", data[-40:])
    shoff, = struct.unpack_from("<Q", data, 0x28)
    shentsize, shnum = struct.unpack_from("<HH", data, 0x3A)
    front = shoff + shentsize * shnum
    head = struct.unpack_from("<8sQII", data, front)
    at = front + 24
    for _ in range(2):  # the compiler's root and helper folder
        at += 8 + struct.unpack_from("<Q", data, at)[0]
    head_crc, = struct.unpack_from("<I", data, at)
    problems = []
    if magic != b"RLPAYLD2" or version != 2:
        problems.append("no trailer")
    if runtime + runtime_size + size + 40 != len(data):
        problems.append("sizes do not add up")
    if (head[0] != b"RLSTUB01" or head[1] != runtime_size or at + 4 != runtime or
            head[2] != zlib.crc32(data[runtime:runtime + runtime_size]) or head_crc != zlib.crc32(data[front:at])):
        problems.append("the head does not describe the runtime")
    if zlib.crc32(data[:-4]) != crc:
        problems.append("CRC-32 differs")
    if problems:
        sys.exit(", ".join(problems))
    payload, at = data[runtime + runtime_size:runtime + runtime_size + size], 0

    def take(n):
        nonlocal at
        piece = payload[at:at + n]
        at += n
        return piece

    def text():
        return take(struct.unpack("<Q", take(8))[0])

    got_title, _root, _libexec = text(), text(), text()
    count = struct.unpack("<Q", take(8))[0]
    lines = [text() for _ in range(count)]
    want = open(script, "rb").read().split(b"\n")
    if want and want[-1] == b"":
        want.pop()
    want = [l[:-1] if l.endswith(b"\r") else l for l in want]
    if got_title != title:
        sys.exit(f"title {got_title!r}, expected {title!r}")
    if lines != want:
        for n, (a, b) in enumerate(zip(lines, want), 1):
            if a != b:
                sys.exit(f"line {n}: {a!r}, expected {b!r}")
        sys.exit(f"{len(lines)} lines, expected {len(want)}")


main()
