# What the benchmark scripts that race our graph against the ffmpeg command
# line share; sourced, not run. The script makes its benchmark program with
#
#   build_optimised NAME BUILD_DIR TARGET...
#
# (an optimised build, Release without sanitizers, configured in BUILD_DIR
# unless it is there already), defines two functions, ours FILE and theirs
# FILE, that each treat one file with their output thrown away, and calls
#
#   race RUNS WIDTH FILE...
#
# which times each in turn, RUNS times per file, as whole processes, and
# prints a table of the median wall times and their ratio (ours / ffmpeg)
# with the largest ratio under it. WIDTH is the width of the file column.

build_optimised() {
  local name="$1" build="$2" program
  shift 2
  for program in ffmpeg cmake; do
    command -v "$program" >/dev/null || { echo "$name: $program not found" >&2; exit 2; }
  done
  if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DRIVO_SANITIZE=OFF >/dev/null
  fi
  cmake --build "$build" --target "$@" >/dev/null
}

now() { date +%s.%N; }

# Wall seconds of one command.
timed() {
  local t0 t1
  t0=$(now)
  "$@" >/dev/null
  t1=$(now)
  awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.4f\n", b - a }'
}

median() { sort -g | awk '{ v[NR] = $1 } END { printf "%.3f", (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

race() {
  local runs="$1" width="$2" f i o t r worst=0
  shift 2
  printf "%-${width}s %10s %10s %8s\n" file ours ffmpeg ratio
  for f in "$@"; do
    local mine=() others=()
    for ((i = 1; i <= runs; i++)); do
      mine+=("$(timed ours "$f")")
      others+=("$(timed theirs "$f")")
    done
    o=$(printf "%s\n" "${mine[@]}" | median)
    t=$(printf "%s\n" "${others[@]}" | median)
    r=$(awk -v a="$o" -v b="$t" 'BEGIN { printf "%.4f", a / b }')
    printf "%-${width}s %9ss %9ss %8.3f\n" "$(basename "$f")" "$o" "$t" "$r"
    worst=$(awk -v a="$r" -v b="$worst" 'BEGIN { print (a > b) ? a : b }')
  done
  printf "largest ratio: %.3f (target: at most 1.100)\n" "$worst"
}
