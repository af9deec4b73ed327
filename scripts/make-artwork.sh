#!/usr/bin/env bash
# Draws Vxfsend's icon and bitmaps into resources/art/ with ImageMagick and
# the IPA Gothic font. The outputs are committed; run this again after
# changing a drawing. Bitmaps are written as BMP3 (24-bit, the classic
# header that the resource compiler takes); the icon holds 16, 32 and 48 px.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
out="$root/resources/art"
# IPA P Gothic for captions; the fixed-pitch IPA Gothic keeps the product
# name's half-width katakana narrow enough for the splash.
font=/usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf
mono_font=/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf
command -v convert >/dev/null || { echo "make-artwork: ImageMagick's convert is missing" >&2; exit 1; }
for f in "$font" "$mono_font"; do
  [ -f "$f" ] || { echo "make-artwork: the IPA Gothic fonts are missing ($f)" >&2; exit 1; }
done
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir -p "$out"

# 24-bit BMP with the classic header, no alpha, no palette.
save_bmp() { # input image, output name
  convert "$1" -background white -alpha remove -alpha off -type TrueColor "BMP3:$out/$2"
}

# --- The camera, in a 48 x 48 box: body, prism, shutter, flash, lens.
camera_mvg() {
  cat <<'EOF'
stroke '#15181e' stroke-width 1.5
fill '#3b4250' polygon 15,15 19,7 31,7 35,15
fill '#c8372d' roundrectangle 36,10 43,15 1,1
fill '#3b4250' roundrectangle 3,14 45,41 5,5
stroke none fill '#59627a' rectangle 6,17 42,20
stroke '#15181e' fill '#f3efd8' rectangle 6,17 12,21
fill '#a9b3c1' circle 24,28 24,17
fill '#1d2b49' circle 24,28 24,21
stroke none fill '#3e5f9e' circle 24,28 24,24.5
fill '#bcd4ff' circle 21,25 21,23
EOF
}

# Draws the camera at `size` pixels onto a transparent square.
camera_png() { # size, output
  local scale
  scale=$(awk "BEGIN { print $1 / 48 }")
  convert -size "$1x$1" xc:none -draw "scale $scale,$scale $(camera_mvg)" "$2"
}

# --- Icon 128: the camera at three sizes. The 16 px one is drawn by hand,
# a scaled drawing would blur at that size.
camera_png 48 "$tmp/icon48.png"
camera_png 32 "$tmp/icon32.png"
convert -size 16x16 xc:none +antialias -draw "
  fill '#15181e' rectangle 5,2 10,4
  fill '#15181e' rectangle 0,4 15,13
  fill '#3b4250' rectangle 1,5 14,12
  fill '#c8372d' rectangle 12,3 14,4
  fill '#f3efd8' rectangle 2,6 3,7
  fill '#a9b3c1' rectangle 6,6 9,11 rectangle 5,7 10,10
  fill '#1d2b49' rectangle 6,7 9,10
  fill '#3e5f9e' rectangle 7,8 8,9
  fill '#bcd4ff' point 6,7" "$tmp/icon16.png"
convert "$tmp/icon16.png" "$tmp/icon32.png" "$tmp/icon48.png" "$out/app.ico"

# --- Bitmap 301: splash and about box, 480 x 200, with the product name.
camera_png 144 "$tmp/splash-camera.png"
convert -size 480x200 gradient:'#0f2f63'-'#3c7cc4' \
  -fill '#ffffff18' -draw "circle 410,30 410,140" -draw "circle 90,190 90,260" \
  -fill '#ffffff' -draw "rectangle 0,150 480,152" \
  "$tmp/splash-camera.png" -geometry +8+6 -composite \
  -font "$mono_font" -fill '#ffffff' \
  -pointsize 24 -annotate +166+88 'ORVEN Vidroﾌｧｲﾙｱｯﾌﾟﾛｰﾀﾞ3' \
  -pointsize 17 -annotate +396+128 'V1.30J' \
  -font "$font" -pointsize 12 -fill '#dce8ff' -annotate +14+180 '画像とサウンドをカメラへ　画面をファイルへ' \
  "$tmp/splash.png"
save_bmp "$tmp/splash.png" splash.bmp

