#!/usr/bin/env bash
# Takes screenshots of the tray menu and of the already-running dialog in both languages on a
# private Xvfb, for a look by eye (they are no test oracle): build/screenshots/*.png.
# The menu is opened the way a user opens it: a right click on the icon in Wine's system tray.
set -euo pipefail
source "$(dirname "$0")/common.sh"
"$NUVELA_ROOT/scripts/setup.sh"
cmake -S "$NUVELA_ROOT" -B "$WIN_BUILD" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$NUVELA_ROOT/cmake/mingw-w64-x86_64.cmake" >/dev/null
cmake --build "$WIN_BUILD" -j "$JOBS" --target Nuvela

work=$(mktemp -d)
trap 'cleanup_started; rm -rf "$work"' EXIT
trap 'exit 130' INT TERM
unset DISPLAY  # always a display of our own, so nothing else is on the pictures
ensure_display
ensure_wine_prefix
out=$BUILD_ROOT/screenshots
mkdir -p "$out"

# An ini file (UTF-16LE) that keeps the opening dialog away from the menu picture.
write_ini() {
    { printf '\377\376'; printf '[Zelmora]\r\nNoOpeningDlg=1\r\n' | iconv -f UTF-8 -t UTF-16LE; } > "$1/Nuvela.ini"
}

wait_for_window() {
    local i
    for i in $(seq 1 100); do
        xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1 | grep . && return 0
        sleep 0.1
    done
    echo "screenshot: window '$1' did not appear" >&2
    return 1
}

for lang in ja en; do
    folder=$work/$lang
    mkdir -p "$folder"
    cp "$WIN_BUILD/Nuvela.exe" "$folder/Nuvela_o.exe"
    write_ini "$folder"
    (cd "$folder" && NUVELA_LANG=$lang exec "$WINE" ./Nuvela_o.exe) &
    nuvela=$!
    started_pids+=("$nuvela")
    tray=$(wait_for_window "Wine System Tray")
    sleep 1  # the icon is drawn into the tray window after it appears
    xdotool mousemove --window "$tray" 10 10 click 3
    sleep 1.5
    import -window root "$out/tray_menu_$lang.png"
    xdotool key Escape

    (cd "$folder" && NUVELA_LANG=$lang exec "$WINE" ./Nuvela_o.exe) &
    second=$!
    started_pids+=("$second")
    dialog=$(wait_for_window "^$( [[ $lang == ja ]] && echo ヌベラ || echo Nuvela )\$")
    sleep 1
    import -window root "$out/already_running_$lang.png"
    xdotool key --window "$dialog" Escape  # Cancel; sent to the window, as no window manager gives focus
    wait "$second" || true

    (cd "$folder" && NUVELA_LANG=$lang "$WINE" ./Nuvela_o.exe /X)
    wait "$nuvela" || true
    echo "screenshot: $out/tray_menu_$lang.png $out/already_running_$lang.png"
done
