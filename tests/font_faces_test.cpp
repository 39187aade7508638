// rastova-convert across faces: every face installed on the machine, and a bitmap font made here.
#include "tests/cli_test_support.h"
#include "tests/command_support.h"
#include "tests/font_files.h"
#include "tests/table_rows.h"

#include <cstdint>
#include <fontconfig/fontconfig.h>
#include <functional>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

namespace {

using clitest::RunCli;

struct Face {
    std::string file;
    int index;
};

std::vector<Face> InstalledFaces() {
    std::vector<Face> faces;
    FcPattern* all = FcPatternCreate();
    FcObjectSet* objects = FcObjectSetBuild(FC_FILE, FC_INDEX, nullptr);
    FcFontSet* set = FcFontList(nullptr, all, objects);
    for (int i = 0; set != nullptr && i < set->nfont; ++i) {
        FcChar8* file = nullptr;
        int index = 0;
        if (FcPatternGetString(set->fonts[i], FC_FILE, 0, &file) == FcResultMatch) {
            FcPatternGetInteger(set->fonts[i], FC_INDEX, 0, &index);
            faces.push_back({reinterpret_cast<const char*>(file), index});
        }
    }
    if (set != nullptr) {
        FcFontSetDestroy(set);
    }
    FcObjectSetDestroy(objects);
    FcPatternDestroy(all);
    return faces;
}

// Latin, Cyrillic, a digit and a space: 12 pt scans 22 rows of 25 columns each.
TEST(FontFaces, EveryInstalledFaceConvertsASample) {
    const std::vector<Face> faces = InstalledFaces();
    ASSERT_FALSE(faces.empty());
    for (const Face& face : faces) {
        const std::string where = face.file + " #" + std::to_string(face.index);
        const clitest::Result result = RunCli({"--font-file", face.file, "--face-index",
                                               std::to_string(face.index), "--size", "12",
                                               "A\xD0\x96"
                                               "7 "});
        ASSERT_EQ(result.code, 0) << where << ": " << result.err;
        const std::vector<tablerows::Row> rows = tablerows::Parse(result.out);
        ASSERT_EQ(rows.size(), 4U * 22) << where;
        for (std::size_t i = 0; i < rows.size(); ++i) {
            ASSERT_EQ(rows[i].pattern.size(), 25U) << where << " row " << i;
            ASSERT_EQ(rows[i].bytes, tablerows::BytesOf(rows[i].pattern)) << where << " row " << i;
        }
        // The space's rows are the last 22, and empty.
        for (std::size_t i = 3 * 22; i < rows.size(); ++i) {
            EXPECT_EQ(rows[i].pattern.find('#'), std::string::npos) << where << " space row " << i;
        }
    }
}

// A TrueType file as its table directory describes it, read here from the sfnt layout: a 12-byte
// header whose bytes 4-5 count the tables, then 16 bytes a table: tag, checksum, offset, length.
struct Sfnt {
    std::string bytes;
    std::size_t at = 0; // where the table directory starts

    std::uint32_t U32(std::size_t i) const {
        const auto b = [&](std::size_t k) {
            return static_cast<std::uint8_t>(bytes[i + k]);
        };
        return std::uint32_t{b(0)} << 24 | std::uint32_t{b(1)} << 16 | b(2) << 8 | b(3);
    }
    void SetU32(std::size_t i, std::uint32_t value) {
        for (int k = 0; k < 4; ++k) {
            bytes[i + k] = static_cast<char>(value >> (24 - 8 * k));
        }
    }
    // The directory record of `tag`: its offset field is 8 bytes in, its length 12.
    std::size_t Record(const std::string& tag) const {
        const std::size_t tables = U32(at + 4) >> 16;
        for (std::size_t i = 0; i < tables; ++i) {
            if (bytes.compare(at + 12 + 16 * i, 4, tag) == 0) {
                return at + 12 + 16 * i;
            }
        }
        ADD_FAILURE() << "no " << tag << " table";
        return at + 12;
    }
    std::uint32_t Offset(const std::string& tag) const { return U32(Record(tag) + 8); }
    std::uint32_t Length(const std::string& tag) const { return U32(Record(tag) + 12); }

