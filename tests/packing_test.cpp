// Packing rules on hand-made pictures, the bytes worked out by hand from each layout's
// description.
#include "glyph/packing.h"
#include "glyph/row_format.h"

#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace {

using glyph::Bitmap;
using glyph::BitOrder;
using glyph::Packing;
using glyph::Padding;
using glyph::Scan;

Bitmap Picture(const std::vector<std::string>& rows) {
    Bitmap bits(rows.empty() ? 0 : static_cast<int>(rows.front().size()),
                static_cast<int>(rows.size()));
    for (int y = 0; y < bits.height(); ++y) {
        for (int x = 0; x < bits.width(); ++x) {
            bits.Set(x, y, rows[y][x] == '#');
        }
    }
    return bits;
}

std::vector<std::uint8_t> PackAll(const Bitmap& bits, Packing packing) {
    std::vector<std::uint8_t> out;
    glyph::Pack(bits, 0, 0, bits.width(), bits.height(), packing, out);
    return out;
}

// 10 x 3:
//   #.##...#|#.
//   .#......|.#
//   #.......|..
const std::vector<std::string> kTenByThree = {"#.##...##.", ".#.......#", "#........."};

TEST(Packing, LayoutsOfOnePicture) {
    struct Row {
        const char* what;
        Packing packing;
        std::vector<std::uint8_t> bytes;
    };
    const Row rows[] = {
        {"rows, msb, per row",
         {BitOrder::MsbFirst, Scan::Rows, Padding::Line},
         {0xB1, 0x80, 0x40, 0x40, 0x80, 0x00}},
        {"rows, lsb, per row",
         {BitOrder::LsbFirst, Scan::Rows, Padding::Line},
         {0x8D, 0x01, 0x02, 0x02, 0x01, 0x00}},
        // 30 bits in a run, 2 of padding: 10110001 10010000 00011000 000000..
        {"rows, msb, run on",
         {BitOrder::MsbFirst, Scan::Rows, Padding::Glyph},
         {0xB1, 0x90, 0x18, 0x00}},
        {"rows, lsb, run on",
         {BitOrder::LsbFirst, Scan::Rows, Padding::Glyph},
         {0x8D, 0x09, 0x18, 0x00}},
        // Column x holds rows 0..2 in bits 0..2 (lsb) or 7..5 (msb).
        {"columns, lsb",
         {BitOrder::LsbFirst, Scan::Columns, Padding::Line},
         {0x05, 0x02, 0x01, 0x01, 0x00, 0x00, 0x00, 0x01, 0x01, 0x02}},
        {"columns, msb",
         {BitOrder::MsbFirst, Scan::Columns, Padding::Line},
         {0xA0, 0x40, 0x80, 0x80, 0x00, 0x00, 0x00, 0x80, 0x80, 0x40}},
        {"pages of a picture under 8 rows are its columns",
         {BitOrder::LsbFirst, Scan::Pages, Padding::Line},
         {0x05, 0x02, 0x01, 0x01, 0x00, 0x00, 0x00, 0x01, 0x01, 0x02}},
    };
    const Bitmap bits = Picture(kTenByThree);
    for (const Row& row : rows) {
        EXPECT_EQ(PackAll(bits, row.packing), row.bytes) << row.what;
        EXPECT_EQ(glyph::PackedSize(10, 3, row.packing), row.bytes.size()) << row.what;
    }
}

TEST(Packing, TallPicturesInColumnsAndPages) {
    // 2 x 10: column 0 inked at rows 0 and 9, column 1 at row 8.
    std::vector<std::string> rows(10, "..");
    rows[0][0] = '#';
    rows[9][0] = '#';
    rows[8][1] = '#';
    const Bitmap bits = Picture(rows);
    // Columns: column 0's two bytes, then column 1's.
    EXPECT_EQ(PackAll(bits, {BitOrder::LsbFirst, Scan::Columns, Padding::Line}),
              (std::vector<std::uint8_t>{0x01, 0x02, 0x00, 0x01}));
    // Pages: rows 0..7 of both columns, then rows 8..15.
    EXPECT_EQ(PackAll(bits, {BitOrder::LsbFirst, Scan::Pages, Padding::Line}),
              (std::vector<std::uint8_t>{0x01, 0x00, 0x02, 0x01}));
    // Columns run on: column 0 is pixels 0..9 of the run, column 1 pixels 10..19.
    EXPECT_EQ(PackAll(bits, {BitOrder::LsbFirst, Scan::Columns, Padding::Glyph}),
              (std::vector<std::uint8_t>{0x01, 0x02, 0x04}));
}

