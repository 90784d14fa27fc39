#!/usr/bin/env bash
# Cost of the media runtime per sample and per hop: one million small
# samples (16 bytes) go from a source's streaming thread through chains of
# pass-through transforms into a sink that does nothing, without a clock.
# The filters do no work of their own, so the times are the runtime's:
# allocator, delivery, locks and counted payloads. Not part of the test
# suite.
#
#   bench/dshow-samples.sh [BUILD_DIR] [SAMPLES] [RUNS]
#
# BUILD_DIR defaults to build-dshow-bench/, an optimised build (Release,
# no sanitizers) that the script configures and builds itself; SAMPLES to
# 1000000; RUNS to 3 (each run prints its own table).
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$root/build-dshow-bench}"
samples="${2:-1000000}"
runs="${3:-3}"

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DRIVO_SANITIZE=OFF >/dev/null
fi
cmake --build "$build" --target dshow_bench >/dev/null

echo "media runtime: $samples samples per chain, $(nproc) cores, $(uname -m)"
for ((i = 1; i <= runs; i++)); do
  echo "run $i"
  "$build/bench/dshow_bench" "$samples"
done
