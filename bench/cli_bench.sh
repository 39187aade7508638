#!/usr/bin/env bash
# Whole-process time and peak memory of rastova-convert, median of ROUNDS x RUNS runs (default
# 5 x 6), the cases taking turns round by round so a busy moment of the machine falls on all of
# them alike. Beside them, the floor: a C program that only opens the face and renders the same
# glyphs with FreeType, and fc-match for the same pattern.
#   - all of ASCII at 16 px with --font-file, in every format, and with --preview;
#   - the table format at 96 px and by fontconfig pattern;
#   - the 20,992 CJK ideographs U+4E00-U+9FFF of Droid Sans Fallback at 16 px to lvgl;
#   - --text-file on 10 MB of UI strings (ASCII, Cyrillic and symbols, CR LF) to lvgl.
#   - two sources to lvgl, ASCII of DejaVu Sans and 50 Font Awesome icons remapped to U+E000...,
#     beside 145 characters of DejaVu Sans alone (goal: within 1.3 times).
# With LV_FONT_CONV naming LVGL's own converter (lv_font_conv; this script does not install it),
# the same ASCII at 4 bpp, compressed and not, and the CJK set at 4 bpp compressed, through it
# too, beside ours (LV_RUNS runs each, default 3: it takes many seconds on the CJK set).
#   BUILD_DIR   build folder (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
rastova_install_deps hyperfine time
if ! dpkg-query -W -f='${Status}' fonts-droid-fallback 2>/dev/null | grep -q 'ok installed'; then
    sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    # Only the font: its recommended packages would add faces of their own.
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
        fonts-droid-fallback
fi
dir=${BUILD_DIR:-build}
# Only what is measured: building the tests first would take far longer than the runs.
rastova_configure "$dir" >/dev/null
cmake --build "$dir" --target rastova-convert reference_render >/dev/null
rounds=${ROUNDS:-5}
runs=${RUNS:-6}

convert="$dir/cli/rastova-convert"
reference="$dir/bench/reference_render"
family="DejaVu Sans"
file=$(fc-match -f '%{file}' "$family:style=Book")
cjk=$(fc-match -f '%{file}' "Droid Sans Fallback")
icons=/usr/share/fonts/truetype/font-awesome/fontawesome-webfont.ttf

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# 10 MB of UI strings, a few dozen distinct characters: the run is the reading of the text.
strings="$work/strings.txt"
line='{"temperature": "Температура: 23 °C", "done": "Готово…", "ok": "OK — ready"}'
LC_ALL=C awk -v line="$line" -v bytes=$((10 << 20)) 'BEGIN {
    n = bytes / (length(line) + 2)
    for (i = 0; i < n; i++) printf "%s\r\n", line }' >"$strings"

names=("FreeType-only C program, 16 px")
commands=("$reference $file 16")
for format in table bdf gfx lvgl u8g2 xbm ssd1306 raw; do
    names+=("--format $format, 16 px")
    commands+=("$convert --set ascii --font-file $file --size 16px --format $format -o /dev/null")
done
names+=(
    "FreeType-only C program, 16 px, grey"
    "--format lvgl --bpp 4, 16 px, grey"
    "--format lvgl --bpp 4 --compress, 16 px, grey"
    "--format vlw, 16 px, grey"
    "--format table, 16 px, --preview"
    "FreeType-only C program, 96 px"
    "--format table, 96 px"
    "fc-match '$family'"
    "--font '$family', 16 px"
    "CJK U+4E00-U+9FFF to lvgl, 16 px"
    "CJK U+4E00-U+9FFF to lvgl --bpp 4 --compress"
    "--text-file, 10 MB of strings, to lvgl"
    "145 characters of one font to lvgl, 16 px"
    "ASCII + 50 icons, two fonts, to lvgl, 16 px"
)
commands+=(
    "$reference $file 16 grey"
    "$convert --set ascii --font-file $file --size 16px --format lvgl --bpp 4 -o /dev/null"
    "$convert --set ascii --font-file $file --size 16px --format lvgl --bpp 4 --compress -o /dev/null"
    "$convert --set ascii --font-file $file --size 16px --format vlw -o /dev/null"
    "$convert --set ascii --font-file $file --size 16px -o /dev/null --preview $work/p.png"
    "$reference $file 96"
    "$convert --set ascii --font-file $file --size 96px -o /dev/null"
    "fc-match '$family'"
    "$convert --set ascii --font '$family' --size 16px -o /dev/null"
    "$convert --range 0x4E00-0x9FFF --font-file $cjk --size 16px --format lvgl -o /dev/null"
    "$convert --range 0x4E00-0x9FFF --font-file $cjk --size 16px --format lvgl --bpp 4 --compress -o /dev/null"
    "$convert --text-file $strings --font-file $file --size 16px --format lvgl -o /dev/null"
    "$convert --set ascii --range 0x410-0x441 --font-file $file --size 16px --format lvgl -o /dev/null"
    "$convert --set ascii --font-file $file --size 16px --format lvgl -o /dev/null --font-file $icons --range '0xF000-0xF00E=>0xE000,0xF010-0xF01E=>0xE00F,0xF021-0xF034=>0xE01E'"
)

# Appends the seconds of each run of a command line to a file, one a line.
measure() {
    hyperfine --shell=none --warmup 2 --runs "$runs" --export-json "$work/run.json" "$1" \
        >/dev/null 2>&1
    tr -d ' \n' <"$work/run.json" | grep -o '"times":\[[^]]*\]' | grep -oE '[0-9.]+(e-?[0-9]+)?' \
        >>"$2"
}

