#include "cli/convert_command.h"
#include "glyph/conversion.h"
#include "glyph/freetype_surface.h"

#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Result {
    int code;
    std::string out;
    std::string err;
};

Result RunCli(std::vector<std::string_view> args) {
    std::ostringstream out;
    std::ostringstream err;
    const int code = cli::RunConvert(args, out, err);
    return {code, out.str(), err.str()};
}

std::string CoreText(glyph::FontSpec font, char32_t c, std::string_view eol) {
    glyph::FreeTypeSurface surface(font);
    glyph::ScanBounds bounds;
    bounds.UpdateScanSize(font.size, font.italic);
    return glyph::ConvertToText(surface, c, bounds, eol);
}

TEST(ConvertCommand, PrintsWhatTheCoreProduces) {
    struct Row {
        std::vector<std::string_view> args;
        glyph::FontSpec font;
        char32_t character;
        std::string_view eol;
    };
    const Row rows[] = {
        {{"A"}, {"sans-serif", 10}, U'A', "\n"},
        {{"--font", "DejaVu Serif", "--size", "12", "--italic", "g"},
         {"DejaVu Serif", 12, false, true},
         U'g',
         "\n"},
        {{"--bold", "--eol", "crlf", "--size", "9.75", "\xD0\x96"},
         {"sans-serif", 9.75F, true, false},
         U'\u0416',
         "\r\n"},
        {{"--", "-"}, {"sans-serif", 10}, U'-', "\n"},
    };
    for (const Row& row : rows) {
        const Result result = RunCli(row.args);
        SCOPED_TRACE(testing::PrintToString(row.args));
        EXPECT_EQ(result.code, 0);
        EXPECT_EQ(result.err, "");
        EXPECT_EQ(result.out, CoreText(row.font, row.character, row.eol));
    }
}

TEST(ConvertCommand, DefaultsToLfAndSansSerifAtTenPoints) {
    const Result result = RunCli({"x"});
    ASSERT_EQ(result.code, 0);
    EXPECT_EQ(result.out.find('\r'), std::string::npos);
    EXPECT_EQ(result.out.rfind("// ", 0), 0U);
    EXPECT_NE(result.out.find(" (16 pixels wide)\n"), std::string::npos);
    // 10 pt: rows 0..18.
    EXPECT_EQ(std::count(result.out.begin(), result.out.end(), '\n'), 1 + 19);
}

TEST(ConvertCommand, Help) {
    const Result result = RunCli({"--help"});
    EXPECT_EQ(result.code, 0);
    EXPECT_NE(result.out.find("Usage: rastova-convert"), std::string::npos);
}

TEST(ConvertCommand, BadInputIsOneLineOnStderrAndExitTwo) {
    struct Row {
        std::vector<std::string_view> args;
        std::string_view mentions;
    };
    const Row rows[] = {
        {{}, "no CHARACTER"},
        {{"--frobnicate", "A"}, "unknown option '--frobnicate'"},
        {{"A", "--size"}, "--size needs a value"},
        {{"--font"}, "--font needs a value"},
        {{"--font", "", "A"}, "--font"},
        {{"--size", "abc", "A"}, "not a number"},
        {{"--size", "12pt", "A"}, "not a number"},
        {{"--size", "", "A"}, "not a number"},
        {{"--size", "0", "A"}, "not above 0"},
        {{"--size", "-3", "A"}, "not above 0"},
        {{"--size", "nan", "A"}, "--size"},
        {{"--size", "inf", "A"}, "--size"},
        {{"--size", "30000", "A"}, "too large"},
        {{"--size", "19000", "--italic", "A"}, "too large"},
        {{"--eol", "cr", "A"}, "neither lf nor crlf"},
        {{"AB"}, "exactly one character"},
        {{"A", "B"}, "more than one CHARACTER"},
        {{""}, "exactly one character"},
        {{"\xC3"}, "UTF-8"},
        {{"\t"}, "control character"},
    };
    for (const Row& row : rows) {
        const Result result = RunCli(row.args);
        SCOPED_TRACE(testing::PrintToString(row.args));
        EXPECT_EQ(result.code, 2);
        EXPECT_EQ(result.out, "");
        EXPECT_NE(result.err.find(row.mentions), std::string::npos) << result.err;
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1);
        EXPECT_EQ(result.err.back(), '\n');
    }
}

} // namespace
