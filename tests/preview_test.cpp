// The preview picture, read back with libpng: each zoomed square against the pixels the file
// holds and the ink it loses, worked out here from the strike and the frame's description.
#include "formats/font_writer.h"
#include "formats/format_registry.h"
#include "formats/preview.h"
#include "formats/read_back.h"
#include "glyph/font_faces.h"
#include "glyph/scan_geometry.h"
#include "glyph/strike.h"
#include "glyph/utf8.h"
#include "tests/cli_test_support.h"
#include "tests/font_files.h"
#include "tests/string_sink.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <gtest/gtest.h>
#include <png.h>
#include <string>
#include <utility>
#include <vector>

namespace {

using clitest::RunCli;
using clitest::TempDir;

enum class Tone { Black, Red, Other };

// An RGB picture as libpng reads it.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;

    const std::uint8_t* At(int x, int y) const {
        return &rgb[(static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                     static_cast<std::size_t>(x)) *
                    3];
    }
    Tone ToneAt(int x, int y) const {
        const std::uint8_t* p = At(x, y);
        if (p[0] < 60 && p[1] < 60 && p[2] < 60) {
            return Tone::Black;
        }
        return p[0] > 180 && p[1] < 90 && p[2] < 90 ? Tone::Red : Tone::Other;
    }
    long Count(Tone tone) const {
        long count = 0;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                count += ToneAt(x, y) == tone ? 1 : 0;
            }
        }
        return count;
    }
};

Picture ReadPng(const std::string& bytes) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_memory(&image, bytes.data(), bytes.size()) == 0) {
        ADD_FAILURE() << "libpng cannot read the picture: " << image.message;
        return {};
    }
    image.format = PNG_FORMAT_RGB;
    Picture picture;
    picture.width = static_cast<int>(image.width);
    picture.height = static_cast<int>(image.height);
    picture.rgb.resize(PNG_IMAGE_SIZE(image));
    if (png_image_finish_read(&image, nullptr, picture.rgb.data(), 0, nullptr) == 0) {
        ADD_FAILURE() << "libpng cannot read the picture: " << image.message;
        return {};
    }
    return picture;
}

glyph::Strike DejaVuStrike(float points, std::u32string_view text,
                           glyph::Depth depth = glyph::Depth::One) {
    glyph::FontFaces faces;
    faces.Select(glyph::FontSource::File(testfonts::DejaVuSans()), {"", points, false, false});
    return glyph::DrawStrike(faces, text, depth);
}

// What the file holds of a glyph, as the test expects it.
struct Expected {
    glyph::PixelBox frame;
    glyph::Bitmap held; // frame.width x frame.height, 1-bit ink or 8-bit coverage
};

// The table: columns 0..ScanWidth and rows 0..ScanHeight of a surface whose baseline lies
// `ascent` rows down; column 0 is in no byte.
Expected TableHolds(const glyph::StrikeGlyph& glyph, float points, int ascent) {
    glyph::ScanBounds bounds;
    bounds.UpdateScanSize(points, false);
    Expected expected{{0, -ascent, bounds.ScanWidth + 1, bounds.ScanHeight + 1}, {}};
    expected.held = glyph::Bitmap(expected.frame.width, expected.frame.height);
    for (int y = 0; y < expected.frame.height; ++y) {
        for (int x = 1; x < expected.frame.width; ++x) {
            expected.held.Set(x, y, glyph.InkAt(expected.frame.x + x, expected.frame.y + y));
        }
    }
    return expected;
}

// A stand-in for a cell format that gets things wrong on purpose: its frame cuts the ink's
// last column, its bits drop the glyph's first ink pixel and add one at the frame's top-left.
Expected FaultyCellHolds(const glyph::StrikeGlyph& glyph) {
    const glyph::PixelBox ink = glyph.Box();
    Expected expected{{ink.x - 1, ink.y - 1, ink.width, ink.height + 2}, {}};
    expected.held = glyph::Bitmap(expected.frame.width, expected.frame.height);
    bool dropped = false;
    for (int y = 0; y < expected.frame.height; ++y) {
        for (int x = 0; x < expected.frame.width; ++x) {
            const bool ink = glyph.InkAt(expected.frame.x + x, expected.frame.y + y);
            expected.held.Set(x, y, ink && dropped);
            dropped = dropped || ink;
        }
    }
    expected.held.Set(0, 0);
    return expected;
}

