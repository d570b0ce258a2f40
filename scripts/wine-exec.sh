#!/usr/bin/env bash
# Runs one Windows console program under Wine: CTest's cross-compiling
# emulator in the win32 and win64 presets, through which the tests are both
# listed (gtest_discover_tests) and run.
#     scripts/wine-exec.sh PROGRAM.exe [ARGUMENT...]
# The prefix is the one of scripts/wine-env.sh (WINEPREFIX when set, else
# build/wine), created on first use. No display: test programs open no
# windows. The Wine server stays up for the next program; scripts/test.sh
# stops it after the run (run by hand, it goes by itself a few seconds after
# the last program). It runs once per test, so it starts as few processes as
# it can.
set -uo pipefail
here="${BASH_SOURCE[0]%/*}"
case "$here" in
    */scripts) VELLUMERE_ROOT="${here%/scripts}" ;;
    *) VELLUMERE_ROOT="$here/.." ;;
esac
. "$here/wine-env.sh"
[ -f "$WINEPREFIX/system.reg" ] || wine_prefix_create >&2 || exit 1

# A 64-bit program goes to wine64 itself: the `wine` loader would start as a
# 32-bit process first and hand it over, at three times the cost.
loader=wine
if [ -x /usr/lib/wine/wine64 ] && [ -f "$1" ]; then
    pe_offset="$(od -An -tu4 -j60 -N4 "$1")"
    [ "$(od -An -tx2 -j$((pe_offset + 4)) -N2 "$1")" = " 8664" ] && loader=/usr/lib/wine/wine64
fi

# The program's output goes through files, not straight to CTest: the Wine
# services that its start may launch inherit its standard output and error
# and outlive it, and CTest would wait for them to close. The copy loses the
# carriage returns of the Windows runtime's text mode, so that CTest reads
# the test list line by line.
out="${TMPDIR:-/tmp}/wine-exec.$$.out"
err="${TMPDIR:-/tmp}/wine-exec.$$.err"
trap 'rm -f "$out" "$err"' EXIT
# Wine itself killed by SIGABRT, SIGBUS or SIGSEGV is given one more run:
# Wine turns the program's own faults into Windows exceptions and exit codes,
# and its loader has been seen to crash now and then on a loaded machine. The
# note goes to standard error and to WINE_EXEC_LOG, which scripts/test.sh
# shows after the run, so that no such crash goes unseen.
for attempt in 1 2; do
    DISPLAY= "$loader" "$@" </dev/null >"$out" 2>"$err"
    rc=$?
    case "$rc" in 134 | 135 | 139) ;; *) break ;; esac
    note="wine-exec: Wine died of signal $((rc - 128)) running ${*##*/}"
    [ "$attempt" -eq 1 ] && note="$note; once more"
    echo "$note" >&2
    [ -n "${WINE_EXEC_LOG:-}" ] && echo "$note" >>"$WINE_EXEC_LOG"
done
tr -d '\r' <"$out"
[ -s "$err" ] && tr -d '\r' <"$err" >&2
exit "$rc"
