#!/usr/bin/env bash
# Reads the Group Policy file that quillmere.exe /export-gpo writes with a parser that knows
# nothing of Windows (Python's expat, as strict about XML's characters as the console's), for
# buttons whose values hold every kind of character the registry's UTF-16 can: what XML can
# carry must read back exactly, and anything else must be refused (exit code 6, no file).
#   gpo-xml-wellformed.sh <the test run's command for a Windows program ...> <quillmere.exe>
# Runs in the Wine prefix of the test run (WINEPREFIX) and removes the keys it made.
set -euo pipefail
fail() {
  echo "FAIL: $*" >&2
  exit 1
}
[ $# -ge 2 ] || fail "give the command that starts a Windows program and quillmere.exe"
program=${*: -1}
run=("${@:1:$#-1}")
[ -n "${WINEPREFIX:-}" ] || fail "WINEPREFIX must name the test run's Wine prefix (run scripts/test)"
export WINEDEBUG=${WINEDEBUG:--all}
work=$(mktemp -d)
key='HKEY_LOCAL_MACHINE\Software\Microsoft\Internet Explorer\Extensions\{QM-GPO-XML-TEST}'
cleanup() {
  "${run[@]}" reg delete "$key" /f >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT
windows() { echo "Z:${1//\//\\}"; }

# Writes a registry file (UTF-16, as regedit reads it) for one button: name=text pairs as
# Python literals, each value a REG_SZ with the text's exact UTF-16 units, broken ones included.
seed() {
  python3 - "$work/seed.reg" "$key" "$@" <<'EOF'
import sys
path, key, pairs = sys.argv[1], sys.argv[2], sys.argv[3:]
def units(text):
    return text.encode('utf-16-le', 'surrogatepass')
lines = ['Windows Registry Editor Version 5.00', '', '[' + key + ']', '"IsQuillmere"="YES"']
for pair in pairs:
    name, text = eval(pair)
    data = units(text) + b'\0\0'
    lines.append('"%s"=hex(1):%s' % (name, ','.join('%02x' % b for b in data)))
body = '\r\n'.join(lines) + '\r\n'
with open(path, 'wb') as out:
    out.write(b'\xff\xfe' + body.encode('utf-16-le', 'surrogatepass'))
EOF
  "${run[@]}" reg delete "$key" /f >/dev/null 2>&1 || true
  "${run[@]}" regedit /s "$(windows "$work/seed.reg")" || fail "regedit cannot import the seed"
}

export_gpo() {
  set +e
  "${run[@]}" "$program" /export-gpo "$(windows "$work/out.xml")" /quiet >"$work/output.txt" 2>&1
  code=$?
  set -e
}

# What XML can carry: written, read by the parser, and every value as it was stored.
seed "('ButtonText', 'Fine')" "('Astral', '\U0001F600 smile')" "('Markup', 'a&b<c>\"d\'')" \
  "('Lines', 'tab\tLF\nCR\rend')" "('Replacement', '\ufffd stored as such')" \
  "('Edges', '\x7f\x85\ue000\ufffd\U0010FFFD')"
rm -f "$work/out.xml"
export_gpo
[ "$code" = 0 ] || fail "a button XML can carry was refused ($code): $(cat "$work/output.txt")"
python3 - "$work/out.xml" <<'EOF' || fail "the parser refused the file or read other values"
import sys, xml.etree.ElementTree as ET
expected = {'ButtonText': 'Fine', 'Astral': '\U0001F600 smile', 'Markup': 'a&b<c>"d\'',
            'Lines': 'tab\tLF\nCR\rend', 'Replacement': '\ufffd stored as such',
            'Edges': '\x7f\x85\ue000\ufffd\U0010FFFD', 'IsQuillmere': 'YES'}
found = {}
for properties in ET.parse(sys.argv[1]).iter('Properties'):
    found[properties.get('name')] = properties.get('value')
if found != expected:
    print('read back:', found, file=sys.stderr)
    sys.exit(1)
# Each item leaves the clients with the policy: Replace, removed when no longer applied.
for item in ET.parse(sys.argv[1]).iter('Registry'):
    if (item.get('removePolicy'), item.find('Properties').get('action')) != ('1', 'R'):
        print('an item stays when the policy goes:', item.attrib, file=sys.stderr)
        sys.exit(1)
EOF

# What XML cannot carry exactly: refused, naming the value, and the earlier file kept with
# nothing left beside it.
while IFS='|' read -r pair named why; do
  seed "('ButtonText', 'Odd')" "$pair"
  printf 'earlier deployment' >"$work/out.xml"
  export_gpo
  [ "$code" = 6 ] || fail "$pair gave exit code $code, not 6: $(cat "$work/output.txt")"
  grep -qF "The button \"Odd\" cannot go into a Group Policy file: its value \"$named\" $why" \
    "$work/output.txt" || fail "$pair: the refusal does not say which value and why: $(cat "$work/output.txt")"
  [ "$(cat "$work/out.xml")" = "earlier deployment" ] || fail "$pair: the earlier file was changed"
  left=$(ls "$work" | sort | tr '\n' ' ')
  [ "$left" = "out.xml output.txt seed.reg " ] || fail "$pair: files were left behind: $left"
done <<'ROWS'
('MenuText', 'ring\ufffe')|MenuText|holds the character U+FFFE or U+FFFF
('MenuText', '\uffff')|MenuText|holds the character U+FFFE or U+FFFF
('MenuText', 'half \ud83d')|MenuText|holds a broken character
('MenuText', '\ude00 low')|MenuText|holds a broken character
('Bad\udc00', 'x')|Bad�|holds a broken character
('MenuText', 'cut\x00here')|MenuText|holds a NUL character inside its text
('MenuText', 'bell\x07')|MenuText|holds a control character
ROWS
echo "the Group Policy file is well-formed and exact for every value"
