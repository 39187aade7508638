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

} // namespace
