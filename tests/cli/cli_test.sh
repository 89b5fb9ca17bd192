#!/usr/bin/env bash
# End-to-end tests of the zavik command-line tool on generated files.
# Usage: cli_test.sh ZAVIK MAKE_SAMPLES
source "$(dirname "${BASH_SOURCE[0]}")/../support/check.sh"
zavik_program=$(realpath "$1")
make_samples=$(realpath "$2")
le32() { od -An -tu4 -j "$2" -N4 "$1" | tr -d ' '; }
hex() { od -An -tx1 | tr -d ' \n'; }
# A value of the JSON on standard input, by a Python expression on it (v).
json_value() { python3 -c 'import json, sys; v = json.loads(sys.stdin.buffer.read()); print('"$1"')'; }

# Every run goes through this, and what a --json run prints is also kept,
# so that at the end each of those lines is checked as strict UTF-8 and JSON.
json_lines=$work/json-lines
: >"$json_lines"
run_zavik() {
    case " $* " in
    *" --json "*)
        local rc
        "$zavik_program" "$@" >"$work/json-run"
        rc=$?
        cat "$work/json-run" >>"$json_lines"
        cat "$work/json-run"
        return $rc
        ;;
    esac
    "$zavik_program" "$@"
}
zavik=run_zavik
# Strict: bytes that are not UTF-8 and NaN or Infinity, which JSON has not.
strict_json_lines() {
    python3 -c '
import json, sys
def refuse(constant):
    raise ValueError(constant)
count = 0
for number, line in enumerate(open(sys.argv[1], "rb").read().splitlines(), 1):
    try:
        value = json.loads(line.decode("utf-8", "strict"), parse_constant=refuse)
        assert isinstance(value, dict), "not an object"
    except Exception as error:
        print("json line %d: %s: %r" % (number, error, line[:120]))
        sys.exit(1)
    count += 1
sys.exit(0 if count else 1)
' "$1"
}

"$make_samples" "$work" || { echo "FAILED: make_samples"; exit 1; }
jpg=$work/landscape.jpg

out=$("$zavik" info "$jpg"); rc=$?
check "info of a JPEG" [ "$rc" = 0 ]
check "info line" [ "$out" = "$jpg: standard-image, 640 x 480, painter －－" ]

out=$("$zavik" info --json "$jpg")
check "json keys" grep -q '^{"path":"'"$jpg"'","kind":"standard-image","width":640,"height":480,"painter":"－－","messages":\[\],' <<<"$out"

printf 'plain text' >"$work/notes.dat"
out=$("$zavik" info --json "$work/notes.dat" 2>"$work/err"); rc=$?
check "unknown content fails" [ "$rc" = 1 ]
check "json messages in order" grep -q '"kind":"none".*"messages":\["ファイルの読み込みに失敗しました。未対応のファイルです。","ファイルの読み込みに失敗しました。"\]' <<<"$out"
check "json mode keeps stderr quiet" [ ! -s "$work/err" ]
"$zavik" info "$work/notes.dat" >/dev/null 2>"$work/err"
check "messages go to stderr as UTF-8" grep -q '^失敗: ファイルの読み込みに失敗しました。未対応のファイルです。$' "$work/err"

out=$("$zavik" info "$jpg" "$work/missing.jpg" "$jpg" 2>/dev/null); rc=$?
check "several files keep going" [ "$(wc -l <<<"$out")" = 3 ]
check "and exit 1 at the end" [ "$rc" = 1 ]

"$zavik" convert "$jpg" "$work/out.bmp"; rc=$?
check "convert to BMP" [ "$rc" = 0 ]
check "BMP size" [ "$(stat -c %s "$work/out.bmp")" = $((54 + 1920 * 480)) ]
check "BMP width" [ "$(le32 "$work/out.bmp" 18)" = 640 ]
check "BMP magic" [ "$(head -c2 "$work/out.bmp")" = BM ]

