#!/usr/bin/env bash
# Runs every test: the unit tests natively (AddressSanitizer, UBSan) and,
# cross-built, under Wine (32- and 64-bit), then every extra stage that exists
# (tests/*/run-*.sh, the replay of the fuzz corpora and crash files). Each
# stage is timed; the script goes on after a failed stage and exits non-zero
# if any failed. A stage that exits 77 is skipped: it said why, and it is
# counted apart, never as passed. Where this machine cannot run 32-bit
# programs (scripts/harness.sh decides) the 32-bit build is still built, its
# tests are skipped, and the stages run the 64-bit build.
#   scripts/test.sh                 everything
#   scripts/test.sh native win32    only these groups (native, win32, win64, extra)
set -uo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$ROOT"
export JOBS="${JOBS:-2}"
# Also for the builds that scripts start without a job count.
export CMAKE_BUILD_PARALLEL_LEVEL="${CMAKE_BUILD_PARALLEL_LEVEL:-$JOBS}"
export GTEST_COLOR=no

groups=("$@")
[ "${#groups[@]}" -gt 0 ] || groups=(native win32 win64 extra)
want() {
    local g
    for g in "${groups[@]}"; do [ "$g" = "$1" ] && return 0; done
    return 1
}

passed=0
failed=0
skipped=0
failed_names=()
skipped_names=()
declare -A stage_ok=()
start_all=$SECONDS

# stage NAME COMMAND...: runs one stage with its output streamed.
stage() {
    local name="$1"; shift
    local t0=$SECONDS rc
    printf '\n==== %s\n' "$name"
    export VELLUMERE_SKIP_NOTE="$ROOT/build/skip-note"
    rm -f "$VELLUMERE_SKIP_NOTE"
    "$@"
    rc=$?
    if [ "$rc" -eq 0 ]; then
        passed=$((passed + 1))
        stage_ok[$name]=1
        printf -- '---- %s: passed (%d s)\n' "$name" $((SECONDS - t0))
    elif [ "$rc" -eq 77 ]; then
        skipped=$((skipped + 1))
        skipped_names+=("$name ($(cat "$VELLUMERE_SKIP_NOTE" 2>/dev/null || echo 'no reason given'))")
        printf -- '---- %s: skipped (%d s)\n' "$name" $((SECONDS - t0))
    else
        failed=$((failed + 1))
        failed_names+=("$name")
        printf -- '---- %s: FAILED, exit %d (%d s)\n' "$name" "$rc" $((SECONDS - t0))
    fi
    return "$rc"
}

# A stage that cannot run because the one it needs failed.
stage_not_run() {
    printf '\n==== %s\n---- %s: FAILED (not run: %s failed)\n' "$1" "$1" "$2"
    failed=$((failed + 1))
    failed_names+=("$1")
}

# A stage that this machine cannot run, with the reason.
skip_because() { (skip_stage "$@"); }

native_unit_tests() {
    ctest --preset native -j "$JOBS"
}

# The tests of a Windows build through CTest, each test program under Wine
# (the presets' emulator, scripts/wine-exec.sh), then the Wine server stopped.
wine_unit_tests() {
    local rc
    wine_prefix_init || return 1
    # One Wine server for every test instead of one each.
    wineserver -p 30 >/dev/null 2>&1 || true
    export WINE_EXEC_LOG="$ROOT/build/$1/wine-exec.log"
    rm -f "$WINE_EXEC_LOG"
    ctest --preset "$1" -j "$JOBS"
    rc=$?
    # Crashes of Wine itself that a second run got past.
    [ -s "$WINE_EXEC_LOG" ] && cat "$WINE_EXEC_LOG"
    unset WINE_EXEC_LOG
    wine_stop
    return "$rc"
}

stage "bootstrap" scripts/bootstrap.sh || {
    echo "bootstrap failed: nothing else can run"
    printf '\n0 passed, 1 failed, 0 skipped (%d s)\n' $((SECONDS - start_all))
    exit 1
}
# Decides, for the whole run, which Windows build runs under Wine here.
. "$ROOT/scripts/harness.sh"
if [ "$VELLUMERE_WIN_BUILD" = win32 ]; then
    echo "Windows programs: the 32-bit build runs under Wine here, and the 64-bit one beside it"
else
    echo "Windows programs: only the 64-bit build runs here ($VELLUMERE_WIN_NOTE)"
fi

if want native; then
    stage "native build (sanitizers)" build_preset native
    if [ -n "${stage_ok["native build (sanitizers)"]:-}" ]; then
        stage "native unit tests" native_unit_tests
    else
        stage_not_run "native unit tests" "native build (sanitizers)"
    fi
fi

for target in win32 win64; do
    want "$target" || continue
    arch=i686
    [ "$target" = win64 ] && arch=x86_64
    if [ -z "${stage_ok["MinGW libraries ($arch)"]:-}" ]; then
        stage "MinGW libraries ($arch)" scripts/build-deps.sh "$arch"
    fi
    if [ -n "${stage_ok["MinGW libraries ($arch)"]:-}" ]; then
        stage "$target build" build_preset "$target"
    else
        stage_not_run "$target build" "MinGW libraries ($arch)"
    fi
    if [ "$target" = win32 ] && [ "$VELLUMERE_WIN_BUILD" != win32 ]; then
        # The same tests run in the 64-bit program; what only the 32-bit one
        # shows (its plane ceiling, its pointer size, its address space) waits
        # for a machine that runs it.
        stage "win32 unit tests under Wine" skip_because "$VELLUMERE_WIN_NOTE;" \
            "the checks at the 32-bit program's memory ceiling need the 32-bit program"
    elif [ -n "${stage_ok["$target build"]:-}" ]; then
        stage "$target unit tests under Wine" wine_unit_tests "$target"
    else
        stage_not_run "$target unit tests under Wine" "$target build"
    fi
done

if want extra; then
    for script in tests/*/run-*.sh; do
        [ -x "$script" ] || continue
        stage "$script" "./$script"
    done
    # Only the deterministic replay: timed fuzzing finds new inputs at random
    # and belongs to `make fuzz`.
    if [ -x fuzz/run.sh ]; then
        stage "fuzz/run.sh --replay" ./fuzz/run.sh --replay
    fi
fi

printf '\n==== summary (%d s)\n' $((SECONDS - start_all))
for name in "${skipped_names[@]}"; do
    echo "skipped: $name"
done
for name in "${failed_names[@]}"; do
    echo "failed: $name"
done
echo "$passed passed, $failed failed, $skipped skipped"
[ "$failed" -eq 0 ]
