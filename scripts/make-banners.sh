#!/usr/bin/env bash
# Draws the two banner pictures of the window (our own artwork) with ImageMagick
# and writes them as small JPEG files into src/app/resources. The JPEGs are
# committed; run this only to change the artwork.
set -euo pipefail
cd "$(dirname "$0")/.."
OUT=src/app/resources
FONT_BOLD=/usr/share/fonts/truetype/liberation/LiberationSans-Bold.ttf
FONT=/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf

# A signal motif: arcs radiating from a point on the right, on a deep blue to
# teal gradient, with a faint grid of flash cells behind the title.
draw_banner() {
  local width=$1 height=$2 title_size=$3 subtitle=$4 out=$5
  local cx=$((width - 70)) cy=$((height - 22))
  local args=(-size "${width}x${height}" gradient:'#0b2a5b'-'#0f7c8c' -rotate -90 -resize "${width}x${height}!")
  # flash cells
  args+=(-fill '#ffffff10' -stroke none)
  for ((x = 6; x < width / 2; x += 14)); do
    for ((y = 6; y < height; y += 14)); do args+=(-draw "rectangle $x,$y $((x + 9)),$((y + 9))"); done
  done
  args+=(-fill none -strokewidth 3)
  local shade=('#9cecff' '#7fe3ff' '#5fcbe8' '#45b0d0' '#2f93b5')
  local i=0
  for r in 16 30 44 58 72; do
    args+=(-stroke "${shade[$i]}" -draw "arc $((cx - r)),$((cy - r)) $((cx + r)),$((cy + r)) 205,335")
    i=$((i + 1))
  done
  args+=(-stroke none -fill '#c8f6ff' -draw "circle $cx,$cy $((cx + 6)),$cy")
  args+=(-fill '#ffffff' -font "$FONT_BOLD" -pointsize "$title_size" -annotate "+18+$((height / 2 + 6))" Tuneflash)
  args+=(-fill '#cdeff7' -font "$FONT" -pointsize 15 -annotate "+20+$((height / 2 + 30))" "$subtitle")
  convert "${args[@]}" -quality 88 -strip "$out"
}

draw_banner 447 100 40 "Receiver download and upload" "$OUT/banner_main.jpg"
draw_banner 505 110 44 "Firmware and channel data for the box" "$OUT/banner_about.jpg"
ls -l "$OUT"/*.jpg
