#!/usr/bin/env bash
# Main job: installs what the project needs, builds the program folder
# (build/bin/) and runs RivoEnc, the converter.
#
#   ./run.sh [PROGRAM [ARGS...]]
#
# PROGRAM names an executable in build/bin/ (e.g. RivoReader FILE,
# rivoreader-report FILE) or a developer tool in build/tools/
# (rivo-trace-listen). Without one, RivoEnc's window opens where a display
# exists. Without a display, RivoEnc converts a sample file made here with
# the ffmpeg command line in its automatic mode (offscreen, with the shipped
# default settings kept under build/sample/, never the user's), the batch's
# log is printed, and then RivoReader's report of the converted file.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
bash "$root/scripts/setup.sh" release
bin="$root/build/bin"
tools="$root/build/tools"

if (($#)); then
  prog="$1"; shift
  if [ ! -x "$bin/$prog" ] && [ -x "$tools/$prog" ]; then exec "$tools/$prog" "$@"; fi
  exec "$bin/$prog" "$@"
fi

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec "$bin/RivoEnc"
fi

sample_dir="$root/build/sample"
sample="$sample_dir/sample.avi"
mkdir -p "$sample_dir"
if [ ! -s "$sample" ]; then
  echo "run: making a sample file $sample"
  ffmpeg -loglevel error -y -f lavfi -i testsrc=size=320x240:rate=25:duration=5 \
    -f lavfi -i sine=frequency=440:duration=5 -c:v mpeg4 -vtag XVID -g 25 -c:a libmp3lame \
    -metadata title="RivoEnc sample" "$sample"
fi

# A home of the sample's own: the shipped default settings, and the user's
# settings untouched. The batch's log reaches a trace viewer listening in a
# private runtime folder.
home="$sample_dir/home"
out="$sample_dir/out"
runtime="$(mktemp -d)"
listener_pid=""
cleanup() {
  if [ -n "$listener_pid" ]; then kill "$listener_pid" 2>/dev/null || true; wait "$listener_pid" 2>/dev/null || true; fi
  rm -rf "$runtime"
}
trap cleanup EXIT
rm -rf "$out"
mkdir -p "$home" "$out"
trace="$runtime/trace.txt"
XDG_RUNTIME_DIR="$runtime" timeout 600 "$tools/rivo-trace-listen" >"$trace" 2>/dev/null &
listener_pid=$!
for _ in $(seq 100); do
  [ -S "$runtime/rivoenc/RECV.sock" ] && break
  sleep 0.05
done

echo "run: RivoEnc /automode /destpath=$out $sample"
status=0
env HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share" XDG_RUNTIME_DIR="$runtime" \
  QT_QPA_PLATFORM=offscreen timeout -k 10 300 "$bin/RivoEnc" /automode "/destpath=$out" "$sample" || status=$?

# The listener has printed every line once the program is gone; give it a
# moment to write the last ones.
sleep 0.2
echo "---- RivoEnc's log"
sed -n 's/^log: //p' "$trace"
echo "----"

# RivoEnc's exit status in automatic mode is 0 only when every job
# converted (see README.md); its lines on the standard error stream said
# what became of the sample.
converted="$(find "$out" -maxdepth 1 -type f | head -n 1)"
if [ "$status" -eq 124 ] || [ "$status" -eq 137 ]; then
  echo "run: RivoEnc did not finish within 5 minutes; the conversion failed" >&2
  exit 1
fi
if [ "$status" -ne 0 ] || [ -z "$converted" ]; then
  echo "run: the conversion failed (RivoEnc ended with status $status); see the log above" >&2
  exit 1
fi
echo "run: converted $sample to $converted"
echo "---- RivoReader's report of $converted"
"$bin/rivoreader-report" "$converted"
