#!/usr/bin/env bash
# Draws the program's embedded images into images/ with ImageMagick.
#
# Every icon is drawn as vectors on a canvas an exact multiple of its final size and then
# averaged down with a box filter: that gives clean antialiasing at 20 px as well as at 340 px.
# The drawings are written in a 100 x 100 unit space and scaled with the MVG "scale" primitive,
# so one set of coordinates serves every size.
#
# The output is byte-for-byte reproducible: no date/time chunks are written.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
out="$here/images"
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

command -v convert >/dev/null || { echo "make-images: ImageMagick (convert) is missing" >&2; exit 1; }

# Fonts: DejaVu for Latin text, WenQuanYi Micro Hei for Chinese; fall back to whatever
# ImageMagick picks when a file is absent, so the script still runs elsewhere.
latin_bold=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf
latin=/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf
cjk=/usr/share/fonts/truetype/wqy/wqy-microhei.ttc
[ -f "$latin_bold" ] || latin_bold=DejaVu-Sans-Bold
[ -f "$latin" ] || latin=DejaVu-Sans
[ -f "$cjk" ] || { echo "make-images: $cjk missing, Chinese text may not render" >&2; cjk=$latin; }

# One palette for everything.
blue='#2F80ED'
blue_light='#5AA2FF'
blue_dark='#1A56C4'
navy='#1F2D4D'
amber='#F5A623'
amber_dark='#E08E0B'
paper='#FFFFFF'
line='#C9D8EE'

# Options for every written PNG: 8 bits per channel, no timestamps, no comments.
png_opts=(-depth 8 -strip +set date:create +set date:modify -define "png:exclude-chunks=date,time")

# grad SIZE FILE: a diagonal light-to-dark blue gradient, the fill of every blue shape.
grad() {
  convert -size "$1x$1" -define gradient:direction=SouthEast "gradient:$blue_light-$blue_dark" "$2"
}

# shape SIZE FILE MVG: draws MVG (in 100-unit coordinates) on a transparent canvas.
shape() {
  local size=$1 file=$2 mvg=$3
  local s
  s=$(awk -v n="$size" 'BEGIN { printf "%.4f", n / 100 }')
  convert -size "${size}x${size}" xc:none -draw "scale $s,$s $mvg" "$file"
}

# fill_with SHAPE PAINT FILE: paints PAINT (an image of the same size) inside SHAPE's alpha.
fill_with() {
  convert "$2" -alpha set "$1" -compose DstIn -composite "$3"
}

# cut SHAPE HOLE FILE: removes HOLE's opaque area from SHAPE.
cut() {
  convert "$1" "$2" -compose DstOut -composite "$3"
}

# over BASE TOP FILE: TOP over BASE.
over() {
  convert "$1" "$2" -compose Over -composite "$3"
}

# shadow SHAPE SIZE FILE: a soft, slightly lowered shadow of SHAPE.
shadow() {
  local sigma
  sigma=$(awk -v n="$2" 'BEGIN { printf "%.2f", n * 0.012 }')
  local dy
  dy=$(awk -v n="$2" 'BEGIN { printf "%d", n * 0.012 }')
  convert "$1" -background none -fill "$navy" -colorize 100 -channel A -evaluate multiply 0.30 \
    +channel -blur "0x$sigma" -page "+0+$dy" -layers flatten "$3"
}

# thick_arc CX CY R WIDTH FROM TO: MVG for a round-capped arc band (angles in degrees,
# clockwise from 3 o'clock). This ImageMagick closes stroked open curves with a chord, so
# curved strokes are drawn as filled outlines instead.
thick_arc() {
  awk -v cx="$1" -v cy="$2" -v r="$3" -v w="$4" -v a0="$5" -v a1="$6" 'BEGIN {
    pi = atan2(0, -1); n = 48; ro = r + w / 2; ri = r - w / 2
    printf "polygon"
    for (i = 0; i <= n; i++) { a = (a0 + (a1 - a0) * i / n) * pi / 180
      printf " %.3f,%.3f", cx + ro * cos(a), cy + ro * sin(a) }
    for (i = n; i >= 0; i--) { a = (a0 + (a1 - a0) * i / n) * pi / 180
      printf " %.3f,%.3f", cx + ri * cos(a), cy + ri * sin(a) }
    printf "\n"
    for (k = 0; k < 2; k++) { a = (k ? a1 : a0) * pi / 180
      x = cx + r * cos(a); y = cy + r * sin(a)
      printf "circle %.3f,%.3f %.3f,%.3f\n", x, y, x + w / 2, y }
  }'
}

# shrink SOURCE SIZE FILE: box-filter average down to SIZE x SIZE and write the final PNG.
shrink() {
  convert "$1" -filter Box -resize "$2x$2" "${png_opts[@]}" "PNG32:$3"
}

