// Whether a pixel read back from the surface counts as ink.
#pragma once

#include "glyph/surface.h"

namespace glyph {

// Darkness of a colour: (16777215 - colour) / 70000, rounded to the nearest integer with halves
// going to the even neighbour. White is 0, black 240, a point outside the surface (-1) 240.
int Level(Colour colour);

// A pixel is ink when its level is above 100. In integer terms that is colour < 9742215
// (0x94A787): 9742215 itself is level 100.5, which rounds to 100. Blue weighs most, red least:
// grey (148,148,148) is ink, (149,149,149) paper, pure blue paper, pure red ink.
inline constexpr Colour kInkBelow = 9742215;

constexpr bool IsInk(Colour colour) {
    return colour < kInkBelow;
}

// For a grey pixel (the same level in red, green and blue): ink exactly below this level.
inline constexpr int kInkGreyBelow = [] {
    int grey = 0;
    while (grey < 256 && IsInk(grey * 0x010101)) {
        ++grey;
    }
    return grey;
}();
static_assert(kInkGreyBelow == 149, "grey 148 is ink, 149 paper");

} // namespace glyph