"$zavik" convert --format jpeg "$jpg" "$work/out.any"; rc=$?
check "convert with --format" [ "$rc" = 0 ]
check "JPEG written" [ "$(head -c3 "$work/out.any" | od -An -tx1 | tr -d ' ')" = ffd8ff ]
check "a JPEG is known by its name" [ "$("$zavik" info "$work/out.any" 2>/dev/null)" = "$work/out.any: not loaded" ]
cp "$work/out.any" "$work/again.jpg"
check "JPEG round trip" [ "$("$zavik" info "$work/again.jpg")" = "$work/again.jpg: standard-image, 640 x 480, painter －－" ]

"$zavik" render --zoom 90 "$jpg" "$work/view.bmp"; rc=$?
check "render" [ "$rc" = 0 ]
check "render width at 90 %" [ "$(le32 "$work/view.bmp" 18)" = 575 ]
check "render height at 90 %" [ "$(le32 "$work/view.bmp" 22)" = 431 ]
"$zavik" render "$jpg" "$work/full.bmp"
cmp -s <(tail -c +55 "$work/full.bmp") <(tail -c +55 "$work/out.bmp")
check "render at 100 % is the picture" [ $? = 0 ]

# The painter and the canvas samples (the canvas names the painter file
# next to it, found from the current folder).
out=$(cd "$work" && "$zavik" info hanako.esi sunset.cnv); rc=$?
check "painter and canvas open" [ "$rc" = 0 ]
check "painter line" grep -qx 'hanako.esi: painter, 100 x 100, painter 花子' <<<"$out"
check "canvas line" grep -qx 'sunset.cnv: canvas, 320 x 240, painter 花子' <<<"$out"
check "painter values" grep -qx '    fillPenName: やわらか丸筆' <<<"$out"
check "canvas values" grep -qx '    maskScale: 50' <<<"$out"
out=$("$zavik" info --json "$work/hanako.esi")
check "painter json" grep -q '"painterRecord":{"name":"花子".*"fillPen":{"shape":1,"shapeAux":0,"hybridShapes":\[-1,-1,-1,-1,-1\]' <<<"$out"
out=$("$zavik" info --json "$work/sunset.cnv")
check "canvas json, painter file missing from here" grep -q '"painter":"hanako.esi".*"canvas":{"subjectPath":"landscape.jpg","painterPath":"hanako.esi"' <<<"$out"
"$zavik" render --zoom 50 "$work/sunset.cnv" "$work/canvas.bmp"
check "canvas render" [ "$(le32 "$work/canvas.bmp" 18)" = 160 ]
"$zavik" convert "$work/hanako.esi" "$work/painter.jpg"
check "painter convert" [ "$("$zavik" info "$work/painter.jpg")" = "$work/painter.jpg: standard-image, 100 x 100, painter －－" ]

out=$("$zavik" info "$work/kirakira.itm")
check "item line" grep -qx "$work/kirakira.itm: pen-item, 50 x 50, painter －－" <<<"$out"
check "item pen names" grep -qx '      ひし形の筆' <<<"$out"
out=$("$zavik" info --json "$work/kirakira.itm")
check "item json" grep -q '"item":{"name":"きらきら筆","penSelector":-2,"penShapes":\[3,5,-1,-1,-1\]' <<<"$out"
check "item explanation" grep -q '"explanation":"種類：ハイブリッド筆\\r\\n\\r\\n幅：6' <<<"$out"
out=$("$zavik" info --json "$work/hanako.esi")
check "painter shape names and diagnosis" grep -q '"fillPenShape":{"name":"丸い筆","hybridOf":\[\]}.*"diagnosis":"　ハイライトタイプの絵師です。\\r\\n　塗りの方が好きで' <<<"$out"
"$zavik" render "$work/kirakira.itm" "$work/item.bmp"
check "item render" [ "$(le32 "$work/item.bmp" 18)" = 50 ]

