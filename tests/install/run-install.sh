#!/usr/bin/env bash
# The installer and uninstaller under Wine, in a fresh prefix (build/install/wine):
#  1. silent install: the files, the Start-menu shortcut (started in a folder the
#     user can write), the start-up entry and the uninstall entry are there;
#  2. the installed program, started from its shortcut in a virtual desktop on
#     Xvfb with a one-picture image list preset, converts the picture into its
#     temporary bitmap in the shortcut's folder (the place the installer stored
#     for it) and makes it the wallpaper, without asking;
#  3. a silent upgrade while the program runs closes it and starts it again;
#     silent uninstall while it runs: the program is closed and nothing of it
#     is left but the settings key and the temporary bitmap;
#  4. silent install without the start-up entry, then silent uninstall with the
#     settings: nothing is left at all, leftovers of the program's own included;
#  5. into a folder shared with another program: its README.txt and LICENSE.txt
#     are neither replaced nor removed; with the program's file held open, the
#     installer and the uninstaller fail and leave the registration as it was.
# It tries the installer of the build this machine runs (scripts/harness.sh):
# the 32-bit one, or the x64 one where 32-bit programs cannot run. Every Wine
# process of the prefix is stopped at the end, also on failure.
#
#     tests/install/run-install.sh      (builds the release first: scripts/release.sh)
set -uo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
cd "$ROOT"
OUT="$ROOT/build/install"
DESKTOP="vellumere-install"
export WINEPREFIX="$OUT/wine"
. "$ROOT/scripts/harness.sh"
BUILD="$ROOT/build/$VELLUMERE_WIN_BUILD"

echo "== building the release"
if ! "$ROOT/scripts/release.sh" >"$ROOT/build/release.log" 2>&1; then
    cat "$ROOT/build/release.log"
    echo "install: scripts/release.sh failed"
    exit 1
fi
VERSION="$(cat "$BUILD/version.txt")"
NAME="Vellumere-$VERSION$([ "$VELLUMERE_WIN_BUILD" = win64 ] && echo -x64)"
SETUP="$ROOT/build/release/$NAME-setup.exe"
STAGE="$ROOT/build/release/stage/$NAME"
echo "installer: ${SETUP#"$ROOT"/}${VELLUMERE_WIN_NOTE:+ ($VELLUMERE_WIN_NOTE)}"
# The end-to-end driver, from the same build as the program.
cmake --build "$BUILD" --target e2e-driver >"$OUT.driver-build.log" 2>&1 || {
    cat "$OUT.driver-build.log"
    exit 1
}
driver="$BUILD/tests/e2e-driver.exe"

# A fresh prefix every time: the installer must work on a machine that never saw it.
wineserver -k >/dev/null 2>&1
rm -rf "$OUT"
mkdir -p "$OUT"
wine_prefix_init || exit 1
xvfb_start 1024x768x24 || exit 1

unixpath() { wine_tool winepath -u "$1" 2>/dev/null | tr -d '\r'; }
reg_has_key() { wine_tool reg query "$1" >/dev/null 2>&1; }

LOCAL_WIN="$(wine_tool cmd /c 'echo %LOCALAPPDATA%' 2>/dev/null | tr -d '\r')"
ROAMING_WIN="$(wine_tool cmd /c 'echo %APPDATA%' 2>/dev/null | tr -d '\r')"
INSTDIR_WIN="$LOCAL_WIN\\Programs\\Vellumere"
WORKDIR_WIN="$LOCAL_WIN\\Vellumere"
MENU_WIN="$ROAMING_WIN\\Microsoft\\Windows\\Start Menu\\Programs\\Vellumere"
LINK_WIN="$MENU_WIN\\Vellumere.lnk"
INSTDIR="$(unixpath "$INSTDIR_WIN")"
WORKDIR="$(unixpath "$WORKDIR_WIN")"
LINK="$(unixpath "$LINK_WIN")"
MENU="$(unixpath "$MENU_WIN")"
RUN_KEY='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
UNINSTALL_KEY='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Vellumere'
SETTINGS_KEY='HKCU\Software\Quorvath\Vellumere'
if [ -z "$LOCAL_WIN" ] || [ -z "$INSTDIR" ] || [ -z "$LINK" ]; then
    echo "install: cannot find the prefix's user folders ('$LOCAL_WIN', '$ROAMING_WIN')"
    exit 1
