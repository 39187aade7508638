// How the pixels of a picture go into bytes: the one rule every file format names.
#pragma once

#include "glyph/bitmap.h"
#include "glyph/strike.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace glyph {

// Which bit of a byte holds the byte's first pixel (the leftmost, or the topmost for vertical
// bytes). The following pixels take the next lower bits (MsbFirst) or next higher (LsbFirst).
enum class BitOrder { MsbFirst, LsbFirst };

enum class Scan {
    // Along each row left to right, rows top to bottom.
    Rows,
    // Vertical bytes: down each column, columns left to right.
    Columns,
    // Vertical bytes a page of 8 rows at a time: one byte per column of the page, columns left
    // to right, then the next page down (the memory of SSD1306 and SH1106 displays).
    Pages,
};

enum class Padding {
    Line,  // each row (column) starts a new byte; the last byte of a line is filled with paper
    Glyph, // the bits run on from line to line; only the glyph's last byte is filled up
};

// Rows, MsbFirst, Line, 10 pixels wide:
//
//   row 0:  # . # # . . . #  # .      ->  0xB1 0x80
//
// Rows, LsbFirst, Line:               ->  0x8D 0x01
//
// Columns, LsbFirst, Line, 3 rows high (bit 0 is the top pixel):
//
//   # .        column 0 -> 0x05 (rows 0 and 2)
//   . #        column 1 -> 0x02 (row 1)
//   # .
//
// Pages lay 8 rows a page, 1 byte a column; with 3 rows high it makes the same bytes as Columns.
struct Packing {
    BitOrder order = BitOrder::MsbFirst;
    Scan scan = Scan::Rows;
    Padding padding = Padding::Line;

    friend bool operator==(const Packing&, const Packing&) = default;
};

// Bytes a width x height picture packs into.
std::size_t PackedSize(int width, int height, Packing packing);

// Appends the packed pixels of `frame` (pen coordinates, see PixelBox) of the glyph to out;
// the frame may reach past the ink, which packs as paper, or cut it.
void Pack(const StrikeGlyph& glyph, const PixelBox& frame, Packing packing,
          std::vector<std::uint8_t>& out);
// The same for a picture: frame pixel (0, 0) is pixel (x, y) of bits.
void Pack(const Bitmap& bits, int x, int y, int width, int height, Packing packing,
          std::vector<std::uint8_t>& out);

// The width x height picture `bytes` hold; bytes past PackedSize are not read, missing ones
// read as paper.
Bitmap Unpack(std::span<const std::uint8_t> bytes, int width, int height, Packing packing);

// The level of `coverage` (0 paper .. 255 full ink) in `bits` bits a pixel (1 to 8):
// round(coverage * (2^bits - 1) / 255), halves up.
unsigned CoverageLevel(unsigned coverage, int bits);

// Appends the level of each pixel of `coverage` in `bits` bits (Depth::Eight; at Depth::One ink
// is full coverage), one a byte, rows top to bottom.
void AppendLevels(const Bitmap& coverage, int bits, std::vector<std::uint8_t>& out);

// Appends the pixels of `coverage` (Depth::Eight; at Depth::One ink is full coverage) as levels of
// `bits` bits a pixel, rows top to bottom, each pixel's level most significant bit first, one pixel
// straight after the other across rows; only the last byte is padded, with zeros. 3 bits, levels 7
// 0 5 2:
//
//   bits  111 000 10|1 010 0000   ->  0xE2, 0xA0
void PackLevels(const Bitmap& coverage, int bits, std::vector<std::uint8_t>& out);

// The width x height picture of levels of `bits` bits a pixel that PackLevels wrote into
// `bytes`, as a Depth::Eight picture of the levels themselves; missing bytes read as 0.
Bitmap UnpackLevels(std::span<const std::uint8_t> bytes, int width, int height, int bits);

// "rows, most significant bit first, each row padded to whole bytes" and so on.
std::string Describe(Packing packing);

// Lines of a small drawing of which pixel of a picture goes into which bit of which byte, for a
// file's header comment: for Rows, "pixel (x, y) -> byte b, bit n" for the first pixels of a
// row; for vertical bytes, a column.
std::vector<std::string> DrawBitLayout(Packing packing, int width, int height);

} // namespace glyph
