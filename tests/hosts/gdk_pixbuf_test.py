#!/usr/bin/env python3
"""The GdkPixbuf loader as GdkPixbuf itself uses it (python3-gi), through a
loaders cache made by gdk-pixbuf-query-loaders over Debian's loaders and the
build's: every sample and regression input of the three file kinds loads
with the pixels of `zavik render` at 100 % (a picture with transparency
with those of `zavik convert` to PNG), whole and fed in small pieces; a
file the viewer refuses, cut or hostile, gives a GError with the viewer's
message; new_from_file_at_size and gdk-pixbuf-thumbnailer give the
library's thumbnail.

    gdk_pixbuf_test.py BUILD_DIR
"""
import glob
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
MAGICS = (b"esi file 0a", b"esi file 0f", b"cnv file 0a", b"itm file 0f")
MIME_TYPES = ["application/x-zavik-painter", "application/x-zavik-canvas", "application/x-zavik-item"]


def our_files():
    files = sorted(glob.glob(os.path.join(ROOT, "samples", "*")))
    files += sorted(glob.glob(os.path.join(ROOT, "tests/regression/*/*")))
    return [f for f in files if os.path.isfile(f) and open(f, "rb").read(11) in MAGICS]


class Checks:
    def __init__(self):
        self.failures = []
        self.count = 0

    def check(self, ok, what):
        self.count += 1
        if not ok:
            self.failures.append(what)
        return ok


def main():
    build = os.path.abspath(sys.argv[1])
    zavik = os.path.join(build, "bin", "zavik")
    work = tempfile.mkdtemp(prefix="zavik-gdk-pixbuf-")
    try:
        return run(build, zavik, work)
    finally:
        shutil.rmtree(work)


