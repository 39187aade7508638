// The lvgl format read back by a program of our own, compiled with the font against the LVGL
// declarations below (as LVGL 8.3's and 9.x's lv_font.h and lv_font_fmt_txt.h give them). It finds
// every character as LVGL does (character maps, glyph ids, descriptors, bits) and the glyphs must
// be the strike's, pixel for pixel and advance for advance; grey levels must be FreeType's
// anti-aliased render quantised to the font's bits per pixel.
#include "formats/font_writer.h"
#include "formats/format_registry.h"
#include "glyph/strike.h"
#include "glyph/utf8.h"
#include "tests/c_headers.h"
#include "tests/cli_test_support.h"
#include "tests/command_support.h"
#include "tests/font_files.h"
#include "tests/string_sink.h"

#include <cmath>
#include <ft2build.h>
#include FT_FREETYPE_H
#include <gtest/gtest.h>
#include <hb.h>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#ifndef RASTOVA_C_COMPILER
#error "RASTOVA_C_COMPILER and RASTOVA_CXX_COMPILER name the compilers found at configure time"
#endif

namespace {

using cheaders::kLvglHeader;
using clitest::TempDir;
using commands::Shell;

// Another file of the program names the font only through LV_FONT_DECLARE.
constexpr const char* kUser = R"(#include "lvgl.h"
LV_FONT_DECLARE(FONT_NAME)
const lv_font_t * declared_font(void) { return &FONT_NAME; }
)";

// Prints the font's facts, then for every character each map holds, and for the code just past
// each map: "glyph|past CODE none" or "glyph|past CODE ADV_W BOX_W BOX_H OFS_X OFS_Y BITS", BITS
// the box's pixels row by row as '#' and '.' at 1 bpp, as two hex digits of level each above.
constexpr const char* kDecoder = R"(#include "font.c"
#include <stdio.h>

const lv_font_t * declared_font(void);

bool lv_font_get_glyph_dsc_fmt_txt(const lv_font_t * f, lv_font_glyph_dsc_t * g, uint32_t a, uint32_t b) {
    (void)f; (void)g; (void)a; (void)b; return false;
}
#if LVGL_VERSION_MAJOR == 8
const uint8_t * lv_font_get_bitmap_fmt_txt(const lv_font_t * f, uint32_t a) { (void)f; (void)a; return NULL; }
#else
const void * lv_font_get_bitmap_fmt_txt(lv_font_glyph_dsc_t * g, lv_draw_buf_t * b) { (void)g; (void)b; return NULL; }
#endif

/* The glyph id of a code as LVGL looks it up: the first map whose range takes the code decides. */
static uint32_t glyph_id(const lv_font_fmt_txt_dsc_t * d, uint32_t letter) {
    for (int i = 0; i < d->cmap_num; ++i) {
        const lv_font_fmt_txt_cmap_t * map = &d->cmaps[i];
        uint32_t rcp = letter - map->range_start;
#if LVGL_VERSION_MAJOR == 8
        if (rcp > (uint32_t)map->range_length) continue; /* LVGL 8 takes rcp == range_length too */
#else
        if (rcp >= (uint32_t)map->range_length) continue;
#endif
        if (map->glyph_id_ofs_list != NULL) return 0xFFFFFFFFu;
        if (map->type == LV_FONT_FMT_TXT_CMAP_FORMAT0_TINY) return map->glyph_id_start + rcp;
        if (map->type != LV_FONT_FMT_TXT_CMAP_SPARSE_TINY) return 0xFFFFFFFFu;
        uint32_t low = 0, high = map->list_length;
        while (low < high) {
            uint32_t mid = (low + high) / 2;
            if ((uint32_t)map->unicode_list[mid] < rcp) low = mid + 1; else high = mid;
        }
        if (low == map->list_length || (uint32_t)map->unicode_list[low] != rcp) return 0;
        return map->glyph_id_start + low;
    }
    return 0;
}

static void print_glyph(const lv_font_fmt_txt_dsc_t * d, const char * what, uint32_t letter) {
    uint32_t id = glyph_id(d, letter);
    printf("%s %lu ", what, (unsigned long)letter);
    if (id == 0) { printf("none\n"); return; }
    if (id >= sizeof glyph_dsc / sizeof glyph_dsc[0]) { printf("bad-id\n"); return; }
    const lv_font_fmt_txt_glyph_dsc_t * g = &d->glyph_dsc[id];
    uint32_t pixels = (uint32_t)g->box_w * g->box_h, bpp = d->bpp;
    if (g->bitmap_index + (pixels * bpp + 7) / 8 > sizeof glyph_bitmap) { printf("bad-index\n"); return; }
    printf("%lu %d %d %d %d ", (unsigned long)g->adv_w, (int)g->box_w, (int)g->box_h, (int)g->ofs_x, (int)g->ofs_y);
    const uint8_t * bits = d->glyph_bitmap + g->bitmap_index;
    /* Each pixel bpp bits, the first most significant, straight on across rows. */
    for (uint32_t i = 0; i < pixels; ++i) {
        unsigned level = 0;
        for (uint32_t b = i * bpp; b < (i + 1) * bpp; ++b) level = level << 1 | ((bits[b / 8] >> (7 - b % 8)) & 1);
        if (bpp == 1) putchar(level ? '#' : '.'); else printf("%02x", level);
    }
    printf(pixels ? "\n" : "-\n");
}

