// The text of one scanned row.
#pragma once

#include "glyph/packing.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace glyph {

inline constexpr std::string_view kCrLf = "\r\n";

inline constexpr Packing kRowBytes{BitOrder::LsbFirst, Scan::Rows, Padding::Line};

// Appends the line for one row of ScanWidth + 1 pixels (ink[0] is column 0, the leftmost) to
// `out`: ScanWidth / 8 byte literals, "//", then the row drawn with '#' for ink and ' ' for paper.
// Item k of the bytes holds columns 8k+1 .. 8k+8, column 8k+1 in bit 0; column 0 is drawn but is
// in no byte. With ScanWidth = 16:
//
//   column   0 1 2 3 4 5 6 7 8 9 ...          16
//   pixels   . # . . . . . . # . . . . . . . #
//   line     "0x81, 0x80, // #      #       #"
//             ^^^^ columns 1..8   ^^^^ columns 9..16
//
// scanWidth must be a non-negative multiple of 8. In terms of a packing rule, the bytes of the
// rows are kRowBytes applied to columns 1..ScanWidth.
void AppendRowLine(std::string& out, const bool* ink, int scanWidth, std::string_view eol = kCrLf);

// The length of that line: 6 characters an item ("0xHH, "), "//", the ScanWidth + 1 cells and
// the line end.
constexpr std::size_t RowLineSize(int scanWidth, std::size_t eolSize) {
    const auto width = static_cast<std::size_t>(scanWidth);
    return width / 8 * 6 + 2 + width + 1 + eolSize;
}

// Longer face names are cut short in the header line, which stays well within the 250
// characters any reader of C takes on a line.
inline constexpr std::size_t kMaxHeaderName = 200;

// "// <face> (<ScanWidth> pixels wide)" and the line end. The face name is the font's own text,
// written as a C comment allows (see TextPlace::Comment): a name such as "DejaVu Sans" stays
// as it is, a line break or "*/" in it cannot end the comment.
std::string HeaderLine(std::string_view face, int scanWidth, std::string_view eol = kCrLf);

} // namespace glyph
