#!/usr/bin/env bash
# Makes the sample pictures the open dialog starts with, with ImageMagick 6 (Debian's imagemagick):
#   gradient.bmp  a plain grey ramp, white on the left to black on the right: a sloping relief
#   relief.bmp    a dome with a raised "V", blurred like a carved medallion
#   photo.jpg     a photo-like picture (a seeded plasma fractal), for the colour-to-grey road
set -euo pipefail
cd "$(dirname "$0")"
convert -size 240x320 gradient:white-black -rotate 90 -type TrueColor BMP3:gradient.bmp
convert -size 320x240 radial-gradient:gray70-black \
  \( -size 320x240 xc:black -fill white -font DejaVu-Sans-Bold -pointsize 150 -gravity center \
     -annotate 0 "V" -blur 0x5 \) -compose screen -composite -type TrueColor BMP3:relief.bmp
convert -seed 7 -size 320x240 plasma:fractal -blur 0x1.5 -quality 85 photo.jpg