/* The kerning LVGL adds between two glyph ids, in 1/16 px: pairs searched as LVGL does (left id,
   then right id, ascending), or the classes' table. */
static int kern_between(const lv_font_fmt_txt_dsc_t * d, uint32_t left, uint32_t right) {
    int value = 0;
    if (d->kern_classes) {
        const lv_font_fmt_txt_kern_classes_t * k = (const lv_font_fmt_txt_kern_classes_t *)d->kern_dsc;
        int lc = k->left_class_mapping[left], rc = k->right_class_mapping[right];
        if (lc > 0 && rc > 0) value = k->class_pair_values[(lc - 1) * k->right_class_cnt + (rc - 1)];
    } else {
        const lv_font_fmt_txt_kern_pair_t * k = (const lv_font_fmt_txt_kern_pair_t *)d->kern_dsc;
        uint32_t low = 0, high = k->pair_cnt;
        while (low < high) {
            uint32_t mid = (low + high) / 2, l, r;
            if (k->glyph_ids_size == 0) { l = ((const uint8_t *)k->glyph_ids)[2 * mid]; r = ((const uint8_t *)k->glyph_ids)[2 * mid + 1]; }
            else { l = ((const uint16_t *)k->glyph_ids)[2 * mid]; r = ((const uint16_t *)k->glyph_ids)[2 * mid + 1]; }
            if (l == left && r == right) { value = k->values[mid]; break; }
            if (l < left || (l == left && r < right)) low = mid + 1; else high = mid;
        }
    }
    return (value * (int)d->kern_scale) >> 4;
}

/* The codes kerning is looked for between: up to U+04FF, then U+E000-U+E0FF. */
static uint32_t next_code(uint32_t c) { return c + 1 == 0x500 ? 0xE000 : c + 1; }

/* "kern none", or "kern pairs|classes SIZE" then "pair LEFT RIGHT SIXTEENTHS" for each pair of
   characters LVGL kerns. */
static void print_kerning(const lv_font_fmt_txt_dsc_t * d) {
    if (d->kern_dsc == NULL) { printf("kern none\n"); return; }
    if (d->kern_classes) {
        const lv_font_fmt_txt_kern_classes_t * k = (const lv_font_fmt_txt_kern_classes_t *)d->kern_dsc;
        printf("kern classes %d", (int)(2 * (sizeof glyph_dsc / sizeof glyph_dsc[0]) + k->left_class_cnt * k->right_class_cnt));
    } else {
        const lv_font_fmt_txt_kern_pair_t * k = (const lv_font_fmt_txt_kern_pair_t *)d->kern_dsc;
        printf("kern pairs %d", (int)(k->pair_cnt * (k->glyph_ids_size ? 5 : 3)));
    }
    printf(" %d\n", (int)(sizeof glyph_dsc / sizeof glyph_dsc[0]));
    for (uint32_t a = 0; a < 0xE100; a = next_code(a)) {
        uint32_t left = glyph_id(d, a);
        if (left == 0 || left == 0xFFFFFFFFu) continue;
        for (uint32_t b = 0; b < 0xE100; b = next_code(b)) {
            uint32_t right = glyph_id(d, b);
            if (right == 0 || right == 0xFFFFFFFFu) continue;
            int v = kern_between(d, left, right);
            if (v != 0) printf("pair %lu %lu %d\n", (unsigned long)a, (unsigned long)b, v);
        }
    }
}

int main(void) {
    const lv_font_t * font = declared_font();
    const lv_font_fmt_txt_dsc_t * d = (const lv_font_fmt_txt_dsc_t *)font->dsc;
    printf("font %d %d %d %d %d %d %d %d\n", (int)font->line_height, (int)font->base_line,
           (int)font->underline_position, (int)font->underline_thickness, (int)d->bpp,
           (int)d->bitmap_format, (int)font->subpx,
           font->get_glyph_dsc == lv_font_get_glyph_dsc_fmt_txt && font->fallback == NULL &&
               d->glyph_dsc[0].adv_w == 0 && d->glyph_dsc[0].box_w == 0);
    print_kerning(d);
    for (int i = 0; i < d->cmap_num; ++i) {
        const lv_font_fmt_txt_cmap_t * map = &d->cmaps[i];
        int sparse = map->type == LV_FONT_FMT_TXT_CMAP_SPARSE_TINY;
        uint32_t count = sparse ? map->list_length : map->range_length;
        printf("map %d %lu %lu\n", sparse, (unsigned long)map->range_start, (unsigned long)map->range_length);
        for (uint32_t k = 0; k < count; ++k) {
            print_glyph(d, "glyph", map->range_start + (sparse ? (uint32_t)map->unicode_list[k] : k));
        }
        print_glyph(d, "past", map->range_start + map->range_length);
    }
    return 0;
}
)";

struct Build {
    const char* what;
    int version; // --lvgl-version
    bool cxx;
    const char* defines;
};

const Build kLvgl92C{"LVGL 9.2 as C", 9, false, "-DLVGL_VERSION_MAJOR=9 -DLVGL_VERSION_MINOR=2"};
const Build kLvgl93Cxx{"LVGL 9.3 as C++", 9, true, "-DLVGL_VERSION_MAJOR=9 -DLVGL_VERSION_MINOR=3"};
const Build kLvgl83C{"LVGL 8.3 as C", 8, false, "-DLVGL_VERSION_MAJOR=8 -DLVGL_VERSION_MINOR=3"};
const Build kLvgl83Cxx{"LVGL 8.3 as C++", 8, true, "-DLVGL_VERSION_MAJOR=8 -DLVGL_VERSION_MINOR=3"};

