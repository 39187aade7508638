// --report against the linker's figures: each C format's font is compiled as a user compiles it
// and `size` (binutils) measures the object; text + data is what it adds to flash. A file read
// at run time counts its size.
#include "tests/c_headers.h"
#include "tests/cli_test_support.h"
#include "tests/command_support.h"
#include "tests/font_files.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#if !defined(RASTOVA_C_COMPILER) || !defined(RASTOVA_SIZE)
#error "RASTOVA_C_COMPILER and RASTOVA_SIZE name the compiler and binutils' size"
#endif

namespace {

using clitest::RunCli;
using clitest::TempDir;
using commands::Shell;

// The block --report printed: each label's number, and the block's own text.
struct Report {
    std::string text;
    std::map<std::string, long long> numbers;
    std::vector<std::string> parts; // the byte counts' labels, in order, without the total
};

Report ReadReport(const std::string& err) {
    Report report;
    const std::size_t start = err.find("rastova-convert: --report: ");
    if (start == std::string::npos) {
        return report;
    }
    report.text = err.substr(start);
    std::istringstream lines(report.text);
    std::string line;
    std::getline(lines, line);
    static const std::regex kLine(R"(  ([a-z ]+?) +(-?[0-9]+)( bytes.*)?)");
    while (std::getline(lines, line)) {
        std::smatch match;
        if (!std::regex_match(line, match, kLine)) {
            break;
        }
        report.numbers[match[1]] = std::stoll(match[2]);
        if (match[1] != "glyphs" && match[1] != "total") {
            report.parts.push_back(match[1]);
        }
    }
    return report;
}

// The parts add up to the total, none is negative or beyond it, and the block has every line.
void CheckParts(const Report& report, long long glyphs, const std::string& what) {
    ASSERT_FALSE(report.text.empty()) << what << ": no --report block";
    EXPECT_EQ(report.numbers.count("total"), 1U) << what << "\n" << report.text;
    EXPECT_EQ(report.numbers.at("glyphs"), glyphs) << what << "\n" << report.text;
    long long sum = 0;
    for (const char* label : {"bitmaps", "glyph descriptors", "character maps", "font header"}) {
        EXPECT_EQ(report.numbers.count(label), 1U) << what << ": no " << label;
    }
    for (const std::string& part : report.parts) {
        const long long bytes = report.numbers.at(part);
        EXPECT_GE(bytes, 0) << what << ": " << part;
        EXPECT_LE(bytes, report.numbers.at("total")) << what << ": " << part;
        sum += bytes;
    }
    EXPECT_EQ(sum, report.numbers.at("total")) << what << "\n" << report.text;
    EXPECT_GT(report.numbers.at("bitmaps"), 0) << what;
}

// text + data of `size` in its Berkeley layout; -1 when it gives none.
long long FlashOf(const std::string& object) {
    const commands::Command run = Shell(std::string(RASTOVA_SIZE) + " -B " + object);
    std::istringstream lines(run.output);
    std::string header;
    long long text = -1;
    long long data = -1;
    std::getline(lines, header);
    if (run.status != 0 || !(lines >> text >> data)) {
        return -1;
    }
    return text + data;
}

TEST(FlashReport, MatchesSizeOfTheCompiledFontForEveryCFormat) {
    struct Row {
        const char* what;
        std::vector<std::string> options;
        const char* defines;
        long long glyphs;
    };
    const char* const lvgl9 = "-DLVGL_VERSION_MAJOR=9 -DLVGL_VERSION_MINOR=2";
    const char* const lvgl8 = "-DLVGL_VERSION_MAJOR=8 -DLVGL_VERSION_MINOR=3";
    const std::string lvgl9Compressed = std::string(lvgl9) + " -DLV_USE_FONT_COMPRESSED=1";
    const std::string lvgl9Large = std::string(lvgl9) + " -DLV_FONT_FMT_TXT_LARGE=1";
    const std::string lvgl8Compressed = std::string(lvgl8) + " -DLV_USE_FONT_COMPRESSED=1";
    const std::vector<std::string> cyrillic = {"--set", "ascii", "--range", "0x401,0x410-0x44F"};
    const auto with = [](std::vector<std::string> base, std::vector<std::string> more) {
        base.insert(base.end(), more.begin(), more.end());
        return base;
    };
    const Row rows[] = {
        {"table --c-array", {"--set", "ascii", "--c-array", "t16"}, "", 95},
        {"gfx", {"--set", "ascii", "--format", "gfx"}, "", 95},
        {"gfx, a big set", {"--set", "cp1251", "--encoding", "cp1251", "--format", "gfx"}, "", 222},
        {"lvgl 9", {"--set", "ascii", "--format", "lvgl"}, lvgl9, 95},
        {"lvgl 9, 2 bpp", {"--set", "ascii", "--format", "lvgl", "--bpp", "2"}, lvgl9, 95},
        {"lvgl 9, 3 bpp compressed",
         {"--set", "ascii", "--format", "lvgl", "--bpp", "3", "--compress"},
         lvgl9Compressed.c_str(),
         95},
        {"lvgl 9, 4 bpp", {"--set", "ascii", "--format", "lvgl", "--bpp", "4"}, lvgl9, 95},
        {"lvgl 9, 8 bpp", {"--set", "ascii", "--format", "lvgl", "--bpp", "8"}, lvgl9, 95},
        {"lvgl 9, 4 bpp compressed",
         {"--set", "ascii", "--format", "lvgl", "--bpp", "4", "--compress"},
         lvgl9Compressed.c_str(),
         95},
        {"lvgl 9, 4 bpp compressed, Cyrillic sharing Latin lookalikes' code",
         with(cyrillic, {"--format", "lvgl", "--bpp", "4", "--compress"}), lvgl9Compressed.c_str(),
         160},
        {"lvgl 9, sparse maps, no kerning",
         with(cyrillic, {"--range", "0x2116,0x20AC", "--format", "lvgl", "--no-kerning"}), lvgl9,
         162},
        {"lvgl 9, kerning by classes", {"--format", "lvgl", "AVTYWLPFavwyer.,-"}, lvgl9, 17},
        {"lvgl 9, large descriptors",
         {"--format", "lvgl", "--size", "300px", "WM"},
         lvgl9Large.c_str(),
         2},
        {"lvgl 8", with(cyrillic, {"--format", "lvgl", "--lvgl-version", "8"}), lvgl8, 160},
        {"lvgl 8, 8 bpp compressed",
         {"--set", "ascii", "--format", "lvgl", "--lvgl-version", "8", "--bpp", "8", "--compress"},
         lvgl8Compressed.c_str(),
         95},
        {"u8g2", {"--set", "ascii", "--format", "u8g2"}, "", 95},
        {"u8g2 above 0xFF", with(cyrillic, {"--format", "u8g2"}), "", 160},
        {"xbm", {"--set", "ascii", "--format", "xbm"}, "", 95},
        {"ssd1306", {"--set", "ascii", "--format", "ssd1306"}, "", 95},
        {"raw", {"--set", "ascii", "--format", "raw"}, "", 95},
        {"raw, pages from --first",
         {"--range", "0x30-0x39,0x41-0x5A", "--format", "raw", "--scan", "columns", "--first",
          "0x30"},
         "",
         36},
        {"vlw --c-array", {"--set", "ascii", "--format", "vlw", "--c-array", "v16"}, "", 95},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const TempDir dir;
        dir.File("lvgl.h", cheaders::kLvglHeader);
        dir.File("Adafruit_GFX.h", cheaders::kAdafruitGfx);
        std::vector<std::string> args = {"--font-file", testfonts::DejaVuSans(), "--size",  "16px",
                                         "-o",          dir.Path("font.c"),      "--report"};
        args.insert(args.end(), row.options.begin(), row.options.end());
        const clitest::Result run = RunCli(args);
        ASSERT_EQ(run.code, 0) << run.err;
        const Report report = ReadReport(run.err);
        CheckParts(report, row.glyphs, row.what);
        if (report.numbers.count("total") == 0) {
            continue;
        }
        // As C, where a const object at file scope is kept whether used or not.
        const commands::Command compiled =
            Shell(std::string(RASTOVA_C_COMPILER) + " -x c -std=c11 -c -Os -Wall -Werror " +
                  "-DLV_LVGL_H_INCLUDE_SIMPLE " + row.defines + " -I" + dir.Path() + " " +
                  dir.Path("font.c") + " -o " + dir.Path("font.o"));
        ASSERT_EQ(compiled.status, 0) << compiled.output;
        const long long flash = FlashOf(dir.Path("font.o"));
        ASSERT_GT(flash, 0);
        const long long total = report.numbers.at("total");
        EXPECT_LE(std::llabs(total - flash) * 50, flash)
            << "--report says " << total << " bytes, size says text + data = " << flash << "\n"
            << report.text;
        EXPECT_NE(report.text.find("bytes of flash"), std::string::npos) << report.text;
    }
}

TEST(FlashReport, FileFormatsCountTheFileSize) {
    struct Row {
        const char* what;
        std::vector<std::string> options;
    };
    const Row rows[] = {
        {"bdf", {"--format", "bdf"}},
        {"bdf with CR LF", {"--format", "bdf", "--eol", "crlf"}},
        {"vlw", {"--format", "vlw"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const TempDir dir;
        const std::string file = dir.Path("font");
        std::vector<std::string> args = {
            "--font-file", testfonts::DejaVuSans(), "--size", "16px", "--set", "ascii", "-o", file,
            "--report"};
        args.insert(args.end(), row.options.begin(), row.options.end());
        const clitest::Result run = RunCli(args);
        ASSERT_EQ(run.code, 0) << run.err;
        const Report report = ReadReport(run.err);
        CheckParts(report, 95, row.what);
        ASSERT_EQ(report.numbers.count("total"), 1U);
        EXPECT_EQ(report.numbers.at("total"),
                  static_cast<long long>(std::filesystem::file_size(file)))
            << report.text;
        EXPECT_NE(report.text.find("the file's size"), std::string::npos) << report.text;
    }
}

// A build checks its budget before it links: the dry run prints the block the run prints, and
// writes nothing.
TEST(FlashReport, DryRunPrintsTheSameBlockAndWritesNothing) {
    const std::vector<std::string> formats[] = {
        {"--format", "lvgl", "--bpp", "4", "--compress"},
        {"--format", "u8g2"},
        {"--format", "bdf"},
    };
    for (const std::vector<std::string>& format : formats) {
        SCOPED_TRACE(format[1]);
        const TempDir dir;
        std::vector<std::string> args = {
            "--font-file", testfonts::DejaVuSans(), "--size",  "16px", "--set", "ascii",
            "-o",          dir.Path("font.c"),      "--report"};
        args.insert(args.end(), format.begin(), format.end());
        std::vector<std::string> dry = args;
        dry.push_back("--dry-run");
        const clitest::Result planned = RunCli(dry);
        ASSERT_EQ(planned.code, 0) << planned.err;
        EXPECT_TRUE(dir.Entries().empty());
        const clitest::Result made = RunCli(args);
        ASSERT_EQ(made.code, 0) << made.err;
        const Report before = ReadReport(planned.err);
        ASSERT_FALSE(before.text.empty()) << planned.err;
        EXPECT_EQ(before.text, ReadReport(made.err).text);
        // Without --report, no block.
        args.erase(args.begin() + 8);
        EXPECT_EQ(RunCli(args).err.find("--report"), std::string::npos);
    }
}

} // namespace
