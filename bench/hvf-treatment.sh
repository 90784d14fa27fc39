#!/usr/bin/env bash
# Speed of the video treatment filter against the ffmpeg command line on
# the same file: a 30-second 1280x720 H.264 file made by ffmpeg is read,
# decoded, deinterlaced, adjusted (brightness, contrast, saturation),
# sharpened and scaled to 640x360 through our graph (hvf_bench: source,
# splitter, decoder, the treatment filter on its own thread, a null
# renderer) and by "ffmpeg -vf yadif,eq,unsharp,scale -f null -" with the
# same values. Both are timed the same way, as whole processes, RUNS times
# in turn; the script prints the median wall times and their ratio (ours /
# ffmpeg). Our chain scales before it adjusts and sharpens, so a second
# ffmpeg line with the filters in that order is timed too, for a figure of
# the same work. Not part of the test suite.
#
#   bench/hvf-treatment.sh [BUILD_DIR] [SECONDS] [RUNS]
#
# BUILD_DIR defaults to build-hvf-bench/, an optimised build (Release, no
# sanitizers) that the script configures and builds itself; SECONDS (the
# length of the file) to 30; RUNS to 5. The file goes to a private
# temporary folder that is removed at the end.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$root/build-hvf-bench}"
seconds="${2:-30}"
runs="${3:-5}"

# shellcheck source=against-ffmpeg.sh
source "$root/bench/against-ffmpeg.sh"
build_optimised hvf-treatment "$build" hvf_bench
bench="$build/bench/hvf_bench"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
file="$work/h264_720p.mkv"
echo "making a ${seconds}-second 720p file in $work ..." >&2
ffmpeg -hide_banner -loglevel error -nostdin -y \
  -f lavfi -i "testsrc2=size=1280x720:rate=25:duration=$seconds,noise=alls=20:allf=t" \
  -c:v libx264 -preset fast -an "$file"

# The values hvf_bench gives the filter, as the filter maps them.
eq="eq=brightness=0.05:contrast=1.1:saturation=1.2"
unsharp="unsharp=5:5:1:5:5:0"
scale="scale=640:360:flags=bicubic"
yadif="yadif=mode=send_frame:parity=auto:deint=all"

ff() { ffmpeg -hide_banner -loglevel error -nostdin -i "$file" -vf "$1" -f null -; }

ours=() issue=() same=()
for ((i = 1; i <= runs; i++)); do
  ours+=("$(timed "$bench" "$file")")
  issue+=("$(timed ff "$yadif,$eq,$unsharp,$scale")")
  same+=("$(timed ff "$yadif,$scale,$eq,$unsharp")")
done
o=$(printf "%s\n" "${ours[@]}" | median)
a=$(printf "%s\n" "${issue[@]}" | median)
b=$(printf "%s\n" "${same[@]}" | median)
echo "decode + deinterlace + eq + unsharp + scale to 640x360 of ${seconds} s of 720p: $runs runs each, $(nproc) cores, $(uname -m)"
printf "%-44s %9ss\n" "ours (hvf_bench)" "$o"
ratio() { awk -v x="$1" -v y="$2" 'BEGIN { print x / y }'; }
printf "%-44s %9ss  ratio %.3f (target: at most 0.800)\n" "ffmpeg -vf yadif,eq,unsharp,scale" "$a" "$(ratio "$o" "$a")"
printf "%-44s %9ss  ratio %.3f\n" "ffmpeg -vf yadif,scale,eq,unsharp (our order)" "$b" "$(ratio "$o" "$b")"
