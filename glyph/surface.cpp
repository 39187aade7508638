#include "glyph/surface.h"

#include "glyph/ink.h"

#include <vector>

namespace glyph {

void Surface::ReadRow(int y, int count, Colour* out) const {
    for (int x = 0; x < count; ++x) {
        out[x] = Point(x, y);
    }
}

void Surface::ReadInkRow(int y, int count, bool* ink) const {
    std::vector<Colour> colours(static_cast<std::size_t>(count));
    ReadRow(y, count, colours.data());
    for (int x = 0; x < count; ++x) {
        ink[x] = IsInk(colours[x]);
    }
}

void ApplyFont(Surface& surface, const FontSpec& font) {
    surface.SetFontName(font.family);
    surface.SetFontSize(font.size);
    surface.SetFontBold(font.bold);
    surface.SetFontItalic(font.italic);
}

} // namespace glyph
