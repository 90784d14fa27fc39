#!/usr/bin/env bash
# Installs every Debian package the project needs and builds the program
# folder. Shared by run.sh (main job) and test.sh (tests).
#
#   scripts/setup.sh [release|test]
#
# release: optimised build in build/          (program folder build/bin/)
# test:    AddressSanitizer + UndefinedBehaviorSanitizer build in build-test/
set -euo pipefail

kind="${1:-release}"
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

packages=(
  # toolchain and build
  build-essential cmake ninja-build pkg-config ccache
  googletest libgtest-dev libgmock-dev
  # platform layers
  qt6-base-dev qt6-qpa-plugins libgl-dev
  libavformat-dev libavcodec-dev libavutil-dev libswscale-dev libswresample-dev libavfilter-dev
  libebml-dev libmatroska-dev libcurl4-openssl-dev libuchardet-dev libarchive-dev
  libass-dev libogg-dev libvorbis-dev zlib1g-dev fonts-nanum fonts-dejavu-core libfontconfig-dev
  # sound of the preview (the desktop's sound server)
  libpulse-dev
  # test oracles and fixture makers
  ffmpeg mediainfo ogmtools zip unzip python3 locales
  # a private message bus for the tests of the power-off request
  dbus-daemon
  # a private sound server with a silent output whose sound the tests record
  pulseaudio pulseaudio-utils
  # pictures of the windows on a virtual X server (scripts/reader-xvfb-shot.sh),
  # and a small window manager that the desktop tests run the windows under
  xvfb xdotool openbox
  # fuzz targets: clang with libFuzzer
  clang libclang-rt-14-dev
  # memory errors inside the decoding libraries (scripts/valgrind.sh)
  valgrind
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -q
  $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# One compiler cache for every checkout: paths are taken relative to the
# checkout, so a second clone or work tree builds from the same cache.
export CCACHE_DIR="${CCACHE_DIR:-$HOME/.cache/rivo-ccache}"
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$root}"
# The four builds of one checkout take over a gigabyte of it; at the default
# 5 GB the cache of a few checkouts at once threw out what the next
# clone needed, which then built everything again.
export CCACHE_MAXSIZE="${CCACHE_MAXSIZE:-15G}"
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)

case "$kind" in
  release) dir="$root/build"; opts=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DRIVO_SANITIZE=OFF) ;;
  test)    dir="$root/build-test"; opts=(-DCMAKE_BUILD_TYPE=Debug -DRIVO_SANITIZE=ON) ;;
  *) echo "setup: unknown build kind '$kind'" >&2; exit 2 ;;
esac

cmake -S "$root" -B "$dir" -G Ninja "${opts[@]}" "${launcher[@]}" >/dev/null
cmake --build "$dir" -j "$(nproc)"
