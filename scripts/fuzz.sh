#!/usr/bin/env bash
# Builds the libFuzzer targets (tests/fuzz/*_fuzz.cpp) with clang, ASan and UBSan, and runs each for
# a bounded time from a scratch copy of its seed corpus tests/fuzz/corpus/<name>/.
#   scripts/fuzz.sh                  build, then run every target (NUVELA_FUZZ_SECONDS, default 20)
#   scripts/fuzz.sh --long           build, then run every target for a share of one hour
#                                    (NUVELA_FUZZ_LONG_SECONDS, default 3600, in all)
#   scripts/fuzz.sh build            build only
#   scripts/fuzz.sh list             names of the targets
#   scripts/fuzz.sh run NAME [SECS]  run one target; exit status 0 when it found nothing
# Crashes, leaks and hangs leave their reproducer in $BUILD_ROOT/fuzz-work/<name>/.
set -euo pipefail
source "$(dirname "$0")/common.sh"

FUZZ_BUILD=$BUILD_ROOT/fuzz
FUZZ_WORK=$BUILD_ROOT/fuzz-work
SECONDS_PER_TARGET=${NUVELA_FUZZ_SECONDS:-20}

list_targets() {
    local source
    for source in "$NUVELA_ROOT"/tests/fuzz/*_fuzz.cpp; do
        [[ -e "$source" ]] || continue
        basename "$source" _fuzz.cpp
    done
}

build_targets() {
    CC=clang CXX=clang++ cmake -S "$NUVELA_ROOT" -B "$FUZZ_BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DNUVELA_FUZZ=ON >/dev/null
    cmake --build "$FUZZ_BUILD" -j "$JOBS" --target nuvela_fuzz_targets
}

# The regular-expression target keeps its inputs short: the library's backtracking budget, and the
# time a pathological pattern takes to exhaust it, grow with the text times the pattern squared.
max_len_of() {
    case $1 in
        regex) echo 1024 ;;
        *) echo 8192 ;;
    esac
}

run_target() {
    local name=$1 seconds=${2:-$SECONDS_PER_TARGET}
    local program=$FUZZ_BUILD/tests/fuzz/nuvela_${name}_fuzz
    local work=$FUZZ_WORK/$name
    rm -rf "$work"
    mkdir -p "$work/corpus"
    # The fuzzer adds what it finds to its corpus, so it works on a copy and the repository stays as it is.
    if [[ -d "$NUVELA_ROOT/tests/fuzz/corpus/$name" ]]; then
        cp -r "$NUVELA_ROOT/tests/fuzz/corpus/$name/." "$work/corpus/"
    fi
    ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        "$program" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2560 -max_len="$(max_len_of "$name")" \
        -artifact_prefix="$work/" -print_final_stats=1 "$work/corpus"
}

set -- "${1:-all}" "${@:2}"
case "$1" in
    build) build_targets ;;
    list) list_targets ;;
    run) run_target "${2:?name}" "${3:-}" ;;
    all | --long)
        "$NUVELA_ROOT/scripts/setup.sh"
        build_targets
        targets=($(list_targets))
        if [[ $1 == --long ]]; then
            SECONDS_PER_TARGET=$(( ${NUVELA_FUZZ_LONG_SECONDS:-3600} / ${#targets[@]} ))
        fi
        failed=0
        for name in "${targets[@]}"; do
            echo "=== fuzz $name (${SECONDS_PER_TARGET} s)"
            if run_target "$name" >"$FUZZ_WORK-$name.log" 2>&1; then
                echo "fuzz $name: passed ($(grep -E '^stat::average_exec_per_sec' "$FUZZ_WORK-$name.log" | awk '{print $2}') inputs/s)"
            else
                echo "fuzz $name: FAILED, see $FUZZ_WORK-$name.log"
                failed=$((failed + 1))
            fi
        done
        ((failed == 0))
        ;;
    *) echo "usage: $0 [--long|build|list|run NAME [SECONDS]]" >&2; exit 2 ;;
esac
