#!/usr/bin/env bash
# The benchmark (`make bench`): converts a 3840 x 2160 picture of every format
# to a BMP with vellumere-convert (native Release build) and, side by side in
# the same run, with the tools a user would pick instead: ImageMagick, djpeg,
# netpbm pipelines and a small stb_image converter. Prints the median wall
# time over N runs with its spread, the peak memory, the ratio to each peer,
# and whether each target is met. The scaler lines (fit, fill) take a
# 6000 x 4000 JPEG to a 3840 x 2160 screen: the scaler's own time beside the
# decoding time of the same run (the converter's --timing), and ImageMagick's
# -resize (for fill with -extent) on the same picture.
#
# The photo lines (photo) take camera-sized JPEGs, 6000 x 4000 and
# 12000 x 8000, to a 1920 x 1080 screen with "Fill": the whole change
# (decode, scale, write), once decoded at full size and then scaled (before:
# the converter's --full-decode) and once decoded at the smallest eighth of
# its size that covers the screen (after: what the program does), natively
# and under Wine. Peak memory is the largest resident set of the process; under
# Wine that includes Wine's own libraries, so the line below takes off what
# the 1 x 1 picture's run peaked at (an estimate of the program's own peak).
#
# Beside each native figure, the shipped program's converter: the 32-bit
# Windows build (build/win32/vellumere-convert.exe; build/win64's where this
# machine cannot run 32-bit programs) under Wine, with Wine's
# own start-up (the same converter on a 1 x 1 picture) measured on its own
# and taken off in a second line. Every line shows where the time goes: user
# and system time and minor page faults (medians over the runs); P6, whose
# file is as large as its bitmap, also gets the cost of its I/O alone (dd
# reading it and writing as many bytes).
#
#   bench/run.sh [-n RUNS] [FORMAT...]
#   formats: jpeg png gif pcx8 pcx24 p6 p3 sun qrt fit fill photo monitors (default: all)
#   BENCH_WINE=0 leaves out the Windows build.
#
# Pictures are made once into build/bench/pictures from a real photograph
# (netpbm's test picture, enlarged, with fine grain so that it compresses
# like a photograph) and kept between runs.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BENCH="$ROOT/build/bench"
PICTURES="$BENCH/pictures"
OUT="$BENCH/out"
WIDTH=3840
HEIGHT=2160
ALL_FORMATS=(jpeg png gif pcx8 pcx24 p6 p3 sun qrt fit fill photo monitors)
BIG_WIDTH=6000
BIG_HEIGHT=4000
RUNS="${BENCH_RUNS:-5}"

formats=()
while [ $# -gt 0 ]; do
    case "$1" in
        -n) shift; RUNS="${1:?-n needs a number}" ;;
        -h|--help) sed -n '2,36p' "${BASH_SOURCE[0]}" | sed 's/^# \{0,1\}//'; exit 0 ;;
        jpeg|png|gif|pcx8|pcx24|p6|p3|sun|qrt|fit|fill|photo|monitors) formats+=("$1") ;;
        *) echo "bench: unknown format '$1' (${ALL_FORMATS[*]})" >&2; exit 2 ;;
    esac
    shift
done
[ "${#formats[@]}" -gt 0 ] || formats=("${ALL_FORMATS[@]}")
case "$RUNS" in ''|*[!0-9]*|0) echo "bench: -n needs a positive number" >&2; exit 2 ;; esac

log() { printf 'bench: %s\n' "$*" >&2; }

for tool in djpeg cjpeg giftopnm pcxtoppm rasttopnm pngtopnm qrttoppm ppmtobmp pnmtorast \
    pnmtoplainpnm; do
    command -v "$tool" >/dev/null || { log "$tool is missing: run scripts/bootstrap.sh"; exit 1; }
done
WINE_BENCH="${BENCH_WINE:-1}"
. "$ROOT/scripts/harness.sh"
if [ "$WINE_BENCH" != 0 ] && [ ! -x "$VELLUMERE_WINE64" ]; then
    log "wine is missing: run scripts/bootstrap.sh (or BENCH_WINE=0)"
    exit 1
fi
IM="$(command -v convert-im6.q16 || command -v convert || true)"
[ -n "$IM" ] || { log "ImageMagick's convert is missing: run scripts/bootstrap.sh"; exit 1; }
[ -f /usr/include/stb/stb_image.h ] || { log "libstb-dev is missing: run scripts/bootstrap.sh"; exit 1; }
TESTIMG="$ROOT/build/sources/netpbm-free/test/testimg.ppm"
[ -f "$TESTIMG" ] || { log "$TESTIMG is missing: run scripts/bootstrap.sh"; exit 1; }

