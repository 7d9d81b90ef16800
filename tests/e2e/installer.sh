#!/usr/bin/env bash
# The installer's round trip in a Wine prefix of its own: a silent install puts the program, its
# Start-menu shortcut and its entry in the installed programs in place; the installed Nuvela
# processes a copy made by an X11 program and ends on /X; an installation over a running Nuvela
# ends it first; the silent uninstaller ends a running Nuvela, removes everything it installed and
# the start-up shortcuts of either language, and keeps the settings (registry, ini file and its save
# copy) unless /REMOVESETTINGS is given. Then, in Japanese and in English, a user's run driven by
# keys: the welcome page with Nuvela's own picture, the licence opening on the page's own language's
# terms, the folder and the finish page, and the uninstaller's pages with its settings question,
# asked before anything is removed; last, the installer declared DPI-aware and, at 144 DPI, its
# welcome page with its own picture. A picture of every page is kept in build/installer-pages. Run by scripts/test.sh with
# WINE, WINESERVER, NUVELA_DIST (where scripts/package.sh wrote the installer), WIN_BUILD (the tree
# it packaged) and DISPLAY set.
set -euo pipefail
: "${WINE:?}" "${WINESERVER:?}" "${NUVELA_DIST:?}" "${WIN_BUILD:?}" "${DISPLAY:?}"
own_picture=$WIN_BUILD/installer-picture.bmp  # drawn by scripts/package.sh
source "$(dirname "$0")/../../scripts/common.sh"  # link_cjk_font, for the Japanese pages

