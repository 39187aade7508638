// --symbols-header: the header compiles as C and C++, names each Private Use Area character after
// its glyph, and each macro holds exactly the character's UTF-8, read back by a compiled program.
#include "glyph/font_faces.h"
#include "glyph/glyph_name.h"
#include "tests/cli_test_support.h"
#include "tests/command_support.h"
#include "tests/named_glyphs_font.h"

#include <gtest/gtest.h>
#include <map>
#include <regex>
#include <string>
#include <vector>

#if !defined(RASTOVA_C_COMPILER) || !defined(RASTOVA_CXX_COMPILER)
#error "RASTOVA_C_COMPILER and RASTOVA_CXX_COMPILER name the compilers found at configure time"
#endif

namespace {

using clitest::Result;
using clitest::RunCli;
using clitest::TempDir;
using commands::Command;
using commands::Shell;

// UTF-8 as Unicode defines it, in upper hex: 1 to 4 bytes by the code point's size.
std::string Utf8Hex(char32_t c) {
    std::vector<unsigned> bytes;
    if (c < 0x80) {
        bytes = {static_cast<unsigned>(c)};
    } else if (c < 0x800) {
        bytes = {0xC0 | c >> 6, 0x80 | (c & 0x3F)};
    } else if (c < 0x10000) {
        bytes = {0xE0 | c >> 12, 0x80 | (c >> 6 & 0x3F), 0x80 | (c & 0x3F)};
    } else {
        bytes = {0xF0 | c >> 18, 0x80 | (c >> 12 & 0x3F), 0x80 | (c >> 6 & 0x3F),
                 0x80 | (c & 0x3F)};
    }
    std::string hex;
    char item[3];
    for (unsigned byte : bytes) {
        std::snprintf(item, sizeof item, "%02X", byte);
        hex += item;
    }
    return hex;
}

// The macro names the header defines with a value, in the order written.
std::vector<std::string> DefinedNames(const std::string& header) {
    static const std::regex define(R"(#define ([A-Za-z_][A-Za-z0-9_]*) ")");
    std::vector<std::string> names;
    for (auto it = std::sregex_iterator(header.begin(), header.end(), define);
         it != std::sregex_iterator(); ++it) {
        names.push_back((*it)[1]);
    }
    return names;
}

// Compiles a file that includes `header` twice (the guard) strictly, in each C and C++ standard
// a firmware build uses; the compilers' complaints, or "".
std::string CompileEverywhere(const TempDir& dir, const std::string& header) {
    const std::string source =
        dir.File("includes.c", "#include \"" + header + "\"\n#include \"" + header +
                                   "\"\nint main(void) { return 0; }\n");
    const std::string strict = " -pedantic -Wall -Wextra -Werror -fsyntax-only ";
    std::string complaints;
    for (const char* standard : {"c99", "c11", "c17"}) {
        const Command c =
            Shell(std::string(RASTOVA_C_COMPILER) + " -x c -std=" + standard + strict + source);
        complaints += c.status == 0 ? "" : standard + (": " + c.output);
    }
    for (const char* standard : {"c++11", "c++17", "c++20"}) {
        const Command cxx =
            Shell(std::string(RASTOVA_CXX_COMPILER) + " -x c++ -std=" + standard + strict + source);
        complaints += cxx.status == 0 ? "" : standard + (": " + cxx.output);
    }
    return complaints;
}

// A program that prints "NAME=HEX" for each macro, then the first macro's bytes followed by a
// literal "0" in the same string, as firmware writes it.
std::string Reader(const std::string& header, const std::vector<std::string>& names) {
    std::string source = "#include <stdio.h>\n#include \"" + header +
                         "\"\nstatic void show(const char *name, const char *text) {\n"
                         "    printf(\"%s=\", name);\n"
                         "    for (; *text; ++text) printf(\"%02X\", (unsigned char)*text);\n"
                         "    printf(\"\\n\");\n}\nint main(void) {\n";
    for (const std::string& name : names) {
        source += "    show(\"" + name + "\", " + name + ");\n";
    }
    if (!names.empty()) {
        source += "    show(\"then\", " + names.front() + " \"0\");\n";
    }
    return source + "    return 0;\n}\n";
}

struct Expected {
    char32_t code;
    std::string glyphName; // as the font names the glyph
    std::string macro;     // the macro the header defines for it
};

// Glyph names as a font may have them, hostile ones among them, and the macro each becomes.
const std::vector<Expected>& HostileNames() {
    static const std::vector<Expected> rows = {
        {0xE000, "heart", "ICONS_HEART"},
        // Taken already, and "_2" is another glyph's own name.
        {0xE001, "heart", "ICONS_HEART_3"},
        {0xE002, "heart_2", "ICONS_HEART_2"},
        {0xE003, "*/", "ICONS_U_E003"},
        // FreeType keeps a font's names only when none is longer than 63 bytes.
        {0xE004, std::string(63, 'z'), "ICONS_" + std::string(40, 'Z')},
        {0xE005, "", "ICONS_U_E005"},
        {0xE006, "9lives", "ICONS_9LIVES"},
        {0xE007, "caf\xC3\xA9", "ICONS_CAF"},
        {0xE008, "uniE008", "ICONS_U_E008"},
        {0xE009, "a__b", "ICONS_A_B"},
        // The include guard is ICONS_SYMBOLS_H.
        {0xE00A, "symbols.h", "ICONS_SYMBOLS_H_2"},
        {0xE00B, ".notdef", "ICONS_U_E00B"},
        // A backslash ending the comment after the macro would swallow the next line.
        {0xE00C, "end\\", "ICONS_END"},
        {0xE00D, "x?\?/", "ICONS_X"},
        // A name that is another glyph's code name: the first by code keeps it.
        {0xE00E, "u_E00F", "ICONS_U_E00F"},
        {0xE00F, "", "ICONS_U_E00F_2"},
        {0xF0000, "plane15", "ICONS_PLANE15"},
        {0x10FFFD, "last", "ICONS_LAST"},
    };
    return rows;
}

// The font of HostileNames, with 'A' too; glyph indexes from 100 on.
std::string HostileFont(const TempDir& dir) {
    std::vector<namedglyphs::Glyph> glyphs = {{U'A', 36, "A"}};
    unsigned index = 100;
    for (const Expected& row : HostileNames()) {
        glyphs.push_back({row.code, index++, row.glyphName});
    }
    const std::string path = dir.Path("icons.ttf");
    namedglyphs::Write(path, glyphs);
    return path;
}

TEST(SymbolsHeader, EachPrivateUseCharacterIsItsUtf8UnderItsGlyphsName) {
    const TempDir dir;
    const std::string font = HostileFont(dir);
    std::string range = "0x41,0xE010"; // 'A', and a character the font lacks
    for (const Expected& row : HostileNames()) {
        range += "," + std::to_string(row.code);
    }
    const std::string header = dir.Path("icons_symbols.h");
    const Result run =
        RunCli({"--font-file", font, "--size", "16px", "--format", "lvgl", "--c-array", "icons",
                "--range", range, "-o", dir.Path("icons.c"), "--symbols-header", header});
    ASSERT_EQ(run.code, 0) << run.err;
    const std::string text = clitest::ReadFile(header);

    std::map<std::string, char32_t> expected = {{"ICONS_U_E010", 0xE010}};
    for (const Expected& row : HostileNames()) {
        expected[row.macro] = row.code;
    }
    std::vector<std::string> names = DefinedNames(text);
    std::map<std::string, char32_t> found;
    for (const std::string& name : names) {
        found[name] = expected.count(name) != 0 ? expected[name] : 0;
    }
    EXPECT_EQ(found, expected) << text;
    EXPECT_EQ(names.size(), expected.size()) << "each macro once\n" << text;
    EXPECT_NE(text.find("#ifndef ICONS_SYMBOLS_H\n#define ICONS_SYMBOLS_H\n"), std::string::npos)
        << text;

    EXPECT_EQ(CompileEverywhere(dir, header), "");
    dir.File("reader.c", Reader(header, names));
    const Command build =
        Shell(std::string(RASTOVA_C_COMPILER) + " -std=c99 -Wall -Wextra -Werror " +
              dir.Path("reader.c") + " -o " + dir.Path("reader"));
    ASSERT_EQ(build.status, 0) << build.output;
    std::string printed;
    for (const std::string& name : names) {
        printed += name + "=" + Utf8Hex(expected[name]) + "\n";
    }
    printed += "then=" + Utf8Hex(expected[names.front()]) + "30\n";
    EXPECT_EQ(Shell(dir.Path("reader")).output, printed);
}

TEST(SymbolsHeader, MacrosArePrefixedWithTheFontsCName) {
    const TempDir dir;
    const std::string font = HostileFont(dir);
    struct Row {
        std::vector<std::string> options;
        std::string heart; // the macro of U+E000
    };
    const Row rows[] = {
        // The name each format gives the font without --c-array.
        {{"--format", "lvgl"}, "DEJAVUSANS_16PX_HEART"},
        {{"--format", "raw", "--bold"}, "DEJAVUSANS_BOLD_16PX_HEART"},
        {{"--format", "u8g2", "--c-array", "Icons_8"}, "ICONS_8_HEART"},
        {{"--format", "table", "--c-array", "tables"}, "TABLES_HEART"},
        {{"--format", "bdf", "--c-array", "bdf_icons"}, "BDF_ICONS_HEART"},
        {{"--format", "vlw", "--c-array", "smooth"}, "SMOOTH_HEART"},
        // Never two underscores in a row.
        {{"--format", "xbm", "--c-array", "icons_"}, "ICONS_HEART"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::PrintToString(row.options));
        std::vector<std::string> args = {"--font-file",
                                         font,
                                         "--size",
                                         "16px",
                                         "--range",
                                         "0xE000",
                                         "--symbols-header",
                                         dir.Path("symbols.h"),
                                         "-o",
                                         dir.Path("font.c")};
        args.insert(args.end(), row.options.begin(), row.options.end());
        const Result run = RunCli(args);
        ASSERT_EQ(run.code, 0) << run.err;
        const std::string text = clitest::ReadFile(dir.Path("symbols.h"));
        EXPECT_EQ(DefinedNames(text), std::vector<std::string>{row.heart}) << text;
    }
}

// With several fonts, each icon is named after its glyph in the font that draws it, looked up at
// the font's own code, while the macro holds the code it is written at.
TEST(SymbolsHeader, NamesEachIconFromItsOwnFontAtItsRemappedCode) {
    const TempDir dir;
    const std::string header = dir.Path("ui_symbols.h");
    const Result run =
        RunCli({"--format", "lvgl", "--size", "16px", "--c-array", "icons", "-o", dir.Path("ui.c"),
                "--symbols-header", header, "--font-file", testfonts::DejaVuSans(), "--range",
                "0x41,0xF000=>0xE100", "--font-file", HostileFont(dir), "--range",
                "0xE000=>0xE101,0xE006=>0xE102"});
    ASSERT_EQ(run.code, 0) << run.err;
    const std::string text = clitest::ReadFile(header);
    EXPECT_EQ(DefinedNames(text),
              (std::vector<std::string>{"ICONS_U_E100", "ICONS_HEART", "ICONS_9LIVES"}))
        << text;
    std::string escaped;
    const std::string hex = Utf8Hex(0xE101);
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        escaped += "\\x" + hex.substr(i, 2);
    }
    EXPECT_NE(text.find("ICONS_HEART \"" + escaped + "\" // U+E101 heart"), std::string::npos)
        << text;
}

