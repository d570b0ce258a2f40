#!/usr/bin/env bash
# Runs the Windows build of vellumere-convert under Wine with the arguments
# given, so the reference checks can use it like the native one. Standard
# error loses the carriage returns of the Windows runtime's text mode.
#   VELLUMERE_WINE_CONVERT  the .exe (default: build/win32/vellumere-convert.exe)
set -uo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
. "$ROOT/scripts/wine-env.sh"
EXE="${VELLUMERE_WINE_CONVERT:-$ROOT/build/win32/vellumere-convert.exe}"
ERR="$(mktemp)"
trap 'rm -f "$ERR"' EXIT
for attempt in 1 2; do
    # A console program: no display wanted.
    DISPLAY= wine "$EXE" "$@" 2>"$ERR"
    rc=$?
    # Only Wine's own start-up failing (its server going away under us) is
    # worth a second try; the program's answers are never retried.
    grep -q '^wine client error' "$ERR" || break
done
tr -d '\r' <"$ERR" >&2
exit "$rc"
