#!/usr/bin/env bash
# Files that are not what they seem: special files in the place of a file,
# and files the system fails to read. Every one ends in a clear failure
# within moments, never in a wait or a damaged picture.
# Usage: hostile_files_test.sh ZAVIK FAULT_INJECT_LIBRARY REPO
source "$(dirname "${BASH_SOURCE[0]}")/../support/check.sh"
zavik=$(realpath "$1")
shim=$(realpath "$2")
repo=$(realpath "$3")
# The sanitizer runtime wants to come first; the shim only wraps libc calls.
export ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0
regression=$repo/tests/regression/open

# Named on the command line: a FIFO without a writer, a folder, a terminal
# or pipe behind /dev/stdin. Each is a file that cannot be opened.
mkfifo "$work/fifo.cnv"
for special in "$work/fifo.cnv" "$work" /dev/stdin; do
    out=$(timeout 10 "$zavik" info "$special" 2>"$work/err" < <(exec sleep 20 2>/dev/null)); rc=$?
    check "$special is refused at once" [ "$rc" = 1 ]
    check "$special reports not loaded" [ "$out" = "$special: not loaded" ]
    check "$special gets the cannot-open message" grep -q 'ファイル生成に失敗しました。' "$work/err"
done

# Named inside a canvas as its painter: the canvas opens, and the painter's
# name is the file name, as for a painter file that is missing.
cp "$regression/canvas_painter_fifo" "$regression/canvas_painter_stdin" "$work/"
mkfifo "$work/regression-fifo.esi"
out=$(cd "$work" && timeout 10 "$zavik" info canvas_painter_fifo 2>/dev/null); rc=$?
check "a FIFO painter does not hold the canvas up" [ "$rc" != 124 ]
check "and names the painter by its file" grep -q 'canvas_painter_fifo: canvas, .*painter regression-fifo.esi$' <<<"$out"
out=$(timeout 10 "$zavik" info "$work/canvas_painter_stdin" 2>/dev/null < <(exec sleep 20 2>/dev/null)); rc=$?
check "/dev/stdin as painter does not wait on input" [ "$rc" != 124 ]
check "and names the painter by its file" grep -q 'canvas, .*painter stdin$' <<<"$out"

# A disk that fails partway through each kind of file (EIO): the convert
# fails and writes nothing, never a damaged picture reported as success.
samples=$repo/samples
for name in landscape.jpg hanako.esi sunset.cnv kirakira.itm; do
    size=$(stat -c %s "$samples/$name")
    for at in 200 $((size / 2)) $((size - 10)); do
        (cd "$samples" && ZAVIK_FAULT_READ="$name:$at" LD_PRELOAD="$shim" \
            "$zavik" convert "$name" "$work/eio.png" 2>"$work/err"); rc=$?
        check "$name failing at $at fails" [ "$rc" = 1 ]
        check "$name failing at $at writes nothing" [ ! -e "$work/eio.png" ]
        check "$name failing at $at says so" [ -s "$work/err" ]
        rm -f "$work/eio.png"
    done
done

# A 3 KB canvas whose three sections each claim the largest picture opens
# within one open's budget (three largest pictures and 64 MiB) and gives the
# same report as with no limit at all. The sanitizer runtime reserves more
# address space than any limit here would allow.
bomb=$repo/tests/regression/canvas/three_largest_sections.cnv
if ! ldd "$zavik" | grep -q libasan; then
    unlimited=$("$zavik" info --json "$bomb")
    limited=$(ulimit -v $(((3 * 256 + 64 + 100) * 1024)) && "$zavik" info --json "$bomb"); rc=$?
    check "the largest canvas opens within the budget" [ "$rc" = 0 ]
    check "and reports as with no limit" [ "$limited" = "$unlimited" ]
fi

finish