# ---------------------------------------------------------------------------------------
# Logo: a white bell on a blue rounded tile, with an amber "done" badge. It doubles as the
# tray icon, so the shapes are bold and the badge is a plain dot at 22 px.
logo_master() {
  local n=$1 dst=$2 badge_mark=$3
  grad "$n" "$work/g.png"
  shape "$n" "$work/tile.png" "fill white roundrectangle 3,3 97,97 22,22"
  fill_with "$work/tile.png" "$work/g.png" "$work/tile-blue.png"
  # A faint highlight on the upper half gives the tile some depth.
  shape "$n" "$work/gloss.png" "fill #FFFFFF1C roundrectangle 3,3 97,52 22,22"
  convert "$work/gloss.png" "$work/tile.png" -compose DstIn -composite "$work/gloss-in.png"
  over "$work/tile-blue.png" "$work/gloss-in.png" "$work/tile-lit.png"

  shape "$n" "$work/bell.png" "fill white stroke white stroke-width 2.2 stroke-linejoin round
    path 'M 50,23 C 36.5,23 29.5,33 29.5,46.5 L 29.5,58 C 29.5,64 26.5,68 21.5,71.5 L 21.5,74.5
          L 78.5,74.5 L 78.5,71.5 C 73.5,68 70.5,64 70.5,58 L 70.5,46.5 C 70.5,33 63.5,23 50,23 Z'
    circle 50,19.5 50,15.2
    path 'M 42.5,78.5 A 7.5,7.5 0 0,0 57.5,78.5 Z'"
  # The badge sits in a notch cut out of the bell, so the two never blur together.
  shape "$n" "$work/notch.png" "fill white circle 74,28 74,11"
  cut "$work/bell.png" "$work/notch.png" "$work/bell-cut.png"
  shadow "$work/bell-cut.png" "$n" "$work/bell-shadow.png"
  over "$work/tile-lit.png" "$work/bell-shadow.png" "$work/a.png"
  over "$work/a.png" "$work/bell-cut.png" "$work/b.png"
  local mark=""
  if [ "$badge_mark" = check ]; then
    mark="fill none stroke white stroke-width 3.4 stroke-linecap round stroke-linejoin round
      polyline 67.8,28.3 72.3,32.8 80.2,23.6"
  fi
  shape "$n" "$work/badge.png" "fill $amber circle 74,28 74,15.5 $mark"
  over "$work/b.png" "$work/badge.png" "$dst"
}

logo_master 1360 "$work/logo-1360.png" check
shrink "$work/logo-1360.png" 340 "$out/logotwo.png"
# At 20 px the check mark would only be noise inside the badge: a plain amber dot reads better.
logo_master 1360 "$work/logo-plain-1360.png" plain
shrink "$work/logo-plain-1360.png" 20 "$out/smalllogo.png"

# ---------------------------------------------------------------------------------------
# Splash screen, 454 x 340: a light card with the logo, the name and a Chinese subtitle,
# and a blue band along the bottom.
splash() {
  local w=454 h=340
  convert -size "${w}x${h}" gradient:'#FFFFFF-#EAF2FE' "$work/sp-bg.png"
  convert -size "${w}x${h}" xc:none \
    -fill "$amber" -draw "path 'M 0,286 C 130,262 270,318 454,276 L 454,340 L 0,340 Z'" \
    -fill "$blue_dark" -draw "path 'M 0,291 C 130,267 270,323 454,281 L 454,340 L 0,340 Z'" \
    -fill "$blue" -draw "path 'M 0,306 C 150,286 290,334 454,296 L 454,340 L 0,340 Z'" \
    "$work/sp-band.png"
  over "$work/sp-bg.png" "$work/sp-band.png" "$work/sp-a.png"
  convert "$work/logo-1360.png" -filter Box -resize 120x120 "$work/sp-logo.png"
  shadow "$work/sp-logo.png" 120 "$work/sp-logo-sh.png"
  convert "$work/sp-a.png" \
    "$work/sp-logo-sh.png" -geometry +167+26 -compose Over -composite \
    "$work/sp-logo.png" -geometry +167+26 -compose Over -composite \
    -gravity North -font "$latin_bold" -pointsize 48 -fill "$navy" -annotate +0+156 'Tasquill' \
    -font "$cjk" -pointsize 19 -fill '#4A5D80' -annotate +0+222 '桌面提醒与待办' \
    -gravity SouthEast -font "$latin" -pointsize 11 -fill '#DCE9FF' -annotate +14+10 'V2.0.1' \
    "${png_opts[@]}" "PNG24:$out/splashscreen.png"
}
splash

