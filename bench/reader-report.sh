#!/usr/bin/env bash
# Times RivoReader's report (the rivoreader-report tool) against mediainfo and
# ffprobe on large files that the script makes itself: an AVI (with a full
# idx1 index), an FLV, an Ogg, a WMV (with its simple index), an MP4 (sample
# tables for the whole file in its movie box) and a Matroska file (cues after
# the clusters, found through the seek head) of about SIZE_MB each, made by
# joining copies of a short encoded clip with stream copy. Each program reads each
# file RUNS times; the script prints the median wall time. Not part of the
# test suite.
#
#   bench/reader-report.sh [BUILD_DIR] [SIZE_MB] [RUNS]
#
# BUILD_DIR defaults to build/ (the optimised build of run.sh); SIZE_MB to
# 1024; RUNS to 5. The files go to a private temporary folder that is
# removed at the end.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$root/build}"
size_mb="${2:-1024}"
runs="${3:-5}"
tool="$build/tools/rivoreader-report"

for program in "$tool" ffmpeg ffprobe mediainfo; do
  command -v "$program" >/dev/null || { echo "reader-report: $program not found" >&2; exit 2; }
done

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

ff() { ffmpeg -hide_banner -loglevel error -nostdin -y "$@"; }

echo "making files of about ${size_mb} MB in $work ..." >&2
video="testsrc=size=640x480:rate=25:duration=20,noise=alls=40:allf=t"
audio="sine=frequency=440:sample_rate=44100:duration=20"
ff -f lavfi -i "$video" -f lavfi -i "$audio" -c:v mpeg4 -vtag XVID -q:v 3 -g 50 -c:a libmp3lame -ac 2 "$work/seed.avi"
ff -f lavfi -i "$video" -f lavfi -i "$audio" -c:v flv -q:v 3 -c:a libmp3lame "$work/seed.flv"
ff -f lavfi -i "$video" -f lavfi -i "$audio" -c:v libtheora -q:v 8 -c:a libvorbis -ac 2 "$work/seed.ogg"
ff -f lavfi -i "$video" -f lavfi -i "$audio" -c:v wmv2 -q:v 3 -g 50 -c:a wmav2 -ac 2 "$work/seed.wmv"
ff -f lavfi -i "$video" -f lavfi -i "$audio" -c:v libx264 -preset ultrafast -g 50 -c:a aac -ac 2 "$work/seed.mp4"
ff -f lavfi -i "$video" -f lavfi -i "$audio" -c:v mpeg4 -q:v 3 -g 50 -c:a libmp3lame -ac 2 "$work/seed.mkv"
kinds=(avi flv ogg wmv mp4 mkv)
for kind in "${kinds[@]}"; do
  seed="$work/seed.$kind"
  copies=$(( size_mb * 1048576 / $(stat -c %s "$seed") + 1 ))
  for ((i = 0; i < copies; i++)); do echo "file '$seed'"; done >"$work/list.txt"
  ff -f concat -safe 0 -i "$work/list.txt" -c copy -fs "${size_mb}M" "$work/large.$kind"
done
rm -f "$work"/seed.*

# Median wall time in seconds of running "$@" $runs times (output discarded).
median() {
  local times=()
  for ((i = 0; i < runs; i++)); do
    local start end
    start=$(date +%s.%N)
    "$@" >/dev/null 2>&1 || true
    end=$(date +%s.%N)
    times+=("$(awk -v a="$start" -v b="$end" 'BEGIN { print b - a }')")
  done
  printf '%s\n' "${times[@]}" | sort -g | awk '{ a[NR] = $1 } END { printf "%.3f", a[int((NR + 1) / 2)] }'
}

printf '%-10s %10s %20s %12s %12s\n' file MB rivoreader-report mediainfo ffprobe
for kind in "${kinds[@]}"; do
  file="$work/large.$kind"
  mb=$(( $(stat -c %s "$file") / 1048576 ))
  cat "$file" >/dev/null  # the same warm cache for every program
  printf '%-10s %10s %20s %12s %12s\n' "large.$kind" "$mb" \
    "$(median "$tool" "$file")" \
    "$(median mediainfo "$file")" \
    "$(median ffprobe -v error -show_format -show_streams "$file")"
done
