// Adafruit GFX fonts: the GFXfont header the library's setFont() takes.
#pragma once

#include "formats/font_writer.h"

#include <memory>

namespace formats {

// One header holding, for the symbol NAME (FormatOptions::name or SymbolName):
//
//   const uint8_t NAMEBitmaps[] PROGMEM = {...};   every glyph's w x h ink pixels in one run,
//                                                  the leftmost in the top bit, rows running on;
//                                                  each glyph starts on a whole byte
//   const GFXglyph NAMEGlyphs[] PROGMEM = {        one entry per code from first to last:
//       {bitmapOffset, width, height, xAdvance, xOffset, yOffset}, // 0x41 'A' U+0041
//   const GFXfont NAME PROGMEM = {(uint8_t  *)NAMEBitmaps, (GFXglyph *)NAMEGlyphs,
//                                 first, last, yAdvance};
//
// As the library's own converter places them, xOffset and yOffset lead from the cursor to the
// bitmap's top-left pixel, the cursor standing on the lowest row of ink of a glyph that sits on
// the baseline (yOffset = 1 - FreeType's bitmap_top); yAdvance is the face's line height.
//
// Codes are single bytes: the code point up to 0xFF, or with Encoding::Cp1251 the character's
// Windows-1251 byte. Codes between the characters get empty entries. A value too large for its
// field (16-bit bitmap offsets, 8-bit sizes and advances, signed 8-bit offsets) is a
// FormatError naming the glyph and the field, raised before anything is written.
std::unique_ptr<FontWriter> MakeGfxWriter(const FormatOptions& options);

} // namespace formats
