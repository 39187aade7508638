#!/usr/bin/env bash
# Builds the web page into build-web/: rastova-convert's own code compiled to WebAssembly with
# Debian's emscripten, and the page's static files. Any static file server serves the folder:
#
#   scripts/web.sh
#   python3 -m http.server -d build-web
#
# FreeType, HarfBuzz, libpng and zlib are compiled from Debian's source packages of the versions
# installed here, so the page draws with the same FreeType as the command line. Their builds are
# kept in build-web-deps/ and made again only when the installed version changes. Nothing is
# fetched but Debian's packages: emscripten's ports are never used.
set -euo pipefail
cd "$(dirname "$0")/.."
project=$(pwd)
source scripts/deps.sh
rastova_install_deps emscripten nodejs libfontconfig-dev

deps=$project/build-web-deps
prefix=$deps/prefix
out=$project/build-web
mkdir -p "$deps/src" "$prefix" "$out"
# Debian's emscripten runs its JavaScript optimiser with the system node, which finds Debian's
# node modules (acorn) only here when node itself does not come from Debian.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}
jobs=$(nproc)

say() { echo "web.sh: $*" >&2; }

# The source package's version of an installed binary package.
source_version() {
    dpkg-query -W -f='${source:Version}' "$1"
}

# apt-get source needs deb-src entries; one for Debian 12's suites is added once.
ensure_deb_src() {
    if apt-get source --print-uris -qq zlib >/dev/null 2>&1; then
        return 0
    fi
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        sudo=(sudo)
    fi
    say "adding deb-src entries for bookworm"
    "${sudo[@]}" tee /etc/apt/sources.list.d/rastova-deb-src.sources >/dev/null <<'EOF'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb-src
URIs: http://deb.debian.org/debian-security
Suites: bookworm-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
    "${sudo[@]}" apt-get update -qq
}

