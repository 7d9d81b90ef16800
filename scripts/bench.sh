#!/usr/bin/env bash
# Builds the benchmarks (bench/*_bench.cpp) in an optimised tree without sanitizers and runs each.
# Every benchmark prints one line per case: its figure and, where it has one, the ratio to a
# reference measured in the same run. The line stage benchmark then runs once more, built for
# Windows, under Wine: there wchar_t is 16 bits, so its heap figure is the one against UTF-16, and
# its time is set against the reference the host run measured just before. The cleanup benchmark
# runs under Wine too, with Windows' own Unicode normalisation, as does the normalisation's growth check.
#   scripts/bench.sh [--quick]     --quick skips the 100 MB cases
set -euo pipefail
source "$(dirname "$0")/common.sh"
"$NUVELA_ROOT/scripts/setup.sh"

BENCH_BUILD=$BUILD_ROOT/bench
BENCH_WIN_BUILD=$BUILD_ROOT/bench-windows

cmake -S "$NUVELA_ROOT" -B "$BENCH_BUILD" -DCMAKE_BUILD_TYPE=Release -DNUVELA_SANITIZE=OFF >/dev/null
cmake --build "$BENCH_BUILD" -j "$JOBS" --target nuvela_benchmarks >/dev/null
HOST_LOG=$BUILD_ROOT/bench-host.log
: >"$HOST_LOG"
for program in "$BENCH_BUILD"/bench/nuvela_*_bench; do
    echo "=== $(basename "$program")"
    "$program" "$@" | tee -a "$HOST_LOG"
done
reference=$(sed -n 's/^line-stage 25 MB ratio to .* (\([0-9.]*\) s): .*/\1/p' "$HOST_LOG" | head -1)

cmake -S "$NUVELA_ROOT" -B "$BENCH_WIN_BUILD" -DCMAKE_BUILD_TYPE=Release -DNUVELA_WINDOWS_BENCH=ON \
    -DCMAKE_TOOLCHAIN_FILE="$NUVELA_ROOT/cmake/mingw-w64-x86_64.cmake" >/dev/null
cmake --build "$BENCH_WIN_BUILD" -j "$JOBS" --target nuvela_line_stage_bench nuvela_cleanup_bench \
    nuvela_cleanup_normalization_bench >/dev/null
trap cleanup_started EXIT
trap 'exit 130' INT TERM
ensure_wine_prefix
echo "=== nuvela_line_stage_bench.exe under Wine"
"$WINE" "$BENCH_WIN_BUILD/bench/nuvela_line_stage_bench.exe" --quick ${reference:+--reference "$reference"} | tr -d '\r'
echo "=== nuvela_cleanup_bench.exe under Wine"
"$WINE" "$BENCH_WIN_BUILD/bench/nuvela_cleanup_bench.exe" | tr -d '\r'
echo "=== nuvela_cleanup_normalization_bench.exe under Wine"
"$WINE" "$BENCH_WIN_BUILD/bench/nuvela_cleanup_normalization_bench.exe" | tr -d '\r'
