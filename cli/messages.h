// Text of rastova-convert's notes on standard error.
#pragma once

#include "formats/font_writer.h"

#include <string>
#include <vector>

namespace cli {

// One line (without line end) for each way the glyph's ink escapes what the file holds; none
// when it holds all of it.
std::vector<std::string> ClipMessages(char32_t c, const formats::WrittenGlyph& written);

} // namespace cli
