#!/usr/bin/env python3
"""No include cycle among the program's own files.

Every `#include "x/y.h"` of the product's folders is resolved against the
repository root (as the build's include path does); includes of the system and
of the libraries are left out.

The graph is one of units, not of single files: X.h, X.cpp and its platform
variants X_win32.cpp / X_posix.cpp are one unit, because they are read, built
and changed together. Between single files a cycle can hardly arise (a .cpp is
never included, and #pragma once hides header loops), yet A.cpp including B.h
while B.cpp includes A.h still ties the two parts together so that neither can
be understood, tested or moved without the other. Only the unit graph shows
that.

    include_cycles.py ROOT     prints each cycle with the includes that close
                               it; exits 1 when there is one
"""
import os
import re
import sys

FOLDERS = ("app", "ui", "image", "readers", "writer", "settings", "wallpaper", "platform", "tools")
INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]*)"', re.MULTILINE)


def unit_of(path):
    unit = os.path.splitext(path)[0]
    for variant in ("_win32", "_posix"):
        if unit.endswith(variant):
            return unit[: -len(variant)]
    return unit


def main(root):
    os.chdir(root)
    files = sorted(os.path.join(folder, name)
                   for top in FOLDERS
                   for folder, _, names in os.walk(top)
                   for name in names if name.endswith((".h", ".cpp", ".c")))
    edges = {}    # unit -> the units it includes, in the order first met
    because = {}  # (unit, unit) -> the first include that made the edge
    for path in files:
        source = unit_of(path)
        edges.setdefault(source, [])
        with open(path, encoding="utf-8", errors="replace") as f:
            for target in INCLUDE.findall(f.read()):
                if not os.path.isfile(target):
                    continue  # a generated header, or one outside the tree
                to = unit_of(target)
                if to != source and to not in edges[source]:
                    edges[source].append(to)
                    because[(source, to)] = f"{path} includes {target}"

    # Depth-first search; an edge back to a unit still on the path closes a
    # cycle, printed from that unit round to it again, with the includes.
    state, path, cycles = {}, [], 0
    sys.setrecursionlimit(10000)

    def visit(unit):
        nonlocal cycles
        state[unit] = "on the path"
        path.append(unit)
        for to in edges.get(unit, []):
            if state.get(to) == "on the path":
                cycles += 1
                loop = path[path.index(to):] + [to]
                print("cycle: " + " -> ".join(loop))
                for a, b in zip(loop, loop[1:]):
                    print("    " + because[(a, b)])
            elif to not in state:
                visit(to)
        path.pop()
        state[unit] = "done"

    for unit in sorted(edges):
        if unit not in state:
            visit(unit)
    where = " ".join(FOLDERS)
    if not files:
        print(f"FAIL no source files found under {where}")
    elif cycles:
        print(f"FAIL {cycles} include cycle(s) among the units of {where}")
    else:
        print(f"ok   no include cycle among {len(files)} files ({len(edges)} units) of {where}")
    print(f"include checks: {0 if cycles or not files else 1} of 1 passed")
    return 1 if cycles or not files else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
