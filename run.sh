#!/usr/bin/env bash
# Main job: installs what the project needs, builds the program folder
# (build/bin/) and runs the most complete program in it.
#
#   ./run.sh [PROGRAM [ARGS...]]
#
# PROGRAM names an executable in build/bin/ (e.g. rivo-trace-listen). Without
# one, RivoEnc runs when it has been built, else RivoReader; until either
# exists the command builds everything and lists the program folder.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
bash "$root/scripts/setup.sh" release
bin="$root/build/bin"

if (($#)); then
  prog="$1"; shift
  exec "$bin/$prog" "$@"
fi
for prog in RivoEnc RivoReader; do
  if [ -x "$bin/$prog" ]; then exec "$bin/$prog" "$@"; fi
done
echo "run: neither RivoEnc nor RivoReader is built yet; the program folder $bin holds:"
ls -1 "$bin"