// A pixel's coverage, 0 to 255, whatever the depth of the picture it is in.
unsigned CoverageAt(const glyph::Bitmap& bits, int x, int y) {
    if (x < 0 || y < 0 || x >= bits.width() || y >= bits.height()) {
        return 0;
    }
    return bits.depth() == glyph::Depth::One ? (bits.At(x, y) ? 255U : 0U) : bits.Value(x, y);
}

// Every font pixel of every cell, sampled at the centre of its square and at its corner: a
// level held shows as that share of black (an exact grey, black for 1-bit ink), red where the
// file holds nothing of at least half a pixel of the glyph's coverage, neither elsewhere.
void ExpectSquares(const Picture& picture, const formats::PreviewLayout& layout,
                   const glyph::Strike& strike, const std::vector<Expected>& expected) {
    const int zoom = layout.zoom;
    for (std::size_t i = 0; i < strike.glyphs.size(); ++i) {
        const glyph::StrikeGlyph& glyph = strike.glyphs[i];
        const glyph::PixelBox ink = glyph.Box();
        const glyph::PixelBox& frame = expected[i].frame;
        int wrong = 0;
        for (int y = layout.box.y; y < layout.box.bottom(); ++y) {
            for (int x = layout.box.x; x < layout.box.right(); ++x) {
                const unsigned held = CoverageAt(expected[i].held, x - frame.x, y - frame.y);
                const bool lost = held == 0 && CoverageAt(glyph.ink, x - ink.x, y - ink.y) >= 128;
                const formats::SheetPoint corner = layout.PixelAt(i, x, y);
                const std::uint8_t* centre = picture.At(corner.x + zoom / 2, corner.y + zoom / 2);
                const std::uint8_t* edge = picture.At(corner.x, corner.y);
                const int grey = 255 - static_cast<int>(held);
                const auto isGrey = [](const std::uint8_t* p, int g) {
                    return p[0] == g && p[1] == g && p[2] == g;
                };
                const bool darkGrey = centre[0] < 255 && isGrey(centre, centre[0]);
                bool right = false;
                if (held > 0) {
                    right = isGrey(centre, grey) && isGrey(edge, grey);
                } else if (lost) {
                    right = picture.ToneAt(corner.x, corner.y) == Tone::Red &&
                            picture.ToneAt(corner.x + zoom / 2, corner.y + zoom / 2) == Tone::Red;
                } else {
                    right = !darkGrey &&
                            picture.ToneAt(corner.x + zoom / 2, corner.y + zoom / 2) != Tone::Red;
                }
                if (!right && wrong++ < 5) {
                    ADD_FAILURE() << glyph::CharacterName(glyph.code) << " pixel (" << x << ", "
                                  << y << ") should be "
                                  << (held > 0 ? "grey " + std::to_string(grey)
                                      : lost   ? std::string("red")
                                               : std::string("blank"))
                                  << ", is " << int{centre[0]} << "," << int{centre[1]} << ","
                                  << int{centre[2]};
                }
            }
        }
    }
}

