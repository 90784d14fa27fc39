#!/usr/bin/env bash
# Conversion speed and peak memory of the RivoEnc program itself, end to end,
# against the ffmpeg command line with the same settings, in one run. The
# program converts each source in its automatic mode (offscreen, a private
# home and settings folder per run, its output in a private folder) with the
# defaults, with each shipped preset and with four picture treatments
# (deinterlacing, picture values, sharpening and a new size, from a preset
# made here); ffmpeg converts the same source with the same codecs, bit
# rates, key-frame interval, sound rate and channels, and the same filters.
# Not part of the test suite.
#
#   bench/rivoenc-convert.sh [--quick] [--only REGEX] [BUILD_DIR] [PAIRS]
#
# Sources (made here by the ffmpeg command line, with noise so that the
# encoders work): 30 seconds of 1280x720 and of 1920x1080 at 30 frames per
# second, H.264 and AAC in MP4; 30 seconds of interlaced 720x576 MPEG-2 at
# 25 frames per second with AC3 in an MPEG program stream. --quick: 10-second
# sources, the 720p and MPEG-2 ones, three cases each. --only: the cases
# whose name matches. BUILD_DIR defaults to build/ (an optimised build; the
# script configures a Release one there when there is none); PAIRS, the
# conversions of each side per case, to 3. Each pair runs ours, then
# ffmpeg's (A B A B), each as a whole process; a row gives the medians of the
# wall times, their ratio (ours / ffmpeg), the ratio of the medians of the
# CPU times (user + system of the process and every thread it started), the
# largest peak resident memory of each side, and whether the two outputs'
# streams agree (codec, size, frame rate and count, sound rate and
# channels; "differs:" names what does not). A line before the rows gives
# the fixed part of every conversion: the wall time and peak memory of
# each side on a source of a few tiny pictures.
#
# What the program does that is not asked for here is matched too:
#   - the sound normaliser is on by default (level 100 %): it raises the
#     sound by the factor that brings the loudest peak so far to full scale,
#     by at most 10^0.4. The sources' peak is known from the start, so the
#     factor is constant: ffmpeg gets volume=FACTOR, measured from the
#     source with volumedetect.
#   - the program runs its writers below normal priority unless told
#     otherwise; on a machine shared with other work that would measure the
#     scheduler, so the private settings ask for normal priority, and
#     ffmpeg runs at normal priority too.
#   - OGM output: ffmpeg's Ogg writer takes no MPEG-4 video, so ffmpeg
#     writes the same streams into Matroska (the container's own work is a
#     small part of the time).
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
# shellcheck source=against-ffmpeg.sh
source "$root/bench/against-ffmpeg.sh"

quick=0
only=""
while (($#)); do
  case "$1" in
    --quick) quick=1; shift ;;
    --only) only="$2"; shift 2 ;;
    *) break ;;
  esac
done
build="${1:-$root/build}"
pairs="${2:-3}"

for program in python3 ffprobe iconv; do
  command -v "$program" >/dev/null || { echo "rivoenc-convert: $program not found" >&2; exit 2; }
done
build_optimised rivoenc-convert "$build" all
bin="$build/bin"
for f in RivoEnc HSF.ax HVF.ax HAF.ax hwriter.dll presets/avi-mpeg4-mp3.rvp; do
  [ -e "$bin/$f" ] || { echo "rivoenc-convert: $f is not in $bin" >&2; exit 2; }
done

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
ff() { ffmpeg -hide_banner -loglevel error -nostdin -y "$@"; }

