# Shared by the benchmark scripts that time our programs against the ffmpeg
# command line: sourced, not run.

# Fails with a message unless each program is on the path.
bench_require() {
  local program
  for program in "$@"; do
    command -v "$program" >/dev/null || { echo "$(basename "$0"): $program not found" >&2; exit 2; }
  done
}

# Configures BUILD (an optimised build, Release, no sanitizers) when it has
# no cache yet, and builds the TARGET in it.
bench_build() {
  local root="$1" build="$2" target="$3"
  if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DRIVO_SANITIZE=OFF >/dev/null
  fi
  cmake --build "$build" --target "$target" >/dev/null
}

# Wall seconds of one command (its output discarded).
timed() {
  local t0 t1
  t0=$(date +%s.%N)
  "$@" >/dev/null
  t1=$(date +%s.%N)
  awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.4f\n", b - a }'
}

# The median of the numbers on standard input, one a line.
median() { sort -g | awk '{ v[NR] = $1 } END { printf "%.3f", (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
