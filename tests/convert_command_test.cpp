// rastova-convert end to end, in-process, on the DejaVu faces.
#include "cli/convert_command.h"
#include "glyph/conversion.h"
#include "glyph/freetype_surface.h"
#include "tests/cli_test_support.h"
#include "tests/conversion_support.h"
#include "tests/font_files.h"

#include <algorithm>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <sys/mount.h>
#include <unistd.h>
#include <vector>

namespace {

using clitest::Result;
using clitest::RunCli;
using clitest::TempDir;

std::string CoreText(glyph::FontSpec font, char32_t c, std::string_view eol) {
    glyph::FreeTypeSurface surface(font);
    glyph::ScanBounds bounds;
    bounds.UpdateScanSize(font.size, font.italic);
    return test::ConvertToText(surface, c, bounds, eol);
}

std::size_t Count(const std::string& text, std::string_view what) {
    std::size_t count = 0;
    for (std::size_t at = text.find(what); at != std::string::npos;
         at = text.find(what, at + what.size())) {
        ++count;
    }
    return count;
}

TEST(ConvertCommand, OneCharacterIsExactlyTheCoreText) {
    struct Row {
        std::vector<std::string> args;
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
        {{"--eol", "crlf", "--font", "DejaVu Sans", "W"}, {"DejaVu Sans", 10}, U'W', "\r\n"},
        {{"--", "-"}, {"sans-serif", 10}, U'-', "\n"},
        {{"--size", "16px", "--font", "DejaVu Sans", "Q"}, {"DejaVu Sans", 12}, U'Q', "\n"},
        {{"--size", "9.75pt", "--range", "0x41", "--font", "DejaVu Sans"},
         {"DejaVu Sans", 9.75F},
         U'A',
         "\n"},
        {{"--font-file", testfonts::DejaVuSans(), "--eol", "crlf", "--size", "14", "&"},
         {"DejaVu Sans", 14},
         U'&',
         "\r\n"},
    };
    for (const Row& row : rows) {
        const Result result = RunCli(row.args);
        SCOPED_TRACE(testing::PrintToString(row.args));
        EXPECT_EQ(result.code, 0) << result.err;
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

TEST(ConvertCommand, SeveralCharactersAreNamedBlocksApart) {
    const std::vector<std::string> font = {"--font", "DejaVu Sans", "--size", "12"};
    for (std::string_view eol : {"\n", "\r\n"}) {
        std::vector<std::string> args = font;
        args.insert(args.end(),
                    {"--eol", eol == "\n" ? "lf" : "crlf", "--range", "U+0416,0x41", "A"});
        const Result result = RunCli(args);
        ASSERT_EQ(result.code, 0) << result.err;
        const std::string e(eol);
        EXPECT_EQ(result.out, "// '\xD0\x96' U+0416" + e +
                                  CoreText({"DejaVu Sans", 12}, U'Ж', eol) + e + "// 'A' U+0041" +
                                  e + CoreText({"DejaVu Sans", 12}, U'A', eol));
    }
}

// Command lines of one font mean what they did before fonts could be several: characters given
// before the font option are its own. And a font split into two sources of the same file, with
// no characters in common, is the same font (the formats here hold no kerning).
TEST(ConvertCommand, OneFontMeansWhatItAlwaysDid) {
    const std::string sans = testfonts::DejaVuSans();
    struct Row {
        std::vector<std::string> given;
        std::vector<std::string> same;
    };
    const Row rows[] = {
        {{"--range", "0x41-0x43", "--font", "DejaVu Sans", "--format", "bdf"},
         {"--font", "DejaVu Sans", "--format", "bdf", "--range", "0x41-0x43"}},
        {{"AB", "--size", "16px", "--font-file", sans, "--format", "gfx", "--range", "0x43"},
         {"--font-file", sans, "--size", "16px", "--format", "gfx", "--range", "0x41-0x43"}},
        {{"--set", "ascii", "--face-index", "0", "--font-file", sans, "--format", "xbm"},
         {"--font-file", sans, "--face-index", "0", "--format", "xbm", "--set", "ascii"}},
        {{"--font-file", sans, "AB", "--font-file", sans, "--range", "0x43-0x44", "--format",
          "raw"},
         {"--font-file", sans, "--range", "0x41-0x44", "--format", "raw"}},
        {{"--font-file", sans, "--set", "ascii", "--font-file", sans, "--range", "0x410-0x44F"},
         {"--font-file", sans, "--set", "ascii", "--range", "0x410-0x44F"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::PrintToString(row.given));
        const Result given = RunCli(row.given);
        const Result same = RunCli(row.same);
        EXPECT_EQ(given.code, 0) << given.err;
        EXPECT_EQ(given.err, same.err);
        EXPECT_TRUE(given.out == same.out);
        EXPECT_FALSE(given.out.empty());
    }
}

// A character several sources ask for is drawn by the first that has it, which stderr names in
// one line for all such characters of that source; --strict fails on it.
TEST(ConvertCommand, SharedCharactersComeFromTheFirstSourceThatHasThem) {
    const std::string sans = testfonts::DejaVuSans();
    const std::string mono = testfonts::FileFor("DejaVu Sans Mono:style=Book");
    struct Row {
        std::vector<std::string> args;
        int code;
        std::string note;    // on stderr
        std::string drawnBy; // the table header of the alef, or of 'B'
    };
    const Row rows[] = {
        {{"--font-file", sans, "AB", "--font-file", mono, "BC"},
         0,
         "U+0042: asked of more than one source; drawn from source 1 (" + sans +
             "), the first that has it\n",
         "// 'B' U+0042\n// DejaVu Sans ("},
        {{"--font-file", mono, "ABC\xD7\x90", "--font-file", sans, "--range", "0x41-0x43,0x5D0"},
         0,
         "U+0041-U+0043: asked of more than one source; drawn from source 1 (" + mono +
             "), the first that has them\n"
             "rastova-convert: U+05D0: asked of more than one source; drawn from source 2 (" +
             sans + "), the first that has it\n",
         "// '\xD7\x90' U+05D0\n// DejaVu Sans ("},
        {{"--strict", "--font-file", sans, "AB", "--font-file", mono, "BC"},
         1,
         "U+0042: asked of more than one source",
         "// 'B' U+0042\n// DejaVu Sans ("},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::PrintToString(row.args));
        const Result result = RunCli(row.args);
        EXPECT_EQ(result.code, row.code) << result.err;
        EXPECT_NE(result.err.find(row.note), std::string::npos) << result.err;
        EXPECT_NE(result.out.find(row.drawnBy), std::string::npos);
    }
}

TEST(ConvertCommand, BadInputIsOneLineOnStderrAndExitTwo) {
    const TempDir dir;
    const std::string notAFont = dir.File("notes.ttf", "not a font\n");
    struct Row {
        std::vector<std::string> args;
        std::string mentions;
    };
    // The parsers' own tests hold every range and size case; here, one of each kind of problem.
    const Row rows[] = {
        {{}, "no characters given"},
        {{"--frobnicate", "A"}, "unknown option '--frobnicate'"},
        {{"A", "--size"}, "--size needs a value"},
        {{"--font"}, "--font needs a value"},
        {{"--range", "0x7E-0x20"}, "reversed"},
        {{"--size", "0", "A"}, "not above 0"},
        // Sizes are named as typed, in the units typed.
        {{"--size", "30000", "A"}, "--size: 30000 is too large: "},
        {{"--size", "19000", "--italic", "A"}, "--size: 19000 is too large for --italic: "},
        {{"--size", "40000px", "A"}, "--size: 40000px is too large: "},
        {{"--size", "2e6px", "A"}, "--size: 2e6px is too large: "},
        {{"--size", "0.5", "--c-array", "f", "A"}, "--size: 0.5 scans no whole byte"},
        {{"--size", "0.5px", "--c-array", "f", "A"}, "needs at least 0.89px"},
        {{"--font-file", dir.Path("none.ttf"), "A"}, "No such file"},
        {{"--font-file", notAFont, "A"}, "not a font"},
        {{"--font-file", dir.Path(), "A"}, "not a regular file"},
        {{"--font-file", testfonts::DejaVuSans(), "--face-index", "2", "A"},
         "face index 2 is out of range"},
        {{"--font", ":weight=heavyish", "A"}, "not a fontconfig pattern"},
        {{"-o", dir.Path("missing/out.txt"), "A"}, "does not exist"},
        {{"-o", dir.Path(), "A"}, "is a folder"},
        // The symbols header is a file of its own.
        {{"--format", "lvgl", "-o", dir.Path("f.c"), "--symbols-header", dir.Path("./f.c"), "A"},
         "--symbols-header " + dir.Path("./f.c") + " is the output file too"},
        {{"--format", "lvgl", "--symbols-header", "-", "A"}, "is the output file too"},
        {{"--format", "lvgl", "-o", dir.Path("f.c"), "--preview", dir.Path("f.png"),
          "--symbols-header", dir.Path("./f.png"), "A"},
         "is the --preview file too"},
        {{"--format", "lvgl", "-o", dir.Path("f.c"), "--symbols-header", dir.Path(), "A"},
         "is a folder"},
        {{"AB", "CD"}, "more than one TEXT"},
        {{"\t"}, "control character"},
        // Neither LVGL 8 nor 9 draws an uncompressed 3 bpp glyph as written.
        {{"A", "--format", "lvgl", "--bpp", "3"}, "--bpp 3: LVGL draws 3 bits per pixel only"},
        {{"A", "--format", "lvgl", "--bpp", "3", "--lvgl-version", "8"}, "add --compress"},
        // Several sources: each is opened and checked; a remap beyond the format's codes names
        // the font's character and the code it would be written at.
        {{"--font-file", testfonts::DejaVuSans(), "A", "--font-file", dir.Path("none.ttf"), "B"},
         "none.ttf: No such file"},
        {{"A", "--font", "DejaVu Sans", "--font", "No Such Family", "B"},
         "no installed font family is \"No Such Family\""},
        {{"--format", "gfx", "A", "--range", "0x42=>0x100"},
         "--range U+0042=>U+0100: '\xC4\x80' U+0100: --format gfx indexes glyphs by single bytes"},
        {{"--format", "raw", "--first", "0x41", "A", "--font", "DejaVu Serif", "--range",
          "0x42=>0x40"},
         "--range U+0042=>U+0040: '@' U+0040: below --first U+0041"},
    };
    for (const Row& row : rows) {
        const Result result = RunCli(row.args);
        SCOPED_TRACE(testing::PrintToString(row.args));
        EXPECT_EQ(result.code, 2);
        EXPECT_EQ(result.out, "");
        EXPECT_NE(result.err.find(row.mentions), std::string::npos) << result.err;
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
        EXPECT_EQ(result.err.rfind("rastova-convert: ", 0), 0U);
    }
    EXPECT_EQ(dir.Entries().size(), 1U) << "no file made by a failed run";
}

// Whether `text` holds a byte that is a control code, or a C1 control encoded in UTF-8, other
// than the line ends of its lines.
bool HoldsControls(const std::string& text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        const bool c1 = byte == 0xC2 && i + 1 < text.size() &&
                        static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
                        static_cast<unsigned char>(text[i + 1]) <= 0x9F;
        if ((byte < 0x20 && byte != '\n') || byte == 0x7F || c1) {
            return true;
        }
    }
    return false;
}

TEST(ConvertCommand, QuotedInputCannotBreakTheLineOrDriveTheTerminal) {
    const TempDir dir;
    // A bitmap font whose family name holds an escape sequence, as any font file could.
    const std::string bdf =
        dir.File("tiny.bdf", "STARTFONT 2.1\n"
                             "FONT -Rastova-Tiny-Medium-R-Normal--8-80-75-75-C-80-ISO10646-1\n"
                             "SIZE 8 75 75\nFONTBOUNDINGBOX 8 8 0 -1\n"
                             "STARTPROPERTIES 3\nFAMILY_NAME \"Ti\x1b[2Jny\"\n"
                             "FONT_ASCENT 7\nFONT_DESCENT 1\nENDPROPERTIES\n"
                             "CHARS 1\nSTARTCHAR A\nENCODING 65\nSWIDTH 500 0\n"
                             "DWIDTH 8 0\nBBX 8 8 0 -1\nBITMAP\n"
                             "18\n24\n42\n42\n7E\n42\n42\n00\nENDCHAR\nENDFONT\n");
    struct Row {
        std::vector<std::string> args;
        int code;
        std::string mentions;
    };
    const Row rows[] = {
        {{"--fr\x1b]0;owned\x07ob", "A"}, 2, "unknown option '--fr\\e]0;owned\\x07ob'"},
        {{"A", "B\nC"}, 2, "more than one TEXT given: 'B\\nC'"},
        {{"--range", "0x41\n0x42"}, 2, "'0x41\\n0x42' is not a code point"},
        {{"--set", "ascii\r"}, 2, "--set: 'ascii\\r' is not a set"},
        {{"--size", "12\x1b[2J", "A"}, 2, "12\\e[2J"},
        {{"--c-array", "a\x7f", "A"}, 2, "--c-array: 'a\\x7f'"},
        {{"--eol", "\xC2\x9B"}, 2, "--eol: '\\u009b'"},
        {{"--font-file", dir.Path("no\nfont.ttf"), "A"}, 2, "no\\nfont.ttf: No such file"},
        {{"-o", dir.Path("new\tfolder/out.c"), "A"}, 2, "new\\tfolder/ does not exist"},
        {{"--font", "No Such\x1b[2J Family", "o"}, 2, "family is \"No Such\\e[2J Family\";"},
        {{"--font-file", bdf, "--size", "6", "Z"}, 0, "not in Ti\\e[2Jny"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::PrintToString(row.args));
        const Result result = RunCli(row.args);
        EXPECT_EQ(result.code, row.code);
        EXPECT_NE(result.err.find(row.mentions), std::string::npos) << result.err;
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
        EXPECT_FALSE(HoldsControls(result.err)) << result.err;
    }
}

TEST(ConvertCommand, OutputFileIsLeftAloneOnBadInput) {
    const TempDir dir;
    std::filesystem::permissions(dir.Path(), std::filesystem::perms(0755));
    const std::string out = dir.File("font.h", "earlier\n");
    const std::string locked = dir.Path("locked");
    std::filesystem::create_directory(locked);
    std::filesystem::permissions(locked, std::filesystem::perms(0755));
    const std::string lockedFont = locked + "/font.ttf";
    std::filesystem::copy_file(testfonts::DejaVuSans(), lockedFont);
    std::filesystem::permissions(lockedFont, std::filesystem::perms::owner_write);
    struct Row {
        std::vector<std::string> args;
        std::string mentions;
        bool asNobody;
    };
    const Row rows[] = {
        {{"-o", out, "--size", "0", "A"}, "not above 0", false},
        {{"-o", out, "--font-file", dir.Path("none.ttf"), "A"}, "No such file", false},
        {{"-o", out, "--range", "0xD800"}, "surrogate", false},
        {{"-o", out, "A", "--c-array", "x y"}, "not a C identifier", false},
        // A run that fails as the glyphs are written leaves the symbols header as it was.
        {{"-o", "/dev/null", "--symbols-header", out, "--font-file", testfonts::DejaVuSans(),
          "--size", "90px", "--format", "gfx", "--range", "0x20-0x7E,0xA0-0xFF"},
         "bitmapOffset",
         false},
        {{"-o", locked + "/font.h", "A"}, "Permission denied", true},
        {{"-o", out, "--font-file", lockedFont, "A"}, "cannot read font file", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::PrintToString(row.args));
        Result result;
        if (row.asNobody) {
            const clitest::AsNobody nobody;
            result = RunCli(row.args);
        } else {
            result = RunCli(row.args);
        }
        EXPECT_EQ(result.code, 2);
        EXPECT_NE(result.err.find(row.mentions), std::string::npos) << result.err;
        EXPECT_EQ(clitest::ReadFile(out), "earlier\n");
    }
    std::vector<std::string> entries = dir.Entries();
    std::sort(entries.begin(), entries.end());
    EXPECT_EQ(entries, (std::vector<std::string>{"font.h", "locked"})) << "no temporary file left";
    EXPECT_EQ(clitest::TempDir::EntriesOf(locked), std::vector<std::string>{"font.ttf"});
}

// A dry run is the run with its text counted instead of written: it refuses what the run
// refuses, and states the face, the characters and the exact size.
TEST(ConvertCommand, DryRunChecksEverythingAndWritesNothing) {
    const TempDir dir;
    const std::string out = dir.File("font.h", "earlier\n");
    const std::string sans = testfonts::DejaVuSans();
    const TempDir elsewhere; // the real runs' symbols header
    struct Row {
        std::vector<std::string> args;
        int code;
        std::string mentions; // on stderr
    };
    const Row rows[] = {
        {{"--font", "DejaVu Sans", "--set", "cp1251"}, 0, "222 characters of DejaVu Sans Book"},
        {{"--font-file", sans, "--c-array", "f", "A"}, 0, "DejaVuSans.ttf"},
        {{"--font-file", sans, "--format", "lvgl", "--size", "16px", "--set", "ascii"},
         0,
         "bytes of lvgl"},
        {{"--font-file", sans, "--strict", "A"}, 1, "1 note on the characters (--strict fails"},
        {{"--font-file", sans, "A", "--font-file", sans, "--range", "0x41=>0xE000"},
         0,
         "2 characters of DejaVu Sans Book (" + sans + ") and 1 more source at 10 pt"},
        {{"--strict", "--font-file", sans, "AB", "--font-file", sans, "BC"},
         1,
         "the first: U+0042: asked of more than one source"},
        {{"--font-file", dir.Path("none.ttf"), "A"}, 2, "No such file"},
        {{"--range", "0xD800"}, 2, "surrogate"},
        {{"--format", "table", "--cell", "ink", "A"}, 2, "--cell applies to"},
        {{"--format", "lvgl", "--bpp", "3", "A"}, 2, "add --compress"},
        {{"--max-output", "100", "--set", "ascii"}, 2, "--max-output allows"},
        // Found only as the glyphs are written.
        {{"--font-file", sans, "--size", "100px", "--format", "u8g2", "--set", "ascii"},
         2,
         "bytes a glyph"},
        {{"--font-file", sans, "--size", "90px", "--format", "gfx", "--range",
          "0x20-0x7E,0xA0-0xFF"},
         2,
         "bitmapOffset"},
        {{"--font-file", sans, "--preview", "sheet.png", "--size", "12", "--zoom", "64",
          "0123456789abcdefghiklmnopqrsuxz"},
         2,
         "million a preview may have"},
        {{"--font-file", sans, "-o", dir.Path("none/font.h"), "A"}, 2, "does not exist"},
        // The symbols header is checked and not written.
        {{"--font-file", sans, "--format", "lvgl", "--range", "0xF000,0x41", "--symbols-header",
          elsewhere.Path("symbols.h")},
         0,
         ", with symbols in " + elsewhere.Path("symbols.h") + "; nothing was written"},
        {{"--font-file", sans, "--format", "lvgl", "A", "--symbols-header",
          elsewhere.Path("none/symbols.h")},
         2,
         "does not exist"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::PrintToString(row.args));
        std::filesystem::remove(elsewhere.Path("symbols.h")); // a real run's
        std::vector<std::string> args = {"--dry-run", "-o", out};
        args.insert(args.end(), row.args.begin(), row.args.end());
        const Result result = RunCli(args);
        EXPECT_EQ(result.code, row.code);
        EXPECT_EQ(result.out, "");
        EXPECT_NE(result.err.find(row.mentions), std::string::npos) << result.err;
        EXPECT_EQ(clitest::ReadFile(out), "earlier\n");
        EXPECT_EQ(dir.Entries().size(), 1U) << "no temporary file either";
        EXPECT_EQ(elsewhere.Entries().size(), 0U) << "no symbols header";
        if (row.code == 0) {
            const Result real = RunCli(row.args);
            EXPECT_NE(result.err.find(" make " + std::to_string(real.out.size()) + " bytes of "),
                      std::string::npos)
                << "the size the run writes: " << real.out.size() << "\n"
                << result.err;
        }
    }
}

// A folder mounted at a second place while alive, when this process may mount.
class BindMount {
public:
    BindMount(const std::string& from, const std::string& to) : to_(to) {
        mounted_ = mount(from.c_str(), to.c_str(), nullptr, MS_BIND, nullptr) == 0;
    }
    ~BindMount() {
        if (mounted_) {
            umount2(to_.c_str(), MNT_DETACH);
        }
    }
    BindMount(const BindMount&) = delete;
    BindMount& operator=(const BindMount&) = delete;
    bool mounted() const { return mounted_; }

private:
    std::string to_;
    bool mounted_;
};

TEST(ConvertCommand, NeverWritesOverTheFontItReads) {
    const TempDir dir;
    namespace fs = std::filesystem;
    fs::create_directories(dir.Path("fonts/sub"));
    fs::create_directory(dir.Path("view"));
    const std::string font = dir.Path("fonts/font.ttf");
    fs::copy_file(testfonts::DejaVuSans(), font);
    const std::string original = clitest::ReadFile(font);
    fs::create_symlink(font, dir.Path("link.ttf"));
    fs::create_hard_link(font, dir.Path("hard.ttf"));
    const int fd = open(font.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    const BindMount view(dir.Path("fonts"), dir.Path("view"));
    std::vector<std::string> names = {font, dir.Path("link.ttf"), dir.Path("hard.ttf"),
                                      dir.Path("fonts/sub/../font.ttf"),
                                      "/proc/self/fd/" + std::to_string(fd)};
    if (view.mounted()) {
        names.push_back(dir.Path("view/font.ttf"));
    }
    for (const std::string& name : names) {
        for (const std::string& given : {font, dir.Path("link.ttf")}) {
            SCOPED_TRACE("--font-file " + given + " -o " + name);
            const Result result = RunCli({"--font-file", given, "A", "-o", name});
            EXPECT_EQ(result.code, 2);
            EXPECT_NE(result.err.find("is the font file being read"), std::string::npos)
                << result.err;
            const Result symbols = RunCli({"--font-file", given, "--format", "lvgl", "A", "-o",
                                           "/dev/null", "--symbols-header", name});
            EXPECT_EQ(symbols.code, 2);
            EXPECT_NE(symbols.err.find("is the font file being read"), std::string::npos)
                << symbols.err;
            EXPECT_TRUE(clitest::ReadFile(font) == original) << "the font is untouched";
        }
    }
    // A later source's font is read too.
    for (const auto& [option, name] :
         {std::pair<std::string, std::string>{"-o", dir.Path("link.ttf")},
          {"--preview", "/proc/self/fd/" + std::to_string(fd)}}) {
        const Result result = RunCli(
            {"--font-file", testfonts::DejaVuSans(), "A", "--font-file", font, "B", option, name});
        EXPECT_EQ(result.code, 2) << option;
        EXPECT_NE(result.err.find("is the font file being read"), std::string::npos)
            << option << ": " << result.err;
        EXPECT_TRUE(clitest::ReadFile(font) == original) << option << ": the font is untouched";
    }
    close(fd);
    EXPECT_EQ(TempDir::EntriesOf(dir.Path("fonts")).size(), 2U) << "no temporary file left";
}

TEST(ConvertCommand, OutputFileHoldsWhatStdoutWould) {
    const TempDir dir;
    const std::string out = dir.File("font.txt", "earlier\n");
    const std::vector<std::string> args = {"--font", "DejaVu Sans", "--set", "ascii"};
    const Result toStdout = RunCli(args);
    std::vector<std::string> toFile = args;
    toFile.insert(toFile.end(), {"-o", out});
    const Result written = RunCli(toFile);
    EXPECT_EQ(written.code, 0);
    EXPECT_EQ(written.out, "");
    EXPECT_EQ(written.err, toStdout.err) << "the same notes either way";
    EXPECT_EQ(clitest::ReadFile(out), toStdout.out);
    EXPECT_EQ(Count(toStdout.out, "\n// '"), 94U) << "95 named blocks, 94 after a blank line";
    EXPECT_EQ(dir.Entries().size(), 1U);
}

TEST(ConvertCommand, ReportsClippingAndStrictMakesItAFailure) {
    struct Row {
        std::vector<std::string> args;
        std::vector<std::string> mentions; // each must be in stderr; none: stderr is empty
    };
    const Row rows[] = {
        {{"--font", "DejaVu Sans", "o"}, {}},
        {{"--font", "DejaVu Sans", "A"},
         {"'A' U+0041: 1 ink pixel in column 0, which no byte holds"}},
        // A combining mark alone hangs left of where it is drawn.
        {{"--font", "DejaVu Sans", "--size", "24", "\xCC\x81"},
         {"U+0301:", "cut off left of column 0"}},
        // DejaVu Sans draws the per ten thousand sign wider than the rectangle 10 pt gives.
        {{"--font", "DejaVu Sans", "--range", "U+2031"}, {"U+2031:", "cut off right of column 16"}},
        {{"--font", "DejaVu Sans", "--size", "24", "\xC7\x95"}, {"cut off above row 0"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::PrintToString(row.args));
        const Result plain = RunCli(row.args);
        EXPECT_EQ(plain.code, 0);
        EXPECT_FALSE(plain.out.empty());
        for (const std::string& mention : row.mentions) {
            EXPECT_NE(plain.err.find(mention), std::string::npos) << plain.err;
        }
        std::vector<std::string> strictArgs = row.args;
        strictArgs.push_back("--strict");
        const Result strict = RunCli(strictArgs);
        EXPECT_EQ(strict.code, row.mentions.empty() ? 0 : 1);
        EXPECT_EQ(strict.out, plain.out) << "the tables are written all the same";
        EXPECT_EQ(strict.err, plain.err);
    }
}

// The face asked for, or a refusal: a family that is not installed is never replaced by another.
// Generic names and fontconfig's aliases resolve, and say what to; missing glyphs are noted.
// A header names every face that drew a glyph, each with its copyright, not only the face asked
// for: DejaVu Serif lacks U+203B, which a fallback face draws.
TEST(ConvertCommand, HeaderNamesEveryFaceThatDrewAGlyph) {
    const std::vector<std::string> formats[] = {
        {"--format", "table", "--c-array", "t"},
        {"--format", "bdf"},
        {"--format", "lvgl"},
        {"--format", "u8g2"},
        {"--format", "xbm"},
        {"--format", "raw"},
    };
    for (const std::vector<std::string>& format : formats) {
        for (const bool fallback : {false, true}) {
            SCOPED_TRACE(testing::PrintToString(format) + (fallback ? " with U+203B" : ""));
            std::vector<std::string> args = {"--font",  "DejaVu Serif",
                                             "--size",  "16px",
                                             "--range", fallback ? "0x41,0x203B" : "0x41"};
            args.insert(args.end(), format.begin(), format.end());
            const Result result = RunCli(args);
            ASSERT_EQ(result.code, 0) << result.err;
            const std::size_t also = result.out.find("Also drawn with: ");
            if (!fallback) {
                EXPECT_EQ(also, std::string::npos) << result.out;
                continue;
            }
            ASSERT_NE(also, std::string::npos) << result.out;
            EXPECT_EQ(Count(result.out, "Also drawn with: "), 1U);
            const std::size_t end = result.out.find('\n', also);
            const std::string line = result.out.substr(also, end - also);
            EXPECT_EQ(line.find("DejaVuSerif.ttf"), std::string::npos) << line;
            EXPECT_NE(line.find(".ttf)"), std::string::npos) << line;
            EXPECT_NE(result.out.find("Copyright: ", end), std::string::npos) << result.out;
        }
    }
}

TEST(ConvertCommand, NotesSubstitutesAndMissingGlyphs) {
    const std::string serif = testfonts::FileFor("DejaVu Serif:style=Book");
    const TempDir dir;
    // fontconfig reads "-font.ttf" as a size: the file is named whole all the same.
    const std::string hyphenated = dir.Path("my-font.ttf");
    std::filesystem::copy_file(serif, hyphenated);
    struct Row {
        std::vector<std::string> args;
        int code;
        std::string mentions; // empty: no note
    };
    const Row rows[] = {
        {{"--font", "No Such Family Rastova", "o"},
         2,
         "rastova-convert: no installed font family is \"No Such Family Rastova\"; did you mean "
         "\"DejaVu"},
        {{"--font", "DejaVu Sanz", "o"}, 2, "; did you mean \"DejaVu Sans\", \"DejaVu Serif\" or "},
        {{"--font", "No Such Family Rastova:bold", "o"},
         2,
         "is \"No Such Family Rastova\" (--font"},
        {{"--font", serif, "o"},
         2,
         "is \"" + serif + "\"; " + serif + " is a file: give it with --font-file\n"},
        {{"--font", hyphenated, "o"}, 2, "is \"" + hyphenated + "\"; " + hyphenated + " is a file"},
        {{"--font", "No Such-Family", "o"}, 2, "is \"No Such\" (--font \"No Such-Family\"); did"},
        {{"--font", "dejavu serif", "o"}, 0, ""},
        {{"--font", "DejaVu Serif", "o"}, 0, ""},
        {{"o"}, 0, ""}, // the default, sans-serif, is not news
        {{"--font", "sans-serif", "o"}, 0, "\"sans-serif\" resolves to DejaVu Sans Book ("},
        {{"--font", "monospace:bold", "o"},
         0,
         "\"monospace:bold\" resolves to DejaVu Sans Mono Bold"},
        {{"--font", "serif", "o"}, 0, "\"serif\" resolves to DejaVu Serif Book"},
        // An alias in fontconfig's own configuration, not an installed family.
        {{"--font", "Courier", "o"}, 0, "\"Courier\" resolves to DejaVu Sans Mono Book"},
        {{"--font", "No Such Family Rastova,DejaVu Serif", "o"}, 0, ""},
        {{"--font-file", serif, "\xD7\x90"}, 0, "'\xD7\x90' U+05D0: not in DejaVu Serif; the face"},
        {{"--font", "DejaVu Serif", "\xD7\x90"}, 0, ""}, // a fallback has it
        {{"--font", "DejaVu Serif", "--range", "U+10FFFD"},
         0,
         "not in DejaVu Serif or its fallbacks"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::PrintToString(row.args));
        const Result result = RunCli(row.args);
        EXPECT_EQ(result.code, row.code) << result.err;
        EXPECT_EQ(result.out.empty(), row.code != 0);
        if (row.mentions.empty()) {
            for (const char* note : {"not in", "resolves", "installed"}) {
                EXPECT_EQ(result.err.find(note), std::string::npos) << result.err;
            }
        } else {
            EXPECT_NE(result.err.find(row.mentions), std::string::npos) << result.err;
        }
    }
}

} // namespace
