#!/usr/bin/env bash
# Conversion speed and peak memory of a whole writer graph against the
# ffmpeg command line with the same codecs and settings, in one run: a
# 60-second 640x480 source is converted as the progress window converts a
# job (settings record, BuildFilterChain, Open, Play, events to the end;
# convert_bench) and by ffmpeg, RUNS times in turn, each as a whole process
# timed the same way. Prints the median wall times, their ratio (ours /
# ffmpeg) against the target, and the peak resident memory of each; then
# the same conversions with the writer's preview on against off. Not part
# of the test suite.
#
#   bench/convert-graph.sh [BUILD_DIR] [SECONDS] [RUNS]
#
# BUILD_DIR defaults to build-convert-bench/, an optimised build (Release,
# no sanitizers) that the script configures and builds itself, whose
# program folder holds the filter modules; SECONDS to 60; RUNS to 3. The
# files go to a private temporary folder that is removed at the end.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
# shellcheck source=against-ffmpeg.sh
source "$root/bench/against-ffmpeg.sh"
build="${1:-$root/build-convert-bench}"
seconds="${2:-60}"
runs="${3:-3}"

command -v python3 >/dev/null || { echo "convert-graph: python3 not found" >&2; exit 2; }
# Everything: the benchmark program and every filter module the program
# folder holds.
build_optimised convert-graph "$build" all
bench="$build/bench/convert_bench"
for module in HSF.ax HVF.ax HAF.ax hwriter.dll; do
  [ -f "$build/bin/$module" ] || { echo "convert-graph: $module is not in $build/bin yet" >&2; exit 2; }
done

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
ff() { ffmpeg -hide_banner -loglevel error -nostdin -y "$@"; }

echo "making a ${seconds}-second 640x480 source in $work ..." >&2
ff -f lavfi -i "testsrc2=size=640x480:rate=25:duration=$seconds,noise=alls=20:allf=t" \
   -f lavfi -i "sine=frequency=440:sample_rate=44100:duration=$seconds" \
   -c:v mpeg4 -vtag XVID -q:v 3 -c:a libmp3lame -ac 2 "$work/source.avi"

# Wall seconds and peak resident kilobytes of one command, as "SECONDS KB".
measured() {
  python3 - "$@" <<'PY'
import resource, subprocess, sys, time
t0 = time.monotonic()
code = subprocess.run(sys.argv[1:], stdout=subprocess.DEVNULL).returncode
t1 = time.monotonic()
peak = resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss
print("%.4f %d" % (t1 - t0, peak) if code == 0 else "failed %d" % code)
PY
}

# name, our format and treatment, ffmpeg's arguments for the same output,
# the target ratio. The writers' constant bit rate keeps a buffer of one
# second at the rate, so ffmpeg gets the same maximum rate and buffer.
cbr="-b:v 1024k -maxrate 1024k -bufsize 1024k"
cases=(
  "avi-mpeg4-mp3|avi|-c:v mpeg4 -vtag XVID $cbr -g 250 -c:a libmp3lame -b:a 128k|1.0|out.avi"
  "mp4-h264-aac|mp4|-c:v libx264 $cbr -g 250 -c:a aac -b:a 128k -ar 48000|1.0|out.mp4"
  "asf-wmv2-wma2|asf|-c:v wmv2 $cbr -c:a wmav2 -b:a 128k -ar 48000|1.0|out.asf"
  "avi-treated|avi treat|-vf yadif,eq=brightness=0.05:contrast=1.1:saturation=1.2,unsharp,scale=320:240 -c:v mpeg4 -vtag XVID $cbr -g 250 -c:a libmp3lame -b:a 128k|0.8|treated.avi"
)

echo "converting through our graph and through ffmpeg: $runs runs each, $(nproc) cores, $(uname -m)"
printf "%-16s %9s %9s %7s %7s %10s %10s\n" case ours ffmpeg ratio target "our peak" "ff peak"
status=0
for c in "${cases[@]}"; do
  IFS='|' read -r name ours_args ff_args target out <<<"$c"
  read -r format treat <<<"$ours_args"
  ours=() theirs=() our_peak=0 ff_peak=0
  for ((i = 1; i <= runs; i++)); do
    # shellcheck disable=SC2086
    read -r t p <<<"$(measured "$bench" "$build/bin" "$format" "$work/source.avi" "$work/ours-$out" $treat)"
    [ "$t" = failed ] && { echo "$name: our conversion failed" >&2; status=1; continue 2; }
    ours+=("$t"); [ "$p" -gt "$our_peak" ] && our_peak=$p
    # shellcheck disable=SC2086
    read -r t p <<<"$(measured ffmpeg -hide_banner -loglevel error -nostdin -y -i "$work/source.avi" $ff_args "$work/ff-$out")"
    theirs+=("$t"); [ "$p" -gt "$ff_peak" ] && ff_peak=$p
  done
  o=$(printf "%s\n" "${ours[@]}" | median)
  f=$(printf "%s\n" "${theirs[@]}" | median)
  r=$(awk -v a="$o" -v b="$f" 'BEGIN { printf "%.3f", a / b }')
  printf "%-16s %8ss %8ss %7s %7s %8sMB %8sMB\n" "$name" "$o" "$f" "$r" "$target" $((our_peak / 1024)) $((ff_peak / 1024))
  awk -v a="$r" -v b="$target" 'BEGIN { exit !(a > b) }' && status=1
done

# The writer's preview: the same conversion with a 480x360 preview pane in
# an offscreen window served by the main thread, with the preview on and
# off, in turn; the preview may cost at most 3 %.
echo
echo "the preview on against off, $runs runs each"
printf "%-16s %9s %9s %7s %7s\n" case on off ratio target
for format in avi mp4; do
  on=() off=()
  for ((i = 1; i <= runs; i++)); do
    read -r t _ <<<"$(measured "$bench" "$build/bin" "$format" "$work/source.avi" "$work/preview-on.$format" preview)"
    [ "$t" = failed ] && { echo "$format: the conversion with the preview failed" >&2; status=1; continue 2; }
    on+=("$t")
    read -r t _ <<<"$(measured "$bench" "$build/bin" "$format" "$work/source.avi" "$work/preview-off.$format" pane)"
    [ "$t" = failed ] && { echo "$format: the conversion without the preview failed" >&2; status=1; continue 2; }
    off+=("$t")
  done
  a=$(printf "%s\n" "${on[@]}" | median)
  b=$(printf "%s\n" "${off[@]}" | median)
  r=$(awk -v a="$a" -v b="$b" 'BEGIN { printf "%.3f", a / b }')
  printf "%-16s %8ss %8ss %7s %7s\n" "$format-preview" "$a" "$b" "$r" 1.030
  echo "  on: ${on[*]}"
  echo "  off: ${off[*]}"
  awk -v a="$r" 'BEGIN { exit !(a > 1.03) }' && status=1
done
exit $status
