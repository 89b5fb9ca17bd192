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

# A full disk part way, a failing rename and a failing sync: the save fails,
# saying which file and why, and the earlier file is there, byte for byte.
mkdir "$work/faults"
for case in "ZAVIK_FAULT_WRITE=3000:No space left on device" "ZAVIK_FAULT_RENAME=1:Input/output error" \
    "ZAVIK_FAULT_FSYNC=1:Input/output error"; do
    fault=${case%%:*}
    for format in png jpg bmp; do
        target=$work/faults/t.$format
        cp "$old" "$target"
        env "$fault" LD_PRELOAD="$shim" "$zavik" convert "$input" "$target" 2>"$work/err"
        check "$fault $format: exits 1" [ $? = 1 ]
        check "$fault $format: says where and why" grep -qF "zavik: $target: ${case#*:}" "$work/err"
        check "$fault $format: the earlier file is intact" cmp -s "$old" "$target"
        check "$fault $format: no temporary file left" no_temporary "$work/faults"
    done
done
# A file size limit fails the write as a full disk does, rather than
# ending the tool with its temporary file left.
cp "$old" "$work/faults/limit.bmp"
(ulimit -f 100 && "$zavik" convert "$input" "$work/faults/limit.bmp" 2>"$work/err")
check "ulimit -f: exits 1" [ $? = 1 ]
check "ulimit -f: says why" grep -qF "limit.bmp: File too large" "$work/err"
check "ulimit -f: the earlier file is intact" cmp -s "$old" "$work/faults/limit.bmp"
check "ulimit -f: no temporary file left" no_temporary "$work/faults"

# Where the folder takes no new file (ZAVIK_FAULT_CREATE: no free inodes)
# the file is written over in place, only once the disk has room for all
# of it; a write that fails even so puts the earlier bytes back. The
# earlier file is longer than the PNG and JPEG and shorter than the BMP.
mkdir "$work/inplace"
for case in ":0:new" "ZAVIK_FAULT_FALLOCATE=1:1:No space left on device" \
    "ZAVIK_FAULT_PWRITE=5000 ZAVIK_FAULT_PWRITE_ONCE=1:1:Input/output error" \
    "ZAVIK_FAULT_PWRITE=5000:1:damaged: writing over it failed (Input/output error)"; do
    IFS=: read -r faults status says <<<"$case"
    for format in png jpg bmp; do
        target=$work/inplace/t.$format
        cp "$old" "$target"
        inode=$(stat -c %i "$target")
        env ZAVIK_FAULT_CREATE=1 $faults LD_PRELOAD="$shim" "$zavik" convert "$input" "$target" 2>"$work/err"
        check "in place, ${faults:-no fault} $format: exits $status" [ $? = "$status" ]
        check "in place, ${faults:-no fault} $format: the same file" [ "$(stat -c %i "$target")" = "$inode" ]
        if [ "$says" = new ]; then
            check "in place $format: the new picture" cmp -s "$work/reference.$format" "$target"
        else
            check "in place, $faults $format: says where and why" grep -qF "zavik: $target: $says" "$work/err"
        fi
        case $says in
        No* | Input*) check "in place, $faults $format: the earlier file is intact" cmp -s "$old" "$target" ;;
        esac
    done
done
check "in place: no temporary file" no_temporary "$work/inplace"

# The same on a real disk that is full: a small tmpfs with no free inode
# (root, a file, a filler) and first too little room for the new picture,
# then enough.
mnt=$work/tmpfs
mkdir "$mnt"
if mount -t tmpfs -o size=64k,nr_inodes=3 tmpfs "$mnt" 2>/dev/null; then
    trap 'umount "$mnt"; rm -rf "$work"' EXIT
    head -c 2000 "$old" >"$work/small"
    cp "$work/small" "$mnt/f.png"
    touch "$mnt/filler"
    "$zavik" convert "$input" "$mnt/f.png" 2>"$work/err"
    check "full tmpfs: exits 1" [ $? = 1 ]
    check "full tmpfs: says why" grep -qF "zavik: $mnt/f.png: No space left on device" "$work/err"
    check "full tmpfs: the earlier file is intact" cmp -s "$work/small" "$mnt/f.png"
    mount -o remount,size=1m "$mnt"
    "$zavik" convert "$input" "$mnt/f.png"
    check "tmpfs with room but no inode: saved in place" cmp -s "$work/reference.png" "$mnt/f.png"
    check "full tmpfs: nothing else left there" [ "$(ls -A "$mnt" | tr '\n' ' ')" = "f.png filler " ]
else
    echo "SKIPPED: the full tmpfs cases (mounting a tmpfs is not allowed here)"
fi

