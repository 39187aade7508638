// TFT_eSPI's and LovyanGFX's smooth fonts (.vlw), read back by a decoder written here from the
// libraries' loaders: big-endian 32-bit header and records, then each glyph's width x height
// alpha bytes in record order. Glyphs come from FreeType's anti-aliased renderer, called here.
#include "formats/format_registry.h"
#include "formats/vlw_writer.h"
#include "glyph/utf8.h"
#include "tests/command_support.h"
#include "tests/font_files.h"
#include "tests/string_sink.h"
#include "tests/test_files.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstdint>
#include <gtest/gtest.h>
#include <map>
#include <sstream>

#if !defined(RASTOVA_C_COMPILER) || !defined(RASTOVA_CXX_COMPILER)
#error "RASTOVA_C_COMPILER and RASTOVA_CXX_COMPILER name the compilers found at configure time"
#endif

namespace {

struct VlwRecord {
    std::uint32_t code = 0;
    long height = 0, width = 0, advance = 0, dY = 0, dX = 0;
    std::vector<std::uint8_t> alpha; // width x height, rows top to bottom
};

struct VlwFont {
    std::uint32_t count = 0, version = 0, size = 0, mbox = 0;
    long ascent = 0, descent = 0;
    std::vector<VlwRecord> glyphs;
    std::string name, psname;
    int smooth = -1;
};

// Reads the file as both libraries do: six header words, `count` records of seven words from
// byte 24, bitmaps from 24 + 28 count; then Processing's tail (two 16-bit-length strings and a
// flag), which must end the file.
std::string Decode(const std::string& file, VlwFont& font) {
    std::size_t at = 0;
    const auto word = [&]() -> std::uint32_t {
        if (at + 4 > file.size()) {
            throw std::runtime_error("cut short at byte " + std::to_string(at));
        }
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i) {
            value = value << 8 | static_cast<std::uint8_t>(file[at++]);
        }
        return value;
    };
    const auto text = [&]() {
        const std::size_t length = static_cast<std::uint8_t>(file.at(at)) << 8 |
                                   static_cast<std::uint8_t>(file.at(at + 1));
        std::string s = file.substr(at + 2, length);
        at += 2 + length;
        return s;
    };
    try {
        font.count = word();
        font.version = word();
        font.size = word();
        font.mbox = word();
        font.ascent = static_cast<std::int32_t>(word());
        font.descent = static_cast<std::int32_t>(word());
        for (std::uint32_t i = 0; i < font.count; ++i) {
            VlwRecord& g = font.glyphs.emplace_back();
            g.code = word();
            g.height = static_cast<std::int32_t>(word());
            g.width = static_cast<std::int32_t>(word());
            g.advance = static_cast<std::int32_t>(word());
            g.dY = static_cast<std::int32_t>(word());
            g.dX = static_cast<std::int32_t>(word());
            if (word() != 0) {
                return "record " + std::to_string(i) + ": padding is not 0";
            }
        }
        for (VlwRecord& g : font.glyphs) {
            const auto n = static_cast<std::size_t>(g.width * g.height);
            if (at + n > file.size()) {
                return "bitmaps cut short";
            }
            g.alpha.assign(file.begin() + static_cast<long>(at),
                           file.begin() + static_cast<long>(at + n));
            at += n;
        }
        font.name = text();
        font.psname = text();
        font.smooth = static_cast<std::uint8_t>(file.at(at++));
    } catch (const std::exception& error) {
        return error.what();
    }
    return at == file.size() ? "" : std::to_string(file.size() - at) + " bytes after the tail";
}

// FreeType's anti-aliased render of one character, in pen coordinates (y down).
struct Render {
    int left = 0, top = 0, width = 0, rows = 0, advance = 0;
    std::vector<std::uint8_t> coverage;
    int At(int x, int y) const {
        const int col = x - left;
        const int row = y + top;
        if (col < 0 || row < 0 || col >= width || row >= rows) {
            return 0;
        }
        return coverage[static_cast<std::size_t>(row * width + col)];
    }
};

