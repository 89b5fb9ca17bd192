#!/usr/bin/env bash
# The MSI in a fresh 64-bit Wine prefix. Per user (the default): the files
# under the user's programs folder, the class registrations under
# HKCU\Software\Classes (read back with reg query, the 32-bit decoder's in
# the 32-bit view), the Start menu shortcut and the Add/Remove Programs
# entry; msiexec /x leaves none of them. Then per machine (ALLUSERS=1),
# which Wine 8's COM and WIC see (they do not merge HKCU\Software\Classes
# into HKCR): the same under HKLM, and the hosts' tests against the
# installed DLLs, WIC finding the decoder through the registration.
#
# With ZAVIK_MSI_SCREENSHOT=FILE.png, the viewer is also started from the
# installed shortcut (per user, a display needed) and its window saved.
#
# Usage: msi_test.sh SOURCE_DIR MSI HOSTS_TESTS_EXE
set -euo pipefail
src=$1 msi=$2 tests=$3
fail() { echo "msi_test: $*" >&2; exit 1; }
[ -f "$msi" ] || fail "no installer $msi"

# Under the build folder, which Wine reaches through Z:.
scratch=$(mktemp -d "$(dirname "$msi")/msi-test.XXXXXX")
export WINEPREFIX=$scratch/prefix
cleanup() {
    WINEPREFIX=$WINEPREFIX /usr/lib/wine/wineserver64 -k 2>/dev/null || true
    rm -rf "$scratch"
}
trap cleanup EXIT
run() { "$src/scripts/wine-run" x86_64 "$@"; }
# A value of a Windows environment variable, as a Unix path.
folder() { run winepath -u "$(run cmd /c echo "%$1%" | tr -d '\r')" | tr -d '\r'; }

thumbs='{147AC9D1-6B1F-408F-92D5-C5C7C5517546}'
wic='{8F43C12C-870A-400F-95C8-E2CF19FB3A85}'
decoders='{7ED96837-96F0-4812-B211-F13C24117ED3}'
thumbnail_handler='{E357FCCD-A995-4576-B01F-234630154E96}'
msi_windows=$(run winepath -w "$msi" | tr -d '\r')

# has_key ROOT\KEY [reg query options]: the key exists.
has_key() { run reg query "$@" >/dev/null 2>&1; }
# value ROOT\KEY NAME (or /ve): the value's data as reg query shows it.
value() {
    local key=$1; shift
    run reg query "$key" "$@" 2>/dev/null | tr -d '\r' | awk 'NF >= 3 && $2 ~ /^REG_/ { $1 = $2 = ""; sub(/^ +/, ""); print; exit }
                                                         NF >= 2 && $1 ~ /^REG_/ { $1 = ""; sub(/^ +/, ""); print; exit }' || true
}

# expect_installed ROOT DIR: everything the package writes, under that root
# and in that folder.
expect_installed() {
    local root=$1 dir=$2 classes="$1\\Software\\Classes" f
    for f in zavik_view.exe zavik.exe zavik_thumbs.dll zavik_wic.dll x86/zavik_wic.dll hanako.esi README.md \
             samples/hanako.esi samples/sunset.cnv samples/kirakira.itm samples/landscape.jpg \
             LICENSES/zlib.txt LICENSES/libpng.txt LICENSES/libjpeg-turbo.txt LICENSES/libjpeg-turbo-README.ijg.txt; do
        [ -f "$dir/$f" ] || fail "$dir/$f was not installed"
    done
    file "$dir/x86/zavik_wic.dll" | grep -q 'PE32 executable (DLL)' || fail "x86/zavik_wic.dll is not a 32-bit DLL"
    local windows_dir
    windows_dir=$(run winepath -w "$dir" | tr -d '\r')
    [ "$(value "$classes\\CLSID\\$thumbs\\InprocServer32" /ve)" = "$windows_dir\\zavik_thumbs.dll" ] ||
        fail "the thumbnail provider is not registered in $classes"
    [ "$(value "$classes\\CLSID\\$thumbs\\InprocServer32" /v ThreadingModel)" = Apartment ] ||
        fail "the thumbnail provider's threading model is not Apartment"
    [ "$(value "$classes\\CLSID\\$wic\\InprocServer32" /ve)" = "$windows_dir\\zavik_wic.dll" ] ||
        fail "the WIC decoder is not registered in $classes"
    [ "$(value "$classes\\Wow6432Node\\CLSID\\$wic\\InprocServer32" /ve)" = "$windows_dir\\x86\\zavik_wic.dll" ] ||
        fail "the 32-bit WIC decoder is not registered in the 32-bit view of $classes"
    [ "$(value "$classes\\CLSID\\$decoders\\Instance\\$wic" /v CLSID)" = "$wic" ] ||
        fail "the WIC decoder is not in the decoders' category of $classes"
    [ "$(value "$classes\\CLSID\\$wic\\Patterns\\1" /v Pattern)" = 6573692066696C65203066 ] ||
        fail "the WIC decoder's second pattern is not \"esi file 0f\": $(value "$classes\\CLSID\\$wic\\Patterns\\1" /v Pattern)"
    [ "$(value "$classes\\CLSID\\$wic" /v FileExtensions)" = ".esi,.cnv,.itm" ] || fail "the decoder's extensions are wrong"
    for pair in esi:painter cnv:canvas itm:item; do
        local ext=${pair%%:*} kind=${pair#*:}
        has_key "$classes\\.$ext\\OpenWithProgids" /v "zavikview.$kind" || fail ".$ext does not offer zavikview.$kind"
        [ "$(value "$classes\\.$ext\\ShellEx\\$thumbnail_handler" /ve)" = "$thumbs" ] || fail ".$ext has no thumbnail handler"
        # Offered, not taken: the extension's default stays the user's.
        case $(value "$classes\\.$ext" /ve) in *zavik*) fail "the installer took over .$ext" ;; esac
        [ "$(value "$classes\\zavikview.$kind\\shell\\open\\command" /ve)" = "\"$windows_dir\\zavik_view.exe\" \"%1\"" ] ||
            fail "zavikview.$kind does not open with the viewer"
    done
}

