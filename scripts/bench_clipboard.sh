#!/usr/bin/env bash
# The clipboard round trip under Wine: from a copy of a 1 Mi-character and of a 1 Ki-character text,
# each with an HTML format beside it, by another program to the processed text on the clipboard,
# measured in the same run: Nuvela (no options) against a minimal listener of ours that only
# rewrites the text, Nuvela keeping the original against Nuvela without keeping it, and Nuvela with
# a program rule set against Nuvela without one (target at most 1.10 for each, at both sizes); and,
# to show what asking the clipboard's owner first costs, Nuvela against the same listener asking it
# too, and that listener against the plain one.
# Prints the medians and the ratios; a failed round is tried once more, and a second failure names
# the subject and the step that failed.
#   scripts/bench_clipboard.sh [rounds]
set -euo pipefail
source "$(dirname "$0")/common.sh"
run_clipboard_bench nuvela_clipboard_bench nuvela_minimal_listener "$@"
