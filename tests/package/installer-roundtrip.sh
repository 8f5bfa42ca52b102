#!/usr/bin/env bash
# Installs Quillmere silently with its installer, checks what was installed, then uninstalls it
# silently and checks that exactly that is gone: the program's files, its Start menu shortcut
# and its uninstall entry, while a file the user left in the program's folder, the browser's
# settings and Quillmere's own record in the registry stay.
# Then the round trips with buttons and menu entries made from the templates, which point at
# the template pages and icons in the program's folder: a silent uninstall keeps them and the
# files they point at; one with /REMOVESETTINGS removes the program's own ones, in every root
# and view, with their own-record entries, and the files nothing points at any more.
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
winfolder='C:\Program Files\Quillmere'
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

install() {
  wine "$setup" /S || fail "the silent install failed"
}
# _?= runs the uninstaller in place and waits for it (without it, it copies itself away and
# returns at once); the uninstaller file itself is then the only thing of ours left. The
# parameter must reach it unquoted, which only a batch file's command line does.
uninstall() {
  local batch="$WINEPREFIX/drive_c/qm-uninstall-test.bat"
  printf '@"%s\\uninstall.exe" /S %s _?=%s\r\n' "$winfolder" "$*" "$winfolder" >"$batch"
  wine cmd /c 'C:\qm-uninstall-test.bat' || fail "the silent uninstall $* failed"
  rm -f "$batch"
}
# The files left in the program's folder, one relative path a line, sorted, but for the
# uninstaller, which the run in place cannot delete.
left_files() {
  (cd "$folder" 2>/dev/null && find . -type f ! -path ./uninstall.exe | sed 's|^\./||' | LC_ALL=C sort) || true
}

# Buttons and entries for the round trips with templates.
extensions='HKEY_LOCAL_MACHINE\Software\Microsoft\Internet Explorer\Extensions'
user_extensions='HKEY_CURRENT_USER\Software\Microsoft\Internet Explorer\Extensions'
menuext='HKEY_CURRENT_USER\Software\Microsoft\Internet Explorer\MenuExt'
made='{D6E814A0-E0C5-11d4-8D29-0060BA690102}'     # Add from template 1, in both views
recorded='{D6E814A0-E0C5-11d4-8D29-0060BA690104}' # no marker, but in the own record
elsewhere='{D6E814A0-E0C5-11d4-8D29-0060BA690103}' # the program's, edited to run notepad
foreign='{0A1B2C3D-0000-4000-8000-00000000F0E1}'   # the user's own, with a template's icon
# The user's browser settings and Quillmere's record, which no uninstall may touch.
button='HKEY_LOCAL_MACHINE\Software\Microsoft\Internet Explorer\Extensions\{D6E814A0-E0C5-11d4-8D29-0060BA690101}'
menu='HKEY_CURRENT_USER\Software\Microsoft\Internet Explorer\MenuExt\Keep me'
record='HKEY_CURRENT_USER\Software\qzo\Quillmere\StdBtn'
# Imports registry text in the registry editor's format (data with "\\" for a backslash) into
# both registry views; a key of the current user's lands once, as both views share it.
import_reg() {
  local file="$WINEPREFIX/drive_c/qm-roundtrip.reg"
  { printf 'Windows Registry Editor Version 5.00\n\n'; cat; } | sed 's/$/\r/' >"$file"
  for view in 32 64; do
    wine reg import 'C:\qm-roundtrip.reg' /reg:$view >/dev/null 2>&1 || fail "could not import: $(cat "$file")"
  done
  rm -f "$file"
}
# Deletes keys, in both registry views (reg import ignores the view when it deletes).
delete_keys() {
  local key view
  for key in "$@"; do
    for view in 32 64; do
      wine reg delete "$key" /f /reg:$view >/dev/null 2>&1 || true
    done
  done
}
# Leaves the prefix as it was found, also after a failure.
clean_up() {
  rm -rf "$folder" "$WINEPREFIX/drive_c/qm-uninstall-test.bat"
  delete_keys "$button" "$extensions\\$made" "$extensions\\$recorded" "$extensions\\$elsewhere" \
    "$menu" "$menuext\\QZO Menu" "$user_extensions\\$foreign" 'HKCU\Software\qzo'
}
clean_up
trap clean_up EXIT

wine reg add "$button" /v ButtonText /d Kept /f /reg:32 >/dev/null
wine reg add "$menu" /ve /d 'C:\kept.htm' /f >/dev/null
wine reg add "$record" /v StdBtn01 /d '{D6E814A0-E0C5-11d4-8D29-0060BA690101}' /f >/dev/null

rm -rf "$folder" "$shortcut"
install

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
uninstall

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
rm -f "$folder/notes.txt"

# --- Buttons and menu entries made from the templates ---

