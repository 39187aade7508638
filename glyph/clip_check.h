// Whether a glyph's ink stays where the conversion can see it and the bytes can hold it.
#pragma once

#include "glyph/glyph_image.h"
#include "glyph/scan_geometry.h"

#include <span>

namespace glyph {

// Ink past one edge of the scan rectangle.
struct Spill {
    int pixels = 0; // ink pixels beyond the edge
    int reach = 0;  // how far beyond the edge the farthest of them lies, in pixels

    friend bool operator==(const Spill&, const Spill&) = default;
};

// Where a glyph's ink escapes the table. The rectangle is columns 0..ScanWidth and rows
// 0..ScanHeight; column 0 is inside it and drawn, but no byte carries it.
struct ClipReport {
    Spill left;         // left of column 0
    Spill right;        // right of column ScanWidth
    Spill top;          // above row 0
    Spill bottom;       // below row ScanHeight
    int columnZero = 0; // ink pixels in column 0, rows 0..ScanHeight

    bool Clean() const {
        return left.pixels + right.pixels + top.pixels + bottom.pixels + columnZero == 0;
    }
    friend bool operator==(const ClipReport&, const ClipReport&) = default;
};

// Lays the images on one canvas that holds all of them, darkest wins as on a surface, and
// classifies every ink pixel (by IsInk) against the rectangle. A pixel beyond a corner counts
// for both sides it is past.
ClipReport CheckClipping(std::span<const GlyphImage> drawn, ScanBounds bounds);

} // namespace glyph