TEST(Packing, FramesReachPastTheInkOrCutIt) {
    const Bitmap bits = Picture({"##", "##"});
    std::vector<std::uint8_t> out;
    // A 4 x 3 frame whose (1, 1) is the picture's (0, 0).
    glyph::Pack(bits, -1, -1, 4, 3, {BitOrder::MsbFirst, Scan::Rows, Padding::Line}, out);
    EXPECT_EQ(out, (std::vector<std::uint8_t>{0x00, 0x60, 0x60}));
    out.clear();
    // A frame holding only the right column.
    glyph::Pack(bits, 1, 0, 1, 2, {BitOrder::MsbFirst, Scan::Columns, Padding::Line}, out);
    EXPECT_EQ(out, (std::vector<std::uint8_t>{0xC0}));
}

TEST(Packing, UnpackReadsBackEveryLayout) {
    std::mt19937 random(7);
    const Packing packings[] = {
        {BitOrder::MsbFirst, Scan::Rows, Padding::Line},
        {BitOrder::MsbFirst, Scan::Rows, Padding::Glyph},
        {BitOrder::LsbFirst, Scan::Rows, Padding::Glyph},
        {BitOrder::MsbFirst, Scan::Columns, Padding::Glyph},
        {BitOrder::LsbFirst, Scan::Columns, Padding::Line},
        {BitOrder::MsbFirst, Scan::Pages, Padding::Line},
        {BitOrder::LsbFirst, Scan::Pages, Padding::Line},
    };
    for (int trial = 0; trial < 40; ++trial) {
        Bitmap bits(1 + static_cast<int>(random() % 21), 1 + static_cast<int>(random() % 19));
        for (int y = 0; y < bits.height(); ++y) {
            for (int x = 0; x < bits.width(); ++x) {
                bits.Set(x, y, random() % 3 == 0);
            }
        }
        // A frame shifted against the picture, reaching past it or cutting it.
        const int x = static_cast<int>(random() % 9) - 4;
        const int y = static_cast<int>(random() % 9) - 4;
        const int width = 1 + static_cast<int>(random() % 24);
        const int height = 1 + static_cast<int>(random() % 22);
        for (const Packing& packing : packings) {
            const std::vector<std::uint8_t> bytes = PackAll(bits, packing);
            EXPECT_EQ(glyph::Unpack(bytes, bits.width(), bits.height(), packing), bits)
                << glyph::Describe(packing) << ", " << bits.width() << "x" << bits.height();
            std::vector<std::uint8_t> framed;
            glyph::Pack(bits, x, y, width, height, packing, framed);
            const Bitmap read = glyph::Unpack(framed, width, height, packing);
            for (int row = 0; row < height; ++row) {
                for (int col = 0; col < width; ++col) {
                    ASSERT_EQ(read.At(col, row), bits.At(x + col, y + row))
                        << glyph::Describe(packing) << " at " << col << "," << row;
                }
            }
        }
    }
}

// The rows of the window's tables are kRowBytes over columns 1..ScanWidth.
TEST(Packing, RowBytesAreWhatTheRowFormatterWrites) {
    std::mt19937 random(11);
    const int scanWidth = 24;
    for (int trial = 0; trial < 50; ++trial) {
        bool ink[scanWidth + 1];
        Bitmap bits(scanWidth + 1, 1);
        for (int x = 0; x <= scanWidth; ++x) {
            ink[x] = random() % 2 == 0;
            bits.Set(x, 0, ink[x]);
        }
        std::string line;
        glyph::AppendRowLine(line, ink, scanWidth, "\n");
        std::vector<std::uint8_t> bytes;
        glyph::Pack(bits, 1, 0, scanWidth, 1, glyph::kRowBytes, bytes);
        std::string items;
        for (std::uint8_t byte : bytes) {
            char item[8];
            std::snprintf(item, sizeof item, "0x%02X, ", byte);
            items += item;
        }
        EXPECT_EQ(line.substr(0, items.size()), items) << line;
    }
}

// The same picture at both depths, its ink at several grey levels, reads the same through
// every access; the one-bit paths and the general ones agree.
Bitmap AtDepth(const Bitmap& bits, glyph::Depth depth) {
    Bitmap out(bits.width(), bits.height(), depth);
    for (int y = 0; y < bits.height(); ++y) {
        for (int x = 0; x < bits.width(); ++x) {
            out.SetValue(x, y, bits.At(x, y) ? 1 + static_cast<unsigned>(x * 37 + y) % 255 : 0);
        }
    }
    return out;
}