class FreeTypeGrey {
public:
    FreeTypeGrey(const std::string& file, int pixels) {
        FT_Init_FreeType(&library_);
        FT_New_Face(library_, file.c_str(), 0, &face_);
        FT_Set_Pixel_Sizes(face_, 0, static_cast<FT_UInt>(pixels));
    }
    ~FreeTypeGrey() {
        FT_Done_Face(face_);
        FT_Done_FreeType(library_);
    }
    Render Draw(char32_t c) const {
        Render r;
        if (FT_Load_Char(face_, c, FT_LOAD_RENDER) != 0) {
            return r;
        }
        const FT_GlyphSlot slot = face_->glyph;
        EXPECT_EQ(slot->bitmap.pixel_mode, FT_PIXEL_MODE_GRAY);
        r.left = slot->bitmap_left;
        r.top = slot->bitmap_top;
        r.width = static_cast<int>(slot->bitmap.width);
        r.rows = static_cast<int>(slot->bitmap.rows);
        r.advance = static_cast<int>((slot->advance.x + 32) >> 6);
        for (int y = 0; y < r.rows; ++y) {
            const unsigned char* row = slot->bitmap.buffer + y * slot->bitmap.pitch;
            r.coverage.insert(r.coverage.end(), row, row + r.width);
        }
        return r;
    }

private:
    FT_Library library_ = nullptr;
    FT_Face face_ = nullptr;
};

// The strike glyph the core hands a writer: the render's coverage trimmed to its inked box.
glyph::StrikeGlyph StrikeOf(char32_t c, const Render& r) {
    glyph::StrikeGlyph g;
    g.code = c;
    g.advance = r.advance;
    int x0 = r.width, x1 = -1, y0 = r.rows, y1 = -1;
    for (int y = 0; y < r.rows; ++y) {
        for (int x = 0; x < r.width; ++x) {
            if (r.coverage[static_cast<std::size_t>(y * r.width + x)] != 0) {
                x0 = std::min(x0, x), x1 = std::max(x1, x), y0 = std::min(y0, y),
                y1 = std::max(y1, y);
            }
        }
    }
    if (x1 < 0) {
        return g;
    }
    g.left = r.left + x0;
    g.top = r.top - y0;
    g.ink = glyph::Bitmap(x1 - x0 + 1, y1 - y0 + 1, glyph::Depth::Eight);
    for (int y = 0; y < g.ink.height(); ++y) {
        for (int x = 0; x < g.ink.width(); ++x) {
            g.ink.SetValue(x, y, r.coverage[static_cast<std::size_t>((y + y0) * r.width + x + x0)]);
        }
    }
    return g;
}

std::string Write(const std::vector<glyph::StrikeGlyph>& glyphs, formats::FormatOptions options,
                  int pixels = 16) {
    const auto writer = formats::MakeWriter("vlw", options);
    glyph::StrikeFacts facts;
    facts.face.family = "DejaVu Sans";
    facts.face.style = "Book";
    facts.metrics = {pixels, 15, 4, 19};
    test::StringSink sink;
    writer->Begin(facts, glyphs.size(), sink);
    for (const glyph::StrikeGlyph& g : glyphs) {
        writer->Add(g);
    }
    writer->Finish();
    return sink.text();
}

// The libraries' baseline, rows below the text cursor: the header's ascent raised to the highest
// glyph top, leaving out the codes both loaders skip.
long LibraryBaseline(const VlwFont& font) {
    long baseline = font.ascent;
    for (const VlwRecord& g : font.glyphs) {
        const std::uint32_t c = g.code;
        if ((c > 0x20 && c < 0xA0 && c != 0x7F) || (c > 0xFF && c != 0x3000)) {
            baseline = std::max(baseline, g.dY);
        }
    }
    return baseline;
}