seconds=30
((quick)) && seconds=10
# Two tones a little apart, with some noise, peaking near a tenth of full
# scale.
tone="aevalsrc=0.1*sin(2*PI*440*t)+0.02*(random(0)-0.5)|0.1*sin(2*PI*554*t)+0.02*(random(1)-0.5):s=48000:d=$seconds"
make_h264() {  # NAME SIZE VIDEO_KBPS
  ff -f lavfi -i "testsrc2=size=$2:rate=30:duration=$seconds,noise=alls=20:allf=t" -f lavfi -i "$tone" \
     -c:v libx264 -preset veryfast -b:v "$3k" -maxrate "$3k" -bufsize "$(($3 * 2))k" -pix_fmt yuv420p \
     -c:a aac -b:a 128k "$work/$1"
}
make_mpeg2() {  # NAME: fields of 50 per second woven into 25 interlaced frames, 4:3
  ff -f lavfi -i "testsrc2=size=720x576:rate=50:duration=$seconds,noise=alls=20:allf=t,tinterlace=mode=interleave_top,setfield=tff" \
     -f lavfi -i "$tone" -c:v mpeg2video -flags +ilme+ildct -top 1 -b:v 6M -maxrate 9M -bufsize 1835k -g 12 \
     -aspect 4:3 -c:a ac3 -b:a 192k -f vob "$work/$1"
}
echo "making the ${seconds}-second sources in $work ..." >&2
sources=(h720.mp4 dvd576i.mpg)
make_h264 h720.mp4 1280x720 6000
if ((!quick)); then make_h264 h1080.mp4 1920x1080 12000; sources=(h720.mp4 h1080.mp4 dvd576i.mpg); fi
make_mpeg2 dvd576i.mpg

# The normaliser's constant factor for a source: full scale over the peak,
# at most 10^0.4, never below 1.
gain_of() {
  local peak
  peak=$(ffmpeg -hide_banner -nostdin -i "$1" -vn -af volumedetect -f null - 2>&1 | sed -n 's/.*max_volume: \(-\?[0-9.]*\) dB.*/\1/p')
  awk -v p="$peak" 'BEGIN { g = 10 ^ (-p / 20); m = 10 ^ 0.4; if (g > m) g = m; if (g < 1) g = 1; printf "%.6f", g }'
}

# A preset of our own, in the form the program writes: UTF-16LE with the
# FF FE mark.
write_preset() {  # FILE, then the text on stdin
  { printf '\xff\xfe'; iconv -f UTF-8 -t UTF-16LE; } >"$1"
}
# Four treatments on the default AVI output: motion-adaptive deinterlacing,
# brightness 55, contrast 55, saturation 60 (of 0..100, 50 unchanged),
# sharpening at its normal strength, and a size of WIDTHxHEIGHT.
treated_preset() {  # FILE WIDTH HEIGHT
  write_preset "$1" <<EOF
[INFO]
desc=four treatments
[GENERAL]
dest_file_type=AVI
[VIDEO]
video_codec=XVID
video_vbr=no
video_kbitrate=1024
video_keyframe_interval=10
video_width=$2
video_height=$3
video_keep_ratio=yes
video_ratio_method=2
video_frames_per_sec=0.000000
video_brightness=55
video_contrast=55
video_saturation=60
video_sharpness=yes
video_sharpness_more=no
video_deinterlace=yes
[AUDIO]
audio_codec=MP3
audio_vbr=no
audio_kbitrate=128
audio_quality=30
audio_channels=2
audio_samplerate=0
EOF
}

# The settings every run of ours starts from: the shipped defaults (as a
# first start makes them), with the writers at normal priority.
seed="$work/seed"
mkdir -p "$seed/.config/rivoenc/registry"
prepare_seed() {
  local out="$work/seed-out" first="$work/first.mp4"
  mkdir -p "$out"
  ff -f lavfi -i testsrc2=size=64x48:rate=5:duration=0.4 -c:v libx264 "$first"
  env HOME="$seed" XDG_CONFIG_HOME="$seed/.config" XDG_DATA_HOME="$seed/.local/share" \
    XDG_RUNTIME_DIR="$seed/run" QT_QPA_PLATFORM=offscreen \
    timeout -k 10 120 "$bin/RivoEnc" /automode "/destpath=$out" "$first" >/dev/null 2>&1 || true
  local hkcu="$seed/.config/rivoenc/registry/HKEY_CURRENT_USER.txt"
  grep -q nEncodePriority "$hkcu" 2>/dev/null || { echo "rivoenc-convert: the program kept no settings in $hkcu" >&2; exit 2; }
  python3 - "$hkcu" <<'PY'
import re, sys
path = sys.argv[1]
text = open(path, encoding="utf-8").read()
text, n = re.subn(r'(value "nEncodePriority" REG_DWORD )[0-9a-fA-F]+', r'\g<1>00000000', text)
if n != 1:
    sys.exit("rivoenc-convert: no priority value in the kept settings")
open(path, "w", encoding="utf-8").write(text)
PY
  rm -rf "$out" "$first" "$seed/run"
}
mkdir -p "$seed/run" && chmod 700 "$seed/run"
prepare_seed

