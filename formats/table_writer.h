// The window's table format for a whole set of characters.
#pragma once

#include "formats/font_writer.h"

#include <memory>

namespace formats {

// Each glyph drawn at the top-left of a surface and scanned over the rectangle
// FormatOptions::bounds, written as the window writes it: a header line, then one line per row
// (see glyph/row_format.h). One character alone is exactly the window's text. With several, each
// table follows a comment naming its character and the tables are a blank line apart. With
// FormatOptions::cArray, the tables stand inside a C array after a comment stating font, size and
// layout. Written glyph by glyph, so a large table never waits whole in memory.
std::unique_ptr<FontWriter> MakeTableWriter(const FormatOptions& options);

// Bytes each glyph's rows take in the C array.
std::size_t TableBytesPerGlyph(glyph::ScanBounds bounds);

} // namespace formats