TEST(VlwFormat, ReadsBackAsFreeTypesAntiAliasedRender) {
    struct Row {
        std::u32string text;
        char32_t ascentFrom;  // the glyph whose top the header's ascent is; 0: the highest top
        char32_t descentFrom; // the glyph whose depth the header's descent is; 0: the lowest
    };
    const Row rows[] = {
        {U"pdA g\u0416\u00C5|", U'd', U'p'}, // given out of order; Processing's 'd' and 'p'
        {U"\u0416A1", 0, 0},                 // no 'd' or 'p': the set's own ink
        {U"\u00C5\u00E7xy", 0, 0},           // Latin-1 upper half is left out of the extent
    };
    const FreeTypeGrey freetype(testfonts::DejaVuSans(), 16);
    for (const Row& row : rows) {
        SCOPED_TRACE(glyph::EncodeUtf8(row.text));
        std::map<char32_t, Render> renders;
        std::vector<glyph::StrikeGlyph> glyphs;
        for (char32_t c : row.text) {
            renders[c] = freetype.Draw(c);
            glyphs.push_back(StrikeOf(c, renders[c]));
        }
        VlwFont font;
        ASSERT_EQ(Decode(Write(glyphs, {}), font), "");
        EXPECT_EQ(font.count, row.text.size());
        EXPECT_EQ(font.version, 11U);
        EXPECT_EQ(font.size, 16U);
        EXPECT_EQ(font.smooth, 1);
        EXPECT_EQ(font.name, "DejaVu Sans Book");
        ASSERT_EQ(font.glyphs.size(), row.text.size());
        long highest = 0, lowest = 0;
        for (std::size_t i = 0; i < font.glyphs.size(); ++i) {
            const VlwRecord& g = font.glyphs[i];
            SCOPED_TRACE(glyph::CharacterName(g.code));
            if (i > 0) {
                EXPECT_LT(font.glyphs[i - 1].code, g.code) << "records not sorted by code point";
            }
            ASSERT_EQ(renders.count(g.code), 1U);
            const Render& r = renders[g.code];
            EXPECT_EQ(g.advance, r.advance);
            // Every pixel of the render lands where the libraries draw it: row y of the bitmap
            // dY rows above the baseline, column x dX from the pen.
            for (int y = -r.top - 2; y < r.rows - r.top + 2; ++y) {
                for (int x = r.left - 2; x < r.left + r.width + 2; ++x) {
                    const long bx = x - g.dX, by = y + g.dY;
                    const int held = bx >= 0 && by >= 0 && bx < g.width && by < g.height
                                         ? g.alpha[static_cast<std::size_t>(by * g.width + bx)]
                                         : 0;
                    ASSERT_EQ(held, r.At(x, y)) << "pixel " << x << "," << y;
                }
            }
            const std::uint32_t c = g.code;
            if (g.width > 0 && ((c > 0x20 && c < 0xA0) || c > 0xFF)) {
                highest = std::max(highest, g.dY);
                lowest = std::max(lowest, g.height - g.dY);
            }
        }
        const auto top = [&](char32_t c) {
            return renders[c].top;
        };
        const auto depth = [&](char32_t c) {
            return renders[c].rows - renders[c].top;
        };
        EXPECT_EQ(font.ascent, row.ascentFrom != 0 ? top(row.ascentFrom) : highest);
        EXPECT_EQ(font.descent, row.descentFrom != 0 ? depth(row.descentFrom) : lowest);
        // The header never lowers the baseline below the set's highest ink.
        EXPECT_EQ(LibraryBaseline(font), highest);
    }
}

