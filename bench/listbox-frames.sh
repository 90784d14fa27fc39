#!/usr/bin/env bash
# Times the skin list box with 100,000 rows: filling it, then frames of
# scrolling by its slider, paging with the keyboard, clicking rows and
# selecting every row, each frame painting the visible rows and copying the
# list into the window's surface, with the system font and with a skin font.
# The script prints the median, the 95th percentile and the worst frame of
# FRAMES frames of each kind. A frame must stay under 50 ms. There is no
# outside program to compare with: the list is the skin's own. Not part of
# the test suite.
#
#   bench/listbox-frames.sh [BUILD_DIR] [FRAMES]
#
# BUILD_DIR defaults to build-listbox-bench/, an optimised build (Release, no
# sanitizers) that the script configures and builds itself; FRAMES to 1000.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$root/build-listbox-bench}"
frames="${2:-1000}"

command -v cmake >/dev/null || { echo "listbox-frames: cmake not found" >&2; exit 2; }
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DRIVO_SANITIZE=OFF >/dev/null
fi
cmake --build "$build" --target listbox_bench -j3 >/dev/null
QT_QPA_PLATFORM=offscreen "$build/bench/listbox_bench" "$frames"
