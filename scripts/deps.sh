#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when any is missing.
# Sourced by the other scripts; runs apt-get only when something is not installed yet.
set -euo pipefail

RASTOVA_PACKAGES=(
    g++ binutils cmake ninja-build pkg-config
    libfreetype-dev libfontconfig-dev libpng-dev libharfbuzz-dev
    libgtest-dev libbenchmark-dev
    qt6-base-dev qt6-translations-l10n
    help2man man-db bash-completion dpkg-dev file fontconfig xfonts-utils
    clang libclang-rt-14-dev
    libx11-dev
    # The icon font of the README's example, opened there by file; not one the tests draw with.
    fonts-font-awesome
    # The page: built with emscripten, tested in chromium driven from Node.js, served by Python.
    emscripten chromium nodejs python3
)
# npm: Debian's, unless one is there already (NodeSource's nodejs carries its own and conflicts
# with Debian's npm package).
if ! command -v npm >/dev/null; then
    RASTOVA_PACKAGES+=(npm)
fi
# The fonts the tests draw with, from their own list.
mapfile -t -O ${#RASTOVA_PACKAGES[@]} RASTOVA_PACKAGES < <(
    grep -v -e '^#' -e '^$' "$(dirname "${BASH_SOURCE[0]}")/font-packages.txt")

rastova_install_deps() {
    local missing=()
    local package
    for package in "${RASTOVA_PACKAGES[@]}" "$@"; do
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$package")
        fi
    done
    if [ ${#missing[@]} -eq 0 ]; then
        return 0
    fi
    echo "Installing: ${missing[*]}"
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        sudo=(sudo)
    fi
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq \
        "${missing[@]}"
}

# Configures $1 once, with any further CMake arguments.
rastova_configure() {
    local dir=$1
    shift
    if [ ! -f "$dir/build.ninja" ]; then
        cmake -S . -B "$dir" -G Ninja "$@"
    fi
}

# Configures (once) and builds everything into $1 with any further CMake arguments.
rastova_build() {
    rastova_configure "$@"
    cmake --build "$1"
}
