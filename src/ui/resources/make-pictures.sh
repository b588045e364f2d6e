#!/usr/bin/env bash
# Draws the program's pictures from the string table's own texts, so that a button always shows
# the text of its row in its language, and writes the resource script that compiles them in.
#   make-pictures.sh STRINGS_DIR OUT_DIR
# STRINGS_DIR holds en.txt fr.txt de.txt es.txt ("row<TAB>text" per line; en.txt names each row:
# "row<TAB>Name<TAB>text"). OUT_DIR receives the
# bitmaps (24-bit BMP), the icons and pictures.rc (written last, so a failed run leaves none).
# Needs ImageMagick (Debian imagemagick) and the fonts of fonts-noto-core and fonts-dejavu-core.
set -euo pipefail

strings_dir=$1
out=$2

command -v convert >/dev/null || { echo "make-pictures: convert is missing (Debian package imagemagick)" >&2; exit 1; }
font_regular=/usr/share/fonts/truetype/noto/NotoSans-Regular.ttf
font_bold=/usr/share/fonts/truetype/noto/NotoSans-Bold.ttf
font_symbols=/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf
font_symbols_bold=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf
for f in "$font_regular" "$font_bold"; do
  [ -f "$f" ] || { echo "make-pictures: $f is missing (Debian package fonts-noto-core)" >&2; exit 1; }
done
for f in "$font_symbols" "$font_symbols_bold"; do
  [ -f "$f" ] || { echo "make-pictures: $f is missing (Debian package fonts-dejavu-core)" >&2; exit 1; }
done

mkdir -p "$out"
out=$(cd "$out" && pwd)
rm -f "$out/pictures.rc"
work=$(mktemp -d "$out/work.XXXXXX")
trap 'rm -rf "$work"' EXIT

# Colours. The light background is the dialog face colour the windows paint behind the pictures;
# the bar colour is the main window's top bar.
bar='#13405E'
bar_hover='#1F5A80'
bar_text='#DCEAF3'
bar_faded='#6D8798'
light='#F0F0F0'
ink='#1F2D3A'
accent='#1E7FC0'
blue='#1E7FC0';   blue_hover='#3A9BDC'
green='#2E9E5B';  green_hover='#42B874'
orange='#D0652B'; orange_hover='#E8803F'
slate='#637483';  slate_hover='#7D909F'

# Text of the row named Name (in en.txt) in language Lang, "&&" shown as "&".
row() {
  local number text field=2
  number=$(awk -F'\t' -v name="$2" '$2 == name { print $1; exit }' "$strings_dir/en.txt")
  [ -n "$number" ] || { echo "make-pictures: no row named $2 in en.txt" >&2; exit 1; }
  [ "$1" = en ] && field=3
  text=$(grep -P "^$number\t" "$strings_dir/$1.txt" | cut -f$field-)
  [ -n "$text" ] || { echo "make-pictures: row $number ($2) missing in $1.txt" >&2; exit 1; }
  printf '%s' "${text//&&/&}"
}

# Cuts the empty columns left and right of Png, keeping its full line height so that texts with
# and without descenders sit on the same baseline.
trim_sides() {
  local bw bh bx by full
  full=$(identify -format %h "$1")
  IFS='x+' read -r bw bh bx by < <(convert "$1" -format '%@\n' info:)
  convert "$1" -crop "${bw}x${full}+${bx}+0" +repage "$1"
}

