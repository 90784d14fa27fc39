#!/usr/bin/env bash
# Builds the libFuzzer targets with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer into build-fuzz/ and runs them.
#
#   scripts/fuzz.sh [TARGET...]                  the test command's step
#   scripts/fuzz.sh --long SECONDS [TARGET...]   random fuzzing by hand
#
# The test command's step gives the same result on every run: each target
# first runs every input of its seed corpus (tests/fuzz/corpus/TARGET/, in
# the order of their names), then a fixed number of mutations from a fixed
# seed. The inputs a run finds live only in memory, so the next run starts
# from the same corpus again.
#
# --long runs each target (or the ones named) for SECONDS with a random
# seed, keeping what it finds in build-fuzz/corpus/TARGET/ (started from the
# committed seeds), so that one long session can follow another.
#
# Either way a crash, leak, sanitizer report, out-of-memory or time-out of
# one input fails the run, and that input is kept as
# build-fuzz/artifacts/TARGET-crash-... (replay it with
# build-fuzz/fuzz/TARGET FILE). An input that once failed belongs in the
# target's seed corpus once it is mended.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
dir="$root/build-fuzz"
corpora="$root/tests/fuzz/corpus"

long=0
seconds=0
if [ "${1:-}" = "--long" ]; then
  long=1
  seconds="${2:-}"
  if ! [[ "$seconds" =~ ^[1-9][0-9]*$ ]]; then
    echo "usage: scripts/fuzz.sh [--long SECONDS] [TARGET...]" >&2
    exit 2
  fi
  shift 2
fi

# Mutations after the seed corpus, per target: the slow targets (whole skin
# windows, every analyser over a file, picture decoding) get fewer, so that
# each target takes some ten seconds here.
declare -A runs=(
  [SamiFuzzer]=6000 [MicroDvdSubRipFuzzer]=6000 [SsaFuzzer]=6000 [VobSubIndexFuzzer]=6000
  [VobSubPacketFuzzer]=6000 [ReaderFuzzer]=4000 [SourceProbeFuzzer]=3000 [SkinBitmapFuzzer]=6000
  [SkinAttributeFuzzer]=20000 [SkinDocumentFuzzer]=1500 [ScriptFuzzer]=6000 [AviIndexFuzzer]=20000
  [LogoPictureFuzzer]=3000 [SubtitleTextFuzzer]=1500 [AsfHeaderFuzzer]=20000
)
# Targets over libraries that run threads of their own (Qt's thread pool
# scales and converts pictures). Their threads allocate alongside the
# input, so the addresses an input meets differ by chance: libFuzzer does
# not take the values the target compares (addresses among them) as words
# for inputs here; and its check of each input for leaks, which runs an
# input again when its allocations and frees do not match, would run some
# inputs twice by chance (the pool frees a work item after the input that
# made it may have ended). Their leaks are still found, by the check at the
# end of the run.
declare -A threaded=([SkinBitmapFuzzer]=1 [SkinAttributeFuzzer]=1 [SkinDocumentFuzzer]=1)
all=(SamiFuzzer MicroDvdSubRipFuzzer SsaFuzzer VobSubIndexFuzzer VobSubPacketFuzzer ReaderFuzzer
  SourceProbeFuzzer SkinBitmapFuzzer SkinAttributeFuzzer SkinDocumentFuzzer ScriptFuzzer AviIndexFuzzer
  LogoPictureFuzzer SubtitleTextFuzzer AsfHeaderFuzzer)