# Each file's report is the one it gives alone, whatever was opened before
# it: every pair of the samples and of the samples cut short (inside the
# head, and half-way).
names=()
for sample in landscape.jpg hanako.esi sunset.cnv kirakira.itm; do
    head -c 40 "$work/$sample" >"$work/head-${sample}"
    head -c $(($(stat -c %s "$work/$sample") / 2)) "$work/$sample" >"$work/half-${sample}"
    names+=("$sample" "head-$sample" "half-$sample")
done
declare -A alone
for b in "${names[@]}"; do alone[$b]=$(cd "$work" && "$zavik" info --json "$b" 2>/dev/null); done
pairs_differing=0
for a in "${names[@]}"; do
    for b in "${names[@]}"; do
        second=$(cd "$work" && "$zavik" info --json "$a" "$b" 2>/dev/null | sed -n 2p)
        if [ "$second" != "${alone[$b]}" ]; then
            pairs_differing=$((pairs_differing + 1))
            echo "after $a, $b reports: $second"
        fi
    done
done
check "a file after any other reports as alone" [ "$pairs_differing" = 0 ]

# Colour steps.
out=$("$zavik" info --json "$work/hanako.esi")
check "proposed colours" grep -q '"proposedPen":"#[0-9A-F]\{6\}","proposedBackground":"#[0-9A-F]\{6\}"' <<<"$out"
"$zavik" render --separate "$work/hanako.esi" "$work/separated.bmp"
check "separation" [ $? = 0 ]
"$zavik" render "$work/hanako.esi" "$work/painter-plain.bmp"
! cmp -s "$work/separated.bmp" "$work/painter-plain.bmp"
check "the separated view differs" [ $? = 0 ]
"$zavik" render --separate --fill '#00FF00' "$work/hanako.esi" "$work/filled.bmp"
# The top-left pixel (the last row in the file) is the brightest: background.
check "background fill" [ "$(od -An -tx1 -j $((54 + 99 * 300)) -N3 "$work/filled.bmp" | tr -d ' ')" = 00ff00 ]
"$zavik" render --separate --tolerance 300 "$work/hanako.esi" "$work/never.bmp" 2>"$work/err"
check "failed separation exits 1" [ $? = 1 ]
check "and writes nothing" [ ! -e "$work/never.bmp" ]
check "with the viewer's message" grep -q '文字と背景の色の輝度が近すぎて分離できません。' "$work/err"
"$zavik" render --pen 'red' "$work/hanako.esi" "$work/x.bmp" 2>/dev/null
check "bad colour is a usage error" [ $? = 2 ]
# Every #RRGGBB option with colours whose red and blue differ, on a row of
# black, white, black, white: the pen blue (luminance 25) on a red ground
# (76) separates black as ink of luminance 25; either colour read as BGR
# leaves too little luminance between them, or makes black the ground.
python3 -c 'import struct, sys
px = bytes([0, 0, 0, 255, 255, 255] * 2)
sys.stdout.buffer.write(b"BM" + struct.pack("<IHHIIiiHHIIiiII", 54 + 12, 0, 0, 54, 40, 4, 1, 1, 24, 0, 12, 0, 0, 0, 0) + px)' >"$work/ink.bmp"
pixel() { od -An -tx1 -j $((54 + 3 * $2)) -N3 "$1" | tr -d ' '; }
"$zavik" render --separate --pen '#0000FF' --background '#FF0000' "$work/ink.bmp" "$work/ink-rb.bmp"
check "--pen and --background are #RRGGBB" [ "$(pixel "$work/ink-rb.bmp" 0)" = 191919 ]
"$zavik" render --separate --pen-color '#C08040' --fill '#4080C0' "$work/ink.bmp" "$work/ink-colours.bmp"
check "--pen-color and --fill are #RRGGBB" [ "$(pixel "$work/ink-colours.bmp" 0)$(pixel "$work/ink-colours.bmp" 1)" = 4080c0c08040 ]

