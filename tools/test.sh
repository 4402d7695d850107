#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite headless.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
tools/build.sh
cd "${BUILD_DIR:-build}"
ctest -j"$(nproc)" --output-on-failure --timeout 300
