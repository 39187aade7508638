#!/usr/bin/env bash
# Builds everything and runs every test.
#   BUILD_DIR   build folder (default: build)
#   Any arguments are passed to CMake when the folder is first configured.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
rastova_install_deps
dir=${BUILD_DIR:-build}
rastova_build "$dir" "$@"
ctest --test-dir "$dir" --output-on-failure
