#!/usr/bin/env bash
# Every C and C++ file of ours is laid out as .clang-format says, so that a
# change shows only what it changes. The fix: clang-format -i FILE (or
# `git clang-format` on staged changes).
set -uo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
. "$ROOT/scripts/harness.sh"
cd "$ROOT"
command -v clang-format >/dev/null || { echo "format: clang-format is missing (scripts/bootstrap.sh installs it)"; exit 1; }
mapfile -t files < <(git ls-files '*.c' '*.cpp' '*.h')
[ "${#files[@]}" -gt 0 ] || { echo "format: no source files found (not a git checkout?)"; exit 1; }
for file in "${files[@]}"; do
    if clang-format --dry-run --Werror "$file" >/dev/null 2>&1; then
        checks=$((checks + 1))
    else
        fail "$file is not laid out as .clang-format says: clang-format -i $file"
    fi
done
checks_done "format checks"
