#!/usr/bin/env bash
# Draws the Stub's icon (resource 1) and wizard picture (bitmap 100) with ImageMagick.
# The results are committed; run this only to change the pictures.
set -euo pipefail
cd "$(dirname "$0")"

# The picture: a blue gradient like the background window, with a crate being strapped
# shut (the product's idea: things packed tight), reduced to 16 colours for size.
convert -size 84x200 gradient:'#2050f0'-'#001060' \
  -fill '#c89040' -stroke '#604010' -strokewidth 2 -draw 'polygon 14,112 42,98 70,112 70,150 42,164 14,150' \
  -fill '#e0b060' -draw 'polygon 14,112 42,98 70,112 42,126' \
  -stroke '#f0f0f0' -strokewidth 3 -draw 'line 42,126 42,164' -draw 'line 28,105 56,119' \
  -stroke none -fill '#ffffff' -draw 'circle 60,40 63,40' -draw 'circle 24,62 26,62' -draw 'circle 66,76 68,76' \
  -dither None -colors 16 -type Palette -compress RLE BMP3:wizard.bmp
# The writer keeps all 256 palette entries; only the used ones are worth their bytes.
python3 trim-palette.py wizard.bmp

# The icon: the same crate on a blue tile, 32 and 16 pixels, 16 colours.
convert -size 32x32 xc:'#1840c0' \
  -fill '#c89040' -stroke '#604010' -strokewidth 1 -draw 'polygon 5,13 16,8 27,13 27,24 16,29 5,24' \
  -fill '#e0b060' -draw 'polygon 5,13 16,8 27,13 16,18' \
  -stroke '#f0f0f0' -strokewidth 2 -draw 'line 16,18 16,29' \
  -dither None -colors 16 -type Palette icon32.png
convert icon32.png -resize 16x16 -dither None -colors 16 icon16.png
convert icon32.png icon16.png -colors 16 -type Palette stub.ico
rm -f icon32.png icon16.png
ls -l wizard.bmp stub.ico
