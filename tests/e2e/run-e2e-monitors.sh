#!/usr/bin/env bash
# End-to-end test of "Monitors" "Each" on a real layout of three monitors:
# Xorg with the dummy video driver, monitors added with RandR (a Wine
# virtual desktop always has one monitor, and Xvfb cannot place several).
# Wine runs without a virtual desktop and reports the layout as it is: the
# primary 1024 x 768 at 0,0, one of 800 x 600 left of it (-800,0), one of
# 640 x 480 above it (0,-480). Wine paints no wallpaper outside a virtual
# desktop, so the test reads the bitmap written and the desktop's registry
# values. Then one monitor is switched off: the program composes the same
# pictures again for the two left (WM_DISPLAYCHANGE), drawing none.
#
#     tests/e2e/run-e2e-monitors.sh
#
# Needs root (Xorg) and the packages xserver-xorg-core,
# xserver-xorg-video-dummy and x11-xserver-utils (scripts/bootstrap.sh);
# skipped, with the reason, otherwise.
set -uo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
cd "$ROOT"
OUT="$ROOT/build/e2e-monitors"
export WINEPREFIX="$OUT/wine"
. "$ROOT/scripts/harness.sh"
BUILD="${VELLUMERE_E2E_BUILD:-$ROOT/build/$VELLUMERE_WIN_BUILD}"
WORK="$OUT/work"

if [ "$(id -u)" != 0 ] || ! command -v Xorg >/dev/null || ! command -v xrandr >/dev/null ||
    [ ! -e /usr/lib/xorg/modules/drivers/dummy_drv.so ]; then
    skip_stage "e2e-monitors needs root, Xorg with the dummy driver and xrandr"
fi
exe="$BUILD/Vellumere.exe"
if [ ! -f "$exe" ]; then
    echo "e2e-monitors: $exe does not exist; build the ${BUILD##*/} preset first" >&2
    exit 1
fi
mkdir -p "$OUT"
cmake --build "$BUILD" --target e2e-driver >"$OUT/tools-build.log" 2>&1 || {
    tail -n 30 "$OUT/tools-build.log"
    exit 1
}
driver="$BUILD/tests/e2e-driver.exe"
rm -rf "$WORK"
mkdir -p "$WORK"

# Xorg on a free display; the screen is made large enough for the monitors.
cat >"$OUT/xorg.conf" <<'CONF'
Section "Device"
    Identifier "dummy"
    Driver "dummy"
    VideoRam 64000
EndSection
Section "Monitor"
    Identifier "monitor"
    HorizSync 5.0 - 1000.0
    VertRefresh 5.0 - 1000.0
EndSection
Section "Screen"
    Identifier "screen"
    Device "dummy"
    Monitor "monitor"
    DefaultDepth 24
    SubSection "Display"
        Depth 24
        Virtual 3072 1536
    EndSubSection
EndSection
CONF
display=""
for ((n = 190; n < 290; n++)); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    Xorg ":$n" -config "$OUT/xorg.conf" -noreset -nolisten tcp -logfile "$OUT/xorg.log" >/dev/null 2>&1 &
    XORG_PID=$!
    for ((tries = 0; tries < 100; tries++)); do
        [ -e "/tmp/.X11-unix/X$n" ] && break
        kill -0 "$XORG_PID" 2>/dev/null || break
        sleep 0.1
    done
    if [ -e "/tmp/.X11-unix/X$n" ]; then
        display=":$n"
        on_exit 'kill "$XORG_PID" 2>/dev/null; wait "$XORG_PID" 2>/dev/null'
        break
    fi
    kill "$XORG_PID" 2>/dev/null
    wait "$XORG_PID" 2>/dev/null
done
[ -n "$display" ] || { echo "e2e-monitors: Xorg did not start (see ${OUT#"$ROOT"/}/xorg.log)" >&2; exit 1; }
export DISPLAY="$display"
xrandr --output DUMMY0 --mode 1024x768 --primary &&
    xrandr --newmode m800 40.00 800 840 968 1056 600 601 605 628 +hsync +vsync &&
    xrandr --addmode DUMMY1 m800 && xrandr --output DUMMY1 --mode m800 --left-of DUMMY0 &&
    xrandr --newmode m640 25.18 640 656 752 800 480 490 492 525 -hsync -vsync &&
    xrandr --addmode DUMMY2 m640 && xrandr --output DUMMY2 --mode m640 --above DUMMY0 || {
    echo "e2e-monitors: xrandr could not place the monitors" >&2
    exit 1
}
# Wine reads the server's last probe of the outputs (RandR's "current"
# resources), which still knows only DUMMY0 until a client asks for a new
# one, as xrandr's listing does.
xrandr >/dev/null