TEST(VlwFormat, ValuesTheLibrariesCannotReadAreRefused) {
    const auto glyphOf = [](char32_t code, int width, int height, int left, int top, int advance,
                            glyph::Depth depth = glyph::Depth::Eight) {
        glyph::StrikeGlyph g;
        g.code = code;
        g.ink = glyph::Bitmap(width, height, depth);
        g.ink.Set(0, 0);
        g.left = left, g.top = top, g.advance = advance;
        return g;
    };
    struct Row {
        const char* what;
        glyph::StrikeGlyph glyph;
        std::vector<std::string> named;
    };
    const Row rows[] = {
        {"wide", glyphOf(U'W', 256, 2, 0, 2, 10), {"'W' U+0057", "width", "256"}},
        {"high", glyphOf(U'H', 2, 256, 0, 100, 10), {"'H'", "height", "256"}},
        {"advance", glyphOf(U'A', 2, 2, 0, 2, 256), {"'A'", "advance", "256"}},
        {"backward", glyphOf(U'B', 2, 2, 0, 2, -1), {"'B'", "advance", "-1"}},
        {"tall", glyphOf(U'T', 2, 2, 0, 128, 10), {"'T'", "dY", "128"}},
        {"deep", glyphOf(U'D', 2, 2, 0, -129, 10), {"'D'", "dY", "-129"}},
        {"left", glyphOf(U'L', 2, 2, -129, 2, 10), {"'L'", "dX", "-129"}},
        {"1-bit", glyphOf(U'M', 2, 2, 0, 2, 10, glyph::Depth::One), {"'M'", "8 bits"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        try {
            Write({glyphOf(U'a', 3, 3, 0, 3, 4), row.glyph}, {});
            ADD_FAILURE() << "written";
        } catch (const formats::FormatError& error) {
            const std::string message = error.what();
            for (const std::string& part : row.named) {
                EXPECT_NE(message.find(part), std::string::npos) << message;
            }
        }
    }
    const auto writer = formats::MakeWriter("vlw", {});
    EXPECT_THROW(writer->CheckCharacters(U"A\U0001F600"), formats::FormatError);
    EXPECT_THROW(writer->CheckCharacters(U""), formats::FormatError);
    EXPECT_NO_THROW(writer->CheckCharacters(U"A\uFFFD"));
}

constexpr const char* kArrayReader = R"(#include <stdio.h>
#include "font.h"
int main(void) {
    size_t i;
    for (i = 0; i < sizeof(f16); ++i) {
        printf("%u ", (unsigned)f16[i]);
    }
    return 0;
}
)";

TEST(VlwFormat, CArrayCompilesAndHoldsTheFileBytes) {
    const FreeTypeGrey freetype(testfonts::DejaVuSans(), 16);
    std::vector<glyph::StrikeGlyph> glyphs;
    for (char32_t c : std::u32string(U"Ag \u0416")) {
        glyphs.push_back(StrikeOf(c, freetype.Draw(c)));
    }
    const std::string binary = Write(glyphs, {});
    std::string expected;
    for (char byte : binary) {
        expected += std::to_string(static_cast<unsigned>(static_cast<std::uint8_t>(byte))) + " ";
    }
    for (const char* eol : {"\n", "\r\n"}) {
        formats::FormatOptions options;
        options.name = "f16";
        options.cArray = true;
        options.eol = eol;
        const std::string source = Write(glyphs, options);
        const std::size_t lf = std::count(source.begin(), source.end(), '\n');
        EXPECT_EQ(static_cast<std::size_t>(std::count(source.begin(), source.end(), '\r')),
                  std::string_view(eol) == "\n" ? 0 : lf);
        const testfiles::TempDir dir;
        dir.File("font.h", source);
        const std::string flags = " -Wall -Wextra -pedantic -Werror -I" + dir.Path() + " " +
                                  dir.File("reader.c", kArrayReader) + " -o " + dir.Path("reader");
        for (const std::string& compiler :
             {std::string(RASTOVA_C_COMPILER) + " -std=c99",
              std::string(RASTOVA_CXX_COMPILER) + " -std=c++17 -x c++"}) {
            const commands::Command build = commands::Shell(compiler + flags);
            ASSERT_EQ(build.status, 0) << compiler << "\n" << build.output;
            EXPECT_EQ(commands::Shell(dir.Path("reader")).output, expected) << compiler;
        }
    }
}

} // namespace
