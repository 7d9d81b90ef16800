#!/usr/bin/env bash
# Takes screenshots of the tray menu (also with its "Clean up text" submenu open), the
# already-running and opening dialogs, every dialog of the menu and the settings, and the floating
# button (narrow, and widened with its preview) in both languages on a private Xvfb, for a look by
# eye (they are no test oracle): build/screenshots/*.png,
# and those the README shows into docs/images/. The regular-expression and opening dialogs and the
# wide floating button are also taken after a trip to a monitor of 1.5 times the DPI and back
# (*-dpi-trip_<lang>.png). The menu is opened the way a user opens it: a right click on the icon in
# Wine's system tray; the dialogs are opened one by one by the preview program, which runs them as
# the program does, the regular-expression and settings dialogs also enlarged.
#
#     scripts/screenshot_menu.sh [--dpi 120|144|192]
#
# With --dpi the pictures are taken in a Wine prefix of that DPI on a screen as much larger as the
# DPI is (1920x1200 at 144 DPI, 150 %), into build/screenshots/dpi<N>/; of those, the Japanese
# settings dialog goes into docs/images/ as dialog_settings_ja_<percent>.png.
set -euo pipefail
source "$(dirname "$0")/common.sh"
dpi=96
if [[ ${1:-} == --dpi ]]; then
    dpi=${2:?"--dpi needs a number: 120, 144 or 192"}
    [[ $dpi =~ ^[0-9]+$ ]] && ((dpi >= 96 && dpi <= 480)) || { echo "--dpi $dpi: not a DPI" >&2; exit 2; }