fi
FILES=(Vellumere.exe vellumere-convert.exe vellumere.html README.txt LICENSE.txt Uninstall.exe)

# Processes of this prefix whose command line matches PATTERN (other prefixes
# on the machine may run the same programs).
prefix_pids() {
    local pid
    for pid in $(pgrep -f "$1" 2>/dev/null); do
        tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX" && echo "$pid"
    done
}
program_pids() { prefix_pids 'Programs.Vellumere.Vellumere\.exe'; }

# The NSIS uninstaller copies itself to the temporary folder and returns at once;
# the copy (Au_.exe) does the work. Waits (bounded) until the uninstall entry and
# the program's folder are gone and the copy has ended.
wait_uninstalled() {
    local t0=$SECONDS
    while reg_has_key "$UNINSTALL_KEY" || [ -e "$INSTDIR" ] || [ -n "$(prefix_pids 'Au_\.exe')" ]; do
        [ $((SECONDS - t0)) -ge 60 ] && return 1
        sleep 0.5
    done
    return 0
}

expect_gone() { # the program's traces after an uninstall, settings aside
    local f
    [ -e "$INSTDIR" ] && fail "$INSTDIR_WIN is left: $(ls "$INSTDIR" | tr '\n' ' ')" || ok "the program's folder is gone"
    [ -e "$MENU" ] && fail "the Start-menu folder is left: $(ls "$MENU" | tr '\n' ' ')" ||
        ok "the Start-menu folder is gone"
    expect_equal "Run entry" "$(reg_value "$RUN_KEY" Vellumere)" ""
    reg_has_key "$UNINSTALL_KEY" && fail "the uninstall entry is left" || ok "the uninstall entry is gone"
}

# --- 1. silent install ------------------------------------------------------------
echo "== silent install"
t0=$SECONDS
wine_exe "$SETUP" /S </dev/null >"$OUT/setup.log" 2>&1
echo "  setup exited with $? ($((SECONDS - t0)) s)"
for f in "${FILES[@]}"; do
    [ -f "$INSTDIR/$f" ] && ok "$f installed" || fail "$f is not in $INSTDIR_WIN"
done
cmp -s "$INSTDIR/Vellumere.exe" "$STAGE/Vellumere.exe" && ok "Vellumere.exe is the released one" ||
    fail "the installed Vellumere.exe differs from the released one"
# The shipped program carries its manifest and this version in its resources.
grep -aq 'requestedExecutionLevel level="asInvoker"' "$INSTDIR/Vellumere.exe" &&
    grep -aq 'name="Microsoft.Windows.Common-Controls" version="6.0.0.0"' "$INSTDIR/Vellumere.exe" &&
    ok "Vellumere.exe carries its manifest" || fail "Vellumere.exe has no manifest"
strings -e l "$INSTDIR/Vellumere.exe" | grep -qx "$VERSION" && ok "Vellumere.exe's version information is $VERSION" ||
    fail "Vellumere.exe's version information does not name $VERSION"
if [ -f "$LINK" ]; then
    ok "Start-menu shortcut"
    info="$(python3 "$ROOT/tests/install/lnk_info.py" "$LINK")"
    expect_equal "shortcut target" "$(sed -n 's/^target=//p' <<<"$info")" "$INSTDIR_WIN\\Vellumere.exe"
    expect_equal "shortcut working folder" "$(sed -n 's/^workdir=//p' <<<"$info")" "$WORKDIR_WIN"
    expect_equal "shortcut arguments" "$(sed -n 's/^arguments=//p' <<<"$info")" ""
else
    fail "no Start-menu shortcut $LINK_WIN"
