#!/usr/bin/env bash
# End-to-end tests: Vellumere.exe under Wine in a virtual desktop on Xvfb,
# driven by tests/e2e/driver (a Win32 program of ours in the same desktop).
#
#     tests/e2e/run-e2e.sh [SCENARIO...]      (default: every tests/e2e/scenarios/*.txt)
#
# Wine runs in the ANSI code page 1252, or in VELLUMERE_E2E_CODEPAGE (932,
# Japanese: Wine takes it from the locale it starts in, built here). The whole
# stage runs every scenario that says "# Also in code page 932." a second time
# in that code page.
#
# In the scenarios, @WORK@ is the work folder (the program's start-up directory),
# @EXE@ the program, @SHOTS@ the screenshot folder, @BUILD@ the program's folder,
# @OPENED@ the file in which the prefix's stand-in browser
# (tests/e2e/driver/recorder.cpp) notes each page it opened, and @SMALL@ a
# small file system holding temp.bmp (a copy of one.bmp) and full to the last
# byte (a scenario that uses it is skipped where none can be mounted: root only),
# @CP@ the code page, @LEGACY@ a name as an older version wrote it in that code
# page's bytes (in the \xHH escapes of the driver) and @LEGACY_NAME@ the same
# name as the user sees it.
#
# Runs the Windows build this machine runs (scripts/harness.sh; build/win32,
# or build/win64 where 32-bit programs cannot run; VELLUMERE_E2E_BUILD names
# another folder). Uses its own Wine prefix (build/e2e/wine) and its own Xvfb
# display; every Wine process of that prefix is stopped after each scenario
# and at the end. Screenshots are kept in build/e2e/screenshots/.
set -uo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
cd "$ROOT"
OUT="$ROOT/build/e2e"
export WINEPREFIX="$OUT/wine"
. "$ROOT/scripts/harness.sh"
BUILD="${VELLUMERE_E2E_BUILD:-$ROOT/build/$VELLUMERE_WIN_BUILD}"
WORK="$OUT/work"
SHOTS="$OUT/screenshots"
DESKTOP="vellumere-e2e"
SCENARIO_TIMEOUT="${VELLUMERE_E2E_TIMEOUT:-120}"
CODEPAGE="${VELLUMERE_E2E_CODEPAGE:-1252}"
case "$CODEPAGE" in
1252 | 932) ;;
*)
    echo "e2e: code page $CODEPAGE: only 1252 and 932 are prepared" >&2
    exit 1
    ;;
esac

exe="$BUILD/Vellumere.exe"
if [ ! -f "$exe" ]; then
    echo "e2e: $exe does not exist; build the ${BUILD##*/} preset first" >&2
    exit 1
fi
[ -z "$VELLUMERE_WIN_NOTE" ] || echo "e2e: the 64-bit program (${BUILD#"$ROOT"/}): $VELLUMERE_WIN_NOTE"
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
wine_tool reg add "HKCU\\Software\\Wine\\Explorer\\Desktops\\$DESKTOP" /v EnableShell /t REG_DWORD /d 1 /f \
    >/dev/null 2>&1
# Web pages open with the recorder, which notes what it was asked to open.
# (The prefix has no browser: Wine's own is left out with its HTML engine.)
wine_tool reg add 'HKCR\.html' /ve /d VellumereE2E.page /f >/dev/null 2>&1
wine_tool reg add 'HKCR\VellumereE2E.page\shell\open\command' /ve /d "\"$(winpath "$recorder")\" \"%1\"" /f \
    >/dev/null 2>&1

xvfb_start 1024x768x24 || exit 1

rm -rf "$WORK"
python3 "$ROOT/tests/e2e/make_data.py" "$WORK" || exit 1