# Writes Png: Text in Font and Color, the largest size from MaxPt down to 7 points that fits
# Width x Height (wrapping onto more lines when needed), on a transparent background.
fit_text() {
  local png=$1 font=$2 color=$3 maxpt=$4 width=$5 height=$6 text=$7 pt w h
  text=${text//%/%%}
  for ((pt = maxpt; pt >= 7; pt--)); do
    read -r w h < <(convert -background none -font "$font" -pointsize "$pt" label:"$text" -format '%w %h\n' info:)
    if ((w <= width && h <= height)); then
      convert -background none -fill "$color" -font "$font" -pointsize "$pt" label:"$text" "$png"
      trim_sides "$png"
      return
    fi
    # Two lines when one does not fit.
    read -r w h < <(convert -background none -font "$font" -pointsize "$pt" -size "${width}x" caption:"$text" -format '%w %h\n' info:)
    if ((h <= height)) && ((pt <= maxpt - 1)); then
      convert -background none -fill "$color" -font "$font" -pointsize "$pt" -size "${width}x" \
        -gravity west caption:"$text" "$png"
      trim_sides "$png"
      return
    fi
  done
  convert -background none -fill "$color" -font "$font" -pointsize 7 -size "${width}x${height}" \
    -gravity west caption:"$text" "$png"
  trim_sides "$png"
}

# Writes Png: a symbol Glyph in Color, Size pixels high.
glyph() {
  convert -background none -fill "$3" -font "${5:-$font_symbols_bold}" -pointsize "$4" label:"$2" -trim +repage "$1"
}

# Saves Png as the bitmap resource Name (24-bit, on Background).
save_bmp() {
  local png=$1 name=$2 background=$3
  convert "$png" -background "$background" -flatten -alpha off -type TrueColor "BMP3:$out/$name.bmp"
  names+=("$name")
}

names=()

# --- Icons drawn with shapes, as transparent PNGs -------------------------------------------

# Points of one wave (a full sine period) across the badge, on a canvas of S pixels, centred at
# height Y percent.
wave_points() {
  awk -v s="$1" -v y="$2" 'BEGIN {
    for (i = 0; i <= 40; i++)
      printf " %.1f,%.1f", s * (0.22 + i * 0.56 / 40), s * (y / 100 - 0.085 * sin(i / 40 * 6.2831853))
  }'
}

# The product's mark: a round badge with two waves; Size pixels, badge colour Fill.
mark() {
  local png=$1 size=$2 fill=${3:-$accent}
  local s=$((size < 64 ? 256 : size * 4))  # drawn large, scaled down for smooth edges
  local c=$((s / 2)) r=$((s / 2 - 2))
  convert -size "${s}x${s}" xc:none \
    -fill "$fill" -draw "circle $c,$c $c,$((c - r))" \
    -fill none -stroke white -strokewidth $((s * 7 / 100)) \
    -draw "stroke-linecap round stroke-linejoin round polyline$(wave_points "$s" 42)" \
    -stroke '#BFE9F0' \
    -draw "stroke-linecap round stroke-linejoin round polyline$(wave_points "$s" 64)" \
    -resize "${size}x${size}" "$png"
}

# A magnifier, white, Size pixels.
magnifier() {
  local png=$1 size=$2 s=$(($2 * 4))
  convert -size "${s}x${s}" xc:none -fill none -stroke white -strokewidth $((s / 8)) \
    -draw "circle $((s*42/100)),$((s*42/100)) $((s*42/100)),$((s*14/100))" \
    -draw "stroke-linecap round line $((s*63/100)),$((s*63/100)) $((s*88/100)),$((s*88/100))" \
    -resize "${2}x${2}" "$png"
}

# A cookie: a round biscuit with chips, Size pixels, in Color.
cookie() {
  local png=$1 size=$2 color=$3 s=$(($2 * 4))
  convert -size "${s}x${s}" xc:none -fill "$color" \
    -draw "circle $((s/2)),$((s/2)) $((s/2)),$((s/10))" -fill "$4" \
    -draw "circle $((s*38/100)),$((s*38/100)) $((s*38/100)),$((s*30/100))" \
    -draw "circle $((s*62/100)),$((s*44/100)) $((s*62/100)),$((s*37/100))" \
    -draw "circle $((s*44/100)),$((s*66/100)) $((s*44/100)),$((s*59/100))" \
    -resize "${2}x${2}" "$png"
}

