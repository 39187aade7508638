#include "glyph/strike.h"

#include "glyph/ink.h"
#include "glyph/utf8.h"

#include <algorithm>

namespace glyph {

PixelBox Union(const PixelBox& a, const PixelBox& b) {
    if (a.empty()) {
        return b.empty() ? PixelBox{} : b;
    }
    if (b.empty()) {
        return a;
    }
    const int x = std::min(a.x, b.x);
    const int y = std::min(a.y, b.y);
    return {x, y, std::max(a.right(), b.right()) - x, std::max(a.bottom(), b.bottom()) - y};
}

PixelBox Strike::InkBounds() const {
    PixelBox box;
    for (const StrikeGlyph& glyph : glyphs) {
        box = Union(box, glyph.Box());
    }
    return box;
}

int Strike::MaxAdvance() const {
    int widest = 0;
    for (const StrikeGlyph& glyph : glyphs) {
        widest = std::max(widest, glyph.advance);
    }
    return widest;
}

StrikeFacts FactsOf(FontFaces& faces, std::u32string_view characters) {
    StrikeFacts facts;
    facts.face = faces.Facts();
    facts.fallbacks = faces.FallbackFacts(characters);
    facts.metrics = faces.Metrics();
    // A bitmap font's size is its strike's, whatever size in points led to it.
    facts.points = facts.metrics.strike
                       ? static_cast<float>(facts.metrics.pixelSize * 72.0 / kDotsPerInch)
                       : faces.font().size;
    facts.bold = faces.font().bold;
    facts.italic = faces.font().italic;
    return facts;
}

namespace {

// The raster's ink at `depth`, in the raster's own box. Depth::One: ink where a surface reads
// the pixel as ink. Depth::Eight: the pixel's coverage (a 1-bit raster's ink is full coverage).
Bitmap InkOf(const GlyphRaster& raster, Depth depth) {
    Bitmap bits(raster.width, raster.height, depth);
    const bool sameLayout = raster.pixels == (depth == Depth::One ? GlyphRaster::Pixels::Mono
                                                                  : GlyphRaster::Pixels::Grey);
    for (int y = 0; y < bits.height(); ++y) {
        const unsigned char* source = raster.buffer + static_cast<long>(y) * raster.pitch;
        if (sameLayout) {
            bits.SetRow(y, source);
            continue;
        }
        for (int x = 0; x < bits.width(); ++x) {
            const unsigned grey = raster.Grey(x, y);
            if (depth == Depth::Eight) {
                bits.SetValue(x, y, 255U - grey);
            } else if (grey < kInkGreyBelow) {
                bits.Set(x, y);
            }
        }
    }
    return bits;
}

} // namespace

StrikeGlyph DrawGlyph(FontFaces& faces, char32_t c, Depth depth) {
    const GlyphRaster& raster = faces.Render(c, depth);
    StrikeGlyph glyph;
    glyph.code = c;
    glyph.source_code = c;
    glyph.found = raster.found;
    glyph.problem = raster.problem;
    // Advances of hinted glyphs are whole pixels already; others round to the nearest.
    glyph.advance = static_cast<int>((raster.advance + 32) >> 6);
    if (raster.width <= 0 || raster.height <= 0) {
        return glyph;
    }
    Bitmap bits = InkOf(raster, depth);
    const BitmapArea area = bits.InkArea();
    if (area.empty()) {
        return glyph; // blank: no box, only the advance
    }
    glyph.left = raster.left + area.x;
    glyph.top = raster.top - area.y;
    glyph.ink =
        area == BitmapArea{0, 0, bits.width(), bits.height()} ? std::move(bits) : bits.Cut(area);
    return glyph;
}

Strike DrawStrike(FontFaces& faces, std::u32string_view characters, Depth depth) {
    Strike strike;
    strike.facts = FactsOf(faces, characters);
    strike.glyphs.reserve(characters.size());
    for (char32_t c : characters) {
        strike.glyphs.push_back(DrawGlyph(faces, c, depth));
    }
    return strike;
}

} // namespace glyph
