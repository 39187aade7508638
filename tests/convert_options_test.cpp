// Parsing rastova-convert's arguments: characters, ranges, sets, sizes and option rules.
#include "cli/character_list.h"
#include "cli/convert_options.h"
#include "cli/convert_usage.h"
#include "cli/printable.h"
#include "glyph/scan_geometry.h"
#include "tests/cli_test_support.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <iconv.h>
#include <random>
#include <string>
#include <vector>

namespace {

using cli::CodeRange;
using cli::UsageError;

cli::ConvertOptions Parse(std::vector<std::string_view> args) {
    return cli::ParseConvertOptions(args);
}

using clitest::UsageMessage;

TEST(RangeList, ParsesCodePointsAndRanges) {
    struct Row {
        const char* list;
        std::vector<CodeRange> ranges;
    };
    const Row rows[] = {
        {"65", {{65, 65}}},
        {"0x20-0x7E", {{0x20, 0x7E}}},
        {"0X20-0x7e", {{0x20, 0x7E}}},
        {"U+0410-U+044F", {{0x410, 0x44F}}},
        {"u+410-u+44f", {{0x410, 0x44F}}},
        {"0x41-U+0043,66", {{0x41, 0x43}, {66, 66}}},
        {" 0x41 , 0x42 - 0x43 ", {{0x41, 0x41}, {0x42, 0x43}}},
        {"U+10FFFF", {{0x10FFFF, 0x10FFFF}}},
        {"0xD7FF,0xE000", {{0xD7FF, 0xD7FF}, {0xE000, 0xE000}}},
        {"0xA0-0xFF", {{0xA0, 0xFF}}},
        {"000000000000000000065", {{65, 65}}},
        {"0x41-0x41", {{0x41, 0x41}}},
        // Remaps: the font's glyphs at the left, written from the code on the right on.
        {"0xF004=>0xE000", {{0xF004, 0xF004, 0xE000}}},
        {"0xF000-0xF00F=>U+E000,65", {{0xF000, 0xF00F, 0xE000}, {65, 65}}},
        {" 0x41 => 0x100 ", {{0x41, 0x41, 0x100}}},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(cli::ParseRangeList(row.list), row.ranges) << row.list;
    }
}

TEST(RangeList, RefusesWhatIsNotAList) {
    struct Row {
        const char* list;
        const char* mentions;
    };
    const Row rows[] = {
        {"", "empty"},
        {"  ", "empty"},
        {"0x41,", "empty item"},
        {",0x41", "empty item"},
        {"0x41,,0x42", "empty item"},
        {"0x", "'0x' is not a code point"},
        {"U+", "not a code point"},
        {"0xZZ", "not a code point"},
        {"A", "not a code point"},
        {"6 5", "not a code point"},
        {"1.5", "not a code point"},
        {"-5", "not a code point"},
        {"0x41-", "not a code point"},
        {"0x41-0x42-0x43", "not a code point"},
        {"0x41--0x42", "not a code point"},
        {"0x7E-0x20", "reversed"},
        {"0x41=>", "not a code point"},
        {"=>0x41", "not a code point"},
        {"0x41=>0x42=>0x43", "not a code point"},
        {"0x41=>0xD800", "U+0041=>U+D800: the target is a surrogate"},
        {"0x41-0x42=>0x10FFFF", "U+0041-U+0042=>U+10FFFF would write past U+10FFFF"},
        {"0x41-0x50=>0x75", "the target holds control codes"},
        {"U+0044-U+0043", "reversed"},
        {"0x110000", "above U+10FFFF"},
        {"1114112", "above U+10FFFF"},
        {"0xFFFFFFFFFFFFFFFFFFFFFFFF", "above U+10FFFF"},
        {"0x41-0x110000", "above U+10FFFF"},
        {"0xD800", "U+D800 is a surrogate"},
        {"0xDFFF", "surrogate"},
        {"0xD000-0xE000", "holds surrogates"},
        {"0x00-0x7E", "control codes"},
        {"0x09", "U+0009 is a control code"},
        {"0x7F", "control code"},
        {"0x20-0xFF", "control codes"},
        {"0x9F-0xA0", "control codes"},
    };
    for (const Row& row : rows) {
        const std::string message = UsageMessage([&] { cli::ParseRangeList(row.list); });
        EXPECT_NE(message.find(row.mentions), std::string::npos) << row.list << ": " << message;
        EXPECT_EQ(message.rfind("--range: ", 0), 0U) << row.list << ": " << message;
    }
}

TEST(NamedSets, AsciiIsThePrintableRange) {
    const std::u32string ascii = cli::NamedSet("ascii");
    ASSERT_EQ(ascii.size(), 95U);
    EXPECT_EQ(ascii.front(), U' ');
    EXPECT_EQ(ascii.back(), U'~');
}

// The C library's converter is an independent account of Windows-1251.
std::u32string Cp1251ByIconv() {
    iconv_t cd = iconv_open("UTF-32LE", "CP1251");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        return {};
    }
    std::u32string out;
    for (int byte = 0x20; byte <= 0xFF; ++byte) {
        char in = static_cast<char>(byte);
        char32_t c = 0;
        char* inPtr = &in;
        std::size_t inLeft = 1;
        char* outPtr = reinterpret_cast<char*>(&c);
        std::size_t outLeft = sizeof c;
        if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<std::size_t>(-1) &&
            !cli::IsControl(c)) {
            out += c;
        }
    }
    iconv_close(cd);
    return out;
}

