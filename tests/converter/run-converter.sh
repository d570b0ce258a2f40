#!/usr/bin/env bash
# The converter's command-line contract: every bundled sample converts to a
# well-formed bitmap (exit 0), a bitmap is passed through unchanged, a usage
# error exits 2, a picture that cannot be used exits 1 with the program's
# own message on standard error, and --fit, --fill and --stretch give the
# screen's size. Runs the native converter and, when it is built, the 32-bit
# Windows one under Wine (VELLUMERE_REFERENCE_WINE=0 skips it).
set -uo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
. "$ROOT/tests/converter/converter.sh"
find_converter "$ROOT" || exit 1
WORK="$ROOT/build/converter-tests"
rm -rf "$WORK"
mkdir -p "$WORK"

failures=0
checks=0
ok() { checks=$((checks + 1)); printf 'ok   %s\n' "$*"; }
fail() { checks=$((checks + 1)); failures=$((failures + 1)); printf 'FAIL %s\n' "$*"; }

# Little-endian field of a file: le FILE OFFSET SIZE
le() {
    od -An -t u"$3" -j "$2" -N "$3" --endian=little "$1" | tr -d ' '
}

# A written bitmap: "BM", the size field equal to the file's length, the
# 40-byte information header, 8 or 24 bits, uncompressed, and the length the
# dimensions call for.
check_bitmap() {
    local bmp="$1" what="$2"
    [ -s "$bmp" ] || { fail "$what: no bitmap written"; return; }
    local magic size actual header width height bits compression offset bpp stride
    magic="$(head -c 2 "$bmp")"
    size="$(le "$bmp" 2 4)"
    actual="$(stat -c %s "$bmp")"
    header="$(le "$bmp" 14 4)"
    width="$(le "$bmp" 18 4)"
    height="$(le "$bmp" 22 4)"
    bits="$(le "$bmp" 28 2)"
    compression="$(le "$bmp" 30 4)"
    offset="$(le "$bmp" 10 4)"
    if [ "$magic" != BM ] || [ "$header" != 40 ] || [ "$compression" != 0 ]; then
        fail "$what: not an uncompressed BMP (magic '$magic', header $header, compression $compression)"
        return
    fi
    case "$bits" in
        8) bpp=1; [ "$offset" = 1078 ] || { fail "$what: 8-bit data offset $offset"; return; } ;;
        24) bpp=3; [ "$offset" = 54 ] || { fail "$what: 24-bit data offset $offset"; return; } ;;
        *) fail "$what: $bits bits per pixel"; return ;;
    esac
    stride=$(((width * bpp + 3) / 4 * 4))
    if [ "$size" != "$actual" ] || [ "$actual" -ne $((offset + height * stride)) ]; then
        fail "$what: ${width}x$height $bits-bit, size field $size, file $actual bytes, expected $((offset + height * stride))"
        return
    fi
    if [ "$width" -le 0 ] || [ "$height" -le 0 ]; then
        fail "$what: empty picture ${width}x$height"
        return
    fi
    ok "$what: ${width}x$height, $bits-bit"
}

