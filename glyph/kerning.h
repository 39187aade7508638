// Kerning of the face a set is drawn with: how much closer (or further apart) HarfBuzz sets two
// characters than their advances alone would.
#pragma once

#include "glyph/font_faces.h"

#include <string_view>
#include <vector>

namespace glyph {

// The pen after `left` moves `adjustment` more before `right` is drawn; negative moves them
// closer. In 1/64 pixel, as FreeType's advances.
struct KernPair {
    char32_t left = 0;
    char32_t right = 0;
    int adjustment = 0;
    friend bool operator==(const KernPair&, const KernPair&) = default;
};

// The pairs of `characters` that HarfBuzz kerns when it shapes them side by side with the
// face's default features (GPOS pair positioning, or the legacy 'kern' table), at the face's
// pixel size; in the order of `characters`, left first. Only pairs whose two characters the
// primary face draws: a fallback face's glyphs get none. A face without outlines has none.
std::vector<KernPair> KerningPairs(FontFaces& faces, std::u32string_view characters);

} // namespace glyph