TEST(SymbolsHeader, WithoutPrivateUseCharactersItDefinesNothingAndSaysSo) {
    const TempDir dir;
    const std::string header = dir.Path("none.h");
    const Result run = RunCli({"--font-file", testfonts::DejaVuSans(), "--format", "gfx", "--set",
                               "ascii", "-o", dir.Path("font.h"), "--symbols-header", header});
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_NE(run.err.find("no character converted is in a Private Use Area"), std::string::npos)
        << run.err;
    const std::string text = clitest::ReadFile(header);
    EXPECT_EQ(DefinedNames(text), std::vector<std::string>{}) << text;
    EXPECT_NE(text.find("#ifndef DEJAVUSANS_"), std::string::npos) << text;
    EXPECT_EQ(CompileEverywhere(dir, header), "");
}

TEST(GlyphName, IsTheFontsNameOfTheGlyphThatDrawsTheCharacter) {
    const TempDir dir;
    const std::string font = HostileFont(dir);
    struct Row {
        std::string file;
        char32_t code;
        std::string name;
    };
    const Row rows[] = {
        {font, 0xE000, "heart"},
        {font, 0xE00B, ""}, // ".notdef" names no glyph
        {font, 0xE010, ""}, // not in the font
        {testfonts::DejaVuSans(), 0x416, "uni0416"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.file + " " + std::to_string(row.code));
        glyph::FontFaces faces;
        faces.Select(glyph::FontSource::File(row.file), glyph::FontSpec{"", 12.0F, false, false});
        EXPECT_EQ(glyph::GlyphName(faces, row.code), row.name);
    }
}

} // namespace