# The bundled samples, with what the converter (the same picture code, built
# natively) makes of each: the program's temporary bitmap must match it.
find_converter || exit 1
mkdir -p "$WORK/formats"
for sample in "$ROOT"/samples/*; do
    name="$(basename "$sample")"
    cp "$sample" "$WORK/formats/$name"
    "${CONVERT[@]}" "$sample" "$WORK/formats/$name.bmp" || exit 1
done

KEY='HKCU\Software\Quorvath\Vellumere\1.3'
DESKTOP_KEY='HKCU\Control Panel\Desktop'

# A REG_SZ value as the registry holds it, in UTF-8; empty when the value or
# its key is absent. (`reg query` prints through the console's code page,
# which turns every character outside it into "?"; regedit exports UTF-16.)
reg_text() { # KEY NAME
    local file="$OUT/value.reg"
    rm -f "$file"
    wine_tool regedit /E "$(winpath "$file")" "HKEY_CURRENT_USER\\${1#HKCU\\}" >/dev/null 2>&1
    python3 - "$file" "$1" "$2" <<'PY'
import sys
try:
    lines = open(sys.argv[1], 'rb').read().decode('utf-16').splitlines()
except OSError:
    sys.exit(0)
section = '[HKEY_CURRENT_USER\\' + sys.argv[2].split('\\', 1)[1] + ']'
start = '"' + sys.argv[3].replace('\\', '\\\\').replace('"', '\\"') + '"="'
inside = False
for line in lines:
    if line.startswith('['):
        inside = line == section
    elif inside and line.startswith(start) and line.endswith('"'):
        print(line[len(start):-1].replace('\\"', '"').replace('\\\\', '\\'))
PY
}

# The checks made from outside Wine after a scenario passed, from
# tests/e2e/expected/SCENARIO.txt, one a line (@WORK@ is the work folder,
# @WORK_WIN@ the same as Windows sees it):
#     reg NAME = VALUE       a value of the program's key
#     desktop NAME = VALUE   a value of HKCU\Control Panel\Desktop
#     same FILE FILE         two files byte for byte
#     larger FILE BYTES      a file longer than that
#     position SHAPE FILE    a scaled bitmap of that shape (check_position.py)
#     run CODE SWITCH LINE   the program started from this shell with SWITCH (no
#                            copy runs now) exits with CODE; LINE is the first line
#                            of what it wrote to its standard output and error
after_scenario() {
    local expect="$ROOT/tests/e2e/expected/$1.txt" verb rest a b code first
    [ -f "$expect" ] || return 0
    while read -r verb rest; do
        rest="${rest//@WORK_WIN@/$(winpath "$WORK")}"
        rest="${rest//@WORK@/$WORK}"
        read -r a b <<<"$rest"
        case "$verb" in
        reg | desktop)
            [[ "$rest" =~ ^(.*[^\ ])\ +=\ ?(.*)$ ]] || { fail "unreadable line in ${expect#"$ROOT"/}: $rest"; continue; }
            expect_equal "$verb ${BASH_REMATCH[1]}" \
                "$(reg_text "$([ "$verb" = reg ] && echo "$KEY" || echo "$DESKTOP_KEY")" "${BASH_REMATCH[1]}")" \
                "${BASH_REMATCH[2]}"
            ;;
        same) cmp -s "$a" "$b" && ok "${a##*/} is ${b##*/} byte for byte" || fail "${a##*/} differs from ${b##*/}" ;;
        larger)
            local size
            size="$(stat -c %s "$a" 2>/dev/null || echo 0)"
            [ "$size" -gt "$b" ] && ok "${a##*/} holds $size bytes" || fail "${a##*/} holds $size bytes, not above $b"
            ;;
        position) python3 "$ROOT/tests/e2e/check_position.py" "$a" "$b" && ok "${b##*/}" || fail "${b##*/}" ;;
        run)
            read -r a b first <<<"$rest"
            (cd "$WORK" && wine_exe "$exe" "$b" >"$OUT/run.out" 2>&1 </dev/null)
            code=$?
            expect_equal "exit code of $b from the shell" "$code" "$a"
            expect_equal "first line written by $b" "$(head -n 1 "$OUT/run.out" | tr -d '\r')" "$first"
            wine_stop
            ;;
        *) fail "unknown check in ${expect#"$ROOT"/}: $verb" ;;
        esac
    done <"$expect"
}

SMALL="$OUT/small-drive"
mkdir -p "$SMALL"
small_drive=0
if [ "$(id -u)" = 0 ] && mount -t tmpfs -o size=256k tmpfs "$SMALL" 2>/dev/null; then
    small_drive=1
    on_exit "umount '$SMALL' 2>/dev/null || umount -l '$SMALL'"
