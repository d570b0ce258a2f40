#!/usr/bin/env bash
# Every hostile file under tests/crashers/<reader>/ through the converter,
# against its expected result in tests/crashers/expected/<reader>/<file>.txt
# (the format of check_expected in scripts/harness.sh).
#
# Runs the native converter (the sanitized build when configured) and then the
# Windows one of the build this machine runs, under Wine. A generous time
# limit per file makes a reader that loops for minutes fail here instead of
# holding up the run; how fast the files go is the benchmark's business.
set -uo pipefail
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
. "$HERE/../../scripts/harness.sh"
find_converter || exit 1
LIMIT="${VELLUMERE_CRASHER_SECONDS:-300}"
# Under AddressSanitizer a single allocation above 600 MB fails, as it would
# in the shipped 32-bit program, instead of quietly growing the process: no
# picture under the 64-bit ceiling needs one, and a reader that sizes a
# buffer from a hostile length then shows it in its messages.
export ASAN_OPTIONS="${ASAN_OPTIONS:-allocator_may_return_null=1:max_allocation_size_mb=600}"
WORK="$(mktemp -d "${TMPDIR:-/tmp}/vellumere-crashers.XXXXXX")"
on_exit 'rm -rf "$WORK"'

for input in "$HERE"/*/*; do
    name="$(basename "$(dirname "$input")")/$(basename "$input")"
    [ -f "$input" ] && [ "${name%%/*}" != expected ] || continue
    rm -f "$WORK/out.bmp"
    check_expected "$name" "$HERE/expected/$name.txt" "$input" "$WORK/out.bmp"
done
[ "$checks" -gt 0 ] || fail "no hostile files under tests/crashers/"

checks_done "crasher checks (${CONVERT[-1]#"$VELLUMERE_ROOT"/})"
status=$?
again_under_wine "$0" || status=1
exit "$status"
