#!/usr/bin/env bash
# Saves that must keep what they replace: the real tool with faults
# injected at its streams (fault_inject.c), targets with permissions, links
# and long names, and a save ended by a signal.
# Usage: safe_save_test.sh ZAVIK FAULT_INJECT_LIBRARY REPO
source "$(dirname "${BASH_SOURCE[0]}")/../support/check.sh"
zavik=$(realpath "$1")
shim=$(realpath "$2")
samples=$(realpath "$3")/samples
input=$samples/landscape.jpg
# In a sanitizer build the shim is loaded before the sanitizer's runtime,
# which it then refuses unless told that the order is meant.
export ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0

# No temporary file of a save left in a folder.
no_temporary() { [ -z "$(find "$1" -maxdepth 1 \( -name '.zvk*' -o -name '*.tmp*' \) -print -quit)" ]; }
# The picture a save of the input writes, to compare with.
for format in png jpg bmp; do
    "$zavik" convert "$input" "$work/reference.$format"
done
old=$samples/sunset.cnv   # the earlier file every target starts as

# A full disk part way, a failing rename and a failing sync: the save fails
# and the earlier file is there, byte for byte.
mkdir "$work/faults"
for fault in ZAVIK_FAULT_WRITE=3000 ZAVIK_FAULT_RENAME=1 ZAVIK_FAULT_FSYNC=1; do
    for format in png jpg bmp; do
        target=$work/faults/t.$format
        cp "$old" "$target"
        env "$fault" LD_PRELOAD="$shim" "$zavik" convert "$input" "$target" 2>"$work/err"
        check "$fault $format: exits 1" [ $? = 1 ]
        check "$fault $format: says so" [ -s "$work/err" ]
        check "$fault $format: the earlier file is intact" cmp -s "$old" "$target"
        check "$fault $format: no temporary file left" no_temporary "$work/faults"
    done
done
# The shim itself changes nothing when no fault is asked for.
LD_PRELOAD="$shim" "$zavik" convert "$input" "$work/faults/plain.png"
check "without a fault the shim writes what the tool writes" cmp -s "$work/reference.png" "$work/faults/plain.png"
# ... and a read fault reaches the reader's stream.
ZAVIK_FAULT_READ=landscape:200 LD_PRELOAD="$shim" "$zavik" convert "$input" "$work/faults/cut.png" 2>/dev/null
check "a read error is not a picture" [ $? = 1 ] && [ ! -e "$work/faults/cut.png" ]

# Permissions: kept for a replaced file, the umask's for a new one.
mkdir "$work/modes"
cp "$old" "$work/modes/private.png"
chmod 600 "$work/modes/private.png"
"$zavik" convert "$input" "$work/modes/private.png"
check "a 0600 file stays 0600" [ "$(stat -c %a "$work/modes/private.png")" = 600 ]
check "and has the new picture" cmp -s "$work/reference.png" "$work/modes/private.png"
(umask 027 && "$zavik" convert "$input" "$work/modes/new.png")
check "a new file has the umask's permissions" [ "$(stat -c %a "$work/modes/new.png")" = 640 ]
if [ "$(id -u)" = 0 ]; then   # only root may give a file to someone else
    cp "$old" "$work/modes/theirs.png"
    chown nobody:nogroup "$work/modes/theirs.png"
    chmod 640 "$work/modes/theirs.png"
    "$zavik" convert "$input" "$work/modes/theirs.png"
    check "a file replaced by root keeps its owner, group and mode" \
        [ "$(stat -c %U:%G:%a "$work/modes/theirs.png")" = nobody:nogroup:640 ]
fi

# Links: the file a link names is replaced and the link stays; a dangling
# link's file is created, as opening the link for writing would.
mkdir -p "$work/links/real" "$work/links/other"
cp "$old" "$work/links/real/picture.png"
ln -s ../real/picture.png "$work/links/other/link.png"
ln -s missing.png "$work/links/dangling.png"
"$zavik" convert "$input" "$work/links/other/link.png"
check "a relative link stays a link" [ -L "$work/links/other/link.png" ]
check "the file it names has the new picture" cmp -s "$work/reference.png" "$work/links/real/picture.png"
check "no temporary file beside the link or the file" no_temporary "$work/links/other" && no_temporary "$work/links/real"
"$zavik" convert "$input" "$work/links/dangling.png"
check "a dangling link stays a link" [ -L "$work/links/dangling.png" ]
check "and the file it names is made" cmp -s "$work/reference.png" "$work/links/missing.png"

