// What a run costs and what it does with glyphs FreeType cannot draw: the output limit, tables
// written as they are made, and FreeType's failures named in words.
#include "formats/table_writer.h"
#include "glyph/font_faces.h"
#include "glyph/strike.h"
#include "tests/cli_test_support.h"
#include "tests/font_files.h"

#include <algorithm>
#include <cstdint>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using clitest::Result;
using clitest::RunCli;

TEST(RunLimits, OutputLargerThanTheLimitIsRefusedBeforeAnyIsWritten) {
    const clitest::TempDir dir;
    const std::string earlier = dir.Path("out.txt");
    struct Row {
        std::vector<std::string> args;
        bool refused;
    };
    const Row rows[] = {
        {{"--size", "20000", "A"}, true}, // about 1.9 GB of table for one glyph
        {{"--set", "ascii", "--max-output", "16K"}, true},
        {{"--set", "ascii", "--max-output", "1M"}, false},
        {{"--size", "20000", "--max-output", "nine", "A"}, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::PrintToString(row.args));
        dir.File("out.txt", "earlier\n");
        std::vector<std::string> args = row.args;
        args.insert(args.end(), {"--font-file", testfonts::DejaVuSans(), "-o", earlier});
        const Result result = RunCli(args);
        EXPECT_EQ(result.code, row.refused ? 2 : 0) << result.err;
        if (row.refused) {
            EXPECT_TRUE(clitest::ReadFile(earlier) == "earlier\n") << "the file is untouched";
            EXPECT_NE(result.err.find("--max-output"), std::string::npos) << result.err;
            EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1);
        }
    }
    EXPECT_EQ(dir.Entries().size(), 1U) << "no temporary file left";
}

// The limit holds for every format: a run is refused whenever its output would be larger than
// the limit, so no estimate falls short of what is written.
TEST(RunLimits, NoOutputExceedsTheLimit) {
    const std::vector<std::vector<std::string>> runs = {
        {"--set", "ascii"},
        {"--set", "cp1251", "--c-array", "font", "--eol", "crlf", "--italic"},
        {"--size", "72", "--range", "0x40-0x5A"},
        {"--set", "ascii", "--size", "40px", "--format", "bdf"},
        {"--set", "ascii", "--size", "40px", "--format", "gfx"},
        {"--set", "cp1251", "--size", "40px", "--format", "lvgl"},
        {"--set", "cp1251", "--size", "30px", "--format", "u8g2"},
        {"--set", "ascii", "--size", "40px", "--format", "xbm"},
        // A forced cell larger than the face's: the estimate must follow the cell.
        {"--set", "ascii", "--size", "12px", "--format", "xbm", "--cell", "40x40"},
        {"--set", "ascii", "--size", "12px", "--format", "raw", "--cell", "64x48"},
        {"--set", "ascii", "--size", "40px", "--format", "ssd1306"},
        {"--set", "ascii", "--size", "40px", "--format", "raw", "--first", "0"},
    };
    for (const auto& run : runs) {
        SCOPED_TRACE(testing::PrintToString(run));
        std::vector<std::string> args = run;
        args.insert(args.end(), {"--font-file", testfonts::DejaVuSans()});
        const Result whole = RunCli(args);
        ASSERT_EQ(whole.code, 0) << whole.err;
        args.insert(args.end(), {"--max-output", std::to_string(whole.out.size() - 1)});
        EXPECT_EQ(RunCli(args).code, 2) << "a limit one byte short lets it through";
    }
}

// Records the largest piece of text written at once.
class ChunkSink : public formats::Sink {
public:
    void Write(std::string_view text) override {
        largest = std::max(largest, text.size());
        total += text.size();
    }
    std::size_t largest = 0;
    std::size_t total = 0;
};

TEST(RunLimits, TablesGoOutAsTheyAreMadeNotWhole) {
    glyph::FontFaces faces;
    faces.Select(glyph::FontSource::File(testfonts::DejaVuSans()), {"DejaVu Sans", 400});
    formats::FormatOptions options;
    options.bounds.UpdateScanSize(400, false);
    const auto writer = formats::MakeTableWriter(options);
    ChunkSink sink;
    writer->Begin(glyph::FactsOf(faces), 1, sink);
    writer->Add(glyph::DrawGlyph(faces, U'W'));
    writer->Finish();
    EXPECT_GT(sink.total, 700000U) << "a table of about 0.75 MB";
    EXPECT_LT(sink.largest, 100000U) << "written in pieces, not held whole";
}

// A copy of DejaVu Sans whose 'A' has a broken outline: its first contour ends at point 65535.
std::string BrokenFont(const clitest::TempDir& dir) {
    std::string font = clitest::ReadFile(testfonts::DejaVuSans());
    const auto u16 = [&](std::size_t at) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(font[at]) << 8 |
                                          static_cast<unsigned char>(font[at + 1]));
    };
    const auto u32 = [&](std::size_t at) {
        return u16(at) << 16 | u16(at + 2);
    };
    std::size_t head = 0, loca = 0, glyf = 0;
    for (std::uint32_t i = 0; i < u16(4); ++i) {
        const std::size_t entry = 12 + 16 * i;
        const std::string tag = font.substr(entry, 4);
        if (tag == "head") {
            head = u32(entry + 8);
        } else if (tag == "loca") {
            loca = u32(entry + 8);
        } else if (tag == "glyf") {
            glyf = u32(entry + 8);
        }
    }
    const std::uint32_t index = 36; // 'A' in DejaVu Sans
    const bool longOffsets = u16(head + 50) != 0;
    const std::size_t glyph =
        glyf + (longOffsets ? u32(loca + 4 * index) : u16(loca + 2 * index) * 2);
    font[glyph + 10] = '\xFF';
    font[glyph + 11] = '\xFF';
    return dir.File("broken.ttf", font);
}

TEST(RunLimits, FreeTypeFailuresNameTheCharacterInWordsAndTheRunGoesOn) {
    const clitest::TempDir dir;
    const std::string font = BrokenFont(dir);
    const Result result = RunCli({"--font-file", font, "AB"});
    EXPECT_EQ(result.code, 0);
    EXPECT_EQ(result.err, "rastova-convert: 'A' U+0041: FreeType could not load it: invalid "
                          "outline\n");
    EXPECT_NE(result.out.find("// 'B' U+0042"), std::string::npos);
    EXPECT_NE(result.out.substr(result.out.find("// 'B'")).find('#'), std::string::npos)
        << "B is drawn";
    EXPECT_EQ(RunCli({"--font-file", font, "AB", "--strict"}).code, 1);
}

} // namespace
