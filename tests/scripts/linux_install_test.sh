#!/usr/bin/env bash
# What a Linux user installs: `cmake --install` and the Debian packages made
# by cpack (zavik, libzavik0, libzavik-dev, zavik-gdk-pixbuf-loader,
# qt6-image-formats-plugin-zavik). The file kinds are typed by content once
# the MIME package is in a MIME database; the packaged zavik runs from the unpacked package, which
# lintian passes and whose copyright file parses as DEP-5.
# Usage: linux_install_test.sh REPO BUILD-DIR
source "$(dirname "${BASH_SOURCE[0]}")/../support/check.sh"
repo=$(realpath "$1")
build=$(realpath "$2")

prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
for f in bin/zavik share/mime/packages/zavik.xml share/thumbnailers/zavik.thumbnailer share/man/man1/zavik.1.gz \
         share/bash-completion/completions/zavik share/doc/zavik/copyright share/doc/zavik/changelog.gz; do
    check "installs $f" [ -f "$prefix/$f" ]
done
check "the installed zavik runs" grep -q '^zavik 5' <<<"$("$prefix/bin/zavik" --version)"
man_page=$prefix/share/man/man1/zavik.1.gz
check "the manual page has no formatting faults" [ -z "$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$man_page" 2>&1 >/dev/null)" ]
# gzip -9n: no name flag, no time, the best compression's flag.
for gz in "$man_page" "$prefix/share/doc/zavik/changelog.gz"; do
    check "${gz#"$prefix/"} is made by gzip -9n" [ "$(od -An -tx1 -N9 "$gz" | tr -d ' ')" = 1f8b08000000000002 ]
done
check "the completion script parses" bash -n "$prefix/share/bash-completion/completions/zavik"

# Typed by content under a wrong, an unknown or no extension. xdg-mime (with
# File::MimeInfo) ranks magic of priority 80 and more above names; GLib, as
# the MIME rules allow, takes a name that matches one known type without
# looking inside, so it is asked only about names that say nothing.
update-mime-database "$prefix/share/mime" 2>/dev/null
in_db() { XDG_DATA_HOME=$work/home XDG_DATA_DIRS=$prefix/share:/usr/share "$@" 2>/dev/null; }
gio_type() { in_db gio info -a standard::content-type "$1" | sed -n 's/^ *standard::content-type: //p'; }
for kind in painter:hanako.esi:renamed.cnv canvas:sunset.cnv:renamed.esi item:kirakira.itm:renamed.png; do
    IFS=: read -r name sample wrong <<<"$kind"
    type=application/x-zavik-$name
    for file in "$sample" "$wrong" renamed.jpg renamed.dat renamed; do
        cp "$repo/samples/$sample" "$work/$file"
        check "$sample as '$file' is $type (xdg-mime)" [ "$(in_db xdg-mime query filetype "$work/$file")" = "$type" ]
        case $file in
            "$sample"|*.dat|renamed) check "$sample as '$file' is $type (gio)" [ "$(gio_type "$work/$file")" = "$type" ] ;;
        esac
        rm -f "$work/$file"
    done
done
printf 'not a painter' >"$work/notes.esi"
check "an .esi file of other content is a painter file by name" [ "$(gio_type "$work/notes.esi")" = application/x-zavik-painter ]
check "Japanese comment" grep -q '<comment xml:lang="ja">キャンバスファイル</comment>' \
    "$prefix/share/mime/application/x-zavik-canvas.xml"

# The Debian package: its dependencies, and its zavik run from the unpacked tree.
(cd "$build" && cpack -G DEB -B "$work/deb" >/dev/null) || { echo "FAILED: cpack"; exit 1; }
deb=$(ls "$work"/deb/zavik_*.deb)
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libjpeg62-turbo libpng16-16 libc6 libstdc++6; do
    check "package depends on $lib" grep -q "$lib" <<<"$depends"
done
check "package recommends shared-mime-info" [ "$(dpkg-deb -f "$deb" Recommends)" = shared-mime-info ]
dpkg-deb -x "$deb" "$work/unpacked"
out=$("$work/unpacked/usr/bin/zavik" info "$repo/samples/sunset.cnv")
check "the packaged zavik reads a canvas" grep -q 'canvas, 320 x 240' <<<"$out"
check "package holds the MIME package" [ -f "$work/unpacked/usr/share/mime/packages/zavik.xml" ]
check "package holds the thumbnailer" [ -f "$work/unpacked/usr/share/thumbnailers/zavik.thumbnailer" ]
# The README lists the informational tags that remain.
lintian_clean() { local out; out=$(lintian --fail-on error,warning "$1" 2>&1) || { echo "$out"; return 1; }; }
check "lintian reports no error and no warning" lintian_clean "$deb"

