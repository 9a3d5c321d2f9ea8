#!/usr/bin/env bash
# Makes the program's two logos with ImageMagick 6 (convert), our own artwork:
#   splash.gif  700 x 200, still: the name beside a carved ripple relief (splash window)
#   about.gif   450 x 129, animated and looping: a cutter carves the name (About window)
# Run from anywhere: bash gif/logos/make_logos.sh. The GIF files are committed beside this script
# and built into the program; run it again only to change the artwork.
set -euo pipefail
out="$(cd "$(dirname "$0")" && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"

# Splash: a height field of rings around a point on the right, lit from the upper left, in wood
# colours, fading into a blue ground under the name.
convert -size 700x200 xc: -fx 'rr=sqrt((i-590)*(i-590)+(j-100)*(j-100)); 0.5+0.5*cos(rr/5.5)*exp(-rr/240)' height.png
convert height.png -shade 125x40 -normalize +level-colors '#2a1d10,#f3d7a8' relief.png
convert -size 200x700 gradient:white-black -rotate 90 -level 38%,70% fade.png
convert -size 700x200 gradient:'#0f1f33-#2c5378' \( relief.png fade.png -alpha off -compose copy_opacity -composite \) \
  -compose over -composite -font DejaVu-Sans-Bold -pointsize 100 \
  -fill '#00000090' -annotate +45+136 'Velkora' -fill white -annotate +38+129 'Velkora' splash.png
convert splash.png -colors 128 -comment 'Velkora' "$out/splash.gif"

# About: the name as a carved relief on a ground of fine machining passes, uncovered from left to
# right by an end mill; the finished name stays for three seconds, then it starts again.
W=450 H=129 N=14
convert -size ${W}x${H} xc:black -font DejaVu-Sans-Bold -pointsize 86 -fill white -gravity center \
  -annotate +0+0 'Velkora' text.png
convert text.png -blur 0x2.5 -shade 120x40 -normalize +level-colors '#3b2814,#f7deb2' carved.png
convert carved.png \( text.png -blur 0x0.7 \) -alpha off -compose copy_opacity -composite letters.png
convert -size ${H}x${W} gradient:'#102236-#2b5276' -rotate 90 \
  \( -size ${W}x${H} pattern:horizontal2 -negate -evaluate multiply 0.06 \) -compose plus -composite ground.png
frames=()
for i in $(seq 0 $N); do
  x=$(( i * W / N ))
  convert ground.png \( letters.png -crop ${x}x${H}+0+0 +repage \) -geometry +0+0 -compose over -composite \
    -fill '#c9ced6' -stroke '#6d7480' -draw "roundrectangle $((x-7)),-10 $((x+7)),56 3,3" \
    -fill '#8b929e' -draw "polygon $((x-7)),56 $((x+7)),56 $((x+2)),68 $((x-2)),68" \
    "frame$(printf %02d "$i").png"
  frames+=("frame$(printf %02d "$i").png")
done
convert ground.png letters.png -compose over -composite finished.png
convert "${frames[7]}" finished.png -append -colors 96 palette.gif
convert -loop 0 -delay 8 "${frames[@]}" -delay 300 finished.png +dither -remap palette.gif -layers Optimize \
  -comment 'Velkora' "$out/about.gif"
