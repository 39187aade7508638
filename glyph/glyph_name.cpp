#include "glyph/glyph_name.h"

#include "glyph/font_faces_state.h"

#include <cstring>

namespace glyph {

std::string GlyphName(FontFaces& faces, char32_t c) {
    FontFaces::State& state = faces.Resolved();
    const FaceSlot* slot = state.SlotFor(c);
    if (slot == nullptr || !FT_HAS_GLYPH_NAMES(slot->face)) {
        return {};
    }
    const FT_UInt index = FT_Get_Char_Index(slot->face, c);
    char buffer[kMaxGlyphName + 1] = {};
    if (index == 0 || FT_Get_Glyph_Name(slot->face, index, buffer, sizeof buffer) != 0) {
        return {};
    }
    std::string name(buffer, strnlen(buffer, kMaxGlyphName));
    return name == ".notdef" ? std::string() : name;
}

} // namespace glyph
