#!/usr/bin/env bash
# Debian's image viewer (eog) opens a canvas through the GdkPixbuf loader,
# with the build's loaders cache and a MIME database holding the MIME
# package (GDK_PIXBUF_MODULE_FILE and XDG_DATA_DIRS, set by ctest), on the
# private X server this runs on (scripts/xvfb-session). The screenshot is
# kept as SCREENSHOT, and the picture must stand in it pixel for pixel as
# `zavik render` draws it.
# Usage: eog_test.sh REPO BUILD-DIR SCREENSHOT
source "$(dirname "${BASH_SOURCE[0]}")/../support/check.sh"
repo=$(realpath "$1")
build=$(realpath "$2")
shot=$3
mkdir -p "$(dirname "$shot")"
rm -f "$shot"

mkdir -p "$work/home" "$work/config" "$work/cache"
cp "$repo/samples/sunset.cnv" "$repo/samples/hanako.esi" "$work/"

XDG_DATA_HOME=$work/home XDG_CONFIG_HOME=$work/config \
XDG_CACHE_HOME=$work/cache GSETTINGS_BACKEND=memory NO_AT_BRIDGE=1 \
    dbus-run-session -- eog --new-instance "$work/sunset.cnv" >"$work/eog.log" 2>&1 &
eog=$!
shown() { xwininfo -root -tree 2>/dev/null | grep -q '"sunset.cnv'; }
for _ in $(seq 1 150); do
    shown && break
    sleep 0.2
done
check "eog shows a window titled with the canvas's name" shown
sleep 2   # the picture is drawn after the window maps
import -window root "$shot"
kill "$eog" 2>/dev/null
wait "$eog" 2>/dev/null

"$build/bin/zavik" render "$repo/samples/sunset.cnv" "$work/sunset.bmp"
# find SHOT PICTURE: the picture's every row in the screenshot, at one place.
find_picture() {
    /usr/bin/python3 - "$@" <<'PY'
import sys
import gi
gi.require_version("GdkPixbuf", "2.0")
from gi.repository import GdkPixbuf

def rows(path):
    p = GdkPixbuf.Pixbuf.new_from_file(path)
    n, stride, data = p.get_n_channels(), p.get_rowstride(), p.get_pixels()
    return p.get_width(), [b"".join(data[y * stride + x * n:y * stride + x * n + 3] for x in range(p.get_width()))
                           for y in range(p.get_height())]

_, shot = rows(sys.argv[1])
width, picture = rows(sys.argv[2])
for y, row in enumerate(shot[:len(shot) - len(picture) + 1]):
    x = row.find(picture[0])
    while x >= 0:
        if x % 3 == 0 and all(shot[y + i][x:x + 3 * width] == r for i, r in enumerate(picture)):
            print(f"at {x // 3},{y}")
            sys.exit(0)
        x = row.find(picture[0], x + 1)
sys.exit(1)
PY
}
check "the screenshot holds the canvas as zavik render draws it" find_picture "$shot" "$work/sunset.bmp"
[ "$failed" = 0 ] || cat "$work/eog.log"
finish