targets=("$@")
((${#targets[@]})) || targets=("${all[@]}")
for t in "${targets[@]}"; do
  if [ -z "${runs[$t]:-}" ]; then
    echo "fuzz: no target $t (targets: ${all[*]})" >&2
    exit 2
  fi
  if ! compgen -G "$corpora/$t/*" >/dev/null; then
    echo "fuzz: $t has no seed corpus in $corpora/$t/" >&2
    exit 1
  fi
done

export CCACHE_DIR="${CCACHE_DIR:-$HOME/.cache/rivo-ccache}"
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$root}"
export CCACHE_MAXSIZE="${CCACHE_MAXSIZE:-15G}"  # as scripts/setup.sh says
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
CC=clang CXX=clang++ cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DRIVO_SANITIZE=ON \
  "${launcher[@]}" >/dev/null
cmake --build "$dir" -j "$(nproc)" --target "${targets[@]}"

mkdir -p "$dir/artifacts" "$dir/logs"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# libFuzzer takes the values the target compares as words to put into
# inputs, addresses among them: the same run needs the same addresses. So
# the targets run without address randomisation, and with the same
# arguments and environment wherever the checkout is (the stack starts below
# them): from a folder of their own, through fixed relative names. The
# program is copied there too, since the program folder's path (read from
# /proc/self/exe) is a string the target holds.
fixed=(timeout -k 10 900 env -i PATH=/usr/bin:/bin LANG=C.UTF-8 ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1}"
  UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1}")
if setarch "$(uname -m)" -R true 2>/dev/null; then
  fixed+=(setarch "$(uname -m)" -R)
elif ((!long)); then
  echo "fuzz: addresses cannot be fixed here (setarch -R refused); runs may differ from one to the next" >&2
fi
ln -s "$dir/artifacts" "$work/artifacts"

for t in "${targets[@]}"; do
  cp "$dir/fuzz/$t" "$work/target"
  # A target may bring the words of its input language.
  dict=()
  rm -f "$work/dict"
  if [ -f "$root/tests/fuzz/$t.dict" ]; then
    cp "$root/tests/fuzz/$t.dict" "$work/dict"
    dict=(-dict=dict)
  fi
  log="$dir/logs/$t.log"
  # libFuzzer checks an input's time on a timer signal every half of
  # -timeout; a signal in the middle of an input changes the paths it takes
  # (an interrupted call is made again), so the limit is long enough that
  # the timer never fires in a normal run, which takes well under a
  # minute. A hanging input still fails, with its input kept, after that
  # limit; the outer time limit is for a target that hangs outside an input.
  common=(-max_len=4096 -timeout=400 -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="artifacts/$t-")
  if ((long)); then
    mkdir -p "$dir/corpus/$t"
    echo "fuzz: $t for ${seconds}s, corpus $dir/corpus/$t"
    cmd=(./target "${dict[@]}" "${common[@]}" -max_total_time="$seconds" "$dir/corpus/$t" "$corpora/$t")
  else
    # The seeds by name: libFuzzer shuffles them with its seed and then
    # orders them by size, so the order it is given decides the rest.
    (cd "$corpora/$t" && find . -type f | LC_ALL=C sort | sed "s|^\./|$corpora/$t/|" | paste -sd, | tr -d '\n') \
      >"$work/seeds"
    echo "fuzz: $t: $(awk -F, '{print NF}' "$work/seeds") seeds, then ${runs[$t]} runs"
    leaks=()
    [ -n "${threaded[$t]:-}" ] && leaks=(-detect_leaks=0 -use_cmp=0)
    cmd=("${fixed[@]}" ./target "${dict[@]}" "${common[@]}" "${leaks[@]}" -seed=1 -runs="${runs[$t]}"
      -seed_inputs=@seeds)
  fi
  if ! (cd "$work" && "${cmd[@]}") >"$log" 2>&1; then
    # The report from its first line (what went wrong and where), then the
    # end of the log (the input and where it was kept).
    first=$(grep -n -m1 -E '^==[0-9]+==|runtime error:|^ERROR: libFuzzer' "$log" | cut -d: -f1 || true)
    [ -n "$first" ] && sed -n "${first},$((first + 40))p" "$log" && echo "..."
    tail -12 "$log"
    echo "fuzz: $t failed; the input is in $dir/artifacts/ (replay: $dir/fuzz/$t FILE)" >&2
    exit 1
  fi
  echo "fuzz: $t: $(grep -E '^#[0-9]+[[:space:]]+DONE' "$log" | tail -1)"
done
