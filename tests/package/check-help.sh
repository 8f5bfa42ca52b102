#!/usr/bin/env bash
# Checks the compiled help file as a reader would meet it: it is a CHM file, it holds every page
# of the help sources (index.htm, the page the program opens, among them) byte for byte, its
# table of contents and its index lead to pages it holds, and so does every link between pages
# and every topic that F1 opens on a page of the window.
#   check-help.sh <qmhelp.chm> <resources/help>
set -euo pipefail
chm=$1
sources=$2
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

[ -s "$chm" ] || fail "$chm is missing or empty"
[ "$(head -c 4 "$chm")" = "ITSF" ] || fail "$chm is not a compiled HTML help file"
command -v extract_chmLib >/dev/null || fail "extract_chmLib (Debian libchm-bin) is needed"
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
extract_chmLib "$chm" "$out" >/dev/null || fail "$chm cannot be unpacked"

[ -f "$out/index.htm" ] || fail "index.htm is not in the help file"
grep -q '^Default topic=index.htm' "$sources/qmhelp.hhp" || fail "the help does not open on index.htm"

listed=$(sed -n '/^\[FILES\]/,/^\[/p' "$sources/qmhelp.hhp" | tr -d '\r' | grep -v '^\[' | grep . || true)
for page in "$sources"/*.htm "$sources"/*.css; do
  grep -qx "$(basename "$page")" <<<"$listed" || fail "$(basename "$page") is not listed in qmhelp.hhp"
done
count=0
for file in $listed; do
  cmp -s "$sources/$file" "$out/$file" || fail "$file is missing from the help file or differs"
  count=$((count + 1))
done

# Every target of the contents, the index and the links between pages.
targets() { grep -o "$1" "$2" | sed -E 's/.*(value|href)="//; s/"$//; s/#.*//' || true; }
links=0
for list in toc.hhc index.hhk; do
  [ -f "$out/$list" ] || fail "$list is not in the help file"
  entries=$(targets 'name="Local" value="[^"]*"' "$out/$list")
  [ -n "$entries" ] || fail "$list is empty"
  for target in $entries; do
    [ -f "$out/$target" ] || fail "$list leads to $target, which the help file does not hold"
    links=$((links + 1))
  done
done
for page in "$out"/*.htm; do
  for target in $(targets 'href="[^"]*"' "$page"); do
    case "$target" in "" | http:* | https:* | mailto:*) continue ;; esac
    [ -f "$out/$target" ] || fail "$(basename "$page") links to $target, which the help file does not hold"
    links=$((links + 1))
  done
done
# The topics that F1 opens on the pages of the window (the page table in app/Main.cpp).
main="$sources/../../app/Main.cpp"
[ -f "$main" ] || fail "$main is missing"
topics=$(grep -E '^ *\{"[^"]*", IDM_VIEW[A-Z]*, "[^"]*"\},' "$main" | grep -o '"[^"]*\.htm"' | tr -d '"' || true)
[ "$(wc -w <<<"$topics")" -eq 4 ] || fail "app/Main.cpp does not name a help topic for each of the four pages"
for topic in $topics; do
  [ -f "$out/$topic" ] || fail "F1 opens $topic, which the help file does not hold"
  links=$((links + 1))
done
echo "help file: $count files, $links links and entries, all present"
