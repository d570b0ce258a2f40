#!/usr/bin/env bash
# No include cycle among the program's own files. Every `#include "x/y.h"` of
# the product's folders is resolved against the repository root (as the build's
# include path does); includes of the system and of the libraries are left out.
#
# The graph is one of units, not of single files: X.h, X.cpp and its platform
# variants X_win32.cpp / X_posix.cpp are one unit, because they are read,
# built and changed together. Between single files a cycle can hardly arise
# (a .cpp is never included, and #pragma once hides header loops), yet
# A.cpp including B.h while B.cpp includes A.h still ties the two parts
# together so that neither can be understood, tested or moved without the
# other. Only the unit graph shows that.
set -uo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
. "$ROOT/scripts/harness.sh"
cd "$ROOT"

FOLDERS=(app ui image readers writer settings wallpaper platform tools)

# The unit of a file: its path without the extension and the variant suffix.
unit_of() {
    local unit="${1%.*}"
    unit="${unit%_win32}"
    echo "${unit%_posix}"
}

declare -A edges=()   # unit -> the units it includes, space-separated
declare -A because=() # "unit>unit" -> the first include that made the edge
declare -A units=()
files=0
while IFS= read -r file; do
    files=$((files + 1))
    from="$(unit_of "$file")"
    units[$from]=1
    while IFS= read -r target; do
        [ -f "$target" ] || continue # a generated header, or one outside the tree
        to="$(unit_of "$target")"
        [ "$to" = "$from" ] && continue
        case " ${edges[$from]:-} " in *" $to "*) continue ;; esac
        edges[$from]+=" $to"
        because["$from>$to"]="$file includes $target"
    done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file")
done < <(find "${FOLDERS[@]}" -type f \( -name '*.h' -o -name '*.cpp' -o -name '*.c' \) | sort)

# Depth-first search; an edge back to a unit still on the path closes a cycle,
# which is printed from that unit round to it again, with the includes.
declare -A state=() # absent: not reached, 1: on the path, 2: done
path=()
cycles=0
visit() {
    local unit="$1" next i start
    state[$unit]=1
    path+=("$unit")
    for next in ${edges[$unit]:-}; do
        if [ "${state[$next]:-}" = 1 ]; then
            cycles=$((cycles + 1))
            for ((start = 0; start < ${#path[@]}; start++)); do
                [ "${path[$start]}" = "$next" ] && break
            done
            local line="cycle:"
            for ((i = start; i < ${#path[@]}; i++)); do line+=" ${path[$i]} ->"; done
            echo "$line $next"
            for ((i = start; i < ${#path[@]} - 1; i++)); do
                echo "    ${because["${path[$i]}>${path[$((i + 1))]}"]}"
            done
            echo "    ${because["$unit>$next"]}"
        elif [ -z "${state[$next]:-}" ]; then
            visit "$next"
        fi
    done
    unset 'path[${#path[@]}-1]'
    state[$unit]=2
}
for unit in $(printf '%s\n' "${!units[@]}" | sort); do
    [ -z "${state[$unit]:-}" ] && visit "$unit"
done

if [ "$files" -eq 0 ]; then
    fail "no source files found under ${FOLDERS[*]}"
elif [ "$cycles" -eq 0 ]; then
    ok "no include cycle among $files files (${#units[@]} units) of ${FOLDERS[*]}"
else
    fail "$cycles include cycle(s) among the units of ${FOLDERS[*]}"
fi
checks_done "include checks"
