#!/usr/bin/env bash
# Builds everything and runs every test.
#   BUILD_DIR   build folder (default: build)
#   RASTOVA_WEB  0: leave out the page (scripts/web.sh and its browser tests); default 1
#   Any arguments are passed to CMake when the folder is first configured.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
rastova_install_deps
dir=${BUILD_DIR:-build}
rastova_build "$dir" "$@"
ctest --test-dir "$dir" --output-on-failure
if [ "${RASTOVA_WEB:-1}" != 0 ]; then
    scripts/web.sh
    BUILD_DIR=$dir scripts/web-test.sh
fi
