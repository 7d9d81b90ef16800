#!/usr/bin/env bash
# The installer's round trip in a Wine prefix of its own: a silent install puts the program, its
# Start-menu shortcut and its entry in the installed programs in place; the installed Nuvela
# processes a copy made by an X11 program and ends on /X; an installation over a running Nuvela
# ends it first; the silent uninstaller ends a running Nuvela, removes everything it installed and
# the start-up shortcuts of either language, and keeps the settings (registry and ini file) unless
# /REMOVESETTINGS is given. Run by scripts/test.sh with WINE, WINESERVER, NUVELA_DIST (where
# scripts/package.sh wrote the installer) and DISPLAY set.
set -euo pipefail
: "${WINE:?}" "${WINESERVER:?}" "${NUVELA_DIST:?}" "${DISPLAY:?}"

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

# The data of one registry value as reg.exe prints it ("0x1" for a DWORD); fails when missing.
registry_value() {
    "$WINE" reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' |
        sed -n "s/^ *$2 *REG_[A-Z_]* *//Ip" | grep .
}
registry_key_exists() { "$WINE" reg query "$1" >/dev/null 2>&1; }

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

install_silently() {
    "$WINE" "$setup" /S || fail "the installer exited with $?"
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
    [[ ! -e $startup_folder/Nuvela.lnk ]] || fail "the English start-up shortcut is left"
    [[ ! -e $startup_folder/ヌベラ.lnk ]] || fail "the Japanese start-up shortcut is left"
    ! registry_key_exists "$uninstall_key" || fail "the uninstall entry is left"
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
for pair in "${expected_values[@]}"; do
    name=${pair%%=*}
    expected=${pair#*=}
    actual=$(registry_value "$uninstall_key" "$name") || fail "uninstall entry without $name"
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

# A start-up shortcut of either language, and the ini file a start with /O writes beside the program.
add_what_nuvela_makes() {
    mkdir -p "$startup_folder"
    printf 'start-up shortcut' >"$startup_folder/Nuvela.lnk"
    printf 'start-up shortcut' >"$startup_folder/ヌベラ.lnk"
    printf '\xff\xfe' >"$install_dir/Nuvela.ini"
}

# --- The uninstaller ends a running Nuvela, removes what was installed and keeps the settings.
add_what_nuvela_makes
x_copy "r u n n i n g"
start_installed_nuvela
expect_clipboard "running"
uninstall_silently
expect_nuvela_ended "the uninstaller"
expect_nothing_installed_left Nuvela.ini
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
! registry_key_exists 'HKCU\Software\Tavernel' || fail "the settings were not removed"

echo "installer round trip of $version passed"
