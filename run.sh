#!/usr/bin/env bash
# Main job: installs what the project needs, builds the program folder
# (build/bin/) and runs the most complete program in it.
#
#   ./run.sh [PROGRAM [ARGS...]]
#
# PROGRAM names an executable in build/bin/ (e.g. rivoreader-report FILE) or
# a developer tool in build/tools/ (rivo-trace-listen). Without one,
# RivoReader analyses a sample file made here with the ffmpeg command line,
# in its window where a display exists, else by printing the same report.
# RivoEnc's window (./run.sh RivoEnc) cannot start a conversion yet: its
# progress window is not built.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
bash "$root/scripts/setup.sh" release
bin="$root/build/bin"

if (($#)); then
  prog="$1"; shift
  if [ ! -x "$bin/$prog" ] && [ -x "$root/build/tools/$prog" ]; then exec "$root/build/tools/$prog" "$@"; fi
  exec "$bin/$prog" "$@"
fi

sample_dir="$root/build/sample"
sample="$sample_dir/sample.avi"
mkdir -p "$sample_dir"
if [ ! -s "$sample" ]; then
  echo "run: making a sample file $sample"
  ffmpeg -loglevel error -y -f lavfi -i testsrc=size=320x240:rate=25:duration=5 \
    -f lavfi -i sine=frequency=440:duration=5 -c:v mpeg4 -vtag XVID -g 25 -c:a libmp3lame \
    -metadata title="RivoReader sample" "$sample"
fi
if [ -x "$bin/RivoReader" ] && [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec "$bin/RivoReader" "$sample"
fi
exec "$bin/rivoreader-report" "$sample"