# --- Bitmaps 302, 303: tab images, 16 x 16 on the mask colour RGB(192,192,192).
convert -size 16x16 xc:'#c0c0c0' +antialias -draw "
  fill '#15181e' rectangle 6,6 15,14
  fill '#3b4250' rectangle 7,7 14,13
  fill '#15181e' rectangle 9,5 12,6
  fill '#a9b3c1' rectangle 9,8 12,11
  fill '#1d2b49' rectangle 10,9 11,10
  fill '#1d8a2c' rectangle 0,2 3,4
  fill '#1d8a2c' polygon 3,0 6,3 3,6" "$tmp/tab-transfer.png"
save_bmp "$tmp/tab-transfer.png" tab_transfer.bmp
convert -size 16x16 xc:'#c0c0c0' +antialias -draw "
  fill '#202020' rectangle 1,1 14,11
  fill '#2f6fc0' rectangle 2,2 13,10
  fill '#8fc0ff' rectangle 3,3 7,5
  fill '#f4f4f4' rectangle 9,6 12,9
  fill '#202020' rectangle 6,12 9,13
  fill '#202020' rectangle 3,14 12,14
  fill '#d02020' rectangle 11,3 12,4" "$tmp/tab-capture.png"
save_bmp "$tmp/tab-capture.png" tab_capture.bmp

# --- Bitmaps 304, 305: folder tree images, 16 x 16 on white (the mask colour).
convert -size 16x16 xc:white +antialias -draw "
  fill '#8a6a10' rectangle 1,3 6,4
  fill '#8a6a10' rectangle 1,4 14,13
  fill '#f2c94c' rectangle 2,5 13,12
  fill '#fbe7a1' rectangle 2,5 13,5" "$tmp/folder-closed.png"
save_bmp "$tmp/folder-closed.png" folder_closed.bmp
convert -size 16x16 xc:white +antialias -draw "
  fill '#8a6a10' rectangle 0,3 5,4
  fill '#8a6a10' rectangle 0,4 12,13
  fill '#d9a92e' rectangle 1,5 11,12
  fill '#8a6a10' polygon 3,7 15,7 12,13 0,13
  fill '#fbe08a' polygon 4,8 13.5,8 11.3,12 1.5,12" "$tmp/folder-open.png"
save_bmp "$tmp/folder-open.png" folder_open.bmp

# --- Bitmaps 306, 307, 308: upload list icons, 13 x 13, white transparent.
# Without sound: a small picture; with sound: a note; greyed: the same note in grey.
convert -size 13x13 xc:white +antialias -draw "
  fill '#4a4a4a' rectangle 0,1 12,11
  fill '#9cc8f0' rectangle 1,2 11,10
  fill '#f0c020' rectangle 8,3 9,4
  fill '#3a9a40' polygon 1,10 4,5 7,10
  fill '#2d7a32' polygon 5,10 8,7 11,10" "$tmp/sound-none.png"
save_bmp "$tmp/sound-none.png" sound_none.bmp
note_mvg="rectangle 6,1 7,9 rectangle 8,2 8,3 rectangle 9,3 9,4 rectangle 10,4 10,6 point 9,7 rectangle 3,8 6,11 rectangle 2,9 2,10 point 7,10"
convert -size 13x13 xc:white +antialias -draw "fill '#10208a' $note_mvg" "$tmp/sound-attached.png"
save_bmp "$tmp/sound-attached.png" sound_attached.bmp
convert -size 13x13 xc:white +antialias -draw "fill '#a0a0a0' $note_mvg" "$tmp/sound-greyed.png"
save_bmp "$tmp/sound-greyed.png" sound_greyed.bmp

# --- Picture buttons: four states from one face and one content layer.
#   U normal: raised; D pressed: sunken, darker, content moved by 1 pixel;
#   F focused: raised with a dotted focus frame; X disabled: content greyed
#   and embossed.
button_face() { # width, height, face colour, raised|sunken, output
  local w=$1 h=$2 r=$(( $1 - 1 )) b=$(( $2 - 1 ))
  local light='#ffffff' dark='#808080' darkest='#303030'
  if [ "$4" = sunken ]; then
    convert -size "${w}x${h}" xc:"$3" +antialias -draw "
      fill '$darkest' rectangle 0,0 $r,0 rectangle 0,0 0,$b
      fill '$dark' rectangle 1,1 $(( r - 1 )),1 rectangle 1,1 1,$(( b - 1 ))
      fill '$light' rectangle 0,$b $r,$b rectangle $r,0 $r,$b" "$5"
  else
    convert -size "${w}x${h}" xc:"$3" +antialias -draw "
      fill '$light' rectangle 0,0 $(( r - 1 )),0 rectangle 0,0 0,$(( b - 1 ))
      fill '$dark' rectangle 1,$(( b - 1 )) $(( r - 1 )),$(( b - 1 )) rectangle $(( r - 1 )),1 $(( r - 1 )),$(( b - 1 ))
      fill '$darkest' rectangle 0,$b $r,$b rectangle $r,0 $r,$b" "$5"
  fi
}