    // The same font as the only face of a collection: a 'ttcf' header, version 1.0, one face
    // whose directory follows at byte 16; every table moves 16 bytes on.
    Sfnt Collection() const {
        Sfnt ttc{std::string("ttcf\0\1\0\0\0\0\0\1\0\0\0\x10", 16) + bytes, 16};
        const std::size_t tables = U32(at + 4) >> 16;
        for (std::size_t i = 0; i < tables; ++i) {
            ttc.SetU32(16 + 12 + 16 * i + 8, U32(at + 12 + 16 * i + 8) + 16);
        }
        return ttc;
    }
};

// Sets the loca entries of glyph `index` (where its outline starts and ends in 'glyf') to
// `start` and `end`; head's indexToLocFormat (bytes 50-51) says whether they are 32-bit.
void SetOutlinePlace(Sfnt& font, std::uint32_t index, std::uint32_t start, std::uint32_t end) {
    const std::size_t loca = font.Offset("loca");
    ASSERT_NE(font.U32(font.Offset("head") + 48) & 0xFFFF, 0U) << "DejaVu Sans has long offsets";
    font.SetU32(loca + 4 * index, start);
    font.SetU32(loca + 4 * index + 4, end);
}

// DejaVu Sans made a colour bitmap font, as emoji fonts are: its outlines hidden (the 'glyf' tag
// becomes 'CBDT') and its 'kern' table rewritten as a 'CBLC' table with one 16 px strike of
// 32-bit pixels for 'A' (glyph 36). FreeType opens it as a font of colour pictures only.
std::string ColourOnlyFont(const clitest::TempDir& dir) {
    Sfnt font{clitest::ReadFile(testfonts::DejaVuSans())};
    font.bytes.replace(font.Record("glyf"), 4, "CBDT");
    const std::size_t kern = font.Record("kern");
    std::string cblc;
    const auto put = [&](std::uint32_t value, int bytes) {
        for (int k = bytes - 1; k >= 0; --k) {
            cblc += static_cast<char>(value >> (8 * k));
        }
    };
    put(3, 2), put(0, 2), put(1, 4); // version 3.0, one size
    // The size: its index subtables at byte 56, 24 bytes of them, one; no colour reference.
    put(56, 4), put(24, 4), put(1, 4), put(0, 4);
    for (int direction = 0; direction < 2; ++direction) {
        // Line metrics: ascender 16, descender -4, widest 16, slope 1/0, the rest 0.
        for (const int value : {16, -4, 16, 1, 0, 0, 0, 0, 16, -4, 0, 0}) {
            put(static_cast<std::uint8_t>(value), 1);
        }
    }
    put(36, 2), put(36, 2), put(16, 1), put(16, 1), put(32, 1), put(1, 1); // glyphs, ppem, depth
    put(36, 2), put(36, 2), put(8, 4);                                     // index subtable array
    put(1, 2), put(17, 2), put(0, 4), put(0, 4), put(0, 4); // format 1 of PNG images, offsets
    font.bytes.replace(font.U32(kern + 8), cblc.size(), cblc);
    font.bytes.replace(kern, 4, "CBLC");
    font.SetU32(kern + 12, static_cast<std::uint32_t>(cblc.size()));
    return dir.File("colour.ttf", font.bytes);
}

// An 8-pixel bitmap font with one glyph, 'A', 7 pixels above the baseline and 1 below.
constexpr const char* kBdf = R"(STARTFONT 2.1
FONT -rastova-test-medium-r-normal--8-80-75-75-c-80-iso10646-1
SIZE 8 75 75
FONTBOUNDINGBOX 8 8 0 -1
STARTPROPERTIES 5
FAMILY_NAME "Rastova Test"
FONT_ASCENT 7
FONT_DESCENT 1
CHARSET_REGISTRY "ISO10646"
CHARSET_ENCODING "1"
ENDPROPERTIES
CHARS 1
STARTCHAR A
ENCODING 65
SWIDTH 500 0
DWIDTH 8 0
BBX 8 8 0 -1
BITMAP
18
24
42
42
7E
42
42
81
ENDCHAR
ENDFONT
)";

TEST(FontFaces, BitmapFontFileDrawsItsStrike) {
    const clitest::TempDir dir;
    const std::string font = dir.File("test.bdf", kBdf);
    // 6 pt is 8 px, the strike's size; the rectangle is 11 rows of 17 columns.
    const clitest::Result result = RunCli({"--font-file", font, "--size", "6", "A"});
    ASSERT_EQ(result.code, 0) << result.err;
    EXPECT_EQ(result.out.rfind("// Rastova Test (16 pixels wide)\n", 0), 0U) << result.out;
    const std::vector<tablerows::Row> rows = tablerows::Parse(result.out);
    const std::vector<std::string> expected = {
        "   ##            ", "  #  #           ", " #    #          ", " #    #          ",
        " ######          ", " #    #          ", " #    #          ", "#      #         ",
        "                 ", "                 ", "                 ",
    };
    ASSERT_EQ(rows.size(), expected.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].pattern, expected[i]) << "row " << i;
        EXPECT_EQ(rows[i].bytes, tablerows::BytesOf(expected[i])) << "row " << i;
    }
    EXPECT_NE(result.err.find("'A' U+0041: 1 ink pixel in column 0"), std::string::npos)
        << result.err;

    const clitest::Result missing = RunCli({"--font-file", font, "--size", "6", "B"});
    EXPECT_EQ(missing.code, 0);
    EXPECT_NE(missing.err.find("'B' U+0042: not in Rastova Test;"), std::string::npos)
        << missing.err;
}

