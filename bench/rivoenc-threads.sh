#!/usr/bin/env bash
# Where a conversion's time goes, thread by thread: runs the RivoEnc
# program in its automatic mode (offscreen, a private home with the shipped
# defaults at normal priority) on one source, with a preset or the
# defaults, samples the CPU time of each of its threads ten times a second,
# and prints, per thread, its name, the seconds of CPU it used, when it
# lived and how busy it was while it lived. The program names its own
# threads (rivo-demux reads the container, rivo-video and rivo-audio
# deliver the streams and decode them, rivo-treat treats the pictures,
# rivo-encode encodes them, rivo-file-read and rivo-pull read files);
# threads the libraries start carry the name of the thread that started
# them. A stage whose thread is busy nearly all the time it lives is the
# one the others wait for. Not part of the test suite.
#
#   bench/rivoenc-threads.sh [--build BUILD_DIR] SOURCE [PRESET]
#
# BUILD_DIR defaults to build/ (an optimised build; configured as Release
# when there is none). PRESET is a preset file or the name of a shipped
# one (avi-mpeg4-mp3, mp4-h264-aac, ...).
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
# shellcheck source=against-ffmpeg.sh
source "$root/bench/against-ffmpeg.sh"

build="$root/build"
if [ "${1:-}" = "--build" ]; then
  build="$2"
  shift 2
fi
(($# >= 1)) || { echo "usage: bench/rivoenc-threads.sh [--build BUILD_DIR] SOURCE [PRESET]" >&2; exit 2; }
source_path="$(realpath "$1")"
preset="${2:-}"
[ -f "$source_path" ] || { echo "rivoenc-threads: no source $1" >&2; exit 2; }
command -v python3 >/dev/null || { echo "rivoenc-threads: python3 not found" >&2; exit 2; }
build_optimised rivoenc-threads "$build" all
bin="$build/bin"
if [ -n "$preset" ] && [ ! -f "$preset" ]; then
  preset="$bin/presets/${preset%.rvp}.rvp"
  [ -f "$preset" ] || { echo "rivoenc-threads: no preset $2" >&2; exit 2; }
fi

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
home="$work/home"
mkdir -p "$home/run" "$work/out"
chmod 700 "$home/run"
run_env=(env HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share"
  XDG_RUNTIME_DIR="$home/run" QT_QPA_PLATFORM=offscreen)

# The shipped defaults, as a first start keeps them, with the writers at
# normal priority (below normal, the scheduler's share would be measured).
first="$work/first.mp4"
ffmpeg -hide_banner -loglevel error -nostdin -y -f lavfi -i testsrc2=size=64x48:rate=5:duration=0.4 -c:v libx264 "$first"
"${run_env[@]}" timeout -k 10 120 "$bin/RivoEnc" /automode "/destpath=$work/out" "$first" >/dev/null 2>&1 || true
hkcu="$home/.config/rivoenc/registry/HKEY_CURRENT_USER.txt"
grep -q nEncodePriority "$hkcu" 2>/dev/null || { echo "rivoenc-threads: the program kept no settings" >&2; exit 2; }
sed -i -E 's/(value "nEncodePriority" REG_DWORD )[0-9a-fA-F]+/\100000000/' "$hkcu"
rm -rf "$work/out"/*

args=(/automode "/destpath=$work/out")
[ -n "$preset" ] && args+=("/preset=$preset")
echo "RivoEnc on $(basename "$source_path")${preset:+ with $(basename "$preset")}: $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg)"
python3 - "${run_env[@]}" timeout -k 10 900 "$bin/RivoEnc" "${args[@]}" "$source_path" <<'PY'
import os, subprocess, sys, time

tick = os.sysconf("SC_CLK_TCK")
start = time.monotonic()
child = subprocess.Popen(sys.argv[1:], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
threads = {}  # (pid, tid) -> [name, first seen, last seen, cpu seconds]

def processes():
    # The child and everything it started (env and timeout exec or wait).
    parents = {}
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                stat = open(f"/proc/{entry}/stat").read()
            except OSError:
                continue
            parents.setdefault(int(stat[stat.rfind(")") + 2:].split()[1]), []).append(int(entry))
    found, todo = [], [child.pid]
    while todo:
        pid = todo.pop()
        found.append(pid)
        todo += parents.get(pid, [])
    return found

def sample():
    now = time.monotonic() - start
    for pid in processes():
        try:
            tids = os.listdir(f"/proc/{pid}/task")
        except OSError:
            continue
        for tid in tids:
            try:
                stat = open(f"/proc/{pid}/task/{tid}/stat").read()
            except OSError:
                continue
            name = stat[stat.find("(") + 1:stat.rfind(")")]
            fields = stat[stat.rfind(")") + 2:].split()
            cpu = (int(fields[11]) + int(fields[12])) / tick
            entry = threads.setdefault((pid, tid), [name, now, now, 0.0])
            entry[0], entry[2], entry[3] = name, now, cpu

while child.poll() is None:
    sample()
    time.sleep(0.1)
wall = time.monotonic() - start
ours = {k: v for k, v in threads.items() if v[0] not in ("env", "timeout")}
total = sum(v[3] for v in ours.values())
print(f"wall {wall:.2f} s, exit status {child.returncode}, {len(ours)} threads, CPU {total:.2f} s")
print(f"{'thread':16} {'tid':>8} {'cpu s':>7} {'alive from-to s':>16} {'busy':>6}")
for (pid, tid), (name, first, last, cpu) in sorted(ours.items(), key=lambda kv: -kv[1][3]):
    if cpu < 0.05:
        continue
    alive = max(last - first, 0.1)
    print(f"{name:16} {tid:>8} {cpu:7.2f} {first:7.2f}-{last:7.2f}  {100 * cpu / alive:5.1f}%")
by_name = {}
for name, _, _, cpu in ours.values():
    count, seconds = by_name.get(name, (0, 0.0))
    by_name[name] = (count + 1, seconds + cpu)
print("by name: " + ", ".join(f"{n} x{c} {s:.2f} s" for n, (c, s) in sorted(by_name.items(), key=lambda kv: -kv[1][1])))
sys.exit(child.returncode)
PY