setup_files=("$NUVELA_DIST"/Nuvela-*-setup.exe)
if ((${#setup_files[@]} != 1)) || [[ ! -f ${setup_files[0]} ]]; then
    echo "expected one installer in $NUVELA_DIST, found: ${setup_files[*]}" >&2
    exit 1
fi
setup=${setup_files[0]}
version=${setup##*/Nuvela-}
version=${version%-setup.exe}

# Never the shared test prefix: the installer writes into the user's profile and registry there.
WINEPREFIX=$(mktemp -d "$(dirname "$NUVELA_DIST")/installer-prefix.XXXXXX")
export WINEPREFIX
nuvela_pid=

end_everything() {
    if [[ -n $nuvela_pid ]]; then kill "$nuvela_pid" 2>/dev/null || true; fi
    "$WINESERVER" -k 2>/dev/null || true
    timeout 30 "$WINESERVER" -w 2>/dev/null || true
    rm -rf "$WINEPREFIX"
}
trap end_everything EXIT
trap 'exit 130' INT TERM

fail() {
    echo "FAILED: $*" >&2
    exit 1
}

"$WINE" wineboot -i >/dev/null 2>&1
"$WINESERVER" -w
link_cjk_font
# The silent round trip in English: the installer speaks the program's language (see the key-driven
# runs at the end), and its entry and shortcut are named in it.
export NUVELA_LANG=EN

# Lists a key with reg.exe once, into key_listing; returns 1 only when reg says the key is not
# there. A reg that fails for any other reason (a Wine start failing on a loaded machine) is tried
# again, and its status and output are shown when it keeps failing.
key_listing=
read_registry_key() {
    local attempt output status=0
    for attempt in 1 2 3 4 5; do
        status=0
        output=$("$WINE" reg query "$1" 2>&1) || status=$?
        output=$(tr -d '\r' <<<"$output")
        if ((status == 0)); then
            key_listing=$output
            return 0
        fi
        if ((status == 1)) && [[ $output == *"Unable to find the specified registry key"* ]]; then return 1; fi
        sleep 2
    done
    fail "reg query $1 failed $attempt times, last with status $status: $output"
}

# The data of the value named exactly $1 in key_listing ("0x1" for a DWORD); fails when missing.
# Value names are compared without regard to case, as Windows does (Wine writes "StartUp").
listed_value() {
    local line prefix="    $1    REG_"
    while IFS= read -r line; do
        if [[ ${line,,} == "${prefix,,}"* ]]; then
            line=${line:${#prefix}}  # the rest of the type name, four spaces, the data
            [[ $line == *"    "* ]] && printf '%s\n' "${line#*    }"
            return 0
        fi
    done <<<"$key_listing"
    return 1
}

registry_value() {
    read_registry_key "$1" || return 1
    listed_value "$2"
}
registry_key_absent() { ! read_registry_key "$1"; }

# A folder of the user's profile where Windows programs find it (Wine's Startup is "StartUp").
shell_folder() {
    local windows
    windows=$(registry_value 'HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders' "$1") ||
        fail "no shell folder $1"
    "$WINE" winepath -u "$windows" | tr -d '\r'
}
install_dir=$(shell_folder "Local AppData")/Programs/Nuvela
start_menu_shortcut=$(shell_folder Programs)/Nuvela.lnk
startup_folder=$(shell_folder Startup)
installed_files=(Nuvela.exe Convert.def Nuvela.chm nuvela-filter.exe README-ja.txt README-en.txt LICENSE.txt Uninstall.exe)
uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Nuvela'
settings_key='HKCU\Software\Tavernel\Nuvela\CurrentVersion'

source "$(dirname "$0")/lib/x_clipboard.sh"
# The deadline is generous for a cold Wine start.
expect_clipboard() { wait_for_x_clipboard "$1" 60 || fail "the installed Nuvela did not process '$1'"; }

start_installed_nuvela() {
    (cd "$install_dir" && NUVELA_LANG=EN exec "$WINE" ./Nuvela.exe) &
    nuvela_pid=$!
}

# Waits for the started Nuvela to end; $1 says who was to end it.
expect_nuvela_ended() {
    timeout 60 tail --pid="$nuvela_pid" -f /dev/null || true
    kill -0 "$nuvela_pid" 2>/dev/null && fail "Nuvela did not end on $1"
    wait "$nuvela_pid" 2>/dev/null || true
    nuvela_pid=
}

# Once the installer has returned, whatever it set going in the prefix is left to end before the
# installation is looked at.
install_silently() {
    "$WINE" "$setup" /S || fail "the installer exited with $?"
    timeout 120 "$WINESERVER" -w || fail "the prefix did not come to rest after the installer"
    local file
    for file in "${installed_files[@]}"; do
        [[ -f $install_dir/$file ]] || fail "$file was not installed into $install_dir"
    done
    [[ -f $start_menu_shortcut ]] || fail "no Start-menu shortcut"
}

# The uninstaller runs a copy of itself from the temporary folder and returns at once; the copy
# has finished when nothing runs in the prefix any more.
uninstall_silently() {
    "$WINE" "$install_dir/Uninstall.exe" /S "$@" || fail "the uninstaller exited with $?"
    timeout 120 "$WINESERVER" -w || fail "the prefix did not come to rest after the uninstaller"
}

# $1: what may stay in the installation folder (the kept settings), nothing when empty.
expect_nothing_installed_left() {
    if [[ -n ${1:-} ]]; then
        [[ $(ls -A "$install_dir" 2>/dev/null) == "$1" ]] || fail "installation folder holds: $(ls -A "$install_dir")"
    else
        [[ ! -e $install_dir ]] || fail "left behind: $(ls -A "$install_dir")"
    fi
    [[ ! -e $start_menu_shortcut ]] || fail "the Start-menu shortcut is left"
    [[ ! -e $(dirname "$start_menu_shortcut")/ヌベラ.lnk ]] || fail "the Japanese Start-menu shortcut is left"
    [[ ! -e $startup_folder/Nuvela.lnk ]] || fail "the English start-up shortcut is left"
    [[ ! -e $startup_folder/ヌベラ.lnk ]] || fail "the Japanese start-up shortcut is left"
    registry_key_absent "$uninstall_key" || fail "the uninstall entry is left"
}

# --- Install, and the entry in the installed programs.
install_silently
windows_install_dir=$("$WINE" winepath -w "$install_dir" | tr -d '\r')
expected_values=(
    "DisplayName=Nuvela"
    "DisplayVersion=$version"
    "InstallLocation=$windows_install_dir"
    "UninstallString=\"$windows_install_dir\\Uninstall.exe\""
    "QuietUninstallString=\"$windows_install_dir\\Uninstall.exe\" /S"
    "NoModify=0x1"
    "NoRepair=0x1"
)
read_registry_key "$uninstall_key" || fail "no uninstall entry"
for pair in "${expected_values[@]}"; do
    name=${pair%%=*}
    expected=${pair#*=}
    actual=$(listed_value "$name") || fail "uninstall entry without $name"
    [[ $actual == "$expected" ]] || fail "uninstall entry $name is '$actual', expected '$expected'"
done

# --- The installed program processes a copy (settings in the registry, as an installed copy keeps them).
"$WINE" reg add "$settings_key" /v NoOpeningDlg /t REG_DWORD /d 1 /f >/dev/null 2>&1
"$WINE" reg add "$settings_key" /v DelSpace /t REG_DWORD /d 1 /f >/dev/null 2>&1
x_copy "s t a r t"
start_installed_nuvela
expect_clipboard "start"  # what is on the clipboard at start is processed once: Nuvela is up
x_copy "i n s t a l l e d   c o p y"
expect_clipboard "installedcopy"
"$WINE" "$install_dir/Nuvela.exe" /X
expect_nuvela_ended "/X"

# A start-up shortcut of either language, and the ini file a start with /O writes beside the program
# with the copy its save writes first.
add_what_nuvela_makes() {
    mkdir -p "$startup_folder"
    printf 'start-up shortcut' >"$startup_folder/Nuvela.lnk"
    printf 'start-up shortcut' >"$startup_folder/ヌベラ.lnk"
    printf '\xff\xfe' >"$install_dir/Nuvela.ini"
    printf '\xff\xfe' >"$install_dir/Nuvela.ini.tmp"
}

# --- The uninstaller ends a running Nuvela, removes what was installed and keeps the settings.
add_what_nuvela_makes
x_copy "r u n n i n g"
start_installed_nuvela
expect_clipboard "running"
uninstall_silently
expect_nuvela_ended "the uninstaller"
expect_nothing_installed_left $'Nuvela.ini\nNuvela.ini.tmp'
[[ $(registry_value "$settings_key" DelSpace) == 0x1 ]] || fail "the settings were not kept"

# --- Installed again, and once more over the running program, which the installer ends first.
install_silently
x_copy "u p g r a d e"
start_installed_nuvela
expect_clipboard "upgrade"
install_silently
expect_nuvela_ended "the installer over it"

# --- Uninstalled with /REMOVESETTINGS: the settings go too.
add_what_nuvela_makes
uninstall_silently /REMOVESETTINGS
expect_nothing_installed_left
registry_key_absent 'HKCU\Software\Tavernel' || fail "the settings were not removed"

# --- A user's run in each language, driven by keys on the display: every page is there and shows
# what it should, and leaves a picture of itself.
pages_dir=$(dirname "$NUVELA_DIST")/installer-pages
rm -rf "$pages_dir"
mkdir -p "$pages_dir"
[[ -f $own_picture ]] || fail "no installer picture $own_picture"
# Drawn at 200 %; compared at the page's size at 100 %.
own_reference=$pages_dir/own-picture.png
convert "$own_picture" -resize '164x314!' "$own_reference"
screen_digest() { import -window root -depth 8 rgb:- 2>/dev/null | md5sum; }

# The visible windows whose name starts with the product's name in either language: the installer
# or uninstaller and its message box.
setup_windows() { xdotool search --onlyvisible --name "^(Nuvela|ヌベラ) $version" 2>/dev/null || true; }
setup_windows_shown() { (($(setup_windows | wc -l) == $1)); }

press_return() {
    local window
    for window in $(setup_windows); do xdotool key --window "$window" Return 2>/dev/null; done
}

# Whether the left part of the page is the picture package.sh drew from the program icon, stretched
# to the page: the welcome and finish pages, not the packaging tool's stock picture.
picture_difference=
shows_own_picture() {
    local window
    window=$(setup_windows | head -1)
    [[ -n $window ]] || return 1
    eval "$(xdotool getwindowgeometry --shell "$window")"
    # The picture's place: the left third of the window, down to the line above the buttons.
    picture_difference=$(import -window root -crop "$((WIDTH * 191 / 579))x$((HEIGHT * 410 / 472))+$X+$Y" \
        -resize '164x314!' png:- | { compare -metric RMSE - "$own_reference" null: 2>&1 || true; } |
        sed 's/.*(\(.*\))/\1/')
    awk -v d="$picture_difference" 'BEGIN { exit !(d < 0.08) }'
}

# The uninstaller has removed everything and shows its last page, with no message box left.
uninstaller_done() { [[ ! -e $install_dir ]] && setup_windows_shown 1; }

# Waits until the screen has changed from the digest $1, holds still and the condition (the rest of
# the arguments) holds; saves the screen as $2 and sets screen to its digest.
screen=
wait_for_page() {
    local previous=$1 picture=$2 now last= deadline=$((SECONDS + 120))
    shift 2
    while ((SECONDS < deadline)); do
        now=$(screen_digest)
        if [[ $now != "$previous" && $now == "$last" ]] && "$@"; then
            import -window root "$picture"
            screen=$now
            return 0
        fi
        last=$now
        sleep 0.5
    done
    import -window root "$picture"
    fail "the page $(basename "$picture" .png) did not come (waited for: $*; picture difference: $picture_difference)"
}

# The licence page opens on the terms in its own language (the other language's follow): the text
# the page holds, copied as a user copies it (Ctrl+A, Ctrl+C in the terms, which have the focus),
# reaches its own terms' heading before the other one.
expect_own_terms_first() {
    local lang=$1 expected window first= deadline=$((SECONDS + 30))
    expected=$([[ $lang == JA ]] && echo '【利用条件】' || echo 'Terms of use')
    x_copy "nothing copied yet"
    for window in $(setup_windows); do xdotool key --window "$window" ctrl+a ctrl+c 2>/dev/null; done
    while ((SECONDS < deadline)); do
        first=$(x_paste | tr -d '\r' | grep -m1 -x -e '【利用条件】' -e 'Terms of use' || true)
        [[ -n $first ]] && break
        sleep 0.5
    done
    [[ $first == "$expected" ]] || fail "$lang: the licence page opens on '${first:-no terms}', not on '$expected'"
}

run_installer_by_keys() {
    local lang=$1 shortcut=$2 setup_pid window file
    screen=$(screen_digest)
    NUVELA_LANG=$lang "$WINE" "$setup" &
    setup_pid=$!
    wait_for_page "$screen" "$pages_dir/$lang-1-welcome.png" shows_own_picture
    press_return
    wait_for_page "$screen" "$pages_dir/$lang-2-licence.png" true
    expect_own_terms_first "$lang"
    press_return  # agrees
    wait_for_page "$screen" "$pages_dir/$lang-3-folder.png" true
    press_return  # installs
    wait_for_page "$screen" "$pages_dir/$lang-4-finish.png" shows_own_picture
    # Four pages each took a key: without the welcome or the licence page the third key would have
    # closed the installer from its finish page.
    kill -0 "$setup_pid" 2>/dev/null || fail "$lang: the installer ended before its finish page: a page is missing"
    for window in $(setup_windows); do xdotool key --window "$window" alt+r 2>/dev/null; done  # no start of Nuvela
    press_return
    timeout 90 tail --pid="$setup_pid" -f /dev/null || fail "$lang: the installer did not end on its finish page"
    wait "$setup_pid" || fail "$lang: the installer exited with $?"
    timeout 120 "$WINESERVER" -w || fail "the prefix did not come to rest after the installer"
    for file in "${installed_files[@]}"; do
        [[ -f $install_dir/$file ]] || fail "$lang: $file was not installed"
    done
    [[ -f $(dirname "$start_menu_shortcut")/$shortcut ]] || fail "$lang: no Start-menu shortcut $shortcut"

    screen=$(screen_digest)
    NUVELA_LANG=$lang "$WINE" "$install_dir/Uninstall.exe"
    wait_for_page "$screen" "$pages_dir/$lang-5-uninstall.png" setup_windows_shown 1
    press_return
    wait_for_page "$screen" "$pages_dir/$lang-6-settings-question.png" setup_windows_shown 2
    for file in "${installed_files[@]}"; do
        [[ -f $install_dir/$file ]] || fail "$lang: $file was removed before the settings question was answered"
    done
    press_return  # No, the default: the settings are kept
    wait_for_page "$screen" "$pages_dir/$lang-7-uninstalled.png" uninstaller_done
    press_return
    timeout 120 "$WINESERVER" -w || fail "the prefix did not come to rest after the uninstaller"
    expect_nothing_installed_left
}

run_installer_by_keys JA ヌベラ.lnk
run_installer_by_keys EN Nuvela.lnk

# --- At 150 %, last, as the prefix keeps its DPI: the installer declares itself DPI-aware, so that
# Windows does not stretch (and blur) it, and its welcome page, drawn at the screen's DPI, still
# shows Nuvela's own picture (drawn at 200 %, scaled down to its place). Wine draws every program
# at its DPI, aware or not: the declaration is read from the installer's manifest.
grep -qa '<dpiAware xmlns="[^"]*">true</dpiAware>' "$setup" || fail "the installer's manifest does not declare it DPI-aware"
for key in 'HKCU\Control Panel\Desktop' 'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts'; do
    "$WINE" reg add "$key" /v LogPixels /t REG_DWORD /d 144 /f >/dev/null 2>&1
done
"$WINESERVER" -k 2>/dev/null || true  # Wine reads the DPI when its server starts
"$WINESERVER" -w
screen=$(screen_digest)
NUVELA_LANG=EN "$WINE" "$setup" &
setup_pid=$!
wait_for_page "$screen" "$pages_dir/EN-dpi144-welcome.png" shows_own_picture
"$WINESERVER" -k 2>/dev/null || true
wait "$setup_pid" 2>/dev/null || true

echo "installer round trip of $version passed"
