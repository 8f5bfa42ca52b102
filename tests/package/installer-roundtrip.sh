#!/usr/bin/env bash
# Installs Quillmere silently with its installer, checks what was installed, then uninstalls it
# silently and checks that exactly that is gone: the program's files, its Start menu shortcut
# and its uninstall entry, while a file the user left in the program's folder, the browser's
# settings and Quillmere's own record in the registry stay.
#   installer-roundtrip.sh <setup.exe> <dist folder> <version>
# Runs in the Wine prefix of the test run (WINEPREFIX), never in a user's own prefix.
set -euo pipefail
setup=$1
dist=$2
version=$3
fail() {
  echo "FAIL: $*" >&2
  exit 1
}
[ -n "${WINEPREFIX:-}" ] || fail "WINEPREFIX must name the test run's Wine prefix (run scripts/test)"
[ -f "$setup" ] || fail "$setup is missing"
export WINEDEBUG=${WINEDEBUG:--all}

uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quillmere'
folder="$WINEPREFIX/drive_c/Program Files/Quillmere"
shortcut="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Quillmere.lnk"

# A registry value's data, or nothing when the value is absent; "(Default)" names the default.
value() {
  local which=(/v "$2")
  [ "$2" = "(Default)" ] && which=(/ve)
  wine reg query "$1" "${which[@]}" "${@:3}" 2>/dev/null | tr -d '\r' | awk -v name="$2" '
  { line = $0; sub(/^ +/, "", line) }
  index(line, name) == 1 { sub(/^[^ ]+( [^ ]+)* +REG_[A-Z_]+ +/, "", line); print line; exit }'
}
key_exists() { wine reg query "$1" "${@:2}" >/dev/null 2>&1; }

# The user's browser settings and Quillmere's record, which no uninstall may touch.
button='HKLM\Software\Microsoft\Internet Explorer\Extensions\{D6E814A0-E0C5-11d4-8D29-0060BA690101}'
menu='HKCU\Software\Microsoft\Internet Explorer\MenuExt\Keep me'
record='HKCU\Software\qzo\Quillmere\StdBtn'
wine reg add "$button" /v ButtonText /d Kept /f /reg:32 >/dev/null
wine reg add "$menu" /ve /d 'C:\kept.htm' /f >/dev/null
wine reg add "$record" /v StdBtn01 /d '{D6E814A0-E0C5-11d4-8D29-0060BA690101}' /f >/dev/null

rm -rf "$folder" "$shortcut"
wine "$setup" /S || fail "the silent install failed"

# Every shipped file, identical to the built one.
shipped=$(cd "$dist" && find quillmere.exe qmhelp.chm Serv Images -type f | sort)
[ -n "$shipped" ] || fail "nothing shipped in $dist"
for file in $shipped; do
  cmp -s "$dist/$file" "$folder/$file" || fail "$file was not installed as built"
done
[ -f "$folder/uninstall.exe" ] || fail "no uninstaller was installed"
[ -f "$shortcut" ] || fail "no Start menu shortcut"

expect() {
  local got
  got=$(value "$uninstall_key" "$1" /reg:64)
  [ "$got" = "$2" ] || fail "uninstall entry $1 is '$got', not '$2'"
}
expect DisplayName "Quillmere"
expect DisplayVersion "$version"
expect Publisher "The Quillmere team"
expect UninstallString '"C:\Program Files\Quillmere\uninstall.exe"'
expect InstallLocation 'C:\Program Files\Quillmere'
expect DisplayIcon 'C:\Program Files\Quillmere\quillmere.exe,0'

echo "my notes" >"$folder/notes.txt"
# _?= runs the uninstaller in place and waits for it (without it, it copies itself away and
# returns at once); the uninstaller file itself is then the only thing of ours left. The
# parameter must reach it unquoted, which only a batch file's command line does.
batch="$WINEPREFIX/drive_c/qm-uninstall-test.bat"
printf '@"C:\\Program Files\\Quillmere\\uninstall.exe" /S _?=C:\\Program Files\\Quillmere\r\n' >"$batch"
wine cmd /c 'C:\qm-uninstall-test.bat' || fail "the silent uninstall failed"
rm -f "$batch"

for file in $shipped; do
  [ ! -e "$folder/$file" ] || fail "$file is still installed after the uninstall"
done
[ ! -e "$folder/Serv" ] && [ ! -e "$folder/Images" ] || fail "emptied folders were left behind"
[ ! -e "$shortcut" ] || fail "the Start menu shortcut is still there"
! key_exists "$uninstall_key" /reg:64 || fail "the uninstall entry is still there"
[ "$(cat "$folder/notes.txt" 2>/dev/null)" = "my notes" ] || fail "the user's own file was removed"
[ "$(value "$button" ButtonText /reg:32)" = "Kept" ] || fail "a toolbar button was touched"
[ "$(value "$menu" '(Default)')" = 'C:\kept.htm' ] || fail "a context-menu entry was touched"
[ "$(value "$record" StdBtn01)" = '{D6E814A0-E0C5-11d4-8D29-0060BA690101}' ] || fail "Quillmere's record was touched"

# Leave the prefix as it was found.
rm -rf "$folder"
wine reg delete "$button" /f /reg:32 >/dev/null 2>&1 || true
wine reg delete "$menu" /f >/dev/null 2>&1 || true
wine reg delete 'HKCU\Software\qzo' /f >/dev/null 2>&1 || true
echo "installer: $(wc -w <<<"$shipped") files installed and removed; browser settings kept"