// Compiles the font with the decoder; the compiler's or the decoder's output.
commands::Command CompileAndDecode(const std::string& font, const std::string& name,
                                   const Build& build, const std::string& extra = {}) {
    const TempDir dir;
    dir.File("lvgl.h", kLvglHeader);
    dir.File("font.c", font);
    dir.File("decoder.c", kDecoder);
    dir.File("user.c", kUser);
    const std::string compiler = build.cxx
                                     ? std::string(RASTOVA_CXX_COMPILER) + " -x c++ -std=c++20"
                                     : std::string(RASTOVA_C_COMPILER) + " -std=c11";
    const commands::Command compiled =
        Shell(compiler + " -Wall -Wextra -Werror -DLV_LVGL_H_INCLUDE_SIMPLE " + build.defines +
              " " + extra + " -DFONT_NAME=" + name + " -I" + dir.Path() + " " +
              dir.Path("decoder.c") + " " + dir.Path("user.c") + " -o " + dir.Path("decoder"));
    if (compiled.status != 0) {
        return compiled;
    }
    return Shell(dir.Path("decoder"));
}

struct DecodedGlyph {
    long advance = 0; // 1/16 px
    int width = 0;
    int height = 0;
    int x = 0;
    int y = 0;
    std::string bits;
};

struct Decoded {
    int lineHeight = 0;
    int baseLine = 0;
    int underlineTop = 0;
    int underlineThickness = 0;
    int bpp = 0;
    int bitmapFormat = -1;
    int subpx = -1;
    int wiring = 0; // callbacks, no fallback, no kerning, descriptor 0 reserved
    std::map<char32_t, DecodedGlyph> glyphs;
    int repeated = 0;                 // characters found in two places
    std::vector<std::string> badPast; // codes past a map that draw something
    int runMaps = 0;
    int sparseMaps = 0;
    std::vector<std::string> errors;
    std::string kerning;   // "none", "pairs" or "classes"
    long kerningBytes = 0; // of the arrays that hold it
    long descriptors = 0;
    std::map<std::pair<char32_t, char32_t>, int> kerned; // 1/16 px, as LVGL adds it
};

Decoded Parse(const std::string& output) {
    Decoded font;
    std::istringstream lines(output);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream in(line);
        std::string kind;
        in >> kind;
        if (kind == "font") {
            in >> font.lineHeight >> font.baseLine >> font.underlineTop >>
                font.underlineThickness >> font.bpp >> font.bitmapFormat >> font.subpx >>
                font.wiring;
            continue;
        }
        if (kind == "kern") {
            in >> font.kerning >> font.kerningBytes >> font.descriptors;
            continue;
        }
        if (kind == "pair") {
            unsigned long left = 0, right = 0;
            int value = 0;
            in >> left >> right >> value;
            font.kerned[{static_cast<char32_t>(left), static_cast<char32_t>(right)}] = value;
            continue;
        }
        if (kind == "map") {
            int sparse = 0;
            in >> sparse;
            ++(sparse != 0 ? font.sparseMaps : font.runMaps);
            continue;
        }
        unsigned long code = 0;
        std::string first;
        in >> code >> first;
        DecodedGlyph glyph;
        if (first != "none") {
            std::istringstream(first) >> glyph.advance;
            in >> glyph.width >> glyph.height >> glyph.x >> glyph.y >> glyph.bits;
        }
        if (first.starts_with("bad")) {
            font.errors.push_back(line);
        } else if (kind == "glyph") {
            font.repeated += font.glyphs.count(static_cast<char32_t>(code)) != 0;
            font.glyphs[static_cast<char32_t>(code)] = glyph;
        } else if (kind == "past" && first != "none" && (glyph.advance != 0 || glyph.width != 0)) {
            font.badPast.push_back(line);
        }
    }
    return font;
}

// The decoded font holds exactly the strike's glyphs, each placed where LVGL draws it: the box's
// top row box_h + ofs_y rows above the baseline, its left column ofs_x right of the pen.
void ExpectStrike(const Decoded& font, const glyph::Strike& strike, const std::string& what) {
    EXPECT_TRUE(font.errors.empty()) << what << ": " << font.errors.front();
    EXPECT_EQ(font.repeated, 0) << what;
    EXPECT_EQ(font.glyphs.size(), strike.glyphs.size()) << what;
    EXPECT_TRUE(font.badPast.empty()) << what << ": " << font.badPast.front();
    EXPECT_EQ(font.bpp, 1) << what;
    EXPECT_EQ(font.bitmapFormat, 0) << what;
    EXPECT_EQ(font.subpx, 0) << what;
    EXPECT_EQ(font.wiring, 1) << what;
    bool touchesTop = font.lineHeight == font.baseLine;
    bool touchesBottom = font.baseLine == 0;
    for (const glyph::StrikeGlyph& expected : strike.glyphs) {
        const std::string name = what + ", " + glyph::CharacterName(expected.code);
        const auto found = font.glyphs.find(expected.code);
        if (found == font.glyphs.end()) {
            ADD_FAILURE() << name << ": not found";
            continue;
        }
        const DecodedGlyph& g = found->second;
        EXPECT_EQ(g.advance, expected.advance * 16L) << name;
        const int top = g.height + g.y;
        long ink = 0;
        for (int row = 0; row < g.height; ++row) {
            for (int col = 0; col < g.width; ++col) {
                const bool set = g.bits[static_cast<std::size_t>(row * g.width + col)] == '#';
                ink += set;
                EXPECT_EQ(set, expected.InkAt(g.x + col, row - top))
                    << name << ": pixel " << col << "," << row << " of the box";
            }
        }
        EXPECT_EQ(ink, expected.ink.InkCount()) << name << ": ink outside the box";
        if (g.width > 0) {
            EXPECT_LE(top, font.lineHeight - font.baseLine) << name << ": above the line";
            EXPECT_GE(g.y, -font.baseLine) << name << ": below the line";
            touchesTop = touchesTop || top == font.lineHeight - font.baseLine;
            touchesBottom = touchesBottom || g.y == -font.baseLine;
        }
    }
    EXPECT_TRUE(touchesTop && touchesBottom) << what << ": the line is taller than the ink";
}