# What Add writes on the button page (in both registry views) and on the context-menu page,
# and a button named in the own record whose Exec is spelled as a user may have typed it:
# quoted, with slashes, "..", and other letter case.
make_template_settings() {
  local dir=${winfolder//\\/\\\\}
  import_reg <<EOF
[$extensions\\$made]
"CLSID"="{1FBA04EE-3024-11d2-8F1F-0000F87ABD16}"
"ButtonText"="&Highlight Selection"
"Script"="$dir\\\\Serv\\\\hlsel.htm"
"Icon"="$dir\\\\Images\\\\Icons\\\\marker.ico"
"HotIcon"="$dir\\\\Images\\\\Icons\\\\marker.ico"
"Default Visible"="YES"
"MenuText"="&Highlight Selection"
"MenuStatusBar"="Selection Highlighter"
"IsQuillmere"="YES"
[$menuext\\QZO Menu]
@="$dir\\\\Serv\\\\hello.htm"
"Contexts"=dword:0000003f
"IsQuillmere"="YES"
[$record]
"StdBtn02"="$made"
"StdBtn04"="$recorded"
[$extensions\\$recorded]
"Exec"="\"c:/program files/QUILLMERE/serv/../Serv/zoomsel.htm\" /x"
EOF
}
# The program's button edited to run notepad, and the user's own button with a template's icon.
make_other_settings() {
  import_reg <<EOF
[$extensions\\$elsewhere]
"Exec"="C:\\\\windows\\\\notepad.exe"
"IsQuillmere"="YES"
[$record]
"StdBtn03"="$elsewhere"
[$user_extensions\\$foreign]
"CLSID"="{1FBA04EE-3024-11d2-8F1F-0000F87ABD16}"
"Icon"="%ProgramFiles%\\\\Quillmere\\\\Images\\\\Icons\\\\qmbar.ico,0"
EOF
}
# Whether each template setting is there ("yes"/"no" in a fixed order), to compare at once.
template_settings() {
  local found=()
  for view in 32 64; do
    key_exists "$extensions\\$made" /reg:$view && found+=(yes) || found+=(no)
  done
  [ -n "$(value "$record" StdBtn02)" ] && found+=(yes) || found+=(no)
  key_exists "$menuext\\QZO Menu" && found+=(yes) || found+=(no)
  key_exists "$extensions\\$recorded" /reg:32 && found+=(yes) || found+=(no)
  [ -n "$(value "$record" StdBtn04)" ] && found+=(yes) || found+=(no)
  echo "${found[*]}"
}
# The settings no uninstall may remove: not the program's own, or pointing elsewhere.
check_others_kept() {
  [ "$(value "$extensions\\$elsewhere" Exec /reg:64)" = 'C:\windows\notepad.exe' ] || fail "$1: a button of the program's that uses no template was removed"
  [ "$(value "$record" StdBtn03)" = "$elsewhere" ] || fail "$1: the own record of a button that uses no template was removed"
  key_exists "$user_extensions\\$foreign" || fail "$1: the user's own button was removed"
  [ "$(value "$button" ButtonText /reg:32)" = "Kept" ] || fail "$1: a toolbar button was touched"
  [ "$(value "$menu" '(Default)')" = 'C:\kept.htm' ] || fail "$1: a context-menu entry was touched"
}
# The files left must be exactly the template files still pointed at, as built.
check_left() {
  local want=$2 file
  [ "$(left_files | tr '\n' ' ')" = "$want" ] || fail "$1: the folder holds '$(left_files | tr '\n' ' ')', not '$want'"
  for file in $want; do
    cmp -s "$dist/$file" "$folder/$file" || fail "$1: $file was changed"
  done
}

install
make_template_settings
make_other_settings
uninstall
[ "$(template_settings)" = "yes yes yes yes yes yes" ] || fail "a silent uninstall removed settings made from templates ($(template_settings))"
check_others_kept "a silent uninstall"
check_left "a silent uninstall" "Images/Icons/marker.ico Images/Icons/qmbar.ico Serv/hello.htm Serv/hlsel.htm Serv/zoomsel.htm "
! key_exists "$uninstall_key" /reg:64 || fail "the uninstall entry is still there"

install
uninstall /REMOVESETTINGS
[ "$(template_settings)" = "no no no no no no" ] || fail "/REMOVESETTINGS left settings made from templates ($(template_settings))"
check_others_kept "/REMOVESETTINGS"
# The user's own button still uses this icon.
check_left "/REMOVESETTINGS" "Images/Icons/qmbar.ico "

# Once nothing points at the folder, it goes, and so does the emptied own record.
delete_keys "$extensions\\$elsewhere" "$user_extensions\\$foreign"
wine reg delete "$record" /v StdBtn01 /f >/dev/null
wine reg delete "$record" /v StdBtn03 /f >/dev/null
install
make_template_settings
uninstall /REMOVESETTINGS
[ "$(template_settings)" = "no no no no no no" ] || fail "/REMOVESETTINGS left settings made from templates ($(template_settings))"
! key_exists 'HKCU\Software\qzo' || fail "the emptied own record was left behind"
check_left "/REMOVESETTINGS without other settings" ""
[ ! -e "$folder/Serv" ] && [ ! -e "$folder/Images" ] || fail "emptied folders were left behind"

echo "installer: $(wc -w <<<"$shipped") files installed and removed; browser settings kept;" \
  "settings made from templates kept with their files, and removed on request"