mkdir -p "$PICTURES" "$OUT"

# --- the programs -----------------------------------------------------------

log "building vellumere-convert and the helpers (native-release)"
build_preset native-release --target vellumere-convert stb_convert ppm_to_qrt rusage compose_monitors >"$BENCH/build.log" 2>&1 || {
    tail -n 30 "$BENCH/build.log" >&2
    exit 1
}
OURS="$ROOT/build/native-release/vellumere-convert"
TOOLS="$ROOT/build/native-release/bench"
RUSAGE="$TOOLS/rusage"

WIN_OURS=""
WIN="$VELLUMERE_WIN_BUILD"
if [ "$WINE_BENCH" != 0 ]; then
    log "building vellumere-convert.exe ($WIN${VELLUMERE_WIN_NOTE:+: $VELLUMERE_WIN_NOTE})"
    {
        "$ROOT/scripts/build-deps.sh" "$([ "$WIN" = win64 ] && echo x86_64 || echo i686)" &&
            build_preset "$WIN" --target vellumere-convert
    } >"$BENCH/build-$WIN.log" 2>&1 || {
        tail -n 30 "$BENCH/build-$WIN.log" >&2
        exit 1
    }
    WIN_OURS="$ROOT/build/$WIN/vellumere-convert.exe"
    WIN_LOADER="$(wine_loader "$WIN_OURS")" || exit 1
    export WIN_LOADER
    wine_prefix_init >&2 || exit 1
    # One Wine server for every run, as a user's session has; stopped on exit.
    wineserver -p 60 >/dev/null 2>&1 || true
    export DISPLAY=
fi

# --- the pictures -------------------------------------------------------------