wine_prefix_init || exit 1
# Red, green and blue pictures of 40 x 30: Fill covers each monitor with one colour.
python3 - "$WORK" <<'PY'
import sys
for name, rgb in (('red', b'\xff\x00\x00'), ('green', b'\x00\xff\x00'), ('blue', b'\x00\x00\xff')):
    with open('%s/%s.ppm' % (sys.argv[1], name), 'wb') as f:
        f.write(b'P6\n40 30\n255\n' + rgb * 1200)
PY
w="$(winpath "$WORK")"
w="${w//\\/\\\\}"
e="$(winpath "$exe")"
e="${e//\\/\\\\}"
cat >"$OUT/each.script" <<SCRIPT
reg-clear
reg-set Files "$w\\\\red.ppm\\a$w\\\\green.ppm\\a$w\\\\blue.ppm\\a"
reg-set TempFilename "$w\\\\temp.bmp"
reg-set Time 0
reg-set Position Fill
reg-set "Selection Method" Sequential
reg-set Monitors Each
launch "$e" "$w"
wallpaper-expect "$w\\\\temp.bmp" 60000
file-copy "$w\\\\temp.bmp" "$w\\\\three.bmp"
wallpaper-set "Z:\\\\sentinel.bmp"
file-write "$w\\\\ready.txt" ready
file-expect-text "$w\\\\changed.txt" two 60000
broadcast WM_DISPLAYCHANGE
wallpaper-expect "$w\\\\temp.bmp" 60000
file-copy "$w\\\\temp.bmp" "$w\\\\two.bmp"
SCRIPT

# One pass as Windows VERSION reports itself (Wine's setting): "win10" has
# the span style, "win7" tiles the bitmap from the primary's top-left, for
# which it is written turned by the primary's offset.
run_pass() { # VERSION
    local version="$1" report="$OUT/each-$1.report" style tile turned
    wine_tool reg add 'HKCU\Software\Wine' /v Version /d "$version" /f >/dev/null 2>&1
    xrandr --output DUMMY2 --mode m640 --above DUMMY0 && xrandr >/dev/null
    rm -f "$report" "$WORK"/{ready,changed}.txt "$WORK"/{temp,three,two}.bmp
    echo "== monitors-each as $version (three monitors on $DISPLAY)"
    wine_exe "$driver" "$(winpath "$OUT/each.script")" "$(winpath "$report")" </dev/null >"$OUT/each-$version.wine.log" 2>&1 &
    local driver_pid=$!
    # The second layout once the driver has the first bitmap. Wine sees the
    # change at once but tells no window: the driver sends WM_DISPLAYCHANGE.
    for ((i = 0; i < 600; i++)); do
        [ -f "$WORK/ready.txt" ] && break
        kill -0 "$driver_pid" 2>/dev/null || break
        sleep 0.2
    done
    if [ -f "$WORK/ready.txt" ]; then
        style="$(reg_value 'HKCU\Control Panel\Desktop' WallpaperStyle)"
        tile="$(reg_value 'HKCU\Control Panel\Desktop' TileWallpaper)"
        xrandr --output DUMMY2 --off && xrandr >/dev/null && printf two >"$WORK/changed.txt"
    fi
    wait_for_verdict "$report" 180 "$driver_pid"
    wine_stop
    wait "$driver_pid" 2>/dev/null
    if ! grep -q '^RESULT PASS' "$report"; then
        show_report "$report"
        fail "$version: the driver's scenario"
        return
    fi
    ok "$version: the program set the composed bitmap, and again after a monitor went"
    case "$version" in
        win7) expect_equal "$version: WallpaperStyle, TileWallpaper" "${style:-} ${tile:-}" "0 1"; turned=(turned=800,480) ;;
        *) expect_equal "$version: WallpaperStyle, TileWallpaper" "${style:-} ${tile:-}" "22 0"; turned=() ;;
    esac
    python3 "$ROOT/tests/e2e/check_monitors.py" "$WORK/three.bmp" 1824 1248 "${turned[@]}" \
        "800,480,1024,768=ff0000" "0,480,800,600=00ff00" "800,0,640,480=0000ff" "gap=0,0" &&
        ok "$version: three monitors: primary red, left green, above blue, the desktop colour between" ||
        fail "$version: three monitors"
    [ "$version" = win7 ] && turned=(turned=800,0)
    python3 "$ROOT/tests/e2e/check_monitors.py" "$WORK/two.bmp" 1824 768 "${turned[@]}" \
        "800,0,1024,768=ff0000" "0,0,800,600=00ff00" "gap=0,767" &&
        ok "$version: two monitors: the same pictures, composed again" || fail "$version: two monitors"
}

run_pass win10
run_pass win7
checks_done "e2e-monitors"
