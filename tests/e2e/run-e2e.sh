#!/usr/bin/env bash
# End-to-end tests: Vellumere.exe under Wine in a virtual desktop on Xvfb,
# driven by tests/e2e/driver (a Win32 program of ours in the same desktop).
#
#     tests/e2e/run-e2e.sh [SCENARIO...]      (default: every tests/e2e/scenarios/*.txt)
#
# In the scenarios, @WORK@ is the work folder (the program's start-up directory),
# @EXE@ the program, @SHOTS@ the screenshot folder, @BUILD@ the program's folder
# (@BUILD_URL@ as a file: address) and @OPENED@ the file in which the prefix's
# stand-in browser (tests/e2e/driver/recorder.cpp) notes each page it opened.
#
# Needs the Windows build (build/win32/Vellumere.exe, or VELLUMERE_E2E_BUILD).
# Uses its own Wine prefix (build/e2e/wine) and its own Xvfb display; every
# Wine process of that prefix is stopped after each scenario and at the end.
# Screenshots are kept in build/e2e/screenshots/.
set -uo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
cd "$ROOT"
BUILD="${VELLUMERE_E2E_BUILD:-$ROOT/build/win32}"
OUT="$ROOT/build/e2e"
WORK="$OUT/work"
SHOTS="$OUT/screenshots"
DESKTOP="vellumere-e2e"
SCENARIO_TIMEOUT="${VELLUMERE_E2E_TIMEOUT:-120}"

export WINEPREFIX="$OUT/wine"
. "$ROOT/scripts/wine-env.sh"

exe="$BUILD/Vellumere.exe"
if [ ! -f "$exe" ]; then
    echo "e2e: $exe does not exist; build the win32 preset first" >&2
    exit 1
fi

mkdir -p "$OUT" "$SHOTS"

# The driver and the browser's stand-in are targets of the Windows build. The
# recorder keeps its record beside itself, so it runs from a copy in $OUT.
if ! cmake --build "$BUILD" --target e2e-driver e2e-recorder >"$OUT/tools-build.log" 2>&1; then
    tail -n 30 "$OUT/tools-build.log"
    echo "e2e: building the driver and the recorder in ${BUILD#"$ROOT"/} failed" >&2
    exit 1
fi
driver="$BUILD/tests/e2e-driver.exe"
recorder="$OUT/recorder.exe"
cp "$BUILD/tests/e2e-recorder.exe" "$recorder" || exit 1
# What the recorder writes: one line per page opened.
opened="$OUT/opened.txt"

winpath() { # a Unix path as the Z: drive sees it
    printf 'Z:%s' "${1//\//\\}"
}
# Backslashes doubled, as the driver's scripts write them.
script_path() {
    local p
    p="$(winpath "$1")"
    printf '%s' "${p//\\/\\\\}"
}

wine_prefix_init || exit 1
# Caption buttons are drawn with Marlett: make Wine's own fonts visible to the prefix.
cp -n /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
# A taskbar with a notification area in our virtual desktop.
wine reg add "HKCU\\Software\\Wine\\Explorer\\Desktops\\$DESKTOP" /v EnableShell /t REG_DWORD /d 1 /f \
    >/dev/null 2>&1
# Web pages open with the recorder, which notes what it was asked to open.
# (The prefix has no browser: Wine's own is left out with its HTML engine.)
wine reg add 'HKCR\.html' /ve /d VellumereE2E.page /f >/dev/null 2>&1
wine reg add 'HKCR\VellumereE2E.page\shell\open\command' /ve /d "\"$(winpath "$recorder")\" \"%1\"" /f \
    >/dev/null 2>&1

xvfb_start 1024x768x24 || exit 1
on_exit wine_stop

rm -rf "$WORK"
python3 "$ROOT/tests/e2e/make_data.py" "$WORK" || exit 1

