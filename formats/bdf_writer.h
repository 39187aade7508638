// BDF 2.1, the X11 bitmap font interchange format: the way into X11 font tools, FreeType, the
// Linux console font tools and u8g2's own converter.
#pragma once

#include "formats/font_writer.h"

#include <cstddef>
#include <memory>

namespace formats {

// The whole set as one BDF 2.1 font, each glyph as its tight ink box:
//
//   STARTFONT 2.1
//   COMMENT ...                          the face, file, size, count, copyright, licence
//   FONT -PfEd-DejaVu Sans-Medium-R-Normal--16-120-96-96-P-94-ISO10646-1
//   SIZE 12 96 96                        points at 96 dpi
//   FONTBOUNDINGBOX 17 17 -1 -4          the set's ink: width, height, lower-left corner
//   STARTPROPERTIES n ... ENDPROPERTIES  X11 font properties (strings quoted, '"' doubled)
//   CHARS 95
//   STARTCHAR uni0041                    then, per glyph:
//   ENCODING 65                          the Unicode code point
//   SWIDTH 688 0                         the advance in 1/1000 of the point size
//   DWIDTH 11 0                          the advance in pixels
//   BBX 11 12 0 0                        ink box: width, height, lower-left corner from the pen
//   BITMAP                               (y up: "0 -3" is 3 rows below the baseline)
//   0400                                 rows top to bottom, hex, the leftmost pixel in the
//   ...                                  top bit, each row padded to whole bytes
//   ENDCHAR
//   ENDFONT
//
// A blank glyph has BBX 0 0 0 0 and no rows. FormatOptions::name, when given, replaces the
// whole XLFD name. Text the format cannot hold (it is printable ASCII) becomes '?'. Every line
// stays within the 1024 bytes X11's and u8g2's readers take: comments wrap, and a longer
// property string ends in "..." (the comments hold it whole). A glyph too large for readers
// (over 65535 bytes of bitmap) is a FormatError.
std::unique_ptr<FontWriter> MakeBdfWriter(const FormatOptions& options);

// The longest font name (FormatOptions::name) whose FONT line readers take.
inline constexpr std::size_t kMaxBdfFontName = 995;

} // namespace formats
