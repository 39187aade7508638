// u8g2 fonts: the font bytes of formats/u8g2_font.h as a C array, written as u8g2's converter
// bdfconv writes its proportional fonts.
#pragma once

#include "formats/font_writer.h"

#include <memory>

namespace formats {

// const uint8_t NAME[SIZE] U8G2_FONT_SECTION("NAME") = "...": the bytes as one string literal,
// 32 bytes to a line, in octal escapes where a byte is not a plain character; the font's last
// 0 byte is the literal's own terminator. A fallback U8G2_FONT_SECTION lets the file compile
// without u8g2's headers.
std::unique_ptr<FontWriter> MakeU8g2Writer(const FormatOptions& options);

} // namespace formats
