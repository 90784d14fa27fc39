#!/usr/bin/env bash
# Builds the media runtime's tests, the filter modules' tests and the
# writer module's muxer tests with ThreadSanitizer into build-tsan/ and runs
# them: the streaming threads, the event queue, the sample paths and the
# muxer, which pins feed from their own threads, are where data races would
# live.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
dir="$root/build-tsan"
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DRIVO_TSAN=ON "${launcher[@]}" >/dev/null
targets=(dshow_tests pipeline_tests hsf_tests haf_tests hvf_tests hwriter_tests)
# The writer module's tests read their files back with the analyser's
# report tool from the program folder.
cmake --build "$dir" -j "$(nproc)" --target "${targets[@]}" rivoreader-report
export TSAN_OPTIONS="${TSAN_OPTIONS:-halt_on_error=1:second_deadlock_stack=1}"
# What ctest gives every test: the program folder, and no display needed.
export RIVO_BIN_DIR="$dir/bin"
export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"
for t in "${targets[@]}"; do
  echo "tsan: $t"
  "$dir/tests/$t" --gtest_brief=1 >"$dir/$t.log" 2>&1 || { tail -60 "$dir/$t.log"; echo "tsan: $t failed" >&2; exit 1; }
  tail -1 "$dir/$t.log"
done
