#!/usr/bin/env bash
# Builds what users download, into build/release/:
#   Vellumere-VERSION.zip        the program to unpack and run (folder Vellumere-VERSION/)
#   Vellumere-VERSION-setup.exe  the installer (NSIS): per user, no administrator rights
# VERSION is the CMake project version of the win32 build. Both hold the 32-bit
# program and converter (stripped), the help page, README.txt and LICENSE.txt
# (our licence followed by those of the libraries linked into the program).
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$ROOT"
JOBS="${JOBS:-2}"
BUILD="$ROOT/build/win32"
OUT="$ROOT/build/release"

for tool in makensis zip i686-w64-mingw32-strip; do
    command -v "$tool" >/dev/null || { echo "release: $tool is missing (scripts/bootstrap.sh installs it)" >&2; exit 1; }
done

echo "== building the Windows program (win32)"
"$ROOT/scripts/build-deps.sh" i686
cmake --preset win32 --log-level=WARNING >"$ROOT/build/configure-win32.log" 2>&1 \
    || { cat "$ROOT/build/configure-win32.log"; exit 1; }
cmake --build --preset win32 -j "$JOBS" --target Vellumere vellumere-convert

VERSION="$(cat "$BUILD/version.txt")"
case "$VERSION" in
    [0-9]*.[0-9]*.[0-9]*) ;;
    *) echo "release: no version in $BUILD/version.txt" >&2; exit 1 ;;
esac
NAME="Vellumere-$VERSION"
STAGE="$OUT/stage/$NAME"
rm -rf "$OUT"
mkdir -p "$STAGE"

# Text files with Windows line ends, for every editor a user may open them in.
crlf() { sed 's/\r*$/\r/' "$@"; }

i686-w64-mingw32-strip -o "$STAGE/Vellumere.exe" "$BUILD/Vellumere.exe"
i686-w64-mingw32-strip -o "$STAGE/vellumere-convert.exe" "$BUILD/vellumere-convert.exe"
cp "$ROOT/resources/help/vellumere.html" "$STAGE/vellumere.html"
sed "s/@VERSION@/$VERSION/g" "$ROOT/packaging/README.txt" | crlf >"$STAGE/README.txt"

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
    sed -n '1,/^\*\//p' /usr/i686-w64-mingw32/include/zlib.h
} | crlf >"$STAGE/LICENSE.txt"

# Same bytes for the same sources: every file dated by the last commit.
stamp="$(git -C "$ROOT" log -1 --format=%ct 2>/dev/null || date +%s)"
find "$OUT/stage" -exec touch -h -d "@$stamp" {} +

echo "== $NAME.zip"
(cd "$OUT/stage" && TZ=UTC zip -q -X -9 -r "$OUT/$NAME.zip" "$NAME")

echo "== $NAME-setup.exe"
makensis -V2 -DVERSION="$VERSION" -DSTAGE="$STAGE" -DOUTFILE="$OUT/$NAME-setup.exe" \
    -DICON="$ROOT/resources/vellumere.ico" "$ROOT/packaging/Vellumere.nsi"

ls -l "$OUT"/*.zip "$OUT"/*.exe
