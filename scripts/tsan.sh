#!/usr/bin/env bash
# Builds the media runtime's tests, the filter modules' tests and the
# writer module's muxer tests with ThreadSanitizer into build-tsan/ and runs
# them: the streaming threads, the event queue, the sample paths and the
# muxer, which pins feed from their own threads, are where data races would
# live.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
dir="$root/build-tsan"
export CCACHE_DIR="${CCACHE_DIR:-$HOME/.cache/rivo-ccache}"
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$root}"
export CCACHE_MAXSIZE="${CCACHE_MAXSIZE:-15G}"  # as scripts/setup.sh says
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DRIVO_TSAN=ON "${launcher[@]}" >/dev/null
targets=(dshow_tests pipeline_tests hsf_tests haf_tests hvf_tests hwriter_tests)
# The writer module's tests read their files back with the analyser's
# report tool from the tools folder.
cmake --build "$dir" -j "$(nproc)" --target "${targets[@]}" rivoreader-report
export TSAN_OPTIONS="${TSAN_OPTIONS:-halt_on_error=1:second_deadlock_stack=1}"
# What ctest gives every test: the program folder, and no display needed.
export RIVO_BIN_DIR="$dir/bin"
export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"
# The test programs run side by side, the slow ones split into shards by
# GoogleTest's own sharding, each into its own log; a failing one shows the
# end of its log.
shards_of() {
  case "$1" in
    pipeline_tests | hwriter_tests) echo 3 ;;
    hvf_tests) echo 2 ;;
    *) echo 1 ;;
  esac
}
pids=() names=() logs=()
for t in "${targets[@]}"; do
  n="$(shards_of "$t")"
  for ((i = 0; i < n; i++)); do
    log="$dir/$t.$i.log"
    GTEST_TOTAL_SHARDS="$n" GTEST_SHARD_INDEX="$i" "$dir/tests/$t" --gtest_brief=1 >"$log" 2>&1 &
    pids+=("$!") names+=("$t ($((i + 1))/$n)") logs+=("$log")
  done
done
failed=0
for k in "${!pids[@]}"; do
  if wait "${pids[$k]}"; then
    echo "tsan: ${names[$k]}: $(tail -1 "${logs[$k]}")"
  else
    tail -60 "${logs[$k]}"
    echo "tsan: ${names[$k]} failed" >&2
    failed=1
  fi
done
exit "$failed"
