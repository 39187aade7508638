// Adafruit GFX headers compiled as C and as C++ against GFXglyph and GFXfont declared here from
// the library's gfxfont.h. A program linked with the font prints it back through those structs;
// a decoder written here from the library's drawing rules compares every glyph with the strike.
#include "glyph/utf8.h"
#include "tests/c_headers.h"
#include "tests/cli_test_support.h"
#include "tests/command_support.h"
#include "tests/font_files.h"
#include "tests/strike_support.h"

#include <gtest/gtest.h>
#include <map>
#include <sstream>

#if !defined(RASTOVA_C_COMPILER) || !defined(RASTOVA_CXX_COMPILER)
#error "RASTOVA_C_COMPILER and RASTOVA_CXX_COMPILER name the compilers found at configure time"
#endif

namespace {

using cheaders::kAdafruitGfx;
using clitest::RunCli;
using clitest::TempDir;

constexpr const char* kReader = R"(#include <stdio.h>
#include "font.h"
int main(void) {
    const GFXfont *font = &rastova_font;
    unsigned i;
    printf("%u %u %u\n", (unsigned)font->first, (unsigned)font->last, (unsigned)font->yAdvance);
    for (i = 0; i <= (unsigned)(font->last - font->first); ++i) {
        const GFXglyph *g = &font->glyph[i];
        printf("%u %u %u %u %d %d\n", (unsigned)g->bitmapOffset, (unsigned)g->width,
               (unsigned)g->height, (unsigned)g->xAdvance, (int)g->xOffset, (int)g->yOffset);
    }
    for (i = 0; i < sizeof rastova_fontBitmaps; ++i) {
        printf("%u ", (unsigned)font->bitmap[i]);
    }
    return 0;
}
)";

struct GfxGlyph {
    long offset, width, height, advance, xOffset, yOffset;
};

struct GfxFont {
    long first = -1, last = -1, yAdvance = -1;
    std::vector<GfxGlyph> glyphs;
    std::vector<long> bitmap;
};

// Writes the header, builds the reader with it as C and as C++, and reads what both print.
std::string CompileAndRead(std::vector<std::string> args, const TempDir& dir, GfxFont& font) {
    args.insert(args.end(),
                {"--format", "gfx", "--c-array", "rastova_font", "-o", dir.Path("font.h")});
    const clitest::Result written = RunCli(args);
    if (written.code != 0) {
        return written.err;
    }
    dir.File("Adafruit_GFX.h", kAdafruitGfx);
    const std::string flags = " -Wall -Wextra -pedantic -Werror -I" + dir.Path() + " " +
                              dir.File("reader.c", kReader) + " -o " + dir.Path("reader");
    std::string printed;
    for (const std::string& compiler : {std::string(RASTOVA_C_COMPILER) + " -std=c99",
                                        std::string(RASTOVA_CXX_COMPILER) + " -std=c++17 -x c++"}) {
        const commands::Command build = commands::Shell(compiler + flags);
        if (build.status != 0) {
            return compiler + flags + "\n" + build.output;
        }
        const std::string output = commands::Shell(dir.Path("reader")).output;
        if (!printed.empty() && output != printed) {
            return "the C and C++ programs read different fonts";
        }
        printed = output;
    }
    std::istringstream in(printed);
    in >> font.first >> font.last >> font.yAdvance;
    for (long code = font.first; code <= font.last && in; ++code) {
        GfxGlyph& g = font.glyphs.emplace_back();
        in >> g.offset >> g.width >> g.height >> g.advance >> g.xOffset >> g.yOffset;
    }
    for (long byte = 0; in >> byte;) {
        font.bitmap.push_back(byte);
    }
    return {};
}

// Ink at pen point (x, y), y down from the baseline, as the library draws a glyph: bit row yy,
// column xx at (cursor x + xOffset + xx, cursor y + yOffset + yy), the glyph's bits one run from
// bitmapOffset, the first in the top bit. The cursor's row is the lowest row of a glyph that
// stands on the baseline: the row just above it, pen row -1.
bool GfxInk(const GfxFont& font, const GfxGlyph& g, int x, int y) {
    const long xx = x - g.xOffset;
    const long yy = y + 1 - g.yOffset;
    if (xx < 0 || yy < 0 || xx >= g.width || yy >= g.height) {
        return false;
    }
    const long bit = yy * g.width + xx;
    const auto byte = static_cast<std::size_t>(g.offset + bit / 8);
    return byte < font.bitmap.size() && (font.bitmap[byte] & (0x80 >> bit % 8)) != 0;
}

// Windows-1251 keeps ASCII, and has А..я at 0xC0..0xFF, Ё at 0xA8 and ё at 0xB8.
long Cp1251(char32_t c) {
    return c >= 0x410 && c <= 0x44F ? static_cast<long>(c) - 0x410 + 0xC0
           : c == 0x401             ? 0xA8
           : c == 0x451             ? 0xB8
                                    : static_cast<long>(c);
}

