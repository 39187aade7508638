// Text a font supplies (names, copyright, licence, the file's own name) is untrusted input:
// whatever it holds, every C output compiles cleanly as C99, C11, C17 and C++, its comment lines
// stay short enough for XBM readers, a BDF file stays printable ASCII, and no name adds a line
// to a table.
#include "glyph/utf8.h"
#include "tests/c_headers.h"
#include "tests/cli_test_support.h"
#include "tests/command_support.h"
#include "tests/hostile_font.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_BDF_H
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

#if !defined(RASTOVA_C_COMPILER) || !defined(RASTOVA_CXX_COMPILER)
#error "RASTOVA_C_COMPILER and RASTOVA_CXX_COMPILER name the compilers found at configure time"
#endif

namespace {

using clitest::RunCli;
using clitest::TempDir;
using hostilefont::U16;

struct HostileFont {
    const char* what;
    std::string fileName;
    hostilefont::Names names;
};

std::vector<HostileFont> HostileFonts() {
    std::u16string lone = u"Licence \u2066isolate ";
    lone += static_cast<char16_t>(0xD800); // a high surrogate with no low one
    lone += u" end ??/";
    return {
        {"newline and code, comment ends, trigraphs at the end, bidi, bad UTF-8 and UTF-16",
         "evil\n0x41, 0x42, *\xff\xfe ??-.ttf",
         {U16("Evil */ 0x41, /* ??/"), U16("Copyright\n0x41, 0x42, */ int injected; \u202E ??/"),
          lone}},
        {"very long",
         "long.ttf",
         {std::u16string(300, u'W'), U16([] {
              std::string text;
              for (int i = 0; i < 600; ++i) {
                  text += "(c) word ";
              }
              return text + "??/";
          }()),
          std::u16string(700, u'L') + u"\\"}},
    };
}

// The whole text is UTF-8 and every line is shorter than 250 bytes, as X11's XBM reader needs
// (a BDF's properties as long as its readers take, 1000); "" or what is wrong.
std::string CheckLines(const std::string& text, bool bdf) {
    if (!glyph::DecodeUtf8(text)) {
        return "not UTF-8";
    }
    std::istringstream lines(text);
    std::string line;
    for (int number = 1; std::getline(lines, line); ++number) {
        const bool comment = !bdf || line.starts_with("COMMENT");
        if (line.size() > (comment ? 249U : 1000U)) {
            return "line " + std::to_string(number) + " has " + std::to_string(line.size()) +
                   " bytes";
        }
    }
    return "";
}

// The BDF's properties and comments are printable ASCII and FreeType reads the file.
std::string CheckBdf(const std::string& path, const std::string& text) {
    for (const char c : text) {
        if (c != '\n' && (c < 0x20 || c > 0x7E)) {
            return "a byte that is not printable ASCII";
        }
    }
    FT_Library library = nullptr;
    FT_Init_FreeType(&library);
    FT_Face face = nullptr;
    std::string problem;
    if (FT_New_Face(library, path.c_str(), 0, &face) != 0) {
        problem = "FreeType cannot read it";
    } else {
        BDF_PropertyRec copyright{};
        if (FT_Get_BDF_Property(face, "COPYRIGHT", &copyright) != 0) {
            problem = "no COPYRIGHT";
        }
        FT_Done_Face(face);
    }
    FT_Done_FreeType(library);
    return problem;
}

TEST(UntrustedText, EveryFormatCompilesWhateverTheFontSays) {
    struct Format {
        std::vector<std::string> args;
        std::string defines; // empty: not C
        bool singleByte;
    };
    const std::string lvgl = "-DLV_LVGL_H_INCLUDE_SIMPLE -DLVGL_VERSION_MAJOR=";
    const Format formats[] = {
        {{"--format", "table"}, " ", false},
        {{"--format", "gfx"}, " ", true},
        {{"--format", "lvgl"}, lvgl + "9 -DLVGL_VERSION_MINOR=2", false},
        {{"--format", "lvgl", "--lvgl-version", "8"}, lvgl + "8 -DLVGL_VERSION_MINOR=3", false},
        {{"--format", "u8g2"}, " ", false},
        {{"--format", "xbm"}, " ", false},
        {{"--format", "ssd1306"}, " ", true},
        {{"--format", "raw"}, " ", false},
        {{"--format", "bdf"}, "", false},
    };
    const std::string compilers[] = {
        std::string(RASTOVA_C_COMPILER) + " -x c -std=c99",
        std::string(RASTOVA_C_COMPILER) + " -x c -std=c11",
        std::string(RASTOVA_C_COMPILER) + " -x c -std=c17",
        std::string(RASTOVA_CXX_COMPILER) + " -x c++ -std=c++20",
    };
    const TempDir dir;
    dir.File("Adafruit_GFX.h", cheaders::kAdafruitGfx);
    dir.File("lvgl.h", cheaders::kLvglHeader);
    for (const HostileFont& font : HostileFonts()) {
        const std::string fontFile = dir.Path(font.fileName);
        hostilefont::Write(fontFile, font.names);
        for (const Format& format : formats) {
            SCOPED_TRACE(std::string(font.what) + ", " + testing::PrintToString(format.args));
            const std::string output = dir.Path("font.out");
            std::vector<std::string> args = format.args;
            // A soft hyphen and a right-to-left override, asked for, are named in comments too.
            args.insert(args.end(),
                        {"--font-file", fontFile, "--size", "12px", "--c-array", "font", "--range",
                         format.singleByte ? "0xAD" : "0xAD,0x202E", "-o", output, "A"});
            const clitest::Result run = RunCli(args);
            ASSERT_EQ(run.code, 0) << run.err;
            const std::string text = testfiles::ReadFile(output);
            EXPECT_EQ(CheckLines(text, format.defines.empty()), "");
            if (format.defines.empty()) {
                EXPECT_EQ(CheckBdf(output, text), "");
                continue;
            }
            for (const std::string& compiler : compilers) {
                const commands::Command compiled =
                    commands::Shell(compiler + " -Wall -Wextra -Werror " + format.defines + " -I" +
                                    dir.Path() + " -c -o /dev/null " + output);
                EXPECT_EQ(compiled.status, 0) << compiler << ":\n" << compiled.output;
            }
        }
    }
}

} // namespace
