#!/usr/bin/env bash
# Writes Tilequilt's icon for Windows (an .ico of 16 x 16 and 32 x 32 pixels) drawn from the same
# design as tilequilt.svg: four squares of map colours, the tile grid in blue, a dark frame.
# Usage: make_icon.sh OUT.ico
set -eu
out=$1

byte() { printf -v octal '\\%03o' "$1"; printf "$octal"; }
le16() { byte $(($1 & 255)); byte $(($1 >> 8 & 255)); }
le32() { le16 $(($1 & 65535)); le16 $(($1 >> 16 & 65535)); }

# Whether pixel $1 of a $3-pixel side spans unit $2 of the SVG's 48.
spans() { [ $(($1 * 48)) -le $(($2 * $3)) ] && [ $(($2 * $3)) -lt $((($1 + 1) * 48)) ]; }

# The colour (blue, green, red) at icon pixel ($1, $2) of a $3-pixel icon, in the SVG's 48 units.
pixel() {
  local px=$1 py=$2 n=$3
  u=$(( (px * 2 + 1) * 24 / n )) v=$(( (py * 2 + 1) * 24 / n ))
  if [ $u -lt 2 ] || [ $v -lt 2 ] || [ $u -ge 46 ] || [ $v -ge 46 ]; then
    set -- 42 42 42
  elif [ $u -lt 24 ] && [ $v -lt 24 ]; then set -- 58 140 91
  elif [ $v -lt 24 ]; then set -- 156 110 47
  elif [ $u -lt 24 ]; then set -- 79 150 184
  else set -- 78 143 111
  fi
  b=$1 g=$2 r=$3
  for line in 13 24 35; do
    if spans "$px" "$line" "$n" || spans "$py" "$line" "$n"; then
      b=$(( (b * 45 + 255 * 55) / 100 )) g=$(( (g * 45 + 60 * 55) / 100 )) r=$(( (r * 45 + 30 * 55) / 100 ))
      break
    fi
  done
  byte $b; byte $g; byte $r; byte 255
}

# One image: a 40-byte header (twice the height: colours and mask), the rows bottom-up, and an
# all-opaque mask of whole 4-byte words per row.
image() {
  local n=$1
  le32 40; le32 "$n"; le32 $((2 * n)); le16 1; le16 32; le32 0; le32 $((n * n * 4 + n * 4))
  le32 0; le32 0; le32 0; le32 0
  y=$((n - 1))
  while [ $y -ge 0 ]; do
    x=0
    while [ $x -lt "$n" ]; do pixel $x $y "$n"; x=$((x + 1)); done
    y=$((y - 1))
  done
  i=0
  while [ $i -lt $((n * 4)) ]; do byte 0; i=$((i + 1)); done
}

{
  le16 0; le16 1; le16 2                      # an icon file of two images
  size16=$((40 + 16 * 16 * 4 + 16 * 4)) size32=$((40 + 32 * 32 * 4 + 32 * 4))
  byte 16; byte 16; byte 0; byte 0; le16 1; le16 32; le32 $size16; le32 38
  byte 32; byte 32; byte 0; byte 0; le16 1; le16 32; le32 $size32; le32 $((38 + size16))
  image 16
  image 32
} >"$out"