# A clock face, Size pixels, in Color with hands in Hands.
clock() {
  local png=$1 size=$2 color=$3 s=$(($2 * 4))
  convert -size "${s}x${s}" xc:none -fill none -stroke "$color" -strokewidth $((s / 10)) \
    -draw "circle $((s/2)),$((s/2)) $((s/2)),$((s/8))" -strokewidth $((s / 12)) \
    -draw "stroke-linecap round line $((s/2)),$((s/2)) $((s/2)),$((s*28/100))" \
    -draw "stroke-linecap round line $((s/2)),$((s/2)) $((s*68/100)),$((s*60/100))" \
    -resize "${2}x${2}" "$png"
}

# A padlock, Size pixels, in Color.
padlock() {
  local png=$1 size=$2 color=$3 s=$(($2 * 4))
  convert -size "${s}x${s}" xc:none -fill none -stroke "$color" -strokewidth $((s / 10)) \
    -draw "arc $((s*30/100)),$((s*12/100)) $((s*70/100)),$((s*60/100)) 180,360" \
    -draw "line $((s*30/100)),$((s*36/100)) $((s*30/100)),$((s*48/100))" \
    -draw "line $((s*70/100)),$((s*36/100)) $((s*70/100)),$((s*48/100))" \
    -stroke none -fill "$color" -draw "roundrectangle $((s*18/100)),$((s*44/100)) $((s*82/100)),$((s*90/100)) $((s/14)),$((s/14))" \
    -resize "${2}x${2}" "$png"
}

# A lightning bolt, Size pixels, in Color.
bolt() {
  local png=$1 size=$2 color=$3 s=$(($2 * 4))
  local p="" xy
  for xy in 60,4 20,56 46,56 36,96 80,40 54,40 66,4; do
    p+=" $((${xy%,*} * s / 100)),$((${xy#*,} * s / 100))"
  done
  convert -size "${s}x${s}" xc:none -fill "$color" -draw "polygon$p" -resize "${2}x${2}" "$png"
}

# Symbol of a picture Kind, white or in Color, about Size pixels.
symbol() {
  local png=$1 kind=$2 size=$3 color=$4 back=$5
  case $kind in
    SCAN) magnifier "$png" "$size"; [ "$color" = white ] || convert "$png" -fill "$color" -colorize 100 "$png" ;;
    ABORT) glyph "$png" '■' "$color" $((size * 3 / 4)) ;;
    CLEAN) glyph "$png" '✦' "$color" "$size" ;;
    FINISH) glyph "$png" '✔' "$color" "$size" ;;
    CANCEL) glyph "$png" '✕' "$color" "$size" ;;
    QUICK) bolt "$png" "$size" "$color" ;;
    COOKIES) cookie "$png" "$size" "$color" "$back" ;;
    HISTORY) clock "$png" "$size" "$color" ;;
    PRIVACY) padlock "$png" "$size" "$color" ;;
    WIPEOUT) glyph "$png" '♻' "$color" "$size" ;;
    ADVANCED) glyph "$png" '⚙' "$color" "$size" ;;
    REGISTRY) glyph "$png" '▦' "$color" "$size" ;;
    ABOUT) glyph "$png" 'ℹ' "$color" "$size" ;;
    HELP) glyph "$png" '?' "$color" "$size" ;;
    SETTINGS) glyph "$png" '⚙' "$color" "$size" ;;
    HOME) glyph "$png" '⌂' "$color" "$size" ;;
    LANG) glyph "$png" '⚑' "$color" "$size" ;;
  esac
}

# --- Pictures ---------------------------------------------------------------------------------

