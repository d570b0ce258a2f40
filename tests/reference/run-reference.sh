#!/usr/bin/env bash
# Reference checks on real pictures that we did not make: each is converted by
# vellumere-convert and compared pixel by pixel with an independent decoder
# (ImageMagick, djpeg, netpbm, giflib) where our reading agrees with theirs,
# and with the documented reading where it does not (unscaled PPM samples,
# GIF files whose images share one plane, Sun Raster rows, refused files).
#
# The pictures come from Debian's source packages that scripts/bootstrap.sh
# unpacks under build/sources: libpng's PNG suite and test pictures,
# libjpeg-turbo's test images, giflib's pictures and netpbm's test picture.
# PCX, Sun Raster and QRT files, which those packages do not carry, are
# written from the same pictures by ImageMagick, netpbm and bench/ppm_to_qrt
# (QRT is read back by netpbm's qrttoppm).
#
#   tests/reference/run-reference.sh [-v] [FORMAT...]   (png jpeg gif ppm pcx sun qrt)
#
# Prints one line per file (agree / documented / FAIL) and a table per
# format; exits 1 when any file failed. The same checks then run through the
# Windows converter of the build this machine runs, under Wine
# (VELLUMERE_REFERENCE_WINE=0 skips that).
set -uo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
. "$ROOT/scripts/harness.sh"
HERE="$ROOT/tests/reference"
SOURCES="$ROOT/build/sources"
WORK="$ROOT/build/reference"
ALL_FORMATS=(png jpeg gif ppm pcx sun qrt)

verbose=0
formats=()
for arg in "$@"; do
    case "$arg" in
        -v) verbose=1 ;;
        png|jpeg|gif|ppm|pcx|sun|qrt) formats+=("$arg") ;;
        *) echo "usage: $0 [-v] [${ALL_FORMATS[*]}]" >&2; exit 2 ;;
    esac
done
[ "${#formats[@]}" -gt 0 ] || formats=("${ALL_FORMATS[@]}")

find_converter || exit 1

missing=0
for tool in djpeg cjpeg giftopnm gifbuild pcxtoppm ppmtopcx rasttopnm pnmtorast bmptoppm ppmtoppm \
    pnmtoplainpnm pnmdepth pngtopnm qrttoppm; do
    command -v "$tool" >/dev/null || { echo "reference: $tool is missing (scripts/bootstrap.sh installs it)"; missing=1; }
done
IM="$(command -v convert-im6.q16 || command -v convert || true)"
[ -n "$IM" ] || { echo "reference: ImageMagick's convert is missing"; missing=1; }
SUITE="$SOURCES/libpng/contrib/pngsuite"
TESTPNGS="$SOURCES/libpng/contrib/testpngs"
JPEGS="$SOURCES/libjpeg-turbo/testimages"
GIFS="$SOURCES/giflib/pic"
TESTIMG="$SOURCES/netpbm-free/test/testimg.ppm"
for dir in "$SUITE" "$TESTPNGS" "$JPEGS" "$GIFS"; do
    [ -d "$dir" ] || { echo "reference: $dir is missing (scripts/bootstrap.sh fetches it)"; missing=1; }
done
[ -f "$TESTIMG" ] || { echo "reference: $TESTIMG is missing (scripts/bootstrap.sh fetches it)"; missing=1; }
[ "$missing" -eq 0 ] || exit 1

rm -rf "$WORK/out" "$WORK/made"
mkdir -p "$WORK/out" "$WORK/made"
# The comparison helper and the QRT writer are targets of the native-release build.
TOOLS="$ROOT/build/native-release"
if ! build_preset native-release --target refcheck ppm_to_qrt >"$WORK/tools-build.log" 2>&1; then
    tail -n 30 "$WORK/tools-build.log"
    echo "reference: building refcheck and ppm_to_qrt (native-release) failed"
    exit 1
fi
REFCHECK="$TOOLS/tests/refcheck"
PPM_TO_QRT="$TOOLS/bench/ppm_to_qrt"
MADE="$WORK/made"

