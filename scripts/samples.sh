#!/usr/bin/env bash
# Sample pictures and a sound for trying the program by hand: a few JPEG and
# BMP files made by ImageMagick and one WAV made by sox, in build/samples.
# Idempotent: an existing folder is left as it is.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
out="$root/build/samples"
[ -f "$out/.done" ] && exit 0
mkdir -p "$out"
cd "$out"
convert -size 1600x1200 plasma:tomato-steelblue -blur 0x2 \
  -font IPAGothic -fill white -pointsize 96 -gravity center -annotate 0 'Sample 1' -quality 92 landscape.jpg
exiftool -q -overwrite_original -Make='Sample Camera' -Model='Demo 1' -ExposureTime=1/125 \
  -FNumber=5.6 -ISO=200 -DateTimeOriginal='2026:12:01 10:00:00' landscape.jpg
convert -size 1200x1600 gradient:gold-seagreen -fill navy -draw 'circle 600,800 600,1300' \
  -quality 90 portrait.jpg
convert -size 2400x800 gradient:skyblue-white -fill forestgreen -draw 'rectangle 0,600 2400,800' \
  -quality 90 panorama.jpg
convert rose: -resize 640x480! BMP3:rose.bmp
convert -size 1024x768 pattern:checkerboard -fill red -draw 'circle 512,384 512,600' BMP3:checker.bmp
convert -size 800x600 plasma:pink-lightblue -interlace Plane -quality 85 progressive.jpg
sox -n -r 22050 -c 1 -b 16 chime.wav synth 1.5 sine 880 fade 0 1.5 1.2
touch .done
