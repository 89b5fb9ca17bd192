#!/usr/bin/env bash
# What a Linux user installs: `cmake --install` and the Debian package made
# by cpack. The file kinds are typed by content once the MIME package is in a
# MIME database; the packaged zavik runs from the unpacked package, which
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