make_pictures() {
    local marker="$PICTURES/.made-v1-${WIDTH}x$HEIGHT"
    [ -f "$marker" ] && return 0
    log "making ${WIDTH}x$HEIGHT pictures in ${PICTURES#"$ROOT"/} (once)"
    rm -f "$PICTURES"/*
    local base="$PICTURES/picture.ppm" base256="$PICTURES/picture-256.ppm"
    "$IM" "$TESTIMG" -filter Lanczos -resize "${WIDTH}x$HEIGHT!" -seed 7 -attenuate 0.4 \
        +noise Gaussian -depth 8 "ppm:$base"
    "$IM" "$base" -dither None -colors 256 -depth 8 "ppm:$base256"
    cjpeg -quality 90 -outfile "$PICTURES/picture.jpg" "$base"
    "$IM" "$base" "PNG24:$PICTURES/picture.png"
    "$IM" "$base256" "GIF:$PICTURES/picture.gif"
    "$IM" "$base256" -type palette "PCX:$PICTURES/picture-8.pcx"
    "$IM" "$base" "PCX:$PICTURES/picture-24.pcx"
    cp "$base" "$PICTURES/picture-p6.ppm"
    pnmtoplainpnm "$base" >"$PICTURES/picture-p3.ppm"
    pnmtorast "$base256" >"$PICTURES/picture-8-rle.ras" 2>/dev/null
    "$TOOLS/ppm_to_qrt" <"$base" >"$PICTURES/picture.qrt"
    touch "$marker"
}
make_pictures

# The scaler's picture: a photograph-sized JPEG, larger than the screen.
BIG="$PICTURES/picture-${BIG_WIDTH}x$BIG_HEIGHT.jpg"
if [ ! -f "$BIG" ]; then
    log "making ${BIG_WIDTH}x$BIG_HEIGHT JPEG in ${PICTURES#"$ROOT"/} (once)"
    "$IM" "$TESTIMG" -filter Lanczos -resize "${BIG_WIDTH}x$BIG_HEIGHT!" -seed 7 -attenuate 0.4 \
        +noise Gaussian -depth 8 "ppm:$BENCH/big.ppm"
    cjpeg -quality 90 -outfile "$BIG.part" "$BENCH/big.ppm"
    rm -f "$BENCH/big.ppm"
    mv "$BIG.part" "$BIG"
fi

# The 100-megapixel photo: the 24-megapixel one twice across and twice down,
# so that it compresses like a photograph too.
HUGE="$PICTURES/picture-12000x8000.jpg"
if [ ! -f "$HUGE" ]; then
    log "making 12000x8000 JPEG in ${PICTURES#"$ROOT"/} (once)"
    djpeg -pnm -outfile "$BENCH/big.ppm" "$BIG"
    pnmcat -lr "$BENCH/big.ppm" "$BENCH/big.ppm" >"$BENCH/wide.ppm"
    pnmcat -tb "$BENCH/wide.ppm" "$BENCH/wide.ppm" >"$BENCH/huge.ppm"
    cjpeg -quality 90 -outfile "$HUGE.part" "$BENCH/huge.ppm"
    rm -f "$BENCH/big.ppm" "$BENCH/wide.ppm" "$BENCH/huge.ppm"
    mv "$HUGE.part" "$HUGE"
fi

# format -> input file, decoded planes in bytes, and the peers' commands.
# A command is run by bash with IN and OUT set.
input_of() {
    case "$1" in
        jpeg) echo picture.jpg ;; png) echo picture.png ;; gif) echo picture.gif ;;
        pcx8) echo picture-8.pcx ;; pcx24) echo picture-24.pcx ;; p6) echo picture-p6.ppm ;;
        p3) echo picture-p3.ppm ;; sun) echo picture-8-rle.ras ;; qrt) echo picture.qrt ;;
    esac
}
indexed() { case "$1" in gif|pcx8|sun) return 0 ;; *) return 1 ;; esac; }

peers_of() {
    local im='"$IM" "$IN" "BMP3:$OUTPUT"' stb='"$STB" "$IN" "$OUTPUT"'
    case "$1" in
        jpeg) printf '%s\n' 'djpeg|djpeg -bmp -outfile "$OUTPUT" "$IN"' "ImageMagick|$im" "stb_image|$stb" ;;
        png) printf '%s\n' "ImageMagick|$im" "stb_image|$stb" 'netpbm|pngtopnm "$IN" | ppmtobmp >"$OUTPUT"' ;;
        gif) printf '%s\n' "ImageMagick|$im" "stb_image|$stb" 'netpbm|giftopnm "$IN" | ppmtobmp >"$OUTPUT"' ;;
        pcx8|pcx24) printf '%s\n' "ImageMagick|$im" 'netpbm|pcxtoppm "$IN" | ppmtobmp >"$OUTPUT"' ;;
        p6) printf '%s\n' "ImageMagick|$im" "stb_image|$stb" 'netpbm|ppmtobmp "$IN" >"$OUTPUT"' ;;
        p3) printf '%s\n' "ImageMagick|$im" 'netpbm|ppmtobmp "$IN" >"$OUTPUT"' ;;
        sun) printf '%s\n' "ImageMagick|$im" 'netpbm|rasttopnm "$IN" | ppmtobmp >"$OUTPUT"' ;;
        qrt) printf '%s\n' 'netpbm|qrttoppm "$IN" | ppmtobmp >"$OUTPUT"' ;;
    esac
}

# --- timing -------------------------------------------------------------------

export IM OURS WIN_OURS STB="$TOOLS/stb_convert"

# measure COMMAND: runs it once to warm the caches, then RUNS times; prints
# "median_ms min_ms max_ms peak_kb user_ms system_ms faults", the last three
# medians over the runs. Peak memory is the largest resident set of any one
# process of the command (for a pipeline, its largest stage); user and system
# time and minor page faults are summed over its processes.
# Standard output of run i is kept in $BENCH/run-i.out.
measure() {
    local command="$1" walls=() users=() systems=() faults=() peak=0 i wall user system kb minor
    rm -f "$BENCH"/run-*.out
    bash -c "$command" >/dev/null 2>"$BENCH/last.err" || {
        log "failed: $command"
        sed 's/^/bench:   /' "$BENCH/last.err" | head -n 5 >&2
        echo "- - - - - - -"
        return
    }
    for ((i = 0; i < RUNS; ++i)); do
        "$RUSAGE" "$BENCH/last.stat" bash -c "$command" >"$BENCH/run-$i.out" 2>&1
        read -r wall user system kb minor _ <"$BENCH/last.stat"
        walls+=("$wall")
        users+=("$user")
        systems+=("$system")
        faults+=("$minor")
        [ "$kb" -gt "$peak" ] && peak="$kb"
    done
    local wall_ms
    wall_ms="$(median_min_max "${walls[@]}")"
    echo "$wall_ms $peak $(median_min_max "${users[@]}" | cut -d' ' -f1) $(median_min_max "${systems[@]}" |
        cut -d' ' -f1) $(printf '%s\n' "${faults[@]}" | sort -n | sed -n "$(((RUNS + 1) / 2))p")"
}

# median_min_max MICROSECONDS...: "median min max" in whole milliseconds.
median_min_max() {
    printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 }
        END { printf "%d %d %d", v[int((NR + 1) / 2)] / 1000, v[1] / 1000, v[NR] / 1000 }'
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "-" }'; }

# phase NAME: "median min max" in ms of one phase that the converter's
# --timing line reported over the runs of the last measure.
phase() {
    cat "$BENCH"/run-*.out | sed -n "s/.*$1 \([0-9.]*\) ms.*/\1/p" | sort -n |
        awk '{ v[NR] = $1 } END { if (NR) printf "%.1f %.1f %.1f", v[int((NR + 1) / 2)], v[1], v[NR]; else print "- - -" }'
}

