#!/usr/bin/env python3
"""The library as another program meets it: installed from the build by its
two components (libzavik0, libzavik-dev), a C89 program built against it
through pkg-config (zavik_c_check.c), and what that program gets compared
with what the zavik tool writes for the same files: the view at two zooms
with `zavik render`, the picture with `zavik convert` to PNG, a thumbnail
with `zavik thumbnail`, the properties with `zavik info --json`.

    library_test.py BUILD_DIR
"""
import glob
import json
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import zlib

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))


def read_bmp(path):
    """RGBA rows, top first, of a 24-bit bottom-up BMP."""
    data = open(path, "rb").read()
    offset, = struct.unpack_from("<I", data, 10)
    width, height = struct.unpack_from("<ii", data, 18)
    stride = (width * 3 + 3) & ~3
    rows = []
    for y in range(height):
        row = data[offset + (height - 1 - y) * stride:][:width * 3]
        rows.append(b"".join(bytes((row[3 * x + 2], row[3 * x + 1], row[3 * x], 255)) for x in range(width)))
    return width, height, b"".join(rows)


def read_png(path):
    """RGBA rows of an 8-bit RGB or RGBA PNG without interlacing."""
    data = open(path, "rb").read()
    pos, idat = 8, b""
    while pos < len(data):
        length, kind = struct.unpack_from(">I4s", data, pos)
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", body)
            assert depth == 8 and colour in (2, 6) and interlace == 0, (path, depth, colour, interlace)
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    channels = 4 if colour == 6 else 3
    raw = zlib.decompress(idat)
    stride = width * channels
    previous = bytearray(stride)
    out = bytearray()
    for y in range(height):
        kind = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - channels] if i >= channels else 0
            b = previous[i]
            c = previous[i - channels] if i >= channels else 0
            if kind == 1:
                line[i] = (line[i] + a) & 255
            elif kind == 2:
                line[i] = (line[i] + b) & 255
            elif kind == 3:
                line[i] = (line[i] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        previous = line
        if channels == 3:
            for x in range(width):
                out += line[3 * x:3 * x + 3] + b"\xff"
        else:
            out += line
    return width, height, bytes(out)


def read_check(path):
    data = open(path, "rb").read()
    head, _, pixels = data.partition(b"\n")
    width, height = map(int, head.split())
    return width, height, pixels


def main():
    build = os.path.abspath(sys.argv[1])
    zavik = os.path.join(build, "bin", "zavik")
    work = tempfile.mkdtemp(prefix="zavik-library-")
    failures = []
    try:
        prefix = os.path.join(work, "prefix")
        for component in ("libzavik0", "libzavik-dev"):
            subprocess.run(["cmake", "--install", build, "--component", component, "--prefix", prefix],
                           check=True, stdout=subprocess.DEVNULL)
        pkgconfig = glob.glob(os.path.join(prefix, "lib*", "**", "pkgconfig"), recursive=True) + \
            glob.glob(os.path.join(prefix, "lib*", "pkgconfig"))
        env = dict(os.environ, PKG_CONFIG_PATH=pkgconfig[0])
        flags = subprocess.run(["pkg-config", "--cflags", "--libs", "zavik"], env=env, check=True,
                               capture_output=True, text=True).stdout.split()
        check = os.path.join(work, "zavik_c_check")
        subprocess.run(["cc", "-std=c89", "-pedantic", "-Wall", "-Wextra", "-Werror",
                        os.path.join(ROOT, "tests/library/zavik_c_check.c"), "-o", check] + flags, check=True)
        libdir = os.path.dirname(pkgconfig[0])
        env["LD_LIBRARY_PATH"] = libdir

        # Only the interface is exported.
        exported = subprocess.run(["nm", "-D", "--defined-only", os.path.join(libdir, "libzavik.so.0")],
                                  check=True, capture_output=True, text=True).stdout.split("\n")
        names = [line.split()[-1].split("@")[0] for line in exported if line.strip()]
        strays = [n for n in names if not n.startswith("zavik_") and n != "LIBZAVIK_0"]
        if strays:
            failures.append(f"exported beyond the interface: {strays[:10]}")

        files = sorted(glob.glob(os.path.join(ROOT, "samples", "*")))
        files += sorted(glob.glob(os.path.join(ROOT, "tests/regression/*/*")))
        files = [f for f in files if not f.endswith((".expected", ".md", ".py"))]
        out = os.path.join(work, "out")
        for path in files:
            name = os.path.relpath(path, ROOT)
            info = subprocess.run([zavik, "info", "--json", path], capture_output=True, env=env)
            mine = subprocess.run([check, "info", path], capture_output=True, env=env)
            lines = mine.stdout.decode("utf-8").split("\n")
            if mine.returncode not in (0, 2, 3, 4) or lines[0] != info.stdout.decode("utf-8").strip():
                failures.append(f"{name}: properties {lines[0][:200]!r} (status {mine.returncode}), "
                                f"zavik info: {info.stdout[:200]!r}; {mine.stderr[:200]!r}")
                continue
            if (mine.returncode == 0) != (info.returncode == 0):
                failures.append(f"{name}: status {mine.returncode}, zavik info exit {info.returncode}")
            if mine.returncode != 0:
                continue
            # The pixels of pictures up to 2 megapixels: readers in Python
            # are slow, and the large ones add no other case.
            size = json.loads(lines[0])
            if size["width"] * size["height"] > 2_000_000:
                continue
            compared = [(["view", "100"], ["render"], ".bmp", read_bmp),
                        (["view", "30"], ["render", "--zoom", "30"], ".bmp", read_bmp),
                        (["picture"], ["convert"], ".png", read_png),
                        (["thumbnail", "64"], ["thumbnail", "-s", "64"], ".png", read_png)]
            for mine_args, tool_args, extension, reader in compared:
                tool_out = out + extension
                tool = subprocess.run([zavik] + tool_args + [path, tool_out], capture_output=True)
                got = subprocess.run([check] + mine_args + [path, out], capture_output=True, env=env)
                if tool.returncode != 0 and got.returncode == 0 and 0 in read_check(out)[:2]:
                    continue   # a side the zoom leaves at 0 pixels: the tool writes nothing
                if tool.returncode != 0 or got.returncode != 0:
                    failures.append(f"{name} {mine_args}: tool exit {tool.returncode}, library {got.returncode} "
                                    f"{got.stderr[:200]!r}")
                elif reader(tool_out) != read_check(out):
                    failures.append(f"{name} {mine_args}: the library's pixels differ from zavik {tool_args[0]}")
        print(f"library: {len(files)} files, {len(failures)} failures")
    finally:
        shutil.rmtree(work)
    for failure in failures:
        print("FAIL:", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
