#!/usr/bin/env bash
# Runs a command as on a machine whose kernel cannot run 32-bit programs, to
# try that path where they do run (root only):
#     scripts/without-32bit.sh make test
# In a mount namespace of its own, Wine's 32-bit loader and server are
# replaced by a file the kernel refuses as it refuses any i386 program there
# ("Exec format error"); nothing outside the command sees it.
set -euo pipefail
[ $# -gt 0 ] || { echo "usage: scripts/without-32bit.sh COMMAND [ARGUMENT...]" >&2; exit 2; }
refused="$(mktemp "${TMPDIR:-/tmp}/not-for-this-kernel.XXXXXX")"
trap 'rm -f "$refused"' EXIT
# An ELF magic with a class and byte order this kernel does not run.
printf '\177ELF\002\002\001\000' >"$refused"
chmod +x "$refused"
unshare --mount --propagation private -- bash -c '
    for f in /usr/lib/wine/wine /usr/lib/wine/wineserver32; do
        [ -e "$f" ] && mount --bind "$0" "$f"
    done
    exec "$@"' "$refused" "$@"
