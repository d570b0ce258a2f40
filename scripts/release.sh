#!/usr/bin/env bash
# Builds what users download, into build/release/:
#   Vellumere-VERSION.zip              the 32-bit program to unpack and run
#   Vellumere-VERSION-setup.exe        its installer (NSIS): per user, no administrator rights
#   Vellumere-VERSION-x64.zip          the same for 64-bit Windows (Windows 11 has no other)
#   Vellumere-VERSION-x64-setup.exe    its installer, itself a 64-bit program
# VERSION is the CMake project version. Each holds the program and converter
# (stripped), the help page, README.txt and LICENSE.txt (our licence followed
# by those of the libraries linked into the program). Both installers install
# into the same folder under the same uninstall entry, so one replaces the
# other, and both programs keep the same settings. Nothing here runs Wine.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$ROOT"
. "$ROOT/scripts/harness.sh"
OUT="$ROOT/build/release"

for tool in makensis zip i686-w64-mingw32-strip x86_64-w64-mingw32-strip; do
    command -v "$tool" >/dev/null || { echo "release: $tool is missing (scripts/bootstrap.sh installs it)" >&2; exit 1; }
done
for arch in i686 x86_64; do
    preset=win32
    [ "$arch" = x86_64 ] && preset=win64
    echo "== building the Windows program ($preset)"
    "$ROOT/scripts/build-deps.sh" "$arch"
    build_preset "$preset" --target Vellumere vellumere-convert
done

VERSION="$(cat "$ROOT/build/win32/version.txt")"
case "$VERSION" in
    [0-9]*.[0-9]*.[0-9]*) ;;
    *) echo "release: no version in build/win32/version.txt" >&2; exit 1 ;;
esac
rm -rf "$OUT"
# Same bytes for the same sources: every file dated by the last commit.
stamp="$(git -C "$ROOT" log -1 --format=%ct 2>/dev/null || date +%s)"

# Text files with Windows line ends, for every editor a user may open them in.
crlf() { sed 's/\r*$/\r/' "$@"; }

# release BUILD ARCH SUFFIX [makensis -D...]: the zip and the installer of one build.
release() {
    local build="$ROOT/build/$1" arch="$2" name="Vellumere-$VERSION$3"
    shift 3
    local stage="$OUT/stage/$name"
    mkdir -p "$stage"
    "$arch-w64-mingw32-strip" -o "$stage/Vellumere.exe" "$build/Vellumere.exe"
    "$arch-w64-mingw32-strip" -o "$stage/vellumere-convert.exe" "$build/vellumere-convert.exe"
    cp "$ROOT/resources/help/vellumere.html" "$stage/vellumere.html"
    sed "s/@VERSION@/$VERSION/g" "$ROOT/packaging/README.txt" | crlf >"$stage/README.txt"
    # The libraries are linked in statically: their notices travel with the program.
    {
        cat "$ROOT/LICENSE"
        printf '\n\nThird-party software in Vellumere.exe and vellumere-convert.exe\n'
        printf '===============================================================\n\n'
        printf 'This software is based in part on the work of the Independent JPEG Group.\n\n'
        printf -- '--- libjpeg-turbo ---\n\n'
        cat "$ROOT/build/sources/libjpeg-turbo/LICENSE.md"
        printf '\n\n--- libpng ---\n\n'
        cat "$ROOT/build/sources/libpng/LICENSE"
        printf '\n\n--- zlib ---\n\n'
        # The notice at the head of zlib.h, as the library ships it.
        sed -n '1,/^\*\//p' "/usr/$arch-w64-mingw32/include/zlib.h"
    } | crlf >"$stage/LICENSE.txt"
    find "$stage" -exec touch -h -d "@$stamp" {} +

    echo "== $name.zip"
    (cd "$OUT/stage" && TZ=UTC zip -q -X -9 -r "$OUT/$name.zip" "$name")
    echo "== $name-setup.exe"
    makensis -V2 -DVERSION="$VERSION" -DSTAGE="$stage" -DOUTFILE="$OUT/$name-setup.exe" \
        -DICON="$ROOT/resources/vellumere.ico" "$@" "$ROOT/packaging/Vellumere.nsi"
}
release win32 i686 ""
release win64 x86_64 -x64 -DX64

ls -l "$OUT"/*.zip "$OUT"/*.exe
