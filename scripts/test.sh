#!/usr/bin/env bash
# Runs every test: the unit tests natively (AddressSanitizer, UBSan) and,
# cross-built, under Wine (32- and 64-bit), then every extra stage that exists
# (tests/*/run-*.sh, the replay of the fuzz corpora and crash files). Each stage is timed; the script goes
# on after a failed stage and exits non-zero if any failed.
#   scripts/test.sh                 everything
#   scripts/test.sh native win32    only these groups (native, win32, win64, extra)
set -uo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$ROOT"
export JOBS="${JOBS:-2}"
# Also for the builds that scripts start without a job count.
export CMAKE_BUILD_PARALLEL_LEVEL="${CMAKE_BUILD_PARALLEL_LEVEL:-$JOBS}"
export GTEST_COLOR=no
. "$ROOT/scripts/wine-env.sh"

groups=("$@")
[ "${#groups[@]}" -gt 0 ] || groups=(native win32 win64 extra)
want() {
    local g
    for g in "${groups[@]}"; do [ "$g" = "$1" ] && return 0; done
    return 1
}

passed=0
failed=0
failed_names=()
declare -A stage_ok=()
start_all=$SECONDS

# stage NAME COMMAND...: runs one stage with its output streamed.
stage() {
    local name="$1"; shift
    local t0=$SECONDS rc
    printf '\n==== %s\n' "$name"
    "$@"
    rc=$?
    if [ "$rc" -eq 0 ]; then
        passed=$((passed + 1))
        stage_ok[$name]=1
        printf -- '---- %s: passed (%d s)\n' "$name" $((SECONDS - t0))
    else
        failed=$((failed + 1))
        failed_names+=("$name")
        printf -- '---- %s: FAILED, exit %d (%d s)\n' "$name" "$rc" $((SECONDS - t0))
    fi
    return "$rc"
}

# A stage that cannot run because the one it needs failed.
stage_skipped() {
    printf '\n==== %s\n---- %s: FAILED (not run: %s failed)\n' "$1" "$1" "$2"
    failed=$((failed + 1))
    failed_names+=("$1")
}

# Configures (output shown only on failure) and builds one preset.
build_preset() {
    local log="$ROOT/build/configure-$1.log"
    mkdir -p "$ROOT/build"
    if ! cmake --preset "$1" --log-level=WARNING >"$log" 2>&1; then
        cat "$log"
        return 1
    fi
    cmake --build --preset "$1" -j "$JOBS"
}

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
    printf '\n0 passed, 1 failed (%d s)\n' $((SECONDS - start_all))
    exit 1
}

if want native; then
    stage "native build (sanitizers)" build_preset native
    if [ -n "${stage_ok["native build (sanitizers)"]:-}" ]; then
        stage "native unit tests" native_unit_tests
    else
        stage_skipped "native unit tests" "native build (sanitizers)"
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
        stage_skipped "$target build" "MinGW libraries ($arch)"
    fi
    if [ -n "${stage_ok["$target build"]:-}" ]; then
        stage "$target unit tests under Wine" wine_unit_tests "$target"
    else
        stage_skipped "$target unit tests under Wine" "$target build"
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
for name in "${failed_names[@]}"; do
    echo "failed: $name"
done
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
