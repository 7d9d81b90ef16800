#!/usr/bin/env bash
# Sets up, builds and starts Nuvela under Wine. On a desktop its tray icon appears and copies made
# in any X11 program are processed; without a display it runs on a private Xvfb, and says how to
# reach it once it is up.
set -euo pipefail
source "$(dirname "$0")/common.sh"
"$NUVELA_ROOT/scripts/setup.sh"
configure_and_build
trap cleanup_started EXIT
trap 'exit 130' INT TERM
ensure_display
ensure_wine_prefix
cd "$WIN_BUILD"
if ((!own_display)); then
    "$WINE" "$WIN_BUILD/Nuvela.exe" "$@"
    exit
fi

# Nuvela is up once its icon is in Wine's tray, whose window appears with the first icon. False
# when Nuvela ($1) ends first, or after two minutes.
wait_for_tray() {
    local i
    for i in $(seq 1 1200); do
        xdotool search --onlyvisible --name '^Wine System Tray$' >/dev/null 2>&1 && return 0
        kill -0 "$1" 2>/dev/null || return 1
        sleep 0.1
    done
    return 1
}

tell_private_display() {
    cat <<TEXT

Nuvela is running on the private display $DISPLAY (Xvfb).
  Copy into it:  echo 'some text' | xclip -display $DISPLAY -selection clipboard
  Read it back:  xclip -display $DISPLAY -selection clipboard -o
  Look at it:    import -display $DISPLAY -window root nuvela.png
                 (scripts/screenshot_menu.sh shoots the menu and every dialog on an Xvfb of its own)
  End it:        Ctrl+C here, or from another terminal
                 WINEPREFIX=$WINEPREFIX DISPLAY=$DISPLAY $WINE $WIN_BUILD/Nuvela.exe /X
                 (the Xvfb ends with it)
TEXT
}

"$WINE" "$WIN_BUILD/Nuvela.exe" "$@" &
nuvela=$!
started_pids+=("$nuvela")
if wait_for_tray "$nuvela"; then tell_private_display; fi
wait "$nuvela"
