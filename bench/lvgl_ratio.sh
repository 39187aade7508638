#!/usr/bin/env bash
# How much LVGL's compressed glyph code saves, ours beside LVGL's own converter (lv_font_conv),
# on DejaVu Sans, for ASCII and for ASCII + Latin-1 + Cyrillic, at 12, 16, 24 and 32 px and 2, 3,
# 4 and 8 bits per pixel. Each tool is measured against its own glyphs (the two hint differently,
# so their boxes differ): ratio = bytes of its compressed glyph_bitmap (a code two glyphs share
# counts once, as it is written once) / bytes its uncompressed glyph_bitmap takes for the same
# boxes (each glyph's w x h x bpp bits, padded to a whole byte, as the plain format stores them;
# the plain 3 bpp format is not written by either tool, LVGL draws 3 bpp only compressed).
# Not part of the tests; run it by hand:
#   LV_FONT_CONV=/path/to/lv_font_conv bench/lvgl_ratio.sh
#   BUILD_DIR   build folder (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
if [ -z "${LV_FONT_CONV:-}" ] || [ ! -x "$LV_FONT_CONV" ]; then
    echo "LV_FONT_CONV must name LVGL's converter (lv_font_conv) to compare with" >&2
    exit 2
fi
convert="${BUILD_DIR:-build}/cli/rastova-convert"
[ -x "$convert" ] || cmake --build "${BUILD_DIR:-build}" --target rastova-convert >/dev/null
file=$(fc-match -f '%{file}' "DejaVu Sans:style=Book")

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Prints "compressed uncompressed" for a written LVGL font: the hex bytes of glyph_bitmap, and
# the bytes its glyphs' boxes take at `bpp` bits a pixel without compression.
sizes() {
    awk -v bpp="$2" '
        /glyph_bitmap\[\] = \{/ { inside = 1; next }
        inside && /^\};/ { inside = 0 }
        inside {
            line = $0
            gsub(/\/\*[^*]*\*\//, "", line)
            bytes += gsub(/0x[0-9A-Fa-f]+/, "", line)
        }
        match($0, /\.box_w = [0-9]+, \.box_h = [0-9]+/) {
            split(substr($0, RSTART, RLENGTH), f, /[^0-9]+/)
            plain += int((f[2] * f[3] * bpp + 7) / 8)
        }
        END { print bytes, plain }' "$1"
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.4f", b ? a / b : 0 }'; }

worse=0
for set in "ASCII=0x20-0x7E" "ASCII + Latin-1 + Cyrillic=0x20-0x7E,0xA0-0xFF,0x400-0x4FF"; do
  range=${set#*=}
  printf '\n%s\n%-6s %-4s %21s %21s %s\n' "${set%%=*}" "size" "bpp" "ours (bytes, ratio)" \
      "lv_font_conv" "ours <="
  for px in 12 16 24 32; do
    for bpp in 2 3 4 8; do
        # LVGL 9 decompresses 2, 3 and 4 bpp only; LVGL 8 takes 8 too.
        version=9
        [ "$bpp" = 8 ] && version=8
        "$convert" --font-file "$file" --size "${px}px" --range "$range" --format lvgl \
            --bpp "$bpp" --compress --lvgl-version "$version" --no-kerning -o "$work/ours.c"
        "$LV_FONT_CONV" --font "$file" --size "$px" --bpp "$bpp" --format lvgl -r "$range" \
            --no-kerning -o "$work/theirs.c" >/dev/null
        read -r ours oursPlain < <(sizes "$work/ours.c" "$bpp")
        read -r theirs theirsPlain < <(sizes "$work/theirs.c" "$bpp")
        a=$(ratio "$ours" "$oursPlain")
        b=$(ratio "$theirs" "$theirsPlain")
        ok=$(awk -v a="$a" -v b="$b" 'BEGIN { print (a <= b) ? "yes" : "NO" }')
        [ "$ok" = yes ] || worse=1
        printf '%-6s %-4s %7s/%-6s %6s %7s/%-6s %6s %s\n' "${px}px" "$bpp" "$ours" "$oursPlain" \
            "$a" "$theirs" "$theirsPlain" "$b" "$ok"
    done
  done
done
exit "$worse"