glyph::Strike DejaVuStrike(std::u32string_view characters, float points) {
    glyph::FontFaces faces;
    faces.Select(glyph::FontSource::File(testfonts::DejaVuSans()), {"", points, false, false});
    return glyph::DrawStrike(faces, characters);
}

// ASCII and Cyrillic are runs; the rest are scattered, the last two too far from the others
// for one map.
constexpr const char* kRanges = "0x20-0x7E,0xA9,0xB0,0x401,0x410-0x44F,0x451,0x20AC,0x2116,"
                                "0x1D538,0x1D53B";

TEST(LvglFormat, DecodesToTheStrikeInEveryRelease) {
    const std::u32string characters =
        *glyph::DecodeUtf8("©°ЁёАБВГДЕЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯабвгдежзийклмнопрстуфхцчшщъыьэюя"
                           "€№\U0001D538\U0001D53B !\"#$%&'()*+,-./0123456789:;<=>?@"
                           "ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_`abcdefghijklmnopqrstuvwxyz{|}~");
    const glyph::Strike strike = DejaVuStrike(characters, 12.0F);
    ASSERT_EQ(strike.glyphs.size(), 95U + 2 + 2 + 64 + 2 + 2);
    const TempDir dir;
    for (const Build& build : {kLvgl92C, kLvgl93Cxx, kLvgl83C, kLvgl83Cxx}) {
        const clitest::Result run = clitest::RunCli(
            {"--font-file", testfonts::DejaVuSans(), "--size", "12", "--range", kRanges, "--format",
             "lvgl", "--lvgl-version", std::to_string(build.version), "--c-array", "dejavu_12",
             "-o", dir.Path("font.c")});
        ASSERT_EQ(run.code, 0) << build.what << ": " << run.err;
        const commands::Command decoded =
            CompileAndDecode(clitest::ReadFile(dir.Path("font.c")), "dejavu_12", build);
        ASSERT_EQ(decoded.status, 0) << build.what << ":\n" << decoded.output;
        const Decoded font = Parse(decoded.output);
        ExpectStrike(font, strike, build.what);
        EXPECT_GE(font.runMaps, 2) << build.what << ": ASCII and Cyrillic are runs";
        EXPECT_GE(font.sparseMaps, 2) << build.what << ": the scattered codes need two maps";
        EXPECT_EQ(font.underlineThickness, strike.facts.metrics.underlineThickness) << build.what;
        EXPECT_EQ(font.underlineTop, strike.facts.metrics.underlineTop) << build.what;
    }
}

// The line height the header comment states is the one the font holds, whichever characters
// set it.
TEST(LvglFormat, HeaderStatesTheLineHeightItHolds) {
    for (const char* range : {"0x41-0x43", "0x20-0x7E", "0x2E"}) {
        const clitest::Result run =
            clitest::RunCli({"--font-file", testfonts::DejaVuSans(), "--size", "12", "--range",
                             range, "--format", "lvgl", "--c-array", "f"});
        ASSERT_EQ(run.code, 0) << range << ": " << run.err;
        std::smatch field;
        ASSERT_TRUE(std::regex_search(run.out, field, std::regex(R"(\.line_height = (\d+),)")));
        EXPECT_NE(run.out.find(", line height " + field[1].str() + " px\n"), std::string::npos)
            << range << ": line_height " << field[1];
    }
}

// A glyph too wide for the normal descriptors: the file asks for LV_FONT_FMT_TXT_LARGE and
// decodes with it.
glyph::Strike WideStrike() {
    glyph::Strike strike;
    strike.facts.metrics = {16, 12, 4, 16};
    glyph::StrikeGlyph a;
    a.code = U'A';
    a.ink = glyph::Bitmap(3, 2);
    a.ink.Set(1, 0);
    a.ink.Set(0, 1);
    a.ink.Set(2, 1);
    a.top = 2;
    a.advance = 4;
    glyph::StrikeGlyph wide;
    wide.code = U'Ж';
    wide.ink = glyph::Bitmap(300, 3);
    for (int x = 0; x < 300; x += 7) {
        wide.ink.Set(x, x % 3);
    }
    wide.ink.Set(299, 2);
    wide.left = -2;
    wide.top = 1;
    wide.advance = 301;
    strike.glyphs = {a, wide};
    return strike;
}

