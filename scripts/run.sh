#!/usr/bin/env bash
# Builds Rastova and starts its window. Arguments go to the program.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
rastova_install_deps
rastova_build build
exec build/app/rastova "$@"