# --- bookkeeping ------------------------------------------------------------

declare -A agree_count=() documented_count=() fail_count=()
for f in "${ALL_FORMATS[@]}"; do agree_count[$f]=0; documented_count[$f]=0; fail_count[$f]=0; done
failed_files=()
serial=0

short_name() {
    local p="$1"
    p="${p#"$SOURCES"/}"
    p="${p#"$WORK"/}"
    echo "$p"
}

result() {  # result FORMAT STATUS FILE DETAIL
    local format="$1" status="$2" file="$3" detail="$4"
    case "$status" in
        agree) agree_count[$format]=$((agree_count[$format] + 1)) ;;
        documented) documented_count[$format]=$((documented_count[$format] + 1)) ;;
        FAIL)
            fail_count[$format]=$((fail_count[$format] + 1))
            failed_files+=("$format $(short_name "$file"): $detail")
            ;;
    esac
    if [ "$status" = FAIL ] || [ "$verbose" -eq 1 ]; then
        printf '%-10s %-5s %s: %s\n' "$status" "$format" "$(short_name "$file")" "$detail"
    fi
}

# Converts with vellumere-convert; sets OURS (a P6 of what the bitmap shows),
# OURS_RC and OURS_ERR (the messages it printed).
convert_ours() {
    serial=$((serial + 1))
    local bmp="$WORK/out/$serial.bmp"
    OURS="$WORK/out/$serial.ppm"
    OURS_ERR="$WORK/out/$serial.err"
    "${CONVERT[@]}" "$1" "$bmp" 2>"$OURS_ERR" >/dev/null
    OURS_RC=$?
    if [ "$OURS_RC" -eq 0 ]; then
        bmptoppm "$bmp" >"$OURS" 2>/dev/null || OURS_RC=99
    fi
    rm -f "$bmp"
}

messages() { tr '\n' '|' <"$OURS_ERR" | head -c 300; }

# compare FORMAT STATUS FILE REFERENCE MODE [-t N] [NOTE]: STATUS is the
# status recorded when the pictures are identical (agree or documented).
compare() {
    local format="$1" status="$2" file="$3" reference="$4" mode="$5"
    shift 5
    local tolerance=() note=""
    if [ "${1:-}" = -t ]; then tolerance=(-t "$2"); shift 2; fi
    note="${1:-}"
    convert_ours "$file"
    if [ "$OURS_RC" -ne 0 ]; then
        result "$format" FAIL "$file" "converter exit $OURS_RC: $(messages)"
        return
    fi
    if [ ! -s "$reference" ]; then
        result "$format" FAIL "$file" "no reference picture (the reference decoder failed)"
        return
    fi
    local verdict
    if verdict="$("$REFCHECK" cmp "$mode" "${tolerance[@]}" "$OURS" "$reference" 2>&1)"; then
        result "$format" "$status" "$file" "$verdict${note:+ ($note)}"
    else
        result "$format" FAIL "$file" "$verdict${note:+ ($note)}"
    fi
}

# refused FORMAT FILE "CAPTION: TEXT" NOTE: the documented refusal, exit 1 and
# exactly that message.
refused() {
    local format="$1" file="$2" message="$3" note="$4"
    convert_ours "$file"
    if [ "$OURS_RC" -eq 1 ] && [ "$(cat "$OURS_ERR")" = "$message" ]; then
        result "$format" documented "$file" "refused with \"$message\" ($note)"
    else
        result "$format" FAIL "$file" "expected exit 1 and \"$message\" ($note); got exit $OURS_RC, \"$(messages)\""
    fi
}

reference_ppm() {  # a fresh file for a reference picture (called in $(...))
    mktemp -p "$WORK/out" ref-XXXXXX.ppm
}

# Raw sample bytes of a binary PNM picture: everything after its header,
# which is the file's last WIDTH x HEIGHT x BYTES bytes.
pnm_size() {  # prints "WIDTH HEIGHT" of a PNM picture
    head -c 200 "$1" | tr '\n' ' ' | sed 's/#[^ ]*//g' | awk '{ print $2, $3 }'
}

