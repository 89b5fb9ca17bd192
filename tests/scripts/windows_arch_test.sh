#!/usr/bin/env bash
# The choice of the Windows build whose tests run here: the probe program is
# a valid i386 program that exits with 32, the decision is printed, and the
# environment variable forces it either way.
# Usage: windows_arch_test.sh REPO
source "$(dirname "${BASH_SOURCE[0]}")/../support/check.sh"
repo=$1
probe_script=$repo/scripts/windows-arch

"$probe_script" --write-probe "$work/probe"
header=$(readelf -h "$work/probe" 2>&1)
check "probe is a 32-bit executable" grep -q 'Class:[[:space:]]*ELF32' <<<"$header"
check "for the i386" grep -q 'Machine:[[:space:]]*Intel 80386' <<<"$header"
check "entry after the headers" grep -q 'Entry point address:[[:space:]]*0x8048054' <<<"$header"
check "one segment holding the whole file, executable" \
    grep -Eq 'LOAD +0x000000 0x08048000 0x08048000 0x00060 0x00060 R E' <<<"$(readelf -lW "$work/probe")"
tail -c 12 "$work/probe" >"$work/code"
code=$(objdump -b binary -m i386 -M intel -D "$work/code" | grep -E '^ +[0-9a-f]+:' | cut -f3 | tr -s ' ')
check "code exits with status 32" [ "$code" = "$(printf 'mov ebx,0x20\nmov eax,0x1\nint 0x80')" ]
# Where an i386 emulator is installed, run it for real.
if command -v qemu-i386 >/dev/null; then
    qemu-i386 "$work/probe"
    check "probe exits 32 under qemu-i386" [ $? = 32 ]
fi

out=$(ZAVIK_WINDOWS_ARCH=i686 "$probe_script" 2>"$work/err")
check "forced i686" [ "$out" = i686 ]
check "says it was forced" grep -q 'forced by ZAVIK_WINDOWS_ARCH: i686' "$work/err"
out=$(ZAVIK_WINDOWS_ARCH=x86_64 "$probe_script" 2>"$work/err")
check "forced x86_64" [ "$out" = x86_64 ]
ZAVIK_WINDOWS_ARCH=win16 "$probe_script" >/dev/null 2>&1
check "an unknown value is refused" [ $? = 2 ]

out=$("$probe_script" 2>"$work/err")
case $out in
    i686) check "decision printed" grep -q 'runs 32-bit code: the i686 build under wine32' "$work/err" ;;
    x86_64) check "decision printed" grep -Eq '(runs no 32-bit code .*|32-bit Wine \(wine32:i386\) is not installed): the x86_64 build under wine64' "$work/err" ;;
    *) check "probe answers i686 or x86_64, not '$out'" false ;;
esac
# The kernel alone: the answer bootstrap needs before Wine is installed.
kernel=$("$probe_script" --quiet --kernel 2>"$work/err")
check "--kernel answers i686 or x86_64" grep -Eqx 'i686|x86_64' <<<"$kernel"
[ "$kernel" = x86_64 ] && check "no 32-bit kernel, no i686 build" [ "$out" = x86_64 ]
out=$("$probe_script" --quiet 2>"$work/err")
check "quiet prints only the answer" [ ! -s "$work/err" ]

finish