// What follows `keyword` and a space on the line of `bdf` that starts with them.
std::string BdfValue(const std::string& bdf, const std::string& keyword) {
    const std::size_t at = bdf.find("\n" + keyword + " ");
    if (at == std::string::npos) {
        return {};
    }
    const std::size_t from = at + keyword.size() + 2;
    return bdf.substr(from, bdf.find('\n', from) - from);
}

// A bitmap font has only the sizes of its strikes: any other size is refused, listing them,
// never drawn at the nearest strike while the BDF written states the size asked for. The size a
// strike has is its nominal em (PIXEL_SIZE), whatever its line height.
TEST(FontFaces, BitmapFontsAreDrawnOnlyAtTheirOwnSizes) {
    const clitest::TempDir dir;
    const std::string eight = dir.File("eight.bdf", kBdf);
    std::string twelveText = kBdf; // 8 rows high, but a 12-pixel font by its PIXEL_SIZE
    twelveText.replace(twelveText.find("STARTPROPERTIES 5"), 17,
                       "STARTPROPERTIES 6\nPIXEL_SIZE 12");
    const std::string twelve = dir.File("twelve.bdf", twelveText);
    const std::string pcf = dir.Path("eight.pcf");
    const commands::Command compiled =
        commands::Shell(std::string(RASTOVA_BDFTOPCF) + " -o '" + pcf + "' '" + eight + "'");
    ASSERT_EQ(compiled.status, 0) << compiled.output;
    const std::string colour = ColourOnlyFont(dir);
    const std::string pictures = "colour.ttf holds its glyphs as colour pictures only";
    struct Row {
        std::string font;
        std::string size;
        int pixels; // 0: refused
        std::string err;
    };
    const Row rows[] = {
        {eight, "30px", 0, "eight.bdf is a bitmap font with no 30 px size; it has 8 px (6 pt)\n"},
        {eight, "36", 0, "with no 48 px size; it has 8 px (6 pt)"},
        {eight, "9px", 0, "with no 9 px size"},
        {eight, "8px", 8, ""},
        {eight, "6", 8, ""},
        {eight, "5.8", 8, ""}, // 7.7 px: the strike's 6 pt are stated, not 5.8
        {twelve, "8px", 0, "twelve.bdf is a bitmap font with no 8 px size; it has 12 px (9 pt)"},
        {twelve, "12px", 12, ""},
        {pcf, "30px", 0, "eight.pcf is a bitmap font with no 30 px size; it has 8 px (6 pt)"},
        {pcf, "8px", 8, ""},
        {colour, "16px", 0, pictures},
        {colour, "30px", 0, pictures},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.font + " at " + row.size);
        const clitest::Result result =
            RunCli({"--font-file", row.font, "--size", row.size, "--format", "bdf", "A"});
        if (row.pixels == 0) {
            EXPECT_EQ(result.code, 2);
            EXPECT_NE(result.err.find(row.err), std::string::npos) << result.err;
            EXPECT_EQ(result.out, "");
            continue;
        }
        ASSERT_EQ(result.code, 0) << result.err;
        // Every statement of the size is the strike's: pixels, decipoints at 96 dpi, points.
        const std::string px = std::to_string(row.pixels);
        const std::string decipoints = std::to_string(row.pixels * 720 / 96);
        EXPECT_EQ(BdfValue(result.out, "PIXEL_SIZE"), px);
        EXPECT_EQ(BdfValue(result.out, "POINT_SIZE"), decipoints);
        double points = 0;
        double dpi = 0;
        std::istringstream(BdfValue(result.out, "SIZE")) >> points >> dpi;
        EXPECT_EQ(points * dpi / 72, row.pixels) << result.out;
        std::vector<std::string> fields; // XLFD: -foundry-family-...-pixels-decipoints-...
        std::istringstream xlfd(BdfValue(result.out, "FONT"));
        for (std::string field; std::getline(xlfd, field, '-');) {
            fields.push_back(field);
        }
        ASSERT_GE(fields.size(), 9U) << result.out;
        EXPECT_EQ(fields[7], px) << result.out;
        EXPECT_EQ(fields[8], decipoints) << result.out;
        EXPECT_NE(result.out.find(" " + px + " px at 96 dpi"), std::string::npos) << result.out;
    }
}

