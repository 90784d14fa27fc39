#!/usr/bin/env bash
# Shows RivoReader on a private virtual X server, puts the pointer over the
# close button of its title bar and saves a picture of the whole screen.
#
#   scripts/reader-xvfb-shot.sh [BUILD_DIR [OUTPUT.png [FILE]]]
#
# BUILD_DIR defaults to build/ (its bin/RivoReader runs), OUTPUT.png to
# BUILD_DIR/screenshots/rivoreader_xvfb_close_hover.png; FILE is analysed
# when given. Needs Xvfb, xdotool and ffmpeg (scripts/setup.sh installs them).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$root/build}"
out="${2:-$build/screenshots/rivoreader_xvfb_close_hover.png}"
file="${3:-}"
reader="$build/bin/RivoReader"
[ -x "$reader" ] || { echo "reader-xvfb-shot: no $reader (build first)" >&2; exit 2; }
for tool in Xvfb xdotool ffmpeg; do
  command -v "$tool" >/dev/null || { echo "reader-xvfb-shot: $tool is missing (scripts/setup.sh installs it)" >&2; exit 2; }
done
mkdir -p "$(dirname "$out")"

# A display number nobody uses.
display=""
for n in $(seq 90 140); do
  if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then display=":$n"; break; fi
done
[ -n "$display" ] || { echo "reader-xvfb-shot: no free display" >&2; exit 1; }

pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  for p in "${pids[@]}"; do wait "$p" 2>/dev/null || true; done
}
trap cleanup EXIT

Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
export DISPLAY="$display"
for _ in $(seq 50); do xdotool getmouselocation >/dev/null 2>&1 && break; sleep 0.1; done

runtime="$(mktemp -d)"
pids_dir_cleanup() { rm -rf "$runtime"; }
XDG_RUNTIME_DIR="$runtime" XDG_CONFIG_HOME="$runtime/config" QT_QPA_PLATFORM=xcb \
  "$reader" ${file:+"$file"} >/dev/null 2>&1 &
reader_pid=$!
pids=("$reader_pid" "${pids[@]}")

# The program's one visible window.
window=""
for _ in $(seq 100); do
  window="$(xdotool search --onlyvisible --pid "$reader_pid" 2>/dev/null | head -n1 || true)"
  [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || { echo "reader-xvfb-shot: the window did not appear" >&2; pids_dir_cleanup; exit 1; }
sleep 1  # let it paint

eval "$(xdotool getwindowgeometry --shell "$window")"
# The close button: 13 pixels in from the right edge, 14 down from the top
# (a 4-pixel sizing border, 2 pixels of margin, an 18 x 16 button).
xdotool mousemove $((X + WIDTH - 13)) $((Y + 14))
sleep 1
ffmpeg -loglevel error -y -f x11grab -video_size 1024x768 -i "$display" -frames:v 1 "$out"
pids_dir_cleanup
echo "reader-xvfb-shot: $out (window $WIDTH x $HEIGHT at $X, $Y; pointer at $((X + WIDTH - 13)), $((Y + 14)))"