median_ms() {
    sort -g "$1" | awk '{ t[NR] = $1 } END {
        m = NR % 2 ? t[(NR + 1) / 2] : (t[NR / 2] + t[NR / 2 + 1]) / 2
        printf "%.2f", m * 1000 }'
}

# Peak resident memory in MB of one run.
peak_mb() {
    local kb
    kb=$(/usr/bin/time -f '%M' sh -c "$1 >/dev/null 2>&1" 2>&1 | tail -n 1)
    awk -v kb="$kb" 'BEGIN { printf "%.1f", kb / 1024 }'
}

for ((round = 0; round < rounds; ++round)); do
    for i in "${!commands[@]}"; do
        measure "${commands[$i]}" "$work/$i"
    done
done

floor16=$(median_ms "$work/0")
for i in "${!names[@]}"; do
    [ "${names[$i]}" = "FreeType-only C program, 16 px, grey" ] && greyFloor=$(median_ms "$work/$i")
done
plain16=$(median_ms "$work/1")
echo "rastova-convert, median of $((rounds * runs)) runs; ASCII font: $file"
printf '%-40s %11s %9s %11s\n' "case" "time" "x floor" "peak RSS"
for i in "${!commands[@]}"; do
    ms=$(median_ms "$work/$i")
    ratio=$(awk -v a="$ms" -v b="$floor16" 'BEGIN { printf "%.2f", a / b }')
    case "${names[$i]}" in
    *"16 px, grey") ratio=$(awk -v a="$ms" -v b="$greyFloor" 'BEGIN { printf "%.2f", a / b }') ;;
    *"16 px"*) ;;
    *) ratio="" ;;
    esac
    case "${names[$i]}" in
    CJK* | fc-match* | "--font '"*) ratio="" ;;
    *--preview) ratio=$(awk -v a="$ms" -v b="$plain16" 'BEGIN { printf "%+.1f ms", a - b }') ;;
    esac
    printf '%-40s %8s ms %9s %8s MB\n' "${names[$i]}" "$ms" "$ratio" \
        "$(peak_mb "${commands[$i]}")"
done
echo "Goals: every format at 16 px within 1.4 x the FreeType-only program (grey cases: 1.3 x the"
echo "anti-aliasing one, CJK at 4 bits compressed under 1 s and 32 MB); --preview at most"
echo "20 ms over the same run without it; CJK to lvgl at most 0.6 s and 16 MB; the table format"
echo "no slower than before; --font within 3 ms of fc-match; --text-file on 10 MB under 0.5 s."

[ -n "${LV_FONT_CONV:-}" ] || exit 0
# LVGL's converter on the same work as ours, and ours again beside it in the same rounds.
lvRuns=${LV_RUNS:-3}
lvNames=(
    "lv_font_conv --bpp 4, ASCII 16 px"
    "ours --bpp 4, ASCII 16 px"
    "lv_font_conv --bpp 4 compressed, ASCII 16 px"
    "ours --bpp 4 --compress, ASCII 16 px"
    "lv_font_conv --bpp 4 compressed, CJK 16 px"
    "ours --bpp 4 --compress, CJK 16 px"
)
lvCommands=(
    "$LV_FONT_CONV --font $file --size 16 --bpp 4 --format lvgl -r 0x20-0x7E --no-compress -o $work/lv.c"
    "$convert --set ascii --font-file $file --size 16px --format lvgl --bpp 4 -o $work/ours.c"
    "$LV_FONT_CONV --font $file --size 16 --bpp 4 --format lvgl -r 0x20-0x7E -o $work/lv.c"
    "$convert --set ascii --font-file $file --size 16px --format lvgl --bpp 4 --compress -o $work/ours.c"
    "$LV_FONT_CONV --font $cjk --size 16 --bpp 4 --format lvgl -r 0x4E00-0x9FFF -o $work/lv.c"
    "$convert --range 0x4E00-0x9FFF --font-file $cjk --size 16px --format lvgl --bpp 4 --compress -o $work/ours.c"
)
for i in "${!lvCommands[@]}"; do
    rm -f "$work/lv$i"
    hyperfine --shell=none --warmup 1 --runs "$lvRuns" --export-json "$work/run.json" \
        "${lvCommands[$i]}" >/dev/null 2>&1
    tr -d ' \n' <"$work/run.json" | grep -o '"times":\[[^]]*\]' |
        grep -oE '[0-9.]+(e-?[0-9]+)?' >>"$work/lv$i"
done
echo
echo "LVGL's converter ($("$LV_FONT_CONV" --version 2>/dev/null || echo '?')) beside ours, median of $lvRuns runs"
printf '%-46s %11s %10s %11s\n' "case" "time" "vs ours" "peak RSS"
for i in "${!lvCommands[@]}"; do
    ms=$(median_ms "$work/lv$i")
    versus=""
    if ((i % 2 == 0)); then
        ours=$(median_ms "$work/lv$((i + 1))")
        versus=$(awk -v a="$ms" -v b="$ours" 'BEGIN { printf "%.0f x", a / b }')
    fi
    printf '%-46s %8s ms %10s %8s MB\n' "${lvNames[$i]}" "$ms" "$versus" \
        "$(peak_mb "${lvCommands[$i]}")"
done
echo "Goal: ours at least 50 x faster than LVGL's converter on the same work."
