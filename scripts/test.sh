#!/usr/bin/env bash
# Sets up, builds and runs every test: the host engine suite (ASan/UBSan), the fuzz targets, the Windows suite
# under Wine and the end-to-end suite. Ends with one summary line; non-zero exit on any failure.
set -euo pipefail
source "$(dirname "$0")/common.sh"
"$NUVELA_ROOT/scripts/setup.sh"
configure_and_build

trap cleanup_started EXIT
trap 'exit 130' INT TERM

LOG_DIR=$BUILD_ROOT/test-logs
mkdir -p "$LOG_DIR"
total_passed=0
total_failed=0
failed_suites=()

# Runs one GoogleTest program, shows its output and adds its counts to the totals.
run_gtest_suite() {
    local name=$1
    shift
    local log=$LOG_DIR/$name.log
    echo "=== $name"
    local status=0
    "$@" --gtest_color=no 2>&1 | tr -d '\r' | tee "$log" | grep -E '^\[  (FAILED|PASSED|SKIPPED) |^\[==========\]|Failure|error' || true
    status=${PIPESTATUS[0]}
    local passed failed
    passed=$(sed -n 's/^\[  PASSED  \] \([0-9]*\) test.*/\1/p' "$log" | tail -1)
    failed=$(sed -n 's/^\[  FAILED  \] \([0-9]*\) test.*/\1/p' "$log" | tail -1)
    passed=${passed:-0}
    failed=${failed:-0}
    if ((status != 0 && failed == 0)); then failed=1; fi  # a crash or a runner error counts as a failure
    total_passed=$((total_passed + passed))
    total_failed=$((total_failed + failed))
    if ((status != 0)); then
        failed_suites+=("$name")
        # what each failed check said (the values compared, the case's trace), which the filter above hides
        awk '/: Failure$/ { shown = 1 } /^\[  FAILED  \]|^\[       OK \]/ { shown = 0 } shown' "$log" | head -80
    fi
}

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
run_gtest_suite host-engine "$HOST_BUILD/tests/nuvela_engine_tests"

# Fuzz targets (clang, ASan, UBSan), each run for a bounded time; one run counts as one test.
if "$NUVELA_ROOT/scripts/fuzz.sh" build >"$LOG_DIR/fuzz-build.log" 2>&1; then
    for name in $("$NUVELA_ROOT/scripts/fuzz.sh" list); do
        echo "=== fuzz-$name"
        if "$NUVELA_ROOT/scripts/fuzz.sh" run "$name" >"$LOG_DIR/fuzz-$name.log" 2>&1; then
            grep -E '^Done [0-9]+ runs' "$LOG_DIR/fuzz-$name.log" || true
            total_passed=$((total_passed + 1))
        else
            tail -30 "$LOG_DIR/fuzz-$name.log"
            total_failed=$((total_failed + 1))
            failed_suites+=("fuzz-$name")
        fi
    done
else
    tail -30 "$LOG_DIR/fuzz-build.log"
    total_failed=$((total_failed + 1))
    failed_suites+=("fuzz-build")
fi

ensure_display
ensure_wine_prefix
for program in "$WIN_BUILD"/tests/nuvela_*_tests.exe; do
    name=$(basename "$program" .exe)
    run_gtest_suite "windows-${name#nuvela_}" "$WINE" "$program"
done

# The suites that lay out windows (the dialogs, the shell with the floating button, the dialog
# services and the About box) once more, whole, at 150 %, in a prefix of 144 DPI; at 125 % and 200 %
# the dialogs' layout checks (texts whole, no missing glyphs, trackbars whole, no empty band in the
# About box), and at 200 % also the floating button's stored size. The other suites do not depend on
# the DPI.
layout_suites=(dialogs shell dialog_services about)
for dpi in 120 144 192; do
    prefix=$(dpi_prefix "$dpi")
    at_dpi=(env WINEPREFIX="$prefix" NUVELA_TEST_DPI="$dpi" NUVELA_EXPECTED_DPI="$dpi" "$WINE")
    if ((dpi == 144)); then
        for suite in "${layout_suites[@]}"; do
            run_gtest_suite "windows-$suite-dpi$dpi" "${at_dpi[@]}" "$WIN_BUILD/tests/nuvela_${suite}_tests.exe"
        done
    else
        run_gtest_suite "windows-dialogs-dpi$dpi" "${at_dpi[@]}" "$WIN_BUILD/tests/nuvela_dialogs_tests.exe" \
            --gtest_filter='DialogTexts.*'
        run_gtest_suite "windows-about-dpi$dpi" "${at_dpi[@]}" "$WIN_BUILD/tests/nuvela_about_tests.exe" \
            --gtest_filter='AboutBoxTest.RowsWithNothingToShow*'
    fi
    if ((dpi == 192)); then
        run_gtest_suite "windows-shell-dpi$dpi" "${at_dpi[@]}" "$WIN_BUILD/tests/nuvela_shell_tests.exe" \
            --gtest_filter='FloatingButtonTest.StoredSizeKeepsItsMeaningAtTheDpiOfItsMonitor:FloatingButtonTest.DpiChange*'
    fi
    WINEPREFIX=$prefix "$WINESERVER" -k 2>/dev/null || true
done

# The release files for the zip and installer checks, made from the Windows tree just built (optimised
# and without sanitizers like the release tree), so the suite does not compile everything twice.
TEST_DIST=$BUILD_ROOT/test-dist
rm -rf "$TEST_DIST"
echo "=== package"
if ! "$NUVELA_ROOT/scripts/package.sh" --tree "$WIN_BUILD" --out "$TEST_DIST" >"$LOG_DIR/package.log" 2>&1; then
    tail -30 "$LOG_DIR/package.log"
    failed_suites+=("package")  # the zip and installer checks below then fail as well
fi

# Linux-side end-to-end checks (X11 programs meeting Nuvela on the shared display, the release
# files); one script, one test.
for script in "$NUVELA_ROOT"/tests/e2e/*.sh; do
    [[ -e $script ]] || continue
    name=$(basename "$script" .sh)
    echo "=== e2e-$name"
    if WINE=$WINE WINESERVER=$WINESERVER WIN_BUILD=$WIN_BUILD NUVELA_DIST=$TEST_DIST \
        "$script" >"$LOG_DIR/e2e-$name.log" 2>&1; then
        tail -1 "$LOG_DIR/e2e-$name.log"
        total_passed=$((total_passed + 1))
    else
        tail -30 "$LOG_DIR/e2e-$name.log"
        total_failed=$((total_failed + 1))
        failed_suites+=("e2e-$name")
    fi
done

echo
if ((${#failed_suites[@]})); then echo "failed suites: ${failed_suites[*]}"; fi
echo "tests: $total_passed passed, $total_failed failed"
((total_failed == 0 && ${#failed_suites[@]} == 0))
