// Reading a written glyph back from its bytes, for the preview: one reader for every format
// whose glyph bytes are a glyph::Packing of the pixels it keeps.
#pragma once

#include "formats/font_writer.h"
#include "glyph/bitmap.h"
#include "glyph/packing.h"
#include "glyph/strike.h"

#include <cstdint>
#include <span>

namespace formats {

// What a file holds of a glyph whose `frame` (pen coordinates) it keeps as `bytes` laid out by
// `packing`. With `decode` (FormatOptions::decode), the frame's pixels as those bytes hold them
// (missing trailing bytes read as paper). With `firstColumnLost`, the bytes hold the frame from
// its second column on, and its first column, held in no byte, reads as paper:
//
//   frame     column 0 | columns 1 .. width-1
//   bits      paper    | the (width-1) x height picture of `bytes`
//
// The clip report and the cell are the writer's to fill in.
WrittenGlyph ReadBack(const glyph::PixelBox& frame, std::span<const std::uint8_t> bytes,
                      glyph::Packing packing, bool decode, bool firstColumnLost = false);

// The same for a glyph held as levels of `bits` bits a pixel (glyph::PackLevels): with `decode`,
// `bits` is a Depth::Eight picture of the coverage each level stands for, level * 255 /
// (2^bits - 1) rounded, as a display library shows it.
WrittenGlyph ReadBackLevels(const glyph::PixelBox& frame, std::span<const std::uint8_t> bytes,
                            int bits, bool decode);

// The same for a format with a reader of its own (u8g2's run lengths): `bits` is the frame's
// picture as that reader decoded it.
WrittenGlyph ReadBack(const glyph::PixelBox& frame, glyph::Bitmap bits);

} // namespace formats
