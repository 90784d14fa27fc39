#!/usr/bin/env bash
# Speed of the writer graphs against the ffmpeg command line at the same
# codec settings: a 60-second 640x480 file made by ffmpeg (MPEG-4 of good
# quality with PCM sound, in AVI) is decoded and encoded by our graph
# (hwriter_bench: the system's source, splitter and decoders, a writer of
# hwriter.dll) and by the ffmpeg command line, for AVI MPEG-4 + MP3, MP4
# H.264 + AAC (when libx264 is here) and ASF WMV2 + WMA2; constant bit rate
# 1000 kbit/s (1024 for Windows Media, whose kilobit is 1024 bits), sound
# at 128 kbit/s, a key frame every 10 seconds. Both are timed the same way,
# as whole processes, RUNS times in turn; the script prints the median wall
# times and their ratio (ours / ffmpeg). Not part of the test suite.
#
#   bench/hwriter-encode.sh [BUILD_DIR] [SECONDS] [RUNS]
#
# BUILD_DIR defaults to build-hwriter-bench/, an optimised build (Release,
# no sanitizers) that the script configures and builds itself; SECONDS to
# 60; RUNS to 3. The files go to a private temporary folder that is removed
# at the end.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$root/build-hwriter-bench}"
seconds="${2:-60}"
runs="${3:-3}"

# shellcheck source=against-ffmpeg.sh
source "$root/bench/against-ffmpeg.sh"
RACE_TARGET=1.000
build_optimised hwriter-encode "$build" hwriter_bench
bench="$build/bench/hwriter_bench"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
echo "making a ${seconds}-second 640x480 file in $work ..." >&2
ffmpeg -hide_banner -loglevel error -nostdin -y \
  -f lavfi -i "testsrc2=size=640x480:rate=25:duration=$seconds" \
  -f lavfi -i "sine=frequency=440:sample_rate=44100:duration=$seconds" \
  -ac 2 -c:v mpeg4 -q:v 2 -c:a pcm_s16le "$work/source-${seconds}s.avi"

# H.264 only where libavcodec here has the libx264 encoder (where x264.dll
# is built).
choices=(avi-mpeg4-mp3 asf-wmv2-wma2)
encoders="$(ffmpeg -hide_banner -encoders 2>/dev/null)"
[[ "$encoders" == *" libx264 "* ]] && choices=(avi-mpeg4-mp3 mp4-h264-aac asf-wmv2-wma2)

# The codec settings the writers take from their codec blocks and profile,
# as the command line names them.
ffargs() {
  case "$1" in
    avi-mpeg4-mp3) echo "-c:v mpeg4 -vtag XVID -b:v 1000k -maxrate 1000k -bufsize 1000k -g 250
                         -c:a libmp3lame -b:a 128k -compression_level 5 -f avi" ;;
    mp4-h264-aac) echo "-c:v libx264 -b:v 1000k -maxrate 1000k -bufsize 1000k -g 250
                        -c:a aac -b:a 128k -aac_coder fast -f mp4" ;;
    asf-wmv2-wma2) echo "-c:v wmv2 -b:v 1024k -maxrate 1024k -bufsize 1024k -g 250
                         -c:a wmav2 -b:a 128k -f asf" ;;
  esac
}

ours() { "$bench" "$build/bin" "$choice" "$1" "$work/ours.out"; }
# shellcheck disable=SC2046
theirs() { ffmpeg -hide_banner -loglevel error -nostdin -y -i "$1" $(ffargs "$choice") "$work/theirs.out"; }

echo "decode + encode of ${seconds} s of 640x480: $runs runs each, $(nproc) cores, $(uname -m)"
for choice in "${choices[@]}"; do
  echo "== $choice"
  race "$runs" 24 "$work/source-${seconds}s.avi"
done
