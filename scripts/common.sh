# Shared by the build, run and test scripts: paths, the private Wine prefix, Xvfb and clean-up.
# Source it; it defines functions and variables only.

NUVELA_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD_ROOT=${NUVELA_BUILD_ROOT:-$NUVELA_ROOT/build}
HOST_BUILD=$BUILD_ROOT/host
WIN_BUILD=$BUILD_ROOT/windows
export WINEPREFIX=$BUILD_ROOT/wine-prefix
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver64
JOBS=$(nproc)

started_pids=()
wine_started=0
own_display=0  # 1 once ensure_display started our own Xvfb

cleanup_started() {
    if ((wine_started)); then
        "$WINESERVER" -k 2>/dev/null || true
        local prefix
        for prefix in "$BUILD_ROOT"/wine-prefix-dpi*; do
            [[ -d $prefix ]] && WINEPREFIX=$prefix "$WINESERVER" -k 2>/dev/null || true
        done
        wine_started=0
    fi
    for pid in "${started_pids[@]}"; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    started_pids=()
}

# Starts Xvfb on a free display when none is set; it is ended by cleanup_started.
ensure_display() {
    if [[ -n "${DISPLAY:-}" ]]; then return; fi
    local display
    for display in $(seq 90 120); do
        [[ -e /tmp/.X11-unix/X$display || -e /tmp/.X$display-lock ]] && continue
        # -noreset: by default Xvfb resets when its last client leaves and refuses connections for a
        # moment, so a program started just after another one ended could not open the display.
        Xvfb ":$display" -screen 0 "${XVFB_SCREEN:-1280x800x24}" -nolisten tcp -noreset >/dev/null 2>&1 &
        local pid=$!
        started_pids+=("$pid")
        export DISPLAY=":$display"
        own_display=1
        local i
        for i in $(seq 1 100); do
            [[ -e /tmp/.X11-unix/X$display ]] && return
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.1
        done
        echo "Xvfb did not start on :$display" >&2
        exit 1
    done
    echo "no free X display" >&2
    exit 1
}

# Creates the private prefix once; tests never touch the user's own Wine setup.
ensure_wine_prefix() {
    wine_started=1
    if [[ ! -f "$WINEPREFIX/system.reg" ]]; then
        echo "wine: creating private prefix $WINEPREFIX"
        mkdir -p "$WINEPREFIX"
        "$WINE" wineboot -i >/dev/null 2>&1
        "$WINESERVER" -w
    fi
    link_cjk_font
    match_window_management
}

# No window manager runs on our own Xvfb, yet Wine waits up to 2 s for one each time it maps or
# hides a managed window. There, Wine's tray (explorer.exe) and the programs that drive dialogs and
# the main window in-process run with unmanaged windows; Nuvela.exe and the end-to-end programs
# keep the ordinary setting. On a desktop's display, with its window manager, every window is
# managed again.
UNMANAGED_PROGRAMS=(explorer.exe nuvela_dialog_preview.exe nuvela_shell_tests.exe nuvela_dialogs_tests.exe
    nuvela_dialog_services_tests.exe nuvela_about_tests.exe)
match_window_management() {
    local program key
    local last='HKCU\Software\Wine\AppDefaults\'"${UNMANAGED_PROGRAMS[-1]}"'\X11 Driver'
    if ((own_display)); then
        "$WINE" reg query "$last" /v Managed >/dev/null 2>&1 && return
        for program in "${UNMANAGED_PROGRAMS[@]}"; do
            key='HKCU\Software\Wine\AppDefaults\'"$program"'\X11 Driver'
            "$WINE" reg add "$key" /v Managed /d N /f >/dev/null 2>&1
        done
    else
        "$WINE" reg query "$last" /v Managed >/dev/null 2>&1 || return 0  # nothing to undo; not a failure
        for program in "${UNMANAGED_PROGRAMS[@]}"; do
            key='HKCU\Software\Wine\AppDefaults\'"$program"'\X11 Driver'
            "$WINE" reg delete "$key" /v Managed /f >/dev/null 2>&1
        done
    fi
    "$WINESERVER" -w
}

# Wine's user-interface fonts have no Japanese glyphs and no Japanese font to fall back on: link
# them to Noto Sans CJK (fonts-noto-cjk), so Japanese menus and dialogs do not show empty boxes.
# "MS Sans Serif", the English dialogs' font, is not installed with Wine's packages here, and Wine
# draws it with DejaVu Sans, which lacks the ideographic space one English label holds: DejaVu Sans
# is linked too. "MS Sans Serif" itself is not linked, since a missing face with a link is drawn
# wholly in the linked font. Wine registers the Noto fonts itself and links some faces to fonts
# that are not installed, so only the links we add tell whether it is done. Wine writes its own
# links back whenever a program runs under another ANSI code page (the filter tests' UTF-8 tool
# does), so every start checks again, all faces in one query.
CJK_LINK_KEY='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink'
CJK_LINK='NotoSansCJK-Regular.ttc,Noto Sans CJK JP'
CJK_LINKED_FACES=("MS Shell Dlg" "MS Shell Dlg 2" "Microsoft Sans Serif" "ＭＳ Ｐゴシック" "MS UI Gothic" "Tahoma"
    "DejaVu Sans")