# The library's packages beside it, made by the same cpack run: installed
# with it by dpkg into a root of the test's own, whose database holds the
# host's packages the three depend on (so dpkg checks every Depends); a C
# program built against them through their pkg-config file; then removed.
arch=$(dpkg --print-architecture)
lib=$work/deb/libzavik0_$(dpkg-deb -f "$deb" Version)_$arch.deb
dev=${lib/libzavik0_/libzavik-dev_}
field() { [ "$(dpkg-deb -f "$1" "$2")" = "$3" ]; }
check "libzavik0 is in libs" field "$lib" Section libs
check "libzavik-dev is in libdevel" field "$dev" Section libdevel
check "libzavik0 is Multi-Arch: same" field "$lib" Multi-Arch same
check "libzavik-dev is Multi-Arch: same" field "$dev" Multi-Arch same
check "libzavik-dev depends on this very libzavik0" field "$dev" Depends "libzavik0 (= $(dpkg-deb -f "$lib" Version))"
check "libzavik0 gives libzavik.so.0 to programs linked with it" \
    [ "$(dpkg-deb -I "$lib" shlibs)" = "libzavik 0 libzavik0 (>= $(dpkg-deb -f "$lib" Version))" ]
# Debian wants the loader's cache brought up to date by libc-bin's trigger.
ldconfig_by_trigger() {
    [ "$(dpkg-deb -I "$1" triggers)" = "activate-noawait ldconfig" ] &&
        ! dpkg-deb -I "$1" postinst >/dev/null 2>&1 && ! dpkg-deb -I "$1" postrm >/dev/null 2>&1
}
check "libzavik0 triggers ldconfig and has no script calling it" ldconfig_by_trigger "$lib"
check "lintian reports no error and no warning on libzavik0" lintian_clean "$lib"
check "lintian reports no error and no warning on libzavik-dev" lintian_clean "$dev"

# The image libraries' plug-ins, each on libzavik0 of this version, in the
# folders the libraries load them from; the loader's in the folder on which
# Debian's gdk-pixbuf holds its trigger, which remakes the loaders cache.
loader=${lib/libzavik0_/zavik-gdk-pixbuf-loader_}
qt=${lib/libzavik0_/qt6-image-formats-plugin-zavik_}
for p in "$loader" "$qt"; do
    name=$(dpkg-deb -f "$p" Package)
    check "$name depends on this very libzavik0" grep -q "libzavik0 (= $(dpkg-deb -f "$lib" Version))" <<<"$(dpkg-deb -f "$p" Depends)"
    check "lintian reports no error and no warning on $name" lintian_clean "$p"
done
check "the loader needs the zavik package's MIME types" grep -q "zavik (= " <<<"$(dpkg-deb -f "$loader" Depends)"
moduledir=$(pkg-config --variable=gdk_pixbuf_moduledir gdk-pixbuf-2.0)
check "the loader is in gdk-pixbuf's loaders folder" \
    grep -qx "\.$moduledir/libpixbufloader-zavik\.so" <<<"$(dpkg-deb -c "$loader" | awk '{print $6}')"
check "gdk-pixbuf's trigger watches that folder" \
    grep -qx "interest-noawait $moduledir" /var/lib/dpkg/info/libgdk-pixbuf-2.0-0:"$arch".triggers
check "the Qt plug-in is in Qt's imageformats folder" \
    grep -qx "\.$(qtpaths6 --query QT_INSTALL_PLUGINS)/imageformats/libqzavik\.so" <<<"$(dpkg-deb -c "$qt" | awk '{print $6}')"

root=$work/root
admin=$root/var/lib/dpkg
mkdir -p "$admin/info" "$admin/updates"
touch "$admin/available"
needed=$(for p in "$deb" "$lib" "$dev" "$loader" "$qt"; do dpkg-deb -f "$p" Depends | tr , '\n'; done |
         sed -E 's/^ *//; s/[ (].*//' | grep -vxE 'libzavik.*|zavik' | sort -u | sed "s/$/:$arch/")
