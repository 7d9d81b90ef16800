#!/usr/bin/env bash
# Pasting as plain text under Wine: from hotkey 4 to the whole text in an edit control in front, for
# a copy of text with an HTML format beside it at 1 KiB and at 1 Mi characters, measured in the same
# run: Nuvela (which also takes the copy's formats and puts them back) against a minimal paster of
# ours that only puts the text on the clipboard and sends Ctrl+V (target at most 1.20). Prints each
# one's median with its quartiles, and the ratios.
#   scripts/bench_paste.sh [rounds]
set -euo pipefail
source "$(dirname "$0")/common.sh"
run_clipboard_bench nuvela_paste_bench nuvela_minimal_paster "$@"