button_states() { # content png (transparent, full button size), name
  local content=$1 name=$2 w h
  w=$(identify -format %w "$content"); h=$(identify -format %h "$content")
  local face='#d4d0c8' pressed='#bdb8ad'
  button_face "$w" "$h" "$face" raised "$tmp/raised.png"
  button_face "$w" "$h" "$pressed" sunken "$tmp/sunken.png"

  convert "$tmp/raised.png" "$content" -composite "$tmp/$name-u.png"
  convert "$tmp/sunken.png" \( "$content" -fill black -colorize 12% \) -geometry +1+1 -composite "$tmp/$name-d.png"
  # Focus mark: a dotted frame, every other pixel, three pixels inside.
  local dots
  dots=$(awk -v r=$(( w - 4 )) -v b=$(( h - 4 )) 'BEGIN {
    for (x = 3; x <= r; x += 2) printf "point %d,3 point %d,%d ", x, x, b
    for (y = 5; y < b; y += 2) printf "point 3,%d point %d,%d ", y, r, y }')
  convert "$tmp/raised.png" "$content" -composite -fill black -draw "$dots" "$tmp/$name-f.png"
  # Disabled: the content washed to greys over its shape in white, moved by
  # one pixel, as Windows draws a disabled control's text.
  convert "$content" -alpha extract -threshold 50% "$tmp/shape.png"
  convert "$tmp/raised.png" \
    \( -size "${w}x${h}" xc:white "$tmp/shape.png" -alpha off -compose copy-opacity -composite \) -geometry +1+1 -compose over -composite \
    \( "$content" -colorspace Gray +level 50%,88% \) -geometry +0+0 -compose over -composite \
    "$tmp/$name-x.png"
  local state
  for state in u d f x; do
    save_bmp "$tmp/$name-$state.png" "${name}_$state.bmp"
  done
}

# Content of a large button: a picture of 30 x 30 above its caption.
large_button() { # picture png, caption, name
  convert -size 102x64 xc:none "$1" -geometry +36+5 -composite \
    -font "$font" -pointsize 13 -fill '#000000' -gravity south -annotate +0+8 "$2" \
    "$tmp/$3-content.png"
  button_states "$tmp/$3-content.png" "$3"
}

# Upload: the camera with a green arrow into it.
camera_png 26 "$tmp/small-camera.png"
convert -size 30x30 xc:none "$tmp/small-camera.png" -geometry +4+4 -composite \
  -fill '#1d8a2c' -stroke '#0d4a16' -draw "polygon 0,3 7,3 7,0 13,5 7,10 7,7 0,7" \
  "$tmp/upload-picture.png"
large_button "$tmp/upload-picture.png" 'アップロード' upexe

# Capture start and end: a screen with a red record dot or a dark stop square.
screen_picture() { # extra drawing, output
  convert -size 30x30 xc:none -draw "
    fill '#202020' roundrectangle 1,2 28,21 2,2
    fill '#2f6fc0' rectangle 3,4 26,19
    fill '#8fc0ff' rectangle 5,6 13,10
    fill '#202020' rectangle 12,22 17,25
    fill '#202020' roundrectangle 6,25 23,28 1,1
    $1" "$2"
}
screen_picture "fill '#e02020' stroke '#ffffff' circle 20,14 20,9" "$tmp/capture-start.png"
large_button "$tmp/capture-start.png" 'キャプチャ開始' capsta
screen_picture "fill '#303030' stroke '#ffffff' rectangle 16,9 25,18" "$tmp/capture-end.png"
large_button "$tmp/capture-end.png" 'キャプチャ終了' capend

# Reordering: an arrow up or down on a 30 x 27 button.
convert -size 30x27 xc:none -fill '#10208a' -draw "polygon 15,6 22,14 18,14 18,20 12,20 12,14 8,14" \
  "$tmp/moveu-content.png"
button_states "$tmp/moveu-content.png" moveu
convert -size 30x27 xc:none -fill '#10208a' -draw "polygon 15,20 22,12 18,12 18,6 12,6 12,12 8,12" \
  "$tmp/moved-content.png"
button_states "$tmp/moved-content.png" moved

echo "make-artwork: $(ls "$out" | wc -l) files in ${out#"$root"/}"