# A filled button W x H in Fill with white Text (and a Symbol when given). It is drawn on
# button_back; with button_round 0 it fills its whole rectangle with barely rounded corners (for
# panels of any colour), otherwise it is a pill.
button_back=$light
button_round=0
pill_button() {
  local name=$1 w=$2 h=$3 fill=$4 ring=$5 text=$6 sym=${7:-}
  local t="$work/t.png" i="$work/i.png" body="$work/b.png"
  local textw=$((w - 24))
  if ((button_round)); then
    convert -size "${w}x${h}" "xc:$button_back" -fill "$fill" -stroke "$ring" -strokewidth 1 \
      -draw "roundrectangle 1,1 $((w - 2)),$((h - 2)) $((h / 2 - 2)),$((h / 2 - 2))" "$body"
  else
    convert -size "${w}x${h}" "xc:$button_back" -fill "$fill" -stroke "$ring" -strokewidth 1 \
      -draw "roundrectangle 0,0 $((w - 1)),$((h - 1)) 4,4" "$body"
  fi
  if [ -n "$sym" ]; then
    symbol "$i" "$sym" $((h / 2)) white "$fill"
    textw=$((w - 24 - h / 2 - 8))
  fi
  fit_text "$t" "$font_bold" white $((h / 3 + 4)) "$textw" $((h - 10)) "$text"
  local tw ti=0
  tw=$(identify -format %w "$t")
  if [ -n "$sym" ]; then
    ti=$(identify -format %w "$i")
    local left=$(((w - ti - 8 - tw) / 2))
    convert "$body" "$i" -gravity west -geometry "+$left+0" -composite \
      "$t" -geometry "+$((left + ti + 8))+0" -composite "$work/p.png"
  else
    convert "$body" "$t" -gravity center -composite "$work/p.png"
  fi
  save_bmp "$work/p.png" "$name" "$button_back"
}

# The logo of the top bar: mark, product name and the tag line.
logo() {
  local name=$1 lang=$2
  mark "$work/m.png" 52
  fit_text "$work/n.png" "$font_bold" white 26 300 40 "$(row "$lang" ProgramName)"
  fit_text "$work/g.png" "$font_regular" '#9CC9DD' 9 312 16 "$(row "$lang" ScanComputerBanner)"
  convert -size 400x72 "xc:$bar" \
    "$work/m.png" -geometry +12+10 -composite \
    "$work/n.png" -geometry +76+12 -composite \
    "$work/g.png" -geometry +77+47 -composite "$work/p.png"
  save_bmp "$work/p.png" "$name" "$bar"
}

# A top-bar button: symbol and text side by side, small enough for two rows beside the logo;
# State normal, over or faded.
top_button() {
  local name=$1 kind=$2 text=$3 state=$4 w=116 h=30
  local color=$bar_text back=$bar
  [ "$state" = over ] && color=white
  [ "$state" = faded ] && color=$bar_faded
  symbol "$work/i.png" "$kind" 16 "$color" "$bar"
  fit_text "$work/t.png" "$font_bold" "$color" 10 $((w - 36)) $((h - 6)) "$text"
  convert -size "${w}x${h}" "xc:$back" "$work/b.png"
  if [ "$state" = over ]; then
    convert "$work/b.png" -fill "$bar_hover" -stroke '#3C7BA3' \
      -draw "roundrectangle 1,1 $((w - 2)),$((h - 2)) 6,6" "$work/b.png"
  fi
  convert "$work/b.png" "$work/i.png" -gravity west -geometry +9+0 -composite \
    "$work/t.png" -geometry +30+0 -composite "$work/p.png"
  save_bmp "$work/p.png" "$name" "$back"
}

