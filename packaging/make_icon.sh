#!/usr/bin/env bash
# Writes Tilequilt's icon for Windows: an .ico of 16, 20, 24, 32, 40, 48, 64 and 256 pixels a
# side (the title bar's and Alt+Tab's sizes at every display scaling), drawn from the same design
# as tilequilt.svg: four squares of map colours, the tile grid in blue, a dark frame.
# Usage: make_icon.sh OUT.ico
set -eu
out=$1
sizes=(16 20 24 32 40 48 64 256)

# Bytes are written as printf escapes (\ooo), kept in strings and printed with %b.
byte() { printf -v octal '\\%03o' "$1"; bytes+=$octal; }
le16() { byte $(($1 & 255)); byte $(($1 >> 8 & 255)); }
le32() { le16 $(($1 & 65535)); le16 $(($1 >> 16 & 65535)); }

# Whether pixel $1 of a $2-pixel side spans one of the grid lines (units 13, 24, 35 of the
# SVG's 48).
on_line() {
  local line
  for line in 13 24 35; do
    if [ $(($1 * 48)) -le $((line * $2)) ] && [ $((line * $2)) -lt $((($1 + 1) * 48)) ]; then
      return 0
    fi
  done
  return 1
}

# The pixel ($1, $2) of a $3-pixel icon as blue, green, red and alpha escapes, added to `bytes`.
pixel() {
  local px=$1 py=$2 n=$3 u v b g r
  u=$(( (px * 2 + 1) * 24 / n )) v=$(( (py * 2 + 1) * 24 / n ))
  if [ $u -lt 2 ] || [ $v -lt 2 ] || [ $u -ge 46 ] || [ $v -ge 46 ]; then
    b=42 g=42 r=42
  elif [ $u -lt 24 ] && [ $v -lt 24 ]; then b=58 g=140 r=91
  elif [ $v -lt 24 ]; then b=156 g=110 r=47
  elif [ $u -lt 24 ]; then b=79 g=150 r=184
  else b=78 g=143 r=111
  fi
  if [ $b -ne 42 ] && { on_line "$px" "$n" || on_line "$py" "$n"; }; then
    b=$(( (b * 45 + 255 * 55) / 100 )) g=$(( (g * 45 + 60 * 55) / 100 )) r=$(( (r * 45 + 30 * 55) / 100 ))
  fi
  byte $b; byte $g; byte $r; byte 255
}

# One image: a 40-byte header (twice the height: colours and mask), the rows bottom-up, and an
# all-opaque mask of whole 4-byte words per row. A row depends only on which band of the design
# its pixels fall in, so each kind of row is drawn once.
image() {
  local n=$1 y x key mask_row
  local -A rows=()
  bytes=
  le32 40; le32 "$n"; le32 $((2 * n)); le16 1; le16 32; le32 0
  le32 $((n * n * 4 + n * ((n + 31) / 32) * 4))
  le32 0; le32 0; le32 0; le32 0
  printf '%b' "$bytes"
  for ((y = n - 1; y >= 0; y--)); do
    v=$(( (y * 2 + 1) * 24 / n ))
    key=$(( v < 2 ? 0 : v >= 46 ? 0 : v < 24 ? 1 : 2 ))
    on_line "$y" "$n" && key+=l
    if [ -z "${rows[$key]:-}" ]; then
      bytes=
      for ((x = 0; x < n; x++)); do pixel $x $y "$n"; done
      rows[$key]=$bytes
    fi
    printf '%b' "${rows[$key]}"
  done
  bytes=
  for ((x = 0; x < (n + 31) / 32 * 4; x++)); do byte 0; done
  mask_row=$bytes
  for ((y = 0; y < n; y++)); do printf '%b' "$mask_row"; done
}

{
  bytes=
  le16 0; le16 1; le16 ${#sizes[@]}
  offset=$((6 + 16 * ${#sizes[@]}))
  for n in "${sizes[@]}"; do
    size=$((40 + n * n * 4 + n * ((n + 31) / 32) * 4))
    byte $((n & 255)); byte $((n & 255)); byte 0; byte 0; le16 1; le16 32; le32 $size; le32 $offset
    offset=$((offset + size))
  done
  printf '%b' "$bytes"
  for n in "${sizes[@]}"; do image "$n"; done
} >"$out"
