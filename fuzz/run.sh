#!/usr/bin/env bash
# Runs the fuzz targets (libFuzzer, clang, ASan + UBSan; preset "fuzz").
#
#   fuzz/run.sh [SECONDS] [-j N] [TARGET...]  each target (default: all) for SECONDS
#                                             (default 600: `make fuzz`), N at a time
#   fuzz/run.sh --short [TARGET...]           every target briefly, then the replay
#   fuzz/run.sh --replay [TARGET...]          the test command's stage, deterministic:
#                                             the seeds, the corpus kept so far and
#                                             tests/crashers/ through the replay builds
#
# Corpora live in build/fuzz-corpus/<target> and grow from run to run; they are
# seeded from samples/ and from real pictures (Debian's source packages under
# build/sources, fetched by scripts/bootstrap.sh) plus PCX, Sun Raster and QRT
# files made from them. Crash files land in build/fuzz-artifacts/<target>/.
# Exit status: 0 when no target crashed and every crasher replayed cleanly.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
. "$ROOT/scripts/harness.sh"
BUILD="$ROOT/build/fuzz"
CORPUS="$ROOT/build/fuzz-corpus"
SEEDS="$ROOT/build/fuzz-seeds"
ARTIFACTS="$ROOT/build/fuzz-artifacts"
LOGS="$ROOT/build/fuzz-logs"
SOURCES="$ROOT/build/sources"
CRASHERS="$ROOT/tests/crashers"
ALL_TARGETS=(gif pcx ppm qrt sun jpeg png load)
SHORT_SECONDS="${FUZZ_SHORT_SECONDS:-20}"
MAX_LEN="${FUZZ_MAX_LEN:-65536}"
# Per input: a reader's work is bounded by the picture (at most the shipped
# 32-bit program's ceiling, which the targets use) and the file, so anything
# slower is a finding. The slowest honest inputs, a header asking for a
# picture at the ceiling and a progressive JPEG of that size with the most
# scans allowed, take several seconds under the sanitizers.
INPUT_SECONDS="${FUZZ_INPUT_SECONDS:-30}"
# A single allocation above this is a reader sizing a buffer from a hostile
# length: no picture under the ceiling needs one (planes 256 MiB at most, the
# JPEG library's budget 320 MiB).
MALLOC_LIMIT_MB="${FUZZ_MALLOC_LIMIT_MB:-600}"
# The replay of a whole corpus, as a safety net for the test command.
REPLAY_SECONDS="${FUZZ_REPLAY_SECONDS:-1200}"

usage() {
    sed -n '2,11p' "${BASH_SOURCE[0]}" | sed 's/^# \{0,1\}//' >&2
    exit 2
}

log() { printf 'fuzz: %s\n' "$*"; }

mode=""
seconds=""
jobs=1
targets=()
while [ $# -gt 0 ]; do
    case "$1" in
        --short) mode=short ;;
        --replay) mode=replay ;;
        -j) shift; [ $# -gt 0 ] || usage; jobs="$1" ;;
        -j*) jobs="${1#-j}" ;;
        -h|--help) usage ;;
        [0-9]*) mode=timed; seconds="$1" ;;
        *)
            found=0
            for t in "${ALL_TARGETS[@]}"; do [ "$t" = "$1" ] && found=1; done
            [ "$found" -eq 1 ] || { echo "fuzz: unknown target '$1'" >&2; usage; }
            targets+=("$1")
            ;;
    esac
    shift
done
if [ -z "$mode" ]; then
    mode=timed
    seconds=600
fi
[ "${#targets[@]}" -gt 0 ] || targets=("${ALL_TARGETS[@]}")
if [ "$mode" = short ]; then seconds="$SHORT_SECONDS"; fi
case "$jobs" in ''|*[!0-9]*|0) echo "fuzz: -j needs a positive number" >&2; exit 2 ;; esac

build() {
    log "building the fuzz targets (preset fuzz)"
    build_preset fuzz --target fuzz_all >"$LOGS/build.log" 2>&1 || {
        tail -n 40 "$LOGS/build.log" >&2
        exit 1
    }
}

# --- seeds ------------------------------------------------------------------

# Copies the given files into a seed folder, skipping large ones (the fuzzer
# would only cut them down) and missing ones.
add_seeds() {
    local dest="$1"
    shift
    mkdir -p "$dest"
    local f
    for f in "$@"; do
        [ -f "$f" ] || continue
        [ "$(stat -c %s "$f")" -le 262144 ] || continue
        cp -n "$f" "$dest/" 2>/dev/null || true
    done
}

