#!/usr/bin/env python3
"""Writes the PNG seeds of fuzz_png that the picture fixtures lack: grey at
1 bit, interlaced; grey with alpha at 16 bits; grey with a transparency chunk.
The other seeds are copies of tests/fixtures/ui/*.png. Deterministic;
standard library only:  python3 fuzz/corpus/make-png-seeds.py
"""
import os
import struct
import zlib

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "fuzz_png")


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def png(width, height, depth, colour_type, raw, extra=b"", interlace=0):
    """raw: the filtered scan lines (each with its filter byte), all passes."""
    ihdr = struct.pack(">IIBBBBB", width, height, depth, colour_type, 0, 0, interlace)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + extra +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def write(name, data):
    with open(os.path.join(OUT, name), "wb") as f:
        f.write(data)


def main():
    # 8 x 8 grey at 1 bit, Adam7: passes of 1x1, 1x1, 2x1, 2x2, 4x2, 4x4, 8x4
    # pixels, each row one byte after its filter byte.
    passes = [(1, 1), (1, 1), (2, 1), (2, 2), (4, 2), (4, 4), (8, 4)]
    raw = b"".join(b"\x00\xaa" * rows for _, rows in passes)
    write("grey1_interlaced_8x8.png", png(8, 8, 1, 0, raw, interlace=1))
    # 2 x 2 grey + alpha at 16 bits, with the Paeth filter on the second row.
    raw = b"\x00" + bytes(range(8)) + b"\x04" + bytes(range(8, 16))
    write("greyalpha16_2x2.png", png(2, 2, 16, 4, raw))
    # 4 x 1 grey at 8 bits whose value 0 is transparent.
    write("grey_trns_4x1.png", png(4, 1, 8, 0, b"\x00\x00\x40\x80\xff", chunk(b"tRNS", b"\x00\x00")))


if __name__ == "__main__":
    main()
