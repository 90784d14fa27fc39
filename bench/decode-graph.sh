#!/usr/bin/env bash
# Decoding speed of our filter graph against the ffmpeg command line on the
# same files: the connect search renders each file into null renderers
# (splitter or source, decoders, no clock) and runs it to the end
# (decode_bench), while "ffmpeg -i FILE -f null -" demultiplexes and decodes
# the same streams (one video and one audio each). Both are timed the same
# way, as whole processes, RUNS times in turn; the script prints the median
# wall times and their ratio (ours / ffmpeg). Not part of the test suite.
#
#   bench/decode-graph.sh [BUILD_DIR] [SECONDS] [RUNS]
#
# BUILD_DIR defaults to build-decode-bench/, an optimised build (Release, no
# sanitizers) that the script configures and builds itself; SECONDS (the
# length of each file) to 30; RUNS to 5. The files go to a private temporary
# folder that is removed at the end.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
# shellcheck source=against-ffmpeg.sh
source "$root/bench/against-ffmpeg.sh"
build="${1:-$root/build-decode-bench}"
seconds="${2:-30}"
runs="${3:-5}"

build_optimised decode-graph "$build" decode_bench
bench="$build/bench/decode_bench"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
ff() { ffmpeg -hide_banner -loglevel error -nostdin -y "$@"; }

echo "making ${seconds}-second files in $work ..." >&2
picture() { echo "testsrc2=size=$1:rate=25:duration=$seconds,noise=alls=20:allf=t"; }
tone="sine=frequency=440:sample_rate=48000:duration=$seconds"
ff -f lavfi -i "$(picture 1280x720)" -f lavfi -i "$tone" -c:v libx264 -preset fast -c:a aac -ac 2 "$work/h264_aac_720p.mp4"
ff -f lavfi -i "$(picture 1920x1080)" -f lavfi -i "$tone" -c:v libx264 -preset veryfast -c:a aac -ac 2 "$work/h264_aac_1080p.mkv"
ff -f lavfi -i "$(picture 720x576)" -f lavfi -i "$tone" -c:v mpeg4 -vtag XVID -q:v 3 -c:a libmp3lame -ac 2 "$work/mpeg4_mp3.avi"
ff -f lavfi -i "$(picture 720x576)" -f lavfi -i "$tone" -c:v mpeg2video -q:v 3 -c:a mp2 -f mpegts "$work/mpeg2_mp2.ts"
ff -f lavfi -i "$(picture 640x480)" -f lavfi -i "$tone" -c:v wmv2 -q:v 3 -c:a wmav2 -ac 2 "$work/wmv2_wmav2.asf"
ff -f lavfi -i "$(picture 640x480)" -f lavfi -i "$tone" -c:v libtheora -q:v 7 -c:a libvorbis -ac 2 "$work/theora_vorbis.ogg"

echo "decoding through our graph and through ffmpeg -f null: $runs runs each, $(nproc) cores, $(uname -m)"
ours() { "$bench" "$1"; }
theirs() { ffmpeg -hide_banner -loglevel error -nostdin -i "$1" -f null -; }
race "$runs" 24 "$work"/*
