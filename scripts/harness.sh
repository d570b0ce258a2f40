# What the run, release, benchmark and test scripts share. Source it from bash:
#     . "$ROOT/scripts/harness.sh"
#
# The Windows build this machine runs, decided once per run (child scripts
# inherit the answer through the environment):
#     VELLUMERE_WIN_BUILD   win32 where the 32-bit Wine loader starts, else win64
#     VELLUMERE_WIN_NOTE    why the 64-bit build runs; empty for win32
# VELLUMERE_FORCE_WIN64=1 takes the 64-bit path on any machine, so that it
# can be tried where 32-bit programs run too.
#
# Wine:  wine_exe PROGRAM.exe ARG...   with the loader its architecture needs
#        wine_tool NAME ARG...         Wine's own programs (reg, cmd, explorer...)
#        wine_prefix_init, wine_stop, reg_value KEY NAME, winpath PATH
# X:     xvfb_start [WxHxD]
# Built: find_converter (CONVERT, an array), build_preset PRESET [ARG...]
# Checks: ok, fail, expect_equal, check_expected, checks_done, again_under_wine

VELLUMERE_ROOT="${VELLUMERE_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}"
export VELLUMERE_ROOT
export WINEPREFIX="${WINEPREFIX:-$VELLUMERE_ROOT/build/wine}"
export WINEARCH=win64
# Quiet, and no offers to download Mono or Gecko.
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree=;mshtml=}"

# Debian's `wine` launcher always starts the 32-bit loader first, so it fails
# for every program where the kernel cannot run 32-bit ones: each build goes
# to its own loader directly.
export VELLUMERE_WINE32="${VELLUMERE_WINE32:-/usr/lib/wine/wine}"
export VELLUMERE_WINE64="${VELLUMERE_WINE64:-/usr/lib/wine/wine64}"
if [ -z "${VELLUMERE_WIN_BUILD:-}" ]; then
    if [ "${VELLUMERE_FORCE_WIN64:-0}" = 1 ]; then
        VELLUMERE_WIN_BUILD=win64 VELLUMERE_WIN_NOTE="VELLUMERE_FORCE_WIN64=1"
    elif "$VELLUMERE_WINE32" --version >/dev/null 2>&1; then
        VELLUMERE_WIN_BUILD=win32 VELLUMERE_WIN_NOTE=""
    else
        VELLUMERE_WIN_BUILD=win64
        VELLUMERE_WIN_NOTE="this machine cannot run 32-bit programs ($VELLUMERE_WINE32 does not start)"
    fi
    export VELLUMERE_WIN_BUILD VELLUMERE_WIN_NOTE
fi

# The loader for a Windows program, from the machine field of its PE header.
# A 32-bit program where they cannot run is an error, not a silent success
# (wine64 given one exits 0 without running it).
wine_loader() {
    local offset machine
    offset="$(od -An -tu4 -j60 -N4 "$1" 2>/dev/null | tr -d ' ')"
    [ -n "$offset" ] && machine="$(od -An -tx2 -j"$offset" -N6 "$1" 2>/dev/null | tr -d ' ')"
    case "${machine:-}" in
        45500000014c)
            if [ "$VELLUMERE_WIN_BUILD" = win32 ]; then
                echo "$VELLUMERE_WINE32"
            else
                echo "wine: $1 is a 32-bit program, not run: $VELLUMERE_WIN_NOTE" >&2
                return 1
            fi
            ;;
        455000008664) echo "$VELLUMERE_WINE64" ;;
        *) echo "wine: $1 is not a Windows program for i686 or x86-64" >&2; return 1 ;;
    esac
}

wine_exe() {
    local loader
    loader="$(wine_loader "$1")" || return 126
    "$loader" "$@"
}

# Wine's own programs are 64-bit in the 64-bit prefix on every machine.
wine_tool() {
    "$VELLUMERE_WINE64" "$@"
}

