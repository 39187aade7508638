#!/usr/bin/env bash
# Builds the web page into build-web/: rastova-convert's own code compiled to WebAssembly with
# Debian's emscripten, and the page's static files. Any static file server serves the folder:
#
#   scripts/web.sh
#   python3 -m http.server -d build-web
#
# FreeType, HarfBuzz, libpng and zlib are compiled from Debian's source packages of the versions
# installed here, so the page draws with the same FreeType as the command line. Their builds are
# kept outside the checkout, so that every clone shares them, and made again only when the
# installed version or the way they are built changes. Nothing is fetched but Debian's packages:
# emscripten's ports are never used.
#   RASTOVA_WEB_DEPS_DIR  where those builds are kept
#                         (default: ~/.cache/rastova/web-deps, or under $XDG_CACHE_HOME)
set -euo pipefail
cd "$(dirname "$0")/.."
project=$(pwd)
source scripts/deps.sh
rastova_install_deps emscripten nodejs libfontconfig-dev

deps=${RASTOVA_WEB_DEPS_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/rastova/web-deps}
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

# Every library is compiled to LLVM bitcode (-flto) so the final link optimises across them and
# leaves out what no call reaches.
common_cflags="-Oz -flto"

# Compiles the C files $3... of folder $2 (relative to it) with the flags in the array `cflags`,
# as many at a time as there are cores, into the archive $prefix/lib/$1.
compile_archive() {
    local archive=$1 dir=$2
    shift 2
    local objects=$deps/objects/$archive
    rm -rf "$objects" && mkdir -p "$objects"
    printf '%s\n' "$@" | (cd "$dir" && xargs -P "$jobs" -I{} sh -c \
        'f=$1; shift; emcc "$@" -c "$f" -o "$0/$(echo "$f" | tr / _).o"' "$objects" {} "${cflags[@]}")
    rm -f "$prefix/lib/$archive"
    emar rcs "$prefix/lib/$archive" "$objects"/*.o
}

# zlib's library as its Makefile builds it, without running its configure: the only thing
# configure changes for this target is zconf.h's use of unistd.h and stdarg.h.
build_zlib() {
    local version
    version=$(source_version zlib1g)
    built zlib "$version" && return 0
    say "zlib $version"
    local src
    src=$(unpack_source zlib "$version" any)
    mkdir -p "$prefix/include" "$prefix/lib"
    sed -e 's|#ifdef HAVE_UNISTD_H .*|#if 1|' -e 's|#ifdef HAVE_STDARG_H .*|#if 1|' \
        "$src/zconf.h" >"$prefix/include/zconf.h"
    cp "$src/zlib.h" "$prefix/include/"
    local cflags=($common_cflags -D_LARGEFILE64_SOURCE=1 -DHAVE_HIDDEN -I"$prefix/include")
    compile_archive libz.a "$src" adler32.c crc32.c deflate.c infback.c inffast.c inflate.c \
        inftrees.c trees.c zutil.c compress.c uncompr.c gzclose.c gzlib.c gzread.c gzwrite.c
    mark_built zlib "$version"
}

# libpng's library with the configuration its own build writes (the prebuilt pnglibconf.h,
# stating the zlib it is built against), without a configure or CMake run.
build_libpng() {
    local version
    version=$(source_version libpng16-16)
    built libpng "$version" && return 0
    say "libpng $version"
    local src
    src=$(unpack_source libpng1.6 "$version" any)
    local vernum
    vernum=$(sed -n 's/^#define ZLIB_VERNUM \(0x[0-9a-f]*\).*/\1/p' "$prefix/include/zlib.h")
    local include=$prefix/include/libpng16
    mkdir -p "$include"
    sed "s/^#define PNG_ZLIB_VERNUM 0 .*/#define PNG_ZLIB_VERNUM $vernum/" \
        "$src/scripts/pnglibconf.h.prebuilt" >"$include/pnglibconf.h"
    cp "$src/png.h" "$src/pngconf.h" "$include/"
    cp "$include"/*.h "$prefix/include/"
    local cflags=($common_cflags -I"$include" -I"$prefix/include")
    compile_archive libpng16.a "$src" png.c pngerror.c pngget.c pngmem.c pngpread.c pngread.c \
        pngrio.c pngrtran.c pngrutil.c pngset.c pngtrans.c pngwio.c pngwrite.c pngwtran.c \
        pngwutil.c
    cp "$prefix/lib/libpng16.a" "$prefix/lib/libpng.a"
    mark_built libpng "$version"
}

# FreeType as Debian configures it (debian/rules: without bzip2 and HarfBuzz), its options
# those configure writes (system zlib, libpng), compiled straight from its sources. Brotli
# (WOFF2) is left out too: FreeType then refuses a WOFF2 file, which the page reports, rather
# than drawing anything else. Every font driver, hinter and compressed-file reader of Debian's
# build is in; left out are only the modules a run never calls: the OpenType and TrueType GX
# table validators (FT_OpenType_Validate, FT_TrueTypeGX_Validate) and the two signed distance
# field renderers (FT_RENDER_MODE_SDF), which FT_Render_Glyph tries only after the smooth and
# monochrome renderers have drawn the outline.
build_freetype() {
    local version
    version=$(source_version libfreetype6)
    built freetype "$version" && return 0
    say "FreeType $version"
    local src
    src=$(unpack_source freetype "$version")
    local config=$deps/freetype-config
    rm -rf "$config" && mkdir -p "$config"
    sed -e 's|^/\* #define FT_CONFIG_OPTION_SYSTEM_ZLIB \*/|#define FT_CONFIG_OPTION_SYSTEM_ZLIB|' \
        -e 's|^/\* #define FT_CONFIG_OPTION_USE_PNG \*/|#define FT_CONFIG_OPTION_USE_PNG|' \
        "$src/include/freetype/config/ftoption.h" >"$config/ftoption.h"
    sed -e 's|^#undef HAVE_UNISTD_H|#define HAVE_UNISTD_H 1|' \
        -e 's|^#undef HAVE_FCNTL_H|#define HAVE_FCNTL_H 1|' \
        "$src/builds/unix/ftconfig.h.in" >"$config/ftconfig.h"
    for option in SYSTEM_ZLIB USE_PNG; do
        grep -q "^#define FT_CONFIG_OPTION_$option\$" "$config/ftoption.h" ||
            { say "FreeType: cannot set FT_CONFIG_OPTION_$option" && exit 2; }
    done
    local modules=(tt_driver_class t1_driver_class cff_driver_class t1cid_driver_class
        pfr_driver_class t42_driver_class winfnt_driver_class pcf_driver_class
        bdf_driver_class sfnt_module_class autofit_module_class pshinter_module_class
        ft_smooth_renderer_class ft_raster1_renderer_class ft_svg_renderer_class
        psaux_module_class psnames_module_class)
    local module
    for module in "${modules[@]}"; do
        grep -q "^FT_USE_MODULE( *[A-Za-z_]*, *$module *)" "$src/include/freetype/config/ftmodule.h" ||
            { say "FreeType: no module $module" && exit 2; }
        grep "^FT_USE_MODULE( *[A-Za-z_]*, *$module *)" "$src/include/freetype/config/ftmodule.h"
    done >"$config/ftmodule.h"
    local cflags=($common_cflags -DFT2_BUILD_LIBRARY -DFT_CONFIG_CONFIG_H="<ftconfig.h>"
        -DFT_CONFIG_MODULES_H="<ftmodule.h>" -DFT_CONFIG_OPTIONS_H="<ftoption.h>"
        -I"$config" -I"$src/builds/unix" -I"$src/include" -I"$src/src" -I"$prefix/include"
        -I"$prefix/include/libpng16")
    compile_archive libfreetype.a "$src" builds/unix/ftsystem.c src/base/ftdebug.c \
        src/base/ftinit.c src/base/ftbase.c src/base/ftbbox.c src/base/ftbdf.c \
        src/base/ftbitmap.c src/base/ftcid.c src/base/ftfstype.c src/base/ftgasp.c \
        src/base/ftglyph.c src/base/ftmm.c src/base/ftpatent.c src/base/ftpfr.c \
        src/base/ftstroke.c src/base/ftsynth.c src/base/fttype1.c src/base/ftwinfnt.c \
        src/autofit/autofit.c src/bdf/bdf.c src/cff/cff.c src/cid/type1cid.c \
        src/gzip/ftgzip.c src/lzw/ftlzw.c src/pcf/pcf.c src/pfr/pfr.c src/psaux/psaux.c \
        src/pshinter/pshinter.c src/psnames/psnames.c src/raster/raster.c src/sfnt/sfnt.c \
        src/smooth/smooth.c src/svg/svg.c src/truetype/truetype.c src/type1/type1.c \
        src/type42/type42.c src/winfonts/winfnt.c
    local include=$prefix/include/freetype2
    rm -rf "$include" && mkdir -p "$include"
    cp -r "$src/include/." "$include/"
    cp "$config/ftoption.h" "$config/ftconfig.h" "$include/freetype/config/"
    mkdir -p "$prefix/lib/pkgconfig"
    cat >"$prefix/lib/pkgconfig/freetype2.pc" <<EOF
Name: FreeType 2
Description: FreeType, compiled to WebAssembly
Version: ${version%%+*}
Cflags: -I$include
Libs: $prefix/lib/libfreetype.a $prefix/lib/libpng16.a $prefix/lib/libz.a
EOF
    mark_built freetype "$version"
}

