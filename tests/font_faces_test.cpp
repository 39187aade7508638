// rastova-convert across faces: every face installed on the machine, and a bitmap font made here.
#include "tests/cli_test_support.h"
#include "tests/table_rows.h"

#include <fontconfig/fontconfig.h>
#include <gtest/gtest.h>
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

} // namespace
