// A font at one size as a set of glyphs, 1-bit or grey: what every file format is written from.
#pragma once

#include "glyph/bitmap.h"
#include "glyph/font_faces.h"
#include "glyph/kerning.h"

#include <string>
#include <string_view>
#include <vector>

namespace glyph {

// A rectangle of pixels around the pen origin: x to the right of the pen, y down from the
// baseline (so the rows above the baseline have negative y).
struct PixelBox {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    int right() const { return x + width; }
    int bottom() const { return y + height; }
    bool empty() const { return width <= 0 || height <= 0; }
    friend bool operator==(const PixelBox&, const PixelBox&) = default;
};

// The smallest box holding both; an empty box adds nothing.
PixelBox Union(const PixelBox& a, const PixelBox& b);

// One character, drawn with its pen origin on the baseline.
struct StrikeGlyph {
    char32_t code = 0;
    // The ink, trimmed to the smallest box that holds all of it; empty for a blank glyph. At
    // Depth::Eight each pixel is its coverage, and the box holds every pixel above 0.
    Bitmap ink;
    // Where the ink box lies: its top-left pixel is `left` pixels right of the pen and `top`
    // pixels above the baseline (FreeType's bitmap_left and bitmap_top).
    int left = 0;
    int top = 0;
    int advance = 0;     // whole pixels
    bool found = true;   // false: no face has it; `ink` is the missing-glyph box
    std::string problem; // non-empty: FreeType could draw it only in part, or not at all
    // Which of a run's fonts drew it (0: the first), and the code point drawn from that font:
    // `code` unless the character is remapped, written at another code than the font's.
    int source = 0;
    char32_t source_code = 0;

    PixelBox Box() const { return {left, -top, ink.width(), ink.height()}; }
    // Ink at (x, y) in pen coordinates (see PixelBox).
    bool InkAt(int x, int y) const { return ink.At(x - left, y + top); }
};

// Facts of the face and size every glyph of a strike shares.
struct StrikeFacts {
    FaceFacts face;
    // The fallback faces that draw some of the characters, in the order they are first used;
    // with several sources, then each later source's face and its fallbacks.
    std::vector<FaceFacts> fallbacks;
    // With several sources: each source's face, indexed by StrikeGlyph::source. Empty for one.
    std::vector<FaceFacts> sources;
    float points = 0; // as asked for; a bitmap font's strike: its own size
    bool bold = false;
    bool italic = false;
    SizeMetrics metrics;
    // The pairs the face kerns (KerningPairs), for the formats that hold them; empty unless the
    // run asks for them.
    std::vector<KernPair> kerning;
};

struct Strike {
    StrikeFacts facts;
    std::vector<StrikeGlyph> glyphs;

    // The box holding the ink of every glyph; empty when none has ink.
    PixelBox InkBounds() const;
    int MaxAdvance() const;
};

// The facts of the face `faces` draws with, and of the fallback faces that draw any of
// `characters`; throws FontError when the face cannot be opened.
StrikeFacts FactsOf(FontFaces& faces, std::u32string_view characters = {});

// Draws c as FontFaces::Render does at `depth` and keeps its ink. Depth::One: a pixel is ink
// where a surface would read it as ink (IsInk), so a strike and a surface show the same pixels.
// Depth::Eight: each pixel's coverage from FreeType's anti-aliased rasteriser, with the same
// faces, fallbacks and synthetic bold and slant.
StrikeGlyph DrawGlyph(FontFaces& faces, char32_t c, Depth depth = Depth::One);

// Every character in order, at `depth`.
Strike DrawStrike(FontFaces& faces, std::u32string_view characters, Depth depth = Depth::One);

} // namespace glyph
