#!/usr/bin/env bash
# Draws the program's icons and bitmaps with ImageMagick into resources/icons/. The results are
# committed, so a build needs no ImageMagick; run this again after changing a picture here.
# The three tray states differ by colour as well as by mark, so they can be told apart at 16x16.
set -euo pipefail
out=$(cd "$(dirname "$0")/.." && pwd)/resources/icons
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A clipboard drawn in 64x64 units on a 256x256 transparent canvas, so the large icon images and
# the pictures are drawn rather than enlarged: a coloured board, a sheet with text lines and a
# metal clip. $1 board colour, $2 sheet colour, $3 output png, the rest: marks drawn on top.
clipboard() {
    local board=$1 sheet=$2 png=$3
    shift 3
    convert -size 256x256 xc:none -affine 4,0,0,4,0,0 \
        -fill "$board" -stroke '#202020' -strokewidth 2 -draw 'roundrectangle 8,6 56,62 6,6' \
        -fill "$sheet" -stroke '#606060' -strokewidth 1 -draw 'rectangle 14,14 50,56' \
        -stroke '#404040' -strokewidth 3 -draw 'line 19,24 45,24 line 19,33 45,33 line 19,42 38,42' \
        -fill '#c0c0c0' -stroke '#303030' -strokewidth 2 -draw 'roundrectangle 22,2 42,12 3,3' \
        "$@" "$png"
}

# Downscaled per size, so each entry of the .ico is drawn for its size rather than stretched; the
# large ones serve high DPI (the About box, the floating button), never an enlarged 48.
# The tray icons go up to 64, the flash the floating button shows at 200 %. 8 bits per channel:
# Windows reads only such PNG images inside an icon.
make_ico() {
    convert "$1" -depth 8 -define icon:auto-resize="${3:-64,48,32,24,16}" "$2"
}

clipboard '#1565c0' white "$work/program.png"
clipboard '#2e9d3a' white "$work/on.png"
clipboard '#8a8a8a' '#d8d8d8' "$work/off.png" -stroke '#d01010' -strokewidth 9 -draw 'line 10,58 56,10'
clipboard '#ffb300' white "$work/done.png" -fill none -stroke '#1b8a2a' -strokewidth 9 \
    -draw 'polyline 16,34 28,48 52,18'

make_ico "$work/program.png" "$out/program.ico" 256,128,96,64,48,32,24,16
make_ico "$work/on.png" "$out/tray_on.ico"
make_ico "$work/off.png" "$out/tray_off.ico"
make_ico "$work/done.png" "$out/tray_done.ico"

# The pictures are drawn at 200 %: the dialogs scale them down to their DPI (160x60 and 40x32 at
# 96 DPI).
# 142: the program's tray icon as it appears in the notification area.
convert -size 80x64 xc:'#1f2a38' \( "$work/on.png" -resize 48x48 \) -geometry +16+8 -composite \
    -type TrueColor BMP3:"$out/tray_picture.bmp"

# 143 and 144: a task bar's notification area with its overflow button, the way Windows 7/8 and
# Windows 10 draw it; the button is ringed in red to show where to click.
taskbar() {
    local glyph=$1 file=$2
    convert -size 320x120 xc:'#1f2a38' -affine 2,0,0,2,0,0 \
        -fill '#2b3a4e' -stroke none -draw 'rectangle 0,28 159,59' \
        -fill none -stroke '#e02020' -strokewidth 2 -draw 'circle 22,44 22,34' \
        -fill none -stroke '#e8e8e8' -strokewidth 2 -draw "$glyph" \
        -fill '#5aa0e0' -stroke none -draw 'rectangle 44,36 60,52 rectangle 68,36 84,52' \
        -fill '#e8e8e8' -draw 'rectangle 100,38 150,41 rectangle 108,46 142,49' \
        -fill '#3a4c64' -draw 'rectangle 4,4 60,20' \
        \( "$work/on.png" -resize 32x32 \) -geometry +16+8 -composite \
        -type TrueColor BMP3:"$file"
}
taskbar 'fill #e8e8e8 polygon 16,48 28,48 22,40' "$out/notify_area_7.bmp"
taskbar 'polyline 16,47 22,41 28,47' "$out/notify_area_10.bmp"
