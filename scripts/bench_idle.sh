#!/usr/bin/env bash
# The CPU an idle Nuvela.exe uses under Wine with its floating button shown (its 17 ms hover timer
# should be asleep once the opacity has settled) against the same program without the button,
# measured alike in alternating rounds of one run: once a start has settled, the user + system
# time over 10 s, from /proc, of the process and of the prefix's wineserver, which does part of
# the work of every timer message.
# Prints both medians and their ratio (target at most 1.5).
#   scripts/bench_idle.sh [rounds]
set -euo pipefail
source "$(dirname "$0")/common.sh"
"$NUVELA_ROOT/scripts/setup.sh"

ROUNDS=${1:-3}
MEASURE_SECONDS=10

cmake -S "$NUVELA_ROOT" -B "$WIN_BUILD" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$NUVELA_ROOT/cmake/mingw-w64-x86_64.cmake" >/dev/null
cmake --build "$WIN_BUILD" -j "$JOBS" --target Nuvela >/dev/null

work=$(mktemp -d)
subject_pid=""
finish() {
    if [[ -n "$subject_pid" ]] && kill -0 "$subject_pid" 2>/dev/null; then kill "$subject_pid" 2>/dev/null || true; fi
    cleanup_started
    rm -rf "$work"
}
trap finish EXIT
trap 'exit 130' INT TERM
ensure_display
ensure_wine_prefix
export NUVELA_LANG=en
# Settings beside the program (its name ends in _o.exe), so the user's own are never touched.
cp "$WIN_BUILD/Nuvela.exe" "$work/Nuvela_o.exe"
exe_windows=$(winepath -w "$work/Nuvela_o.exe")

write_ini() {  # UTF-16LE with its mark, as the program writes it
    { printf '\xff\xfe'; printf '[Zelmora]\r\nNoOpeningDlg=1\r\nSHOW_FLOATING=%s\r\n' "$1" | iconv -t UTF-16LE; } \
        >"$work/Nuvela.ini"
}

ticks() {  # user + system clock ticks of a process so far
    awk '{ print $14 + $15 }' "/proc/$1/stat"
}

# The wineserver of our own prefix, found by the prefix in its environment (other prefixes' servers
# may run beside it).
own_wineserver() {
    local pid
    for pid in $(pgrep -x wineserver64; pgrep -x wineserver); do
        tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX" && { echo "$pid"; return; }
    done
}

both_ticks() {  # the program's ticks plus its wineserver's
    echo $(( $(ticks "$1") + $(ticks "$2") ))
}

# Start-up costs a burst of CPU; idle begins once a whole second passes with next to none.
wait_until_settled() {
    local pid=$1 deadline=$((SECONDS + 120)) before after
    before=$(ticks "$pid")
    while ((SECONDS < deadline)); do
        sleep 1
        after=$(ticks "$pid")
        (( after - before <= 1 )) && return 0
        before=$after
    done
    echo "bench_idle: the program never settled" >&2
    return 1
}

button_is_mapped() {
    xdotool search --onlyvisible --classname '^nuvela_o\.exe$' >/dev/null 2>&1
}

# One round: prints the CPU milliseconds used over the measured seconds.
measure() {
    local floating=$1
    write_ini "$floating"
    # The user works elsewhere: the pointer rests in a corner, away from the centred button.
    xdotool mousemove 0 0
    (cd "$work" && exec "$WINE" "$exe_windows") >/dev/null 2>&1 &
    subject_pid=$!
    if ((floating)); then
        local deadline=$((SECONDS + 120))
        until button_is_mapped; do
            ((SECONDS < deadline)) || { echo "bench_idle: the floating button never showed" >&2; return 1; }
            sleep 0.2
        done
    fi
    wait_until_settled "$subject_pid"
    local server start end
    server=$(own_wineserver)
    [[ -n "$server" ]] || { echo "bench_idle: no wineserver for $WINEPREFIX" >&2; return 1; }
    start=$(both_ticks "$subject_pid" "$server")
    sleep "$MEASURE_SECONDS"
    end=$(both_ticks "$subject_pid" "$server")
    (cd "$work" && "$WINE" "$exe_windows" /X) >/dev/null 2>&1 || true
    wait "$subject_pid" 2>/dev/null || true
    subject_pid=""
    echo $(( (end - start) * 1000 / $(getconf CLK_TCK) ))
}

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

with=()
without=()
for ((round = 1; round <= ROUNDS; round++)); do
    without+=("$(measure 0)")
    with+=("$(measure 1)")
    echo "round $round: without button ${without[-1]} ms, with button ${with[-1]} ms CPU in ${MEASURE_SECONDS} s"
done
plain=$(printf '%s\n' "${without[@]}" | median)
shown=$(printf '%s\n' "${with[@]}" | median)
# A program that used no measurable CPU at all is counted as one tick, so the ratio stays defined.
tick_ms=$((1000 / $(getconf CLK_TCK)))
awk -v a="$shown" -v b="$plain" -v t="$tick_ms" -v s="$MEASURE_SECONDS" 'BEGIN {
    printf "idle CPU over %d s, median: without button %d ms, with button %d ms, ratio %.2f (target <= 1.5)\n",
        s, b, a, (a > 0 ? a : t) / (b > 0 ? b : t)
}'