fi
# Shortcuts a user can give a shortcut key, or call from scripts.
for pair in "Next Wallpaper:/next" "Previous Wallpaper:/previous"; do
    if [ -f "$MENU/${pair%%:*}.lnk" ]; then
        info="$(python3 "$ROOT/tests/install/lnk_info.py" "$MENU/${pair%%:*}.lnk")"
        expect_equal "${pair%%:*} target" "$(sed -n 's/^target=//p' <<<"$info")" "$INSTDIR_WIN\\Vellumere.exe"
        expect_equal "${pair%%:*} arguments" "$(sed -n 's/^arguments=//p' <<<"$info")" "${pair#*:}"
        expect_equal "${pair%%:*} working folder" "$(sed -n 's/^workdir=//p' <<<"$info")" "$WORKDIR_WIN"
    else
        fail "no Start-menu shortcut ${pair%%:*}"
    fi
done
[ -d "$WORKDIR" ] && ok "the working folder exists" || fail "no working folder $WORKDIR_WIN"
expect_equal "Run entry" "$(reg_value "$RUN_KEY" Vellumere)" "\"$INSTDIR_WIN\\Vellumere.exe\""
expect_equal "DisplayName" "$(reg_value "$UNINSTALL_KEY" DisplayName)" "Vellumere"
expect_equal "DisplayVersion" "$(reg_value "$UNINSTALL_KEY" DisplayVersion)" "$VERSION"
expect_equal "Publisher" "$(reg_value "$UNINSTALL_KEY" Publisher)" "Quorvath"
expect_equal "UninstallString" "$(reg_value "$UNINSTALL_KEY" UninstallString)" "\"$INSTDIR_WIN\\Uninstall.exe\""
expect_equal "QuietUninstallString" "$(reg_value "$UNINSTALL_KEY" QuietUninstallString)" \
    "\"$INSTDIR_WIN\\Uninstall.exe\" /S"
# Of the program's settings only the temporary bitmap's place: no image list,
# so the first start still opens the options dialog.
expect_equal "TempFilename" "$(reg_value "$SETTINGS_KEY\\1.3" TempFilename)" "$WORKDIR_WIN\\temp.bmp"
[ -z "$(reg_value "$SETTINGS_KEY\\1.3" Files)" ] && ok "no image list yet" || fail "the installer wrote an image list"

# --- 2. the program from its shortcut -----------------------------------------------
echo "== the installed program, started from its shortcut"
# Every Wine program of the prefix joins one virtual desktop with a taskbar.
wine_tool reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d "$DESKTOP" /f >/dev/null 2>&1
wine_tool reg add "HKCU\\Software\\Wine\\Explorer\\Desktops" /v "$DESKTOP" /d 1024x768 /f >/dev/null 2>&1
wine_tool reg add "HKCU\\Software\\Wine\\Explorer\\Desktops\\$DESKTOP" /v EnableShell /t REG_DWORD /d 1 /f >/dev/null 2>&1
# One picture that needs converting: its temporary bitmap goes where the
# installer said, in the working folder, without a question (started from
# the Run entry the program's folder would be the system's).
mkdir -p "$OUT/pictures"
cp "$ROOT/samples/sample.ppm" "$OUT/pictures/sample.ppm"
picture_win="$(winpath "$OUT/pictures/sample.ppm")"
wine_tool reg add 'HKCU\Software\Quorvath\Vellumere\1.3' /v Files /d "$picture_win"$'\a' /f >/dev/null 2>&1
wine_tool reg add 'HKCU\Software\Quorvath\Vellumere\1.3' /v Time /d 0 /f >/dev/null 2>&1
temp_win="$WORKDIR_WIN\\temp.bmp"
esc() { printf '%s' "${1//\\/\\\\}"; } # backslashes doubled for the driver's script
cat >"$OUT/program.script" <<EOF
wallpaper-expect "$(esc "$temp_win")" 60000
expect-no-box Vellumere 500
expect-tray-icon 1
snap "$(esc "$(winpath "$OUT/installed-program.bmp")")"
EOF
wine_exe "$driver" "$(winpath "$OUT/program.script")" "$(winpath "$OUT/program.report")" \
    </dev/null >"$OUT/driver.log" 2>&1 &
