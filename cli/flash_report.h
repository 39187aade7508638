// --report: what a font adds to flash, part by part, as one aligned block.
#pragma once

#include "formats/font_writer.h"

#include <string>
#include <string_view>

namespace cli {

// The block for one output: a first line naming `output` and `format`, then a line a part,
// the same labels for every format, and the total. Kerning has its line only where the font
// has any. For a file read at run time the total is the file's size.
//
//   rastova-convert: --report: dejavu_16.c (lvgl)
//     glyphs                   95
//     bitmaps                1159 bytes
//     ...
//     total                  2950 bytes of flash
std::string FlashReport(const formats::FlashCost& cost, std::string_view output,
                        std::string_view format);

} // namespace cli