# row FORMAT TOOL MEDIAN MIN MAX PEAK_KB USER SYSTEM FAULTS RATIO: one line of
# the table; a figure given as "-" or "" is left blank.
ROW_FORMAT='%-6s %-20s %9s %11s %8s %8s %8s %7s %6s\n'
row() {
    local range="" peak="" user="$7" system="$8" minor="$9"
    [ -n "$4" ] && [ "$4" != - ] && range="$4-$5"
    [ -n "$6" ] && [ "$6" != - ] && peak="$(awk -v k="$6" 'BEGIN { printf "%.1f", k / 1024 }')"
    [ "$user" = - ] && user=""
    [ "$system" = - ] && system=""
    [ "$minor" = - ] && minor=""
    # shellcheck disable=SC2059
    printf "$ROW_FORMAT" "$1" "$2" "$3" "$range" "$peak" "$user" "$system" "$minor" "${10}"
}

# measured_row FORMAT TOOL RATIO_TO COMMAND: measures the command and prints
# its row (the ratio column: its time over RATIO_TO's, when given); sets
# ROW_MS, ROW_KB, ROW_USER, ROW_SYSTEM and ROW_FAULTS ("-" when it failed).
measured_row() {
    local ms min max
    read -r ms min max ROW_KB ROW_USER ROW_SYSTEM ROW_FAULTS <<<"$(measure "$4")"
    ROW_MS="$ms"
    if [ "$ms" = - ]; then
        printf '%-6s %-20s %9s\n' "$1" "$2" FAILED
        return
    fi
    row "$1" "$2" "$ms" "$min" "$max" "$ROW_KB" "$ROW_USER" "$ROW_SYSTEM" "$ROW_FAULTS" \
        "$([ -n "$3" ] && ratio "$ms" "$3")"
}

# wine_rows ARGUMENTS: the shipped converter under Wine on $IN with these
# options, then the same less Wine's start-up (all but the peak memory).
wine_rows() {
    [ -n "$WIN_OURS" ] || return 0
    measured_row "" "$WIN under Wine" "" '"$WIN_LOADER" "$WIN_OURS" '"$1"' "$IN" "$OUTPUT"'
    [ "$ROW_MS" = - ] && return
    local phase_name ms min max
    for phase_name in ${2:-}; do
        read -r ms min max <<<"$(phase "$phase_name")"
        row "" "  $WIN: $phase_name" "$ms" "$min" "$max" - - - - ""
    done
    row "" "  less start-up" $((ROW_MS - WINE_MS)) - - - $((ROW_USER - WINE_USER)) \
        $((ROW_SYSTEM - WINE_SYSTEM)) $((ROW_FAULTS - WINE_FAULTS)) ""
}