# Cleanup actions run once when the sourcing script exits (Xvfb, wineserver).
_vellumere_cleanups=()
_vellumere_run_cleanups() {
    local i
    for ((i = ${#_vellumere_cleanups[@]} - 1; i >= 0; i--)); do
        eval "${_vellumere_cleanups[$i]}" || true
    done
    _vellumere_cleanups=()
}
on_exit() {
    _vellumere_cleanups+=("$*")
    trap _vellumere_run_cleanups EXIT
    trap 'exit 130' INT
    trap 'exit 143' TERM
}

# Creates the prefix when it does not exist yet and stops whatever Wine starts
# in it when the calling script exits, also when it fails.
_vellumere_wine_stop_registered=""
wine_prefix_init() {
    if [ "$_vellumere_wine_stop_registered" != "$WINEPREFIX" ]; then
        on_exit "WINEPREFIX='$WINEPREFIX' wine_stop"
        _vellumere_wine_stop_registered="$WINEPREFIX"
    fi
    wine_prefix_create
}

# The creation alone, for a program run inside a stage that stops Wine itself.
# Safe when several scripts start at once: they queue on a lock beside it.
wine_prefix_create() {
    mkdir -p "$(dirname "$WINEPREFIX")"
    (
        flock 9
        if [ ! -f "$WINEPREFIX/system.reg" ]; then
            echo "wine: creating the prefix ${WINEPREFIX#"$VELLUMERE_ROOT"/}"
            # No display is needed to create it; keep Wine from trying one.
            DISPLAY= wine_tool wineboot --init >/dev/null 2>&1 || true
            wineserver -w
            if [ ! -f "$WINEPREFIX/system.reg" ]; then
                echo "wine: could not create the prefix $WINEPREFIX" >&2
                exit 1
            fi
        fi
    ) 9>"$WINEPREFIX.lock"
}

# Stops every Wine process of this prefix (lingering services, stuck dialogs).
wine_stop() {
    wineserver -k >/dev/null 2>&1 || true
    wineserver -w >/dev/null 2>&1 || true
}

winpath() { # a Unix path as the Z: drive sees it
    printf 'Z:%s' "${1//\//\\}"
}

# A value as `reg query` shows it; empty when the value or key is absent.
reg_value() { # KEY NAME
    wine_tool reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' |
        sed -n "s/^    $2    REG_[A-Z_]*    //p; s/^    $2    REG_[A-Z_]*\$//p"
}

# Waits (bounded) for the e2e driver's verdict in REPORT; one of failure when
# none comes in time or the driver's process PID ends without one.
wait_for_verdict() { # REPORT SECONDS [PID]
    local t0=$SECONDS
    while ! grep -q '^RESULT ' "$1" 2>/dev/null; do
        if [ $((SECONDS - t0)) -ge "$2" ] || { [ -n "${3:-}" ] && ! kill -0 "$3" 2>/dev/null; }; then
            echo "RESULT FAIL (no verdict within $2 s)" >>"$1"
            return 1
        fi
        sleep 0.5
    done
}

# What a failed driver run reports: its failed steps and the windows it saw.
show_report() {
    sed -n '/^FAIL\|^  visible\|^RESULT/p' "$1"
    echo "   (full report: ${1#"$VELLUMERE_ROOT"/})"
}

# The driver's screenshots (BMP) as PNG files beside them.
keep_screenshots() {
    local shot
    for shot in "$@"; do
        [ -f "$shot" ] && convert "$shot" "${shot%.bmp}.png" && rm -f "$shot"
    done
}

# Starts Xvfb on the first free display from :90 on, exports DISPLAY and
# XVFB_PID, and stops it again when the script exits.
xvfb_start() {
    local screen="${1:-1024x768x24}" n tries
    for ((n = 90; n < 190; n++)); do
        [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
        Xvfb ":$n" -screen 0 "$screen" -nolisten tcp -noreset >/dev/null 2>&1 &
        XVFB_PID=$!
        for ((tries = 0; tries < 50; tries++)); do
            if [ -e "/tmp/.X11-unix/X$n" ]; then
                export DISPLAY=":$n" XVFB_PID
                on_exit 'kill "$XVFB_PID" 2>/dev/null; wait "$XVFB_PID" 2>/dev/null'
                return 0
            fi
            kill -0 "$XVFB_PID" 2>/dev/null || break
            sleep 0.1
        done
        # Lost a race for this number, or Xvfb failed: try the next one.
        kill "$XVFB_PID" 2>/dev/null
        wait "$XVFB_PID" 2>/dev/null
    done
    echo "xvfb: no free display between :90 and :189" >&2
    return 1
}

# Configures (output shown only on failure) and builds one preset.
build_preset() { # PRESET [cmake --build ARG...]
    local preset="$1" log="$VELLUMERE_ROOT/build/configure-$1.log"
    shift
    mkdir -p "$VELLUMERE_ROOT/build"
    if ! (cd "$VELLUMERE_ROOT" && cmake --preset "$preset" --log-level=WARNING) >"$log" 2>&1; then
        cat "$log" >&2
        return 1
    fi
    (cd "$VELLUMERE_ROOT" && cmake --build --preset "$preset" -j "${JOBS:-2}" "$@")
}

# The vellumere-convert to test, as the array CONVERT: VELLUMERE_CONVERT when
# set (a .exe runs under Wine), else the sanitized native build when it is
# configured (so a reader fault on a real picture stops the check), else the
# Release build, built first. CONVERT_FLAVOUR is native, win32 or win64.
find_converter() {
    CONVERT_FLAVOUR=native
    if [ -n "${VELLUMERE_CONVERT:-}" ]; then
        CONVERT=("$VELLUMERE_CONVERT")
        case "$VELLUMERE_CONVERT" in
            *.exe)
                CONVERT=("$VELLUMERE_ROOT/scripts/wine-exec.sh" "$VELLUMERE_CONVERT")
                CONVERT_FLAVOUR="$(basename "$(dirname "$VELLUMERE_CONVERT")")"
                ;;
        esac
        [ -x "${CONVERT[0]}" ] || { echo "VELLUMERE_CONVERT=$VELLUMERE_CONVERT is not executable" >&2; return 1; }
        return 0
    fi
    local preset=native-release
    [ -f "$VELLUMERE_ROOT/build/native/build.ninja" ] && preset=native
    if ! build_preset "$preset" --target vellumere-convert >"$VELLUMERE_ROOT/build/converter-build.log" 2>&1; then
        tail -n 30 "$VELLUMERE_ROOT/build/converter-build.log" >&2
        echo "building vellumere-convert ($preset) failed" >&2
        return 1
    fi
    CONVERT=("$VELLUMERE_ROOT/build/$preset/vellumere-convert")
}

# Runs the calling stage once more with the Windows converter of the build
# this machine runs, under Wine; VELLUMERE_REFERENCE_WINE=0 leaves it out.
again_under_wine() { # "$0" ARG...
    [ -z "${VELLUMERE_CONVERT:-}" ] && [ "${VELLUMERE_REFERENCE_WINE:-1}" != 0 ] || return 0
    local exe="$VELLUMERE_ROOT/build/$VELLUMERE_WIN_BUILD/vellumere-convert.exe"
    [ -f "$exe" ] || { echo "not built, so not checked: ${exe#"$VELLUMERE_ROOT"/}"; return 0; }
    echo
    echo "the same through ${exe#"$VELLUMERE_ROOT"/} under Wine${VELLUMERE_WIN_NOTE:+ ($VELLUMERE_WIN_NOTE)}"
    (
        wine_prefix_init || exit 1
        # One server for all the conversions instead of one per program.
        wineserver -p 30 >/dev/null 2>&1
        VELLUMERE_CONVERT="$exe" "$@"
    )
}

# --- checks -------------------------------------------------------------------

# Ends a stage script that this machine cannot run, with the reason:
# scripts/test.sh counts it as skipped, never as passed.
skip_stage() {
    echo "skipped: $*"
    [ -n "${VELLUMERE_SKIP_NOTE:-}" ] && echo "$*" >"$VELLUMERE_SKIP_NOTE"
    exit 77
}

checks=0
failures=0
ok() { checks=$((checks + 1)); printf 'ok   %s\n' "$*"; }
fail() { checks=$((checks + 1)); failures=$((failures + 1)); printf 'FAIL %s\n' "$*"; }
expect_equal() { # WHAT ACTUAL EXPECTED
    if [ "$2" == "$3" ]; then ok "$1"; else fail "$1 is '$2', expected '$3'"; fi
}
# The tally line; fails when any check failed.
checks_done() { # WHAT
    echo "$1: $((checks - failures)) of $checks passed"
    [ "$failures" -eq 0 ]
}


# One run of the converter against an expected result (tests/*/expected/):
#     run ARG...       the arguments, quoted as in the shell (@WORK@, @ROOT@
#                      replaced); without it, the DEFAULT ARGUMENTs given here
#     exit N           its exit code
#     pixels A B ...   the index plane of the bitmap written, top row first
#     no-output        the output (the last argument) is not written
#     stderr-has TEXT  a line of standard error contains TEXT
#     any other line   its standard error, line for line
# A NAME.FLAVOUR.txt beside the expected file (win32, win64) holds what that
# Windows build gives instead. Runs in $WORK, at most $LIMIT seconds; the
# caller sees that no earlier output lies where this one goes.
check_expected() { # NAME EXPECTED-FILE [DEFAULT ARGUMENT...]
    local name="$1" expect="$2" problems="" line want_rc="" want_pixels="" no_output="" has=() rc got
    shift 2
    [ -f "${expect%.txt}.$CONVERT_FLAVOUR.txt" ] && expect="${expect%.txt}.$CONVERT_FLAVOUR.txt"
    [ -f "$expect" ] || { fail "$name: no expected result in ${expect#"$VELLUMERE_ROOT"/}"; return; }
    local args=("$@")
    : >"$WORK/want-stderr"
    while IFS= read -r line; do
        line="${line//@WORK@/$WORK}"
        line="${line//@ROOT@/$VELLUMERE_ROOT}"
        case "$line" in
            "run "*) eval "args=(${line#run })" ;;
            "exit "*) want_rc="${line#exit }" ;;
            "pixels "*) want_pixels="${line#pixels }" ;;
            no-output) no_output=1 ;;
            "stderr-has "*) has+=("${line#stderr-has }") ;;
            *) printf '%s\n' "$line" >>"$WORK/want-stderr" ;;
        esac
    done <"$expect"
    (cd "$WORK" && timeout "${LIMIT:-300}" "${CONVERT[@]}" "${args[@]}" >"$WORK/stdout" 2>"$WORK/stderr")
    rc=$?
    [ "$rc" -eq 124 ] && { fail "$name: still running after ${LIMIT:-300} s"; return; }
    [ "$rc" = "$want_rc" ] || problems+=" exit $rc, expected $want_rc;"
    for line in "${has[@]}"; do
        grep -qF -- "$line" "$WORK/stderr" || problems+=" no message with '$line';"
    done
    if [ "${#has[@]}" -eq 0 ] && ! cmp -s "$WORK/stderr" "$WORK/want-stderr"; then
        problems+=" messages '$(tr '\n' '|' <"$WORK/stderr" | head -c 400)', expected '$(tr '\n' '|' <"$WORK/want-stderr")';"
    fi
    local out="${args[*]: -1}"
    [ -n "$no_output" ] && [ -f "$out" ] && problems+=" $out written;"
    if [ -n "$want_pixels" ]; then
        got="$([ -f "$out" ] && python3 "$VELLUMERE_ROOT/scripts/bitmap.py" index-plane "$out")"
        [ "$got" = "$want_pixels" ] || problems+=" pixels '$got', expected '$want_pixels';"
    fi
    if [ -z "$problems" ]; then
        ok "$name: exit $rc${want_pixels:+, pixels as expected}"
    else
        fail "$name:$problems"
    fi
}