# PNG and BMP through the save writers, reopened by content.
"$zavik" convert "$jpg" "$work/out.png"
check "convert to PNG" [ "$("$zavik" info "$work/out.png")" = "$work/out.png: standard-image, 640 x 480, painter －－" ]
cp "$work/out.png" "$work/png-named.jpg"
check "a PNG named .jpg opens as PNG" [ "$("$zavik" info "$work/png-named.jpg")" = "$work/png-named.jpg: standard-image, 640 x 480, painter －－" ]
check "BMP reopens" [ "$("$zavik" info "$work/out.bmp")" = "$work/out.bmp: standard-image, 640 x 480, painter －－" ]
"$zavik" convert --separate "$work/hanako.esi" "$work/alpha.png"
check "separated PNG has alpha" [ "$(od -An -tu1 -j 25 -N1 "$work/alpha.png" | tr -d ' ')" = 6 ]
"$zavik" render --zoom 50 "$work/hanako.esi" "$work/half.png"
check "render to PNG" [ "$("$zavik" info "$work/half.png")" = "$work/half.png: standard-image, 50 x 50, painter －－" ]
"$zavik" convert "$jpg" "$work/bare" 2>/dev/null
check "a name without a known extension is a usage error" [ $? = 2 ]
"$zavik" convert --format png "$jpg" "$work/bare"
check "a bare name gets the format's extension" [ -e "$work/bare.png" ]
"$zavik" render --help | grep -q -- '--separate .*背景透過'
check "help texts are UTF-8" [ $? = 0 ]

"$zavik" render --zoom 55 "$jpg" "$work/x.bmp" 2>/dev/null
check "bad zoom is a usage error" [ $? = 2 ]
# Both ends of each number's range, and one beyond each.
for run in "-s 0 2" "-s 1 0" "-s 16384 0" "-s 16385 2" "-j 0 2" "-j 1 0" "-j 256 0" "-j 257 2"; do
    read -r option value status <<<"$run"
    rm -rf "$work/range" && mkdir "$work/range"
    if [ "$option" = -s ]; then
        "$zavik" thumbnail -s "$value" "$jpg" "$work/range/t.png" 2>/dev/null
    else
        "$zavik" convert -d "$work/range" -j "$value" --quiet "$jpg" 2>/dev/null
    fi
    check "$option $value exits $status" [ $? = "$status" ]
done
"$zavik" convert "$jpg" "$work/x.gif" 2>/dev/null
check "unknown output format is a usage error" [ $? = 2 ]
"$zavik" convert "$work/missing.jpg" "$work/x.bmp" 2>/dev/null
check "missing input exits 1" [ $? = 1 ]
check "and writes nothing" [ ! -e "$work/x.bmp" ]
"$zavik" convert "$jpg" "$work/no/such/dir/x.bmp" 2>/dev/null
check "unwritable output exits 1" [ $? = 1 ]
"$zavik" frobnicate 2>/dev/null
check "unknown command" [ $? = 2 ]
"$zavik" info --help | grep -q -- '--json'
check "command help" [ $? = 0 ]
"$zavik" info 2>/dev/null
check "no file is a usage error" [ $? = 2 ]

# Honest results: a read that decoded no picture, an output whose name says
# another format, an output that is a folder.
head -c 300 "$work/sunset.cnv" >"$work/headonly.cnv"
"$zavik" convert "$work/headonly.cnv" "$work/headonly.bmp" 2>"$work/err"
check "a canvas without a picture does not convert" [ $? = 1 ] && [ ! -e "$work/headonly.bmp" ]
check "and says so" grep -q 'headonly.cnv: no picture was decoded' "$work/err"
out=$("$zavik" info --json "$work/headonly.cnv" 2>"$work/err"); rc=$?
check "info reports it, exit 1" [ "$rc" = 1 ] && grep -q '"kind":"canvas","width":0,"height":0' <<<"$out"
"$zavik" convert --format jpeg "$jpg" "$work/named.png" 2>"$work/err"
check "--format against the name's format is a usage error" [ $? = 2 ] && [ ! -e "$work/named.png" ]
check "naming both" grep -q -- '--format jpeg and the name .*named.png (png) disagree' "$work/err"
mkdir -p "$work/folder.png"
for command in convert render thumbnail; do
    "$zavik" "$command" "$jpg" "$work/folder.png" 2>"$work/err"
    check "$command to a folder fails" [ $? = 1 ] && grep -q 'folder.png: is a folder' "$work/err"