# Seeds made once per build folder from real pictures we did not draw: small
# PNG suite and netpbm pictures turned into the formats nothing in Debian's
# sources ships (PCX, Sun Raster, QRT) and into variants of the others.
make_seeds() {
    local marker="$SEEDS/.made-v1"
    [ -f "$marker" ] && return 0
    log "making seed pictures in ${SEEDS#"$ROOT"/}"
    rm -rf "$SEEDS"
    mkdir -p "$SEEDS"/{gif,pcx,ppm,qrt,sun,jpeg,png,work}
    local work="$SEEDS/work" suite="$SOURCES/libpng/contrib/pngsuite"
    local im
    im="$(command -v convert-im6.q16 || command -v convert)"

    # Real pictures, as they come.
    add_seeds "$SEEDS/png" "$suite"/*.png "$SOURCES"/libpng/contrib/testpngs/crashers/*.png
    add_seeds "$SEEDS/jpeg" "$SOURCES"/libjpeg-turbo/testimages/*.jpg
    add_seeds "$SEEDS/gif" "$SOURCES"/giflib/pic/*.gif
    add_seeds "$SEEDS/ppm" "$SOURCES"/netpbm-free/test/testimg.ppm

    # Small colour, palette and grey pictures to convert from.
    local base=()
    local name
    for name in basn2c08 basn3p08 basn0g08 basn3p04 basn3p01 basi2c08 s09n3p02 basn6a08; do
        [ -f "$suite/$name.png" ] && base+=("$name")
    done
    for name in "${base[@]}"; do
        pngtopnm -mix "$suite/$name.png" 2>/dev/null | ppmtoppm >"$work/$name.ppm" 2>/dev/null || continue
        cp "$work/$name.ppm" "$SEEDS/ppm/$name-p6.ppm"
        pnmtoplainpnm "$work/$name.ppm" >"$SEEDS/ppm/$name-p3.ppm" 2>/dev/null || true
        "$ROOT/build/fuzz-tools/ppm_to_qrt" <"$work/$name.ppm" >"$SEEDS/qrt/$name.qrt" 2>/dev/null || true
        "$ROOT/build/fuzz-tools/ppm_to_qrt" -r <"$work/$name.ppm" >"$SEEDS/qrt/$name-reversed.qrt" 2>/dev/null || true
        "$im" "$suite/$name.png" "PCX:$SEEDS/pcx/$name-im.pcx" 2>/dev/null || true
        "$im" "$suite/$name.png" -type palette "PCX:$SEEDS/pcx/$name-im-palette.pcx" 2>/dev/null || true
        "$im" "$suite/$name.png" "SUN:$SEEDS/sun/$name-im.ras" 2>/dev/null || true
        "$im" "$suite/$name.png" -type palette "SUN:$SEEDS/sun/$name-im-palette.ras" 2>/dev/null || true
        "$im" "$suite/$name.png" -compress RLE "SUN:$SEEDS/sun/$name-im-rle.ras" 2>/dev/null || true
        "$im" "$suite/$name.png" "GIF:$SEEDS/gif/$name-im.gif" 2>/dev/null || true
        "$im" "$suite/$name.png" -interlace GIF "GIF:$SEEDS/gif/$name-im-interlaced.gif" 2>/dev/null || true
        ppmtopcx "$work/$name.ppm" >"$SEEDS/pcx/$name-netpbm.pcx" 2>/dev/null || true
        ppmtopcx -24bit "$work/$name.ppm" >"$SEEDS/pcx/$name-netpbm-24.pcx" 2>/dev/null || true
        pnmtorast -rle "$work/$name.ppm" >"$SEEDS/sun/$name-netpbm-rle.ras" 2>/dev/null || true
        pnmtorast -standard "$work/$name.ppm" >"$SEEDS/sun/$name-netpbm.ras" 2>/dev/null || true
        pnmtojpeg -quality 80 "$work/$name.ppm" >"$SEEDS/jpeg/$name.jpg" 2>/dev/null || true
        pnmtojpeg -progressive "$work/$name.ppm" >"$SEEDS/jpeg/$name-progressive.jpg" 2>/dev/null || true
    done
    # Packed few-colour PCX (1 bit in 1 and 4 planes), grey and CMYK JPEG,
    # and a 16-bit P6, which the reader takes byte by byte.
    if [ -f "$work/basn3p04.ppm" ]; then
        ppmtopcx -planes 4 "$work/basn3p04.ppm" >"$SEEDS/pcx/basn3p04-4planes.pcx" 2>/dev/null || true
        ppmtopcx -packed "$work/basn3p04.ppm" >"$SEEDS/pcx/basn3p04-packed.pcx" 2>/dev/null || true
    fi
    if [ -f "$work/basn3p01.ppm" ]; then
        ppmtopcx "$work/basn3p01.ppm" >"$SEEDS/pcx/basn3p01-1bit.pcx" 2>/dev/null || true
    fi
    [ -f "$suite/basn0g08.png" ] && "$im" "$suite/basn0g08.png" "JPEG:$SEEDS/jpeg/grey.jpg" 2>/dev/null || true
    [ -f "$suite/basn2c08.png" ] && "$im" "$suite/basn2c08.png" -colorspace CMYK "JPEG:$SEEDS/jpeg/cmyk.jpg" 2>/dev/null || true
    [ -f "$suite/basn2c16.png" ] && pngtopnm "$suite/basn2c16.png" >"$SEEDS/ppm/basn2c16-16bit.ppm" 2>/dev/null || true
    rm -rf "$work"
    touch "$marker"
}

seed_corpus() {
    local target="$1" dir="$CORPUS/$1"
    mkdir -p "$dir"
    local kinds=()
    case "$target" in
        gif) kinds=(gif); add_seeds "$dir" "$ROOT"/samples/*.gif ;;
        pcx) kinds=(pcx); add_seeds "$dir" "$ROOT"/samples/*.pcx ;;
        ppm) kinds=(ppm); add_seeds "$dir" "$ROOT"/samples/*.ppm ;;
        qrt) kinds=(qrt); add_seeds "$dir" "$ROOT"/samples/*.qrt ;;
        sun) kinds=(sun); add_seeds "$dir" "$ROOT"/samples/*.ras "$ROOT"/samples/*.sun ;;
        jpeg) kinds=(jpeg); add_seeds "$dir" "$ROOT"/samples/*.jpg "$ROOT"/samples/*.jpeg ;;
        png) kinds=(png); add_seeds "$dir" "$ROOT"/samples/*.png ;;
        load) kinds=(gif pcx ppm qrt sun jpeg png); add_seeds "$dir" "$ROOT"/samples/* ;;
    esac
    local kind
    for kind in "${kinds[@]}"; do
        add_seeds "$dir" "$SEEDS/$kind"/*
    done
    # Files that once crashed a reader are the best seeds of all.
    if [ -d "$CRASHERS/$target" ]; then
        add_seeds "$dir" "$CRASHERS/$target"/*
    fi
}

# --- running ----------------------------------------------------------------

# Runs one target for $seconds; prints one summary line; returns 1 on a crash.
fuzz_one() {
    local target="$1"
    local log_file="$LOGS/$target.log" artifacts="$ARTIFACTS/$target"
    mkdir -p "$artifacts"
    local status=0
    # -timeout: a single input running for seconds is a hang worth keeping.
    "$BUILD/fuzz/fuzz_$target" "$CORPUS/$target" \
        -max_total_time="$seconds" -max_len="$MAX_LEN" -timeout="$INPUT_SECONDS" \
        -rss_limit_mb=2048 -malloc_limit_mb="$MALLOC_LIMIT_MB" \
        -print_final_stats=1 -artifact_prefix="$artifacts/" \
        >"$log_file" 2>&1 || status=$?
    local runs rate rss
    runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log_file" | tail -n 1)"
    rate="$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log_file" | tail -n 1)"
    rss="$(sed -n 's/^stat::peak_rss_mb: *//p' "$log_file" | tail -n 1)"
    local corpus_count
    corpus_count="$(find "$CORPUS/$target" -type f | wc -l)"
    if [ "$status" -eq 0 ]; then
        printf 'fuzz: %-5s ok     %9s runs  %6s exec/s  peak %5s MB  corpus %5s files\n' \
            "$target" "${runs:-?}" "${rate:-?}" "${rss:-?}" "$corpus_count"
        return 0
    fi
    printf 'fuzz: %-5s FAILED (exit %s) after %s runs; log %s\n' \
        "$target" "$status" "${runs:-?}" "${log_file#"$ROOT"/}"
    grep -E '^(==[0-9]+==ERROR|SUMMARY|.*runtime error|artifact_prefix|Test unit written)' "$log_file" \
        | head -n 8 | sed 's/^/fuzz:   /'
    local artifact
    artifact="$(ls -t "$artifacts" 2>/dev/null | head -n 1)"
    if [ -n "$artifact" ]; then
        echo "fuzz:   replay with: build/fuzz/fuzz/fuzz_${target}_replay build/fuzz-artifacts/$target/$artifact"
    fi
    return 1
}

