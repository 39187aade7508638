// The --c-array output compiles with the system C compiler, and a program linked with it reads
// back exactly the bytes of the rows.
#include "tests/cli_test_support.h"
#include "tests/command_support.h"
#include "tests/font_files.h"
#include "tests/table_rows.h"

#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#if !defined(RASTOVA_C_COMPILER) || !defined(RASTOVA_CXX_COMPILER)
#error "RASTOVA_C_COMPILER and RASTOVA_CXX_COMPILER name the compilers found at configure time"
#endif

namespace {

using clitest::RunCli;
using clitest::TempDir;
using commands::Command;
using commands::Shell;

std::string Hex(const std::vector<std::uint8_t>& bytes) {
    std::string text;
    char item[3];
    for (std::uint8_t byte : bytes) {
        std::snprintf(item, sizeof item, "%02X", byte);
        text += item;
    }
    return text;
}

constexpr const char* kReader = R"(#include <stdio.h>
#include <stdlib.h>
extern const unsigned char rastova_font[];
int main(int argc, char **argv) {
    long count = argc > 1 ? strtol(argv[1], NULL, 10) : 0;
    for (long i = 0; i < count; ++i) {
        printf("%02X", rastova_font[i]);
    }
    return 0;
}
)";

// Includes the definition, so sizeof tells the array's length.
constexpr const char* kSizer = R"(#include <stdio.h>
#include "font.c"
int main(void) {
    printf("%lu", (unsigned long)sizeof rastova_font);
    return 0;
}
)";

TEST(CArray, CompilesAndHoldsExactlyTheRowBytes) {
    struct Row {
        std::vector<std::string> options;
    };
    const Row rows[] = {
        {{"--font-file", testfonts::DejaVuSans(), "--size", "16px", "--set", "ascii"}},
        {{"--font", "DejaVu Serif", "--italic", "--set", "cp1251", "--eol", "crlf"}},
        {{"--font", "DejaVu Sans Mono", "--size", "4", "--range", "0x41"}},
    };
    const std::string cc = RASTOVA_C_COMPILER;
    const std::string flags = " -std=c99 -Wall -Wextra -pedantic -Werror ";
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::PrintToString(row.options));
        const TempDir dir;
        const std::string source = dir.Path("font.c");
        std::vector<std::string> args = row.options;
        args.insert(args.end(), {"--c-array", "rastova_font", "-o", source});
        const clitest::Result generated = RunCli(args);
        ASSERT_EQ(generated.code, 0) << generated.err;

        // The bytes the plain tables' patterns draw, glyph after glyph.
        const clitest::Result text = RunCli(row.options);
        ASSERT_EQ(text.code, 0);
        std::vector<std::uint8_t> expected;
        for (const tablerows::Row& tableRow : tablerows::Parse(text.out)) {
            const std::vector<std::uint8_t> bytes = tablerows::BytesOf(tableRow.pattern);
            expected.insert(expected.end(), bytes.begin(), bytes.end());
        }
        ASSERT_FALSE(expected.empty());

        dir.File("reader.c", kReader);
        dir.File("sizer.c", kSizer);
        const Command object = Shell(cc + flags + "-c " + source + " -o " + dir.Path("font.o"));
        ASSERT_EQ(object.status, 0) << object.output;
        const Command reader = Shell(cc + flags + dir.Path("reader.c") + " " + dir.Path("font.o") +
                                     " -o " + dir.Path("reader"));
        ASSERT_EQ(reader.status, 0) << reader.output;
        const Command sizer = Shell(cc + flags + dir.Path("sizer.c") + " -o " + dir.Path("sizer"));
        ASSERT_EQ(sizer.status, 0) << sizer.output;

        EXPECT_EQ(Shell(dir.Path("sizer")).output, std::to_string(expected.size()));
        EXPECT_EQ(Shell(dir.Path("reader") + " " + std::to_string(expected.size())).output,
                  Hex(expected));
    }
}

// Compiles `source` as C11 and as C++17, strictly; the compilers' complaints, or "".
std::string CompileAsCAndCxx(const std::string& source) {
    const std::string strict = " -pedantic -Wall -Wextra -Werror -c -o /dev/null ";
    const Command c = Shell(std::string(RASTOVA_C_COMPILER) + " -std=c11" + strict + source);
    const Command cxx =
        Shell(std::string(RASTOVA_CXX_COMPILER) + " -std=c++17 -x c++" + strict + source);
    return c.output + cxx.output + (c.status == 0 && cxx.status == 0 ? "" : "(failed)");
}

TEST(CArray, RefusesReservedNamesAndEveryNameItTakesCompiles) {
    struct Row {
        const char* name;
        bool taken;
    };
    const Row rows[] = {
        {"font", true},     {"Font_8x16", true}, {"f_g", true},      {"x", true},
        {"typeof", false},  {"_Bool", false},    {"nullptr", false}, // C keywords
        {"class", false},   {"new", false},      {"and", false},     // C++ keywords
        {"char8_t", false}, {"requires", false}, {"asm", false},     //
        {"__font", false},  {"_Font", false},    {"_font", false},   // reserved
        {"font__8", false}, {"main", false},                         // C++ reserves, forbids
    };
    const TempDir dir;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string source = dir.Path(std::string(row.name) + ".c");
        const clitest::Result result =
            RunCli({"--size", "4", "--range", "0x41", "--c-array", row.name, "-o", source});
        if (!row.taken) {
            EXPECT_EQ(result.code, 2);
            continue;
        }
        ASSERT_EQ(result.code, 0) << result.err;
        EXPECT_EQ(CompileAsCAndCxx(source), "");
    }
}

TEST(CArray, NamesFromTheFontStayInTheirComment) {
    const TempDir dir;
    const std::string font = dir.Path("odd\nint broken = ;\n.ttf");
    std::filesystem::copy_file(testfonts::DejaVuSans(), font);
    const std::string source = dir.Path("font.c");
    const clitest::Result result =
        RunCli({"--font-file", font, "--size", "4", "A", "--c-array", "font", "-o", source});
    ASSERT_EQ(result.code, 0) << result.err;
    EXPECT_EQ(CompileAsCAndCxx(source), "");
}

TEST(CArray, CommentStatesTheLayout) {
    const clitest::Result result = RunCli({"--font-file", testfonts::DejaVuSans(), "--size", "12",
                                           "--range", "0x41-0x43", "--c-array", "font"});
    ASSERT_EQ(result.code, 0);
    for (const char* fact :
         {"// Font: DejaVu Sans Book (DejaVuSans.ttf)", "// Size: 12 pt, drawn 16 px high (96 dpi)",
          "// Scan rectangle: columns 0..24, rows 0..21",
          "// 3 glyphs in the order named below, 66 bytes each: 22 rows of 3 bytes",
          "item k of a row holds columns 8k+1 to 8k+8, the\n// leftmost in bit 0",
          "const unsigned char font[] = {\n// 'A' U+0041\n// DejaVu Sans (24 pixels wide)\n",
          "\n\n// 'B' U+0042\n", "\n};\n"}) {
        EXPECT_NE(result.out.find(fact), std::string::npos) << fact;
    }
}

} // namespace
