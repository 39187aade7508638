#include "glyph/conversion.h"
#include "tests/conversion_support.h"
#include "tests/fake_surface.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using glyph::FakeSurface;
using glyph::ScanBounds;
using test::ConvertGlyph;
using test::ConvertToText;
using test::Outcome;

TEST(Conversion, WorkedExampleEightWide) {
    FakeSurface surface;
    surface.SetFontName("Courier");
    surface.SetGlyph(U'A', {
                               "  ##  #  ",
                               "#       #",
                               " ########",
                           });
    const std::string text = ConvertToText(surface, U'A', ScanBounds{2, 8});
    EXPECT_EQ(text, "// Courier (8 pixels wide)\r\n"
                    "0x26, //  ##  #  \r\n"
                    "0x80, //#       #\r\n"
                    "0xFF, // ########\r\n");
}

TEST(Conversion, WorkedExampleSixteenWide) {
    FakeSurface surface;
    surface.SetFontName("Courier");
    surface.SetGlyph(U'B', {
                               " #              #",
                               "#################",
                               "",
                           });
    const std::string text = ConvertToText(surface, U'B', ScanBounds{2, 16});
    EXPECT_EQ(text, "// Courier (16 pixels wide)\r\n"
                    "0x01, 0x80, // #              #\r\n"
                    "0xFF, 0xFF, //#################\r\n"
                    "0x00, 0x00, //                 \r\n");
}

TEST(Conversion, ByteItemsHoldColumnsLeftmostInBitZero) {
    // Each row has ink in a single column; the row's bytes must show that one bit.
    FakeSurface surface;
    FakeSurface::Picture picture;
    for (int column = 0; column <= 24; ++column) {
        std::string row(25, ' ');
        row[column] = '#';
        picture.push_back(row);
    }
    surface.SetGlyph(U'x', picture);
    std::vector<std::string> rows;
    ConvertGlyph(surface, U'x', ScanBounds{24, 24}, [&](std::string_view line) {
        rows.emplace_back(line);
        return true;
    });
    ASSERT_EQ(rows.size(), 26U);
    EXPECT_EQ(rows[1].substr(0, 20), "0x00, 0x00, 0x00, //") << "column 0 is in no byte";
    for (int column = 1; column <= 24; ++column) {
        const int item = (column - 1) / 8;
        const int bit = (column - 1) % 8;
        std::string expected;
        for (int k = 0; k < 3; ++k) {
            char literal[8];
            std::snprintf(literal, sizeof literal, "0x%02X, ", k == item ? 1 << bit : 0);
            expected += literal;
        }
        EXPECT_EQ(rows[1 + column].substr(0, 18), expected) << "column " << column;
    }
}

TEST(RowFormat, EveryByteValueRoundTrips) {
    // Columns 9..16 repeat the pattern, so a packing that reads past its eight columns shows.
    for (unsigned value = 0; value < 256; ++value) {
        bool ink[17] = {};
        for (int bit = 0; bit < 8; ++bit) {
            ink[1 + bit] = ink[9 + bit] = ((value >> bit) & 1U) != 0;
        }
        std::string line;
        glyph::AppendRowLine(line, ink, 16, "");
        char expected[16];
        std::snprintf(expected, sizeof expected, "0x%02X, 0x%02X, ", value, value);
        ASSERT_EQ(line.substr(0, 12), expected) << "value " << value;
    }
}

TEST(Conversion, GreyLevelsAreClassifiedByTheInkRule) {
    FakeSurface surface;
    surface.SetGlyph(U'g', {"abcdefgh"},
                     {
                         {'a', 9742215},  // paper
                         {'b', 9742214},  // ink
                         {'c', 0x949494}, // grey 148: ink
                         {'d', 0x959595}, // grey 149: paper
                         {'e', 0xFF0000}, // pure blue: paper
                         {'f', 0x0000FF}, // pure red: ink
                         {'g', 0x000000},
                         {'h', 0xFFFFFF},
                     });
    const std::string text = ConvertToText(surface, U'g', ScanBounds{0, 8});
    EXPECT_EQ(text, "// Courier (8 pixels wide)\r\n"
                    "0x33, // ##  ##  \r\n");
}

TEST(Conversion, DegenerateBounds) {
    FakeSurface surface;
    surface.SetGlyph(U'#', {"#", " "});
    EXPECT_EQ(ConvertToText(surface, U'#', ScanBounds{1, 0}),
              "// Courier (0 pixels wide)\r\n//#\r\n// \r\n")
        << "ScanWidth 0: no bytes, one pattern character";
    EXPECT_EQ(ConvertToText(surface, U'#', ScanBounds{0, 8}),
              "// Courier (8 pixels wide)\r\n0x00, //#        \r\n")
        << "ScanHeight 0: one row";
}

TEST(Conversion, HeaderShowsWidthWhilePatternsHaveOneMore) {
    FakeSurface surface;
    const std::string text = ConvertToText(surface, U' ', ScanBounds{3, 16});
    EXPECT_EQ(text, "// Courier (16 pixels wide)\r\n"
                    "0x00, 0x00, //                 \r\n"
                    "0x00, 0x00, //                 \r\n"
                    "0x00, 0x00, //                 \r\n"
                    "0x00, 0x00, //                 \r\n");
}

