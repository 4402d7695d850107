#!/usr/bin/env bash
# Prepares the full dictionary: fetches CC-CEDICT (tools/fetch-cedict.sh),
# derives the classic word lists data/cedict.gb and data/cedict.b5
# (cedict-derive), and converts each into its database, data/cedict.gb.dat and
# data/cedict.b5.dat, with the installer's own conversion
# (orlend-dict-installer --convert). Steps whose results are newer than their
# inputs are skipped. The tools are built in $BUILD_DIR (default build/).
#   tools/prepare-data.sh [--edition 2026|2019]   (or CEDICT_EDITION=...; default 2026)
# Another edition replaces data/cedict_ts.u8, which makes the later steps run
# again. DATA_DIR names another folder than data/.
# Exit: 0 ready; otherwise the failing step's code (fetch: 2 registry not
# reached, 3 checksum differs).
. "$(dirname "$0")/lib/help.sh"; script_help "$@"
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build_dir=${BUILD_DIR:-build}
data=${DATA_DIR:-data}
read_edition prepare-data "$@"

step() { echo "prepare-data: $*"; }

step "1/4 fetching CC-CEDICT (the $edition edition)"
DATA_DIR=$data tools/fetch-cedict.sh --edition "$edition"

step "2/4 building cedict-derive and orlend-dict-installer in $build_dir"
if [ ! -f "$build_dir/build.ninja" ]; then
  cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=${BUILD_TYPE:-RelWithDebInfo} >/dev/null
fi
cmake --build "$build_dir" --target cedict-derive orlend-dict-installer -j"$(nproc)" >/dev/null

# true when $1 is missing or older than any of the files after it
stale() {
  local out=$1
  shift
  [ -f "$out" ] || return 0
  for input in "$@"; do
    [ "$input" -nt "$out" ] && return 0
  done
  return 1
}

step "3/4 deriving $data/cedict.gb (GB) and $data/cedict.b5 (Big5)"
if stale "$data/cedict.gb" "$data/cedict_ts.u8" "$build_dir/bin/cedict-derive" ||
   stale "$data/cedict.b5" "$data/cedict_ts.u8" "$build_dir/bin/cedict-derive"; then
  "$build_dir/bin/cedict-derive" "$data/cedict_ts.u8" "$data"
else
  echo "  up to date"
fi

step "4/4 converting to the dictionary databases"
for list in "$data/cedict.gb" "$data/cedict.b5"; do
  if stale "$list.dat" "$list" "$build_dir/bin/orlend-dict-installer"; then
    "$build_dir/bin/orlend-dict-installer" --convert "$list" >/dev/null
  else
    echo "  $list.dat up to date"
  fi
done

date=$(sed -n 's/^#! date=\([0-9-]*\).*/\1/p' "$data/cedict_ts.u8")
echo "prepare-data: databases of CC-CEDICT of $date ready:"
case $data in /*) ;; *) data=$root/$data ;; esac
echo "  $data/cedict.gb.dat (Simplified)"
echo "  $data/cedict.b5.dat (Traditional)"
