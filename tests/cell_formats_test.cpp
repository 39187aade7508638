// The fixed-cell formats (xbm, ssd1306, raw): each output compiles as C and C++ with -Werror,
// decoders written here from each format's description read it back, pixel for pixel the strike
// placed in its cell, and Qt's XBM reader opens every xbm glyph alone. Then the cell's edge
// cases and the values a format cannot hold.
#include "formats/cell.h"
#include "formats/format_registry.h"
#include "glyph/utf8.h"
#include "tests/cli_test_support.h"
#include "tests/command_support.h"
#include "tests/font_files.h"
#include "tests/string_sink.h"

#include <QImage>
#include <climits>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <regex>
#include <sstream>

namespace {

using clitest::RunCli;
using clitest::TempDir;

glyph::Strike DrawSet(const std::string& file, std::u32string_view text) {
    glyph::FontFaces faces;
    faces.Select(glyph::FontSource::File(file), {"", 12, false, false}); // 16 px
    return glyph::DrawStrike(faces, text);
}

// The cell the rule asks for, worked out here: the widest advance, moved right by the largest left
// overhang, widened for ink right of the advance; ascent + descent (or the ink rows alone),
// grown for ink above or below.
formats::Cell ExpectedCell(const glyph::Strike& strike, bool inkHeight) {
    int overhang = 0;
    int right = 0;
    int above = inkHeight ? INT_MIN : strike.facts.metrics.ascent;
    int below = inkHeight ? INT_MIN : strike.facts.metrics.descent;
    for (const glyph::StrikeGlyph& g : strike.glyphs) {
        right = std::max(right, g.advance);
        if (!g.ink.empty()) {
            overhang = std::max(overhang, -g.left);
            right = std::max(right, g.left + g.ink.width());
            above = std::max(above, g.top);
            below = std::max(below, g.ink.height() - g.top);
        }
    }
    return {overhang + right, above + below, overhang, above};
}

bool InkInCell(const glyph::StrikeGlyph& g, const formats::Cell& cell, int x, int y) {
    return g.InkAt(x - cell.originX, y - cell.baselineRow);
}

enum class Layout { RowsLsb, RowsMsb, PagesLsb, PagesMsb, Ssd1306Columns };

// Cell pixel (x, y) as each format places it; bytes past the end are paper.
glyph::Bitmap Decode(Layout layout, const std::vector<int>& bytes, int w, int h) {
    glyph::Bitmap bits(w, h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const bool rows = layout == Layout::RowsLsb || layout == Layout::RowsMsb;
            const bool pages = layout == Layout::PagesLsb || layout == Layout::PagesMsb;
            const int index = rows    ? y * ((w + 7) / 8) + x / 8
                              : pages ? y / 8 * w + x
                                      : x * ((h + 7) / 8) + y / 8; // ssd1306: down each column
            const int n = rows ? x % 8 : y % 8;
            const int bit = layout == Layout::RowsMsb || layout == Layout::PagesMsb ? 7 - n : n;
            bits.Set(x, y, index < static_cast<int>(bytes.size()) && (bytes[index] >> bit & 1));
        }
    }
    return bits;
}

// The hex items of C text, comments dropped.
std::vector<int> HexItems(const std::string& text) {
    const std::string code = std::regex_replace(text, std::regex("//[^\n]*"), "");
    static const std::regex hex("0x([0-9A-Fa-f]+)");
    std::vector<int> items;
    for (std::sregex_iterator it(code.begin(), code.end(), hex), end; it != end; ++it) {
        items.push_back(std::stoi((*it)[1], nullptr, 16));
    }
    return items;
}

int Define(const std::string& text, const std::string& name) {
    std::smatch m;
    EXPECT_TRUE(std::regex_search(text, m, std::regex("#define " + name + " (\\d+)"))) << name;
    return m.empty() ? -1 : std::stoi(m[1]);
}

// What a file holds: its cell and each glyph by the code the file gives it.
struct Decoded {
    formats::Cell cell;
    std::map<long, glyph::Bitmap> glyphs;
};

