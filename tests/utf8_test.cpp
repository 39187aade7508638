#include "glyph/utf8.h"

#include <gtest/gtest.h>

namespace {

TEST(Utf8, RoundTripsEveryLength) {
    const std::u32string text = U"A\u00E9\u0416\u20AC\U0001F600";
    const std::string encoded = glyph::EncodeUtf8(text);
    EXPECT_EQ(encoded, "A\xC3\xA9\xD0\x96\xE2\x82\xAC\xF0\x9F\x98\x80");
    EXPECT_EQ(glyph::DecodeUtf8(encoded), text);
}

TEST(Utf8, RejectsMalformedInput) {
    const char* const rows[] = {
        "\x80",             // stray continuation
        "\xC3",             // truncated
        "\xC0\xAF",         // overlong '/'
        "\xE0\x80\xAF",     // overlong
        "\xED\xA0\x80",     // surrogate
        "\xF4\x90\x80\x80", // above U+10FFFF
        "\xFF",
        "\xE2\x28\xA1", // bad continuation
    };
    for (const char* row : rows) {
        EXPECT_FALSE(glyph::DecodeUtf8(row).has_value()) << testing::PrintToString(row);
    }
}

TEST(Utf8, EncodesNonScalarValuesAsReplacement) {
    EXPECT_EQ(glyph::EncodeUtf8(std::u32string(1, 0xD800)), "\xEF\xBF\xBD");
    EXPECT_EQ(glyph::EncodeUtf8(std::u32string(1, 0x110000)), "\xEF\xBF\xBD");
}

TEST(Utf8, CodeNamesHaveAtLeastFourHexDigits) {
    const std::pair<char32_t, const char*> rows[] = {
        {0, "U+0000"},      {U'A', "U+0041"},     {U'\u0416', "U+0416"},
        {0xFFFF, "U+FFFF"}, {0x10000, "U+10000"}, {0x10FFFD, "U+10FFFD"},
    };
    for (const auto& [c, name] : rows) {
        EXPECT_EQ(glyph::CodeName(c), name);
    }
}

// A character that would change the text around it is named by its code alone.
TEST(Utf8, CharacterNamesShowOnlyVisibleCharacters) {
    const std::pair<char32_t, const char*> rows[] = {
        {U'A', "'A' U+0041"}, {U'\u0416', "'\u0416' U+0416"},
        {0x202E, "U+202E"},   {0x00AD, "U+00AD"},
        {0x2066, "U+2066"},   {0xFEFF, "U+FEFF"},
        {0x200F, "U+200F"},   {0x2029, "U+2029"},
        {0x85, "U+0085"},
    };
    for (const auto& [c, name] : rows) {
        EXPECT_EQ(glyph::CharacterName(c), name);
    }
}

} // namespace