# Unpacks source package $1 at version $2 (with Debian's patches) into $deps/src and prints its
# folder. With $3 = any, a newer Debian revision of the same upstream version will do when $2
# is no longer on the mirror: security fixes that change no output (zlib, libpng).
unpack_source() {
    local package=$1 version=$2 accept=${3:-exact}
    local folder=$deps/src/$package-$version
    if [ ! -f "$folder/.unpacked" ]; then
        rm -rf "$folder" "$deps/src/download"
        mkdir -p "$deps/src/download"
        local candidates=("$version")
        if [ "$accept" = any ]; then
            local upstream=${version%-*}
            mapfile -t -O 1 candidates < <(apt-cache showsrc "$package" |
                sed -n 's/^Version: //p' | grep -F "$upstream-" | sort -r -V -u)
        fi
        local candidate got=
        for candidate in "${candidates[@]}"; do
            if (cd "$deps/src/download" && apt-get source -qq --download-only \
                "$package=$candidate" >/dev/null 2>&1); then
                got=$candidate
                break
            fi
            rm -f "$deps/src/download"/*
        done
        if [ -z "$got" ]; then
            say "cannot download Debian's source of $package $version"
            exit 2
        fi
        [ "$got" = "$version" ] || say "$package: source $got for installed $version"
        dpkg-source -q -x "$deps/src/download"/*.dsc "$folder" >/dev/null
        rm -rf "$deps/src/download"
        touch "$folder/.unpacked"
    fi
    echo "$folder"
}

# Whether library $1 was built from version $2 by the recipe (the function) that asks.
recipe() {
    echo "$2 $(declare -f "$3" | sha1sum | cut -c1-12) $common_cflags"
}
built() {
    [ -f "$deps/$1.built" ] && [ "$(cat "$deps/$1.built")" = "$(recipe "$1" "$2" "${FUNCNAME[1]}")" ]
}
mark_built() {
    recipe "$1" "$2" "${FUNCNAME[1]}" >"$deps/$1.built"
}

common_cflags="-Oz"

build_zlib() {
    local version
    version=$(source_version zlib1g)
    built zlib "$version" && return 0
    say "zlib $version"
    local src
    src=$(unpack_source zlib "$version" any)
    rm -rf "$deps/zlib" && cp -a "$src" "$deps/zlib"
    (cd "$deps/zlib" && CFLAGS="$common_cflags" emconfigure ./configure --static \
        --prefix="$prefix" >/dev/null && emmake make -j"$jobs" libz.a >/dev/null &&
        emmake make install-libs install-headers >/dev/null 2>&1 ||
        emmake make install >/dev/null)
    mark_built zlib "$version"
}

build_libpng() {
    local version
    version=$(source_version libpng16-16)
    built libpng "$version" && return 0
    say "libpng $version"
    local src
    src=$(unpack_source libpng1.6 "$version" any)
    rm -rf "$deps/libpng"
    emcmake cmake -S "$src" -B "$deps/libpng" -G Ninja -DCMAKE_BUILD_TYPE=MinSizeRel \
        -DCMAKE_C_FLAGS_MINSIZEREL="$common_cflags" -DCMAKE_INSTALL_PREFIX="$prefix" \
        -DCMAKE_FIND_ROOT_PATH="$prefix" -DZLIB_ROOT="$prefix" \
        -DZLIB_LIBRARY="$prefix/lib/libz.a" -DZLIB_INCLUDE_DIR="$prefix/include" \
        -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF \
        -DPNG_HARDWARE_OPTIMIZATIONS=OFF >/dev/null
    cmake --build "$deps/libpng" >/dev/null
    cmake --install "$deps/libpng" >/dev/null
    mark_built libpng "$version"
}

# As Debian configures it (debian/rules): autotools, without bzip2 and HarfBuzz. Brotli (WOFF2)
# is left out too: FreeType then refuses a WOFF2 file, which the page reports, rather than
# drawing anything else.
build_freetype() {
    local version
    version=$(source_version libfreetype6)
    built freetype "$version" && return 0
    say "FreeType $version"
    local src
    src=$(unpack_source freetype "$version")
    rm -rf "$deps/freetype" && cp -a "$src" "$deps/freetype"
    (cd "$deps/freetype" &&
        CFLAGS="$common_cflags" ZLIB_CFLAGS="-I$prefix/include" ZLIB_LIBS="$prefix/lib/libz.a" \
            LIBPNG_CFLAGS="-I$prefix/include/libpng16" LIBPNG_LIBS="$prefix/lib/libpng16.a" \
            emconfigure ./configure --host=wasm32-unknown-emscripten --prefix="$prefix" \
            --disable-shared --enable-static --without-bzip2 --without-harfbuzz \
            --without-brotli --with-zlib=yes --with-png=yes >/dev/null &&
        emmake make -j"$jobs" >/dev/null && emmake make install >/dev/null)
    mark_built freetype "$version"
}

# HarfBuzz's single-file build of its OpenType shaper: kerning reads the font's tables through
# FreeType and shapes with HarfBuzz's own OpenType functions and Unicode data, as Debian's does.
build_harfbuzz() {
    local version
    version=$(source_version libharfbuzz0b)
    built harfbuzz "$version" && return 0
    say "HarfBuzz $version"
    local src
    src=$(unpack_source harfbuzz "$version")
    rm -rf "$deps/harfbuzz" && mkdir -p "$deps/harfbuzz" "$prefix/include/harfbuzz"
    em++ $common_cflags -std=c++11 -fno-exceptions -fno-rtti -DHB_NO_MT \
        -c "$src/src/harfbuzz.cc" -o "$deps/harfbuzz/harfbuzz.o"
    emar rcs "$prefix/lib/libharfbuzz.a" "$deps/harfbuzz/harfbuzz.o"
    cp "$src"/src/hb.h "$src"/src/hb-*.h "$prefix/include/harfbuzz/"
    mkdir -p "$prefix/lib/pkgconfig"
    cat >"$prefix/lib/pkgconfig/harfbuzz.pc" <<EOF
Name: harfbuzz
Description: HarfBuzz text shaping library, compiled to WebAssembly
Version: ${version%%+*}
Cflags: -I$prefix/include/harfbuzz
Libs: $prefix/lib/libharfbuzz.a
EOF
    mark_built harfbuzz "$version"
}

# Only fontconfig's header: the page opens the user's file and looks no font up by pattern, so
# every fontconfig call refuses (glyph/library_absent.cpp).
copy_fontconfig_header() {
    mkdir -p "$prefix/include/fontconfig"
    cp /usr/include/fontconfig/fontconfig.h "$prefix/include/fontconfig/"
}

ensure_deb_src
copy_fontconfig_header
build_zlib
build_libpng
build_freetype
build_harfbuzz

say "rastova"
core=$deps/rastova
if [ ! -f "$core/build.ninja" ]; then
    emcmake cmake -S . -B "$core" -G Ninja \
        -DCMAKE_BUILD_TYPE=MinSizeRel -DCMAKE_CXX_FLAGS_MINSIZEREL="-Oz -DNDEBUG" \
        -DCMAKE_EXE_LINKER_FLAGS_MINSIZEREL="-Oz" -DRASTOVA_WEB_DEPS="$prefix" -DBUILD_TESTING=OFF \
        ${CMAKE_CXX_COMPILER_LAUNCHER:+-DCMAKE_CXX_COMPILER_LAUNCHER=$CMAKE_CXX_COMPILER_LAUNCHER} \
        >/dev/null
fi
cmake --build "$core" --target rastova-web
cp "$core/web/rastova.js" "$core/web/rastova.wasm" "$out/"
if [ -d web/page ]; then
    cp -r web/page/. "$out/"
fi
say "built $out: $(du -cb "$out"/* | tail -1 | cut -f1) bytes"