TEST(Preview, SquaresShowTheBitsHeldAndRedTheInkLost) {
    struct Row {
        const char* what;
        float points;
        std::u32string text;
        int zoom; // 0: automatic
        bool table;
    };
    const Row rows[] = {
        {"'A' at 10 pt: one pixel in column 0", 10, U"A", 0, true},
        {"U+0301 at 24 pt hangs left of column 0", 24, U"\u0301", 5, true},
        {"U+01D5 at 24 pt rises above row 0", 24, U"\u01D5", 2, true},
        {"a row of a set, zoom 1", 12, U"AgЖ0j_", 1, true},
        {"a cell format's frame and bits, not the strike", 12, U"AgЖ0", 7, false},
        {"a cell format at zoom 1", 9, U"W%", 1, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const glyph::Strike strike = DejaVuStrike(row.points, row.text);
        formats::PreviewSheet sheet(strike.facts);
        std::vector<Expected> expected;
        if (row.table) {
            formats::FormatOptions options;
            options.bounds.UpdateScanSize(row.points, false);
            options.decode = true;
            const auto writer = formats::MakeWriter("table", options);
            writer->OnWritten(
                [&](const glyph::StrikeGlyph& glyph, const formats::WrittenGlyph& written) {
                    sheet.Add(glyph, written);
                    expected.push_back(TableHolds(glyph, row.points, strike.facts.metrics.ascent));
                });
            test::StringSink text;
            writer->Begin(strike.facts, strike.glyphs.size(), text);
            for (const glyph::StrikeGlyph& glyph : strike.glyphs) {
                writer->Add(glyph);
            }
            writer->Finish();
        } else {
            for (const glyph::StrikeGlyph& glyph : strike.glyphs) {
                expected.push_back(FaultyCellHolds(glyph));
                formats::WrittenGlyph written;
                written.frame = expected.back().frame;
                written.bits = expected.back().held;
                written.cell = {0, -strike.facts.metrics.ascent, strike.MaxAdvance(),
                                strike.facts.metrics.ascent + strike.facts.metrics.descent};
                sheet.Add(glyph, written);
            }
        }
        const formats::PreviewLayout layout = sheet.Layout(row.zoom);
        if (row.zoom > 0) {
            EXPECT_EQ(layout.zoom, row.zoom);
        }
        test::StringSink png;
        sheet.Write(layout, png);
        const Picture picture = ReadPng(png.text());
        ASSERT_EQ(picture.width, layout.width);
        ASSERT_EQ(picture.height, layout.height);
        EXPECT_LE(picture.width, formats::kPreviewWidth);
        ExpectSquares(picture, layout, strike, expected);

        if (row.table && layout.zoom > 1) {
            // Column 0 is shaded where it is blank, unlike column 1.
            const Expected& first = expected.front();
            const glyph::PixelBox& frame = first.frame;
            for (int y = frame.y; y < frame.bottom(); ++y) {
                const glyph::StrikeGlyph& glyph = strike.glyphs.front();
                if (glyph.InkAt(frame.x, y) || glyph.InkAt(frame.x + 1, y)) {
                    continue;
                }
                const auto centre = [&](int x) {
                    const formats::SheetPoint p = layout.PixelAt(0, x, y);
                    const std::uint8_t* rgb =
                        picture.At(p.x + layout.zoom / 2, p.y + layout.zoom / 2);
                    return std::vector<int>(rgb, rgb + 3);
                };
                EXPECT_NE(centre(frame.x), centre(frame.x + 1)) << "row " << y;
            }
        }
    }
}

// Coverage rounded to a level of `bpp` bits, and the level as the share of ink it stands for.
unsigned Quantised(unsigned coverage, int bpp) {
    const unsigned top = (1U << bpp) - 1;
    const unsigned level = (coverage * top * 2 + 255) / 510;
    return (level * 255 * 2 + top) / (2 * top);
}

// The bit depth and colour type of a PNG, from its IHDR chunk.
std::pair<int, int> PngKind(const std::string& png) {
    if (png.size() < 26) {
        return {0, 0};
    }
    return {static_cast<unsigned char>(png[24]), static_cast<unsigned char>(png[25])};
}

// What a file of `bpp`-bit levels holds: the glyph's coverage rounded, over its ink box.
// `faulty` drops, as a broken writer would, the glyph's first pixel of at least half coverage
// (to be marked red) and its fainter pixels of the first ink row (not to be).
Expected LevelsHeld(const glyph::StrikeGlyph& glyph, int bpp, bool faulty) {
    Expected expected{glyph.Box(),
                      glyph::Bitmap(glyph.ink.width(), glyph.ink.height(), glyph::Depth::Eight)};
    bool dropped = false;
    for (int y = 0; y < glyph.ink.height(); ++y) {
        for (int x = 0; x < glyph.ink.width(); ++x) {
            const unsigned coverage = CoverageAt(glyph.ink, x, y);
            const bool strong = coverage >= 128;
            const bool drop = faulty && ((strong && !dropped) || (!strong && y == 0));
            dropped = dropped || (drop && strong);
            expected.held.SetValue(x, y, drop ? 0 : Quantised(coverage, bpp));
        }
    }
    return expected;
}

TEST(Preview, GreySheetsShowEachLevelWrittenAsItsGreyAndRedOnlyWhatWasLost) {
    struct Row {
        const char* what;
        const char* format; // nullptr: a writer that loses ink, at 4 bits
        int bpp;
        bool compress;
        int zoom;
        int pngDepth; // 4: the palette of the 1-bit sheets; 8: RGB
    };
    const Row rows[] = {
        {"lvgl --bpp 4", "lvgl", 4, false, 9, 8},
        {"lvgl --bpp 2 --compress", "lvgl", 2, true, 6, 8},
        {"lvgl --bpp 3 --compress", "lvgl", 3, true, 1, 8},
        {"lvgl --bpp 8", "lvgl", 8, false, 4, 8},
        {"lvgl --bpp 4 --compress", "lvgl", 4, true, 3, 8},
        {"vlw", "vlw", 8, false, 7, 8},
        {"lvgl --bpp 1 stays a palette of black", "lvgl", 1, false, 5, 4},
        {"a writer losing a strong pixel and faint ones", nullptr, 4, false, 8, 8},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const glyph::Strike strike =
            DejaVuStrike(12, U"AgЖ", row.bpp > 1 ? glyph::Depth::Eight : glyph::Depth::One);
        formats::PreviewSheet sheet(strike.facts);
        std::vector<Expected> expected;
        if (row.format != nullptr) {
            formats::FormatOptions options;
            options.bpp = row.bpp;
            options.compress = row.compress;
            options.decode = true;
            const auto writer = formats::MakeWriter(row.format, options);
            writer->OnWritten(
                [&](const glyph::StrikeGlyph& glyph, const formats::WrittenGlyph& written) {
                    sheet.Add(glyph, written);
                    expected.push_back(LevelsHeld(glyph, row.bpp, false));
                });
            test::StringSink file;
            writer->Begin(strike.facts, strike.glyphs.size(), file);
            for (const glyph::StrikeGlyph& glyph : strike.glyphs) {
                writer->Add(glyph);
            }
            writer->Finish();
        } else {
            for (const glyph::StrikeGlyph& glyph : strike.glyphs) {
                expected.push_back(LevelsHeld(glyph, row.bpp, true));
                sheet.Add(glyph, formats::ReadBack(expected.back().frame, expected.back().held));
            }
        }
        ASSERT_EQ(expected.size(), strike.glyphs.size());
        const formats::PreviewLayout layout = sheet.Layout(row.zoom);
        test::StringSink png;
        sheet.Write(layout, png);
        EXPECT_EQ(PngKind(png.text()).first, row.pngDepth);
        const Picture picture = ReadPng(png.text());
        ASSERT_EQ(picture.width, layout.width);
        ASSERT_EQ(picture.height, layout.height);
        ExpectSquares(picture, layout, strike, expected);
    }
}

struct Counts {
    long held = 0;
    long lost = 0;
};

// Pixels a table of `text` holds and loses, from the strike.
Counts TableCounts(float points, std::u32string_view text) {
    const glyph::Strike strike = DejaVuStrike(points, text);
    Counts counts;
    for (const glyph::StrikeGlyph& glyph : strike.glyphs) {
        const Expected expected = TableHolds(glyph, points, strike.facts.metrics.ascent);
        const long held = expected.held.InkCount();
        counts.held += held;
        counts.lost += glyph.ink.InkCount() - held;
    }
    return counts;
}

TEST(Preview, CommandLineDrawsEachHeldPixelAsOneZoomedSquare) {
    struct Row {
        int points;
        std::u32string text;
        int zoom; // 0: automatic
    };
    const Row rows[] = {
        {10, U"A", 0},
        {12, U"AgЖ0", 3},
        {24, U"\u0301\u01D5", 9},
        {9, U"jW", 1},
    };
    const TempDir dir;
    const std::string png = dir.Path("sheet.png");
    for (const Row& row : rows) {
        std::vector<std::string> args = {"--font-file",
                                         testfonts::DejaVuSans(),
                                         "--size",
                                         std::to_string(row.points),
                                         "-o",
                                         dir.Path("font.txt"),
                                         "--preview",
                                         png,
                                         glyph::EncodeUtf8(row.text)};
        if (row.zoom > 0) {
            args.insert(args.end(), {"--zoom", std::to_string(row.zoom)});
        }
        SCOPED_TRACE(testing::PrintToString(args));
        const clitest::Result result = RunCli(args);
        ASSERT_EQ(result.code, 0) << result.err;
        const Picture picture = ReadPng(clitest::ReadFile(png));
        const Counts counts = TableCounts(static_cast<float>(row.points), row.text);
        ASSERT_GT(counts.held, 0);
        const long black = picture.Count(Tone::Black);
        int zoom = row.zoom;
        if (zoom == 0) {
            zoom = static_cast<int>(std::lround(std::sqrt(black / counts.held)));
            EXPECT_GE(zoom, 2) << "one glyph is drawn large";
            EXPECT_LE(picture.width, formats::kPreviewWidth);
        }
        EXPECT_EQ(black, counts.held * zoom * zoom);
        EXPECT_EQ(picture.Count(Tone::Red), counts.lost * zoom * zoom);
    }
}

// Lines of labels under the last row of cells: bands of picture rows holding the labels'
// colour, apart from each other.
int LabelLinesUnderTheCells(const Picture& picture) {
    const auto has = [&](int y, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
        for (int x = 0; x < picture.width; ++x) {
            const std::uint8_t* p = picture.At(x, y);
            if (p[0] == r && p[1] == g && p[2] == b) {
                return true;
            }
        }
        return false;
    };
    int y = picture.height - 1;
    while (y > 0 && !has(y, 0xEE, 0xEF, 0xF1)) { // the blank around a cell's pixels
        --y;
    }
    int lines = 0;
    bool inLine = false;
    for (++y; y < picture.height; ++y) {
        const bool label = has(y, 0x55, 0x5B, 0x63);
        lines += label && !inLine ? 1 : 0;
        inLine = label;
    }
    return lines;
}

// With several fonts the sheet names each under its cells, one a line; with one, only the
// cells' own labels are there. 1-bit and grey sheets alike.
TEST(Preview, SeveralSourcesAreNamedUnderTheSheet) {
    const TempDir dir;
    const std::string serif = testfonts::FileFor("DejaVu Serif:style=Bold");
    for (const std::vector<std::string>& format :
         {std::vector<std::string>{"--format", "bdf"}, {"--format", "lvgl", "--bpp", "4"}}) {
        std::vector<std::string> one = {
            "--font-file", testfonts::DejaVuSans(), "--size", "16px", "-o", dir.Path("one.txt"),
            "--preview",   dir.Path("one.png"),     "ABC"};
        std::vector<std::string> two = {
            "--font-file", testfonts::DejaVuSans(), "--size",    "16px",
            "-o",          dir.Path("two.txt"),     "--preview", dir.Path("two.png"),
            "AB",          "--font-file",           serif,       "--range",
            "0x43=>0xE000"};
        one.insert(one.end(), format.begin(), format.end());
        two.insert(two.end(), format.begin(), format.end());
        SCOPED_TRACE(testing::PrintToString(format));
        ASSERT_EQ(RunCli(one).code, 0);
        const clitest::Result result = RunCli(two);
        ASSERT_EQ(result.code, 0) << result.err;
        EXPECT_EQ(LabelLinesUnderTheCells(ReadPng(clitest::ReadFile(dir.Path("one.png")))), 1);
        EXPECT_EQ(LabelLinesUnderTheCells(ReadPng(clitest::ReadFile(dir.Path("two.png")))), 3)
            << "the cells' labels, then a line for each font";
    }
}

TEST(Preview, FailedRunLeavesEarlierFilesAndNoPreviewUnasked) {
    const TempDir dir;
    const std::string out = dir.File("font.txt", "earlier text\n");
    const std::string png = dir.File("sheet.png", "earlier picture");
    const std::string link = dir.Path("link.png"); // a picture's name for the text
    std::filesystem::create_symlink(out, link);
    std::filesystem::create_directory(dir.Path("sub"));
    // Points to a picture not made yet.
    std::filesystem::create_symlink("new.png", dir.Path("dangling.png"));
    const std::string font = testfonts::DejaVuSans();
    struct Row {
        std::vector<std::string> args;
        std::string mentions;
    };
    const Row rows[] = {
        {{"--font-file", dir.Path("none.ttf"), "-o", out, "--preview", png, "A"}, "none.ttf"},
        {{"--font-file", font, "-o", png, "--preview", png, "A"}, "is the output file too"},
        {{"--font-file", font, "-o", out, "--preview", link, "A"}, "is the output file too"},
        {{"--font-file", font, "--preview", "-", "A"}, "is the output file too"},
        {{"--font-file", font, "--preview", "/dev/stdout", "A"}, "is the output file too"},
        {{"--font-file", font, "-o", "/proc/self/fd/1", "--preview", "/dev/fd/1", "A"},
         "is the output file too"},
        // One picture not made yet, spelt two ways, or reached through a link.
        {{"--font-file", font, "-o", dir.Path("new.png"), "--preview", dir.Path("sub/../new.png"),
          "A"},
         "is the output file too"},
        {{"--font-file", font, "-o", dir.Path("sub/.//../new.png"), "--preview",
          dir.Path("./new.png"), "A"},
         "is the output file too"},
        {{"--font-file", font, "-o", dir.Path("dangling.png"), "--preview", dir.Path("new.png"),
          "A"},
         "is the output file too"},
        {{"--font-file", font, "-o", out, "--preview", dir.Path("no/sheet.png"), "A"},
         "does not exist"},
        {{"--font-file", font, "-o", out, "--preview", "/dev/full", "o"}, "No space left"},
        // Refused before drawing: 20992 characters at 40 pt.
        {{"--font-file", font, "-o", out, "--preview", png, "--size", "40", "--range",
          "0x4E00-0x9FFF"},
         "million a preview may have"},
        // Refused once the glyphs show how large the cells are.
        {{"--font-file", font, "-o", out, "--preview", png, "--size", "12", "--zoom", "64",
          "0123456789abcdefghiklmnopqrsuxz"},
         "million a preview may have"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::PrintToString(row.args));
        const clitest::Result result = RunCli(row.args);
        EXPECT_EQ(result.code, 2);
        EXPECT_NE(result.err.find(row.mentions), std::string::npos) << result.err;
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
        EXPECT_EQ(clitest::ReadFile(out), "earlier text\n");
        EXPECT_EQ(clitest::ReadFile(png), "earlier picture");
    }
    const clitest::Result plain = RunCli({"--font-file", font, "-o", out, "A"});
    EXPECT_EQ(plain.code, 0);
    EXPECT_EQ(clitest::ReadFile(png), "earlier picture") << "no preview unasked";
    std::vector<std::string> entries = dir.Entries();
    std::sort(entries.begin(), entries.end());
    EXPECT_EQ(entries, (std::vector<std::string>{"dangling.png", "font.txt", "link.png",
                                                 "sheet.png", "sub"}))
        << "no temporary file left";
}

} // namespace
