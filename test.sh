#!/usr/bin/env bash
# Tests: installs what the project needs, builds everything with
# AddressSanitizer and UndefinedBehaviorSanitizer into build-test/, runs the
# fuzz targets for a bounded time (clang, build-fuzz/), the media runtime's
# tests under ThreadSanitizer (build-tsan/), and every test with CTest.
#
#   ./test.sh [extra ctest arguments]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
bash "$root/scripts/setup.sh" test
# The parsers of outside data also run under libFuzzer for a bounded time.
bash "$root/scripts/fuzz.sh"
# The media runtime's threads also run under ThreadSanitizer (build-tsan/).
bash "$root/scripts/tsan.sh"
cd "$root/build-test"
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1:strict_string_checks=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
ctest --output-on-failure -j "$(nproc)" --timeout 600 "$@"