TEST(Bitmap, InkAreaTrimsToTheInkAtEitherDepth) {
    struct Row {
        const char* what;
        std::vector<std::string> picture;
        glyph::BitmapArea area;
        std::vector<std::string> trimmed;
    };
    const Row rows[] = {
        {"blank", {"....", "...."}, {}, {}},
        {"one pixel", {"....", "..#.", "...."}, {2, 1, 1, 1}, {"#"}},
        {"blank rows above and below",
         {"..........", "..........", ".#......#.", ".........."},
         {1, 2, 8, 1},
         {"#......#"}},
        {"ink across a byte boundary",
         {"..........", ".......##.", "........#."},
         {7, 1, 2, 2},
         {"##", ".#"}},
        {"ink only past the first byte",
         {".................", "...............#."},
         {15, 1, 1, 1},
         {"#"}},
        {"already tight", {"#..", "..#"}, {0, 0, 3, 2}, {"#..", "..#"}},
    };
    for (const Row& row : rows) {
        const Bitmap one = Picture(row.picture);
        for (const Bitmap& bits : {one, AtDepth(one, glyph::Depth::Eight)}) {
            const auto depth = static_cast<int>(bits.depth());
            const glyph::BitmapArea area = bits.InkArea();
            EXPECT_EQ(area, row.area) << row.what << ", depth " << depth;
            const Bitmap cut = bits.Cut(area);
            EXPECT_EQ(AtDepth(cut, glyph::Depth::One), Picture(row.trimmed))
                << row.what << ", depth " << depth;
            for (int y = 0; y < cut.height(); ++y) {
                for (int x = 0; x < cut.width(); ++x) {
                    ASSERT_EQ(cut.Value(x, y), bits.Value(area.x + x, area.y + y))
                        << row.what << ", depth " << depth << ": the levels are kept";
                }
            }
        }
    }
}

TEST(Bitmap, EveryAccessReadsTheSameAtEitherDepth) {
    std::mt19937 random(5);
    for (int trial = 0; trial < 30; ++trial) {
        Bitmap one(1 + static_cast<int>(random() % 23), 1 + static_cast<int>(random() % 5));
        for (int y = 0; y < one.height(); ++y) {
            for (int x = 0; x < one.width(); ++x) {
                one.Set(x, y, random() % 3 == 0);
            }
        }
        const Bitmap eight = AtDepth(one, glyph::Depth::Eight);
        SCOPED_TRACE(testing::Message() << one.width() << "x" << one.height());
        EXPECT_EQ(eight.InkCount(), one.InkCount());
        EXPECT_EQ(eight.InkArea(), one.InkArea());
        for (int y = -1; y <= one.height(); ++y) {
            for (int x = -9; x < one.width() + 2; ++x) {
                ASSERT_EQ(eight.At(x, y), one.At(x, y)) << x << "," << y;
                ASSERT_EQ(eight.Byte(x, y), one.Byte(x, y)) << x << "," << y;
                ASSERT_EQ(eight.InkIn(y, x, x + 11), one.InkIn(y, x, x + 11)) << x << "," << y;
            }
            bool flagsOne[40];
            bool flagsEight[40];
            one.Flags(-3, y, one.width() + 5, flagsOne);
            eight.Flags(-3, y, one.width() + 5, flagsEight);
            for (int i = 0; i < one.width() + 5; ++i) {
                ASSERT_EQ(flagsOne[i], one.At(i - 3, y)) << "flag " << i << " of row " << y;
                ASSERT_EQ(flagsEight[i], flagsOne[i]) << "flag " << i << " of row " << y;
            }
        }
    }
}

TEST(Bitmap, LevelsArePerDepthAndPaddingStaysPaper) {
    Bitmap eight(3, 1, glyph::Depth::Eight);
    eight.SetValue(0, 0, 128);
    eight.SetValue(1, 0, 300); // cut to 255
    eight.Set(2, 0);
    EXPECT_EQ(eight.Value(0, 0), 128U);
    EXPECT_EQ(eight.Value(1, 0), 255U);
    EXPECT_EQ(eight.Value(2, 0), 255U);
    Bitmap one(9, 2);
    one.SetValue(0, 0, 128); // any level is ink
    EXPECT_EQ(one.Value(0, 0), 1U);

    // A row copied in with ink in its padding bits holds only its own pixels.
    const std::uint8_t row[] = {0xFF, 0xFF};
    one.SetRow(1, row);
    EXPECT_EQ(one.InkCount(), 10);
    EXPECT_EQ(one.Byte(8, 1), 0x80);
    EXPECT_EQ(one.InkIn(1, 0, 16), (glyph::InkSpan{9, 0, 8}));
    EXPECT_EQ(one.InkArea(), (glyph::BitmapArea{0, 0, 9, 2}));
}

} // namespace
