#!/usr/bin/env bash
# Tests: installs what the project needs, builds everything with
# AddressSanitizer and UndefinedBehaviorSanitizer into build-test/, runs the
# fuzz targets from their seed corpora with a fixed seed and number of runs
# (clang, build-fuzz/), the media runtime's tests under ThreadSanitizer
# (build-tsan/), every test with CTest, then the program as it ships: the
# optimised build in build/, the tests that hand our memory to the decoding
# libraries under valgrind, and the media, module and front-end test
# programs of that build with CTest.
#
#   ./test.sh [extra ctest arguments]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
started=$SECONDS
step() { echo "test.sh: $1 ($((SECONDS - started)) s so far)"; }

step "building the sanitizer build"
bash "$root/scripts/setup.sh" test
# The parsers of outside data also run under libFuzzer, the same inputs on
# every run.
step "fuzzing from the seed corpora"
bash "$root/scripts/fuzz.sh"
# The media runtime's threads also run under ThreadSanitizer (build-tsan/).
step "race detector"
bash "$root/scripts/tsan.sh"

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1:strict_string_checks=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
step "every test of the sanitizer build"
(cd "$root/build-test" && ctest --output-on-failure -j "$(nproc)" --timeout 600 "$@")

# The program as it ships: optimised, without sanitizers.
step "building the optimised build"
bash "$root/scripts/setup.sh" release
# The sanitizers cannot see inside the decoding libraries; memcheck can.
step "memory errors inside the media libraries (valgrind)"
bash "$root/scripts/valgrind.sh"
step "the media, module and front-end tests of the optimised build"
(cd "$root/build" && ctest --output-on-failure -j "$(nproc)" --timeout 600 \
  -L '^(dshow_tests|pipeline_tests|wmf_tests|hsf_tests|haf_tests|hvf_tests|hwriter_tests|module_support_tests|module_pictures_tests|x264_module_tests|encoder_core_tests|encoder_jobs_tests|encoder_ui_tests|encoder_app_tests)$' "$@")
step "done"
