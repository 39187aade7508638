// Smooth fonts for TFT_eSPI and LovyanGFX: the .vlw file their loadFont() reads, 8-bit alpha.
#pragma once

#include "formats/font_writer.h"

#include <cstdint>
#include <memory>

namespace formats {

// The file, every number a big-endian 32-bit word:
//
//   header   count  11  size  0  ascent  descent             6 words
//   records  code  height  width  advance  dY  dX  0         7 words a glyph, by code point
//   bitmaps  height x width bytes a glyph, rows top to bottom, in the records' order;
//            each byte the pixel's coverage, 0 paper .. 255 full ink
//   names    the face's name twice, each a 16-bit length and its bytes, then 1 (smooth)
//
// `size` is the pixel size, dY the rows from the baseline up to the bitmap's top row (FreeType's
// bitmap_top), dX the columns from the pen to its left column (bitmap_left). `ascent` is the
// height of 'd' above the baseline and `descent` the depth of 'p' below it, as the Processing
// sketch that made the libraries' own fonts measures them. Both libraries put the baseline
// max(ascent, the highest dY) below the text cursor, so text stands where theirs does.
//
// Both read the code as 16 bits, height, width and advance as unsigned bytes and dX (and, in
// TFT_eSPI, dY) as signed bytes, and find a code by a binary search (LovyanGFX) over the sorted
// records. A character past U+FFFF, or a value too large for its byte, is a FormatError naming
// the glyph and the field.
//
// Without FormatOptions::cArray the file's bytes themselves; with it, a C source holding them
// as `const uint8_t NAME[] PROGMEM = {...};` for loadFont(NAME) from flash.
std::unique_ptr<FontWriter> MakeVlwWriter(const FormatOptions& options);

// The most glyphs a file holds: the libraries count them in 16 bits.
inline constexpr std::uint32_t kMaxVlwGlyphs = 0xFFFF;

} // namespace formats
