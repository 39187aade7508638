#!/usr/bin/env bash
# Runs the page's tests in Debian's chromium, headless, driven by playwright-core: the page in
# build-web/ (scripts/web.sh) against the native rastova-convert in build/ (or $BUILD_DIR).
# playwright-core comes from npm into build-node/, once; no browser is downloaded.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
rastova_install_deps

# The version is pinned: it runs on Debian 12's Node.js 18.
playwright_version=1.58.2
node_dir=build-node
playwright=$node_dir/node_modules/playwright-core
if [ "$(node -p "require('./$playwright/package.json').version" 2>/dev/null)" != "$playwright_version" ]; then
    mkdir -p "$node_dir"
    PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 npm install --prefix "$node_dir" --no-save --no-audit \
        --no-fund "playwright-core@$playwright_version"
fi

export RASTOVA_PLAYWRIGHT=$PWD/$playwright
export RASTOVA_CONVERT=${BUILD_DIR:-build}/cli/rastova-convert
export RASTOVA_WEB_DIR=build-web
node --test tests/web/
# The module alone in Node.js: every format's bytes and the error paths.
RASTOVA_WEB=$PWD/build-web RASTOVA_CONVERT=$(realpath "$RASTOVA_CONVERT") node --test web/tests/same_bytes.mjs
