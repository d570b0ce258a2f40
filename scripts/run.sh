#!/usr/bin/env bash
# Builds everything and runs the program.
#
# Vellumere.exe (build/win32) starts under Wine in a virtual desktop with a
# taskbar, in its own prefix build/run/wine. Where this machine cannot run
# 32-bit programs (or VELLUMERE_FORCE_WIN64=1), the 64-bit build of the same
# program (build/win64) runs in the same way, and the first line says so. When that prefix holds no settings
# yet, the image list is seeded with the bundled pictures in samples/ (one of
# every format the program reads) and a short interval, so the wallpaper changes
# at once and then on the timer.
#   With a display: the program runs until you quit it from its options dialog
#   (double-click the tray icon, or right-click it for the menu).
#   Without one: it runs on its own Xvfb display, waits for the first wallpaper,
#   saves a screenshot of the desktop in build/run-screenshot.png, prints its
#   path and stops the program.
#
#   scripts/run.sh              as above
#   scripts/run.sh --convert    only convert samples/ with the native converter
#   scripts/run.sh --reset      forget the settings of earlier runs first
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$ROOT"
JOBS="${JOBS:-2}"

mode=auto
reset=0
for arg in "$@"; do
    case "$arg" in
        --convert) mode=convert ;;
        --reset) reset=1 ;;
        *) echo "usage: scripts/run.sh [--convert] [--reset]" >&2; exit 2 ;;
    esac
done

"$ROOT/scripts/bootstrap.sh"
RUN="$ROOT/build/run"
export WINEPREFIX="$RUN/wine"
. "$ROOT/scripts/harness.sh"
BUILD="$VELLUMERE_WIN_BUILD"
if [ "$mode" != convert ] && [ "$BUILD" = win64 ]; then
    echo "run: the 64-bit Vellumere.exe (build/win64), as $VELLUMERE_WIN_NOTE"
fi

echo "== building the converter (native-release)"
build_preset native-release --target vellumere-convert
if [ "$mode" != convert ]; then
    echo "== building the Windows program ($BUILD)"
    "$ROOT/scripts/build-deps.sh" "$([ "$BUILD" = win64 ] && echo x86_64 || echo i686)"
    build_preset "$BUILD" --target Vellumere
fi

convert_samples() {
    local out="$ROOT/build/samples-out" convert="$ROOT/build/native-release/vellumere-convert"
    local failures=0 n=0 f dest info
    mkdir -p "$out"
    echo "== converting samples/ into ${out#"$ROOT"/}"
    for f in samples/*; do
        [ -f "$f" ] || continue
        # Keep the extension in the name: sample.gif and sample.pcx differ.
        dest="$out/$(basename "$f").bmp"
        if info="$("$convert" --info "$f" "$dest")"; then
            echo "wrote ${dest#"$ROOT"/} ($info)"
            n=$((n + 1))
        else
            echo "could not convert $f" >&2
            failures=$((failures + 1))
        fi
    done
    echo "$n converted, $failures failed"
    [ "$failures" -eq 0 ]
}

exe="$ROOT/build/$BUILD/Vellumere.exe"
if [ "$mode" = convert ]; then
    convert_samples
    exit
fi
if [ ! -f "$exe" ]; then
    echo "run: $exe was not built" >&2
    exit 1
fi

DESKTOP="Vellumere"
mkdir -p "$RUN"
wine_prefix_init
# Caption buttons are drawn with Marlett: make Wine's own fonts visible to the prefix.
cp -n /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
# Our virtual desktop gets a taskbar with a notification area.
wine_tool reg add "HKCU\\Software\\Wine\\Explorer\\Desktops\\$DESKTOP" /v EnableShell /t REG_DWORD /d 1 /f \
    >/dev/null 2>&1

KEY='HKCU\Software\Quorvath\Vellumere\1.3'
if [ "$reset" -eq 1 ]; then
    wine_tool reg delete 'HKCU\Software\Quorvath' /f >/dev/null 2>&1 || true
fi
if ! wine_tool reg query "$KEY" /v Files >/dev/null 2>&1; then
    echo "== first run in this prefix: the image list is samples/, changing every 36 seconds"
    # The image list: every sample followed by BEL. `reg add` cannot pass a BEL,
    # so the value goes in through a .reg file (UTF-16, as regedit writes it).
    python3 - "$RUN/seed.reg" "$(winpath "$RUN/temp.bmp")" "$ROOT"/samples/* <<'PY'
import sys
target, temp, pictures = sys.argv[1], sys.argv[2], sys.argv[3:]
def quoted(text):
    return '"' + text.replace('\\', '\\\\').replace('"', '\\"') + '"'
def hex_sz(text):
    data = (text + '\0').encode('utf-16-le')
    return 'hex(1):' + ','.join('%02x' % b for b in data)
files = ''.join('Z:' + p.replace('/', '\\') + '\a' for p in pictures)
lines = ['Windows Registry Editor Version 5.00', '',
         '[HKEY_CURRENT_USER\\Software\\Quorvath\\Vellumere\\1.3]',
         '"Files"=' + hex_sz(files),
         '"Time"="1"',
         '"Selection Method"="Sequential"',
         '"TempFilename"=' + quoted(temp), '']
open(target, 'w', encoding='utf-16').write('\r\n'.join(lines))
PY
    wine_tool regedit /S "$(winpath "$RUN/seed.reg")" >/dev/null 2>&1
    wineserver -w
fi

# The program's current directory: its default temporary bitmap and help file live there.
cd "$RUN"
if [ -n "${DISPLAY:-}" ]; then
    echo "== starting Vellumere under Wine (right-click its tray icon; quit from its options dialog)"
    exec "$VELLUMERE_WINE64" explorer /desktop="$DESKTOP,1024x768" "$(winpath "$exe")"
fi

echo "== no display: running Vellumere on Xvfb for a screenshot"
xvfb_start 1024x768x24
on_exit wine_stop
previous="$(reg_value 'HKCU\Control Panel\Desktop' Wallpaper)"
wine_tool reg add 'HKCU\Control Panel\Desktop' /v Wallpaper /t REG_SZ /d "" /f >/dev/null 2>&1
wine_tool explorer /desktop="$DESKTOP,1024x768" "$(winpath "$exe")" </dev/null >"$RUN/wine.log" 2>&1 &
wallpaper=""
for ((i = 0; i < 60; i++)); do
    sleep 1
    wallpaper="$(reg_value 'HKCU\Control Panel\Desktop' Wallpaper)"
    [ -n "$wallpaper" ] && break
done
if [ -n "$wallpaper" ]; then
    echo "wallpaper: $wallpaper"
    sleep 2  # let the desktop repaint
else
    echo "run: no wallpaper was set within 60 s (previously: ${previous:-none})" >&2
fi
shot="$ROOT/build/run-screenshot.png"
import -window root "$shot"
echo "screenshot: ${shot#"$ROOT"/}"
[ -n "$wallpaper" ]
