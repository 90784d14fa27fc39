#!/usr/bin/env bash
# Memory of the text subtitle renderer over many styles: one renderer (as a
# video treatment filter keeps it for a whole batch) draws entries in
# STYLES distinct styles (subtitle_style_bench); the resident memory after
# every tenth style and the peak are printed in MiB. Not part of the test
# suite.
#
#   bench/subtitle-styles.sh [BUILD_DIR] [STYLES] [ENTRIES]
#
# BUILD_DIR defaults to build/ (scripts/setup.sh release); STYLES to 200,
# ENTRIES (per style) to 20.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$root/build}"
cmake --build "$build" --target subtitle_style_bench >/dev/null
"$build/bench/subtitle_style_bench" "${2:-200}" "${3:-20}"
