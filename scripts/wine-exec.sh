#!/usr/bin/env bash
# Runs one Windows console program under Wine with the loader its
# architecture needs (scripts/harness.sh): CTest's cross-compiling emulator in
# the win32 and win64 presets, and the Windows converter in the test stages.
#     scripts/wine-exec.sh PROGRAM.exe [ARGUMENT...]
# The prefix is the harness's (WINEPREFIX when set, else build/wine), created
# on first use. No display: these programs open no windows. The Wine server
# stays up for the next program; the caller stops it (run by hand, it goes by
# itself a few seconds after the last program).
set -uo pipefail
here="${BASH_SOURCE[0]%/*}"
case "$here" in
    */scripts) VELLUMERE_ROOT="${here%/scripts}" ;;
    *) VELLUMERE_ROOT="$here/.." ;;
esac
. "$here/harness.sh"
[ -f "$WINEPREFIX/system.reg" ] || wine_prefix_create >&2 || exit 1
loader="$(wine_loader "$1")" || exit 126

# The program's output goes through files: the Wine services that its start
# may launch inherit its standard output and error and outlive it, and CTest
# would wait for them to close. The copy loses the carriage returns of the
# Windows runtime's text mode.
out="${TMPDIR:-/tmp}/wine-exec.$$.out"
err="${TMPDIR:-/tmp}/wine-exec.$$.err"
trap 'rm -f "$out" "$err"' EXIT
# Wine itself failing is given one more run: killed by SIGABRT, SIGBUS or
# SIGSEGV (Wine turns the program's own faults into Windows exceptions and
# exit codes; its loader has been seen to crash now and then on a loaded
# machine), losing its server at start-up, or a failure without a word (seen
# once on a loaded machine; our programs explain every failure, so silence is
# Wine's). The program's answers are never retried. The note goes to
# standard error and to WINE_EXEC_LOG, which scripts/test.sh shows after the
# run, so that no such failure goes unseen.
for attempt in 1 2; do
    DISPLAY= "$loader" "$@" </dev/null >"$out" 2>"$err"
    rc=$?
    case "$rc" in
        0) break ;;
        134 | 135 | 139) note="Wine died of signal $((rc - 128))" ;;
        *)
            if grep -q '^wine client error' "$err"; then
                note="Wine lost its server"
            elif [ ! -s "$out" ] && [ ! -s "$err" ]; then
                note="exit $rc without a word"
            else
                break
            fi
            ;;
    esac
    note="wine-exec: $note running ${*##*/}"
    [ "$attempt" -eq 1 ] && note="$note; once more"
    echo "$note" >&2
    [ -n "${WINE_EXEC_LOG:-}" ] && echo "$note" >>"$WINE_EXEC_LOG"
done
tr -d '\r' <"$out"
[ -s "$err" ] && tr -d '\r' <"$err" >&2
exit "$rc"
