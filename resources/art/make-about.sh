#!/usr/bin/env bash
# Draws about.bmp, the 150 x 200 picture of the About box (a quill over a lake at dusk),
# with ImageMagick. The result is committed; run this only to change the picture.
set -euo pipefail
cd "$(dirname "$0")"
convert -size 150x128 gradient:'#18214a-#e9965a' \
        -size 150x72 gradient:'#3b5577-#0c1a2c' -append \
  -fill '#f7e2b0' -draw 'circle 104,96 104,84' \
  -fill '#223049' -draw 'polygon 0,128 0,104 22,96 48,108 70,98 96,110 122,100 150,106 150,128' \
  -fill '#15233a' -draw 'polygon 0,128 0,114 30,108 60,118 90,112 120,120 150,114 150,128' \
  -stroke '#f7e2b0' -strokewidth 1 \
  -draw 'line 88,136 120,136' -draw 'line 94,144 114,144' -draw 'line 98,152 110,152' \
  -draw 'line 20,162 44,162' -draw 'line 60,172 78,172' \
  -stroke none -fill '#fdfbf5' \
  -draw 'path "M 36,186 C 44,140 74,82 126,18 C 124,62 100,120 46,178 Z"' \
  -fill '#d9d4c7' \
  -draw 'path "M 36,186 C 44,140 74,82 126,18 C 96,70 70,120 40,182 Z"' \
  -stroke '#8c7b5e' -strokewidth 2 -fill none \
  -draw 'path "M 30,196 C 48,150 80,90 124,22"' \
  -stroke '#2b2b2b' -strokewidth 2 -draw 'line 28,199 33,188' \
  -type TrueColor BMP3:about.bmp