# Wall seconds, CPU seconds (user + system of the process and every thread
# and process it started) and peak resident kilobytes of one command, as
# "WALL CPU KB", or "failed CODE".
measured() {
  python3 - "$@" <<'PY'
import resource, subprocess, sys, time
t0 = time.monotonic()
code = subprocess.run(sys.argv[1:], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode
t1 = time.monotonic()
u = resource.getrusage(resource.RUSAGE_CHILDREN)
print("%.4f %.4f %d" % (t1 - t0, u.ru_utime + u.ru_stime, u.ru_maxrss) if code == 0 else "failed %d" % code)
PY
}

# One conversion of ours: a fresh copy of the settings, a fresh output
# folder; the output file's path goes to $work/ours-out.
ours() {  # SOURCE PRESET_OR_EMPTY
  local home="$work/home" out="$work/ours"
  rm -rf "$home" "$out"
  cp -a "$seed" "$home"
  mkdir -p "$out" "$home/run"
  chmod 700 "$home/run"
  local args=(/automode "/destpath=$out")
  [ -n "$2" ] && args+=("/preset=$2")
  measured env HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share" \
    XDG_RUNTIME_DIR="$home/run" QT_QPA_PLATFORM=offscreen timeout -k 10 900 "$bin/RivoEnc" "${args[@]}" "$1"
}

# The streams of a file, one line each: kind, codec, size, frame rate and
# frame count of a video stream, rate and channels of a sound stream.
streams() {
  ffprobe -v error -count_frames -show_entries \
    stream=codec_type,codec_name,width,height,avg_frame_rate,nb_read_frames,sample_rate,channels \
    -of compact=p=0 "$1" 2>/dev/null |
    awk -F'|' '{
      line = ""
      for (i = 1; i <= NF; ++i) {
        split($i, kv, "=")
        if (kv[2] == "" || kv[2] == "N/A" || kv[2] == "0/0") continue
        if (kv[1] == "nb_read_frames" && $0 !~ /codec_type=video/) continue
        line = line " " $i
      }
      print line
    }'
}