elif (($#)); then
    echo "usage: $0 [--dpi 120|144|192]" >&2
    exit 2
fi
"$NUVELA_ROOT/scripts/setup.sh"
cmake -S "$NUVELA_ROOT" -B "$WIN_BUILD" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$NUVELA_ROOT/cmake/mingw-w64-x86_64.cmake" >/dev/null
cmake --build "$WIN_BUILD" -j "$JOBS" --target Nuvela nuvela_dialog_preview

work=$(mktemp -d)
trap 'cleanup_started; rm -rf "$work"' EXIT
trap 'exit 130' INT TERM
unset DISPLAY  # always a display of our own, so nothing else is on the pictures
export XVFB_SCREEN="$((1280 * dpi / 96))x$((800 * dpi / 96))x24"
ensure_display
ensure_wine_prefix
out=$BUILD_ROOT/screenshots
if ((dpi != 96)); then
    WINEPREFIX=$(dpi_prefix "$dpi")
    export WINEPREFIX
    out=$out/dpi$dpi
fi
mkdir -p "$out"

# An ini file (UTF-16LE) that keeps the opening dialog away from the menu picture.
write_ini() {
    { printf '\377\376'; printf '[Zelmora]\r\nNoOpeningDlg=1\r\n' | iconv -f UTF-8 -t UTF-16LE; } > "$1/Nuvela.ini"
}

# Waits for a visible window that `xdotool search` finds with the given arguments; prints its id.
wait_for_window() {
    local i
    for i in $(seq 1 100); do
        xdotool search --onlyvisible "$@" 2>/dev/null | head -1 | grep . && return 0
        sleep 0.1
    done
    echo "screenshot: no window for '$*' appeared" >&2
    return 1
}

# The pointer waits in the screen's lower left corner, where no dialog has a control (the enlarged
# ones reach the edges with their frames only), so that no tooltip covers part of a picture.
park_pointer() {
    local width height
    read -r width height < <(xdotool getdisplaygeometry)
    xdotool mousemove 0 $((height - 1))
}

# Opens one window with the preview program, waits for it (the remaining arguments find it), and
# takes its picture from the screen, cut to what is not the empty black background unless `trim`
# is 0; the preview is ended afterwards.
shoot_preview() {
    local lang=$1 name=$2 picture=$3 trim=$4
    shift 4
    park_pointer
    (cd "$work/$lang" && NUVELA_LANG=$lang exec "$WINE" "$WIN_BUILD/tests/nuvela_dialog_preview.exe" "$name") &
    local preview=$!
    started_pids+=("$preview")
    wait_for_window "$@" >/dev/null
    sleep 1  # drawn after it is mapped
    import -window root "$picture"
    if ((trim)); then mogrify -trim +repage "$picture"; fi
    kill "$preview" 2>/dev/null || true
    wait "$preview" 2>/dev/null || true
    echo "screenshot: $picture"
}

# A dialog is found by its caption; an enlarged one is kept at the full screen's size.
shoot_dialog() {
    local lang=$1 name=$2 caption=$3
    shoot_preview "$lang" "$name" "$out/dialog_${name}_$lang.png" "$([[ $name == *-big ]] && echo 0 || echo 1)" \
        --name "^$caption\$"
}

# The floating button has no caption to find it by: it is the preview program's visible window.
shoot_floating() {
    shoot_preview "$1" "$2" "$out/${2}_$1.png" 1 --classname '^nuvela_dialog_preview\.exe$'
}

for lang in ja en; do
    folder=$work/$lang
    mkdir -p "$folder"
    cp "$WIN_BUILD/Nuvela.exe" "$folder/Nuvela_o.exe"
    write_ini "$folder"
    (cd "$folder" && NUVELA_LANG=$lang exec "$WINE" ./Nuvela_o.exe) &
    nuvela=$!
    started_pids+=("$nuvela")
    tray=$(wait_for_window --name "Wine System Tray")
    sleep 1  # the icon is drawn into the tray window after it appears
    # The icon sits at the left of the window's lowest row, below the caption Wine may draw.
    eval "$(xdotool getwindowgeometry --shell "$tray")"
    xdotool mousemove --window "$tray" 10 $((HEIGHT - 12)) click 3
    sleep 1.5
    import -window root "$out/tray_menu_$lang.png"
    # "Clean up text" opened by its mnemonic, the same in both languages, sent to the menu's window
    # (the program's only visible one), as no window manager gives it the focus
    menu=$(wait_for_window --classname '^nuvela_o\.exe$')
    xdotool key --window "$menu" t
    sleep 1
    import -window root "$out/tray_menu_cleanup_$lang.png"
    # a click beside the menu closes it, wherever the focus is
    xdotool mousemove $((1000 * dpi / 96)) $((700 * dpi / 96)) click 1

    (cd "$folder" && NUVELA_LANG=$lang exec "$WINE" ./Nuvela_o.exe) &
    second=$!
    started_pids+=("$second")
    dialog=$(wait_for_window --name "^$( [[ $lang == ja ]] && echo ヌベラ || echo Nuvela )\$")
    sleep 1
    import -window root "$out/already_running_$lang.png"
    xdotool key --window "$dialog" Escape  # Cancel; sent to the window, as no window manager gives focus
    wait "$second" || true

    (cd "$folder" && NUVELA_LANG=$lang "$WINE" ./Nuvela_o.exe /X)
    wait "$nuvela" || true
    echo "screenshot: $out/tray_menu_$lang.png $out/tray_menu_cleanup_$lang.png $out/already_running_$lang.png"

    # The About box as configured, then with stand-in addresses that bring out every button and link.
    about=$([[ $lang == ja ]] && echo バージョン情報 || echo About)
    shoot_dialog "$lang" about "$about"
    shoot_dialog "$lang" about-links "$about"

    if [[ $lang == ja ]]; then
        shoot_dialog ja hotkey "ホットキーの割り当て"
        shoot_dialog ja regex "正規表現による置換"
        shoot_dialog ja regex-big "正規表現による置換"
        shoot_dialog ja regex-dpi-trip "正規表現による置換"
        shoot_dialog ja multiply "数値を N 倍にする"
        shoot_dialog ja settings "設定 - ヌベラ"
        shoot_dialog ja settings-big "設定 - ヌベラ"
        shoot_dialog ja app-rules "プログラムごとの設定"
        # the opening dialog has its Japanese template only, in either language
        shoot_dialog ja opening "ヌベラ"
        shoot_dialog ja opening-dpi-trip "ヌベラ"
    else
        shoot_dialog en hotkey "Assigns Hotkeys"
        shoot_dialog en regex "Replaces substring by a regular expression"
        shoot_dialog en regex-big "Replaces substring by a regular expression"
        shoot_dialog en regex-dpi-trip "Replaces substring by a regular expression"
        shoot_dialog en multiply "Multiply by N"
        shoot_dialog en settings "Settings - Nuvela"
        shoot_dialog en app-rules "Program rules"
    fi
    shoot_floating "$lang" floating
    shoot_floating "$lang" floating-wide
    shoot_floating "$lang" floating-wide-dpi-trip
done

# The pictures the README shows are refreshed in docs/images/ and committed from there; the tray
# menu is cut out of its full-screen picture. A name added here is picked up once the loop above
# makes <name>_<lang>.png.
README_PICTURES=(tray_menu dialog_regex dialog_settings floating-wide dialog_about dialog_app-rules)
languages=(ja en)
suffix=
if ((dpi != 96)); then
    # only the Japanese settings dialog, shown beside the one at 100 %
    README_PICTURES=(dialog_settings)
    languages=(ja)
    suffix=_$((dpi * 100 / 96))
fi
images=$NUVELA_ROOT/docs/images
mkdir -p "$images"
for name in "${README_PICTURES[@]}"; do
    for lang in "${languages[@]}"; do
        [[ -f $out/${name}_$lang.png ]] || continue
        # Without the time stamps, a picture that looks the same stays the same file.
        convert "$out/${name}_$lang.png" -trim +repage -strip -define png:exclude-chunks=date,time \
            "$images/${name}_$lang$suffix.png"
        echo "screenshot: $images/${name}_$lang$suffix.png"
    done
done
