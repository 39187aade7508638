#!/usr/bin/env bash
# Builds Rastova and starts it. Arguments go to the program.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
rastova_install_deps
rastova_build build
if [ $# -eq 0 ]; then
    set -- --font "DejaVu Sans" --size 12 'Ж'
fi
exec build/cli/rastova-convert "$@"
