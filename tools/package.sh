#!/usr/bin/env bash
# Builds the Debian package with CPack into dist/, then runs lintian on it and prints
# what lintian says. The package is built in build-package/ (or $BUILD_DIR) with the
# compiler and linker flags Debian builds its packages with (dpkg-buildflags, all
# hardening on).
#   tools/package.sh
# Exit: 0 when the package was made (lintian's remarks are shown, not fatal), else 1.
. "$(dirname "$0")/lib/help.sh"; script_help "$@"
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${BUILD_DIR:-build-package}
tools/setup.sh
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
flags() { dpkg-buildflags --get "$1"; }
if [ ! -f "$build_dir/build.ninja" ]; then
  cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=None -DORLEND_BENCHMARKS=OFF \
    -DCMAKE_C_FLAGS="$(flags CFLAGS) $(flags CPPFLAGS)" -DCMAKE_CXX_FLAGS="$(flags CXXFLAGS) $(flags CPPFLAGS)" \
    -DCMAKE_EXE_LINKER_FLAGS="$(flags LDFLAGS)" -DCMAKE_SHARED_LINKER_FLAGS="$(flags LDFLAGS)" \
    -DCMAKE_MODULE_LINKER_FLAGS="$(flags LDFLAGS)" >/dev/null
fi
# What the package holds; the tests are not needed for it. The word-frequency list is made
# where jieba's dictionary is installed, the table of the script converter's keys where
# OpenCC's C++ interface is.
targets=(orlend-dict orlend-dict-handheld orlend-launch orlend-dict-installer orlend-setup ceappmgr
         orlend-register-link rapi skin_library_device skin_library_installer picture_library interface_sounds
         device_help installer_banner man_pages icons package_changelog)
if grep -q '^build word_frequency_list:' "$build_dir/build.ninja"; then targets+=(word_frequency_list); fi
if grep -q '^build script_keys:' "$build_dir/build.ninja"; then targets+=(script_keys); fi
cmake --build "$build_dir" -j"$(nproc)" --target "${targets[@]}"
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