# The ffmpeg arguments of a case for a source: its video, its sound and the
# output's suffix. fps: the source's frame rate; gain: the normaliser's
# factor; WxH treated: the treated size.
ffmpeg_args() {  # CASE FPS GAIN TREATED_W TREATED_H DISPLAY_4_3
  local case="$1" fps="$2" gain="$3" tw="$4" th="$5" four_three="$6"
  local cbr="-b:v 1024k -maxrate 1024k -bufsize 1024k"
  local gop=$((10 * fps))
  local mp3="-af volume=$gain -c:a libmp3lame -b:a 128k -compression_level 5 -ac 2"
  case "$case" in
    defaults|avi-mpeg4-mp3) echo "-c:v mpeg4 -vtag XVID $cbr -g $gop $mp3 -f avi .avi" ;;
    mp4-h264-aac) echo "-c:v libx264 $cbr -g $gop -af volume=$gain -c:a aac -aac_coder fast -b:a 128k -ac 2 -f mp4 .mp4" ;;
    mp4-psp)
      # 320x240 at 29.97 pictures per second, written on a grid of 30; a
      # wide picture keeps its shape between black bars.
      local fit="scale=w=320:h=180:flags=bicubic,pad=w=320:h=240:x=0:y=30:color=black"
      ((four_three)) && fit="scale=w=320:h=240:flags=bicubic"
      echo "-vf fps=fps=30000/1001,$fit -r 30 -c:v mpeg4 -b:v 768k -maxrate 768k -bufsize 768k -g 150 -af volume=$gain -c:a aac -aac_coder fast -b:a 128k -ar 24000 -ac 2 -f psp .mp4" ;;
    ogm-xvid-vorbis) echo "-c:v mpeg4 -vtag XVID $cbr -g $gop -af volume=$gain -c:a libvorbis -q:a 4 -ac 2 -f matroska .mkv" ;;
    wmv) echo "-c:v wmv2 $cbr -g $gop -af volume=$gain -c:a wmav2 -b:a 128k -ar 44100 -ac 2 -f asf .wmv" ;;
    treated)
      echo "-vf yadif=mode=send_frame:parity=auto:deint=all,scale=w=$tw:h=$th:flags=bicubic,eq=brightness=0.05:contrast=1.1:saturation=1.2,unsharp=luma_msize_x=5:luma_msize_y=5:luma_amount=1:chroma_msize_x=5:chroma_msize_y=5:chroma_amount=0 -c:v mpeg4 -vtag XVID $cbr -g $gop $mp3 -f avi .avi" ;;
  esac
}

# What every conversion pays before its first picture and keeps however
# small the pictures are: the program with its windows and modules, against
# ffmpeg, converting a 0.4-second 64x48 source with the defaults. Set
# beside the rows, it shows how much of a short or small source's time and
# memory is this fixed part.
floor_row() {
  local tiny="$work/tiny.mp4" i w u p ow=() fw=() op=0 fp=0 fargs=()
  read -r -a fargs <<<"$(ffmpeg_args defaults 5 1 0 0 0)"
  unset 'fargs[-1]'
  ff -f lavfi -i testsrc2=size=64x48:rate=5:duration=0.4 -c:v libx264 "$tiny"
  for ((i = 1; i <= pairs; i++)); do
    read -r w u p <<<"$(ours "$tiny" "")"
    [ "$w" = failed ] && return
    ow+=("$w"); ((p > op)) && op=$p
    read -r w u p <<<"$(measured ffmpeg -hide_banner -loglevel error -nostdin -y -i "$tiny" "${fargs[@]}" "$work/tiny-ff.avi")"
    [ "$w" = failed ] && return
    fw+=("$w"); ((p > fp)) && fp=$p
  done
  printf "fixed part (a 0.4-second 64x48 source, defaults): ours %ss %d MB, ffmpeg %ss %d MB\n" \
    "$(printf "%s\n" "${ow[@]}" | median)" $((op / 1024)) "$(printf "%s\n" "${fw[@]}" | median)" $((fp / 1024))
}

cases=(defaults avi-mpeg4-mp3 mp4-h264-aac mp4-psp ogm-xvid-vorbis wmv treated)
((quick)) && cases=(defaults mp4-h264-aac treated)