driver_pid=$!
sleep 1
wine_tool start "$LINK_WIN" </dev/null >"$OUT/start.log" 2>&1
if wait_for_verdict "$OUT/program.report" 90 "$driver_pid" && grep -q '^RESULT PASS' "$OUT/program.report"; then
    ok "the program started from its shortcut and set the wallpaper through the temporary bitmap"
else
    show_report "$OUT/program.report"
    fail "the program from its shortcut"
fi
expect_equal "desktop Wallpaper" "$(reg_value 'HKCU\Control Panel\Desktop' Wallpaper)" "$temp_win"
expect_equal "TempFilename" "$(reg_value 'HKCU\Software\Quorvath\Vellumere\1.3' TempFilename)" "$temp_win"
[ "$(head -c 2 "$WORKDIR/temp.bmp" 2>/dev/null)" = BM ] && ok "temp.bmp is a bitmap in the working folder" ||
    fail "no temp.bmp in $WORKDIR_WIN"
keep_screenshots "$OUT/installed-program.bmp"
[ -n "$(program_pids)" ] && ok "the program runs" || fail "the program does not run"
echo "== the Start menu's Next Wallpaper while the program runs"
wine_tool reg add 'HKCU\Control Panel\Desktop' /v Wallpaper /d 'Z:\sentinel.bmp' /f >/dev/null 2>&1
wine_tool start "$MENU_WIN\\Next Wallpaper.lnk" </dev/null >"$OUT/next.log" 2>&1
t0=$SECONDS
while [ "$(reg_value 'HKCU\Control Panel\Desktop' Wallpaper)" != "$temp_win" ] && [ $((SECONDS - t0)) -lt 30 ]; do
    sleep 0.5
done
expect_equal "desktop Wallpaper after Next Wallpaper" "$(reg_value 'HKCU\Control Panel\Desktop' Wallpaper)" "$temp_win"
sleep 2
expect_equal "copies running after Next Wallpaper" "$(program_pids | wc -l)" 1

# --- 3. silent upgrade and uninstall, settings kept ---------------------------------
echo "== silent upgrade while the program runs"
before="$(program_pids)"
wine_exe "$SETUP" /S </dev/null >"$OUT/upgrade.log" 2>&1
expect_equal "upgrade's exit code" "$?" 0
after="$(program_pids)"
[ -n "$after" ] && [ "$after" != "$before" ] && ok "the program was closed and started again" ||
    fail "the program was not started again (before: '$before', after: '$after')"
echo "== silent uninstall while the program runs"
"$(wine_loader "$INSTDIR/Uninstall.exe")" "$INSTDIR_WIN\\Uninstall.exe" /S </dev/null >"$OUT/uninstall.log" 2>&1
wait_uninstalled || fail "the uninstaller did not finish within 60 s"
[ -z "$(program_pids)" ] && ok "the program was closed" || fail "the program still runs"
expect_gone
reg_has_key "$SETTINGS_KEY" && ok "the settings are kept" || fail "the settings were removed unasked"
[ -f "$WORKDIR/temp.bmp" ] && ok "the temporary bitmap is kept with them" || fail "temp.bmp was removed unasked"

# --- 4. without the start-up entry; uninstall with the settings ---------------------
echo "== silent install without the start-up entry, silent uninstall with the settings"
wine_exe "$SETUP" /S /NOAUTOSTART </dev/null >"$OUT/setup2.log" 2>&1
[ -f "$INSTDIR/Vellumere.exe" ] && ok "installed again" || fail "not installed again"
expect_equal "Run entry with /NOAUTOSTART" "$(reg_value "$RUN_KEY" Vellumere)" ""
# What the program leaves in its folder: a shuffled round, a copy not yet in place.
touch "$WORKDIR/ImageList.qx.round" "$WORKDIR/temp.bmp.tmp" "$WORKDIR/ImageList.qx.tmp"
"$(wine_loader "$INSTDIR/Uninstall.exe")" "$INSTDIR_WIN\\Uninstall.exe" /S /REMOVESETTINGS </dev/null >"$OUT/uninstall2.log" 2>&1
wait_uninstalled || fail "the uninstaller did not finish within 60 s"
expect_gone
reg_has_key "$SETTINGS_KEY" && fail "the settings key is left" || ok "the settings key is gone"
reg_has_key 'HKCU\Software\Quorvath' && fail "HKCU\\Software\\Quorvath is left" || ok "no Quorvath key is left"
[ -e "$WORKDIR" ] && fail "$WORKDIR_WIN is left: $(ls "$WORKDIR" | tr '\n' ' ')" || ok "the working folder is gone"