# The scaler: one line per phase of our converter, then ImageMagick doing
# the same whole job, and its resize alone (to null:, less decoding alone).
scale_lines() {
    local mode="$1" screen="${WIDTH}x$HEIGHT" resize
    IN="$BIG"
    OUTPUT="$OUT/$mode.bmp"
    export IN OUTPUT
    case "$mode" in
        fit) resize="-resize $screen" ;;
        fill) resize="-resize $screen^ -gravity center -extent $screen" ;;
    esac
    read -r ms min max kb user system faults <<<"$(measure '"$OURS" --timing --'"$mode $screen"' "$IN" "$OUTPUT"')"
    if [ "$ms" = - ]; then
        printf '%-6s %-20s %9s\n' "$mode" vellumere-convert FAILED
        verdicts+=("$mode: MISSED, vellumere-convert failed")
        return
    fi
    local load scale load_min load_max scale_min scale_max
    read -r load load_min load_max <<<"$(phase load)"
    read -r scale scale_min scale_max <<<"$(phase scale)"
    row "$mode" "ours: decode" "$load" "$load_min" "$load_max" - - - - ""
    row "" "ours: scale" "$scale" "$scale_min" "$scale_max" - - - - ""
    row "" "ours: whole" "$ms" "$min" "$max" "$kb" "$user" "$system" "$faults" ""
    wine_rows "--timing --$mode $screen" "load scale"
    measured_row "" "ImageMagick" "$ms" '"$IM" "$IN" '"$resize"' "BMP3:$OUTPUT"'
    local with without
    read -r with _ <<<"$(measure '"$IM" "$IN" '"$resize"' null:')"
    read -r without _ <<<"$(measure '"$IM" "$IN" null:')"
    local im_resize=-
    if [ "$with" != - ] && [ "$without" != - ]; then
        im_resize=$((with - without))
        row "" "ImageMagick resize" "$im_resize" - - - - - - "$(ratio "$im_resize" "$scale")"
    fi
    # The target: scaling costs less than decoding the same picture.
    local verdict="scale $scale ms vs decode $load ms (ratio $(ratio "$scale" "$load")); ImageMagick's resize alone $im_resize ms"
    if awk -v s="$scale" -v l="$load" 'BEGIN { exit !(s < l) }'; then
        verdicts+=("$mode: met: $verdict")
    else
        verdicts+=("$mode: MISSED: $verdict")
    fi
}

# The camera photos to a 1920 x 1080 screen with fill: before (full decode,
# then scale) and after (decoded at the eighth that covers the screen), our
# converter natively and the shipped one under Wine.
photo_lines() {
    local screen=1920x1080 name picture before_ms before_kb after_ms after_kb
    for picture in "$BIG" "$HUGE"; do
        IN="$picture"
        OUTPUT="$OUT/photo.bmp"
        export IN OUTPUT
        name="$(basename "$picture" .jpg | sed 's/^picture-//')"
        printf '\n%s JPEG to a %s screen, fill (ratio: before / after)\n' "$name" "$screen"
        measured_row photo "before: full decode" "" '"$OURS" --timing --full-decode --fill '"$screen"' "$IN" "$OUTPUT"'
        before_ms="$ROW_MS" before_kb="$ROW_KB"
        measured_row "" "after: reduced" "" '"$OURS" --timing --fill '"$screen"' "$IN" "$OUTPUT"'
        after_ms="$ROW_MS" after_kb="$ROW_KB"
        local ratio_ms=- ratio_kb=-
        if [ "$before_ms" != - ] && [ "$after_ms" != - ]; then
            ratio_ms="$(ratio "$before_ms" "$after_ms")"
            ratio_kb="$(ratio "$before_kb" "$after_kb")"
            row "" "  before / after" "$ratio_ms" - - - - - - "mem $ratio_kb"
        fi
        if [ "$picture" = "$BIG" ]; then
            if awk -v t="$ratio_ms" -v m="$ratio_kb" 'BEGIN { exit !(t != "-" && t >= 3 && m >= 4) }'; then
                verdicts+=("photo $name: met: ${ratio_ms}x faster, ${ratio_kb}x less peak memory (goal 3x and 4x)")
            else
                verdicts+=("photo $name: MISSED: ${ratio_ms}x faster, ${ratio_kb}x less peak memory (goal 3x and 4x; user and sys columns show where the time goes)")
            fi
        elif [ "$after_ms" != - ] && [ "$after_ms" -lt 1000 ]; then
            verdicts+=("photo $name: met: set in $after_ms ms natively (goal: within a second)")
        else
            verdicts+=("photo $name: MISSED: $after_ms ms natively (goal: within a second)")
        fi
        [ -n "$WIN_OURS" ] || continue
        local mode
        for mode in before after; do
            local option=""
            [ "$mode" = before ] && option="--full-decode"
            measured_row "" "$WIN $mode" "" '"$WIN_LOADER" "$WIN_OURS" --timing '"$option"' --fill '"$screen"' "$IN" "$OUTPUT"'
            if [ "$ROW_MS" = - ]; then
                [ "$WIN" = win32 ] && [ "$picture" = "$HUGE" ] &&
                    printf '%-6s %-20s %s\n' "" "" "(the full planes are above the 32-bit ceiling: refused)"
                continue
            fi
            row "" "  less start-up" $((ROW_MS - WINE_MS)) - - "$((ROW_KB - WINE_KB))" $((ROW_USER - WINE_USER)) \
                $((ROW_SYSTEM - WINE_SYSTEM)) $((ROW_FAULTS - WINE_FAULTS)) ""
        done
    done
}

