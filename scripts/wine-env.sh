# Shared Wine and Xvfb helpers. Source it from bash:
#     . "$(dirname "$0")/../scripts/wine-env.sh"
#     wine_prefix_init                  # creates build/wine once (about 15 s)
#     wine_run path/to/program.exe ...  # 32- or 64-bit, same prefix
#     xvfb_start                        # own X display, DISPLAY exported
#
# One 64-bit (WoW64) prefix under build/wine runs both the i686 and the x86_64
# programs: Debian's `wine` starts the 32-bit loader, which hands 64-bit
# executables to wine64 by itself.

VELLUMERE_ROOT="${VELLUMERE_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}"
export WINEPREFIX="${WINEPREFIX:-$VELLUMERE_ROOT/build/wine}"
export WINEARCH=win64
# Quiet, and no offers to download Mono or Gecko.
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree=;mshtml=}"

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

# Creates the prefix when it does not exist yet. Safe when several scripts
# start at once: they queue on a lock next to the prefix. Whatever Wine
# starts in it from here on (its server and services) is stopped when the
# calling script exits, also when it fails.
_vellumere_wine_stop_registered=""
wine_prefix_init() {
    if [ "$_vellumere_wine_stop_registered" != "$WINEPREFIX" ]; then
        on_exit "WINEPREFIX='$WINEPREFIX' wine_stop"
        _vellumere_wine_stop_registered="$WINEPREFIX"
    fi
    wine_prefix_create
}

# The creation alone, for a program run inside a stage that stops Wine
# itself (CTest's emulator, scripts/wine-exec.sh).
wine_prefix_create() {
    mkdir -p "$(dirname "$WINEPREFIX")"
    (
        flock 9
        if [ ! -f "$WINEPREFIX/system.reg" ]; then
            echo "wine: creating the prefix ${WINEPREFIX#"$VELLUMERE_ROOT"/}"
            # No display is needed to create it; keep Wine from trying one.
            DISPLAY= wineboot --init >/dev/null 2>&1 || true
            wineserver -w
            if [ ! -f "$WINEPREFIX/system.reg" ]; then
                echo "wine: could not create the prefix $WINEPREFIX" >&2
                exit 1
            fi
        fi
    ) 9>"$WINEPREFIX.lock"
}

# Runs a Windows program in the prefix; returns the program's exit code.
wine_run() {
    wine "$@"
}

# Stops every Wine process of this prefix (lingering services, stuck dialogs).
wine_stop() {
    wineserver -k >/dev/null 2>&1 || true
    wineserver -w >/dev/null 2>&1 || true
}

# Starts Xvfb on the first free display from :90 on, exports DISPLAY and
# XVFB_PID, and stops it again when the script exits.
#     xvfb_start [WIDTHxHEIGHTxDEPTH]   (default 1024x768x24)
xvfb_start() {
    local screen="${1:-1024x768x24}" n
    for ((n = 90; n < 190; n++)); do
        [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
        Xvfb ":$n" -screen 0 "$screen" -nolisten tcp -noreset >/dev/null 2>&1 &
        XVFB_PID=$!
        local tries
        for ((tries = 0; tries < 50; tries++)); do
            if [ -e "/tmp/.X11-unix/X$n" ]; then
                export DISPLAY=":$n" XVFB_PID
                on_exit xvfb_stop
                return 0
            fi
            kill -0 "$XVFB_PID" 2>/dev/null || break
            sleep 0.1
        done
        # Lost a race for this number, or Xvfb failed: try the next one.
        kill "$XVFB_PID" 2>/dev/null || true
        wait "$XVFB_PID" 2>/dev/null || true
    done
    echo "xvfb: no free display between :90 and :189" >&2
    return 1
}

xvfb_stop() {
    if [ -n "${XVFB_PID:-}" ]; then
        kill "$XVFB_PID" 2>/dev/null || true
        wait "$XVFB_PID" 2>/dev/null || true
        unset XVFB_PID
    fi
}
