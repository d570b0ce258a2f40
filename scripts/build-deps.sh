#!/usr/bin/env bash
# Cross-builds libjpeg-turbo and libpng (static) for the Windows targets from
# the Debian sources that bootstrap.sh unpacked, into build/deps/<arch>.
# Each prefix is built once; a finished prefix is marked with .complete.
#   scripts/build-deps.sh            both i686 and x86_64
#   scripts/build-deps.sh i686       one of them
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
SOURCES="$ROOT/build/sources"
JOBS="${JOBS:-2}"

log() { printf 'build-deps: %s\n' "$*"; }

build_arch() {
    local arch="$1"
    local triple="$arch-w64-mingw32"
    local prefix="$ROOT/build/deps/$arch"
    local work="$ROOT/build/deps/work-$arch"
    local toolchain="$ROOT/cmake/toolchain-mingw-$arch.cmake"
    local stamp="$prefix/.complete"

    if [ -f "$stamp" ]; then
        return 0
    fi
    # Another build of the same prefix may be running (run and test at once):
    # wait for it, then use its result.
    mkdir -p "$ROOT/build/deps"
    exec 9>"$ROOT/build/deps/$arch.lock"
    flock 9
    if [ -f "$stamp" ]; then
        exec 9>&-
        return 0
    fi
    for src in libjpeg-turbo libpng; do
        if [ ! -f "$SOURCES/$src/CMakeLists.txt" ]; then
            log "missing $SOURCES/$src: run scripts/bootstrap.sh first" >&2
            exit 1
        fi
    done

    local start=$SECONDS
    log "building libjpeg-turbo and libpng for $triple into ${prefix#"$ROOT"/}"
    rm -rf "$prefix" "$work"
    mkdir -p "$work"

    # Our own builds add warnings-as-errors per target; the third-party
    # libraries keep their own flags. Output goes to a log, shown on failure.
    local logfile="$work/build.log"
    run() {
        if ! "$@" >>"$logfile" 2>&1; then
            tail -n 40 "$logfile" >&2
            log "failed: $* (full log: ${logfile#"$ROOT"/})" >&2
            exit 1
        fi
    }

    run cmake -S "$SOURCES/libjpeg-turbo" -B "$work/libjpeg-turbo" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX="$prefix" \
        -DENABLE_SHARED=OFF -DENABLE_STATIC=ON \
        -DWITH_TURBOJPEG=OFF
    grep -h 'SIMD extensions' "$logfile" | sed 's/^-- /build-deps:   libjpeg-turbo: /' || true
    # Only the library: the command-line tools would double the build time.
    # These are the files its own install step puts in place for it.
    run cmake --build "$work/libjpeg-turbo" -j "$JOBS" --target jpeg-static
    mkdir -p "$prefix/lib" "$prefix/include"
    cp "$work/libjpeg-turbo/libjpeg.a" "$prefix/lib/"
    cp "$work/libjpeg-turbo/jconfig.h" "$SOURCES/libjpeg-turbo/jerror.h" \
       "$SOURCES/libjpeg-turbo/jmorecfg.h" "$SOURCES/libjpeg-turbo/jpeglib.h" "$prefix/include/"

    run cmake -S "$SOURCES/libpng" -B "$work/libpng" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX="$prefix" \
        -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF \
        -DSKIP_INSTALL_EXECUTABLES=ON -DSKIP_INSTALL_PROGRAMS=ON \
        -DZLIB_INCLUDE_DIR="/usr/$triple/include" \
        -DZLIB_LIBRARY="/usr/$triple/lib/libz.a"
    run cmake --build "$work/libpng" -j "$JOBS"
    run cmake --install "$work/libpng"

    if [ ! -f "$prefix/lib/libjpeg.a" ] || ! ls "$prefix"/lib/libpng*.a >/dev/null 2>&1; then
        log "the libraries did not appear in $prefix/lib" >&2
        exit 1
    fi
    rm -rf "$work"
    touch "$stamp"
    exec 9>&-
    log "$triple done in $((SECONDS - start)) s"
}

archs=("$@")
[ "${#archs[@]}" -gt 0 ] || archs=(i686 x86_64)
for arch in "${archs[@]}"; do
    case "$arch" in
        i686|x86_64) build_arch "$arch" ;;
        *) log "unknown architecture '$arch' (i686 or x86_64)" >&2; exit 2 ;;
    esac
done
