#include "tests/conversion_support.h"

namespace test {

Outcome ConvertGlyph(glyph::Surface& surface, char32_t KeyAscii, glyph::ScanBounds bounds,
                     const LineSink& sink, std::string_view eol) {
    if (KeyAscii < glyph::kFirstPrintable) {
        return Outcome::Ignored;
    }
    glyph::Conversion conversion(surface, KeyAscii, bounds, eol);
    if (!sink(conversion.header())) {
        return Outcome::Stopped;
    }
    std::string line;
    for (;;) {
        line.clear();
        if (!conversion.NextRow(line)) {
            return Outcome::Done;
        }
        if (!sink(line)) {
            return Outcome::Stopped;
        }
    }
}

std::string ConvertToText(glyph::Surface& surface, char32_t KeyAscii, glyph::ScanBounds bounds,
                          std::string_view eol) {
    if (KeyAscii < glyph::kFirstPrintable) {
        return {};
    }
    glyph::Conversion conversion(surface, KeyAscii, bounds, eol);
    std::string text = conversion.header();
    while (conversion.NextRow(text)) {
    }
    return text;
}

} // namespace test
