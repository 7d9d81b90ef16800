#!/usr/bin/env bash
# Pasting as plain text under Wine: from hotkey 4 to the whole text in an edit control in front, for
# a copy of text with an HTML format beside it at 1 KiB and at 1 Mi characters, measured in the same
# run: Nuvela (which also takes the copy's formats and puts them back) against a minimal paster of
# ours that only puts the text on the clipboard and sends Ctrl+V (target at most 1.20). Prints each
# one's median with its quartiles, and the ratios.
#   scripts/bench_paste.sh [rounds]
set -euo pipefail
source "$(dirname "$0")/common.sh"
"$NUVELA_ROOT/scripts/setup.sh"

cmake -S "$NUVELA_ROOT" -B "$WIN_BUILD" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$NUVELA_ROOT/cmake/mingw-w64-x86_64.cmake" >/dev/null
cmake --build "$WIN_BUILD" -j "$JOBS" --target Nuvela nuvela_paste_bench nuvela_minimal_paster >/dev/null

trap cleanup_started EXIT
trap 'exit 130' INT TERM
ensure_display
ensure_wine_prefix
"$WINE" "$WIN_BUILD/bench/clipboard/nuvela_paste_bench.exe" \
    "$(winepath -w "$WIN_BUILD/Nuvela.exe")" \
    "$(winepath -w "$WIN_BUILD/bench/clipboard/nuvela_minimal_paster.exe")" ${1:+"$1"} | tr -d '\r'