# ---------------------------------------------------------------------------------------
# set.png: a note with ruled lines and an amber "+" badge: "add a reminder".
set_icon() {
  local n=384
  shape "$n" "$work/set-note.png" "fill $paper stroke $blue stroke-width 5.5 stroke-linejoin round
    roundrectangle 11,8 75,88 10,10
    stroke none fill $blue
    path 'M 8.25,18 A 12.75,12.75 0 0,1 21,5.25 L 65,5.25 A 12.75,12.75 0 0,1 77.75,18 L 77.75,27 L 8.25,27 Z'
    fill none stroke $line stroke-width 5 stroke-linecap round
    line 23,43 63,43 line 23,57 63,57 line 23,71 45,71"
  shape "$n" "$work/set-hole.png" "fill white circle 73,73 73,47"
  cut "$work/set-note.png" "$work/set-hole.png" "$work/set-a.png"
  shape "$n" "$work/set-badge.png" "fill $amber circle 73,73 73,51
    stroke white stroke-width 6.5 stroke-linecap round line 73,62 73,84 line 62,73 84,73"
  over "$work/set-a.png" "$work/set-badge.png" "$work/set.png"
  shrink "$work/set.png" 48 "$out/set.png"
}
set_icon

# ---------------------------------------------------------------------------------------
# view.png: a list of reminders with a magnifier: "look through the reminders".
view_icon() {
  local n=384
  shape "$n" "$work/view-card.png" "fill $paper stroke $blue stroke-width 5.5 stroke-linejoin round
    roundrectangle 8,8 76,88 10,10
    stroke none fill $blue circle 21,27 21,22.5 circle 21,48 21,43.5 circle 21,69 21,64.5
    fill none stroke $line stroke-width 5 stroke-linecap round
    line 31,27 63,27 line 31,48 55,48 line 31,69 45,69"
  shape "$n" "$work/view-hole.png" "fill white circle 66,66 66,40
    stroke white stroke-width 20 stroke-linecap round line 80,80 91,91"
  cut "$work/view-card.png" "$work/view-hole.png" "$work/view-a.png"
  shape "$n" "$work/view-glass.png" "fill #F4F8FF stroke $amber stroke-width 7 circle 66,66 66,50
    fill none stroke $amber_dark stroke-width 10 stroke-linecap round line 78,78 89,89"
  over "$work/view-a.png" "$work/view-glass.png" "$work/view.png"
  shrink "$work/view.png" 48 "$out/view.png"
}
view_icon

# ---------------------------------------------------------------------------------------
# help.png: a white question mark in a blue disc.
help_icon() {
  local n=1024
  grad "$n" "$work/help-g.png"
  shape "$n" "$work/help-disc.png" "fill white circle 50,50 50,4"
  fill_with "$work/help-disc.png" "$work/help-g.png" "$work/help-a.png"
  shape "$n" "$work/help-ring.png" "fill none stroke #FFFFFF40 stroke-width 1.6 circle 50,50 50,9.5"
  over "$work/help-a.png" "$work/help-ring.png" "$work/help-b.png"
  shape "$n" "$work/help-q.png" "fill none stroke white stroke-width 11 stroke-linecap round stroke-linejoin round
    path 'M 35.5,38 C 35.5,28.5 42,23 50.5,23 C 59.5,23 65.5,28.5 65.5,36.5 C 65.5,43.5 61,46.5 56,49.5 C 52,52 50.5,54.5 50.5,59.5 L 50.5,61'
    stroke none fill white circle 50.5,76 50.5,69.5"
  shadow "$work/help-q.png" "$n" "$work/help-q-sh.png"
  over "$work/help-b.png" "$work/help-q-sh.png" "$work/help-c.png"
  over "$work/help-c.png" "$work/help-q.png" "$work/help.png"
  shrink "$work/help.png" 256 "$out/help.png"
}
help_icon

# ---------------------------------------------------------------------------------------
# sound.png: a blue speaker sending out sound waves, the outer one amber.
sound_icon() {
  local n=1024
  grad "$n" "$work/snd-g.png"
  shape "$n" "$work/snd-spk.png" "fill white stroke white stroke-width 5 stroke-linejoin round
    path 'M 10,38 L 25,38 L 46,19 L 46,81 L 25,62 L 10,62 Z'"
  fill_with "$work/snd-spk.png" "$work/snd-g.png" "$work/snd-spk-blue.png"
  shape "$n" "$work/snd-waves.png" "fill $blue $(thick_arc 44 50 17 7.5 -40 40)
    $(thick_arc 44 50 29.5 7.5 -44 44)
    fill $amber $(thick_arc 44 50 42 7.5 -48 48)"
  over "$work/snd-spk-blue.png" "$work/snd-waves.png" "$work/sound.png"
  shrink "$work/sound.png" 256 "$out/sound.png"
}
sound_icon

# The logo in the sizes of the hicolor icon theme, for the desktop entries.
mkdir -p "$out/hicolor"
for size in 16 22 24 32 48 64 128 256; do
  convert "$out/logotwo.png" -resize "${size}x${size}" "$out/hicolor/tasquill-$size.png"
done

cp "$out/hicolor/tasquill-32.png" "$out/tray.png"

echo "make-images: wrote the images into $out"
