#!/usr/bin/env bash
# Builds the libFuzzer targets with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer into build-fuzz/ and runs each one for a bounded
# time from an empty corpus. A crash, leak, sanitizer report or time-out of
# one input fails the run.
#
#   scripts/fuzz.sh [SECONDS_PER_TARGET]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
seconds="${1:-${RIVO_FUZZ_SECONDS:-20}}"
dir="$root/build-fuzz"

export CCACHE_DIR="${CCACHE_DIR:-$HOME/.cache/rivo-ccache}"
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$root}"
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
CC=clang CXX=clang++ cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DRIVO_SANITIZE=ON \
  "${launcher[@]}" >/dev/null
targets=(SamiFuzzer MicroDvdSubRipFuzzer SsaFuzzer VobSubIndexFuzzer VobSubPacketFuzzer ReaderFuzzer
  SourceProbeFuzzer SkinBitmapFuzzer SkinAttributeFuzzer SkinDocumentFuzzer ScriptFuzzer AviIndexFuzzer
  LogoPictureFuzzer SubtitleTextFuzzer AsfHeaderFuzzer)
cmake --build "$dir" -j "$(nproc)" --target "${targets[@]}"

for t in "${targets[@]}"; do
  corpus="$(mktemp -d)"
  # A target may bring the words of its input language.
  dict=()
  [ -f "$root/tests/fuzz/$t.dict" ] && dict=(-dict="$root/tests/fuzz/$t.dict")
  echo "fuzz: $t for ${seconds}s"
  if ! "$dir/fuzz/$t" "${dict[@]}" -max_total_time="$seconds" -max_len=4096 -timeout=10 -print_final_stats=0 \
       -artifact_prefix="$dir/fuzz/$t-" "$corpus" >"$dir/fuzz/$t.log" 2>&1; then
    tail -40 "$dir/fuzz/$t.log"
    rm -rf "$corpus"
    echo "fuzz: $t failed; the input is in $dir/fuzz/" >&2
    exit 1
  fi
  grep -E 'Done [0-9]+ runs' "$dir/fuzz/$t.log" || true
  rm -rf "$corpus"
done