Decoded ReadXbm(const std::string& text) {
    Decoded file{{Define(text, "f_WIDTH"), Define(text, "f_HEIGHT"), Define(text, "f_ORIGIN_X"),
                  Define(text, "f_BASELINE")},
                 {}};
    const std::regex image(R"(#define f_([0-9A-F]+)_width (\d+)\n#define f_\1_height (\d+)\n)"
                           R"(static unsigned char f_\1_bits\[\] = \{([^}]*)\};)");
    for (std::sregex_iterator it(text.begin(), text.end(), image), end; it != end; ++it) {
        const int w = std::stoi((*it)[2]);
        const int h = std::stoi((*it)[3]);
        EXPECT_EQ(HexItems((*it)[4]).size(), static_cast<std::size_t>((w + 7) / 8 * h));
        file.glyphs[std::stol((*it)[1], nullptr, 16)] =
            Decode(Layout::RowsLsb, HexItems((*it)[4]), w, h);
    }
    return file;
}

// Record i stands for code first + i, or without --first for the i'th character.
Decoded ReadRaw(const std::string& text, Layout layout, long first, const glyph::Strike& strike) {
    Decoded file{{Define(text, "f_WIDTH"), Define(text, "f_HEIGHT"), Define(text, "f_ORIGIN_X"),
                  Define(text, "f_BASELINE")},
                 {}};
    const std::string array = text.substr(text.find("] = {") + 5);
    static const std::regex record(R"(\{([^{}]*)\})");
    long i = 0;
    for (std::sregex_iterator it(array.begin(), array.end(), record), end; it != end; ++it, ++i) {
        const std::vector<int> bytes = HexItems((*it)[1]);
        EXPECT_TRUE(bytes.empty() ||
                    bytes.size() == static_cast<std::size_t>(Define(text, "f_BYTES")));
        file.glyphs[first >= 0 ? first + i : static_cast<long>(strike.glyphs.at(i).code)] =
            Decode(layout, bytes, file.cell.width, file.cell.height);
    }
    return file;
}

// Header, jump table and glyph data as the ESP OLED library's drawing code reads them.
Decoded ReadSsd1306(const std::string& text) {
    const std::vector<int> n = HexItems(text.substr(text.find("PROGMEM = {")));
    Decoded file{{n[0], n[1], -1, -1}, {}};
    const int count = n[3];
    const int start = 4 + 4 * count;
    int used = 0;
    for (int i = 0; i < count; ++i) {
        const int offset = n[4 + 4 * i] << 8 | n[5 + 4 * i];
        const int size = n[6 + 4 * i];
        EXPECT_EQ(n[7 + 4 * i], file.cell.width) << "advance of code " << n[2] + i;
        const auto from = n.begin() + start + (offset == 0xFFFF ? 0 : offset);
        if (offset != 0xFFFF) {
            EXPECT_EQ(offset, used) << "code " << n[2] + i;
            EXPECT_GT(size, 0) << "code " << n[2] + i << ": 0 bytes draw a whole cell";
            EXPECT_NE(from[size - 1], 0) << "code " << n[2] + i << ": a trailing zero byte";
            used += size;
        }
        file.glyphs[n[2] + i] = Decode(Layout::Ssd1306Columns,
                                       std::vector<int>(from, from + (offset == 0xFFFF ? 0 : size)),
                                       file.cell.width, file.cell.height);
    }
    EXPECT_EQ(start + used, static_cast<int>(n.size())) << "bytes after the last glyph";
    return file;
}

// Every glyph of an XBM file, cut out alone, as Qt reads it.
// Reads XBM files with libX11's XReadBitmapFileData: per file, "W H" and the bytes in hex, or
// "status N".
constexpr const char* kX11Reader = R"(#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <stdio.h>
int main(int argc, char **argv) {
    int i;
    for (i = 1; i < argc; ++i) {
        unsigned width = 0, height = 0, k;
        unsigned char *data = NULL;
        int x, y;
        const int status = XReadBitmapFileData(argv[i], &width, &height, &data, &x, &y);
        if (status != BitmapSuccess) {
            printf("status %d\n", status);
            continue;
        }
        printf("%u %u", width, height);
        for (k = 0; k < (width + 7) / 8 * height; ++k) {
            printf(" %02X", data[k]);
        }
        printf("\n");
        XFree(data);
    }
    return 0;
}
)";

