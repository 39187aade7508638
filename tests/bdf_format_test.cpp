// BDF files read back by FreeType's BDF driver and by a parser written here from the format's
// public description (BDF 2.1, and the X logical font names it carries): both must give back
// the strike the core draws.
#include "glyph/utf8.h"
#include "tests/cli_test_support.h"
#include "tests/font_files.h"
#include "tests/strike_support.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <cmath>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <sstream>
#include <tuple>

namespace {

// A BDF file as the format's description lays it out.
struct BdfGlyph {
    std::map<std::string, std::vector<long>> numbers; // ENCODING, SWIDTH, DWIDTH, BBX
    std::vector<std::string> rows;
};

struct BdfFile {
    std::string font;
    std::map<std::string, std::vector<long>> numbers; // SIZE, FONTBOUNDINGBOX, CHARS...
    std::map<std::string, std::string> properties;    // strings unquoted
    std::set<std::string> strings;                    // the properties written as strings
    long propertyLines = 0;
    std::vector<BdfGlyph> glyphs;
};

BdfFile ParseBdf(const std::string& text) {
    BdfFile file;
    std::istringstream lines(text);
    enum { Header, Properties, Bitmap } part = Header;
    for (std::string line; std::getline(lines, line);) {
        EXPECT_LE(line.size(), 1022U) << "X11's and u8g2's readers take lines of 1024 bytes";
        std::istringstream in(line);
        std::string key;
        in >> key;
        if (part == Bitmap) {
            part = key == "ENDCHAR" ? Header : Bitmap;
            if (part == Bitmap) {
                file.glyphs.back().rows.push_back(line);
            }
        } else if (part == Properties && key != "ENDPROPERTIES") {
            ++file.propertyLines;
            std::string value = line.substr(std::min(line.size(), key.size() + 1));
            if (!value.empty() && value.front() == '"') { // a '"' inside is written twice
                std::string unquoted;
                std::size_t i = 1;
                for (; i < value.size() && (value[i] != '"' || value[i + 1] == '"'); ++i) {
                    unquoted += value[i];
                    i += value[i] == '"';
                }
                EXPECT_EQ(i + 1, value.size()) << "badly quoted: " << line;
                file.strings.insert(key);
                value = unquoted;
            }
            file.properties[key] = value;
        } else if (key == "FONT") {
            file.font = line.substr(5);
        } else if (key == "STARTCHAR") {
            file.glyphs.emplace_back();
        } else {
            part = key == "STARTPROPERTIES" ? Properties : key == "BITMAP" ? Bitmap : Header;
            auto& numbers =
                file.glyphs.empty() ? file.numbers[key] : file.glyphs.back().numbers[key];
            for (long value = 0; in >> value;) {
                numbers.push_back(value);
            }
        }
    }
    return file;
}

TEST(BdfFormat, FreeTypeAndAParserReadBackTheStrike) {
    struct Row {
        const char* what;
        const char* pattern; // a DejaVu file
        float points;
        std::u32string text;
        const char* name; // --c-array
        bool bold, italic, monospace;
    };
    std::u32string ascii;
    for (char32_t c = 0x20; c < 0x7F; ++c) {
        ascii += c;
    }
    const Row rows[] = {
        {"ASCII and Cyrillic at 16 px", "DejaVu Sans:style=Book", 12, ascii + U"\u0416\u0436\u0401",
         nullptr, false, false, false},
        {"Oblique: ink left of the pen", "DejaVu Sans:style=Oblique", 12, U"jfgyA\u0416 (", nullptr,
         false, true, false},
        {"Mono Bold, named by --c-array", "DejaVu Sans Mono:style=Bold", 9, U"Ag\u0416 0_",
         "Rastova Mono 9", true, false, true},
    };
    FT_Library library = nullptr;
    ASSERT_EQ(FT_Init_FreeType(&library), 0);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const clitest::TempDir dir;
        const std::string file = testfonts::FileFor(row.pattern);
        const std::string bdfFile = dir.Path("font.bdf");
        std::vector<std::string> args = {
            "--font-file", file, "--size", std::to_string(row.points), "--format",
            "bdf",         "-o", bdfFile,  glyph::EncodeUtf8(row.text)};
        if (row.name != nullptr) {
            args.insert(args.end(), {"--c-array", row.name});
        }
        const clitest::Result result = clitest::RunCli(args);
        ASSERT_EQ(result.code, 0) << result.err;
        const glyph::Strike strike = strikes::Draw(file, row.points, row.text);
        const glyph::SizeMetrics& metrics = strike.facts.metrics;

        // FreeType, a real reader.
        FT_Face face = nullptr;
        ASSERT_EQ(FT_New_Face(library, bdfFile.c_str(), 0, &face), 0);
        ASSERT_EQ(FT_Select_Size(face, 0), 0);
        EXPECT_EQ(face->available_sizes[0].y_ppem, metrics.pixelSize * 64);
        EXPECT_EQ(face->available_sizes[0].height, metrics.ascent + metrics.descent);
        EXPECT_EQ(std::string(face->family_name), strike.facts.face.family);
        EXPECT_EQ((face->style_flags & FT_STYLE_FLAG_BOLD) != 0, row.bold);
        EXPECT_EQ((face->style_flags & FT_STYLE_FLAG_ITALIC) != 0, row.italic);
        EXPECT_EQ(FT_IS_FIXED_WIDTH(face), row.monospace);
        for (const glyph::StrikeGlyph& glyph : strike.glyphs) {
            SCOPED_TRACE(glyph::CharacterName(glyph.code));
            ASSERT_EQ(FT_Load_Char(face, glyph.code, FT_LOAD_DEFAULT), 0);
            const FT_Bitmap& bitmap = face->glyph->bitmap;
            EXPECT_EQ(face->glyph->advance.x, glyph.advance * 64);
            const glyph::PixelBox read{face->glyph->bitmap_left, -face->glyph->bitmap_top,
                                       static_cast<int>(bitmap.width),
                                       static_cast<int>(bitmap.rows)};
            EXPECT_EQ(
                std::tie(read.x, read.y, read.width, read.height),
                std::make_tuple(glyph.left, -glyph.top, glyph.ink.width(), glyph.ink.height()));
            const auto ink = [&](int x, int y) {
                const int column = x - read.x;
                const int line = y - read.y;
                return column >= 0 && line >= 0 && column < read.width && line < read.height &&
                       (bitmap.buffer[line * bitmap.pitch + column / 8] & (0x80 >> column % 8));
            };
            const glyph::PixelBox both = glyph::Union(read, glyph.Box());
            EXPECT_EQ(strikes::Art(both, ink),
                      strikes::Art(both, [&](int x, int y) { return glyph.InkAt(x, y); }));
        }
        FT_Done_Face(face);

        // The parser: header facts and every record.
        BdfFile bdf = ParseBdf(testfiles::ReadFile(bdfFile));
        EXPECT_EQ(bdf.numbers["STARTPROPERTIES"], std::vector<long>{bdf.propertyLines});
        for (const char* name : {"FAMILY_NAME", "WEIGHT_NAME", "SLANT", "SPACING", "COPYRIGHT",
                                 "CHARSET_REGISTRY", "CHARSET_ENCODING"}) {
            EXPECT_EQ(bdf.strings.count(name), 1U) << name << " is not a string";
        }
        std::map<std::string, std::string>& p = bdf.properties;
        const long pointSize = std::lround(row.points * 10);
        EXPECT_EQ(p["FONT_ASCENT"] + " " + p["FONT_DESCENT"] + " " + p["PIXEL_SIZE"] + " " +
                      p["POINT_SIZE"] + " " + p["RESOLUTION_X"] + " " + p["RESOLUTION_Y"],
                  std::to_string(metrics.ascent) + " " + std::to_string(metrics.descent) + " " +
                      std::to_string(metrics.pixelSize) + " " + std::to_string(pointSize) +
                      " 96 96");
        const std::vector<long> size = bdf.numbers["SIZE"];
        EXPECT_EQ(size, (std::vector<long>{std::lround(row.points), 96, 96}));
        EXPECT_EQ(p["FAMILY_NAME"], strike.facts.face.family);
        EXPECT_EQ(p["COPYRIGHT"].substr(0, 30), strike.facts.face.copyright.substr(0, 30));
        EXPECT_EQ(p["CHARSET_REGISTRY"] + "-" + p["CHARSET_ENCODING"], "ISO10646-1");
        EXPECT_EQ(p["SPACING"] == "P", !row.monospace) << p["SPACING"];
        double advances = 0;
        for (const glyph::StrikeGlyph& glyph : strike.glyphs) {
            advances += glyph.advance;
        }
        // An XLFD name: -foundry-family-weight-slant-setwidth-addstyle-pixels-decipoints-
        // dpi-dpi-spacing-average width in tenths of a pixel-registry-encoding.
        std::ostringstream xlfd;
        xlfd << "-" << p["FOUNDRY"] << "-" << strike.facts.face.family << "-" << p["WEIGHT_NAME"]
             << "-" << p["SLANT"] << "-" << p["SETWIDTH_NAME"] << "--" << metrics.pixelSize << "-"
             << pointSize << "-96-96-" << p["SPACING"] << "-"
             << std::lround(advances * 10 / static_cast<double>(strike.glyphs.size()))
             << "-ISO10646-1";
        EXPECT_EQ(bdf.font, row.name != nullptr ? std::string(row.name) : xlfd.str());

        EXPECT_EQ(bdf.numbers["CHARS"], std::vector<long>{static_cast<long>(row.text.size())});
        ASSERT_EQ(bdf.glyphs.size(), strike.glyphs.size());
        const std::vector<long> box = bdf.numbers["FONTBOUNDINGBOX"];
        ASSERT_EQ(box.size(), 4U);
        std::set<long> encodings;
        for (std::size_t i = 0; i < strike.glyphs.size(); ++i) {
            const glyph::StrikeGlyph& glyph = strike.glyphs[i];
            auto& read = bdf.glyphs[i].numbers;
            SCOPED_TRACE(glyph::CharacterName(glyph.code));
            encodings.insert(read["ENCODING"].at(0));
            EXPECT_EQ(read["ENCODING"], std::vector<long>{static_cast<long>(glyph.code)});
            EXPECT_EQ(read["DWIDTH"], (std::vector<long>{glyph.advance, 0}));
            // DWIDTH = SWIDTH * (points / 1000) * (dpi / 72), SWIDTH a whole number.
            EXPECT_NEAR(read["SWIDTH"].at(0) * size[0] * 96 / 72000.0, glyph.advance,
                        size[0] * 96 / 144000.0 + 1e-9);
            // The ink's box, its lower-left corner y up, inside FONTBOUNDINGBOX.
            const std::vector<long> bbx = read["BBX"];
            ASSERT_EQ(bbx.size(), 4U);
            EXPECT_EQ(bbx,
                      (std::vector<long>{glyph.ink.width(), glyph.ink.height(),
                                         glyph.ink.empty() ? 0 : glyph.left,
                                         glyph.ink.empty() ? 0 : glyph.top - glyph.ink.height()}));
            EXPECT_TRUE(glyph.ink.empty() ||
                        (bbx[2] >= box[2] && bbx[3] >= box[3] &&
                         bbx[2] + bbx[0] <= box[2] + box[0] && bbx[3] + bbx[1] <= box[3] + box[1]));
            EXPECT_EQ(bdf.glyphs[i].rows.size(), static_cast<std::size_t>(bbx[1]));
            for (const std::string& line : bdf.glyphs[i].rows) { // whole bytes, then paper
                EXPECT_EQ(line.size(), static_cast<std::size_t>((bbx[0] + 7) / 8 * 2));
                const unsigned long bits = std::stoul(line, nullptr, 16);
                EXPECT_EQ(bits & ((1UL << (line.size() * 4 - bbx[0])) - 1), 0UL) << line;
            }
        }
        EXPECT_EQ(encodings.count(std::stol(p["DEFAULT_CHAR"])), 1U);
    }
    FT_Done_FreeType(library);
}

} // namespace
