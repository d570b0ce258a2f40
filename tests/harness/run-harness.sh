#!/usr/bin/env bash
# The choice every script makes through scripts/harness.sh: whether this
# machine runs 32-bit programs, decided once per run, and which Wine loader
# runs which build. Tried with stand-in loaders (one that answers, one that the
# kernel refuses as a machine without 32-bit emulation does), then for real.
set -uo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
. "$ROOT/scripts/harness.sh"
REAL_BUILD="$VELLUMERE_WIN_BUILD"
T="$(mktemp -d "${TMPDIR:-/tmp}/vellumere-harness.XXXXXX")"
on_exit 'rm -rf "$T"'

# Stand-in loaders: one counts its calls and answers; one has an ELF magic the
# kernel cannot run ("Exec format error").
printf '#!/bin/sh\necho x >>"%s/probes"\necho wine-8.0\n' "$T" >"$T/wine32-works"
printf '\177ELF\002\002\001\000not for this machine' >"$T/wine32-refused"
chmod +x "$T/wine32-works" "$T/wine32-refused"
# Just enough of a PE file for its machine field: i686, x86-64, and none.
python3 - "$T" <<'EOF'
import struct, sys
for name, machine in (("i686.exe", 0x14C), ("x86_64.exe", 0x8664), ("arm.exe", 0x1C0)):
    head = bytearray(b"MZ" + bytes(62))
    struct.pack_into("<I", head, 60, 64)
    open(f"{sys.argv[1]}/{name}", "wb").write(bytes(head) + b"PE\0\0" + struct.pack("<H", machine))
open(f"{sys.argv[1]}/text.exe", "w").write("not a program\n")
EOF

# decide WINE32 [FORCE]: the decision of a fresh run, as "BUILD|NOTE|PROBES".
decide() {
    rm -f "$T/probes"
    env -u VELLUMERE_WIN_BUILD -u VELLUMERE_WIN_NOTE VELLUMERE_WINE32="$1" VELLUMERE_FORCE_WIN64="${2:-}" \
        bash -c '. "$1/scripts/harness.sh"; . "$1/scripts/harness.sh"
                 bash -c ". \"$1/scripts/harness.sh\"; printf %s \"\$VELLUMERE_WIN_BUILD|\$VELLUMERE_WIN_NOTE\""' \
        _ "$ROOT"
    printf '|%s' "$(cat "$T/probes" 2>/dev/null | wc -l)"
}
expect_equal "32-bit loader answers: the 32-bit build, asked once for the whole run" \
    "$(decide "$T/wine32-works")" "win32||1"
expect_equal "VELLUMERE_FORCE_WIN64=1: the 64-bit build, the loader not asked" \
    "$(decide "$T/wine32-works" 1)" "win64|VELLUMERE_FORCE_WIN64=1|0"
expect_equal "32-bit loader refused by the kernel: the 64-bit build, and why" \
    "$(decide "$T/wine32-refused")" \
    "win64|this machine cannot run 32-bit programs ($T/wine32-refused does not start)|0"
expect_equal "no 32-bit loader installed: the 64-bit build" "$(decide "$T/missing" | cut -d'|' -f1)" win64

# loader BUILD FILE: the loader chosen for a program, or "refused".
loader() {
    VELLUMERE_WIN_BUILD="$1" VELLUMERE_WIN_NOTE=why VELLUMERE_WINE32=w32 VELLUMERE_WINE64=w64 \
        bash -c '. "$1/scripts/harness.sh"; wine_loader "$2" 2>/dev/null || echo refused' _ "$ROOT" "$2"
}
expect_equal "i686 program where 32-bit programs run" "$(loader win32 "$T/i686.exe")" w32
expect_equal "x86-64 program where 32-bit programs run" "$(loader win32 "$T/x86_64.exe")" w64
expect_equal "i686 program on the 64-bit path" "$(loader win64 "$T/i686.exe")" refused
expect_equal "x86-64 program on the 64-bit path" "$(loader win64 "$T/x86_64.exe")" w64
expect_equal "a program for another processor" "$(loader win32 "$T/arm.exe")" refused
expect_equal "a file that is no program" "$(loader win32 "$T/text.exe")" refused

# For real: this machine's converter of the build chosen runs under the loader
# chosen (its usage error is exit 2), and a refused program is not run.
exe="$ROOT/build/$REAL_BUILD/vellumere-convert.exe"
if [ -f "$exe" ]; then
    wine_prefix_init >/dev/null || exit 1
    wine_exe "$exe" >/dev/null 2>&1
    rc=$?
    expect_equal "build/$REAL_BUILD/vellumere-convert.exe under $(wine_loader "$exe")" "exit $rc" "exit 2"
fi
if [ "$REAL_BUILD" = win64 ] && [ -f "$ROOT/build/win32/vellumere-convert.exe" ]; then
    wine_exe "$ROOT/build/win32/vellumere-convert.exe" >/dev/null 2>&1
    expect_equal "the 32-bit converter on the 64-bit path" "exit $?" "exit 126"
fi
checks_done "harness checks (this machine: $REAL_BUILD${VELLUMERE_WIN_NOTE:+, $VELLUMERE_WIN_NOTE})"
