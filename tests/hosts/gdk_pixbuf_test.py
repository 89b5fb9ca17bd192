#!/usr/bin/env python3
"""The GdkPixbuf loader in GdkPixbuf itself (python3-gi), with the build's
loaders cache and a MIME database holding the MIME package (ctest sets
GDK_PIXBUF_MODULE_FILE and XDG_DATA_DIRS): every sample and regression input
of the three kinds loads with the pixels of `zavik render` at 100 % (with
transparency, those of `zavik convert` to PNG), whole and in small pieces; a
file zavik refuses, cut or hostile, gives a GError with the viewer's
messages; a smaller size is the library's thumbnail, in
new_from_file_at_size and in gdk-pixbuf-thumbnailer.

    gdk_pixbuf_test.py BUILD_DIR
"""
import glob
import json
import os
import re
import subprocess
import sys
import tempfile

import gi
gi.require_version("GdkPixbuf", "2.0")
from gi.repository import GdkPixbuf, GLib  # noqa: E402

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
MAGICS = (b"esi file 0a", b"esi file 0f", b"cnv file 0a", b"itm file 0f")
failures = []


def check(ok, what):
    if not ok:
        failures.append(what)


def rows(p, channels=None):
    """The pixbuf's rows, RGB only when channels is 3."""
    n, stride, data = p.get_n_channels(), p.get_rowstride(), p.get_pixels()
    out = [data[y * stride:y * stride + p.get_width() * n] for y in range(p.get_height())]
    if channels == 3 and n == 4:
        out = [bytes(b for i, b in enumerate(r) if i % 4 != 3) for r in out]
    return (p.get_width(), p.get_height(), out)


def in_pieces(path, piece):
    loader = GdkPixbuf.PixbufLoader()
    data = open(path, "rb").read()
    try:
        for i in range(0, len(data), piece):
            loader.write(data[i:i + piece])
    finally:
        loader.close()
    return loader.get_pixbuf()


def main():
    build = os.path.abspath(sys.argv[1])
    zavik = os.path.join(build, "bin", "zavik")
    tmp = tempfile.TemporaryDirectory(prefix="zavik-gdk-pixbuf-")
    out = lambda name: os.path.join(tmp.name, name)
    tool = lambda *args: subprocess.run([zavik, *args], capture_output=True).returncode == 0

    # The module's entry in the cache says what linux/zavik-mime.xml says.
    cache = open(os.environ["GDK_PIXBUF_MODULE_FILE"]).read()
    entry = cache[cache.index("libpixbufloader-zavik.so"):].split("\n\n")[0]
    mime = open(os.path.join(ROOT, "linux/zavik-mime.xml"), encoding="utf-8").read()
    check(re.findall(r'"(application/[^"]+)"', entry) == re.findall(r'type="(application/[^"]+)"', mime),
          "the cache's MIME types: " + entry)
    check(set(re.findall(r'^"([^"]+)" " {11}" 100$', entry, re.M)) == set(re.findall(r'value="([^"]+)"', mime)),
          "the cache's signature: " + entry)

    def refused(path, name):
        messages = "\n".join(json.loads(subprocess.run([zavik, "info", "--json", path],
                                                       capture_output=True).stdout)["messages"])
        for how, load in (("whole", GdkPixbuf.Pixbuf.new_from_file), ("in pieces", lambda p: in_pieces(p, 7))):
            try:
                load(path)
                check(False, f"{name} {how}: loaded, while zavik refuses it")
            except GLib.Error as e:
                check(messages and e.domain == "gdk-pixbuf-error-quark" and e.message.endswith(messages),
                      f"{name} {how}: GError {e.message!r}, the viewer says {messages!r}")

    files = sorted(glob.glob(os.path.join(ROOT, "samples", "*")) + glob.glob(os.path.join(ROOT, "tests/regression/*/*")))
    files = [f for f in files if open(f, "rb").read(11) in MAGICS]
    for path in files:
        name = os.path.relpath(path, ROOT)
        if not tool("render", path, out("view.bmp")):
            refused(path, name)
            continue
        pixbuf = GdkPixbuf.Pixbuf.new_from_file(path)
        if pixbuf.get_has_alpha():
            tool("convert", path, out("picture.png"))
            check(rows(pixbuf) == rows(GdkPixbuf.Pixbuf.new_from_file(out("picture.png"))), f"{name}: not as saved")
        else:
            check(rows(pixbuf) == rows(GdkPixbuf.Pixbuf.new_from_file(out("view.bmp")), 3), f"{name}: not as rendered")
        check(rows(in_pieces(path, 1000)) == rows(pixbuf), f"{name}: other pixels in pieces")
        side = max(pixbuf.get_width(), pixbuf.get_height()) // 3
        if side > 0:
            tool("thumbnail", "-s", str(side), path, out("thumbnail.png"))
            check(rows(GdkPixbuf.Pixbuf.new_from_file_at_size(path, side, side), 3) ==
                  rows(GdkPixbuf.Pixbuf.new_from_file(out("thumbnail.png")), 3), f"{name}: at {side}, not the thumbnail")

    # The samples cut short: a picture or the viewer's messages, no crash.
    for sample in (f for f in files if os.sep + "samples" + os.sep in f):
        data = open(sample, "rb").read()
        for length in (11, 12, 40, len(data) // 2, len(data) - 1):
            open(out("cut"), "wb").write(data[:length])
            if tool("render", out("cut"), out("view.bmp")):
                GdkPixbuf.Pixbuf.new_from_file(out("cut"))
            else:
                refused(out("cut"), f"{os.path.basename(sample)} cut at {length}")

    made = subprocess.run(["gdk-pixbuf-thumbnailer", "-s", "128", os.path.join(ROOT, "samples/sunset.cnv"),
                           out("thumbnailer.png")], capture_output=True)
    tool("thumbnail", "-s", "128", os.path.join(ROOT, "samples/sunset.cnv"), out("thumbnail.png"))
    check(made.returncode == 0 and rows(GdkPixbuf.Pixbuf.new_from_file(out("thumbnailer.png")), 3) ==
          rows(GdkPixbuf.Pixbuf.new_from_file(out("thumbnail.png")), 3), f"gdk-pixbuf-thumbnailer: {made.stderr!r}")

    print(f"gdk-pixbuf loader: {len(files)} files, {len(failures)} failures")
    for failure in failures:
        print("FAIL:", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