# --- PNG: libpng's suite and test pictures ------------------------------------

check_png() {
    local f colour depth ref
    for f in "$SUITE"/*.png "$SUITE"/interlaced/*.png "$TESTPNGS"/*.png; do
        [ -f "$f" ] || continue
        depth="$(od -An -tu1 -j 24 -N 1 "$f" | tr -d ' ')"
        colour="$(od -An -tu1 -j 25 -N 1 "$f" | tr -d ' ')"
        if [ "$colour" = 4 ]; then
            refused png "$f" "PNG Reader: Unable to allocate memory for bitmap." \
                "grey with alpha gives two channels"
            continue
        fi
        if [ "$colour" = 0 ] && [ "$depth" -lt 8 ] && LC_ALL=C grep -aq tRNS "$f"; then
            refused png "$f" "PNG Reader: Unable to allocate memory for bitmap." \
                "grey below 8 bits with transparency expands to grey and alpha"
            continue
        fi
        # netpbm's decoder gives the stored samples: no gamma, no alpha or
        # transparency applied, as in our reading. 16-bit samples: ours keeps
        # the high byte (strip-16); grey below 8 bits is stretched to 0-255.
        ref="$(reference_ppm)"
        pngtopnm "$f" >"$ref" 2>/dev/null
        local note=""
        [ "$depth" = 16 ] && note="16-bit samples cut to their high byte"
        compare png agree "$f" "$ref" high "$note"
    done
}

# --- JPEG: libjpeg-turbo's test images and pictures encoded from its BMPs ------

check_jpeg() {
    local f ref
    for f in "$JPEGS"/testorig.jpg "$JPEGS"/testimgint.jpg "$JPEGS"/testimgari.jpg; do
        ref="$(reference_ppm)"
        djpeg -ppm "$f" >"$ref" 2>/dev/null
        compare jpeg agree "$f" "$ref" same
    done
    # 12-bit samples: the 8-bit library refuses them with its own message.
    if [ -f "$JPEGS/testorig12.jpg" ]; then
        local text
        text="$(djpeg -ppm "$JPEGS/testorig12.jpg" 2>&1 >/dev/null | head -n 1 | sed 's/^djpeg: //')"
        refused jpeg "$JPEGS/testorig12.jpg" "JPEG Reader: $text" "the library's own message"
    fi
    # The libjpeg-turbo test BMPs (real photographs, odd sizes among them),
    # encoded in the layouts files come in: chroma subsampling, progressive,
    # restart markers, arithmetic coding, optimised tables, greyscale.
    local bmp name variant args out
    for bmp in "$JPEGS"/*.bmp; do
        name="$(basename "$bmp" .bmp)"
        for variant in "420:" "444:-sample 1x1" "422:-sample 2x1" "progressive:-progressive" \
            "restart:-restart 1 -optimize" "arithmetic:-arithmetic" "grey:-grayscale" "q100:-quality 100"; do
            args="${variant#*:}"
            out="$MADE/$name-${variant%%:*}.jpg"
            # shellcheck disable=SC2086
            cjpeg $args -outfile "$out" "$bmp" 2>/dev/null || continue
            ref="$(reference_ppm)"
            djpeg -ppm "$out" >"$ref" 2>/dev/null
            compare jpeg agree "$out" "$ref" same
        done
    done
    # A file cut off inside its data: the library fills the rest, as djpeg does.
    out="$MADE/testorig-cut.jpg"
    head -c 3000 "$JPEGS/testorig.jpg" >"$out"
    ref="$(reference_ppm)"
    djpeg -ppm "$out" >"$ref" 2>/dev/null
    compare jpeg agree "$out" "$ref" same "cut off inside the data"
    # CMYK (Adobe, inverted inks): converted to RGB by us and by ImageMagick
    # with rounding of their own.
    out="$MADE/testorig-cmyk.jpg"
    if "$IM" "$JPEGS/testorig.jpg" -colorspace CMYK "JPEG:$out" 2>/dev/null; then
        ref="$(reference_ppm)"
        "$IM" "$out" -colorspace sRGB -depth 8 "ppm:$ref" 2>/dev/null
        compare jpeg agree "$out" "$ref" same -t 2 "CMYK, within 2 per sample"
    fi
}

# --- GIF: giflib's pictures and GIFs written by ImageMagick and netpbm --------

check_gif() {
    local f ref expected images sw sh left top iw ih
    local made=()
    # 256 colours, plain and interlaced, by two different LZW encoders.
    "$IM" "$TESTIMG" -colors 256 "GIF:$MADE/testimg-im.gif" 2>/dev/null && made+=("$MADE/testimg-im.gif")
    "$IM" "$TESTIMG" -colors 256 -interlace GIF "GIF:$MADE/testimg-im-interlaced.gif" 2>/dev/null &&
        made+=("$MADE/testimg-im-interlaced.gif")
    "$IM" "$JPEGS/nightshot_iso_100.bmp" -colors 200 "GIF:$MADE/nightshot-im.gif" 2>/dev/null &&
        made+=("$MADE/nightshot-im.gif")
    if "$IM" "$TESTIMG" -colors 256 "ppm:$MADE/testimg-256.ppm" 2>/dev/null &&
        ppmtogif "$MADE/testimg-256.ppm" >"$MADE/testimg-netpbm.gif" 2>/dev/null; then
        made+=("$MADE/testimg-netpbm.gif")
    fi
    "$IM" "$SUITE/basn3p01.png" "GIF:$MADE/basn3p01-im.gif" 2>/dev/null && made+=("$MADE/basn3p01-im.gif")
    # An image smaller than the screen and away from its corner, and an
    # animation whose frames carry colour tables of their own.
    "$IM" "$TESTIMG" -crop 120x90+50+30 -colors 64 "GIF:$MADE/testimg-cropped.gif" 2>/dev/null &&
        made+=("$MADE/testimg-cropped.gif")
    "$IM" -delay 20 "$TESTIMG" -colors 128 \( "$JPEGS/nightshot_iso_100.bmp" -resize '227x149!' -colors 200 \) \
        \( "$TESTIMG" -crop 60x40+20+20 -colors 16 \) "GIF:$MADE/animation.gif" 2>/dev/null &&
        made+=("$MADE/animation.gif")
    for f in "$GIFS"/*.gif "${made[@]}"; do
        # What our reading makes of it, arranged from giflib's own decoding.
        expected="$(reference_ppm)"
        gifbuild -d "$f" 2>/dev/null | awk -f "$HERE/gif_expect.awk" | ppmtoppm >"$expected" 2>/dev/null
        # Screen and image geometry from the same dump: "W H images left top IW IH".
        local layout
        layout="$(gifbuild -d "$f" 2>/dev/null | awk '
            /^screen width / { w = $3 } /^screen height / { h = $3 }
            /^image # / { n++ } /^image left / { l = $3 } /^image top / { t = $3 }
            /^image bits / { iw = $3; ih = $5 }
            END { print w, h, n, l, t, iw, ih }')"
        read -r sw sh images left top iw ih <<<"$layout"
        if [ "$images" = 1 ] && [ "$left" = 0 ] && [ "$top" = 0 ] && [ "$iw" = "$sw" ] && [ "$ih" = "$sh" ]; then
            # One image covering the screen: every decoder agrees.
            ref="$(reference_ppm)"
            giftopnm "$f" 2>/dev/null | ppmtoppm >"$ref" 2>/dev/null
            compare gif agree "$f" "$ref" same
        elif [ "$images" = 1 ]; then
            compare gif documented "$f" "$expected" same \
                "a ${iw}x$ih image at +$left+$top on a ${sw}x$sh screen, laid from the first byte with its own row length"
        else
            compare gif documented "$f" "$expected" same \
                "$images images in one plane, the last one showing, local tables replacing palette entries"
        fi
    done
}

# --- PPM: netpbm's test picture, plain and binary, at several maximum values --

check_ppm() {
    local ref width height
    read -r width height <<<"$(pnm_size "$TESTIMG")"
    compare ppm agree "$TESTIMG" "$TESTIMG" same
    pnmtoplainpnm "$TESTIMG" >"$MADE/testimg-p3.ppm" 2>/dev/null
    compare ppm agree "$MADE/testimg-p3.ppm" "$TESTIMG" same
    { printf 'P6\n# written by netpbm\n# a second comment\n'; tail -n +2 "$TESTIMG"; } >"$MADE/testimg-comments.ppm"
    compare ppm agree "$MADE/testimg-comments.ppm" "$TESTIMG" same "comment lines after the signature"
    ppmtoppm <"$JPEGS/testorig.ppm" >"$MADE/testorig.ppm" 2>/dev/null
    compare ppm agree "$JPEGS/testorig.ppm" "$MADE/testorig.ppm" same
    # Samples are stored as read, never scaled by the maximum value.
    pnmdepth 15 "$TESTIMG" >"$MADE/testimg-max15.ppm" 2>/dev/null
    compare ppm documented "$MADE/testimg-max15.ppm" "$MADE/testimg-max15.ppm" same \
        "maximum 15: samples 0 to 15 kept as they are"
    pnmtoplainpnm "$MADE/testimg-max15.ppm" >"$MADE/testimg-max15-p3.ppm" 2>/dev/null
    compare ppm documented "$MADE/testimg-max15-p3.ppm" "$MADE/testimg-max15.ppm" same \
        "P3, maximum 15: samples kept as they are"
    # Two-byte samples: P6 takes every byte as a sample (so only the first
    # half of the data is read); P3 keeps each value modulo 256.
    pnmdepth 65535 "$TESTIMG" >"$MADE/testimg-16bit.ppm" 2>/dev/null
    local bytes=$((width * height * 3)) total
    total="$(stat -c %s "$MADE/testimg-16bit.ppm")"
    ref="$(reference_ppm)"
    { printf 'P6\n%d %d\n255\n' "$width" "$height"; tail -c $((2 * bytes)) "$MADE/testimg-16bit.ppm" | head -c "$bytes"; } >"$ref"
    [ "$total" -gt $((2 * bytes)) ] || : >"$ref"
    compare ppm documented "$MADE/testimg-16bit.ppm" "$ref" same "maximum 65535: each byte one sample"
    pnmtoplainpnm "$MADE/testimg-16bit.ppm" >"$MADE/testimg-16bit-p3.ppm" 2>/dev/null
    compare ppm documented "$MADE/testimg-16bit-p3.ppm" "$MADE/testimg-16bit.ppm" low \
        "P3, maximum 65535: values modulo 256"
}

# --- PCX: written by ImageMagick and netpbm from real pictures ----------------

check_pcx() {
    local src name f ref
    local sources=("$TESTIMG" "$JPEGS/nightshot_iso_100.bmp" "$JPEGS/vgl_6434_0018a.bmp" "$SUITE/basn3p08.png")
    for src in "${sources[@]}"; do
        name="$(basename "${src%.*}")"
        "$IM" "$src" "PCX:$MADE/$name-im-24.pcx" 2>/dev/null
        "$IM" "$src" -colors 256 -type palette "PCX:$MADE/$name-im-8.pcx" 2>/dev/null
        "$IM" "$src" -type palette "ppm:$MADE/$name.ppm" 2>/dev/null
        "$IM" "$src" -colors 256 "ppm:$MADE/$name-256.ppm" 2>/dev/null
        ppmtopcx "$MADE/$name-256.ppm" >"$MADE/$name-netpbm-8.pcx" 2>/dev/null
        ppmtopcx -24bit "$MADE/$name.ppm" >"$MADE/$name-netpbm-24.pcx" 2>/dev/null
        "$IM" "$src" -colors 16 "ppm:$MADE/$name-16.ppm" 2>/dev/null
        ppmtopcx "$MADE/$name-16.ppm" >"$MADE/$name-netpbm-4planes.pcx" 2>/dev/null
        ppmtopcx -packed "$MADE/$name-16.ppm" >"$MADE/$name-netpbm-4bit.pcx" 2>/dev/null
        "$IM" "$src" -monochrome "PCX:$MADE/$name-im-1bit.pcx" 2>/dev/null
    done
    for f in "$MADE"/*.pcx; do
        [ -s "$f" ] || continue
        ref="$(reference_ppm)"
        pcxtoppm "$f" >"$ref" 2>/dev/null
        compare pcx agree "$f" "$ref" same
    done
}

# --- Sun Raster: written by netpbm and ImageMagick from real pictures ---------

# Copies a Sun Raster file with its type word (offset 20) replaced.
with_type() {
    local in="$1" out="$2" type="$3"
    { head -c 20 "$in"; printf "\\x00\\x00\\x00\\x$(printf %02x "$type")"; tail -c +25 "$in"; } >"$out"
}

check_sun() {
    local src name f ref type depth width
    local sources=("$TESTIMG" "$JPEGS/vgl_5674_0098.bmp" "$JPEGS/vgl_6434_0018a.bmp" "$SUITE/basn3p08.png")
    for src in "${sources[@]}"; do
        name="$(basename "${src%.*}")"
        "$IM" "$src" -colors 256 "ppm:$MADE/$name-256.ppm" 2>/dev/null
        "$IM" "$src" -depth 8 "ppm:$MADE/$name-rgb.ppm" 2>/dev/null
        pnmtorast "$MADE/$name-256.ppm" >"$MADE/$name-netpbm-8-rle.ras" 2>/dev/null
        pnmtorast -standard "$MADE/$name-256.ppm" >"$MADE/$name-netpbm-8.ras" 2>/dev/null
        pnmtorast -standard "$MADE/$name-rgb.ppm" >"$MADE/$name-netpbm-24.ras" 2>/dev/null
        "$IM" "$src" "SUN:$MADE/$name-im-24.ras" 2>/dev/null
        "$IM" "$src" -colors 256 -type palette "SUN:$MADE/$name-im-8.ras" 2>/dev/null
    done
    "$IM" "$SUITE/basn6a08.png" "SUN:$MADE/basn6a08-im-32.ras" 2>/dev/null
    # Black and white: one bit per pixel is refused whatever the type.
    local pbm="$SOURCES/netpbm-free/test/maze.pbm"
    if [ -f "$pbm" ]; then
        pnmtorast "$pbm" >"$MADE/maze-1bit-rle.ras" 2>/dev/null &&
            refused sun "$MADE/maze-1bit-rle.ras" "Sun Raster Reader: Unsupported colour depth." "1 bit, type 2"
        pnmtorast -standard "$pbm" >"$MADE/maze-1bit.ras" 2>/dev/null &&
            with_type "$MADE/maze-1bit.ras" "$MADE/maze-1bit-type0.ras" 0 &&
            refused sun "$MADE/maze-1bit-type0.ras" "Sun Raster Reader: Unsupported colour depth." "1 bit, type 0"
        rm -f "$MADE"/maze-*.ras
    fi
    for f in "$MADE"/*.ras; do
        [ -s "$f" ] || continue
        type="$(od -An -tu4 --endian=big -j 20 -N 4 "$f" | tr -d ' ')"
        depth="$(od -An -tu4 --endian=big -j 12 -N 4 "$f" | tr -d ' ')"
        width="$(od -An -tu4 --endian=big -j 4 -N 4 "$f" | tr -d ' ')"
        if [ "$type" != 0 ] && [ "$type" != 2 ]; then
            # The common plain type 1 (and ImageMagick's type 3) are refused;
            # the same bytes as the old plain type 0 are read.
            refused sun "$f" "Sun Raster Reader: Unsupported compression method." "type $type"
            local old="${f%.ras}-type0.ras"
            with_type "$f" "$old" 0
            check_sun_type02 "$old" "$f" "$depth" "$width" "type $type as type 0"
        else
            check_sun_type02 "$f" "$f" "$depth" "$width" "type $type"
        fi
    done
}

# A type 0 or 2 file: where our reading and real decoders meet (8 bits, even
# width, no run across a row end) they must agree; elsewhere the documented
# reading decides (rows without padding, colour groups per row, runs cut at
# the end of each group).
check_sun_type02() {
    local f="$1" original="$2" depth="$3" width="$4" what="$5" ref expected rc
    expected="$(reference_ppm)"
    "$REFCHECK" sun "$f" >"$expected" 2>/dev/null
    rc=$?
    if [ "$rc" -eq 4 ]; then
        # The colour map is read as 768 bytes whatever its length word says;
        # after a shorter map the pixel data runs out before the picture ends,
        # and what the reading leaves there is not settled: only the exit
        # status counts.
        convert_ours "$f"
        if [ "$OURS_RC" -eq 0 ]; then
            result sun documented "$f" "read with a 768-byte colour map ($what, map length $(od -An -tu4 --endian=big -j 28 -N 4 "$f" | tr -d ' '))"
        else
            result sun FAIL "$f" "converter exit $OURS_RC: $(messages) ($what, short colour map)"
        fi
        return
    fi
    if [ "$rc" -ne 0 ]; then
        result sun FAIL "$f" "no expectation could be formed ($what)"
        return
    fi
    # Real decoders do not read type 0; it has the layout of type 1.
    ref="$(reference_ppm)"
    rasttopnm "$original" 2>/dev/null | ppmtoppm >"$ref" 2>/dev/null
    if [ "$depth" = 8 ] && "$REFCHECK" cmp same "$expected" "$ref" >/dev/null 2>&1; then
        compare sun agree "$f" "$ref" same "$what, 8-bit"
    else
        local why="$what, $depth-bit"
        [ $((width % 2)) -eq 1 ] && why="$why, odd width (real rows are padded to 16 bits)"
        [ "$depth" != 8 ] && why="$why, colour groups per row instead of interleaved pixels"
        [ "$depth" = 8 ] && [ $((width % 2)) -eq 0 ] && why="$why, a run crossing a row end is cut there"
        compare sun documented "$f" "$expected" same "$why"
    fi
}

# --- QRT: real pictures written as QRT by bench/ppm_to_qrt --------------------

check_qrt() {
    local src name ref
    for src in "$TESTIMG" "$JPEGS/testorig.ppm"; do
        name="$(basename "${src%.*}")"
        "$PPM_TO_QRT" <"$src" >"$MADE/$name.qrt"
        "$PPM_TO_QRT" -r <"$src" >"$MADE/$name-reversed.qrt"
        ref="$(reference_ppm)"
        qrttoppm "$MADE/$name.qrt" >"$ref" 2>/dev/null
        compare qrt agree "$MADE/$name.qrt" "$ref" same "rows in order, netpbm's qrttoppm"
        # netpbm lays the records down in file order; ours places each by
        # its row number, which gives back the picture written.
        compare qrt documented "$MADE/$name-reversed.qrt" "$src" same "records bottom row first, placed by their row numbers"
    done
}

start=$SECONDS
for format in "${formats[@]}"; do
    "check_$format"
done

printf '\n%-6s %6s %11s %6s\n' format agree documented FAIL
total_fail=0
for format in "${formats[@]}"; do
    printf '%-6s %6d %11d %6d\n' "$format" "${agree_count[$format]}" "${documented_count[$format]}" \
        "${fail_count[$format]}"
    total_fail=$((total_fail + fail_count[$format]))
done
echo "reference checks: ${CONVERT[-1]#"$ROOT"/}, $((SECONDS - start)) s"
status=0
if [ "$total_fail" -gt 0 ]; then
    echo "$total_fail file(s) failed:"
    printf '  %s\n' "${failed_files[@]}"
    status=1
fi
# The shipped program is the Windows build: the same pictures through its converter.
again_under_wine "$0" "${formats[@]}" || status=1
exit "$status"
