#!/usr/bin/env bash
# Every hostile file under tests/crashers/<reader>/ through the converter, with
# its expected result from tests/crashers/expected/<reader>/<file>.txt:
#   exit N             the converter's exit code
#   pixels A B C ...   optional: the index plane, top row first (8-bit output)
#   any other line     the converter's standard error, line for line
# A <file>.win32.txt beside it, when present, holds what the 32-bit Windows
# build gives instead (its ceiling is lower).
#
# Runs the native converter (the sanitized build when configured) and, when
# it is built, the 32-bit Windows one under Wine (VELLUMERE_REFERENCE_WINE=0
# skips it). A generous time limit per file makes a reader that loops for
# minutes fail here instead of holding up the run; how fast the files go is
# the benchmark's business.
set -uo pipefail

HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
ROOT="$(cd "$HERE/../.." && pwd)"
. "$ROOT/tests/converter/converter.sh"
find_converter "$ROOT" || exit 1
LIMIT="${VELLUMERE_CRASHER_SECONDS:-300}"
flavour=native
[ -n "${VELLUMERE_CRASHERS_WIN32:-}" ] && flavour=win32
# Under AddressSanitizer a single allocation above 600 MB fails, as it would
# in the shipped 32-bit program, instead of quietly growing the process: no
# picture under the 64-bit ceiling needs one, and a reader that sizes a
# buffer from a hostile length then shows it in its messages.
export ASAN_OPTIONS="${ASAN_OPTIONS:-allocator_may_return_null=1:max_allocation_size_mb=600}"
WORK="$(mktemp -d "${TMPDIR:-/tmp}/vellumere-crashers.XXXXXX")"
trap 'rm -rf "$WORK"' EXIT

failures=0
checks=0
ok() { checks=$((checks + 1)); printf 'ok   %s\n' "$*"; }
fail() { checks=$((checks + 1)); failures=$((failures + 1)); printf 'FAIL %s\n' "$*"; }

# The index plane of an 8-bit bitmap, top row first, as one line of numbers.
index_plane() {
    python3 - "$1" <<'EOF'
import struct, sys
data = open(sys.argv[1], "rb").read()
offset, = struct.unpack_from("<I", data, 10)
width, height = struct.unpack_from("<ii", data, 18)
bits, = struct.unpack_from("<H", data, 28)
if bits != 8:
    print("not an 8-bit bitmap")
    sys.exit(0)
stride = (width + 3) // 4 * 4
rows = [data[offset + (height - 1 - y) * stride:][:width] for y in range(height)]
print(" ".join(str(b) for row in rows for b in row))
EOF
}

count=0
for input in "$HERE"/*/*; do
    [ -f "$input" ] || continue
    reader="$(basename "$(dirname "$input")")"
    [ "$reader" = expected ] && continue
    name="$reader/$(basename "$input")"
    expect="$HERE/expected/$name.txt"
    [ "$flavour" = win32 ] && [ -f "$HERE/expected/$name.win32.txt" ] && expect="$HERE/expected/$name.win32.txt"
    count=$((count + 1))
    if [ ! -f "$expect" ]; then
        fail "$name: no expected result in ${expect#"$ROOT"/}"
        continue
    fi
    out="$WORK/out.bmp"
    rm -f "$out"
    timeout "$LIMIT" "$CONVERT" "$input" "$out" >"$WORK/stdout" 2>"$WORK/stderr"
    rc=$?
    if [ "$rc" -eq 124 ]; then
        fail "$name: still running after $LIMIT s"
        continue
    fi
    want_rc="$(sed -n 's/^exit //p' "$expect")"
    want_pixels="$(sed -n 's/^pixels //p' "$expect")"
    grep -v -e '^exit ' -e '^pixels ' "$expect" >"$WORK/want-stderr"
    problems=""
    [ "$rc" = "$want_rc" ] || problems+=" exit $rc, expected $want_rc;"
    if ! cmp -s "$WORK/stderr" "$WORK/want-stderr"; then
        problems+=" messages '$(tr '\n' '|' <"$WORK/stderr" | head -c 400)', expected '$(tr '\n' '|' <"$WORK/want-stderr")';"
    fi
    if [ -n "$want_pixels" ]; then
        got_pixels="$([ -f "$out" ] && index_plane "$out")"
        [ "$got_pixels" = "$want_pixels" ] || problems+=" pixels '$got_pixels', expected '$want_pixels';"
    fi
    if [ -z "$problems" ]; then
        ok "$name: exit $rc$([ -n "$want_pixels" ] && echo ', pixels as expected')"
    else
        fail "$name:$problems"
    fi
done
[ "$count" -gt 0 ] || fail "no hostile files under tests/crashers/"

echo "crasher checks: $((checks - failures)) of $checks passed (${CONVERT#"$ROOT"/})"
status=0
[ "$failures" -eq 0 ] || status=1

# The same files through the shipped 32-bit converter, under Wine.
if [ -z "${VELLUMERE_CONVERT:-}" ] && [ "${VELLUMERE_REFERENCE_WINE:-1}" != 0 ] &&
    [ -f "$ROOT/build/win32/vellumere-convert.exe" ] && command -v wine >/dev/null; then
    echo
    echo "crasher checks through build/win32/vellumere-convert.exe under Wine"
    (
        . "$ROOT/scripts/wine-env.sh"
        wine_prefix_init || exit 1
        wineserver -p 30 >/dev/null 2>&1 || true
        VELLUMERE_CRASHERS_WIN32=1 VELLUMERE_CONVERT="$ROOT/tests/reference/wine-convert.sh" "$0"
    ) || status=1
fi
exit "$status"