done

# File names as the file system spells them. A name in code page 932 (表 is
# 0x95 0x5C) is not UTF-8: the JSON stays UTF-8 and gives the bytes in hex.
sjis=$work/$'\x95\x5c'.jpg
cp "$jpg" "$sjis"
out=$("$zavik" info --json "$sjis"); rc=$?
check "a name in code page 932 opens" [ "$rc" = 0 ]
check "and reports its picture" grep -q '"kind":"standard-image","width":640' <<<"$out"
check "its JSON path shows the byte as U+FFFD" grep -qF '"path":"'"$work"'/�\\.jpg","pathBytes":"' <<<"$out"
check "and its bytes give the name back" [ "$(json_value 'v["pathBytes"]' <<<"$out")" = "$(printf %s "$sjis" | hex)" ]
check "the plain line keeps the name's bytes" [ "$("$zavik" info "$sjis")" = "$sjis: standard-image, 640 x 480, painter －－" ]
missing=$work/$'\x95\x5c'missing.jpg
out=$("$zavik" info --json "$missing")
check "a message naming it gives its bytes too" \
    [ "$(json_value 'v["messagesBytes"]' <<<"$out")" = "[None, '$(printf %s "$missing" | hex)']" ]

# A message that names a UTF-8 file shows the name as it is, not converted
# from code page 932 with the message's text.
"$zavik" info "$work/存在しない.jpg" >/dev/null 2>"$work/err"
check "a missing file's message names it" \
    [ "$(hex <"$work/err")" = "$(printf 'Read_ESI_CNV: ファイル生成に失敗しました。\ntest: %s\n' "$work/存在しない.jpg" | hex)" ]
out=$("$zavik" info --json "$work/存在しない.jpg")
check "and so does its JSON" grep -qF '"messages":["ファイル生成に失敗しました。","'"$work"'/存在しない.jpg"]' <<<"$out"