# Pipes and devices are written into as streams, never replaced; a block
# device or a socket is refused. A link to one counts as what it names.
mkdir "$work/special"
mkfifo "$work/special/fifo.png"
timeout 20 cat "$work/special/fifo.png" >"$work/special/from-fifo" &
reader=$!
timeout 20 "$zavik" convert "$input" "$work/special/fifo.png"
check "a FIFO: written into" [ $? = 0 ]
wait "$reader"
check "its reader gets the picture" cmp -s "$work/reference.png" "$work/special/from-fifo"
check "and it stays a FIFO" [ -p "$work/special/fifo.png" ]
ln -s /dev/stdout "$work/special/stdout"
"$zavik" convert --format png "$input" "$work/special/stdout" | cmp -s "$work/reference.png" -
check "a link to /dev/stdout, bare: the picture on standard output" [ "${PIPESTATUS[*]}" = "0 0" ]
# Stand-ins for /dev/null and /dev/full: for root nodes of their own (a
# save gone wrong replaces them, not the system's), else links to the
# system's, which only root could replace. The saves go through links.
for device in null:3 full:7; do
    if [ "$(id -u)" = 0 ]; then
        mknod "$work/special/${device%:*}" c 1 "${device#*:}"
    else
        ln -s "/dev/${device%:*}" "$work/special/${device%:*}"
    fi
    ln -s "${device%:*}" "$work/special/${device%:*}.png"
done
"$zavik" thumbnail "$input" "$work/special/null.png"
check "a link to a null device: written into" [ $? = 0 ]
check "and both stay what they were" test -L "$work/special/null.png" -a -c "$work/special/null"
"$zavik" convert "$input" "$work/special/full.png" 2>"$work/err"
check "a full device: exits 1" [ $? = 1 ]
check "saying why" grep -qF "full.png: No space left on device" "$work/err"
refused=()
if [ "$(id -u)" = 0 ]; then
    mknod "$work/special/block.png" b 7 200 && refused+=(block.png)
fi
command -v python3 >/dev/null &&
    python3 -c 'import socket, sys; socket.socket(socket.AF_UNIX).bind(sys.argv[1])' "$work/special/socket.png" &&
    refused+=(socket.png)
for name in "${refused[@]}"; do
    kind=$(stat -c %F "$work/special/$name")
    "$zavik" convert "$input" "$work/special/$name" 2>"$work/err"
    check "$kind: refused" [ $? = 1 ]
    check "$kind: stays one" [ "$(stat -c %F "$work/special/$name")" = "$kind" ]
    check "$kind: naming it" grep -qF "zavik: $work/special/$name: not replaced" "$work/err"
done
check "no temporary file beside pipes and devices" no_temporary "$work/special"

# A collection never writes outside its folder: an output name planted
# there as a link (or a FIFO, never waited on) is not converted, the others
# are; a folder that is itself a link is fine.
mkdir -p "$work/collect/out"
echo victim >"$work/collect/victim.txt"
ln -s ../victim.txt "$work/collect/out/landscape.png"
mkfifo "$work/collect/out/hanako.png"
timeout 20 "$zavik" convert -d "$work/collect/out" "$input" "$samples/hanako.esi" "$samples/kirakira.itm" 2>"$work/err"
check "-d with planted names: exits 1" [ $? = 1 ]
check "the file a link names is untouched" [ "$(head -c 100 "$work/collect/victim.txt" | tr -d '\0')" = victim ]
check "the link and the FIFO stay" test -L "$work/collect/out/landscape.png" -a -p "$work/collect/out/hanako.png"
for name in landscape hanako; do
    check "naming $name" grep -qF "out/$name.png: not replaced" "$work/err"
done
check "the other file is converted" [ -f "$work/collect/out/kirakira.png" ]
ln -s out "$work/collect/linked"
"$zavik" convert -d "$work/collect/linked" --format bmp "$input"
check "a folder that is a link takes the files" cmp -s "$work/reference.bmp" "$work/collect/out/landscape.bmp"

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
    "${as_user[@]}" "$zavik" convert "$work/user/in.jpg" "$work/user/closed/new.png" 2>"$work/err"
    check "a new file in a closed folder: exits 1" [ $? = 1 ]
    check "naming the file and the cause" grep -qF "zavik: $work/user/closed/new.png: Permission denied" "$work/err"
    chmod 755 "$work/user/closed"
else
    echo "SKIPPED: the ordinary-user cases (running as root, and neither setpriv nor runuser exists)"
fi

