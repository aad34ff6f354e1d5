#!/bin/bash
# Draws the wizard's pictures with ImageMagick: the 160x308 welcome picture
# (a mosaic of triangles) and the two 32x32 24-bit header bitmaps on the
# header band's cream. Run once; the pictures are committed.
set -euo pipefail
cd "$(dirname "$0")"

palette=('#2a9d8f' '#e9c46a' '#f4a261' '#e76f51' '#264653' '#8ab17d')

# Rows of triangles, pointing up and down in turn, with light grout.
draw=()
width=40
height=35
for ((row = 0; row * height < 308; row++)); do
  for ((column = -1; column * width / 2 < 160; column++)); do
    x=$((column * width / 2))
    y=$((row * height))
    if (((row + column + 8) % 2 == 0)); then
      points="$x,$((y + height)) $((x + width / 2)),$y $((x + width)),$((y + height))"
    else
      points="$x,$y $((x + width)),$y $((x + width / 2)),$((y + height))"
    fi
    draw+=(-fill "${palette[$(((row * 3 + column * 5 + 60) % 6))]}" -draw "polygon $points")
  done
done
# Quality 75 (and so ImageMagick's 2x2 colour sampling): half the bytes of 90,
# with no visible difference on flat triangles; every byte is in the setup.
convert -size 160x308 xc:'#264653' -stroke '#fdf6e3' -strokewidth 2 "${draw[@]}" \
  \( -size 160x308 gradient:'rgba(0,0,0,0)'-'rgba(0,0,40,0.5)' \) -composite \
  -strip -quality 75 Welcome.jpg

# The licence: a sheet with lines of text and a tile seal.
convert -size 32x32 xc:'#fffbf0' \
  -fill white -stroke '#5c6b73' -draw 'rectangle 7,3 24,28' \
  -stroke '#9aa5ab' -draw 'line 10,8 21,8' -draw 'line 10,12 21,12' -draw 'line 10,16 18,16' \
  -stroke none -fill '#e76f51' -draw 'rectangle 17,20 20,23' -fill '#2a9d8f' \
  -draw 'rectangle 21,20 24,23' -fill '#e9c46a' -draw 'rectangle 17,24 20,27' \
  -fill '#f4a261' -draw 'rectangle 21,24 24,27' \
  -type TrueColor BMP3:LicenseHeader.bmp

# The destination: a folder with a row of tiles on its front.
convert -size 32x32 xc:'#fffbf0' \
  -fill '#e9c46a' -stroke '#9c7a2b' -draw 'polygon 3,8 12,8 14,11 28,11 28,26 3,26' \
  -stroke none -fill '#2a9d8f' -draw 'rectangle 6,17 10,21' -fill '#e76f51' \
  -draw 'rectangle 13,17 17,21' -fill '#264653' -draw 'rectangle 20,17 24,21' \
  -type TrueColor BMP3:FolderHeader.bmp