# --- several monitors -----------------------------------------------------------
# A wallpaper for three monitors (2560 x 1440, 1920 x 1080 left of it, a
# portrait 1080 x 1920 right of it) composed with Fill from the 6000 x 4000
# JPEG, beside the decoding of that JPEG: medians over the runs, in one
# process (bench/compose_monitors.cpp). Target: composing costs less than
# one decode.
monitors_line() {
    local decode compose
    printf '\n%s x %s JPEG composed for three monitors (5560 x 1920 bitmap)\n' "$BIG_WIDTH" "$BIG_HEIGHT"
    read -r _ decode _ compose <<<"$("$TOOLS/compose_monitors" "$BIG" "$RUNS" 2>/dev/null || echo "- - - -")"
    if [ "${compose:--}" = - ]; then
        verdicts+=("monitors: MISSED, compose_monitors failed")
        return
    fi
    row "monitors" "ours: decode" "$decode" - - - - - - ""
    row "" "ours: compose" "$compose" - - - - - - ""
    local verdict="compose $compose ms vs decode $decode ms (ratio $(ratio "$compose" "$decode"))"
    if awk -v c="$compose" -v d="$decode" 'BEGIN { exit !(c < d) }'; then
        verdicts+=("monitors: met: $verdict")
    else
        verdicts+=("monitors: MISSED: $verdict")
    fi
}

pixels=$((WIDTH * HEIGHT))
printf '\n%d x %d, median of %d runs after one warm-up; ratio = peer time / our time (above 1: we are faster)\n' \
    "$WIDTH" "$HEIGHT" "$RUNS"
printf 'user, sys: CPU time in user space and in the kernel; faults: minor page faults\n'
if [ -n "$WIN_OURS" ]; then
    # Wine's own cost of starting a program: the converter on a 1 x 1 picture.
    IN="$PICTURES/one-pixel.ppm"
    OUTPUT="$OUT/one-pixel.bmp"
    export IN OUTPUT
    printf 'P6\n1 1\n255\n\0\0\0' >"$IN"
    saved_runs="$RUNS"
    RUNS=$((3 * RUNS))
    read -r WINE_MS wine_min wine_max WINE_KB WINE_USER WINE_SYSTEM WINE_FAULTS <<<"$(measure '"$WIN_LOADER" "$WIN_OURS" "$IN" "$OUTPUT"')"
    RUNS="$saved_runs"
    if [ "$WINE_MS" = - ]; then
        log "the $WIN converter does not run under Wine"
        exit 1
    fi
    printf '%s under Wine: %s, the %s converter. Wine'"'"'s own start-up, measured as\n' \
        "$WIN" "${WIN_OURS#"$ROOT"/}" "$([ "$WIN" = win32 ] && echo shipped || echo 64-bit)"
    printf 'that converter on a 1 x 1 picture (%d runs): %d ms (%d-%d), peak %d KB, user %d ms, sys %d ms, %d faults;\n' \
        $((3 * RUNS)) "$WINE_MS" "$wine_min" "$wine_max" "$WINE_KB" "$WINE_USER" "$WINE_SYSTEM" "$WINE_FAULTS"
    printf 'the "less start-up" lines take it off\n'
