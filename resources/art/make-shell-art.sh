#!/usr/bin/env bash
# Draws the shell's pictures with ImageMagick: the images of the tool bar (normal and
# highlighted), the tabs and the menus, as strips on magenta (the transparent colour), at 16 x 16
# (toolbar.bmp ...) and, for screens of more than 96 dots per inch, at 20, 24 and 32 pixels
# (toolbar-20.bmp ...), each drawn anew at its size from the same 16-pixel drawing; and the
# 150 x 200 splash picture. The BMP files it writes are kept in the repository; run it again
# after changing a drawing.
set -euo pipefail
cd "$(dirname "$0")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# icon NAME DRAW-ARGS...: a drawing in 16-pixel coordinates on a transparent ground of $size
# pixels, scaled to that size, without anti-aliasing so that every pixel is either the picture
# or the transparent colour.
icon() {
  local name=$1
  shift
  local scale
  scale=$(awk "BEGIN { print $size / 16 }")
  convert -size "${size}x${size}" xc:none +antialias -affine "$scale,0,0,$scale,0,0" "$@" \
    "$tmp/$name.png"
}

# strip OUT NAMES...: the images side by side on magenta, as a 24-bit Windows bitmap.
strip() {
  local out=$1
  shift
  local files=()
  for name in "$@"; do files+=("$tmp/$name.png"); done
  convert "${files[@]}" +append -background '#ff00ff' -alpha remove -alpha off \
    -type TrueColor "BMP3:$out"
}