# --- 5. a shared folder, a file held open ---------------------------------------------
echo "== a folder shared with another program, and a file held open"
SHARED="$OUT/shared"
SHARED_WIN="$(winpath "$SHARED")"
mkdir -p "$SHARED"
echo "another program's readme" >"$SHARED/README.txt"
echo "another program's licence" >"$SHARED/LICENSE.txt"
cp "$SHARED/README.txt" "$SHARED/LICENSE.txt" "$OUT/"
wine_exe "$SETUP" /S "/D=$SHARED_WIN" </dev/null >"$OUT/setup3.log" 2>&1
expect_equal "install into the shared folder: exit code" "$?" 0
[ -f "$SHARED/Vellumere.exe" ] && ok "installed into the shared folder" || fail "not installed into $SHARED_WIN"
cmp -s "$SHARED/README.txt" "$OUT/README.txt" && cmp -s "$SHARED/LICENSE.txt" "$OUT/LICENSE.txt" &&
    ok "the other program's README.txt and LICENSE.txt are kept" || fail "the other program's files were replaced"
# An older version registered, and its program held open by another process.
wine_tool reg add "$UNINSTALL_KEY" /v DisplayVersion /d 0.9.0 /f >/dev/null 2>&1
printf 'file-hold "%s"\nsleep 60000\n' "$(esc "$SHARED_WIN\\Vellumere.exe")" >"$OUT/hold.script"
wine_exe "$driver" "$(winpath "$OUT/hold.script")" "$(winpath "$OUT/hold.report")" </dev/null >/dev/null 2>&1 &
holder=$!
sleep 3
wine_exe "$SETUP" /S "/D=$SHARED_WIN" </dev/null >"$OUT/setup4.log" 2>&1
rc=$?
[ "$rc" -ne 0 ] && ok "install over a file held open: exit $rc" || fail "install over a file held open: exit 0"
expect_equal "DisplayVersion after the failed install" "$(reg_value "$UNINSTALL_KEY" DisplayVersion)" 0.9.0
# In place (_?=), so that its own exit code is the uninstaller's.
"$(wine_loader "$SHARED/Uninstall.exe")" "$SHARED_WIN\\Uninstall.exe" /S "_?=$SHARED_WIN" </dev/null >"$OUT/uninstall3.log" 2>&1
rc=$?
[ "$rc" -ne 0 ] && ok "uninstall with a file held open: exit $rc" || fail "uninstall with a file held open: exit 0"
reg_has_key "$UNINSTALL_KEY" && ok "the uninstall entry is kept" || fail "the uninstall entry is gone"
kill $(prefix_pids 'hold\.script') 2>/dev/null
wait "$holder" 2>/dev/null
"$(wine_loader "$SHARED/Uninstall.exe")" "$SHARED_WIN\\Uninstall.exe" /S "_?=$SHARED_WIN" </dev/null >"$OUT/uninstall4.log" 2>&1
expect_equal "uninstall once the file is free: exit code" "$?" 0
reg_has_key "$UNINSTALL_KEY" && fail "the uninstall entry is left" || ok "the uninstall entry is gone"
[ -e "$SHARED/Vellumere.exe" ] && fail "Vellumere.exe is left" || ok "Vellumere.exe is removed"
cmp -s "$SHARED/README.txt" "$OUT/README.txt" && cmp -s "$SHARED/LICENSE.txt" "$OUT/LICENSE.txt" &&
    ok "the other program's README.txt and LICENSE.txt are still there" || fail "the other program's files were removed"

checks_done "install"