// The pixels of one line of kX11Reader's output, or an empty bitmap for a refusal.
glyph::Bitmap X11Bitmap(const std::string& line) {
    std::istringstream in(line);
    int width = 0;
    int height = 0;
    if (!(in >> width >> height)) {
        return {};
    }
    glyph::Bitmap bits(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; x += 8) {
            unsigned byte = 0;
            in >> std::hex >> byte;
            for (int bit = 0; bit < 8 && x + bit < width; ++bit) {
                if (byte >> bit & 1) {
                    bits.Set(x + bit, y);
                }
            }
        }
    }
    return bits;
}

// Each image cut out of the file, and the file whole (its first image), opens in Qt's and
// libX11's XBM readers with the pixels the decoder reads.
void ExpectXbmReadersReadEachImage(const std::string& text, const Decoded& file) {
    const TempDir dir;
    const commands::Command built =
        commands::Shell(std::string(RASTOVA_C_COMPILER) + " -o " + dir.Path("x11read") + " " +
                        dir.File("x11read.c", kX11Reader) + " -lX11");
    ASSERT_EQ(built.status, 0) << built.output;
    const std::regex image(R"(#define f_([0-9A-F]+)_width[^}]*\};)");
    std::vector<long> codes;
    std::string paths;
    for (std::sregex_iterator it(text.begin(), text.end(), image), end; it != end; ++it) {
        const std::string path =
            dir.File("g" + std::to_string(codes.size()) + ".xbm", (*it)[0].str() + "\n");
        paths += " '" + path + "'";
        codes.push_back(std::stol((*it)[1], nullptr, 16));
        const QImage qt(QString::fromStdString(path), "XBM");
        const glyph::Bitmap& bits = file.glyphs.at(codes.back());
        ASSERT_EQ(qt.size(), QSize(bits.width(), bits.height())) << (*it)[0];
        for (int y = 0; y < bits.height(); ++y) {
            for (int x = 0; x < bits.width(); ++x) {
                ASSERT_EQ(qGray(qt.pixel(x, y)) < 128, bits.At(x, y))
                    << (*it)[1] << " " << x << "," << y;
            }
        }
    }
    EXPECT_EQ(codes.size(), file.glyphs.size());
    ASSERT_FALSE(codes.empty());
    // The whole file last: libX11 reads its first image.
    codes.push_back(codes.front());
    std::istringstream lines(
        commands::Shell(dir.Path("x11read") + paths + " " + dir.File("all.xbm", text)).output);
    std::string line;
    for (const long code : codes) {
        ASSERT_TRUE(std::getline(lines, line));
        const glyph::Bitmap& bits = file.glyphs.at(code);
        EXPECT_TRUE(X11Bitmap(line) == bits) << glyph::CodeName(static_cast<char32_t>(code))
                                             << ": libX11 read " << line.substr(0, 40);
    }
}