# A signal during a slow save removes its temporary file and ends the tool
# as the signal ends it. The tool runs in a session of its own, so that a
# batch's guard process gets a signal to the group as from a terminal, and
# with the default actions for SIGINT and SIGQUIT, which a script's
# background jobs would otherwise ignore.
# Polls, so a slow machine only makes it wait longer: true once CMD is.
within_10s() {
    for _ in $(seq 500); do "$@" && return 0; sleep 0.02; done
    return 1
}
save_begun() { ! no_temporary "$1"; }   # FOLDER: a save there has made its file
slowly() {   # COMMAND...: in the background, on a slow disk
    ZAVIK_FAULT_WRITE_DELAY_MS=200 LD_PRELOAD="$shim" python3 -c '
import os, signal, sys
for s in (signal.SIGINT, signal.SIGQUIT):
    signal.signal(s, signal.SIG_DFL)
os.setsid()
os.execv(sys.argv[1], sys.argv[1:])' "$@" &
}
guard_of() { cat "/proc/$1/task/$1/children" 2>/dev/null; }
# True once none of the PIDs is running (gone, or a zombie no one reaps).
all_ended() {
    local p
    for p in "$@"; do
        [ -e "/proc/$p" ] && [ "$(awk '{print $3}' "/proc/$p/stat" 2>/dev/null)" != Z ] && return 1
    done
    return 0
}
ulimit -c 0   # SIGQUIT's default action would leave a core file
mkdir "$work/signal"
for signal in TERM INT HUP QUIT; do
    cp "$old" "$work/signal/slow.bmp"
    slowly "$zavik" convert "$input" "$work/signal/slow.bmp"
    pid=$!
    check "SIG$signal: a slow save begins" within_10s save_begun "$work/signal"
    kill -"$signal" "$pid"
    wait "$pid" 2>/dev/null   # (without the shell's notice of the signal)
    check "SIG$signal ends it as SIG$signal does" [ $? = $((128 + $(kill -l "$signal"))) ]
    check "no temporary file left after SIG$signal" no_temporary "$work/signal"
    check "the earlier file is intact after SIG$signal" cmp -s "$old" "$work/signal/slow.bmp"
done
# Written over in place, with nothing to remove, the file is first made
# whole: the signal ends the tool only after the last byte.
cp "$old" "$work/signal/inplace.png"
ZAVIK_FAULT_CREATE=1 ZAVIK_FAULT_WRITE_DELAY_MS=50 LD_PRELOAD="$shim" setsid "$zavik" convert "$input" \
    "$work/signal/inplace.png" &
pid=$!
check "a slow save in place begins" within_10s eval '! cmp -s "$old" "$work/signal/inplace.png"'
kill -TERM "$pid"
wait "$pid"
check "SIGTERM in place ends it as SIGTERM does" [ $? = 143 ]
check "after the whole new picture" cmp -s "$work/reference.png" "$work/signal/inplace.png"

# A batch: a signal to the whole group, to the tool alone (it stops its
# conversions, leaves no file behind, writes nothing more and ends its
# guard process with it), and the tool killed outright as the out-of-memory
# killer kills it (its guard removes the temporary files).
batch=("$samples/hanako.esi" "$samples/kirakira.itm" "$samples/sunset.cnv" "$input")
for target in group TERM HUP INT QUIT; do
    rm -rf "$work/batch" && mkdir "$work/batch"
    slowly "$zavik" convert -d "$work/batch" -j 2 --format bmp "${batch[@]}"
    pid=$!
    check "$target: a slow batch begins" within_10s save_begun "$work/batch"
    guard=$(guard_of "$pid")
    check "$target: the batch has its guard" [ -n "$guard" ]
    if [ "$target" = group ]; then
        kill -TERM -- -"$pid"
    else
        kill -"$target" "$pid"
    fi
    wait "$pid" 2>/dev/null
    status=$?
    check "SIG$target ends it as SIG$target does" [ "$status" = $((128 + $(kill -l "${target/group/TERM}"))) ]
    check "SIG$target: no temporary file left" no_temporary "$work/batch"
    check "SIG$target: its guard ended with it" all_ended $guard
    ls -A "$work/batch" >"$work/listing"
    sleep 0.5
    check "SIG$target: nothing written after it ended" diff <(ls -A "$work/batch") "$work/listing"
done
# Killed outright, the tool cannot clean up: its guard sees it gone and
# removes the files its saves had made.
rm -rf "$work/batch" && mkdir "$work/batch"
slowly "$zavik" convert -d "$work/batch" -j 2 --format bmp "${batch[@]}"
pid=$!
check "KILL: a slow batch begins" within_10s save_begun "$work/batch"
guard=$(guard_of "$pid")
kill -KILL "$pid"
wait "$pid" 2>/dev/null
ls "$work/batch" >"$work/listing"
check "SIGKILL to the tool: its guard ends with it" within_10s all_ended $guard
check "SIGKILL to the tool: no temporary file left" within_10s no_temporary "$work/batch"
check "SIGKILL to the tool: nothing written after it ended" diff <(ls "$work/batch") "$work/listing"
# The guard is only insurance: killed, the batch goes on and converts
# every file.
rm -rf "$work/batch" && mkdir "$work/batch"
slowly "$zavik" convert -d "$work/batch" -j 2 --format bmp "$samples/hanako.esi" "$samples/kirakira.itm" 2>"$work/err"
pid=$!
check "a slow batch begins" within_10s save_begun "$work/batch"
kill -KILL $(guard_of "$pid")
wait "$pid"
check "guard killed: the batch exits 0" [ $? = 0 ]
check "guard killed: every file converted" [ "$(ls "$work/batch" | tr '\n' ' ')" = "hanako.bmp kirakira.bmp " ]
check "guard killed: no temporary file left" no_temporary "$work/batch"
finish
