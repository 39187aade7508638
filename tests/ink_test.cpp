#include "glyph/ink.h"

#include <gtest/gtest.h>

namespace {

using glyph::Colour;

constexpr Colour Rgb(int r, int g, int b) {
    return r + 256 * g + 65536 * b;
}

TEST(Ink, Boundaries) {
    struct Row {
        const char* what;
        Colour colour;
        bool ink;
    };
    const Row rows[] = {
        {"threshold itself is paper (level 100.5 rounds to 100)", 9742215, false},
        {"one below the threshold is ink", 9742214, true},
        {"grey 148 is ink", Rgb(148, 148, 148), true},
        {"grey 149 is paper", Rgb(149, 149, 149), false},
        {"pure blue is paper", Rgb(0, 0, 255), false},
        {"pure red is ink", Rgb(255, 0, 0), true},
        {"white is paper", glyph::kPaper, false},
        {"black is ink", glyph::kInk, true},
        {"outside the surface is ink", glyph::kOutside, true},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(glyph::IsInk(row.colour), row.ink) << row.what;
    }
}

TEST(Ink, LevelRoundsHalvesToEven) {
    EXPECT_EQ(glyph::Level(glyph::kPaper), 0);
    EXPECT_EQ(glyph::Level(glyph::kInk), 240);
    EXPECT_EQ(glyph::Level(glyph::kOutside), 240);
    EXPECT_EQ(glyph::Level(glyph::kPaper - 7035000), 100); // 100.5
    EXPECT_EQ(glyph::Level(glyph::kPaper - 7105000), 102); // 101.5
}

// The fast integer test must agree with the level rule on every colour a read can return.
TEST(Ink, IntegerTestMatchesLevelRuleEverywhere) {
    for (Colour colour = glyph::kOutside; colour <= glyph::kPaper; ++colour) {
        const int level = glyph::Level(colour);
        ASSERT_EQ(glyph::IsInk(colour), level > 100) << colour;
        ASSERT_EQ(level > 100, level >= 101) << colour;
    }
}

} // namespace
