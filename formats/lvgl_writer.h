// The LVGL format: a C file defining an lv_font_t over LVGL's own text-font tables
// (lv_font_fmt_txt), 1 bit per pixel, uncompressed.
//
// FormatOptions::lvglVersion picks the layout: 9 writes every field LVGL 9.0 to 9.2 have (later
// 9.x read the same file; their new fields are set where they exist), 8 writes LVGL 8.3's, whose
// descriptor also points at a glyph cache.
#pragma once

#include "formats/font_writer.h"

#include <memory>

namespace formats {

std::unique_ptr<FontWriter> MakeLvglWriter(const FormatOptions& options);

} // namespace formats
