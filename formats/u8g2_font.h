// u8g2's font format as bytes, laid out as u8g2's converter bdfconv lays out proportional fonts
// (build mode 0), so that u8g2_font.c finds and draws every glyph.
//
//   header, 23 bytes:
//     0  glyph count (low byte)      9  font box width      13 ascent of 'A' (else '1')
//     1  build mode, 0               10 font box height     14 descent of 'g'
//     2  bits of a run of 0s (m0)    11 font box x          15 ascent of '('
//     3  bits of a run of 1s (m1)    12 font box y          16 descent of '('
//     4..8 bits of each glyph's width, height, x, y, advance
//     17 'A' record, 19 'a' record, 21 the part above 0xFF: 16-bit offsets from byte 23, high
//        byte first
//   records of codes 0..0xFF, by code:   code, size, glyph bits      then 0, 0
//   jump table of the part above 0xFF:   (offset, code) 16-bit pairs, the last code 0xFFFF
//   records of codes above 0xFF, by code: code high, code low, size, glyph bits   then 0, 0
//
// Glyph bits, least significant bit of each byte first: width, height (unsigned), x, y, advance
// (each stored plus half its range), then the pixels of the box, rows top to bottom, as pairs
// of a run of m0-bit paper count and m1-bit ink count; after each pair one bit: 1 repeats the
// pair, 0 goes on (and ends the glyph once the box is full). Each glyph takes the fewest bits
// the decoder allows for m0 and m1, and m0 and m1 are those of the smallest font, so a font is
// never larger than bdfconv makes it of the same glyphs.
//
//   row  . . # # . .          runs 2 paper, 2 ink, 4 paper, 2 ink, 2 paper
//   row  . . # # . .          pairs (2,2) (4,2) (2,0)
#pragma once

#include "glyph/bitmap.h"
#include "glyph/strike.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace formats::u8g2 {

inline constexpr std::size_t kHeaderSize = 23;
// The size byte of a record is below 255.
inline constexpr int kMaxRecordSize = 254;

struct FontBytes {
    std::vector<std::uint8_t> bytes;
    // Where each glyph of the strike has its record, in the strike's order; a code given twice
    // has one record.
    std::vector<std::size_t> records;
    // Glyph records, and the bytes that lead from a code to a record: each record's code, the
    // two end marks and the jump table.
    std::size_t recordCount = 0;
    std::size_t mapBytes = 0;
};

// The whole font. Throws FormatError, naming the glyph and the field, for a value the format
// cannot hold: a code above 0xFFFD, a box or advance beyond the library's 8-bit fields, a record
// that would reach 255 bytes.
FontBytes EncodeFont(const glyph::Strike& strike);

// What the record at `offset` of `font` holds: the box in pen coordinates, the advance and the
// pixels of the box.
struct DecodedGlyph {
    glyph::PixelBox box;
    int advance = 0;
    glyph::Bitmap bits;
};
DecodedGlyph DecodeGlyph(std::span<const std::uint8_t> font, std::size_t offset);

} // namespace formats::u8g2