TEST(CellFormats, DecodeToTheStrikeInItsCell) {
    struct Row {
        std::vector<std::string> args;
        const char* font;
        std::u32string text;
        Layout layout;
        std::vector<long> codes = {}; // the file's code of each character, when not Unicode
    };
    const Row rows[] = {
        {{"xbm"}, "DejaVu Sans", U"AjЖ gǗڸ", Layout::RowsLsb},
        {{"ssd1306"}, "DejaVu Sans", U" !AjÆÿ", Layout::Ssd1306Columns},
        {{"ssd1306", "--encoding", "cp1251"},
         "DejaVu Serif",
         U"ЖжЁA",
         Layout::Ssd1306Columns,
         {0xC6, 0xE6, 0xA8, 0x41}},
        {{"raw", "--first", "0x20"}, "DejaVu Sans Mono", U"$ 0j", Layout::RowsMsb},
        {{"raw", "--bit-order", "lsb", "--cell", "ink"},
         "DejaVu Sans:style=Oblique",
         U"fjЖ",
         Layout::RowsLsb},
        {{"raw", "--scan", "columns", "--bit-order", "lsb"},
         "DejaVu Sans",
         U"ЖǗڸ_",
         Layout::PagesLsb},
        {{"raw", "--scan", "columns"}, "DejaVu Sans:bold", U"Жg", Layout::PagesMsb},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::PrintToString(row.args));
        const std::string font = testfonts::FileFor(row.font);
        const glyph::Strike strike = DrawSet(font, row.text);
        const TempDir dir;
        std::vector<std::string> args = {"--format"};
        args.insert(args.end(), row.args.begin(), row.args.end());
        args.insert(args.end(), {"--font-file", font, "--size", "16px", "--c-array", "f", "-o",
                                 dir.Path("f.c"), glyph::EncodeUtf8(row.text)});
        const clitest::Result run = RunCli(args);
        ASSERT_EQ(run.code, 0) << run.err;
        for (const std::string compiler : {RASTOVA_C_COMPILER " -std=c99", RASTOVA_CXX_COMPILER}) {
            const commands::Command compiled =
                commands::Shell(compiler + " -Wall -Wextra -pedantic -Werror -c -x " +
                                (compiler == RASTOVA_CXX_COMPILER ? "c++" : "c") + " -o " +
                                dir.Path("f.o") + " " + dir.Path("f.c"));
            EXPECT_EQ(compiled.status, 0) << compiler << ":\n" << compiled.output;
        }

        const std::string text = testfiles::ReadFile(dir.Path("f.c"));
        const bool first = row.args.size() > 1 && row.args[1] == "--first";
        const Decoded file = row.args[0] == "xbm" ? ReadXbm(text)
                             : row.args[0] == "ssd1306"
                                 ? ReadSsd1306(text)
                                 : ReadRaw(text, row.layout, first ? 0x20 : -1, strike);
        if (row.args[0] == "xbm") {
            ExpectXbmReadersReadEachImage(text, file);
        }
        const formats::Cell cell = ExpectedCell(strike, row.args.back() == "ink");
        EXPECT_EQ(file.cell.width, cell.width);
        EXPECT_EQ(file.cell.height, cell.height);
        if (file.cell.originX >= 0) { // ssd1306 does not say
            EXPECT_EQ(file.cell.originX, cell.originX);
            EXPECT_EQ(file.cell.baselineRow, cell.baselineRow);
        }
        std::map<long, const glyph::StrikeGlyph*> byCode;
        for (std::size_t i = 0; i < strike.glyphs.size(); ++i) {
            byCode[row.codes.empty() ? long{strike.glyphs[i].code} : row.codes[i]] =
                &strike.glyphs[i];
        }
        for (const auto& [code, bits] : file.glyphs) {
            const glyph::StrikeGlyph* g = byCode.count(code) ? byCode[code] : nullptr;
            for (int y = 0; y < cell.height; ++y) {
                for (int x = 0; x < cell.width; ++x) {
                    ASSERT_EQ(bits.At(x, y), g && InkInCell(*g, cell, x, y))
                        << "code " << code << " at " << x << "," << y << (g ? "" : " (a gap)");
                }
            }
        }
        for (const auto& [code, g] : byCode) {
            EXPECT_TRUE(file.glyphs.count(code)) << glyph::CharacterName(g->code) << " missing";
        }
    }
}

