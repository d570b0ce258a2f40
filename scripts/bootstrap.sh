#!/usr/bin/env bash
# Installs everything the builds and tests need and fetches Debian's source
# packages (MinGW library builds, real test pictures). Idempotent: when all is
# already there it only asks dpkg and returns within a second.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
SOURCES="$ROOT/build/sources"

PACKAGES=(
    # native build and tests
    make g++ cmake ninja-build pkg-config libjpeg62-turbo-dev libpng-dev zlib1g-dev
    googletest libgtest-dev clang llvm libclang-rt-14-dev clang-format
    # Windows build
    g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix libz-mingw-w64-dev nasm
    # running and testing the Windows program
    wine wine32:i386 wine64 fonts-wine xvfb xauth imagemagick xdotool
    # several monitors for the end-to-end tests: Xorg's dummy driver and RandR
    xserver-xorg-core xserver-xorg-video-dummy x11-xserver-utils
    # a Japanese locale for the double-byte path tests (built under build/locale)
    locales
    # benchmark peers and reference decoders
    libjpeg-turbo-progs netpbm giflib-tools libstb-dev time
    # scripts of the run command and the end-to-end tests
    python3
    # the release: installer and archive
    nsis zip
    # unpacking the source tarballs
    tar xz-utils bzip2 ca-certificates
)
# Debian source packages: unpacked under build/sources/<name>.
SOURCE_PACKAGES=(libjpeg-turbo libpng1.6 giflib netpbm-free)

SUDO=()
if [ "$(id -u)" -ne 0 ]; then
    SUDO=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive

log() { printf 'bootstrap: %s\n' "$*"; }

apt_updated=0
apt_update() {
    if [ "$apt_updated" -eq 0 ]; then
        log "apt-get update"
        "${SUDO[@]}" apt-get update -q
        apt_updated=1
    fi
}

# wine32 needs the i386 architecture.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    log "adding the i386 architecture"
    "${SUDO[@]}" dpkg --add-architecture i386
    apt_update
fi

# A deb-src entry mirroring the deb entries, so `apt-get source` works.
SRC_LIST=/etc/apt/sources.list.d/vellumere-deb-src.sources
ensure_deb_src() {
    if grep -rqsE '^(Types:.*deb-src|deb-src )' /etc/apt/sources.list /etc/apt/sources.list.d/; then
        return 0
    fi
    local wanted
    if [ -f /etc/apt/sources.list.d/debian.sources ]; then
        wanted="$(grep -v '^#' /etc/apt/sources.list.d/debian.sources | sed 's/^Types: deb$/Types: deb-src/')"
    elif [ -f /etc/apt/sources.list ]; then
        # One-line style: turn each `deb URI SUITE COMPONENTS` into a stanza.
        wanted="$(awk '$1 == "deb" { o = 2; s = "";
                      if ($2 ~ /^\[/) { while ($o !~ /\]$/) o++; s = ""; o++ }
                      printf "Types: deb-src\nURIs: %s\nSuites: %s\nComponents:", $o, $(o+1);
                      for (i = o + 2; i <= NF; i++) printf " %s", $i; printf "\n\n" }' /etc/apt/sources.list)"
    else
        log "no Debian apt source found to mirror as deb-src" >&2
        return 1
    fi
    log "adding $SRC_LIST"
    printf '%s\n' "$wanted" | "${SUDO[@]}" tee "$SRC_LIST" >/dev/null
    apt_updated=0
}

# 1. Packages.
missing=()
while read -r name status; do
    [ "$status" = "ii" ] || missing+=("$name")
done < <(dpkg-query -W -f='${Package}:${Architecture} ${db:Status-Abbrev}\n' "${PACKAGES[@]}" 2>/dev/null || true)
# dpkg-query prints nothing for packages it has never heard of: compare counts too.
installed_count=$(dpkg-query -W -f='${db:Status-Abbrev}\n' "${PACKAGES[@]}" 2>/dev/null | grep -c '^ii' || true)
if [ "${#missing[@]}" -gt 0 ] || [ "$installed_count" -lt "${#PACKAGES[@]}" ]; then
    log "installing missing packages"
    ensure_deb_src
    apt_update
    # With the recommended packages: Wine's fonts and X libraries (both
    # architectures) come that way.
    "${SUDO[@]}" apt-get install -y -q "${PACKAGES[@]}"
fi

# 2. Source packages, fetched once and unpacked with tar (no dpkg-dev needed).
src_dir_name() {
    case "$1" in
        libpng1.6) echo libpng ;;
        *) echo "$1" ;;
    esac
}
need_fetch=()
for pkg in "${SOURCE_PACKAGES[@]}"; do
    [ -f "$SOURCES/$(src_dir_name "$pkg")/.unpacked" ] || need_fetch+=("$pkg")
done
if [ "${#need_fetch[@]}" -gt 0 ]; then
    ensure_deb_src
    if ! ls /var/lib/apt/lists/*_source_Sources* >/dev/null 2>&1; then
        apt_update
    fi
    mkdir -p "$SOURCES/download"
    for pkg in "${need_fetch[@]}"; do
        dest="$SOURCES/$(src_dir_name "$pkg")"
        log "fetching source package $pkg"
        # Only the original tarball is needed; a mirror may lack the newest
        # .dsc or .debian.tar of a security update, so fall back to the
        # release suite when no tarball came.
        tarball=""
        for want in "$pkg" "$pkg/$(. /etc/os-release && echo "${VERSION_CODENAME:-stable}")"; do
            (cd "$SOURCES/download" && apt-get source -q --download-only "$want") \
                >"$SOURCES/download/$pkg.log" 2>&1 || true
            tarball="$(ls -t "$SOURCES/download/${pkg}_"*.orig.tar.* 2>/dev/null | grep -v '\.asc$' | head -n 1 || true)"
            [ -n "$tarball" ] && break
        done
        if [ -z "$tarball" ]; then
            cat "$SOURCES/download/$pkg.log" >&2
            log "apt-get source $pkg gave no original tarball" >&2
            exit 1
        fi
        rm -rf "$dest.tmp" && mkdir -p "$dest.tmp"
        tar -xf "$tarball" -C "$dest.tmp" --strip-components=1
        rm -rf "$dest" && mv "$dest.tmp" "$dest"
        basename "$tarball" > "$dest/.unpacked"
        log "unpacked $(basename "$tarball") into ${dest#"$ROOT"/}"
    done
fi
