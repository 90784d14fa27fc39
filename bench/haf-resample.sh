#!/usr/bin/env bash
# Resampling speed of the audio treatment filter against the ffmpeg command
# line on the same files: our graph reads the file's audio with the
# system's source and decoder and has the audio filter make 44.1 kHz stereo
# 16-bit sound of it for the null renderer (haf_bench), while
# "ffmpeg -i FILE -af aresample=44100 -f null -" decodes, resamples and
# converts to 16-bit the same stream. Both are timed the same way, as whole
# processes, RUNS times in turn; the script prints the median wall times and
# their ratio (ours / ffmpeg). Not part of the test suite.
#
#   bench/haf-resample.sh [BUILD_DIR] [SECONDS] [RUNS]
#
# BUILD_DIR defaults to build-haf-bench/, an optimised build (Release, no
# sanitizers) that the script configures and builds itself; SECONDS (the
# length of each file) to 600; RUNS to 5. The files go to a private
# temporary folder that is removed at the end.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
# shellcheck source=against-ffmpeg.sh
source "$root/bench/against-ffmpeg.sh"
build="${1:-$root/build-haf-bench}"
seconds="${2:-600}"
runs="${3:-5}"

build_optimised haf-resample "$build" haf_bench rivo_haf_module
bench="$build/bench/haf_bench"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
ff() { ffmpeg -hide_banner -loglevel error -nostdin -y "$@"; }

echo "making ${seconds}-second 48 kHz stereo files in $work ..." >&2
# Two tones and some noise, so that the coders have something to do.
sound="aevalsrc=0.3*sin(2*PI*440*t)+0.2*sin(2*PI*1234*t)+0.05*random(0)|0.3*sin(2*PI*554*t)+0.05*random(1):s=48000:d=$seconds"
ff -f lavfi -i "$sound" -c:a aac -b:a 192k "$work/aac.m4a"
ff -f lavfi -i "$sound" -c:a libmp3lame -b:a 192k "$work/mp3.mp3"
ff -f lavfi -i "$sound" -c:a flac "$work/flac.mka"
ff -f lavfi -i "$sound" -c:a pcm_s16le "$work/pcm.wav"

echo "48 kHz to 44.1 kHz stereo 16-bit through our graph and through ffmpeg: $runs runs each, $(nproc) cores, $(uname -m)"
ours() { "$bench" "$1"; }
theirs() { ffmpeg -hide_banner -loglevel error -nostdin -i "$1" -af aresample=44100 -f null -; }
race "$runs" 12 "$work"/*