# Runs files or folders through one replay build; returns 1 on a fault or
# when the replay outlasts its generous limit.
replay_files() {
    local binary="$1" log_file="$2"
    shift 2
    timeout "$REPLAY_SECONDS" "$BUILD/fuzz/$binary" "$@" >"$log_file" 2>&1 && return 0
    grep -E '^(replay:|==[0-9]+==ERROR|SUMMARY|.*runtime error)' "$log_file" | tail -n 6 | sed 's/^/fuzz:   /'
    return 1
}

# The deterministic part: every target's seeds (and whatever corpus earlier
# timed runs kept), then every crash file, also through format detection.
replay_all() {
    local failed=0 target dir count
    for target in "${targets[@]}"; do
        seed_corpus "$target"
        count="$(find "$CORPUS/$target" -type f | wc -l)"
        if replay_files "fuzz_${target}_replay" "$LOGS/replay-corpus-$target.log" "$CORPUS/$target"; then
            printf 'fuzz: replay %-5s ok     %5s corpus file(s)\n' "$target" "$count"
        else
            printf 'fuzz: replay %-5s FAILED on its corpus; log %s\n' "$target" \
                "${LOGS#"$ROOT"/}/replay-corpus-$target.log"
            failed=1
        fi
    done
    local replayed=0
    for target in "${targets[@]}"; do
        dir="$CRASHERS/$target"
        [ -d "$dir" ] || continue
        count="$(find "$dir" -maxdepth 1 -type f | wc -l)"
        [ "$count" -gt 0 ] || continue
        replayed=$((replayed + count))
        if replay_files "fuzz_${target}_replay" "$LOGS/replay-$target.log" "$dir"; then
            printf 'fuzz: replay %-5s ok     %5s crasher(s)\n' "$target" "$count"
        else
            printf 'fuzz: replay %-5s FAILED; log %s\n' "$target" "${LOGS#"$ROOT"/}/replay-$target.log"
            failed=1
        fi
        # Every crasher also goes the whole way in, through format detection.
        if [ "$target" != load ] &&
            ! replay_files fuzz_load_replay "$LOGS/replay-load-$target.log" "$dir"; then
            printf 'fuzz: replay %-5s FAILED through load; log %s\n' "$target" \
                "${LOGS#"$ROOT"/}/replay-load-$target.log"
            failed=1
        fi
    done
    [ "$replayed" -gt 0 ] || log "no crash files under tests/crashers/ to replay"
    return "$failed"
}

