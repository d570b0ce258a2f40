#!/usr/bin/env bash
# No include cycle among the program's own files (the rule and why: the script).
exec python3 "$(dirname "${BASH_SOURCE[0]}")/include_cycles.py" "$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