# shellcheck disable=SC2086
dpkg-query -s $needed >"$admin/status"
for p in $needed; do touch "$admin/info/$p.list"; done
in_root() { PATH=$PATH:/usr/sbin:/sbin dpkg --root="$root" --force-not-root "$@" >"$work/dpkg.log" 2>&1 || { cat "$work/dpkg.log"; return 1; }; }
check "dpkg installs the five packages" in_root -i "$deb" "$lib" "$dev" "$loader" "$qt"
# "Open with" offers eog for the three kinds, by the loader's desktop entry
# (in the MIME index desktop-file-utils' trigger keeps).
entry=$root/usr/share/applications/zavik-eog.desktop
check "the desktop entry is valid" desktop-file-validate "$entry"
update-desktop-database "$root/usr/share/applications"
for kind in painter canvas item; do
    check "eog is offered for $kind files" grep -q zavik-eog.desktop \
        <<<"$(XDG_DATA_DIRS=$root/usr/share XDG_DATA_HOME=$work/home gio mime application/x-zavik-$kind 2>/dev/null)"
done
rm "$root/usr/share/applications/mimeinfo.cache"
check "libzavik0 is in the loader's multiarch folder" [ -f "$root/usr/lib/$(gcc -print-multiarch)/libzavik.so.0" ]
cat >"$work/size.c" <<'C'
#include <stdio.h>
#include <zavik/zavik.h>
int main(int argc, char **argv)
{
    zavik_file *file = NULL;
    zavik_status status = zavik_open_path(argv[argc - 1], &file);
    if (status != ZAVIK_OK) {
        printf("%s\n", zavik_status_text(status));
        return 1;
    }
    printf("%d x %d\n", zavik_width(file), zavik_height(file));
    zavik_close(file);
    return 0;
}
C
pc_dir=$(dirname "$(find "$root" -name zavik.pc)")
# shellcheck disable=SC2046
check "a C program builds against the installed library" \
    cc -Wall -Werror "$work/size.c" -o "$work/size" $(PKG_CONFIG_PATH=$pc_dir pkg-config --cflags --libs zavik)
check "it prints a JPEG's size" [ "$(LD_LIBRARY_PATH=$pc_dir/.. "$work/size" "$repo/samples/landscape.jpg")" = "640 x 480" ]
check "dpkg removes the five packages" in_root --purge zavik-gdk-pixbuf-loader qt6-image-formats-plugin-zavik \
    libzavik-dev libzavik0 zavik
check "nothing of them is left" [ -z "$(find "$root" -path "$admin" -prune -o ! -type d -print)" ]

# dep5 FILE: FILE parses as a machine-readable copyright file whose every
# Files paragraph has its licence's text; prints the licence of Files: *.
dep5() {
    /usr/bin/python3 - "$1" <<'PY'
import sys
from debian.copyright import Copyright
c = Copyright(open(sys.argv[1], encoding="utf-8"), strict=True)
texts = {p.license.synopsis: p.license.text for p in c.all_license_paragraphs()}
for p in c.all_files_paragraphs():
    if not (p.license.text or texts.get(p.license.synopsis)):
        sys.exit(f"no text for the licence {p.license.synopsis}")
p = c.find_files_paragraph("zavik")
if p:
    print(p.license.synopsis)
    print(p.license.text)
PY
}
dep5_parses() { dep5 "$1" >/dev/null; }
check "the package's copyright file is DEP-5" dep5_parses "$work/unpacked/usr/share/doc/zavik/copyright"
# A licence the project states (LICENSES/ID.txt) is named and quoted, blank
# lines and all; the configured copyright file is enough to see it.
mkdir "$work/licence"
printf 'First paragraph.\n\n  Indented, after a blank line.\n \nLast.\n' >"$work/licence/0BSD.txt"
cmake -S "$repo" -B "$work/licensed" -DZAVIK_TESTS=OFF -DZAVIK_LICENSE_DIR="$work/licence" >/dev/null
check "a stated licence is named and quoted in the copyright file" \
    [ "$(dep5 "$work/licensed/package-docs/copyright")" = "$(printf '0BSD\nFirst paragraph.\n\n  Indented, after a blank line.\n\nLast.')" ]

finish
