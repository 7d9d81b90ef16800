# The clipboard as an X11 program sees it, for the end-to-end scripts (sourced).

# Copies $1 as an X11 program does: xclip keeps serving it until someone else owns the clipboard.
x_copy() { printf '%s' "$1" | xclip -i -selection clipboard; }
x_paste() { xclip -o -selection clipboard 2>/dev/null || true; }

# Waits up to $2 seconds until the X11 side reads $1; says what it read instead when it does not.
wait_for_x_clipboard() {
    local expected=$1 deadline=$((SECONDS + $2)) seen=
    while ((SECONDS < deadline)); do
        seen=$(x_paste)
        [[ $seen == "$expected" ]] && return 0
        sleep 0.2
    done
    echo "expected clipboard '$expected', read '$seen'" >&2
    return 1
}
