# The Debian package: `cpack -G DEB` in the build folder makes rastova_<version>_<arch>.deb
# from everything `cmake --install` puts under /usr.
set(CPACK_PACKAGE_NAME rastova)
set(CPACK_PACKAGE_VENDOR "Rastova")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "font characters to bitmap data for embedded displays")
set(CPACK_PACKAGE_DESCRIPTION
"Rastova draws the characters of an installed font or a font file and writes them as
monochrome bitmap data that firmware for small displays compiles in.
.
rastova is a window: pick a font, type a character, and copy its table of hex bytes,
one line per pixel row, each with a comment drawing the row.
.
rastova-convert converts whole character sets from the command line or a build, into
the same tables or into fonts that display libraries read as they stand: Adafruit GFX,
LVGL, u8g2, the ESP8266/ESP32 OLED library, BDF, XBM and raw records.
.
The CMake package's rastova_add_font() makes a font while a firmware builds (ESP-IDF,
Zephyr, Pico SDK, STM32Cube) and remakes it when its declaration or font file changes.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(RASTOVA_PACKAGE_MAINTAINER "Rastova developers <maintainers@rastova.invalid>" CACHE STRING
    "The Debian package's Maintainer field")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${RASTOVA_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# Depends: the shared libraries the programs link, found by dpkg-shlibdeps, and fontconfig and
# HarfBuzz, which rastova-convert opens only when a run needs them (see glyph/), so
# dpkg-shlibdeps does not see them. fontconfig reads its configuration from /etc/fonts, which fontconfig-config installs.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libfontconfig1 (>= 2.13), libharfbuzz0b (>= 2.6.0), fontconfig-config")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-dejavu-core")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "cmake")

include(CPack)