// A damaged file: 'A' has a bounding box but its BITMAP lines are gone. FreeType gives a glyph of
// that size with no pixels; the run must report it and go on, in the window's format and in a
// library format alike.
TEST(FontFaces, GlyphWithoutPixelsIsReportedNotRead) {
    const clitest::TempDir dir;
    std::string bdf = kBdf;
    bdf.erase(bdf.find("BITMAP\n"), bdf.find("ENDCHAR") - bdf.find("BITMAP\n"));
    const std::string font = dir.File("damaged.bdf", bdf);
    for (const char* format : {"table", "bdf"}) {
        const clitest::Result result =
            RunCli({"--font-file", font, "--size", "6", "--format", format, "A"});
        EXPECT_EQ(result.code, 0) << format << ": " << result.err;
        EXPECT_NE(result.err.find("'A' U+0041: the font gives its size but no pixels"),
                  std::string::npos)
            << format << ": " << result.err;
        EXPECT_EQ(result.out.find('#'), std::string::npos) << format << ": " << result.out;
    }
}

// Damaged or cut copies of DejaVu Sans: a file FreeType would open without all its tables is
// refused; a glyph whose outline is not in the file is reported by name, and --strict fails.
TEST(FontFaces, DamagedFontFilesAreRefusedOrTheirGlyphsReported) {
    const clitest::TempDir dir;
    const Sfnt whole{clitest::ReadFile(testfonts::DejaVuSans())};
    const std::uint32_t a = 36; // 'A' in DejaVu Sans
    struct Row {
        const char* name;
        std::function<void(Sfnt&)> damage;
        int code; // without --strict; with it, 1 where this is 0 and a glyph is reported
        std::vector<std::string> err; // stderr's lines, each in part
    };
    const auto cut = [](std::size_t size) {
        return [size](Sfnt& f) {
            f.bytes.resize(size);
        };
    };
    const Row rows[] = {
        {"whole", [](Sfnt&) {}, 0, {}},
        {"cut where its hinting program prep starts",
         [](Sfnt& f) { f.bytes.resize(f.Offset("prep")); },
         2,
         {"its 'prep' table (bytes 758336 to 759720) lies past the end of the file (758336"}},
        {"cut one byte short", [](Sfnt& f) { f.bytes.pop_back(); }, 2, {"'prep' table"}},
        {"cut inside glyf",
         [](Sfnt& f) { f.bytes.resize(f.Offset("glyf") + 1000); },
         2,
         {"'glyf' table"}},
        {"cut inside the table directory", cut(100), 2, {"its table directory lies past the end"}},
        {"fpgm moved past the end",
         [](Sfnt& f) {
             f.SetU32(f.Record("fpgm") + 8, static_cast<std::uint32_t>(f.bytes.size()));
         },
         2,
         {"'fpgm' table"}},
        {"hmtx longer than the file",
         [](Sfnt& f) { f.SetU32(f.Record("hmtx") + 12, f.Length("hmtx") + 200000); },
         2,
         {"'hmtx' table"}},
        {"a collection cut where prep starts",
         [](Sfnt& f) {
             f = f.Collection();
             f.bytes.resize(f.Offset("prep"));
         },
         2,
         {"face 0's 'prep' table"}},
        {"a whole collection", [](Sfnt& f) { f = f.Collection(); }, 0, {}},
        {"A's outline past the end of glyf",
         [&](Sfnt& f) { SetOutlinePlace(f, a, f.Length("glyf") + 64, f.Length("glyf") + 128); },
         0,
         {"'A' U+0041: its outline lies outside the font's glyf table (bytes 557572 to 557636 of "
          "557508): the font file is damaged\n",
          // Á is drawn from A and an accent.
          "'\xC3\x81' U+00C1: the outline of glyph 36, a part of it, lies outside"}},
        {"A's outline ends past glyf",
         [&](Sfnt& f) { SetOutlinePlace(f, a, 0, f.Length("glyf") + 4); },
         0,
         {"'A' U+0041: its outline lies", "U+00C1: the outline of glyph 36"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Sfnt font = whole;
        row.damage(font);
        const std::string file = dir.File("damaged.ttf", font.bytes);
        for (const bool strict : {false, true}) {
            std::vector<std::string> args = {"--font-file", file, "--format", "bdf", "AC\xC3\x81"};
            if (strict) {
                args.push_back("--strict");
            }
            const clitest::Result result = RunCli(args);
            EXPECT_EQ(result.code, strict && row.code == 0 && !row.err.empty() ? 1 : row.code)
                << "strict " << strict << ": " << result.err;
            for (const std::string& line : row.err) {
                EXPECT_NE(result.err.find(line), std::string::npos) << result.err;
            }
            EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), row.err.size())
                << result.err;
            if (row.code == 2) {
                EXPECT_EQ(result.out, "") << "nothing is written";
            }
        }
    }
}

} // namespace
