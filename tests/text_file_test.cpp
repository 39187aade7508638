// Characters taken from UTF-8 text files (--text-file): what is kept, where malformed UTF-8 is
// reported, and that the written font holds exactly the file's characters.
#include "cli/convert_options.h"
#include "cli/text_file.h"
#include "glyph/utf8.h"
#include "tests/cli_test_support.h"
#include "tests/command_support.h"
#include "tests/font_files.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>

namespace {

using cli::UsageError;

std::string Quote(const std::string& text) {
    return "'" + text + "'";
}

using clitest::UsageMessage;

// The characters of `content` fed in blocks of `piece` bytes, as a reader whose blocks end
// anywhere would feed them.
std::u32string FedInPieces(const std::string& content, std::size_t piece) {
    cli::TextCharacters text("t.txt");
    std::string pending;
    for (std::size_t at = 0; at < content.size(); at += piece) {
        pending += content.substr(at, piece);
        pending.erase(0, text.Feed(pending));
    }
    return text.Finish(pending);
}

// Calls `check` with each way of reading `content`: from a file, and fed in blocks of 1, 2 and 3
// bytes; with the name that messages give the text.
template <typename Check> void ForEveryReading(const std::string& content, const Check& check) {
    const clitest::TempDir dir;
    const std::string file = dir.File("t.txt", content);
    const auto fromFile = [&] {
        return cli::ReadTextFileCharacters(file);
    };
    check("file", fromFile, file);
    for (std::size_t piece : {1, 2, 3}) {
        const auto inBlocks = [&] {
            return FedInPieces(content, piece);
        };
        check("blocks of " + std::to_string(piece), inBlocks, "t.txt");
    }
}

TEST(TextFile, KeepsEveryCharacterOnceInCodeOrderButControlsAndTheByteOrderMark) {
    struct Row {
        std::string content;
        std::u32string expected;
    };
    // A character whose bytes cross the reader's 1 MiB blocks.
    const std::string acrossBlocks = std::string((1 << 20) - 1, 'a') + "\xD0\x96" + "a";
    const Row rows[] = {
        {"", U""},
        {"\xEF\xBB\xBFHi\r\n", U"Hi"},
        {"b\ta\x7F\x01\x1B"
         "b\n\n",
         U"ab"},
        {"\xC2\x85\xC2\xA0\xC2\x9F", U"\u00A0"},         // C1 controls out, no-break space in
        {"x\xEF\xBB\xBFy", U"xy"},                       // U+FEFF inside the text too
        {"a\xE2\x80\x8B\xE2\x80\x8D", U"a\u200B\u200D"}, // other format characters stay
        {"{\"hot\": \"\xD0\x96\xD0\xB0\xD1\x80\xD0\xBA\xD0\xBE 23 \xC2\xB0"
         "C\"}",
         U" \"23:Chot{}\u00B0\u0416\u0430\u043A\u043E\u0440"},
        {"\xF0\x9F\x98\x80"
         "a\xF4\x8F\xBF\xBF",
         U"a\U0001F600\U0010FFFF"},
        {acrossBlocks, U"a\u0416"},
    };
    for (const Row& row : rows) {
        ForEveryReading(row.content, [&](const std::string& how, auto read, const std::string&) {
            EXPECT_EQ(read(), row.expected)
                << how << ": " << testing::PrintToString(row.content.substr(0, 40));
        });
    }
}

TEST(TextFile, MalformedUtf8IsRefusedAtItsLineAndColumn) {
    struct Row {
        std::string content;
        std::string message; // after "t.txt:"
    };
    const Row rows[] = {
        {"ab\ncd\xC0\xAF", "2:3: not UTF-8: 0xC0 0xAF is an overlong form of U+002F"},
        {"\xF0\x82\x82\xAC", "1:1: not UTF-8: 0xF0 0x82 0x82 0xAC is an overlong form of U+20AC"},
        // A tab and a four-byte character are a column each.
        {"\t\xF0\x9F\x98\x80\xC1\x81", "1:3: not UTF-8: 0xC1 0x81 is an overlong form of U+0041"},
        // The byte order mark takes no column; CR LF is one line end.
        {"\xEF\xBB\xBFx\xFF", "1:2: not UTF-8: 0xFF is never in UTF-8"},
        {"a\r\nb\r\n\x80", "3:1: not UTF-8: 0x80 continues no sequence"},
        {"\xD0\x96\xD0\x96\xE2\x82",
         "1:3: not UTF-8: 0xE2 0x82 begins a 3-byte sequence that the end of the file cuts short"},
        {"\xE2\x82"
         "A",
         "1:1: not UTF-8: 0xE2 0x82 begins a 3-byte sequence that is cut short"},
        {"\xC3", "1:1: not UTF-8: 0xC3 begins a 2-byte sequence that the end of the file cuts "
                 "short"},
        {"\xED\xA0\x80",
         "1:1: not UTF-8: 0xED 0xA0 0x80 encodes the surrogate U+D800, which is no character"},
        {"\xF4\x90\x80\x80",
         "1:1: not UTF-8: 0xF4 0x90 0x80 0x80 encodes 0x110000, above U+10FFFF"},
        // Windows-1251, a usual mistake: "Жарко".
        {"\xC6\xE0\xF0\xEA\xEE", "1:1: not UTF-8: 0xC6 begins a 2-byte sequence that is cut short"},
        {std::string((1 << 20) - 1, 'a') + "\xD0\x96\xFE",
         "1:1048577: not UTF-8: 0xFE is never in UTF-8"},
    };
    for (const Row& row : rows) {
        ForEveryReading(
            row.content, [&](const std::string& how, auto read, const std::string& name) {
                EXPECT_EQ(UsageMessage([&] { read(); }), name + ":" + row.message) << how;
            });
    }
}

TEST(TextFile, IsACharacterArgumentBesideTheOthers) {
    const clitest::TempDir dir;
    const std::string ba = dir.File("ba.txt", "ba\r\nba\n");
    const std::string empty = dir.File("empty.txt", "");
    const std::vector<std::string_view> args = {"Z", "--text-file", ba, "--range", "0x61-0x63"};
    const cli::ConvertOptions options = cli::ParseConvertOptions(args);
    EXPECT_EQ(options.characters, U"Zabc");
    EXPECT_EQ(options.textFiles, std::vector<std::string>{ba});

    struct Row {
        std::vector<std::string_view> args;
        std::string message;
    };
    const std::string missing = dir.Path("missing.txt");
    const std::string folder = dir.Path();
    // Sparse: a file that says it holds more than 256 MiB, on no disk space.
    const std::string huge = dir.File("huge.txt", "");
    std::filesystem::resize_file(huge, (std::uintmax_t{256} << 20) + 1);
    const std::string tooLong = ": longer than 256 MiB, more than a program's strings";
    const Row rows[] = {
        {{"--text-file", ""}, "--text-file needs a file name, or - for standard input"},
        {{"--text-file", missing}, "--text-file " + missing + ": No such file or directory"},
        {{"--text-file", folder}, "--text-file " + folder + ": is a folder, not a text file"},
        {{"--text-file", empty}, "no characters given: TEXT, --range, --set or --text-file"},
        {{"--text-file", huge}, "--text-file " + huge + tooLong},
        // Never ends: read up to the limit, not for ever.
        {{"--text-file", "/dev/zero"}, "--text-file /dev/zero" + tooLong},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(UsageMessage([&] { cli::ParseConvertOptions(row.args); }), row.message)
            << testing::PrintToString(row.args);
    }
}

// The font written holds the characters of the text exactly, as FreeType reads the BDF: from a
// file and from standard input, which is read once at most.
TEST(TextFile, TheFontHoldsExactlyTheTextsCharacters) {
    const clitest::TempDir dir;
    const std::string text = dir.File("ui.json", "\xEF\xBB\xBF{\"ok\": \"\xD0\x93\xD0\xBE\xD1\x82"
                                                 "\xD0\xBE\xD0\xB2\xD0\xBE\"}\r\n");
    const std::u32string expected = U" \":ko{}\u0413\u0432\u043E\u0442";
    const std::string font = testfonts::DejaVuSans();
    const std::string convert = Quote(RASTOVA_CONVERT) + " --format bdf --font-file " +
                                Quote(font) + " -o " + Quote(dir.Path("out.bdf"));
    struct Row {
        const char* what;
        std::string command;
    };
    const Row rows[] = {
        {"a file", convert + " --text-file " + Quote(text)},
        {"standard input", convert + " --text-file - < " + Quote(text)},
    };
    FT_Library library = nullptr;
    ASSERT_EQ(FT_Init_FreeType(&library), 0);
    for (const Row& row : rows) {
        std::filesystem::remove(dir.Path("out.bdf"));
        const commands::Command run = commands::Shell(row.command);
        ASSERT_EQ(run.status, 0) << row.what << ": " << run.output;
        FT_Face face = nullptr;
        ASSERT_EQ(FT_New_Face(library, dir.Path("out.bdf").c_str(), 0, &face), 0) << row.what;
        std::u32string read;
        FT_UInt index = 0;
        for (FT_ULong c = FT_Get_First_Char(face, &index); index != 0;
             c = FT_Get_Next_Char(face, c, &index)) {
            read += static_cast<char32_t>(c);
        }
        EXPECT_EQ(glyph::EncodeUtf8(read), glyph::EncodeUtf8(expected)) << row.what;
        FT_Done_Face(face);
    }
    FT_Done_FreeType(library);

    const commands::Command twice =
        commands::Shell(convert + " --text-file - --text-file - < " + Quote(text));
    EXPECT_EQ(twice.status, 2);
    EXPECT_NE(twice.output.find("--text-file -: standard input can be read only once"),
              std::string::npos)
        << twice.output;
    const std::string png = dir.File("a.png", "\x89PNG\r\n");
    const commands::Command bad = commands::Shell(convert + " --text-file - < " + Quote(png));
    EXPECT_EQ(bad.status, 2);
    EXPECT_NE(bad.output.find("rastova-convert: <stdin>:1:1: not UTF-8: 0x89 continues no "
                              "sequence\n"),
              std::string::npos)
        << bad.output;
}

// An output is never a text file the characters come from, by any name: the strings are left
// as they were.
TEST(TextFile, IsNeverWrittenOver) {
    const clitest::TempDir dir;
    const std::string strings = dir.File("strings.txt", "Hello");
    const std::string picture = dir.File("strings.png", "Hello");
    std::filesystem::create_symlink(strings, dir.Path("link.txt"));
    struct Row {
        std::vector<std::string> args; // after the text file and the font
        std::string message;
    };
    const Row rows[] = {
        {{"-o", strings}, "-o " + strings + " is the --text-file " + strings},
        {{"-o", dir.Path("link.txt")}, "-o " + dir.Path("link.txt") + " is the --text-file"},
        {{"-o", dir.Path("./strings.txt"), "--dry-run"}, "is the --text-file " + strings},
        {{"--text-file", picture, "--preview", picture}, "--preview " + picture + " is the"},
        {{"--symbols-header", strings, "--format", "lvgl"}, "--symbols-header " + strings},
    };
    for (const Row& row : rows) {
        std::vector<std::string> args = {"--text-file", strings, "--font-file",
                                         testfonts::DejaVuSans()};
        args.insert(args.end(), row.args.begin(), row.args.end());
        const clitest::Result result = clitest::RunCli(args);
        EXPECT_EQ(result.code, 2) << row.message;
        EXPECT_NE(result.err.find(row.message), std::string::npos) << result.err;
        EXPECT_EQ(testfiles::ReadFile(strings), "Hello") << row.message;
        EXPECT_EQ(testfiles::ReadFile(picture), "Hello") << row.message;
    }
}

} // namespace