for size in 16 20 24 32; do
  suffix=""
  [ "$size" -eq 16 ] || suffix="-$size"
  icon refresh -fill none -stroke '#1c7a1c' -strokewidth 2 -draw 'path "M 12.5,8 A 5,5 0 1,1 7.5,3"' \
    -stroke none -fill '#1c7a1c' -draw 'polygon 7,0 11,3 7,6' -fill '#55c455' -draw 'point 8,3'
  icon add -fill '#0f5f0f' -draw 'rectangle 6,1 9,14' -draw 'rectangle 1,6 14,9' \
    -fill '#3fbf3f' -draw 'rectangle 7,2 8,13' -draw 'rectangle 2,7 13,8'
  icon save -fill '#1f3f8f' -draw 'rectangle 1,1 14,14' \
    -fill '#ffffff' -draw 'rectangle 3,2 12,7' \
    -fill '#8fa8d8' -draw 'line 4,4 11,4' -draw 'line 4,6 11,6' \
    -fill '#c0c0c0' -draw 'rectangle 4,10 11,14' -fill '#1f3f8f' -draw 'rectangle 5,11 6,13'
  icon delete -fill '#a01010' -draw 'polygon 2,4 4,2 8,6 12,2 14,4 10,8 14,12 12,14 8,10 4,14 2,12 6,8' \
    -fill '#ff5050' -draw 'line 4,4 12,12' -draw 'line 12,4 4,12'
  # The highlighted images: the same drawings, lighter and more saturated.
  for name in refresh add save delete; do
    convert "$tmp/$name.png" -modulate 135,160 "$tmp/$name-hot.png"
  done

  # Tabs: a row of tool bar buttons, a context menu, a landscape picture, a window.
  icon tab-buttons -fill '#808080' -draw 'rectangle 0,4 15,12' -fill '#d4d0c8' -draw 'rectangle 1,5 14,11' \
    -fill '#d02020' -draw 'rectangle 2,6 4,10' -fill '#20a020' -draw 'rectangle 6,6 8,10' \
    -fill '#2040d0' -draw 'rectangle 10,6 12,10'
  icon tab-menu -fill '#404040' -draw 'rectangle 2,0 14,15' -fill '#ffffff' -draw 'rectangle 3,1 13,14' \
    -fill '#606060' -draw 'line 5,3 11,3' -fill '#0a246a' -draw 'rectangle 3,5 13,8' \
    -fill '#ffffff' -draw 'line 5,6 11,6' -fill '#606060' -draw 'line 5,10 11,10' -draw 'line 5,12 10,12'
  icon tab-backgrounds -fill '#5a3a1a' -draw 'rectangle 0,1 15,14' -fill '#87ceeb' -draw 'rectangle 1,2 14,13' \
    -fill '#ffd700' -draw 'circle 11,5 12,6' -fill '#2e8b2e' -draw 'polygon 1,13 5,7 9,13' \
    -fill '#3cb03c' -draw 'polygon 6,13 10,9 14,13'
  icon tab-window -fill '#404040' -draw 'rectangle 0,1 15,14' -fill '#0a246a' -draw 'rectangle 1,2 14,4' \
    -fill '#ffffff' -draw 'rectangle 1,5 14,13' -draw 'point 13,3' -draw 'point 12,3' \
    -fill '#808080' -draw 'line 3,7 12,7' -draw 'line 3,9 10,9' -draw 'line 3,11 11,11'

  # Menus: import (an arrow into a tray), export (an arrow out of it), help, about.
  tray='-fill #606060 -draw "rectangle 1,11 14,15" -fill #c8c8c8 -draw "rectangle 2,12 13,14"'
  icon import -fill '#606060' -draw 'rectangle 1,11 14,15' -fill '#c8c8c8' -draw 'rectangle 2,12 13,14' \
    -fill '#1c7a1c' -draw 'rectangle 6,0 9,6' -draw 'polygon 3,6 12,6 8,11 7,11'
  icon export -fill '#606060' -draw 'rectangle 1,11 14,15' -fill '#c8c8c8' -draw 'rectangle 2,12 13,14' \
    -fill '#1f3f8f' -draw 'rectangle 6,4 9,10' -draw 'polygon 3,5 12,5 8,0 7,0'
  icon content -fill '#1f3f8f' -draw 'circle 7.5,7.5 7.5,0' -fill '#ffffff' \
    -font DejaVu-Sans-Bold -pointsize "$((12 * size / 16))" -gravity center -annotate +0+0 '?'
  icon about -fill '#1f3f8f' -draw 'circle 7.5,7.5 7.5,0' -fill '#ffffff' \
    -draw 'rectangle 7,3 8,4' -draw 'rectangle 7,6 8,12' -draw 'line 6,6 7,6' -draw 'line 6,12 9,12'
  unset tray

  strip "toolbar$suffix.bmp" refresh add save delete
  strip "toolbar-hot$suffix.bmp" refresh-hot add-hot save-hot delete-hot
  strip "tabs$suffix.bmp" tab-buttons tab-menu tab-backgrounds tab-window
  strip "menu$suffix.bmp" import export content about
done

# The splash: a quill over a night-blue ground, the program's name and version.
convert -size 150x200 gradient:'#0a246a'-'#3a6ea5' \
  -fill '#f4f1e6' -stroke '#c8c0a8' -strokewidth 1 \
  -draw 'path "M 42,150 C 52,110 78,62 118,24 C 112,62 92,104 54,144 Z"' \
  -stroke '#8a8470' -draw 'path "M 44,148 C 64,112 88,72 114,30"' \
  -stroke '#202020' -strokewidth 2 -draw 'line 44,148 36,162' \
  -stroke none -fill '#202020' -draw 'circle 35,165 36,166' \
  -fill '#ffffff' -font DejaVu-Serif-Bold -pointsize 18 -gravity north -annotate +0+166 'Quillmere' \
  -fill '#d8e4f4' -font DejaVu-Sans -pointsize 9 -gravity north -annotate +0+187 'version 1.1' \
  -fill '#d8e4f4' -font DejaVu-Sans -pointsize 8 -gravity north -annotate +0+6 'Internet Explorer settings' \
  -alpha off -type TrueColor BMP3:logo.bmp
