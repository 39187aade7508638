#!/usr/bin/env bash
# Builds the window program, and only what it needs, then starts it. Arguments go to the
# program.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
rastova_install_deps
rastova_configure build
cmake --build build --target rastova
exec build/app/rastova "$@"