# expect_removed ROOT DIR
expect_removed() {
    local root=$1 dir=$2 classes="$1\\Software\\Classes" key
    [ ! -e "$dir" ] || fail "$dir is left after uninstalling: $(find "$dir" | head -5)"
    for key in "CLSID\\$thumbs" "CLSID\\$wic" "CLSID\\$decoders\\Instance\\$wic" zavikview.painter zavikview.canvas \
               zavikview.item ".esi\\ShellEx" ".esi\\OpenWithProgids" ".cnv\\OpenWithProgids" ".itm\\OpenWithProgids"; do
        ! has_key "$classes\\$key" || fail "$classes\\$key is left after uninstalling"
    done
    ! has_key "$classes\\Wow6432Node\\CLSID\\$wic" || fail "the 32-bit decoder's registration is left after uninstalling"
    ! has_key "$root\\Software\\zavik view" || fail "$root\\Software\\zavik view is left after uninstalling"
}

# The Add/Remove Programs entry of the product, as the installer writes it.
uninstall_entry() {
    run reg query "$1\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall" /s 2>/dev/null | tr -d '\r' |
        awk '/^HKEY/ { key = $0 } /DisplayName +REG_SZ +zavik view$/ { print key; exit }' || true
}

# ------------------------------------------------------------------ per user
run msiexec /i "$msi_windows" /qn || fail "msiexec /i (per user) failed with status $?"
programs=$(folder LOCALAPPDATA)/Programs/zavik\ view
start_menu=$(folder APPDATA)/Microsoft/Windows/Start\ Menu/Programs
expect_installed HKCU "$programs"
[ -f "$start_menu/zavik view.lnk" ] || fail "no Start menu shortcut in $start_menu"
! has_key "HKLM\\Software\\Classes\\CLSID\\$thumbs" || fail "a per-user install wrote HKLM\\Software\\Classes"
entry=$(uninstall_entry HKCU)
[ -n "$entry" ] || entry=$(uninstall_entry HKLM)
[ -n "$entry" ] || fail "no Add/Remove Programs entry"
[ "$(value "$entry" /v DisplayVersion)" = 5.4.0 ] || fail "Add/Remove Programs shows version $(value "$entry" /v DisplayVersion)"
[ "$(value "$entry" /v Publisher)" = "zavik view developers" ] || fail "Add/Remove Programs shows no publisher"
echo "msi_test: per user: installed in $programs, registered under HKCU\\Software\\Classes, shortcut in the Start menu"

if [ -n "${ZAVIK_MSI_SCREENSHOT:-}" ]; then
    run start /wait /unix "$start_menu/zavik view.lnk" samples\\sunset.cnv &
    viewer=$!
    window=""
    for _ in $(seq 1 150); do
        window=$(xwininfo -root -tree 2>/dev/null | awk '/zavik view"/ {print $1; exit}')
        [ -n "$window" ] && break
        sleep 0.2
    done
    [ -n "$window" ] || fail "the shortcut opened no viewer window"
    sleep 1.5
    import -window "$window" "$ZAVIK_MSI_SCREENSHOT"
    echo "msi_test: screenshot $ZAVIK_MSI_SCREENSHOT: $(xwininfo -id "$window" | sed -n 's/^xwininfo: Window id: [^ ]* "\(.*\)"$/\1/p')"
    run taskkill /im zavik_view.exe /f >/dev/null 2>&1 || true
    wait $viewer 2>/dev/null || true
fi

run msiexec /x "$msi_windows" /qn || fail "msiexec /x (per user) failed with status $?"
expect_removed HKCU "$programs"
[ ! -e "$start_menu/zavik view.lnk" ] || fail "the Start menu shortcut is left after uninstalling"
[ -z "$(uninstall_entry HKCU)$(uninstall_entry HKLM)" ] || fail "the Add/Remove Programs entry is left after uninstalling"
echo "msi_test: per user: uninstalled, nothing left"

# --------------------------------------------------------------- per machine
run msiexec /i "$msi_windows" ALLUSERS=1 /qn || fail "msiexec /i ALLUSERS=1 failed with status $?"
machine=$(folder ProgramW6432)/zavik\ view
expect_installed HKLM "$machine"
echo "msi_test: per machine: installed in $machine, registered under HKLM\\Software\\Classes"
ZAVIK_THUMBS_DLL=$(run winepath -w "$machine/zavik_thumbs.dll" | tr -d '\r') \
ZAVIK_WIC_DLL=$(run winepath -w "$machine/zavik_wic.dll" | tr -d '\r') \
WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}" \
    run "$tests" || fail "the hosts' tests failed against the installed DLLs"
run msiexec /x "$msi_windows" ALLUSERS=1 /qn || fail "msiexec /x ALLUSERS=1 failed with status $?"
expect_removed HKLM "$machine"
echo "msi_test: per machine: uninstalled, nothing left"
