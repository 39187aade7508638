// Fixed-size records, one per glyph, to copy straight into a display's memory.
#pragma once

#include "formats/font_writer.h"

#include <memory>

namespace formats {

// const unsigned char NAME[COUNT][BYTES]: each record the whole cell (formats/cell.h) packed by
// FormatOptions::packing (--bit-order, --scan rows or columns: SSD1306/SH1106 pages), a comment
// naming its character. Without FormatOptions::first the records are the characters in the
// order given. With it, record i is the character with code first + i, up to the highest code;
// codes without a character are empty records. A character below `first`, or a table indexed
// by code that would run past kMaxIndexedRecords records, is refused (FormatError); the records
// also count toward --max-output through EstimateSize.
std::unique_ptr<FontWriter> MakeRawWriter(const FormatOptions& options);

// The most records a table indexed by code may have: every code of a 16-bit index.
inline constexpr long kMaxIndexedRecords = 65536;

} // namespace formats
