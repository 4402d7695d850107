#!/usr/bin/env bash
# Sets everything up and runs the dictionary: installs what is missing, builds,
# fetches CC-CEDICT and converts it, then looks up a word (default: china).
#   tools/run.sh              looks up "china"
#   tools/run.sh 中国          looks up any text (more options: build/bin/orlend-dict --help)
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
tools/build.sh
tools/prepare-data.sh
query=${1:-china}
echo "== orlend-dict --query \"$query\" (best first: entry, headword, definitions)"
"${BUILD_DIR:-build}"/bin/orlend-dict --folder data --query "$query" | head -n "${ROWS:-15}"
