// Fonts of the ESP8266/ESP32 OLED driver library (ThingPulse esp8266-oled-ssd1306).
#pragma once

#include "formats/font_writer.h"

#include <memory>

namespace formats {

// The library's font array, every glyph in the set's cell (formats/cell.h):
//
//   byte 0..3   the widest character, the height, the first character code, the number of codes
//   4 a code    jump table, every code from the first to the last: offset high, offset low (into
//               the glyph data after the table; 0xFFFF: no bitmap), byte size, advance
//   then        glyph data: columns left to right, ceil(height / 8) bytes a column, bit 0 of a
//               byte the top pixel
//
// The library draws a glyph's bytes one after another, a column every ceil(height / 8) bytes,
// so trailing zero bytes are left out. Codes are single bytes: Latin-1 or, with --encoding
// cp1251, Windows-1251. Every advance is the cell width, codes the set lacks included (they
// show as blank cells).
std::unique_ptr<FontWriter> MakeSsd1306Writer(const FormatOptions& options);

} // namespace formats
