#include "glyph/ink.h"

#include <cmath>

namespace glyph {

int Level(Colour colour) {
    const Colour darkness = kPaper - colour;
    // nearbyint uses the current rounding mode, round-half-to-even by default.
    return static_cast<int>(std::nearbyint(static_cast<double>(darkness) / 70000.0));
}

} // namespace glyph