# An output that is the input itself, under any name (the same path, another
# spelling, a hard link, a symbolic link to it), is refused and nothing is
# written: the input would be lost to its own picture.
mkdir "$work/self"
cp "$work/sunset.cnv" "$work/self/s.cnv"
cp "$jpg" "$work/self/l.jpg"
"$zavik" convert "$jpg" "$work/self/v.bmp"
ln "$work/self/s.cnv" "$work/self/hard.cnv"
ln -s s.cnv "$work/self/soft.png"
(cd "$work/self" && md5sum s.cnv l.jpg v.bmp) >"$work/self-before"
while read -r command input output; do
    command=${command//_/ }
    (cd "$work/self" && "$zavik_program" $command "$input" "$output") 2>"$work/err"
    rc=$?
    check "$command $input $output: refused" [ "$rc" = 1 ]
    check "$command $input $output: naming both" grep -qF "zavik: $output: is the input $input itself" "$work/err"
done <<'CASES'
convert_--format_png s.cnv s.cnv
convert_--format_png s.cnv ../self/s.cnv
convert_--format_png s.cnv hard.cnv
convert_--format_png s.cnv soft.png
thumbnail l.jpg ./l.jpg
render v.bmp v.bmp
CASES
(cd "$work/self" && md5sum s.cnv l.jpg v.bmp) >"$work/self-after"
check "no input changed" cmp -s "$work/self-before" "$work/self-after"
check "and nothing else written" [ "$(ls -A "$work/self" | tr '\n' ' ')" = "hard.cnv l.jpg s.cnv soft.png v.bmp " ]

# A zoom that leaves a side of 0 pixels (1 pixel wide at 10 %) shows nothing
# in the window; render says so instead of failing to write.
python3 -c '
import struct, sys
rows = 5
sys.stdout.buffer.write(b"BM" + struct.pack("<IHHI", 54 + 4 * rows, 0, 0, 54) +
                        struct.pack("<IiiHHIIiiII", 40, 1, rows, 1, 24, 0, 4 * rows, 0, 0, 0, 0) + b"\x10\x20\x30\x00" * rows)
' >"$work/thin.bmp"
"$zavik" render --zoom 10 "$work/thin.bmp" "$work/thin-view.bmp" 2>"$work/err"
check "a view 0 pixels wide is not written" [ $? = 1 ] && [ ! -e "$work/thin-view.bmp" ]
check "and says why" grep -qF "thin.bmp: at 10 % the 1 x 5 picture is shown 0 x 0 pixels" "$work/err"
"$zavik" render --zoom 100 "$work/thin.bmp" "$work/thin-view.bmp"
check "at 100 % it is written" [ $? = 0 ] && [ "$(le32 "$work/thin-view.bmp" 18)" = 1 ]

# A name with control characters reaches a terminal quoted (as ls
# --quoting-style=shell-escape shows it), never raw; off a terminal, and in
# the JSON, the name keeps its bytes.
on_terminal() {   # COMMAND...: runs it with standard output and error on a terminal; prints what it showed
    python3 - "$@" <<'PY'
import os, pty, subprocess, sys
master, slave = pty.openpty()
p = subprocess.Popen(sys.argv[1:], stdin=subprocess.DEVNULL, stdout=slave, stderr=slave)
os.close(slave)
shown = b""
while True:
    try:
        part = os.read(master, 65536)
    except OSError:   # the terminal is gone once the program ended
        break
    if not part:
        break
    shown += part
p.wait()
sys.stdout.buffer.write(shown.replace(b"\r\n", b"\n"))
PY
}
mkdir "$work/names"
hostile=$work/names/$'a\033]0;x\ab\033[2J.cnv'
printf 'not a picture' >"$hostile"
quoted=$(LC_ALL=C.UTF-8 ls -d --quoting-style=shell-escape -- "$hostile")
quoted_name=$(cd "$work/names" && LC_ALL=C.UTF-8 ls --quoting-style=shell-escape -- *.cnv)
c1=$work/names/$'\xc2\x9b'.cnv   # a C1 control (CSI) in UTF-8, a missing file
on_terminal "$zavik_program" convert -d "$work/names/out" "$hostile" "$c1" >"$work/shown"
on_terminal "$zavik_program" info "$hostile" >>"$work/shown"
# The progress line's own "\r ESC [K" aside, no control character of the names is left.
check "a hostile name reaches no terminal raw" \
    [ -z "$(sed 's/\r\x1b\[K//g' "$work/shown" | tr -d '\n' | LC_ALL=C grep -aP '[\x00-\x1f\x7f]|\xc2[\x80-\x9f]')" ]
check "the messages quote it as ls does" grep -qaF "zavik: $quoted: not converted" "$work/shown"
check "the progress line too" grep -qaF "] $quoted_name" "$work/shown"
check "and info's line" grep -qaF "$quoted: not loaded" "$work/shown"
check "a C1 control is quoted" grep -qaF "/names/'\$'\\302\\233''.cnv'" "$work/shown"
"$zavik" convert -d "$work/names/out" "$hostile" 2>"$work/err"
check "off a terminal the name keeps its bytes" grep -qaF "zavik: $hostile: not converted" "$work/err"
check "and in the JSON" [ "$(on_terminal "$zavik_program" info --json "$hostile" | json_value 'v["path"]')" = "$hostile" ]

check "every --json line is strict UTF-8 JSON" strict_json_lines "$json_lines"

finish
