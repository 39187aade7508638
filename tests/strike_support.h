// The strike a font file draws, straight from the core, for comparing a file format's decoded
// glyphs with; and glyphs drawn as text for failure messages.
#pragma once

#include "glyph/font_faces.h"
#include "glyph/strike.h"

#include <functional>
#include <string>
#include <string_view>

namespace strikes {

inline glyph::Strike Draw(const std::string& file, float points, std::u32string_view text) {
    glyph::FontFaces faces;
    faces.Select(glyph::FontSource::File(file), {"", points, false, false});
    return glyph::DrawStrike(faces, text);
}

// Rows of '#' and '.' over the box (pen coordinates), a '+' row marking the baseline's place.
inline std::string Art(const glyph::PixelBox& box, const std::function<bool(int, int)>& ink) {
    std::string text;
    for (int y = box.y; y < box.bottom(); ++y) {
        if (y == 0) {
            text += std::string(static_cast<std::size_t>(box.width), '+') + "  baseline\n";
        }
        for (int x = box.x; x < box.right(); ++x) {
            text += ink(x, y) ? '#' : '.';
        }
        text += '\n';
    }
    if (box.bottom() == 0) {
        text += std::string(static_cast<std::size_t>(box.width), '+') + "  baseline\n";
    }
    return text;
}

} // namespace strikes
