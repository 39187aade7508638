// Whole conversions for the tests: a character's table streamed line by line, or as one text.
// The window reads a glyph::Conversion row by row itself.
#pragma once

#include "glyph/conversion.h"

#include <functional>
#include <string>
#include <string_view>

namespace test {

// Receives a conversion's text one line at a time, the header first. Returning false stops the
// conversion there.
using LineSink = std::function<bool(std::string_view line)>;

enum class Outcome {
    Ignored, // a control code: nothing drawn, the sink never called
    Stopped, // the sink returned false
    Done,    // every row went to the sink
};

Outcome ConvertGlyph(glyph::Surface& surface, char32_t KeyAscii, glyph::ScanBounds bounds,
                     const LineSink& sink, std::string_view eol = glyph::kCrLf);

// The whole text at once: header and every row line; empty for a control code.
std::string ConvertToText(glyph::Surface& surface, char32_t KeyAscii, glyph::ScanBounds bounds,
                          std::string_view eol = glyph::kCrLf);

} // namespace test
