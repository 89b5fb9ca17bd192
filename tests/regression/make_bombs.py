#!/usr/bin/env python3
"""Writes the two decoding bombs of tests/regression (run from anywhere):

jpeg/many_scans.jpg  a greyscale progressive JPEG of 1448 x 1448 pixels whose
                     10,000 scans are all one end-of-band run over the whole
                     picture: 12 bytes a scan, each costing a pass over every
                     block.
png/idat_surplus.png a 1 x 1 colour PNG whose deflate stream goes on past the
                     picture's single row with 1 GiB of zeros, all in one
                     IDAT chunk.
"""
import os
import struct
import zlib

top = os.path.dirname(os.path.abspath(__file__))


def marker(code, payload):
    return bytes([0xFF, code]) + struct.pack(">H", len(payload) + 2) + payload


def many_scans_jpeg(side=1448, scans=10000):
    blocks = ((side + 7) // 8) ** 2
    assert 1 << 14 <= blocks < 1 << 15
    out = bytearray(b"\xff\xd8")
    out += marker(0xDB, b"\x00" + b"\x01" * 64)                                   # quantisation table 0
    out += marker(0xC2, struct.pack(">BHHB", 8, side, side, 1) + b"\x01\x11\x00")  # progressive frame, 1 component
    out += marker(0xC4, b"\x10" + bytes([1] + [0] * 15) + b"\xe0")                # AC table 0: one code, EOB14
    # Code "0" (EOB14), then 14 bits: the run is 2**14 + those bits = every block; a 1 bit pads the byte.
    bits = "0" + format(blocks - (1 << 14), "014b") + "1"
    data = int(bits, 2).to_bytes(2, "big")
    assert b"\xff" not in data
    scan = marker(0xDA, b"\x01\x01\x00\x01\x3f\x00") + data                      # Ss 1, Se 63, Ah Al 0
    out += scan * scans
    out += b"\xff\xd9"
    return bytes(out)


def chunk(kind, payload):
    return struct.pack(">I", len(payload)) + kind + payload + struct.pack(">I", zlib.crc32(kind + payload))


def idat_surplus_png(zeros=1 << 30):
    packer = zlib.compressobj(9)
    stream = packer.compress(b"\x00\x10\x80\xf0")   # the row: filter none, one red, green, blue pixel
    block = bytes(1 << 20)
    for _ in range(zeros // len(block)):
        stream += packer.compress(block)
    stream += packer.flush()
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", 1, 1, 8, 2, 0, 0, 0)) +
            chunk(b"IDAT", stream) + chunk(b"IEND", b""))


with open(os.path.join(top, "jpeg", "many_scans.jpg"), "wb") as f:
    f.write(many_scans_jpeg())
with open(os.path.join(top, "png", "idat_surplus.png"), "wb") as f:
    f.write(idat_surplus_png())