// The face's name is the font's own text: normal names come out as they are, and nothing in a
// name can end the header's comment or change the code around it.
TEST(Conversion, HeaderLineWritesTheFaceNameSafely) {
    struct Row {
        std::string name;
        std::string header;
    };
    const Row rows[] = {
        {"Courier", "// Courier (16 pixels wide)\r\n"},
        {"DejaVu Sans Mono", "// DejaVu Sans Mono (16 pixels wide)\r\n"},
        {"Шрифт 12", "// Шрифт 12 (16 pixels wide)\r\n"},
        {"Evil\r\n0x41, //", "// Evil  0x41, // (16 pixels wide)\r\n"},
        {"a*/b/*c", "// a* /b/ *c (16 pixels wide)\r\n"},
        {"x?\?/", "// x? ?/ (16 pixels wide)\r\n"},
        {"x\u202Ey\u2028z", "// x<U+202E>y<U+2028>z (16 pixels wide)\r\n"},
        {"x\xFFy\x01", "// x<0xFF>y<U+0001> (16 pixels wide)\r\n"},
        {std::string(300, 'a'), "// " + std::string(200, 'a') + "... (16 pixels wide)\r\n"},
    };
    for (const Row& row : rows) {
        FakeSurface surface;
        surface.SetFontName(row.name);
        const std::string text = ConvertToText(surface, U' ', ScanBounds{3, 16});
        EXPECT_EQ(text.substr(0, text.find('\n') + 1), row.header) << row.name;
    }
}

TEST(Conversion, ControlCodesTouchNothing) {
    FakeSurface surface;
    for (char32_t code : {U'\0', U'\x01', U'\b', U'\r', U'\x1B', U'\x1F'}) {
        bool called = false;
        const Outcome outcome = ConvertGlyph(surface, code, ScanBounds{18, 16},
                                             [&](std::string_view) { return called = true; });
        EXPECT_EQ(outcome, Outcome::Ignored) << static_cast<int>(code);
        EXPECT_FALSE(called);
        EXPECT_EQ(ConvertToText(surface, code, ScanBounds{18, 16}), "");
    }
    EXPECT_EQ(surface.clsCount(), 0);
    EXPECT_TRUE(surface.printed().empty());
}

TEST(Conversion, SecondConversionReplacesTheFirst) {
    FakeSurface surface;
    surface.SetGlyph(U'a', {"#########"});
    surface.SetGlyph(U'b', {"", "#########"});
    EXPECT_EQ(ConvertToText(surface, U'a', ScanBounds{1, 8}),
              "// Courier (8 pixels wide)\r\n0xFF, //#########\r\n0x00, //         \r\n");
    EXPECT_EQ(ConvertToText(surface, U'b', ScanBounds{1, 8}),
              "// Courier (8 pixels wide)\r\n0x00, //         \r\n0xFF, //#########\r\n")
        << "nothing of 'a' is left on the surface";
}

TEST(Conversion, DrawsTheCharacterAtTheTopLeftOfAClearedSurface) {
    FakeSurface surface;
    surface.Print(U"prompt");
    ConvertToText(surface, U'\u0416', ScanBounds{1, 8});
    EXPECT_EQ(surface.clsCount(), 1);
    ASSERT_EQ(surface.printed().size(), 2U);
    EXPECT_EQ(surface.printed().back(), U"\u0416");
}

TEST(Conversion, GrowsTheSurfaceToHoldTheScanRectangle) {
    FakeSurface surface(134, 134);
    const std::string text = ConvertToText(surface, U' ', ScanBounds{200, 160});
    EXPECT_GE(surface.Width(), 161);
    EXPECT_GE(surface.Height(), 201);
    EXPECT_EQ(text.find('#'), std::string::npos) << "no ink reported beyond the old edge";
}

TEST(Conversion, SinkCanStopIt) {
    FakeSurface surface;
    int lines = 0;
    const Outcome outcome = ConvertGlyph(surface, U'a', ScanBounds{18, 16},
                                         [&](std::string_view) { return ++lines < 3; });
    EXPECT_EQ(outcome, Outcome::Stopped);
    EXPECT_EQ(lines, 3) << "header and two rows, then no more";
}

TEST(Conversion, StreamedLinesMakeTheWholeText) {
    FakeSurface surface;
    surface.SetGlyph(U'a', {" # #", "##"});
    std::string streamed;
    const Outcome outcome = ConvertGlyph(
        surface, U'a', ScanBounds{5, 8},
        [&](std::string_view l) {
            streamed += l;
            return true;
        },
        "\n");
    EXPECT_EQ(outcome, Outcome::Done);
    EXPECT_EQ(streamed, ConvertToText(surface, U'a', ScanBounds{5, 8}, "\n"));
    EXPECT_EQ(streamed.find('\r'), std::string::npos);
}

TEST(Conversion, RefusesBoundsThatAreNotWholeBytes) {
    FakeSurface surface;
    EXPECT_THROW(ConvertToText(surface, U'a', ScanBounds{5, 12}), std::invalid_argument);
    EXPECT_THROW(ConvertToText(surface, U'a', ScanBounds{-1, 8}), std::invalid_argument);
}

} // namespace