# Stop at the first fault and report leaks. An allocation above the malloc
# limit fails (returns null) in the replays, as it would in the 32-bit
# program; the fuzzers report it as a finding. A smaller quarantine keeps
# each fuzzer's memory modest on a shared machine.
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:allocator_may_return_null=1:max_allocation_size_mb=$MALLOC_LIMIT_MB:quarantine_size_mb=64}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"

mkdir -p "$LOGS"
build
mkdir -p "$ROOT/build/fuzz-tools"
if [ ! -x "$ROOT/build/fuzz-tools/ppm_to_qrt" ] ||
    [ "$ROOT/bench/ppm_to_qrt.c" -nt "$ROOT/build/fuzz-tools/ppm_to_qrt" ]; then
    cc -O2 -o "$ROOT/build/fuzz-tools/ppm_to_qrt" "$ROOT/bench/ppm_to_qrt.c"
fi
make_seeds
if [ "$mode" = replay ]; then
    if replay_all; then
        log "all clean"
        exit 0
    fi
    log "FAILED"
    exit 1
fi


log "running ${#targets[@]} target(s) for $seconds s each, $jobs at a time"
failed=0
running=0
for target in "${targets[@]}"; do
    seed_corpus "$target"
    if [ "$jobs" -le 1 ]; then
        fuzz_one "$target" || failed=1
        continue
    fi
    fuzz_one "$target" &
    running=$((running + 1))
    if [ "$running" -ge "$jobs" ]; then
        wait -n || failed=1
        running=$((running - 1))
    fi
done
while [ "$running" -gt 0 ]; do
    wait -n || failed=1
    running=$((running - 1))
done

if [ "$mode" = short ]; then
    replay_all || failed=1
fi
if [ "$failed" -ne 0 ]; then
    log "FAILED"
    exit 1
fi
log "all clean"