fi
fill_small_drive() {
    rm -rf "${SMALL:?}"/*
    cp "$WORK/one.bmp" "$SMALL/temp.bmp"
    dd if=/dev/zero of="$SMALL/filler" bs=4k 2>/dev/null
    dd if=/dev/zero of="$SMALL/filler-tail" bs=1 2>/dev/null
}

# The Japanese code page comes from a locale of our own, as in the unit tests'
# run in it (no system locale needs configuring).
LOCALES="$OUT/locale"
japanese_locale() {
    [ -d "$LOCALES/ja_JP.UTF-8" ] || { mkdir -p "$LOCALES" && localedef -i ja_JP -f UTF-8 "$LOCALES/ja_JP.UTF-8"; }
}

# The program's environment in a code page: VAR=VALUE words for env (none
# for 1252, Wine's choice in this machine's locale).
codepage_environment() { # CODEPAGE
    [ "$1" != 932 ] || echo "LOCPATH=$LOCALES LC_ALL=ja_JP.UTF-8"
}

scenarios=("$@")
[ "${#scenarios[@]}" -gt 0 ] || scenarios=("$ROOT"/tests/e2e/scenarios/*.txt)
# The whole stage: the scenarios that ask for it, again in code page 932.
runs=()
for scenario in "${scenarios[@]}"; do runs+=("$CODEPAGE:$scenario"); done
if [ "$#" -eq 0 ] && [ "$CODEPAGE" = 1252 ]; then
    for scenario in "${scenarios[@]}"; do
        grep -qx '# Also in code page 932.' "$scenario" && runs+=("932:$scenario")
    done
fi
passed=0
skipped=0
failed_names=()
start=$SECONDS
for run in "${runs[@]}"; do
    codepage="${run%%:*}"
    scenario="${run#*:}"
    [ -f "$scenario" ] || scenario="$ROOT/tests/e2e/scenarios/$scenario.txt"
    name="$(basename "$scenario" .txt)"
    [ "$codepage" = 1252 ] || name="$name.cp$codepage"
    if [ "$codepage" = 932 ] && ! japanese_locale >/dev/null 2>&1; then
        echo "-- $name: FAILED (the Japanese locale cannot be built: localedef)"
        failed_names+=("$name")
        continue
    fi
    script="$OUT/$name.script"
    report="$OUT/$name.report"
    text="$(<"$scenario")"
    if [[ "$text" == *@SMALL@* ]]; then
        if [ "$small_drive" -eq 0 ]; then
            echo "-- $name: skipped (no small file system: mounting one needs root)"
            skipped=$((skipped + 1))
            continue
        fi
        fill_small_drive
        text="${text//@SMALL@/"$(script_path "$SMALL")"}"
    fi
    text="${text//@WORK@/"$(script_path "$WORK")"}"
    text="${text//@EXE@/"$(script_path "$exe")"}"
    text="${text//@SHOTS@/"$(script_path "$SHOTS")"}"
    text="${text//@OPENED@/"$(script_path "$opened")"}"
    text="${text//@CP@/$codepage}"
    if [ "$codepage" = 932 ]; then
        text="${text//@LEGACY@/\\x93\\xFA\\x96\\x7B}" # 日本 in Shift JIS
        text="${text//@LEGACY_NAME@/日本}"
    else
        text="${text//@LEGACY@/caf\\xE9}" # café in Windows-1252
        text="${text//@LEGACY_NAME@/café}"
    fi
    printf '%s\n' "${text//@BUILD@/"$(script_path "$BUILD")"}" >"$script"
    rm -f "$report" "$WORK/temp.bmp" "$WORK/list.qx" "$WORK"/{fit,fill,stretch,center,same,span}.bmp "$WORK/help.hlp" "$opened"
    echo "== $name"
    t0=$SECONDS
    # shellcheck disable=SC2046 # the environment's words
    env $(codepage_environment "$codepage") "$VELLUMERE_WINE64" explorer /desktop="$DESKTOP,1024x768" \
        "$(winpath "$driver")" "$(winpath "$script")" "$(winpath "$report")" </dev/null >"$OUT/$name.wine.log" 2>&1 &
    desktop_pid=$!
    wait_for_verdict "$report" "$SCENARIO_TIMEOUT" "$desktop_pid"
    wine_stop
    wait "$desktop_pid" 2>/dev/null
    failures_before=$failures
    grep -q '^RESULT PASS' "$report" && after_scenario "$(basename "$scenario" .txt)"
    if grep -q '^RESULT PASS' "$report" && [ "$failures" -eq "$failures_before" ]; then
        echo "-- $name: passed ($((SECONDS - t0)) s)"
        passed=$((passed + 1))
    else
        show_report "$report"
        echo "-- $name: FAILED ($((SECONDS - t0)) s)"
        failed_names+=("$name")
    fi
done

keep_screenshots "$SHOTS"/*.bmp
echo "screenshots: ${SHOTS#"$ROOT"/}/"
ls "$SHOTS" 2>/dev/null | sed 's/^/  /'
echo "e2e: $passed passed, ${#failed_names[@]} failed, $skipped skipped ($((SECONDS - start)) s)"
for name in "${failed_names[@]}"; do echo "failed: $name"; done
[ "${#failed_names[@]}" -eq 0 ]