# The bundled samples, with what the converter (the same picture code, built
# natively) makes of each: the program's temporary bitmap must match it.
. "$ROOT/tests/converter/converter.sh"
find_converter "$ROOT" || exit 1
mkdir -p "$WORK/formats"
for sample in "$ROOT"/samples/*; do
    name="$(basename "$sample")"
    cp "$sample" "$WORK/formats/$name"
    "$CONVERT" "$sample" "$WORK/formats/$name.bmp" || exit 1
done

reg_value() { # NAME: a value of the program's key as `wine reg query` shows it
    wine reg query 'HKCU\Software\Quorvath\Vellumere\1.3' /v "$1" 2>/dev/null | tr -d '\r' |
        sed -n "s/^    $1    REG_SZ    //p; s/^    $1    REG_SZ\$//p"
}
wallpaper_value() {
    wine reg query 'HKCU\Control Panel\Desktop' /v Wallpaper 2>/dev/null | tr -d '\r' |
        sed -n 's/^    Wallpaper    REG_SZ    //p; s/^    Wallpaper    REG_SZ$//p'
}

desktop_value() { # NAME: a value of HKCU\Control Panel\Desktop
    wine reg query 'HKCU\Control Panel\Desktop' /v "$1" 2>/dev/null | tr -d '\r' |
        sed -n "s/^    $1    REG_SZ    //p"
}

check_failures=0
expect_equal() { # WHAT ACTUAL EXPECTED
    if [ "$2" == "$3" ]; then
        echo "  ok: $1"
    else
        echo "  FAILED: $1 is '$2', expected '$3'"
        check_failures=$((check_failures + 1))
    fi
}

# Checks made from outside Wine after a scenario's driver run.
after_scenario() {
    local name="$1" work_win
    work_win="$(winpath "$WORK")"
    case "$name" in
    01-first-run)
        expect_equal "reg Time" "$(reg_value Time)" "30"
        expect_equal "reg Selection Method" "$(reg_value 'Selection Method')" "Random"
        expect_equal "desktop Wallpaper" "$(wallpaper_value)" ""
        ;;
    02-start-up-change)
        if cmp -s "$WORK/temp.bmp" "$WORK/landscape.expected.bmp"; then
            echo "  ok: temp.bmp holds the converted picture byte for byte"
        else
            echo "  FAILED: temp.bmp differs from landscape.expected.bmp"
            check_failures=$((check_failures + 1))
        fi
        expect_equal "reg TempFilename" "$(reg_value TempFilename)" "$work_win\\temp.bmp"
        expect_equal "desktop Wallpaper" "$(wallpaper_value)" "$work_win\\one.bmp"
        ;;
    04-deleted-file)
        expect_equal "desktop Wallpaper" "$(wallpaper_value)" ""
        ;;
    07-long-list)
        expect_equal "reg Files" "$(reg_value Files)" "File"
        expect_equal "reg FilesFile" "$(reg_value FilesFile)" "$work_win\\list.qx"
        local size
        size=$(stat -c %s "$WORK/list.qx" 2>/dev/null || echo 0)
        if [ "$size" -gt 2048 ]; then
            echo "  ok: list.qx holds $size bytes"
        else
            echo "  FAILED: list.qx holds $size bytes"
            check_failures=$((check_failures + 1))
        fi
        ;;
    18-positions)
        local shape
        for shape in fit fill stretch center; do
            if python3 "$ROOT/tests/e2e/check_position.py" "$shape" "$WORK/$shape.bmp"; then
                echo "  ok: $shape.bmp"
            else
                echo "  FAILED: $shape.bmp"
                check_failures=$((check_failures + 1))
            fi
        done
        expect_equal "desktop TileWallpaper" "$(desktop_value TileWallpaper)" "1"
        expect_equal "desktop WallpaperStyle" "$(desktop_value WallpaperStyle)" "0"
        ;;
    esac
}

scenarios=("$@")
if [ "${#scenarios[@]}" -eq 0 ]; then
    scenarios=("$ROOT"/tests/e2e/scenarios/*.txt)
fi

passed=0
failed=0
failed_names=()
start=$SECONDS
for scenario in "${scenarios[@]}"; do
    [ -f "$scenario" ] || scenario="$ROOT/tests/e2e/scenarios/$scenario.txt"
    name="$(basename "$scenario" .txt)"
    script="$OUT/$name.script"
    report="$OUT/$name.report"
    python3 - "$scenario" "$script" "$(script_path "$WORK")" "$(script_path "$exe")" "$(script_path "$SHOTS")" \
        "$(script_path "$BUILD")" "$(script_path "$opened")" <<'PY'
import sys
source, target, work, exe, shots, build, opened = sys.argv[1:8]
# The build folder also as the browser sees it: file:///Z:/... (no blanks in our paths).
build_url = 'file:///' + build.replace('\\\\', '/')
text = open(source).read().replace('@WORK@', work).replace('@EXE@', exe).replace('@SHOTS@', shots)
text = text.replace('@BUILD_URL@', build_url).replace('@BUILD@', build).replace('@OPENED@', opened)
open(target, 'w').write(text)
PY
    rm -f "$report" "$WORK/temp.bmp" "$WORK/list.qx" "$WORK"/{fit,fill,stretch,center}.bmp "$WORK/help.hlp" "$opened"
    echo "== $name"
    t0=$SECONDS
    wine explorer /desktop="$DESKTOP,1024x768" "$(winpath "$driver")" "$(winpath "$script")" \
        "$(winpath "$report")" </dev/null >"$OUT/$name.wine.log" 2>&1 &
    desktop_pid=$!
    # Bounded wait for the driver's verdict, then stop everything the scenario left.
    while ! grep -q '^RESULT ' "$report" 2>/dev/null; do
        if [ $((SECONDS - t0)) -ge "$SCENARIO_TIMEOUT" ]; then
            echo "RESULT FAIL (no verdict within $SCENARIO_TIMEOUT s)" >>"$report"
            break
        fi
        sleep 0.5
    done
    wine_stop
    wait "$desktop_pid" 2>/dev/null
    check_failures=0
    if grep -q '^RESULT PASS' "$report"; then
        after_scenario "$name"
    fi
    if grep -q '^RESULT PASS' "$report" && [ "$check_failures" -eq 0 ]; then
        echo "-- $name: passed ($((SECONDS - t0)) s)"
        passed=$((passed + 1))
    else
        sed -n '/^FAIL\|^  visible\|^RESULT/p' "$report"
        echo "   (full report: ${report#"$ROOT"/})"
        echo "-- $name: FAILED ($((SECONDS - t0)) s)"
        failed=$((failed + 1))
        failed_names+=("$name")
    fi
done

for shot in "$SHOTS"/*.bmp; do
    [ -f "$shot" ] || continue
    convert "$shot" "${shot%.bmp}.png" && rm -f "$shot"
done
echo "screenshots: ${SHOTS#"$ROOT"/}/"
ls "$SHOTS" 2>/dev/null | sed 's/^/  /'

echo "e2e: $passed passed, $failed failed ($((SECONDS - start)) s)"
for name in "${failed_names[@]}"; do echo "failed: $name"; done
[ "$failed" -eq 0 ]
