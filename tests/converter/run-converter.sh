#!/usr/bin/env bash
# The converter's command-line contract: every bundled sample converts to a
# well-formed bitmap (exit 0), a bitmap is passed through unchanged, a usage
# error exits 2, a picture that cannot be used or an output that cannot be
# written exits 1 with the program's own message on standard error (the
# table in tests/converter/expected/), and --fit, --fill and --stretch give
# the screen's size. Runs the native converter, then the Windows one of the
# build this machine runs under Wine (VELLUMERE_REFERENCE_WINE=0 skips it).
set -uo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
. "$ROOT/scripts/harness.sh"
find_converter || exit 1
WORK="$ROOT/build/converter-tests"
rm -rf "$WORK"
mkdir -p "$WORK"

# Little-endian field of a file: le FILE OFFSET SIZE
le() {
    od -An -t u"$3" -j "$2" -N "$3" --endian=little "$1" | tr -d ' '
}

# A written bitmap: "BM", the size field equal to the file's length, the
# 40-byte information header, 8 or 24 bits, uncompressed, and the length the
# dimensions call for.
check_bitmap() {
    local info
    if info="$(python3 "$ROOT/scripts/bitmap.py" check "$1")"; then ok "$2: $info"; else fail "$2: $info"; fi
}

# 1. Every bundled sample picture.
count=0
for sample in "$ROOT"/samples/*; do
    [ -f "$sample" ] || continue
    name="$(basename "$sample")"
    out="$WORK/$name.bmp"
    "${CONVERT[@]}" "$sample" "$out" 2>"$WORK/$name.err"
    rc=$?
    count=$((count + 1))
    if [ "$rc" -ne 0 ]; then
        if [ -s "$WORK/$name.err" ]; then
            fail "samples/$name: exit $rc: $(head -c 300 "$WORK/$name.err")"
        else
            # Every reader explains a failure; silence means no reader ran
            # (a placeholder linked in its place).
            fail "samples/$name: exit $rc without any message"
        fi
        continue
    fi
    check_bitmap "$out" "samples/$name"
    if [ -s "$WORK/$name.err" ]; then
        fail "samples/$name: messages on a good picture: $(head -c 300 "$WORK/$name.err")"
    fi
done
[ "$count" -gt 0 ] || fail "no sample pictures in samples/"

# 2. A bitmap is used as it is: copied byte for byte.
first_bmp="$(ls "$WORK"/*.bmp 2>/dev/null | head -n 1)"
if [ -n "$first_bmp" ]; then
    if "${CONVERT[@]}" "$first_bmp" "$WORK/copy.bmp" 2>"$WORK/copy.err" && cmp -s "$first_bmp" "$WORK/copy.bmp"; then
        ok "a BMP input is copied unchanged"
    else
        fail "a BMP input is not copied unchanged"
    fi
fi

make_ppm() {  # make_ppm FILE WIDTH HEIGHT: a P6 picture with varied samples
    python3 "$ROOT/scripts/bitmap.py" make-ppm "$@"
}

# 3. The answers of tests/converter/expected/: usage errors (exit 2), pictures
# that cannot be used and outputs that cannot be written (exit 1, exactly the
# program's message), pictures named in any script.
make_ppm "$WORK/large.ppm" 300 300
# Names in Greek, Chinese and with an emoji, given and shown as UTF-8.
cp "$ROOT/samples/sample.png" "$WORK/Φωτο 照片 🌄.png"
for expect in "$ROOT"/tests/converter/expected/*.txt; do
    name="$(basename "$expect" .txt)"
    case "$name" in *.win32 | *.win64) continue ;; esac
    check_expected "$name" "$expect"
done

# 4. Scaled to a screen: 24 bits at the screen's size whatever the picture,
# and fit's bars (here above and below) in the colour given.
for sample in sample.gif sample.jpg; do
    for mode in fit fill stretch; do
        out="$WORK/$sample-$mode.bmp"
        "${CONVERT[@]}" --$mode 64x64 --background 102030 "$ROOT/samples/$sample" "$out" 2>"$WORK/scaled.err"
        rc=$?
        what="--$mode 64x64 samples/$sample"
        if [ "$rc" -ne 0 ] || [ -s "$WORK/scaled.err" ]; then
            fail "$what: exit $rc, stderr '$(head -c 200 "$WORK/scaled.err")'"
            continue
        fi
        size="$(le "$out" 18 4)x$(le "$out" 22 4) $(le "$out" 28 2)-bit"
        [ "$size" = "64x64 24-bit" ] || { fail "$what: $size"; continue; }
        corner="$(od -An -tx1 -j 54 -N 3 "$out" | tr -d ' ')"
        if [ "$mode" = fit ] && [ "$corner" != 302010 ]; then
            fail "$what: bottom-left pixel $corner, not the background 302010 (blue, green, red)"
        elif [ "$mode" != fit ] && [ "$corner" = 302010 ]; then
            fail "$what: bottom-left pixel in the background colour"
        else
            ok "$what: $size, bottom-left $corner"
        fi
    done
done

# 5. The output is never the input, however it is spelled: exit 1, a message,
# the file untouched.
mkdir -p "$WORK/same/sub"
cp "$ROOT/samples/sample.png" "$WORK/same/picture.png"
if [ -n "$first_bmp" ]; then cp "$first_bmp" "$WORK/same/picture.bmp"; fi
ln -f "$WORK/same/picture.png" "$WORK/same/linked.png"
# same_case WHAT INPUT OUTPUT: both paths as seen from $WORK/same.
same_case() {
    local what="$1" input="$2" output="$3" file
    case "$input" in /*) file="$input" ;; *) file="$WORK/same/$input" ;; esac
    [ -f "$file" ] || { fail "onto itself ($what): no input $input"; return; }
    cp "$file" "$WORK/same.before"
    (cd "$WORK/same" && "${CONVERT[@]}" "$input" "$output") 2>"$WORK/same.err"
    local rc=$?
    if [ "$rc" -eq 1 ] && grep -q 'is the input file' "$WORK/same.err" &&
        cmp -s "$file" "$WORK/same.before"; then
        ok "onto itself ($what): exit 1, input kept byte for byte"
    else
        fail "onto itself ($what): exit $rc, stderr '$(head -c 200 "$WORK/same.err")'$(cmp -s "$file" "$WORK/same.before" || echo ', input changed')"
    fi
}
same_case "png, same path" picture.png picture.png
same_case "bmp, same path" picture.bmp picture.bmp
same_case "png, absolute and relative" "$WORK/same/picture.png" ./sub/../picture.png
same_case "bmp, other spelling" picture.bmp "sub/.././picture.bmp"
same_case "png, hard link" picture.png linked.png

# 6. A write that fails while writing (a large file) or only when the file is
# closed (a small one) exits 1 (/dev/full in the table above); on a 64 KiB
# file system too where one can be mounted (it needs root): the first case
# on an empty one, the others full to the last byte.
FULL="$WORK/full"
mkdir -p "$FULL"
if [ "$(id -u)" = 0 ] && mount -t tmpfs -o size=64k tmpfs "$FULL" 2>"$WORK/mount.err"; then
    for expect in "$ROOT"/tests/converter/expected/full-fs/*.txt; do
        check_expected "full file system, $(basename "$expect" .txt)" "$expect"
        rm -f "$FULL"/*
        dd if=/dev/zero of="$FULL/filler" bs=1k count=128 2>/dev/null
    done
    umount "$FULL" 2>/dev/null || umount -l "$FULL"
else
    echo "note: no small file system mounted ($(head -c 200 "$WORK/mount.err" 2>/dev/null)); /dev/full only"
fi

# 7. Rows far wider than any buffer, and more rows than 16 bits count, come
# out whole: the pixel data is the picture's rows bottom-up, in blue, green,
# red order, each padded to a multiple of four bytes.
wide_case() {
    local width="$1" height="$2" name="wide-$1x$2"
    make_ppm "$WORK/$name.ppm" "$width" "$height"
    python3 "$ROOT/scripts/bitmap.py" rows "$WORK/$name.ppm" "$WORK/$name.expected" "$width" "$height"
    "${CONVERT[@]}" "$WORK/$name.ppm" "$WORK/$name.bmp" 2>"$WORK/$name.err"
    local rc=$?
    if [ "$rc" -ne 0 ]; then
        fail "${width}x$height picture: exit $rc, stderr '$(head -c 200 "$WORK/$name.err")'"
        return
    fi
    check_bitmap "$WORK/$name.bmp" "${width}x$height picture"
    if tail -c +55 "$WORK/$name.bmp" | cmp -s - "$WORK/$name.expected"; then
        ok "${width}x$height picture: every pixel in place"
    else
        fail "${width}x$height picture: pixel data differs"
    fi
}
wide_case 300000 1
wide_case 300001 2
wide_case 1 70000

checks_done "converter checks (${CONVERT[-1]#"$ROOT"/})"
status=$?
again_under_wine "$0" || status=1
exit "$status"
