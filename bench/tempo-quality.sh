#!/usr/bin/env bash
# Which pitch-keeping speed change the audio filter should use: the ffmpeg
# command line's tempo filter (atempo, what HAF.ax runs) against its
# rubberband filter, on a chord of two tones (440 and 660 Hz, 10 s, 48 kHz).
# For each speed it prints the length made and how much of the sound is no
# longer the two tones: the RMS level left after notching them out, in dB
# below full scale (lower is cleaner), beside the whole sound's RMS level.
# Not part of the test suite.
#
#   bench/tempo-quality.sh [SPEEDS...]     (default 0.5 0.75 1.5 2.0)
set -euo pipefail

command -v ffmpeg >/dev/null || { echo "tempo-quality: ffmpeg not found" >&2; exit 2; }
filters="$(ffmpeg -hide_banner -filters 2>/dev/null)"
[[ "$filters" == *" rubberband "* ]] || { echo "tempo-quality: this ffmpeg has no rubberband filter" >&2; exit 2; }
speeds=("$@")
[ ${#speeds[@]} -gt 0 ] || speeds=(0.5 0.75 1.5 2.0)

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
ffmpeg -hide_banner -loglevel error -nostdin -y -f lavfi \
  -i "aevalsrc=0.3*sin(2*PI*440*t)+0.3*sin(2*PI*660*t):s=48000:d=10" -c:a pcm_s16le "$work/chord.wav"

rms() {
  ffmpeg -hide_banner -nostdin -i "$1" -af "${2:+$2,}astats=measure_perchannel=none:measure_overall=RMS_level" \
    -f null - 2>&1 | awk '/RMS level dB/ { v = $NF } END { print v }'
}
notch="bandreject=f=440:width_type=h:w=40,bandreject=f=440:width_type=h:w=40"
notch="$notch,bandreject=f=660:width_type=h:w=40,bandreject=f=660:width_type=h:w=40"

printf "%-22s %9s %9s %12s\n" filter length "RMS dB" "left dB"
for s in "${speeds[@]}"; do
  for f in "atempo=$s" "rubberband=tempo=$s"; do
    ffmpeg -hide_banner -loglevel error -nostdin -y -i "$work/chord.wav" -af "$f" "$work/out.wav"
    length=$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$work/out.wav")
    printf "%-22s %8.3fs %9.2f %12.2f\n" "$f" "$length" "$(rms "$work/out.wav")" "$(rms "$work/out.wav" "$notch")"
  done
done
