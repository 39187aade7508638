// Turning one typed character into its bitmap table.
#pragma once

#include "glyph/row_format.h"
#include "glyph/scan_geometry.h"
#include "glyph/surface.h"

#include <memory>
#include <string>
#include <string_view>

namespace glyph {

// Codes below this are control keys and convert to nothing.
inline constexpr char32_t kFirstPrintable = 32;

// One conversion, a row at a time. Constructing it clears the surface and draws the character at
// its top-left corner; the bounds and the face name are taken once, here, so the table stays
// consistent whatever changes while its rows are being read.
class Conversion {
public:
    // KeyAscii must be printable (>= kFirstPrintable). Bounds whose width is negative or not a
    // multiple of 8 throw std::invalid_argument.
    Conversion(Surface& surface, char32_t KeyAscii, ScanBounds bounds,
               std::string_view eol = kCrLf);

    const std::string& header() const { return header_; }
    int rowCount() const { return bounds_.ScanHeight + 1; }
    // Appends the next row's line to out; false, with out untouched, once every row is done.
    bool NextRow(std::string& out);

private:
    Surface& surface_;
    ScanBounds bounds_;
    std::string eol_;
    std::string header_;
    int nextRow_ = 0;
    std::unique_ptr<bool[]> ink_;
};

} // namespace glyph