# HarfBuzz's single-file build of its OpenType shaper: kerning reads the font's tables through
# FreeType and shapes with HarfBuzz's own OpenType functions and Unicode data, as Debian's does.
# Left out are only functions that shaping never calls: buffer serialising, messages and
# verifying, drawing outlines, and the MATH, META, name, STAT, BASE and glyph name tables.
build_harfbuzz() {
    local unused=(-DHB_NO_BUFFER_SERIALIZE -DHB_NO_BUFFER_MESSAGE -DHB_NO_BUFFER_VERIFY
        -DHB_NO_DRAW -DHB_NO_MATH -DHB_NO_META -DHB_NO_NAME -DHB_NO_STYLE -DHB_NO_BASE
        -DHB_NO_OT_FONT_GLYPH_NAMES -DHB_NO_LAYOUT_FEATURE_PARAMS)
    local version
    version=$(source_version libharfbuzz0b)
    built harfbuzz "$version" && return 0
    say "HarfBuzz $version"
    local src
    src=$(unpack_source harfbuzz "$version")
    rm -rf "$deps/harfbuzz" && mkdir -p "$deps/harfbuzz" "$prefix/include/harfbuzz"
    # shellcheck disable=SC2086
    em++ $common_cflags -std=c++11 -fno-exceptions -fno-rtti -DHB_NO_MT "${unused[@]}" \
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
    cp -p /usr/include/fontconfig/fontconfig.h "$prefix/include/fontconfig/"
}