link_cjk_font() {
    local links face
    links=$("$WINE" reg query "$CJK_LINK_KEY" 2>/dev/null | tr -d '\r') || links=
    cjk_links_complete "$links" && return
    for face in "${CJK_LINKED_FACES[@]}"; do
        "$WINE" reg add "$CJK_LINK_KEY" /v "$face" /t REG_MULTI_SZ /d "$CJK_LINK" /f >/dev/null 2>&1
    done
    "$WINESERVER" -w
}

# Whether the listing of the link key ($1, as "reg query" prints it) links every face to Noto. The
# console turns Japanese face names into question marks, so those faces are taken as linked when
# the others are: all are written together.
cjk_links_complete() {
    local face
    for face in "${CJK_LINKED_FACES[@]}"; do
        [[ $face == *[^\ -~]* ]] && continue
        grep -qxF "    $face    REG_MULTI_SZ    $CJK_LINK" <<<"$1" || return 1
    done
}

# A prefix whose screen has `$1` DPI (120, 144, 192), for the layout checks and the screenshots at
# that size: a copy of our prefix with LogPixels set, made the first time and kept beside it (a copy
# takes seconds, a new prefix a minute or more). Wine reads LogPixels when its server starts, so the copy
# has a server of its own. Call ensure_wine_prefix first. Prints the prefix's path; end its server
# with `WINEPREFIX=<path> wineserver -k`.
dpi_prefix() {
    local dpi=$1
    local prefix=$BUILD_ROOT/wine-prefix-dpi$dpi
    if [[ ! -f $prefix/.nuvela-dpi ]]; then
        # our prefix's server ends (a program a test left behind with it) and its registry is on disk
        "$WINESERVER" -k 2>/dev/null || true
        "$WINESERVER" -w
        rm -rf "$prefix"
        mkdir -p "$prefix"
        # The 600 MB of Wine's own libraries in the system folder are hard-linked, not copied: Wine
        # writes them only when it updates a prefix to a new version, and then writes the same files.
        tar -C "$WINEPREFIX" --exclude=./drive_c/windows/system32 -cf - . | tar -C "$prefix" -xf -
        cp -a --link "$WINEPREFIX/drive_c/windows/system32" "$prefix/drive_c/windows/"
        local key
        for key in 'HKCU\Control Panel\Desktop' \
            'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts'; do
            WINEPREFIX=$prefix "$WINE" reg add "$key" /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
        done
        WINEPREFIX=$prefix "$WINESERVER" -w
        touch "$prefix/.nuvela-dpi"
    fi
    # the checks every start of our own prefix makes, in the copy's registry
    (
        export WINEPREFIX=$prefix
        link_cjk_font
        match_window_management
    ) >&2
    echo "$prefix"
}

configure_and_build() {
    cmake -S "$NUVELA_ROOT" -B "$HOST_BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build "$HOST_BUILD" -j "$JOBS"
    cmake -S "$NUVELA_ROOT" -B "$WIN_BUILD" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$NUVELA_ROOT/cmake/mingw-w64-x86_64.cmake" >/dev/null
    cmake --build "$WIN_BUILD" -j "$JOBS"
}

# Builds Nuvela.exe and a clipboard benchmark's driver and reference program in the Release tree,
# then runs the driver under Wine on our own display, given both programs' Windows paths and the
# rounds, if asked for; its output with Unix line ends. Call it last: it sets the exit trap.
#   run_clipboard_bench <driver target> <reference target> [rounds]
run_clipboard_bench() {
    local driver=$1 reference=$2 rounds=${3:-}
    "$NUVELA_ROOT/scripts/setup.sh"
    cmake -S "$NUVELA_ROOT" -B "$WIN_BUILD" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$NUVELA_ROOT/cmake/mingw-w64-x86_64.cmake" >/dev/null
    cmake --build "$WIN_BUILD" -j "$JOBS" --target Nuvela "$driver" "$reference" >/dev/null

    trap cleanup_started EXIT
    trap 'exit 130' INT TERM
    ensure_display
    ensure_wine_prefix
    "$WINE" "$WIN_BUILD/bench/clipboard/$driver.exe" \
        "$(winepath -w "$WIN_BUILD/Nuvela.exe")" \
        "$(winepath -w "$WIN_BUILD/bench/clipboard/$reference.exe")" ${rounds:+"$rounds"} | tr -d '\r'
}
