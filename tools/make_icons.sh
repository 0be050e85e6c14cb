#!/usr/bin/env bash
# Draws the desktop icons data/icons/quillnote-{48,128,256}.png from the
# logo in fonts/icon.bmp: its eighth note, the "Q" beside it and the bar
# beneath, enlarged by whole pixels so the pixel art stays sharp.
# Needs ImageMagick; the PNGs are committed, so the build does not.
set -euo pipefail
cd "$(dirname "$0")/.."

# The logo is the rectangle (62,0,208,50) of the icon sheet; the note and
# the "Q" take 42 x 38 pixels of it from (18,8).
crop=42x38+80+8
outline="rgb(20,24,40)"
for size in 48 128 256; do
  scale=$(( size / 42 * 100 ))
  convert fonts/icon.bmp -crop "$crop" +repage \
    -fill "$outline" -draw "rectangle 41,32 41,36" \
    -filter point -resize "${scale}%" \
    -background none -gravity center -extent "${size}x${size}" \
    -strip "PNG32:data/icons/quillnote-$size.png"
done
