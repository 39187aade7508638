// Whether a glyph's ink stays inside the box a format keeps of it.
#pragma once

#include "glyph/scan_geometry.h"
#include "glyph/strike.h"

namespace glyph {

// Ink past one edge of the box.
struct Spill {
    long pixels = 0; // ink pixels beyond the edge
    int reach = 0;  // how far beyond the edge the farthest of them lies, in pixels

    friend bool operator==(const Spill&, const Spill&) = default;
};

// Where a glyph's ink escapes a box. A pixel beyond a corner counts for both sides it is past.
struct ClipReport {
    Spill left;
    Spill right;
    Spill top;
    Spill bottom;
    // Ink in the box's first column, for a box whose first column no byte holds.
    long columnZero = 0;

    bool Clean() const {
        return left.pixels + right.pixels + top.pixels + bottom.pixels + columnZero == 0;
    }
    friend bool operator==(const ClipReport&, const ClipReport&) = default;
};

// Classifies every ink pixel of the glyph against `frame` (pen coordinates). With
// `firstColumnLost`, ink in the frame's first column, inside its rows, counts as columnZero.
ClipReport CheckClipping(const StrikeGlyph& glyph, const PixelBox& frame, bool firstColumnLost);

// The scan rectangle of a table in pen coordinates: columns 0..ScanWidth and rows
// 0..ScanHeight of a surface whose print position is (0, 0), its baseline `ascent` rows down.
PixelBox ScanFrame(ScanBounds bounds, int ascent);

} // namespace glyph