std::string WriteLvgl(const glyph::Strike& strike, int version) {
    formats::FormatOptions options;
    options.name = "test_font";
    options.lvglVersion = version;
    return test::WriteStrike("lvgl", options, strike);
}

TEST(LvglFormat, WideGlyphsNeedTheLargeDescriptors) {
    const glyph::Strike strike = WideStrike();
    for (const Build& build : {kLvgl92C, kLvgl83Cxx}) {
        const std::string font = WriteLvgl(strike, build.version);
        const commands::Command refused = CompileAndDecode(font, "test_font", build);
        EXPECT_NE(refused.status, 0) << build.what;
        EXPECT_NE(refused.output.find("needs LV_FONT_FMT_TXT_LARGE 1"), std::string::npos)
            << build.what << ":\n"
            << refused.output;
        const commands::Command decoded =
            CompileAndDecode(font, "test_font", build, "-DLV_FONT_FMT_TXT_LARGE=1");
        ASSERT_EQ(decoded.status, 0) << build.what << ":\n" << decoded.output;
        ExpectStrike(Parse(decoded.output), strike, build.what);
    }
}

// LVGL 8 reads an empty descriptor after a run of codes; it holds where the next bitmap would
// start, which passes 20 bits here although every glyph starts below.
TEST(LvglFormat, TheDescriptorAfterARunNeedsTheLargeDescriptorsPastTwentyBits) {
    glyph::Strike strike;
    strike.facts.metrics = {300, 255, 0, 300};
    glyph::Bitmap full(255, 255); // 8129 bytes: 129 of them pass 1 MiB, 128 do not
    for (int y = 0; y < 255; ++y) {
        for (int x = 0; x < 255; ++x) {
            full.Set(x, y);
        }
    }
    for (char32_t c = 0x100; c < 0x100 + 129; ++c) {
        glyph::StrikeGlyph g;
        g.code = c;
        g.ink = full;
        g.top = 255;
        g.advance = 255;
        strike.glyphs.push_back(g);
    }
    const std::string font = WriteLvgl(strike, 8);
    EXPECT_NE(font.find("bitmap_index = 1048641"), std::string::npos);
    EXPECT_NE(font.find("needs LV_FONT_FMT_TXT_LARGE 1"), std::string::npos);
}

TEST(LvglFormat, RefusesWhatNoDescriptorHolds) {
    struct Row {
        const char* what;
        void (*change)(glyph::Strike&);
        const char* message;
    };
    const Row rows[] = {
        {"a box wider than 16 bits",
         [](glyph::Strike& s) { s.glyphs[1].ink = glyph::Bitmap(70000, 1); },
         "'Ж' U+0416: box_w 70000"},
        {"a box far above the baseline", [](glyph::Strike& s) { s.glyphs[0].top = 40000; },
         "'A' U+0041: ofs_y 39998"},
        {"an underline thicker than int8_t",
         [](glyph::Strike& s) { s.facts.metrics.underlineThickness = 130; },
         "underline_thickness 130"},
        {"a character twice", [](glyph::Strike& s) { s.glyphs[1].code = U'A'; },
         "'A' U+0041: given twice"},
    };
    for (const Row& row : rows) {
        glyph::Strike strike = WideStrike();
        row.change(strike);
        try {
            WriteLvgl(strike, 9);
            ADD_FAILURE() << row.what << ": written";
        } catch (const formats::FormatError& error) {
            EXPECT_NE(std::string(error.what()).find(row.message), std::string::npos)
                << row.what << ": " << error.what();
        }
    }
}

// The levels of a glyph as FreeType's anti-aliased rasteriser draws it with its default hinting,
// each coverage scaled to 0 .. 2^bpp - 1 and rounded, in pen coordinates (y down from the
// baseline); and its advance in whole pixels.
struct FreeTypeLevels {
    std::map<std::pair<int, int>, int> levels; // only those above 0
    long advance = 0;
};

FreeTypeLevels RenderLevels(FT_Face face, char32_t c, int bpp) {
    FreeTypeLevels out;
    if (FT_Load_Char(face, c, FT_LOAD_TARGET_NORMAL) != 0 ||
        FT_Render_Glyph(face->glyph, FT_RENDER_MODE_NORMAL) != 0) {
        ADD_FAILURE() << glyph::CharacterName(c) << ": FreeType cannot draw it";
        return out;
    }
    const FT_GlyphSlot slot = face->glyph;
    out.advance = std::lround(slot->advance.x / 64.0);
    const double top = (1 << bpp) - 1;
    for (unsigned row = 0; row < slot->bitmap.rows; ++row) {
        for (unsigned col = 0; col < slot->bitmap.width; ++col) {
            const int coverage = slot->bitmap.buffer[row * slot->bitmap.pitch + col];
            const int level = static_cast<int>(std::lround(coverage * top / 255.0));
            if (level > 0) {
                out.levels[{slot->bitmap_left + static_cast<int>(col),
                            static_cast<int>(row) - slot->bitmap_top}] = level;
            }
        }
    }
    return out;
}

