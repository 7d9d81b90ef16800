#!/usr/bin/env bash
# An X11 program copies text; Nuvela, under Wine on the same display, processes it; the X11 side
# reads the processed text back. Run by scripts/test.sh with WINE, WIN_BUILD, WINEPREFIX and
# DISPLAY set; exits 0 when every check holds.
set -euo pipefail

folder=$(mktemp -d)
nuvela_pid=

end_nuvela() {
    [[ -n $nuvela_pid ]] || return 0
    if kill -0 "$nuvela_pid" 2>/dev/null; then
        (cd "$folder" && timeout 20 "$WINE" ./Nuvela_o.exe /X) || true
        timeout 20 tail --pid="$nuvela_pid" -f /dev/null || true
    fi
    if kill -0 "$nuvela_pid" 2>/dev/null; then
        echo "Nuvela did not end on /X" >&2
        kill "$nuvela_pid" 2>/dev/null || true
        return 1
    fi
    wait "$nuvela_pid" 2>/dev/null || true
    nuvela_pid=
}
trap 'end_nuvela; rm -rf "$folder"' EXIT

source "$(dirname "$0")/lib/x_clipboard.sh"
# The deadline is generous for a cold Wine start.
expect_clipboard() { wait_for_x_clipboard "$1" 40; }

cp "$WIN_BUILD/Nuvela.exe" "$folder/Nuvela_o.exe"
{
    printf '\xff\xfe'
    printf '[Zelmora]\r\nNoOpeningDlg=1\r\nSK1_VKEY=0\r\nSK2_VKEY=0\r\nDelSpace=1\r\n' | iconv -f UTF-8 -t UTF-16LE
} >"$folder/Nuvela.ini"

# What is on the clipboard at start is processed once: that also says Nuvela is up.
x_copy "s t a r t"
(cd "$folder" && NUVELA_LANG=EN exec "$WINE" ./Nuvela_o.exe) &
nuvela_pid=$!
expect_clipboard "start"

x_copy "x 1 1   c o p y"
expect_clipboard "x11copy"

x_copy "日本 語 テキスト"
expect_clipboard "日本語テキスト"

end_nuvela
echo "xclip round trips processed"