TEST(GfxFormat, CompiledFontDrawsTheStrike) {
    struct Row {
        const char* what;
        const char* pattern;
        std::u32string text;
        bool cp1251;
    };
    std::u32string ascii;
    std::u32string cyrillic = U" Ag\u0401\u0451";
    for (char32_t c = 0x20; c < 0x7F; ++c) {
        ascii += c;
    }
    for (char32_t c = 0x410; c < 0x450; ++c) {
        cyrillic += c;
    }
    const Row rows[] = {
        {"ASCII", "DejaVu Sans:style=Book", ascii, false},
        {"Windows-1251 Cyrillic", "DejaVu Sans:style=Book", cyrillic, true},
        {"Oblique: ink left of the cursor", "DejaVu Sans:style=Oblique", U"jfgyA(", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const std::string file = testfonts::FileFor(row.pattern);
        std::vector<std::string> args = {"--font-file", file, "--size", "16px",
                                         glyph::EncodeUtf8(row.text)};
        if (row.cp1251) {
            args.insert(args.end(), {"--encoding", "cp1251"});
        }
        const TempDir dir;
        GfxFont font;
        ASSERT_EQ(CompileAndRead(args, dir, font), "");
        const glyph::Strike strike = strikes::Draw(file, 12, row.text);
        std::map<long, const glyph::StrikeGlyph*> byCode;
        for (const glyph::StrikeGlyph& glyph : strike.glyphs) {
            byCode[row.cp1251 ? Cp1251(glyph.code) : static_cast<long>(glyph.code)] = &glyph;
        }
        EXPECT_EQ(font.first, byCode.begin()->first);
        EXPECT_EQ(font.last, byCode.rbegin()->first);
        ASSERT_EQ(font.glyphs.size(), static_cast<std::size_t>(font.last - font.first + 1));

        EXPECT_EQ(font.yAdvance, strike.facts.metrics.lineHeight); // the face's line height

        long next = 0; // each glyph's bits follow the last one's, from a whole byte
        for (long code = font.first; code <= font.last; ++code) {
            const GfxGlyph& read = font.glyphs[static_cast<std::size_t>(code - font.first)];
            const auto found = byCode.find(code);
            if (found == byCode.end()) {
                EXPECT_EQ(read.width + read.height + read.advance, 0) << "code " << code;
                continue;
            }
            const glyph::StrikeGlyph& glyph = *found->second;
            SCOPED_TRACE(glyph::CharacterName(glyph.code));
            EXPECT_EQ(read.advance, glyph.advance);
            EXPECT_EQ(read.width, glyph.ink.width());
            EXPECT_EQ(read.height, glyph.ink.height());
            if (read.width * read.height > 0) {
                EXPECT_EQ(read.offset, next);
                next = read.offset + (read.width * read.height + 7) / 8;
            }
            const glyph::PixelBox box = glyph.Box();
            const glyph::PixelBox around{box.x - 2, box.y - 2, box.width + 4, box.height + 4};
            EXPECT_EQ(strikes::Art(around, [&](int x, int y) { return GfxInk(font, read, x, y); }),
                      strikes::Art(around, [&](int x, int y) { return glyph.InkAt(x, y); }));
        }
        EXPECT_EQ(static_cast<long>(font.bitmap.size()), std::max(next, 1L));

        // Text sits on the line the library's own fonts use: FreeSans9pt7b's 'A' is 13 rows
        // from yOffset -12, its last row the cursor's; 'g' reaches below it, '-' stays above.
        const std::pair<char32_t, int> places[] = {
            {U'A', 0}, {U'x', 0}, {U'.', 0}, {U'g', 1}, {U'-', -1}};
        for (const auto& [c, place] : places) {
            if (byCode.count(c) != 0) {
                const GfxGlyph& g = font.glyphs[static_cast<std::size_t>(c - font.first)];
                const long lowest = g.yOffset + g.height - 1; // rows below the cursor's
                EXPECT_EQ((lowest > 0) - (lowest < 0), place) << glyph::CharacterName(c);
            }
        }
    }
}

TEST(GfxFormat, ValuesTooLargeForTheirFieldsAreRefused) {
    struct Row {
        const char* size;
        std::string text;
        std::vector<std::string> named; // in the message
    };
    std::string ascii;
    for (char c = 0x20; c < 0x7F; ++c) {
        ascii += c;
    }
    std::string latin1 = ascii;
    for (char32_t c = 0xA0; c <= 0xFF; ++c) {
        glyph::AppendUtf8(latin1, c);
    }
    const Row rows[] = {
        {"300px", "W", {"'W' U+0057", "width"}},
        {"300px", "|", {"'|' U+007C", "height"}},
        {"900px", " ", {"' ' U+0020", "xAdvance"}},
        {"200px", "'", {"U+0027", "yOffset"}},      // the apostrophe's top: 145 rows up
        {"140px", ascii, {"U+00", "bitmapOffset"}}, // over 64 KiB of bitmaps
        // 'ÿ' starts below 64 KiB and ends above it
        {"90px", latin1, {"U+00FF", "65535", "bitmapOffset"}},
        {"240px", ".", {"line height", "yAdvance"}},
        {"16px", "\xD0\x96", {"'\xD0\x96' U+0416", "cp1251"}}, // without --encoding cp1251
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.size) + " " + row.named.back());
        const TempDir dir;
        const clitest::Result result =
            RunCli({"--font-file", testfonts::DejaVuSans(), "--size", row.size, "--format", "gfx",
                    "-o", dir.Path("font.h"), row.text});
        EXPECT_EQ(result.code, 2);
        for (const std::string& part : row.named) {
            EXPECT_NE(result.err.find(part), std::string::npos) << result.err;
        }
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
        EXPECT_TRUE(dir.Entries().empty()) << "nothing is written";
    }
}

} // namespace
