#!/usr/bin/env bash
# A batch on several threads gives what it gives on one: every sample and
# regression input converted with -j 4 and with -j 1, the same files byte
# for byte, the same messages (each file's in one piece: the lines of a
# file stay together and in their order) and the same exit status. Under
# ThreadSanitizer (the native-tsan preset runs it too) a race ends the run
# with the sanitizer's status; there --threads-only runs -j 4 alone.
# Usage: batch_threads_test.sh ZAVIK REPO [--threads-only]
source "$(dirname "${BASH_SOURCE[0]}")/../support/check.sh"
zavik=$(realpath "$1")
repo=$(realpath "$2")
inputs=("$repo"/samples/* "$repo"/tests/regression/*/*)
runs=(1 4)
[ "${3:-}" = --threads-only ] && runs=(4)
for jobs in "${runs[@]}"; do
    mkdir "$work/$jobs"
    (cd "$work/$jobs" && "$zavik" convert -d out -j "$jobs" --quiet "${inputs[@]}" 2>err)
    echo $? >"$work/$jobs/status"
done
check "-j 4 exits 0 or 1, no sanitizer's status ($(cat "$work/4/status"))" grep -qx '[01]' "$work/4/status"
[ "${#runs[@]}" = 1 ] && finish && exit
check "-j 4 exits as -j 1 does" cmp -s "$work/1/status" "$work/4/status"
check "-j 4 writes the files -j 1 writes, byte for byte" diff -r "$work/1/out" "$work/4/out"
# Each file's texts end with the line that names it, so cutting the texts
# after each "zavik: FILE: ..." line gives each file's piece.
pieces() { awk '{piece = piece $0 "\n"} /^zavik: / {print piece; piece = ""} END {printf "%s", piece}' RS='\n' "$1" |
    sort; }
check "-j 4 shows the messages -j 1 shows, each file's in one piece" \
    diff <(pieces "$work/1/err") <(pieces "$work/4/err")
finish
