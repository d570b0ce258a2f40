#!/usr/bin/env bash
# Builds everything and runs the program.
#
# When the Windows program has been built (build/win32/Vellumere.exe), it
# starts under Wine in a virtual desktop, in the prefix build/wine. With no
# display it runs on its own Xvfb display instead, takes a screenshot of the
# desktop into build/run-screenshot.png and stops.
# Otherwise (or with --convert) it converts every picture in samples/ with
# the native vellumere-convert into build/samples-out/.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$ROOT"
JOBS="${JOBS:-2}"

mode=auto
case "${1:-}" in
    --convert) mode=convert ;;
    "") ;;
    *) echo "usage: scripts/run.sh [--convert]" >&2; exit 2 ;;
esac

"$ROOT/scripts/bootstrap.sh"

# build_preset PRESET [cmake --build options]
build_preset() {
    local preset="$1"; shift
    cmake --preset "$preset" --log-level=WARNING >"$ROOT/build/configure-$preset.log" 2>&1 \
        || { cat "$ROOT/build/configure-$preset.log"; exit 1; }
    cmake --build --preset "$preset" -j "$JOBS" "$@"
}

mkdir -p build
echo "== building the converter (native-release)"
build_preset native-release --target vellumere-convert
if [ "$mode" != convert ]; then
    echo "== building the Windows program (win32)"
    "$ROOT/scripts/build-deps.sh" i686
    build_preset win32
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

exe="$ROOT/build/win32/Vellumere.exe"
if [ "$mode" = convert ] || [ ! -f "$exe" ]; then
    convert_samples
    exit
fi

. "$ROOT/scripts/wine-env.sh"
wine_prefix_init
desktop="Vellumere,1024x768"
if [ -n "${DISPLAY:-}" ]; then
    echo "== starting Vellumere under Wine (quit it from its options dialog)"
    exec wine explorer /desktop="$desktop" "$exe"
fi

echo "== no display: running Vellumere on Xvfb for a screenshot"
xvfb_start
on_exit wine_stop
wine explorer /desktop="$desktop" "$exe" </dev/null >/dev/null 2>&1 &
sleep "${VELLUMERE_RUN_SECONDS:-15}"
shot="$ROOT/build/run-screenshot.png"
import -window root "$shot"
echo "screenshot: ${shot#"$ROOT"/}"