# A mode button: card with a round symbol and the mode's name; State N, O, D or G.
mode_button() {
  local name=$1 kind=$2 text=$3 state=$4 w=220 h=44
  local card=white border='#D3DCE3' color=$ink badge=$accent sym=white font=$font_regular
  case $state in
    O) card='#E3F1FA'; border='#7FB8DC'; color='#13405E' ;;
    D) card=$accent; border='#17679C'; color=white; badge=white; sym=$accent; font=$font_bold ;;
    G) card='#E9E9E9'; border='#D6D6D6'; color='#A0A0A0'; badge='#BDBDBD' ;;
  esac
  convert -size "${w}x${h}" "xc:$light" -fill "$card" -stroke "$border" -strokewidth 1 \
    -draw "roundrectangle 1,1 $((w - 2)),$((h - 2)) 8,8" "$work/b.png"
  convert -size 120x120 xc:none -fill "$badge" -draw "circle 60,60 60,2" -resize 30x30 "$work/c.png"
  symbol "$work/i.png" "$kind" 17 "$sym" "$badge"
  convert "$work/c.png" "$work/i.png" -gravity center -composite "$work/c.png"
  fit_text "$work/t.png" "$font" "$color" 11 $((w - 64)) $((h - 6)) "$text"
  convert "$work/b.png" "$work/c.png" -gravity west -geometry +10+0 -composite \
    "$work/t.png" -geometry +50+0 -composite "$work/p.png"
  save_bmp "$work/p.png" "$name" "$light"
}

langs=(en fr de es)
codes=(EN FR DE ES)
for i in 0 1 2 3; do
  l=${langs[$i]}
  L=${codes[$i]}
  logo "TOPLOGO_$L" "$l"

  # Bottom run buttons and the dialogs' buttons: text only.
  for spec in "SCAN ScanNow $blue $blue_hover" "ABORT Abort $orange $orange_hover" \
              "CLEAN CleanButton $green $green_hover" "FINISH Finish $blue $blue_hover" \
              "CANCEL Cancel $slate $slate_hover" "CLOSE Close $slate $slate_hover"; do
    read -r stem r fill hover <<<"$spec"
    pill_button "BTN${stem}_$L" 132 36 "$fill" "$fill" "$(row "$l" "$r")"
    pill_button "BTN${stem}_${L}_OVER" 132 36 "$hover" '#0E3550' "$(row "$l" "$r")"
  done

  # The changing run button (hotStart), a pill on the top bar, and hotStop beside the bottom
  # buttons: larger, with a symbol.
  for spec in "SCAN ScanNow $blue $blue_hover" "ABORT Abort $orange $orange_hover" \
              "CLEAN CleanButton $green $green_hover" "FINISH Finish $blue $blue_hover" \
              "CANCEL Cancel $slate $slate_hover"; do
    read -r stem r fill hover <<<"$spec"
    if [ "$stem" = CANCEL ]; then button_round=0 button_back=$light; else button_round=1 button_back=$bar; fi
    pill_button "${stem}_NORMAL_$L" 168 44 "$fill" "$fill" "$(row "$l" "$r")" "$stem"
    pill_button "${stem}_OVER_$L" 168 44 "$hover" '#DCEAF3' "$(row "$l" "$r")" "$stem"
  done
  button_round=0 button_back=$light

  # Top bar.
  for spec in "ABOUT About 1" "HELP Help 0" "SETTINGS Settings 1" "HOME HomePage 1" "LANG Language 1"; do
    read -r stem r faded <<<"$spec"
    top_button "${stem}_NORMAL_$L" "$stem" "$(row "$l" "$r")" normal
    top_button "${stem}_OVER_$L" "$stem" "$(row "$l" "$r")" over
    ((faded)) && top_button "${stem}_FADED_$L" "$stem" "$(row "$l" "$r")" faded
  done

  # Title above the mode buttons.
  fit_text "$work/t.png" "$font_bold" "$bar" 11 208 26 "$(row "$l" SelectPresetMode)"
  convert -size 220x30 "xc:$light" "$work/t.png" -gravity west -geometry +6+0 -composite "$work/p.png"
  save_bmp "$work/p.png" "PRESET_$L" "$light"

  # Mode buttons.
  for spec in "QUICK PresetQuick 1" "COOKIES PresetCookies 0" "HISTORY PresetHistory 0" \
              "PRIVACY PresetPrivacy 0" "WIPEOUT PresetComplete 1" "ADVANCED PresetAdvanced 1" \
              "REGISTRY PresetRegistry 0"; do
    read -r stem r grey <<<"$spec"
    for state in N O D; do
      mode_button "${stem}_${state}_$L" "$stem" "$(row "$l" "$r")" "$state"
    done
    ((grey)) && mode_button "${stem}_G_$L" "$stem" "$(row "$l" "$r")" G
  done
