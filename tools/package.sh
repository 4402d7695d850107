#!/usr/bin/env bash
# Builds the Debian package with CPack into dist/ (the build in build/, or $BUILD_DIR,
# made first), then runs lintian on it and prints what lintian says.
#   tools/package.sh
# Exit: 0 when the package was made (lintian's remarks are shown, not fatal), else 1.
. "$(dirname "$0")/lib/help.sh"; script_help "$@"
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${BUILD_DIR:-build}
tools/setup.sh
tools/build.sh
mkdir -p dist
(cd "$build_dir" && cpack -G DEB -B "$PWD/../dist" >/dev/null)
rm -rf dist/_CPack_Packages
deb=$(ls -t dist/*.deb | head -n1)
echo "package: $deb"
dpkg-deb --info "$deb" | sed -n 's/^ \(Package\|Version\|Depends\|Installed-Size\):/  \1:/p'
if command -v lintian >/dev/null; then
  echo "lintian:"
  lintian --tag-display-limit 0 "$deb" | sed 's/^/  /' || true
fi