def run(build, zavik, work):
    # GdkPixbuf goes by the MIME type the shared MIME database gives the
    # content: the build's loaders cache and a database holding the MIME
    # package (ctest sets both; tests/hosts/CMakeLists.txt makes them).
    os.environ.setdefault("GDK_PIXBUF_MODULE_FILE", os.path.join(build, "gdk-pixbuf-loaders", "loaders.cache"))
    os.environ.setdefault("XDG_DATA_DIRS", os.path.join(build, "test-share") + ":/usr/share")
    cache_text = open(os.environ["GDK_PIXBUF_MODULE_FILE"]).read()
    module = os.path.join(build, "gdk-pixbuf-loaders", "libpixbufloader-zavik.so")
    import gi
    gi.require_version("GdkPixbuf", "2.0")
    from gi.repository import GdkPixbuf, GLib

    t = Checks()

    # The module's entry in the cache says what linux/zavik-mime.xml says.
    entry = cache_text[cache_text.index('"' + module + '"'):].split("\n\n")[0]
    mime = open(os.path.join(ROOT, "linux/zavik-mime.xml"), encoding="utf-8").read()
    t.check(re.findall(r'"(application/[^"]+)"', entry) == MIME_TYPES, "the cache's MIME types: " + entry)
    magics = set(re.findall(r'value="([^"]+)"', mime))
    patterns = set(re.findall(r'^"([^"]+)" " {11}" 100$', entry, re.M))
    t.check(patterns == magics, f"signature {patterns} against the MIME package's magic {magics}")
    ours = [f for f in GdkPixbuf.Pixbuf.get_formats() if f.get_name() == "zavik"]
    if t.check(len(ours) == 1, "GdkPixbuf lists the zavik format"):
        f = ours[0]
        t.check(sorted(f.get_extensions()) == ["cnv", "esi", "itm"], f"extensions {f.get_extensions()}")
        t.check(f.get_mime_types() == MIME_TYPES and not f.is_writable() and f.get_description(),
                "format info")

    def pixbuf_rows(p):
        n = p.get_n_channels()
        data, stride = p.get_pixels(), p.get_rowstride()
        return [data[y * stride:y * stride + p.get_width() * n] for y in range(p.get_height())]

    def rgb_rows(p):
        rows = pixbuf_rows(p)
        if p.get_n_channels() == 3:
            return rows
        return [bytes(b for i, b in enumerate(r) if i % 4 != 3) for r in rows]

    def same(a, b):
        return (a.get_width(), a.get_height(), a.get_has_alpha()) == (b.get_width(), b.get_height(),
                                                                      b.get_has_alpha()) and \
            pixbuf_rows(a) == pixbuf_rows(b)

    def viewer_messages(path):
        info = subprocess.run([zavik, "info", "--json", path], capture_output=True)
        return "\n".join(json.loads(info.stdout)["messages"])

    def expect_refused(path, name, load):
        try:
            load()
        except GLib.Error as e:
            messages = viewer_messages(path)
            t.check(e.domain == "gdk-pixbuf-error-quark" and messages and e.message.endswith(messages),
                    f"{name}: GError {e.domain} {e.message!r}, the viewer says {messages!r}")
            return
        t.check(False, f"{name}: loaded, while zavik refuses it")

    def load_in_pieces(path, piece, size=None):
        loader = GdkPixbuf.PixbufLoader()
        if size:
            loader.connect("size-prepared", lambda l, w, h: l.set_size(*size))
        data = open(path, "rb").read()
        try:
            for i in range(0, len(data), piece):
                loader.write(data[i:i + piece])
        finally:
            loader.close()
        return loader.get_pixbuf()

    files = our_files()
    render = os.path.join(work, "render.bmp")
    for path in files:
        name = os.path.relpath(path, ROOT)
        if subprocess.run([zavik, "render", path, render], capture_output=True).returncode != 0:
            expect_refused(path, name, lambda: GdkPixbuf.Pixbuf.new_from_file(path))
            expect_refused(path, name + " in pieces", lambda: load_in_pieces(path, 7))
            continue
        pixbuf = GdkPixbuf.Pixbuf.new_from_file(path)
        view = GdkPixbuf.Pixbuf.new_from_file(render)
        fmt, width, height = GdkPixbuf.Pixbuf.get_file_info(path)
        t.check(fmt is not None and fmt.get_name() == "zavik" and (width, height) == (view.get_width(),
                                                                                      view.get_height()),
                f"{name}: file info {fmt and fmt.get_name()} {width} x {height}")
        if pixbuf.get_has_alpha():
            png = os.path.join(work, "picture.png")
            subprocess.run([zavik, "convert", path, png], check=True)
            t.check(same(pixbuf, GdkPixbuf.Pixbuf.new_from_file(png)), f"{name}: not the pixels zavik saves")
            opaque = all(r[3::4] == b"\xff" * pixbuf.get_width() for r in pixbuf_rows(pixbuf))
            t.check(not opaque, f"{name}: alpha channel but opaque")
        else:
            t.check(rgb_rows(pixbuf) == rgb_rows(view) and pixbuf.get_width() == view.get_width(),
                    f"{name}: not the pixels of zavik render")
        t.check(same(pixbuf, load_in_pieces(path, 1000)), f"{name}: in pieces, other pixels")

        # A smaller size is the library's thumbnail, with its pixels.
        side = max(pixbuf.get_width(), pixbuf.get_height()) // 3
        if side >= 1:
            thumb = os.path.join(work, "thumb.png")
            subprocess.run([zavik, "thumbnail", "-s", str(side), path, thumb], check=True)
            expected = GdkPixbuf.Pixbuf.new_from_file(thumb)
            small = GdkPixbuf.Pixbuf.new_from_file_at_size(path, side, side)
            t.check((small.get_width(), small.get_height()) == (expected.get_width(), expected.get_height()),
                    f"{name}: at {side}: {small.get_width()} x {small.get_height()}, "
                    f"thumbnail {expected.get_width()} x {expected.get_height()}")
            t.check(rgb_rows(small) == rgb_rows(expected), f"{name}: at {side}: not the thumbnail's pixels")

    # Cut files: a GError or a picture, never a crash; where the viewer
    # refuses one, its message.
    for sample in sorted(glob.glob(os.path.join(ROOT, "samples", "*"))):
        data = open(sample, "rb").read()
        if data[:11] not in MAGICS:
            continue
        for length in (11, 12, 40, len(data) // 2, len(data) - 1):
            cut = os.path.join(work, "cut")
            open(cut, "wb").write(data[:length])
            name = f"{os.path.basename(sample)} cut at {length}"
            if subprocess.run([zavik, "render", cut, render], capture_output=True).returncode != 0:
                expect_refused(cut, name, lambda: GdkPixbuf.Pixbuf.new_from_file(cut))
            else:
                GdkPixbuf.Pixbuf.new_from_file(cut)

    # gdk-pixbuf-thumbnailer makes the thumbnail through the loader.
    sunset = os.path.join(ROOT, "samples", "sunset.cnv")
    out = os.path.join(work, "thumbnailer.png")
    made = subprocess.run(["gdk-pixbuf-thumbnailer", "-s", "128", sunset, out], capture_output=True)
    if t.check(made.returncode == 0 and os.path.exists(out), f"gdk-pixbuf-thumbnailer: {made.stderr[:300]!r}"):
        thumbnail = GdkPixbuf.Pixbuf.new_from_file(out)
        t.check((thumbnail.get_width(), thumbnail.get_height()) == (128, 96),
                f"gdk-pixbuf-thumbnailer made {thumbnail.get_width()} x {thumbnail.get_height()}")

    print(f"gdk-pixbuf loader: {len(files)} files, {t.count} checks, {len(t.failures)} failures")
    for failure in t.failures:
        print("FAIL:", failure)
    return 1 if t.failures else 0


if __name__ == "__main__":
    sys.exit(main())
