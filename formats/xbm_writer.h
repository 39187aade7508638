// XBM images, one per character, in one C file.
#pragma once

#include "formats/font_writer.h"

#include <memory>

namespace formats {

// Every glyph in the set's cell (formats/cell.h) as an XBM image: "#define N_width",
// "#define N_height" and "static const unsigned char N_bits[]", N the symbol and the code point
// in hex (NAME_0041). Rows top to bottom, each padded to whole bytes, the leftmost pixel in bit 0.
// The two defines and the array of one glyph, alone in a file, are an .xbm file. After the
// images, a table of code point and bits, sorted by code for a binary search, and defines for
// the cell.
std::unique_ptr<FontWriter> MakeXbmWriter(const FormatOptions& options);

} // namespace formats
