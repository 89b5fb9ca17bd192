#!/usr/bin/env bash
# Collections on the Linux desktop: thumbnails as the desktop's thumbnailer
# entry asks for them, and conversion of many files into a folder.
# Usage: collection_test.sh ZAVIK REPO FAULT_INJECT_LIBRARY
source "$(dirname "${BASH_SOURCE[0]}")/../support/check.sh"
zavik=$(realpath "$1")
repo=$(realpath "$2")
shim=$(realpath "$3")
samples=$repo/samples

# The thumbnailer's command line, as the entry writes it (%s size, %i input,
# %o output), with zavik named by its path here.
exec_line=$(sed -n 's/^Exec=//p' "$repo/linux/zavik.thumbnailer")
thumbnail() {   # thumbnail SIZE IN OUT
    local line=${exec_line//%s/$1}
    line=${line//%i/\"$2\"}
    line=${line//%o/\"$3\"}
    eval "\"$zavik\" ${line#zavik }"
}
# The largest difference of any channel between two pictures, in levels.
max_difference() {
    convert "$1" "$2" -compose difference -composite -format '%[fx:round(maxima*255)]' info:
}
for size in 128 256; do
    for sample in "$samples"/*; do
        name=$(basename "$sample")
        thumbnail "$size" "$sample" "$work/thumb.png"
        check "$name at $size: thumbnail made" [ $? = 0 ]
        read -r w h < <(identify -format '%w %h\n' "$work/thumb.png")
        "$zavik" render --zoom 100 "$sample" "$work/full.png"
        read -r fw fh < <(identify -format '%w %h\n' "$work/full.png")
        check "$name at $size: fits ($w x $h)" [ "$w" -le "$size" ] && [ "$h" -le "$size" ]
        check "$name at $size: never enlarged" [ "$w" -le "$fw" ] && [ "$h" -le "$fh" ]
        check "$name at $size: longer side is the size or the picture's" \
            [ $((w > h ? w : h)) = $((fw > fh ? (fw > size ? size : fw) : (fh > size ? size : fh))) ]
        # The aspect ratio within a pixel: h is w x fh / fw, rounded.
        diff=$(( h * fw - w * fh )); diff=${diff#-}
        check "$name at $size: aspect ratio kept ($w x $h of $fw x $fh)" [ "$diff" -le $((fw > fh ? fw : fh)) ]
        # ImageMagick's -scale averages the covered area, edge pixels by the
        # part they cover: an independent area average of the full render.
        convert "$work/full.png" -scale "${w}x${h}!" "$work/reference.png"
        check "$name at $size: pixels are the area average" [ "$(max_difference "$work/thumb.png" "$work/reference.png")" -le 1 ]
    done
done
# A PNG's transparency is kept: opacity averaged like the colours.
convert -size 300x200 gradient:red-blue -alpha set -channel A -fx 'i/w' +channel -depth 8 "PNG32:$work/alpha.png"
"$zavik" thumbnail -s 100 "$work/alpha.png" "$work/alpha_thumb.png"
check "a transparent PNG's thumbnail keeps its alpha" \
    [ "$(convert "$work/alpha_thumb.png" -format '%[channels] %[fx:round(p{0,33}.a*255)] %[fx:round(p{99,33}.a*255)]' info:)" = "srgba 1 254" ]
printf 'plain text' >"$work/notes.esi"
"$zavik" thumbnail "$work/notes.esi" "$work/none.png" 2>"$work/err"
check "a bad file exits 1" [ $? = 1 ]
check "with the reader's message" grep -q '失敗' "$work/err"
check "and writes nothing" [ ! -e "$work/none.png" ]

# A collection: the samples, a canvas cut after its head, a text file, and
# an input that sits where an output would go.
mkdir -p "$work/in" "$work/out"
cp "$samples"/* "$work/in/"
head -c 200 "$samples/sunset.cnv" >"$work/in/cut.cnv"
printf 'notes' >"$work/in/notes.txt"
cp "$samples/landscape.jpg" "$work/out/landscape.jpg"
(cd "$work/in" && md5sum ./* "$work/out/landscape.jpg") >"$work/before"
"$zavik" convert -d "$work/out" --format jpeg -j 2 "$work"/in/* "$work/out/landscape.jpg" 2>"$work/err"
check "batch exits 1 when a file failed" [ $? = 1 ]
(cd "$work/in" && md5sum ./* "$work/out/landscape.jpg") >"$work/after"
check "no input changed" cmp -s "$work/before" "$work/after"
check "the cut canvas is reported" grep -q "cut.cnv: not converted" "$work/err"
check "the text file is reported" grep -q "notes.txt: not converted" "$work/err"
check "an output that would replace an input is refused" grep -q "landscape.jpg: not converted: .* would replace" "$work/err"
check "no progress line off a terminal" [ -z "$(grep -F $'\r' "$work/err")" ]
for sample in hanako.esi kirakira.itm sunset.cnv; do
    "$zavik" convert --format jpeg "$samples/$sample" "$work/alone.jpg"
    check "$sample converted with the bytes of converting it alone" cmp -s "$work/alone.jpg" "$work/out/${sample%.*}.jpg"
done
check "nothing else written" [ "$(ls "$work/out" | sort | tr '\n' ' ')" = "hanako.jpg kirakira.jpg landscape.jpg sunset.jpg " ]
"$zavik" convert -d "$work/png1" -j 1 --quiet "$samples"/*
check "all good files: exit 0" [ $? = 0 ]
"$zavik" convert -d "$work/png2" -j 2 "$samples"/* 2>/dev/null
check "-j 2 writes what -j 1 writes" diff -r "$work/png1" "$work/png2"
# Which files the batch refuses before converting anything: a second input
# with one output name, the same input by another spelling, an input in the
# output folder under its output's name, an output that is a hard link or a
# symbolic link to another input. A missing input is left to its reader.
mkdir -p "$work/clash/in1" "$work/clash/in2" "$work/clash/out"
cd "$work/clash"
cp "$samples/sunset.cnv" in1/a.cnv
for name in in2/a.jpg in1/b.jpg in1/e.jpg in1/f.jpg; do cp "$samples/landscape.jpg" "$name"; done
"$zavik" convert "$samples/landscape.jpg" out/d.png
"$zavik" convert "$samples/landscape.jpg" in1/x.png
cp in1/x.png in1/y.png
ln in1/x.png out/e.png
ln -s ../in1/y.png out/f.png
"$zavik" convert -d out -j 2 in1/a.cnv in2/a.jpg in1/b.jpg ./in1/b.jpg out/d.png in1/e.jpg in1/x.png in1/f.jpg \
    in1/y.png in1/missing.jpg 2>&1 | grep '^zavik:' | sort >"$work/refused"
check "the batch refuses exactly the clashes" diff - "$work/refused" <<'EXPECTED'
zavik: ./in1/b.jpg: not converted: out/b.png would replace an input or another file's output
zavik: in1/e.jpg: not converted: out/e.png would replace an input or another file's output
zavik: in1/f.jpg: not converted: out/f.png would replace an input or another file's output
zavik: in1/missing.jpg: not converted
zavik: in2/a.jpg: not converted: out/a.png would replace an input or another file's output
zavik: out/d.png: not converted: out/d.png would replace an input or another file's output
EXPECTED
check "and converts the rest" [ "$(ls out | tr '\n' ' ')" = "a.png b.png d.png e.png f.png x.png y.png " ] &&
    cmp -s "$work/png1/sunset.png" out/a.png
cd - >/dev/null
# A batch of hostile files holds one memory budget, whatever -j: three PNGs
# of 250 KB, each describing a picture at the size limit (5461 x 16384,
# 256 MiB) and holding over 512 MiB while it is read, converted three at a
# time. The peak of the whole process tree (its resident memory summed,
# sampled every 5 ms) stays within the batch's budget, one open's 832 MiB
# and the 256 MiB its workers share; side by side they took 1.7 GB. Their
# saves fail at the first write (the fault shim's full disk), which spares
# the time of encoding them, not the memory of reading them.
mkdir "$work/bombs"
python3 - "$work/bombs/1.png" <<'PY'
import struct, sys, zlib
def chunk(kind, payload):
    return struct.pack(">I", len(payload)) + kind + payload + struct.pack(">I", zlib.crc32(kind + payload))
w, h = 5461, 16384
packer = zlib.compressobj(9)
rows = (b"\0" * (1 + 3 * w)) * 64
data = b"".join(packer.compress(rows) for _ in range(h // 64)) + packer.flush()
open(sys.argv[1], "wb").write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 2, 0, 0, 0)) +
                              chunk(b"IDAT", data) + chunk(b"IEND", b""))
PY
cp "$work/bombs/1.png" "$work/bombs/2.png"
cp "$work/bombs/1.png" "$work/bombs/3.png"
peak=$(ZAVIK_FAULT_WRITE=0 LD_PRELOAD="$shim" python3 - "$zavik" convert -d "$work/bombs/out" -j 3 "$work"/bombs/?.png \
    2>"$work/err" <<'PY'
import os, subprocess, sys, time
def resident(pid):   # KiB
    try:
        with open(f"/proc/{pid}/status") as status:
            return next((int(l.split()[1]) for l in status if l.startswith("VmRSS:")), 0)
    except OSError:
        return 0
def tree(pid):
    try:
        with open(f"/proc/{pid}/task/{pid}/children") as children:
            return [pid] + [p for c in children.read().split() for p in tree(int(c))]
    except OSError:
        return [pid]
run = subprocess.Popen(sys.argv[1:])
peak = 0
while run.poll() is None:
    peak = max(peak, sum(resident(p) for p in tree(run.pid)))
    time.sleep(0.005)
print(peak // 1024)
PY
)
check "hostile files in a batch: each read (and its save refused)" [ "$(grep -c 'bombs/.\.png: not converted' "$work/err")" = 3 ]
check "hostile files in a batch: within 1088 MiB together ($peak MiB)" [ "$peak" -le 1088 ]

"$zavik" convert -j 2 "$samples/hanako.esi" "$work/x.png" 2>/dev/null
check "-j without -d is a usage error" [ $? = 2 ]

finish