TEST(LvglFormat, GreyLevelsAreFreeTypesAntiAliasedRenderRounded) {
    struct Row {
        int bpp;
        const Build* build;
    };
    // 3 bpp is written only compressed: lvgl_compress_test reads it.
    const Row rows[] = {{2, &kLvgl92C}, {2, &kLvgl83Cxx}, {4, &kLvgl83C}, {8, &kLvgl93Cxx}};
    const std::u32string characters = *glyph::DecodeUtf8("AgЖ%@Wj,.");
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    ASSERT_EQ(FT_Init_FreeType(&library), 0);
    ASSERT_EQ(FT_New_Face(library, testfonts::DejaVuSans().c_str(), 0, &face), 0);
    ASSERT_EQ(FT_Set_Pixel_Sizes(face, 0, 16), 0);
    const TempDir dir;
    for (const Row& row : rows) {
        const std::string what = std::to_string(row.bpp) + " bpp, " + row.build->what;
        const clitest::Result run = clitest::RunCli(
            {"--font-file", testfonts::DejaVuSans(), "--size", "16px", "--format", "lvgl", "--bpp",
             std::to_string(row.bpp), "--lvgl-version", std::to_string(row.build->version),
             "--c-array", "grey", "--no-kerning", "-o", dir.Path("font.c"),
             glyph::EncodeUtf8(characters)});
        ASSERT_EQ(run.code, 0) << what << ": " << run.err;
        const commands::Command decoded =
            CompileAndDecode(clitest::ReadFile(dir.Path("font.c")), "grey", *row.build);
        ASSERT_EQ(decoded.status, 0) << what << ":\n" << decoded.output;
        const Decoded font = Parse(decoded.output);
        EXPECT_EQ(font.bpp, row.bpp) << what;
        EXPECT_TRUE(font.errors.empty()) << what;
        for (char32_t c : characters) {
            const std::string name = what + ", " + glyph::CharacterName(c);
            const FreeTypeLevels expected = RenderLevels(face, c, row.bpp);
            const auto found = font.glyphs.find(c);
            ASSERT_NE(found, font.glyphs.end()) << name;
            const DecodedGlyph& g = found->second;
            EXPECT_EQ(g.advance, expected.advance * 16) << name;
            ASSERT_EQ(g.bits.size(), static_cast<std::size_t>(g.width * g.height * 2)) << name;
            std::size_t inked = 0;
            for (int y = 0; y < g.height; ++y) {
                for (int x = 0; x < g.width; ++x) {
                    const int level =
                        std::stoi(g.bits.substr(static_cast<std::size_t>((y * g.width + x) * 2), 2),
                                  nullptr, 16);
                    const auto want = expected.levels.find({g.x + x, y - g.height - g.y});
                    EXPECT_EQ(level, want == expected.levels.end() ? 0 : want->second)
                        << name << ": pixel " << x << "," << y << " of the box";
                    inked += level > 0;
                }
            }
            EXPECT_EQ(inked, expected.levels.size()) << name << ": levels outside the box";
        }
    }
    FT_Done_Face(face);
    FT_Done_FreeType(library);
}

} // namespace