# 1. Every bundled sample picture.
count=0
for sample in "$ROOT"/samples/*; do
    [ -f "$sample" ] || continue
    name="$(basename "$sample")"
    out="$WORK/$name.bmp"
    "$CONVERT" "$sample" "$out" 2>"$WORK/$name.err"
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
    if "$CONVERT" "$first_bmp" "$WORK/copy.bmp" 2>"$WORK/copy.err" && cmp -s "$first_bmp" "$WORK/copy.bmp"; then
        ok "a BMP input is copied unchanged"
    else
        fail "a BMP input is not copied unchanged"
    fi
fi

# 3. Usage errors: exit 2, a usage line, nothing written.
usage_case() {
    local what="$1"; shift
    (cd "$WORK" && "$CONVERT" "$@" >"$WORK/usage.out" 2>"$WORK/usage.err")
    local rc=$?
    if [ "$rc" -eq 2 ] && grep -q usage "$WORK/usage.err"; then
        ok "usage error ($what): exit 2"
    else
        fail "usage error ($what): exit $rc, stderr '$(head -c 200 "$WORK/usage.err")'"
    fi
}
usage_case "no arguments"
usage_case "one argument" "$ROOT/samples/$(ls "$ROOT/samples" | head -n 1)"
usage_case "three arguments" a b c
usage_case "--info alone" --info
usage_case "--info with one path" --info a
usage_case "--fit without a size" --fit a b
usage_case "a screen without columns" --fill 0x10 a b
usage_case "two positions" --fit 4x4 --stretch 4x4 a b
usage_case "a colour of five digits" --background 12345 a b

# 4. Pictures that cannot be used: exit 1, exactly the program's message.
unsupported_case() {
    local what="$1" input="$2"
    local out="$WORK/unsupported.bmp"
    rm -f "$out"
    "$CONVERT" "$input" "$out" >"$WORK/unsupported.out" 2>"$WORK/unsupported.err"
    local rc=$?
    local expected="Vellumere Error: Unsupported file format for file \"$input\"."
    if [ "$rc" -eq 1 ] && [ "$(cat "$WORK/unsupported.err")" = "$expected" ] && [ ! -e "$out" ]; then
        ok "unsupported ($what): exit 1, one message line, no output"
    else
        fail "unsupported ($what): exit $rc, stderr '$(head -c 300 "$WORK/unsupported.err")', expected '$expected'$([ -e "$out" ] && echo ', output written')"
    fi
}
printf 'hello, this is not a picture\n' >"$WORK/text.txt"
unsupported_case "text file" "$WORK/text.txt"
# Grey maps share the pixmaps' header but have no reader.
printf 'P5\n2 2\n255\n\001\002\003\004' >"$WORK/grey.pgm"
unsupported_case "binary grey map P5" "$WORK/grey.pgm"
printf 'P2\n2 2\n255\n1 2 3 4\n' >"$WORK/grey-text.pgm"
unsupported_case "text grey map P2" "$WORK/grey-text.pgm"
# Paths with blanks reach the message as they are.
cp "$WORK/text.txt" "$WORK/not a picture.dat"
unsupported_case "path with blanks" "$WORK/not a picture.dat"

# 5. Other failures exit 1 too.
"$CONVERT" "$WORK/does-not-exist.png" "$WORK/x.bmp" 2>"$WORK/missing.err"
rc=$?
if [ "$rc" -eq 1 ] && [ -s "$WORK/missing.err" ]; then
    ok "missing input: exit 1 with a message"
else
    fail "missing input: exit $rc"
fi
first_sample="$(ls "$ROOT"/samples/* | head -n 1)"
"$CONVERT" "$first_sample" "$WORK" 2>"$WORK/unwritable.err"
rc=$?
if [ "$rc" -eq 1 ] && [ "$(cat "$WORK/unwritable.err")" = "BMP Writer: Unable to open file for writing." ]; then
    ok "unwritable output: exit 1, \"BMP Writer: Unable to open file for writing.\""
else
    fail "unwritable output: exit $rc, stderr '$(head -c 200 "$WORK/unwritable.err")'"
fi

# 6. Scaled to a screen: 24 bits at the screen's size whatever the picture,
# and fit's bars (here above and below) in the colour given.
for sample in sample.gif sample.jpg; do
    for mode in fit fill stretch; do
        out="$WORK/$sample-$mode.bmp"
        "$CONVERT" --$mode 64x64 --background 102030 "$ROOT/samples/$sample" "$out" 2>"$WORK/scaled.err"
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

# 7. The output is never the input, however it is spelled: exit 1, a message,
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
    (cd "$WORK/same" && "$CONVERT" "$input" "$output") 2>"$WORK/same.err"
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

# 8. A failed write exits 1, whether it fails while writing (a large file) or
# only when the file is closed (a small one). /dev/full always; a 64 KiB
# file system as well where one can be mounted (it needs root).
make_ppm() {  # make_ppm FILE WIDTH HEIGHT: a P6 picture with varied samples
    python3 - "$@" <<'PY'
import sys
path, w, h = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
data = bytes((i * 7 + (i >> 9) * 3) & 255 for i in range(w * h * 3))
with open(path, "wb") as f:
    f.write(b"P6\n%d %d\n255\n" % (w, h) + data)
PY
}
make_ppm "$WORK/large.ppm" 300 300
full_case() {
    local what="$1" input="$2" output="$3" expected="${4:-}"
    "$CONVERT" "$input" "$output" 2>"$WORK/full.err"
    local rc=$?
    if [ "$rc" -eq 1 ] && [ -s "$WORK/full.err" ] &&
        { [ -z "$expected" ] || [ "$(cat "$WORK/full.err")" = "$expected" ]; }; then
        ok "full device ($what): exit 1 with a message"
    else
        fail "full device ($what): exit $rc, stderr '$(head -c 200 "$WORK/full.err")'"
    fi
}
written_message="BMP Writer: Unable to write file; the bitmap is incomplete."
if [ -e /dev/full ]; then
    full_case "/dev/full, small picture" "$ROOT/samples/sample.png" /dev/full "$written_message"
    full_case "/dev/full, large picture" "$WORK/large.ppm" /dev/full "$written_message"
    [ -n "$first_bmp" ] && full_case "/dev/full, bitmap copied" "$first_bmp" /dev/full
else
    fail "full device: /dev/full is missing"
fi
FULL="$WORK/full"
mkdir -p "$FULL"
if [ "$(id -u)" = 0 ] && mount -t tmpfs -o size=64k tmpfs "$FULL" 2>"$WORK/mount.err"; then
    full_case "64 KiB file system, large picture" "$WORK/large.ppm" "$FULL/large.bmp" "$written_message"
    rm -f "$FULL"/*
    # Full to the last byte: even a small file fails, when it is closed.
    dd if=/dev/zero of="$FULL/filler" bs=1k count=128 2>/dev/null
    full_case "full file system, small picture" "$ROOT/samples/sample.png" "$FULL/small.bmp" "$written_message"
    [ -n "$first_bmp" ] && full_case "full file system, bitmap copied" "$first_bmp" "$FULL/copy.bmp"
    umount "$FULL" 2>/dev/null || umount -l "$FULL"
else
    echo "note: no small file system mounted ($(head -c 200 "$WORK/mount.err" 2>/dev/null)); /dev/full only"
fi

# 9. Rows far wider than any buffer, and more rows than 16 bits count, come
# out whole: the pixel data is the picture's rows bottom-up, in blue, green,
# red order, each padded to a multiple of four bytes.
wide_case() {
    local width="$1" height="$2" name="wide-$1x$2"
    make_ppm "$WORK/$name.ppm" "$width" "$height"
    python3 - "$WORK/$name.ppm" "$WORK/$name.expected" "$width" "$height" <<'PY'
import sys
src, dst, w, h = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
data = open(src, "rb").read()[-w * h * 3:]
rows = []
for y in reversed(range(h)):
    row = bytearray(data[y * w * 3:(y + 1) * w * 3])
    row[0::3], row[2::3] = row[2::3], row[0::3]
    rows.append(bytes(row) + bytes(-len(row) % 4))
open(dst, "wb").write(b"".join(rows))
PY
    "$CONVERT" "$WORK/$name.ppm" "$WORK/$name.bmp" 2>"$WORK/$name.err"
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

# 10. A 19-byte header that claims 268435456 x 1 pixels: written (to the null
# device), or refused with the reader's message where the picture cannot be
# allocated; never a crash.
printf 'P6\n268435456 1\n255\n' >"$WORK/huge.ppm"
"$CONVERT" "$WORK/huge.ppm" /dev/null 2>"$WORK/huge.err"
rc=$?
if { [ "$rc" -eq 0 ] && [ ! -s "$WORK/huge.err" ]; } ||
    { [ "$rc" -eq 1 ] && [ "$(cat "$WORK/huge.err")" = "PPM Reader: Unable to allocate memory for bitmap." ]; }; then
    ok "268435456 x 1 header: exit $rc$([ "$rc" -eq 1 ] && echo ', not allocated')"
else
    fail "268435456 x 1 header: exit $rc, stderr '$(head -c 200 "$WORK/huge.err")'"
fi

echo "converter checks: $((checks - failures)) of $checks passed (${CONVERT#"$ROOT"/})"
status=0
[ "$failures" -eq 0 ] || status=1

# The same contract for the Windows converter, under Wine, when it is built.
if [ -z "${VELLUMERE_CONVERT:-}" ] && [ "${VELLUMERE_REFERENCE_WINE:-1}" != 0 ] &&
    [ -f "$ROOT/build/win32/vellumere-convert.exe" ] && command -v wine >/dev/null; then
    echo
    echo "converter checks through build/win32/vellumere-convert.exe under Wine"
    (
        . "$ROOT/scripts/wine-env.sh"
        wine_prefix_init || exit 1
        wineserver -p 30 >/dev/null 2>&1 || true
        VELLUMERE_CONVERT="$ROOT/tests/reference/wine-convert.sh" "$0"
    ) || status=1
fi
exit "$status"