# A name near the file system's limit of 255 bytes, which leaves no room
# for anything appended to it.
long=$work/$(printf 'n%.0s' $(seq 250)).png
"$zavik" convert "$input" "$long"
check "a 254-byte name is saved" cmp -s "$work/reference.png" "$long"
check "with no temporary file left" no_temporary "$work"

# As an ordinary user: a read-only file is refused, a writable file in a
# folder that takes no new file is written in place.
as_user=()   # the command prefix that runs as nobody; empty when we are not root
if [ "$(id -u)" = 0 ]; then
    if command -v setpriv >/dev/null; then
        as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
    elif command -v runuser >/dev/null; then
        as_user=(runuser -u nobody --)
    else
        as_user=(none)
    fi
fi
if [ "${as_user[0]-}" != none ]; then
    chmod 755 "$work"
    mkdir "$work/user" "$work/user/closed"
    cp "$old" "$work/user/readonly.png"
    cp "$old" "$work/user/closed/open.png"
    cp "$input" "$work/user/in.jpg"
    if [ "$(id -u)" = 0 ]; then
        chown nobody "$work/user" "$work/user/readonly.png" "$work/user/closed/open.png"
    fi
    chmod 444 "$work/user/readonly.png"
    chmod 555 "$work/user/closed"
    "${as_user[@]}" "$zavik" convert "$work/user/in.jpg" "$work/user/readonly.png" 2>"$work/err"
    check "a read-only file: exits 1" [ $? = 1 ]
    check "with the cannot-create message" grep -q 'ファイルオープンに失敗しました。WRITE_PNG' "$work/err"
    check "and is untouched" cmp -s "$old" "$work/user/readonly.png"
    check "and no temporary file left" no_temporary "$work/user"
    inode=$(stat -c %i "$work/user/closed/open.png")
    "${as_user[@]}" "$zavik" convert "$work/user/in.jpg" "$work/user/closed/open.png"
    check "a writable file in a closed folder is saved" cmp -s "$work/reference.png" "$work/user/closed/open.png"
    check "in place" [ "$(stat -c %i "$work/user/closed/open.png")" = "$inode" ]
    chmod 755 "$work/user/closed"
else
    echo "SKIPPED: the ordinary-user cases (running as root, and neither setpriv nor runuser exists)"
fi

# A signal during a slow save removes its temporary file and ends the tool
# as the signal ends it. The tool runs in a process group of its own, so
# that the batch workers get the signal as from a terminal.
# Polls, so a slow machine only makes it wait longer: true once CMD is.
within_10s() {
    for _ in $(seq 500); do "$@" && return 0; sleep 0.02; done
    return 1
}
save_begun() { ! no_temporary "$1"; }   # FOLDER: a save there has made its file
mkdir "$work/signal" "$work/batch"
cp "$old" "$work/signal/slow.bmp"
ZAVIK_FAULT_WRITE_DELAY_MS=200 LD_PRELOAD="$shim" setsid "$zavik" convert "$input" "$work/signal/slow.bmp" &
pid=$!
check "a slow save begins" within_10s save_begun "$work/signal"
kill -TERM "$pid"
wait "$pid"
check "SIGTERM ends it as SIGTERM does" [ $? = 143 ]
check "no temporary file left after SIGTERM" no_temporary "$work/signal"
check "the earlier file is intact" cmp -s "$old" "$work/signal/slow.bmp"
ZAVIK_FAULT_WRITE_DELAY_MS=200 LD_PRELOAD="$shim" setsid "$zavik" convert -d "$work/batch" -j 2 --format bmp \
    "$input" "$samples/hanako.esi" &
pid=$!
check "a slow batch begins" within_10s save_begun "$work/batch"
kill -TERM -- -"$pid"
wait "$pid"
# The workers may end after the tool (and stay as zombies where nothing
# reaps orphans): wait for their files, not for them.
check "no batch worker left a temporary file" within_10s no_temporary "$work/batch"

finish