TEST(CellFormats, CellEdgeCases) {
    const std::string sans = testfonts::DejaVuSans();
    const std::string oblique = testfonts::FileFor("DejaVu Sans:style=Oblique");
    using Strike = const glyph::Strike&;
    using Cell = const formats::Cell&;
    struct Row {
        const char* what;
        const std::string& file;
        std::u32string text;
        formats::CellRule rule;
        std::function<void(Strike, Cell)> check;
    };
    const formats::CellRule font;
    const formats::CellRule ink{formats::CellRule::Height::Ink};
    const Row rows[] = {
        {"'j' overhangs its pen: the set moves right", sans, U"Aj", font,
         [](Strike s, Cell cell) {
             ASSERT_LT(s.glyphs[1].left, 0);
             EXPECT_EQ(cell.originX, -s.glyphs[1].left);
             EXPECT_EQ(cell.width, cell.originX + s.MaxAdvance());
         }},
        {"italic ink right of the widest advance widens the cell", oblique, U"f", font,
         [](Strike s, Cell cell) {
             const glyph::StrikeGlyph& f = s.glyphs[0];
             ASSERT_GT(f.left + f.ink.width(), f.advance);
             EXPECT_EQ(cell.width, cell.originX + f.left + f.ink.width());
         }},
        {"ink past the ascent and the descent grows the cell", sans, U"AǗڸ", font,
         [](Strike s, Cell cell) {
             const glyph::StrikeGlyph& tall = s.glyphs[1];
             const int deep = s.glyphs[2].ink.height() - s.glyphs[2].top;
             ASSERT_GT(tall.top, s.facts.metrics.ascent);
             ASSERT_GT(deep, s.facts.metrics.descent);
             EXPECT_EQ(cell.baselineRow, tall.top);
             EXPECT_EQ(cell.height, tall.top + deep);
         }},
        {"a blank glyph gets the face's cell", sans, U" ", font,
         [](Strike s, Cell cell) {
             EXPECT_EQ(cell, (formats::Cell{s.glyphs[0].advance,
                                            s.facts.metrics.ascent + s.facts.metrics.descent, 0,
                                            s.facts.metrics.ascent}));
         }},
        {"an ink cell: the ink's rows", sans, U"xg", ink,
         [](Strike s, Cell cell) {
             EXPECT_EQ(cell.height, s.InkBounds().height);
             EXPECT_EQ(cell.baselineRow, -s.InkBounds().y);
         }},
        {"a forced cell smaller than the ink cuts it",
         sans,
         U"Ж",
         {font.height, 6, 8},
         [](Strike s, Cell cell) {
             EXPECT_EQ(cell.Frame(), (glyph::PixelBox{0, -8, 6, 8}));
             EXPECT_FALSE(glyph::CheckClipping(s.glyphs[0], cell.Frame(), false).Clean());
         }},
        {"a forced cell keeps the face's origin",
         sans,
         U"jA",
         {font.height, 30, 40},
         [](Strike s, Cell cell) {
             EXPECT_EQ(cell.originX, -s.glyphs[0].left);
             EXPECT_EQ(cell.baselineRow, s.facts.metrics.ascent);
         }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const glyph::Strike strike = DrawSet(row.file, row.text);
        const formats::Cell cell = formats::MakeCell(strike, row.rule);
        row.check(strike, cell);
        for (const glyph::StrikeGlyph& g : strike.glyphs) {
            EXPECT_TRUE(cell.forced || glyph::CheckClipping(g, cell.Frame(), false).Clean())
                << glyph::CharacterName(g.code) << " lost ink";
        }
    }
}

TEST(CellFormats, ForcedCellCutsAreReportedAndStrictFails) {
    for (const std::string format : {"xbm", "ssd1306", "raw"}) {
        for (const bool strict : {false, true}) {
            SCOPED_TRACE(format + (strict ? " --strict" : ""));
            const TempDir dir;
            const clitest::Result run = RunCli(
                {"--format", format, "--font-file", testfonts::DejaVuSans(), "--size", "16px",
                 "--cell", "6x8", "-o", dir.Path("f.c"), "AÆ", strict ? "--strict" : "--eol=lf"});
            EXPECT_EQ(run.code, strict ? 1 : 0) << run.err;
            EXPECT_NE(run.err.find("'Æ' U+00C6: "), std::string::npos) << run.err;
            EXPECT_NE(run.err.find("6x8 cell"), std::string::npos) << run.err;
            EXPECT_TRUE(std::filesystem::exists(dir.Path("f.c"))) << "output not written";
        }
    }
}

TEST(CellFormats, ValuesAFormatCannotHoldAreRefused) {
    struct Row {
        std::vector<std::string> args;
        std::vector<std::string> named; // in the one-line message
    };
    const Row rows[] = {
        {{"ssd1306", "--size", "64px", "W"}, {"'W' U+0057", "byte size", "255"}},
        {{"ssd1306", "--cell", "10x300", "W"}, {"300", "height", "255"}},
        {{"ssd1306", "Ж"}, {"'Ж' U+0416", "cp1251"}},
        {{"raw", "--first", "0x42", "AB"}, {"'A' U+0041", "--first"}},
        {{"raw", "--first", "0x20", "--range", "0x20,0x10400"}, {"U+10400", "65536"}},
        {{"vlw", "--range", "0x41,0x1F600"}, {"U+1F600", "U+FFFF"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::PrintToString(row.args));
        const TempDir dir;
        std::vector<std::string> args = {"--format"};
        args.insert(args.end(), row.args.begin(), row.args.end());
        args.insert(args.end(), {"--font-file", testfonts::DejaVuSans(), "-o", dir.Path("f.c")});
        const clitest::Result run = RunCli(args);
        EXPECT_EQ(run.code, 2);
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
        for (const std::string& part : row.named) {
            EXPECT_NE(run.err.find(part), std::string::npos) << run.err;
        }
        EXPECT_FALSE(std::filesystem::exists(dir.Path("f.c")));
    }
}

// Glyphs made by hand: 255 codes of 255 bytes each (a forced 85 x 24 cell, 3 bytes a column,
// all ink). Glyph k starts 4 + 4 * 255 + 255 k bytes in, past 0xFFFF from k = 253: code 254.
TEST(CellFormats, Ssd1306DataPastTheOffsetsReachIsRefused) {
    formats::FormatOptions options;
    options.cell = {formats::CellRule::Height::Font, 85, 24};
    const auto writer = formats::MakeWriter("ssd1306", options);
    glyph::StrikeFacts facts;
    facts.metrics = {24, 24, 0, 24};
    test::StringSink sink;
    writer->Begin(facts, 255, sink);
    for (char32_t c = 1; c <= 0xFF; ++c) {
        glyph::StrikeGlyph g;
        g.code = c;
        g.ink = glyph::Bitmap(85, 24);
        g.top = 24;
        g.advance = 85;
        for (int y = 0; y < 24; ++y) {
            for (int x = 0; x < 85; ++x) {
                g.ink.Set(x, y);
            }
        }
        writer->Add(std::move(g));
    }
    try {
        writer->Finish();
        ADD_FAILURE() << "no error";
    } catch (const formats::FormatError& error) {
        EXPECT_NE(std::string(error.what()).find("'\u00FE' U+00FE"), std::string::npos)
            << error.what();
        EXPECT_NE(std::string(error.what()).find("offset"), std::string::npos) << error.what();
    }
    EXPECT_TRUE(sink.text().empty());
}

// What each writer reports for the preview: every glyph once, in the order added, its frame the
// cell and its bits what the file's bytes decode to.
TEST(CellFormats, WrittenGlyphsAreTheCellsTheFileHolds) {
    using glyph::BitOrder;
    using glyph::Scan;
    struct Row {
        const char* format;
        glyph::Packing packing;
        std::optional<char32_t> first;
    };
    const Row rows[] = {
        {"xbm", {}, {}},
        {"ssd1306", {}, {}},
        {"raw", {BitOrder::LsbFirst, Scan::Pages}, U'A'}, // records in another order
        {"raw", {BitOrder::MsbFirst, Scan::Rows}, {}},
    };
    const glyph::Strike strike = DrawSet(testfonts::DejaVuSans(), U"jÆA");
    const formats::Cell cell = ExpectedCell(strike, false);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.format);
        formats::FormatOptions options;
        options.packing = row.packing;
        options.first = row.first;
        options.decode = true;
        const auto writer = formats::MakeWriter(row.format, options);
        std::u32string order;
        writer->OnWritten([&](const glyph::StrikeGlyph& g, const formats::WrittenGlyph& w) {
            order += g.code;
            EXPECT_EQ(w.frame, cell.Frame());
            EXPECT_EQ(w.cell, cell.Frame());
            EXPECT_TRUE(w.clip.Clean());
            ASSERT_EQ(w.bits.width(), cell.width);
            ASSERT_EQ(w.bits.height(), cell.height);
            for (int y = 0; y < cell.height; ++y) {
                for (int x = 0; x < cell.width; ++x) {
                    ASSERT_EQ(w.bits.At(x, y), InkInCell(g, cell, x, y)) << x << "," << y;
                }
            }
        });
        test::StringSink sink;
        writer->CheckCharacters(U"jÆA");
        writer->Begin(strike.facts, strike.glyphs.size(), sink);
        for (const glyph::StrikeGlyph& g : strike.glyphs) {
            writer->Add(g);
        }
        writer->Finish();
        EXPECT_EQ(order, U"jÆA");
    }
}

} // namespace
