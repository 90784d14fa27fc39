#!/usr/bin/env bash
# Times the skin script host on very long and very deep texts: a million
# statements (at the top level, in a function body, in a block), a hundred
# thousand nested blocks, parentheses, ifs and operator chains. Each text is
# lexed, parsed, run and deleted on a fresh host; the script prints each
# text's outcome and the median wall time of RUNS runs. A text must take well
# under a second. There is no outside program to compare with: the language
# is the skin's own. Not part of the test suite.
#
#   bench/script-limits.sh [BUILD_DIR] [RUNS]
#
# BUILD_DIR defaults to build-script-bench/, an optimised build (Release, no
# sanitizers) that the script configures and builds itself; RUNS to 5.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$root/build-script-bench}"
runs="${2:-5}"

command -v cmake >/dev/null || { echo "script-limits: cmake not found" >&2; exit 2; }
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DRIVO_SANITIZE=OFF >/dev/null
fi
cmake --build "$build" --target script_bench >/dev/null
"$build/bench/script_bench" "$runs"