done

# Pictures without language.
convert -size 220x8 "xc:$light" -stroke '#D3DCE3' -draw "line 12,4 207,4" "$work/p.png"
save_bmp "$work/p.png" SEPARATOR "$light"
pill_button BTNOK 132 36 "$green" "$green" "OK"
pill_button BTNOK_OVER 132 36 "$green_hover" '#0E3550' "OK"

# The tips window's light bulb.
convert -size 192x192 xc:none \
  -fill '#FFE9A8' -draw "circle 96,80 96,6" \
  -fill '#F6C343' -draw "circle 96,80 96,22" \
  -fill '#FFF6D6' -draw "circle 78,62 78,50" \
  -fill '#8A96A3' -draw "roundrectangle 70,128 122,146 6,6" \
  -fill '#6F7C89' -draw "roundrectangle 74,150 118,166 6,6" \
  -fill '#5A6672' -draw "roundrectangle 84,170 108,182 6,6" \
  -resize 48x48 "$work/p.png"
save_bmp "$work/p.png" LIGHTBULB "$light"

# The menus' check mark (picture 0 of their image list), on the menu's white.
glyph "$work/i.png" '✔' "$accent" 14
convert -size 16x16 xc:white "$work/i.png" -gravity center -composite "$work/p.png"
save_bmp "$work/p.png" MENUCHECK white

# --- Icons --------------------------------------------------------------------------------------

# Application icon: the mark in a rounded square, 16 to 256 pixels.
convert -size 1024x1024 xc:none \
  -fill "$bar" -draw "roundrectangle 24,24 1000,1000 200,200" "$work/square.png"
mark "$work/m.png" 800 '#1E8CC8'
convert "$work/square.png" "$work/m.png" -gravity center -composite "$work/app.png"
sizes=()
for s in 16 24 32 48 64 128 256; do
  if ((s <= 24)); then
    mark "$work/app$s.png" "$s" '#1E8CC8'   # the badge alone stays legible when tiny
  else
    convert "$work/app.png" -resize "${s}x${s}" "$work/app$s.png"
  fi
  sizes+=("$work/app$s.png")
done
convert "${sizes[@]}" "$out/app.ico"

# Tray animation: the badge with a bright arc turning around it.
frames=()
for f in 0 1 2 3; do
  a=$((f * 90 - 90))
  mark "$work/tm.png" 128 '#1E8CC8'
  convert "$work/tm.png" -fill none -stroke '#7FE3F0' -strokewidth 12 \
    -draw "arc 8,8 120,120 $a,$((a + 100))" "$work/tf.png"
  convert "$work/tf.png" -resize 16x16 "$work/tf16.png"
  convert "$work/tf.png" -resize 32x32 "$work/tf32.png"
  convert "$work/tf16.png" "$work/tf32.png" "$out/tray$f.ico"
  frames+=("tray$f.ico")
done

# --- Resource script ----------------------------------------------------------------------------
{
  echo "// Generated by make-pictures.sh from the string table; do not edit."
  # SEPARATOR is a word of the resource language, so it is quoted; it comes first because
  # windres joins a quoted name to the file name string before it.
  for n in "${names[@]}"; do
    if [ "$n" = SEPARATOR ]; then echo "\"$n\" BITMAP \"$out/$n.bmp\""; fi
  done
  for n in "${names[@]}"; do
    if [ "$n" != SEPARATOR ]; then echo "$n BITMAP \"$out/$n.bmp\""; fi
  done
  echo "1 ICON \"$out/app.ico\""
  for f in 0 1 2 3; do echo "$((101 + f)) ICON \"$out/tray$f.ico\""; done
} >"$work/pictures.rc"
mv "$work/pictures.rc" "$out/pictures.rc"
echo "make-pictures: ${#names[@]} bitmaps, 5 icons"
