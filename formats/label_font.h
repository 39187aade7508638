// A tiny built-in bitmap font for the code-point labels of a preview: "U+0041" needs no font
// engine, and looks the same whatever fonts a machine has.
#pragma once

#include <array>
#include <cstdint>

namespace formats {

// Each character is 5 pixels wide and 7 high, one byte a row, the leftmost pixel in bit 4:
//
//   . # # # .   0x0E
//   # . . . #   0x11
//   # . . . #   0x11
//   # # # # #   0x1F      'A'
//   # . . . #   0x11
//   # . . . #   0x11
//   # . . . #   0x11
inline constexpr int kLabelCharWidth = 5;
inline constexpr int kLabelCharHeight = 7;
// From one character's left edge to the next one's.
inline constexpr int kLabelAdvance = kLabelCharWidth + 1;

using LabelChar = std::array<std::uint8_t, kLabelCharHeight>;

// The rows of c: '0'-'9', 'A'-'Z', '+' and "().,-_:/?="; nullptr for any other character
// (a space among them).
const LabelChar* LabelGlyph(char c);

} // namespace formats
