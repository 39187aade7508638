// A glyph as a surface drew it, whole, wherever it fell.
#pragma once

#include "glyph/surface.h"

#include <cstddef>
#include <vector>

namespace glyph {

// Grey levels of a box of pixels whose top-left corner is at (left, top) of the drawing area; the
// box may reach past any edge of the area. 255 is paper, 0 full ink.
struct GlyphImage {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    std::vector<unsigned char> grey; // row by row, width bytes a row

    // Colour of drawing-area pixel (x, y) as this image alone paints it: paper outside the box.
    Colour At(int x, int y) const {
        const int col = x - left;
        const int row = y - top;
        if (col < 0 || row < 0 || col >= width || row >= height) {
            return kPaper;
        }
        return static_cast<Colour>(grey[static_cast<std::size_t>(row) * width + col]) * 0x010101;
    }
};

} // namespace glyph
