// The names a font gives its glyphs (PostScript names from its 'post' table or CFF charset).
#pragma once

#include "glyph/font_faces.h"

#include <string>

namespace glyph {

// The longest glyph name read; a longer one is cut. PostScript names are at most 63 characters,
// and a 'post' table's names at most 255 bytes.
inline constexpr std::size_t kMaxGlyphName = 255;

// The name of the glyph that draws c, in the face that draws it (the face, or the fallback face
// FontFaces::Render takes it from): as the font has it, bytes and all, at most kMaxGlyphName
// bytes. "" when no face has c, the face keeps no glyph names, or the glyph's name is empty or
// ".notdef". A name is untrusted text (see glyph/safe_text.h).
std::string GlyphName(FontFaces& faces, char32_t c);

} // namespace glyph