TEST(NamedSets, Cp1251MatchesTheCLibrary) {
    const std::u32string expected = Cp1251ByIconv();
    if (expected.empty()) {
        GTEST_SKIP() << "the C library has no CP1251 converter";
    }
    const std::u32string set = cli::NamedSet("cp1251");
    EXPECT_EQ(set.size(), 222U) << "95 ASCII, 127 of the upper half (0x98 is unassigned)";
    ASSERT_EQ(set.size(), expected.size());
    for (std::size_t i = 0; i < set.size(); ++i) {
        EXPECT_EQ(set[i], expected[i]) << "position " << i;
    }
}

TEST(NamedSets, UnknownNameIsAnError) {
    const std::string message = UsageMessage([] { cli::NamedSet("latin1"); });
    EXPECT_NE(message.find("'latin1' is not a set"), std::string::npos) << message;
}

TEST(ConvertOptions, CharactersCombineInOrderEachOnce) {
    struct Row {
        std::vector<std::string_view> args;
        std::u32string expected;
    };
    const Row rows[] = {
        {{"A"}, U"A"},
        {{"\xD0\x96"}, U"\u0416"},
        {{"ABA"}, U"AB"},
        {{"--range", "0x43-0x45", "AC"}, U"CDEA"},
        {{"BA", "--range", "0x41-0x43"}, U"BAC"},
        {{"--range", "U+0042", "--range", "0x41-0x42"}, U"BA"},
        {{"--range", "0x42,0x41,0x42"}, U"BA"},
        {{"z", "--set", "ascii"},
         U"z !\"#$%&'()*+,-./0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ"
         U"[\\]^_`abcdefghijklmnopqrstuvwxy{|}~"},
        {{"--", "-"}, U"-"},
        {{"--", "--bold"}, U"-bold"},
        {{"\xF0\x9F\x98\x80"}, U"\U0001F600"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(Parse(row.args).characters, row.expected) << testing::PrintToString(row.args);
    }
}

// Each font option starts a source; the characters after it are its own, and those before the
// first font option belong to the first source wherever it is named. Remapped characters are
// written at their targets and drawn from the font's own codes.
TEST(ConvertOptions, GroupsCharactersBySource) {
    struct Source {
        std::string label;
        std::u32string characters;
        std::u32string fontCodes;
    };
    struct Row {
        std::vector<std::string_view> args;
        std::vector<Source> sources;
        std::u32string characters;
    };
    const Row rows[] = {
        {{"A"}, {{"--font \"sans-serif\"", U"A", U"A"}}, U"A"},
        {{"--range", "0x41", "--font", "X", "B"}, {{"--font \"X\"", U"AB", U"AB"}}, U"AB"},
        {{"A", "--face-index", "2", "--font-file", "f.ttc", "--range", "0x42"},
         {{"f.ttc", U"AB", U"AB"}},
         U"AB"},
        {{"A", "--font", "X", "--range", "0x42", "--font-file", "f", "C", "--range", "0x44"},
         {{"--font \"X\"", U"AB", U"AB"}, {"f", U"CD", U"CD"}},
         U"ABCD"},
        {{"--font", "X", "AB", "--font", "Y", "BC"},
         {{"--font \"X\"", U"AB", U"AB"}, {"--font \"Y\"", U"BC", U"BC"}},
         U"ABC"},
        {{"--font", "X", "A", "--font-file", "f", "--range", "0x41-0x42=>0xE000,0x41"},
         {{"--font \"X\"", U"A", U"A"}, {"f", U"\uE000\uE001A", U"ABA"}},
         U"A\uE000\uE001"},
    };
    for (const Row& row : rows) {
        const std::string name = testing::PrintToString(row.args);
        const cli::ConvertOptions options = Parse(row.args);
        EXPECT_EQ(options.characters, row.characters) << name;
        ASSERT_EQ(options.sources.size(), row.sources.size()) << name;
        for (std::size_t i = 0; i < row.sources.size(); ++i) {
            const cli::SourceOptions& source = options.sources[i];
            EXPECT_EQ(source.Label(), row.sources[i].label) << name << ", source " << i + 1;
            EXPECT_EQ(source.characters, row.sources[i].characters) << name << ", source " << i + 1;
            std::u32string codes;
            for (char32_t c : source.characters) {
                codes += source.FontCode(c);
            }
            EXPECT_EQ(codes, row.sources[i].fontCodes) << name << ", source " << i + 1;
        }
    }
    EXPECT_EQ(Parse({"A", "--face-index", "2", "--font-file", "f.ttc"}).sources[0].faceIndex, 2);
}

TEST(ConvertOptions, ReadsEveryOption) {
    const cli::ConvertOptions options =
        Parse({"--font=DejaVu Serif:bold", "--size", "16px", "--bold", "--italic", "--eol", "crlf",
               "-o", "out.c", "--c-array", "font_8x16", "--strict", "A"});
    ASSERT_EQ(options.sources.size(), 1U);
    EXPECT_EQ(options.sources[0].kind, cli::FontSource::Pattern);
    EXPECT_EQ(options.sources[0].family, "DejaVu Serif:bold");
    EXPECT_EQ(options.font.size, 12.0F);
    EXPECT_TRUE(options.font.bold);
    EXPECT_TRUE(options.font.italic);
    EXPECT_EQ(options.eol, "\r\n");
    EXPECT_EQ(options.output, "out.c");
    EXPECT_EQ(options.arrayName, "font_8x16");
    EXPECT_TRUE(options.strict);

    const cli::ConvertOptions file =
        Parse({"--font-file", "f.ttc", "--face-index", "3", "--output=-", "A"});
    ASSERT_EQ(file.sources.size(), 1U);
    EXPECT_EQ(file.sources[0].kind, cli::FontSource::File);
    EXPECT_EQ(file.sources[0].fontFile, "f.ttc");
    EXPECT_EQ(file.sources[0].faceIndex, 3);
    EXPECT_EQ(file.output, "-");
    EXPECT_TRUE(file.arrayName.empty());
    EXPECT_FALSE(file.strict);
    EXPECT_TRUE(Parse({"--list-formats"}).listFormats);
    const std::pair<std::string_view, glyph::Hinting> hintings[] = {
        {"normal", glyph::Hinting::Normal},
        {"light", glyph::Hinting::Light},
        {"none", glyph::Hinting::None},
        {"auto", glyph::Hinting::Auto},
    };
    for (const auto& [name, hinting] : hintings) {
        EXPECT_EQ(Parse({"--hinting", name, "--format", "vlw", "A"}).hinting, hinting) << name;
    }

    // Close to what is refused, but free.
    const std::vector<std::vector<std::string_view>> accepted = {
        {"A", "--c-array", "is_font"},
        {"A", "--c-array", "Strings"},
        {"A", "--c-array", "sine"},
        {"A", "--c-array", "tO_font"},
        {"A", "--preview", "Sheet.PNG"},
        {"A", "-o", "x.c", "--preview", "-"},
        {"--size", "16", "--", "px"},
        {"--size", "16", "--bold", "px"},
        {"A", "--format", "ssd1306", "--encoding", "cp1251", "--cell", "8x8"},
        {"A", "--format", "raw", "--cell", "ink", "--scan", "columns", "--bit-order", "lsb",
         "--first", "0x20"},
        {"A", "--format", "lvgl", "--lvgl-version", "8"},
        {"A", "--format", "bdf", "--c-array", "DejaVu Sans-16"},
        {"A", "--zoom", "2", "--preview", "p.png"},
    };
    for (const auto& args : accepted) {
        EXPECT_NO_THROW(Parse(args)) << testing::PrintToString(args);
    }
}

const std::string kLongBdfName(996, 'n');

TEST(ConvertOptions, RefusesBadCombinationsAndValues) {
    struct Row {
        std::vector<std::string_view> args;
        const char* mentions;
    };
    const Row rows[] = {
        {{}, "no characters given"},
        {{"--bold"}, "no characters given"},
        {{"A", "B"}, "more than one TEXT"},
        {{""}, "TEXT is empty"},
        {{"\xC3"}, "UTF-8"},
        {{"\xED\xA0\x80"}, "UTF-8"}, // an encoded surrogate
        {{"A\tB"}, "control character (U+0009)"},
        {{"\xC2\x85"}, "control character (U+0085)"},
        {{"-x", "A"}, "unknown option '-x'"},
        {{"--=A"}, "unknown option '--=A'"},
        {{"A", "--range"}, "--range needs a value"},
        {{"A", "-o"}, "-o needs a value"},
        {{"A", "--bold=yes"}, "--bold takes no value"},
        {{"A", "--font", ""}, "--font needs"},
        {{"A", "--font-file", ""}, "--font-file needs"},
        {{"A", "-o", ""}, "-o needs a file name"},
        {{"A", "--font", "x", "--font-file", "y"}, "source 2 (y) has no characters"},
        {{"--font", "x", "--font", "y", "A"}, "source 1 (--font \"x\") has no characters"},
        {{"--font-file", "f", "--face-index", "1", "--font", "x", "--face-index", "2", "A"},
         "--face-index needs --font-file"},
        {{"--font", "x", "A", "B", "--font", "y", "C"}, "more than one TEXT"},
        // Remaps: a target taken twice, chains and overlaps, in one source and across two.
        {{"--range", "0x41=>0x42,0x42"}, "U+0041=>U+0042 writes at U+0042, which is asked for"},
        {{"B", "--range", "0x41=>0x42"}, "U+0041=>U+0042 writes at U+0042, which is asked for"},
        {{"--range", "0x41-0x45=>0x42"}, "U+0041-U+0045=>U+0042 makes a chain"},
        {{"--range", "0x41=>0x42,0x42=>0x43"},
         "the remaps U+0041=>U+0042 and U+0042=>U+0043 make a chain"},
        {{"--range", "0x42=>0x43", "--range", "0x41=>0x42"}, "make a chain"},
        {{"--range", "0x41-0x45=>0xE000,0x43=>0xE100"},
         "the remaps U+0041-U+0045=>U+E000 and U+0043=>U+E100 overlap"},
        {{"--range", "0x41=>0xE000,0x42=>0xE000"}, "write at the same characters"},
        {{"--font", "x", "A", "--font", "y", "--range", "0x42=>0x41"},
         "U+0042=>U+0041 of source 2 (--font \"y\") and U+0041 of source 1 (--font \"x\") both "
         "write at U+0041"},
        {{"--font", "x", "--range", "0x42=>0xE000", "--font", "y", "--range", "0x43=>0xE000"},
         "U+0043=>U+E000 of source 2 (--font \"y\") and U+0042=>U+E000 of source 1"},
        {{"A", "--face-index", "1"}, "--face-index needs --font-file"},
        {{"A", "--font-file", "f", "--face-index", "-1"}, "not a face number"},
        {{"A", "--font-file", "f", "--face-index", "65536"}, "not a face number"},
        {{"A", "--font-file", "f", "--face-index", "1x"}, "not a face number"},
        {{"A", "--set", "ebcdic"}, "not a set"},
        {{"A", "--c-array", "2fonts"}, "not a C identifier"},
        {{"A", "--c-array", "font-8"}, "not a C identifier"},
        {{"A", "--c-array", "int"}, "keyword"},
        {{"A", "--c-array", ""}, "not a C identifier"},
        {{"A", "--eol", "cr"}, "neither lf nor crlf"},
        {{"A", "--size", "0"}, "not above 0"},
        // A unit after a space would be TEXT: a 16 pt font of 'p' and 'x'.
        {{"--size", "16", "px"}, "write 16px"},
        {{"--size=9.5", "pt"}, "write 9.5pt"},
        {{"A", "--preview", "sheet.txt"}, "'sheet.txt' does not end in .png"},
        {{"A", "--preview", "font.h"}, "does not end in .png"},
        // Names the C library links by: the array would replace them.
        {{"A", "--c-array", "exit"}, "C standard library"},
        {{"A", "--c-array", "stdin"}, "C standard library"},
        {{"A", "--c-array", "printf"}, "C standard library"},
        {{"A", "--c-array", "memcpy"}, "C standard library"},
        {{"A", "--c-array", "strlen"}, "C standard library"},
        {{"A", "--c-array", "errno"}, "C standard library"},
        {{"A", "--c-array", "sqrtf"}, "C standard library"},
        {{"A", "--c-array", "clog10l"}, "C standard library"},
        {{"A", "--c-array", "wmemset"}, "C standard library"},
        {{"A", "--c-array", "timespec_get"}, "C standard library"},
        {{"A", "--c-array", "tolower_font"}, "beginning with to and a lowercase letter"},
        {{"A", "--c-array", "thrd_font"}, "<threads.h>"},
        {{"A", "--format", "bdf", "--c-array", "caf\xC3\xA9"}, "printable ASCII"},
        {{"A", "--format", "bdf", "--c-array", "a\tb"}, "printable ASCII"},
        {{"A", "--format", "bdf", "--c-array", kLongBdfName}, "at most 995 characters"},
        {{"A", "--format", "gfx", "--c-array", "DejaVu Sans"}, "not a C identifier"},
        {{"A", "--format", "png"},
         "'png' is not a format (table, bdf, gfx, lvgl, u8g2, xbm, ssd1306, raw, vlw)"},
        // Options only some formats take, each refused naming those.
        {{"A", "--encoding", "cp1251"}, "--encoding applies to --format gfx and ssd1306 only"},
        {{"A", "--format", "gfx", "--lvgl-version", "8"},
         "--lvgl-version applies to --format lvgl"},
        {{"A", "--format", "lvgl", "--cell", "ink"},
         "--cell applies to --format xbm, ssd1306 and raw"},
        {{"A", "--format", "xbm", "--bit-order", "lsb"},
         "--bit-order applies to --format raw only"},
        {{"A", "--format", "xbm", "--scan", "columns"}, "--scan applies to --format raw only"},
        {{"A", "--format", "ssd1306", "--first", "0x20"}, "--first applies to --format raw only"},
        {{"A", "--format", "gfx", "--bpp", "4"}, "--bpp 4 applies to --format lvgl only"},
        {{"A", "--format", "lvgl", "--bpp", "5"}, "--bpp: '5' is not one of 1, 2, 3, 4, 8"},
        {{"A", "--zoom", "2"}, "--zoom needs --preview"},
        // The symbols header's macros are named after the font's C symbol.
        {{"A", "--format", "lvgl", "--symbols-header", ""}, "--symbols-header needs a file name"},
        {{"A", "--symbols-header", "s.h"}, "needs --c-array NAME with --format table"},
        {{"A", "--format", "vlw", "--symbols-header", "s.h"}, "with --format vlw"},
        {{"A", "--format", "bdf", "--symbols-header", "s.h"}, "with --format bdf"},
        {{"A", "--format", "bdf", "--c-array", "Icons 16", "--symbols-header", "s.h"},
         "'Icons 16' is not a C identifier to name its macros after"},
        {{"A", "--format", "vlw", "--eol", "crlf"},
         "--eol crlf: --format vlw writes a binary file, which has no line ends; with --c-array "
         "it writes C source"},
        {{"A", "--list-formats=all"}, "--list-formats takes no value"},
    };
    for (const Row& row : rows) {
        const std::string message = UsageMessage([&] { Parse(row.args); });
        EXPECT_NE(message.find(row.mentions), std::string::npos)
            << testing::PrintToString(row.args) << ": " << message;
    }
}

// Each format's row is the one word on what it takes: the parser accepts an option with a
// format exactly when the row lists it, and the row's traits agree with its options.
TEST(ConvertOptions, EachFormatTakesTheOptionsItsRowLists) {
    using formats::FormatOption;
    // `help`: what --help says of it, its lines joined; `values`: the words it takes.
    struct Row {
        FormatOption option;
        std::string_view arg, value;
        std::string_view help;
        std::vector<std::string_view> values;
        std::string_view defaultValue;
    };
    const std::vector<Row> rows = {
        {FormatOption::Encoding,
         "--encoding",
         "cp1251",
         "gfx and ssd1306 index glyphs by single bytes: unicode (code points up to 0xFF, the "
         "default) or cp1251 (each character's Windows-1251 byte)",
         {"unicode", "cp1251"},
         "unicode"},
        {FormatOption::LvglVersion,
         "--lvgl-version",
         "8",
         "9 (default) or 8 (8.3)",
         {"8", "9"},
         "9"},
        {FormatOption::Cell,
         "--cell",
         "ink",
         "xbm, ssd1306, raw: font (ascent + descent, the default), ink (the set's own ink) or "
         "WIDTHxHEIGHT; the width is the widest advance",
         {},
         "font"},
        {FormatOption::BitOrder,
         "--bit-order",
         "lsb",
         "raw: msb (default) or lsb first in each byte",
         {"msb", "lsb"},
         "msb"},
        {FormatOption::Scan,
         "--scan",
         "columns",
         "raw: rows (default, 8 pixels across a byte) or columns (vertical bytes in pages of 8 "
         "rows, least significant bit at the top, as SSD1306/SH1106 take)",
         {"rows", "columns"},
         "rows"},
        {FormatOption::First,
         "--first",
         "0x20",
         "raw: the code of the first record; codes up to the first character are empty records",
         {},
         ""},
        {FormatOption::Kerning,
         "--no-kerning",
         "",
         "lvgl: leave the kerning out (by default, the pairs HarfBuzz kerns, where the main face "
         "draws both characters)",
         {},
         ""},
        {FormatOption::Compress,
         "--compress",
         "",
         "lvgl: glyphs in LVGL's compressed code (LV_USE_FONT_COMPRESSED); LVGL 9 decompresses 2, "
         "3 and 4 bits per pixel, LVGL 8 also 1 and 8",
         {},
         ""},
    };
    // As the web page's format options see them: every row, each as --help describes it.
    const std::vector<cli::FormatOnlyOption> described = cli::FormatOnlyOptions();
    ASSERT_EQ(described.size(), rows.size());
    for (const Row& row : rows) {
        const auto found = std::find_if(described.begin(), described.end(),
                                        [&](const auto& option) { return option.flag == row.arg; });
        ASSERT_NE(found, described.end()) << row.arg;
        EXPECT_EQ(found->formatOptions, static_cast<unsigned>(row.option)) << row.arg;
        EXPECT_EQ(found->takesValue, !row.value.empty()) << row.arg;
        EXPECT_EQ(std::vector(found->values.begin(), found->values.end()), row.values) << row.arg;
        EXPECT_EQ(found->defaultValue, row.defaultValue) << row.arg;
        EXPECT_EQ(cli::OptionHelp(row.arg), row.help) << row.arg;
        for (const std::string_view value : row.values) {
            const formats::FormatRow* taker = nullptr;
            for (const formats::FormatRow& format : formats::Formats()) {
                taker = taker != nullptr || !format.Takes(row.option) ? taker : &format;
            }
            ASSERT_NE(taker, nullptr) << row.arg;
            EXPECT_EQ(UsageMessage([&] {
                          Parse({"A", "--format", taker->name, row.arg, value});
                      }),
                      "(no error)")
                << row.arg << " " << value;
        }
    }
    EXPECT_EQ(cli::OptionHelp("--bit"), "");
    EXPECT_EQ(cli::OptionHelp("--size"),
              "10, 9.75pt (points) or 16px (pixels at 96 dpi); default 10");
    ASSERT_GE(formats::Formats().size(), 8U);
    for (const formats::FormatRow& format : formats::Formats()) {
        SCOPED_TRACE(format.name);
        EXPECT_EQ(formats::FindFormat(format.name), &format);
        EXPECT_EQ(format.singleByteCodes, format.Takes(FormatOption::Encoding));
        EXPECT_EQ(format.arrayName == formats::ArrayName::FontName, format.nameProblem != nullptr);
        unsigned depths = 0;
        for (const int bits : {1, 2, 3, 4, 8}) {
            depths |= formats::PixelDepth(bits);
        }
        EXPECT_NE(format.depths & depths, 0U);
        EXPECT_EQ(format.depths & ~depths, 0U);
        EXPECT_NE(format.make(formats::FormatOptions{}), nullptr);
        EXPECT_EQ(Parse({"A", "--format", format.name}).format, &format);
        for (const Row& row : rows) {
            const std::string message = UsageMessage([&] {
                if (row.value.empty()) {
                    Parse({"A", "--format", format.name, row.arg});
                } else {
                    Parse({"A", "--format", format.name, row.arg, row.value});
                }
            });
            EXPECT_EQ(message == "(no error)", format.Takes(row.option))
                << row.arg << ": " << message;
        }
    }
}

TEST(Size, PointsOrPixels) {
    struct Row {
        const char* text;
        float points;
    };
    const Row rows[] = {
        {"10", 10},     {"9.75", 9.75F}, {"9.75pt", 9.75F}, {"16px", 12},     {"96px", 72},
        {"1px", 0.75F}, {"1e1", 10},     {"0.5pt", 0.5F},   {"21840", 21840}, {"10.1", 10.1F},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(cli::ParseSize(row.text), row.points) << row.text;
    }
}

TEST(Size, RefusesWhatIsNotASize) {
    struct Row {
        const char* text;
        const char* mentions;
    };
    const Row rows[] = {
        {"", "not a number"},
        {"pt", "not a number"},
        {"px", "not a number"},
        {"abc", "not a number"},
        {"12 pt", "not a number"},
        {"12PT", "not a number"},
        {"12pt ", "not a number"},
        {"+12", "not a number"},
        {"0x10", "not a number"},
        {"12em", "not a number"},
        {"0", "not above 0"},
        {"0px", "not above 0"},
        {"-3", "not above 0"},
        {"-0", "not above 0"},
        {"nan", "not a finite number"},
        {"inf", "not a finite number"},
        {"-inf", "not a finite number"},
        {"infpx", "not a finite number"},
        {"1e7", "too large"},
        {"1e-50", "too small"},
        {"1e-46px", "too small"},
    };
    for (const Row& row : rows) {
        const std::string message = UsageMessage([&] { cli::ParseSize(row.text); });
        EXPECT_NE(message.find(row.mentions), std::string::npos) << row.text << ": " << message;
    }
}

TEST(Printable, EscapesWhatWouldBreakTheLineOrDriveTheTerminal) {
    struct Row {
        std::string text;
        std::string shown;
    };
    const Row rows[] = {
        {"a\nb\tc\rd", "a\\nb\\tc\\rd"},
        {"\x1b[2J\x1b]0;title\x07", "\\e[2J\\e]0;title\\x07"},
        {std::string("x\0y", 3), "x\\x00y"},
        {"\x7f", "\\x7f"},
        {"\xC2\x85\xC2\x9B", "\\u0085\\u009b"}, // C1 controls: NEL, CSI
        {"\xFF\xC2", "\\xff\\xc2"},             // not UTF-8
        {"\xD0\x96 \xE2\x80\xB1 \xF0\x9F\x98\x80", "\xD0\x96 \xE2\x80\xB1 \xF0\x9F\x98\x80"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(cli::Printable(row.text), row.shown) << testing::PrintToString(row.text);
        EXPECT_EQ(cli::Printable(row.shown), row.shown) << "printable text is kept";
    }
}

// Strings built from the characters these parsers care about, at random: every one must parse
// to something valid or be refused with a UsageError, and never crash or throw anything else.
std::string RandomString(std::mt19937& random, std::string_view alphabet, std::size_t maxLength) {
    std::uniform_int_distribution<std::size_t> length(0, maxLength);
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    std::string text(length(random), ' ');
    for (char& c : text) {
        c = alphabet[pick(random)];
    }
    return text;
}

TEST(ParserLoop, RandomRangeListsParseOrFailCleanly) {
    std::mt19937 random(20240611);
    int parsed = 0;
    for (int i = 0; i < 20000; ++i) {
        const std::string list = RandomString(random, "0123456789abcdefxXuU+-, DF", 16);
        try {
            for (const CodeRange& range : cli::ParseRangeList(list)) {
                ASSERT_LE(range.first, range.last) << list;
                ASSERT_LE(range.last, 0x10FFFFU) << list;
                ASSERT_FALSE(range.first <= 0xDFFF && range.last >= 0xD800) << list;
                ASSERT_FALSE(cli::IsControl(range.first)) << list;
                ASSERT_FALSE(range.first <= 0x9F && range.last >= 0x7F) << list;
            }
            ++parsed;
        } catch (const UsageError& error) {
            ASSERT_EQ(std::strchr(error.what(), '\n'), nullptr) << list;
        }
    }
    EXPECT_GT(parsed, 100) << "the alphabet makes valid lists too";
}

TEST(ParserLoop, RandomSizesParseOrFailCleanly) {
    std::mt19937 random(7);
    int parsed = 0;
    for (int i = 0; i < 20000; ++i) {
        const std::string text = RandomString(random, "0123456789.e-+ptxinaf", 10);
        try {
            const float points = cli::ParseSize(text);
            ASSERT_TRUE(std::isfinite(points) && points > 0) << text;
            glyph::ScanBounds bounds;
            try {
                bounds.UpdateScanSize(points, i % 2 == 0);
                ASSERT_EQ(bounds.ScanWidth % 8, 0) << text;
            } catch (const glyph::ScanSizeError&) {
                ASSERT_GT(points, 18000) << text << ": only huge sizes overflow";
            }
            ++parsed;
        } catch (const UsageError& error) {
            ASSERT_EQ(std::strchr(error.what(), '\n'), nullptr) << text;
        }
    }
    EXPECT_GT(parsed, 100);
}

} // namespace