echo "RivoEnc ($bin) against the ffmpeg command line: $pairs pairs per case, median of each side, $(nproc) cores, $(uname -m), load $(cut -d' ' -f1-3 /proc/loadavg)"
floor_row
printf "%-30s %8s %8s %6s %6s %8s %8s  %s\n" case ours ffmpeg wall cpu "our MB" "ff MB" streams
status=0
worst_plain=0 worst_treated=0 worst_memory=0
for src in "${sources[@]}"; do
  source_path="$work/$src"
  fps=$(ffprobe -v error -select_streams v:0 -show_entries stream=r_frame_rate -of csv=p=0 "$source_path" | awk -F/ '{ printf "%d", $1 / ($2 ? $2 : 1) + 0.5 }')
  gain=$(gain_of "$source_path")
  four_three=0 tw=640 th=360
  case "$src" in dvd*) four_three=1 th=480 ;; esac
  treated_preset "$work/treated.rvp" "$tw" "$th"
  for c in "${cases[@]}"; do
    name="${src%.*}/$c"
    [ -n "$only" ] && ! [[ "$name" =~ $only ]] && continue
    preset=""
    case "$c" in
      defaults) ;;
      treated) preset="$work/treated.rvp" ;;
      *) preset="$bin/presets/$c.rvp" ;;
    esac
    read -r -a fargs <<<"$(ffmpeg_args "$c" "$fps" "$gain" "$tw" "$th" "$four_three")"
    suffix="${fargs[-1]}"
    unset 'fargs[-1]'
    our_wall=() our_cpu=() ff_wall=() ff_cpu=() our_peak=0 ff_peak=0 compared=""
    for ((i = 1; i <= pairs; i++)); do
      read -r w u p <<<"$(ours "$source_path" "$preset")"
      produced="$(find "$work/ours" -maxdepth 1 -type f | head -n 1)"
      if [ "$w" = failed ] || [ -z "$produced" ] || [ ! -s "$produced" ]; then
        echo "$name: our conversion failed ($w $u)" >&2
        status=1
        continue 2
      fi
      our_wall+=("$w"); our_cpu+=("$u"); ((p > our_peak)) && our_peak=$p
      read -r w u p <<<"$(measured ffmpeg -hide_banner -loglevel error -nostdin -y -i "$source_path" "${fargs[@]}" "$work/ff$suffix")"
      if [ "$w" = failed ]; then
        echo "$name: ffmpeg failed with ${fargs[*]}" >&2
        status=1
        continue 2
      fi
      ff_wall+=("$w"); ff_cpu+=("$u"); ((p > ff_peak)) && ff_peak=$p
      if [ -z "$compared" ]; then
        a="$(streams "$produced")"
        b="$(streams "$work/ff$suffix")"
        if [ "$a" = "$b" ]; then
          compared="same"
        else
          compared="differs: ours [$(tr '\n' ' ' <<<"$a")] ffmpeg [$(tr '\n' ' ' <<<"$b")]"
        fi
      fi
    done
    ow=$(printf "%s\n" "${our_wall[@]}" | median)
    fw=$(printf "%s\n" "${ff_wall[@]}" | median)
    oc=$(printf "%s\n" "${our_cpu[@]}" | median)
    fc=$(printf "%s\n" "${ff_cpu[@]}" | median)
    rw=$(awk -v a="$ow" -v b="$fw" 'BEGIN { printf "%.3f", a / b }')
    rc=$(awk -v a="$oc" -v b="$fc" 'BEGIN { printf "%.3f", a / b }')
    rm_=$(awk -v a="$our_peak" -v b="$ff_peak" 'BEGIN { printf "%.3f", a / b }')
    printf "%-30s %7ss %7ss %6s %6s %8d %8d  %s\n" "$name" "$ow" "$fw" "$rw" "$rc" $((our_peak / 1024)) $((ff_peak / 1024)) "$compared"
    if [ "$c" = treated ]; then
      worst_treated=$(awk -v a="$rw" -v b="$worst_treated" 'BEGIN { print (a > b) ? a : b }')
    else
      worst_plain=$(awk -v a="$rw" -v b="$worst_plain" 'BEGIN { print (a > b) ? a : b }')
    fi
    worst_memory=$(awk -v a="$rm_" -v b="$worst_memory" 'BEGIN { print (a > b) ? a : b }')
  done
done
printf "largest wall ratio: %.3f untreated (target: at most 1.00), %.3f treated (target: at most 0.80)\n" "$worst_plain" "$worst_treated"
printf "largest peak memory ratio: %.3f (target: at most 1.30)\n" "$worst_memory"
awk -v a="$worst_plain" -v b="$worst_treated" -v m="$worst_memory" 'BEGIN { exit !(a > 1.0 || b > 0.8 || m > 1.3) }' && status=1
exit $status