ensure_deb_src
copy_fontconfig_header
build_zlib
build_libpng
build_freetype
build_harfbuzz

say "rastova"
core=$deps/rastova
# Configured again only when its flags change: a new configure run makes every archive and
# the slow optimising link again.
configure=(-DCMAKE_BUILD_TYPE=MinSizeRel -DCMAKE_CXX_FLAGS_MINSIZEREL="$common_cflags -DNDEBUG"
    -DCMAKE_EXE_LINKER_FLAGS_MINSIZEREL="$common_cflags" -DRASTOVA_WEB_DEPS="$prefix"
    -DBUILD_TESTING=OFF
    ${CMAKE_CXX_COMPILER_LAUNCHER:+-DCMAKE_CXX_COMPILER_LAUNCHER=$CMAKE_CXX_COMPILER_LAUNCHER})
if [ ! -f "$core/build.ninja" ] || [ "$(cat "$core/configured" 2>/dev/null)" != "${configure[*]}" ]; then
    emcmake cmake -S . -B "$core" -G Ninja "${configure[@]}" >/dev/null
    echo "${configure[*]}" >"$core/configured"
fi
cmake --build "$core" --target rastova-web
cp "$core/web/rastova.js" "$core/web/rastova.wasm" "$out/"
if [ -d web/page ]; then
    cp -r web/page/. "$out/"
fi
say "built $out: $(du -cb "$out"/* | tail -1 | cut -f1) bytes"