namespace {

// How far HarfBuzz moves `right` towards `left` beyond their advances, in 1/64 px at `pixels`: the
// first glyph's advance shaped with the font's default features less shaped with kerning off.
double HarfBuzzKerning(hb_font_t* font, char32_t left, char32_t right, bool kern) {
    hb_buffer_t* buffer = hb_buffer_create();
    const std::uint32_t text[] = {left, right};
    hb_buffer_add_utf32(buffer, text, 2, 0, 2);
    hb_buffer_guess_segment_properties(buffer);
    const hb_feature_t off{HB_TAG('k', 'e', 'r', 'n'), 0, 0, ~0U};
    hb_shape(font, buffer, kern ? nullptr : &off, kern ? 0 : 1);
    unsigned count = 0;
    const hb_glyph_position_t* position = hb_buffer_get_glyph_positions(buffer, &count);
    const double advance = count == 2 ? position[0].x_advance : 0;
    hb_buffer_destroy(buffer);
    return advance;
}

struct HarfBuzzFont {
    explicit HarfBuzzFont(const std::string& file, int pixels) {
        hb_blob_t* blob = hb_blob_create_from_file(file.c_str());
        hb_face_t* face = hb_face_create(blob, 0);
        font = hb_font_create(face);
        hb_font_set_scale(font, pixels * 64, pixels * 64);
        hb_face_destroy(face);
        hb_blob_destroy(blob);
    }
    ~HarfBuzzFont() { hb_font_destroy(font); }
    // 1/16 px.
    double Kerning(char32_t left, char32_t right) const {
        return (HarfBuzzKerning(font, left, right, true) -
                HarfBuzzKerning(font, left, right, false)) /
               4.0;
    }
    hb_font_t* font = nullptr;
};

// The least bytes LVGL's kerning arrays can take for these pairs: as pairs, or as classes of
// glyphs whose lists are the same (a class byte per glyph id on either side, and a value per
// pair of classes).
long SmallestKerning(const std::map<std::pair<char32_t, char32_t>, int>& kerned, long glyphIds,
                     bool wide) {
    std::map<char32_t, std::map<char32_t, int>> rows, columns;
    for (const auto& [pair, value] : kerned) {
        rows[pair.first][pair.second] = value;
    }
    std::set<std::map<char32_t, int>> leftClasses;
    std::map<char32_t, std::map<char32_t, int>> rowOf;
    for (const auto& [left, row] : rows) {
        leftClasses.insert(row);
    }
    std::map<char32_t, std::set<std::pair<long, int>>> columnOf;
    for (const auto& [pair, value] : kerned) {
        const long cls = std::distance(leftClasses.begin(), leftClasses.find(rows[pair.first]));
        columnOf[pair.second].insert({cls, value});
    }
    std::set<std::set<std::pair<long, int>>> rightClasses;
    for (const auto& [right, column] : columnOf) {
        rightClasses.insert(column);
    }
    const long pairs = static_cast<long>(kerned.size()) * (wide ? 5 : 3);
    const long classes = 2 * glyphIds + static_cast<long>(leftClasses.size() * rightClasses.size());
    return std::min(pairs, classes);
}

// `second` as the second face of a collection whose first face is `first`: a 'ttcf' header
// (version 1.0, two faces), then each font whole, its table offsets moved by where it starts.
std::string Collection(const std::string& first, const std::string& second) {
    const auto u32 = [](std::uint32_t v) {
        return std::string{static_cast<char>(v >> 24), static_cast<char>(v >> 16),
                           static_cast<char>(v >> 8), static_cast<char>(v)};
    };
    const auto read32 = [](const std::string& s, std::size_t at) {
        return std::uint32_t{static_cast<std::uint8_t>(s[at])} << 24 |
               std::uint32_t{static_cast<std::uint8_t>(s[at + 1])} << 16 |
               std::uint32_t{static_cast<std::uint8_t>(s[at + 2])} << 8 |
               static_cast<std::uint8_t>(s[at + 3]);
    };
    const std::uint32_t firstAt = 20;
    const std::uint32_t secondAt = (firstAt + static_cast<std::uint32_t>(first.size()) + 3) & ~3U;
    std::string out = std::string("ttcf\0\1\0\0\0\0\0\2", 12) + u32(firstAt) + u32(secondAt);
    for (const auto& [font, at] : {std::pair{&first, firstAt}, std::pair{&second, secondAt}}) {
        out.resize(at, '\0');
        std::string moved = *font;
        const std::size_t tables = read32(moved, 4) >> 16;
        for (std::size_t i = 0; i < tables; ++i) {
            moved.replace(12 + 16 * i + 8, 4, u32(read32(moved, 12 + 16 * i + 8) + at));
        }
        out += moved;
    }
    return out;
}

// LVGL adds what HarfBuzz kerns, within one 1/16-px step, for every pair of the set and in
// every release; the arrays are the smaller of pairs and classes; --no-kerning writes none.
TEST(LvglFormat, KernsAsHarfBuzzShapesThePairs) {
    struct Row {
        const char* what;
        const char* range;
        const Build* build;
        bool kerning;
        const char* font = "DejaVu Sans:style=Book";
        // The font is the second face of a collection after this one's.
        const char* collectedAfter = nullptr;
    };
    // The other faces kern with other lookups in other scripts (Serif, Bold) or hardly at all
    // (Mono).
    const Row rows[] = {
        {"ASCII, LVGL 9", "0x20-0x7E", &kLvgl92C, true},
        {"ASCII, LVGL 8.3", "0x20-0x7E", &kLvgl83Cxx, true},
        {"ASCII and Cyrillic, LVGL 9", "0x20-0x7E,0x401,0x410-0x44F,0x451", &kLvgl93Cxx, true},
        {"ASCII, --no-kerning", "0x20-0x7E", &kLvgl92C, false},
        {"Serif, ASCII and Greek", "0x20-0x7E,0x391-0x3A9", &kLvgl92C, true, "DejaVu Serif"},
        {"Sans Bold, ASCII and Cyrillic", "0x20-0x7E,0x410-0x44F", &kLvgl92C, true,
         "DejaVu Sans:bold"},
        {"Sans Mono, ASCII", "0x20-0x7E", &kLvgl92C, true, "DejaVu Sans Mono"},
        {"Serif, second face of a collection after Sans Mono", "0x20-0x7E", &kLvgl92C, true,
         "DejaVu Serif", "DejaVu Sans Mono"},
    };
    const TempDir dir;
    for (const Row& row : rows) {
        const std::string file = testfonts::FileFor(row.font);
        const HarfBuzzFont hb(file, 16);
        std::string given = file;
        if (row.collectedAfter != nullptr) {
            given = dir.File("collection.ttc",
                             Collection(clitest::ReadFile(testfonts::FileFor(row.collectedAfter)),
                                        clitest::ReadFile(file)));
        }
        std::vector<std::string> args = {"--font-file",
                                         given,
                                         "--size",
                                         "16px",
                                         "--range",
                                         row.range,
                                         "--format",
                                         "lvgl",
                                         "--lvgl-version",
                                         row.build->version == 8 ? "8" : "9",
                                         "--c-array",
                                         "k16",
                                         "-o",
                                         dir.Path("font.c")};
        if (!row.kerning) {
            args.push_back("--no-kerning");
        }
        if (row.collectedAfter != nullptr) {
            args.insert(args.end(), {"--face-index", "1"});
        }
        const clitest::Result run = clitest::RunCli(args);
        ASSERT_EQ(run.code, 0) << row.what << ": " << run.err;
        const commands::Command decoded =
            CompileAndDecode(clitest::ReadFile(dir.Path("font.c")), "k16", *row.build);
        ASSERT_EQ(decoded.status, 0) << row.what << ":\n" << decoded.output;
        const Decoded font = Parse(decoded.output);
        if (!row.kerning) {
            EXPECT_EQ(font.kerning, "none") << row.what;
            EXPECT_TRUE(font.kerned.empty()) << row.what;
            continue;
        }
        EXPECT_EQ(font.kerningBytes, SmallestKerning(font.kerned, font.descriptors, false))
            << row.what << ": " << font.kerning;
        std::size_t checked = 0;
        for (const auto& [left, l] : font.glyphs) {
            for (const auto& [right, r] : font.glyphs) {
                const double expected = hb.Kerning(left, right);
                const auto found = font.kerned.find({left, right});
                const int written = found == font.kerned.end() ? 0 : found->second;
                EXPECT_LE(std::abs(written - expected), 1.0)
                    << row.what << ": " << glyph::CharacterName(left) << " before "
                    << glyph::CharacterName(right) << " written " << written << "/16 px, HarfBuzz "
                    << expected;
                checked += expected != 0;
            }
        }
        if (file != testfonts::DejaVuSans()) {
            continue;
        }
        EXPECT_GT(checked, 100U) << row.what;
        for (const auto& [pair, sixteenths] : std::map<std::pair<char32_t, char32_t>, int>{
                 {{U'T', U'o'}, -43}, {{U'A', U'V'}, -16}}) {
            EXPECT_NEAR(font.kerned.count(pair) ? font.kerned.at(pair) : 0, sixteenths, 1)
                << row.what;
        }
    }
}

// Several sources in one font: each glyph is its own source's glyph, drawn at that font's code
// and written at its remapped one; kerning pairs are each source's own, looked up by the font's
// codes, never across two sources.
TEST(LvglFormat, SeveralSourcesKeepEachGlyphAndKerningOfItsOwnFont) {
    const std::string serifBold = testfonts::FileFor("DejaVu Serif:style=Bold");
    const auto draw = [](const std::string& file, std::u32string_view characters) {
        glyph::FontFaces faces;
        faces.Select(glyph::FontSource::File(file), {"", 12, false, false});
        return glyph::DrawStrike(faces, characters);
    };
    glyph::Strike expected = draw(testfonts::DejaVuSans(), U"ABCDEFTo");
    const glyph::Strike serif = draw(serifBold, U"ABCDEFTo");
    const std::u32string remapped = U"\uE000\uE001\uE002\uE003\uE004\uE005\uE010\uE011";
    for (std::size_t i = 0; i < serif.glyphs.size(); ++i) {
        glyph::StrikeGlyph moved = serif.glyphs[i];
        moved.code = remapped[i];
        expected.glyphs.push_back(std::move(moved));
    }
    const TempDir dir;
    for (const Build& build : {kLvgl92C, kLvgl83Cxx}) {
        const clitest::Result run = clitest::RunCli(
            {"--size", "12", "--format", "lvgl", "--lvgl-version", std::to_string(build.version),
             "--c-array", "two", "-o", dir.Path("font.c"), "--range", "0x41-0x46,0x54,0x6F",
             "--font-file", testfonts::DejaVuSans(), "--font-file", serifBold, "--range",
             "0x41-0x46=>0xE000,0x54=>0xE010,0x6F=>0xE011"});
        ASSERT_EQ(run.code, 0) << build.what << ": " << run.err;
        const std::string text = clitest::ReadFile(dir.Path("font.c"));
        EXPECT_NE(text.find("Also drawn with: DejaVu Serif Bold (DejaVuSerif-Bold.ttf)"),
                  std::string::npos)
            << build.what;
        const commands::Command decoded = CompileAndDecode(text, "two", build);
        ASSERT_EQ(decoded.status, 0) << build.what << ":\n" << decoded.output;
        const Decoded font = Parse(decoded.output);
        ExpectStrike(font, expected, build.what);
        const HarfBuzzFont sans(testfonts::DejaVuSans(), 16);
        const HarfBuzzFont bold(serifBold, 16);
        EXPECT_NEAR(font.kerned.count({U'T', U'o'}) ? font.kerned.at({U'T', U'o'}) : 0,
                    sans.Kerning(U'T', U'o'), 1)
            << build.what;
        EXPECT_NEAR(font.kerned.count({0xE010, 0xE011}) ? font.kerned.at({0xE010, 0xE011}) : 0,
                    bold.Kerning(U'T', U'o'), 1)
            << build.what << ": the second font's own pair, at its remapped codes";
        EXPECT_NE(bold.Kerning(U'T', U'o'), 0) << "the test needs a kerned pair";
        for (const auto& [pair, value] : font.kerned) {
            EXPECT_EQ(pair.first >= 0xE000, pair.second >= 0xE000)
                << build.what << ": " << glyph::CharacterName(pair.first) << " before "
                << glyph::CharacterName(pair.second) << " kerned across two fonts";
        }
    } // One font, remapped: its pairs follow its characters to their new codes.
    const clitest::Result run = clitest::RunCli(
        {"--size", "12", "--format", "lvgl", "--c-array", "one", "-o", dir.Path("one.c"),
         "--font-file", serifBold, "--range", "0x54=>0xE010,0x6F=>0xE011"});
    ASSERT_EQ(run.code, 0) << run.err;
    const commands::Command decoded =
        CompileAndDecode(clitest::ReadFile(dir.Path("one.c")), "one", kLvgl92C);
    ASSERT_EQ(decoded.status, 0) << decoded.output;
    const Decoded font = Parse(decoded.output);
    EXPECT_NEAR(font.kerned.count({0xE010, 0xE011}) ? font.kerned.at({0xE010, 0xE011}) : 0,
                HarfBuzzFont(serifBold, 16).Kerning(U'T', U'o'), 1)
        << "one font remapped";
}

} // namespace