fi
echo
# shellcheck disable=SC2059
printf "$ROW_FORMAT" format tool "median ms" "min-max" "peak MB" "user ms" "sys ms" faults ratio
verdicts=()
for format in "${formats[@]}"; do
    case "$format" in
        photo)
            photo_lines
            continue
            ;;
        monitors)
            monitors_line
            continue
            ;;
        fit|fill)
            [ -n "${scale_header:-}" ] || printf '\n%s x %s JPEG to a %d x %d screen (ratio as above)\n' \
                "$BIG_WIDTH" "$BIG_HEIGHT" "$WIDTH" "$HEIGHT"
            scale_header=1
            scale_lines "$format"
            continue
            ;;
    esac
    IN="$PICTURES/$(input_of "$format")"
    OUTPUT="$OUT/$format.bmp"
    export IN OUTPUT
    measured_row "$format" vellumere-convert "" '"$OURS" "$IN" "$OUTPUT"'
    if [ "$ROW_MS" = - ]; then
        verdicts+=("$format: MISSED, vellumere-convert failed")
        continue
    fi
    our_ms="$ROW_MS"
    our_kb="$ROW_KB"
    our_cpu="user $ROW_USER ms, system $ROW_SYSTEM ms, $ROW_FAULTS page faults"
    wine_rows ""
    best_ratio=""
    best_peer=""
    declare -A peer_ratio=()
    while IFS='|' read -r name command; do
        measured_row "" "$name" "$our_ms" "$command"
        [ "$ROW_MS" = - ] && continue
        r="$(ratio "$ROW_MS" "$our_ms")"
        peer_ratio[$name]="$r"
        if [ -z "$best_ratio" ] || awk -v a="$r" -v b="$best_ratio" 'BEGIN { exit !(a < b) }'; then
            best_ratio="$r"
            best_peer="$name"
        fi
    done < <(peers_of "$format")
    # What reading the file and writing as many bytes costs by itself: for P6,
    # whose input is as large as its bitmap, the least any converter pays.
    floor=""
    if [ "$format" = p6 ]; then
        measured_row "" "I/O floor (dd)" "" 'dd if="$IN" of="$OUTPUT" bs=256k status=none'
        [ "$ROW_MS" = - ] || floor="$ROW_MS"
    fi

    # The targets.
    verdict=""
    case "$format" in
        jpeg)
            ok=1
            awk -v r="${peer_ratio[djpeg]:-0}" 'BEGIN { exit !(r >= 1 / 1.1) }' || ok=0
            for p in ImageMagick stb_image; do
                awk -v r="${peer_ratio[$p]:-0}" 'BEGIN { exit !(r > 1) }' || ok=0
            done
            verdict="within 1.1x of djpeg (ratio ${peer_ratio[djpeg]:-?} >= 0.91), faster than ImageMagick (${peer_ratio[ImageMagick]:-?}) and stb (${peer_ratio[stb_image]:-?})"
            ;;
        png)
            ok=1
            awk -v r="$best_ratio" 'BEGIN { exit !(r > 1) }' || ok=0
            verdict="faster than every peer (slowest margin: $best_peer $best_ratio)"
            ;;
        p3)
            ok=1
            awk -v r="$best_ratio" 'BEGIN { exit !(r >= 2) }' || ok=0
            awk -v r="${peer_ratio[ImageMagick]:-0}" 'BEGIN { exit !(r >= 3) }' || ok=0
            verdict="2x the fastest peer ($best_peer $best_ratio), 3x ImageMagick (${peer_ratio[ImageMagick]:-?})"
            ;;
        *)
            ok=1
            awk -v r="$best_ratio" 'BEGIN { exit !(r >= 2) }' || ok=0
            verdict="2x the fastest peer ($best_peer $best_ratio)"
            if [ "$ok" -eq 0 ] && [ -n "$floor" ]; then
                verdict="$verdict; ours $our_ms ms: the file's I/O alone $floor ms, and $our_cpu (the samples split into planes and joined again for the bitmap, the planes' memory touched for the first time)"
            fi
            ;;
    esac
    # Memory: the decoded planes, 10 % on top and a few MB of program and
    # buffers; PNG also holds the library's rows while it decodes.
    if indexed "$format"; then planes=$((pixels + 768)); else planes=$((pixels * 3)); fi
    [ "$format" = png ] && planes=$((planes * 2))
    limit_kb=$(((planes + planes / 10) / 1024 + 8 * 1024))
    if [ "$our_kb" -le "$limit_kb" ]; then mem="memory ${our_kb} KB <= ${limit_kb} KB"; else mem="memory ${our_kb} KB > ${limit_kb} KB"; ok=0; fi
    if [ "$ok" -eq 1 ]; then
        verdicts+=("$format: met: $verdict; $mem")
    else
        verdicts+=("$format: MISSED: $verdict; $mem")
    fi
    unset peer_ratio
done

printf '\ntargets\n'
printf '  %s\n' "${verdicts[@]}"
rm -f "$OUT"/*.bmp
