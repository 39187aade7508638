#include "glyph/strike.h"

#include "glyph/ink.h"

#include <algorithm>
#include <cstring>

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

// The raster's ink as bits, in the raster's own box.
Bitmap InkOf(const GlyphRaster& raster) {
    Bitmap bits(raster.width, raster.height);
    for (int y = 0; y < bits.height(); ++y) {
        const unsigned char* source = raster.buffer + static_cast<long>(y) * raster.pitch;
        std::uint8_t* row = bits.Row(y);
        if (raster.pixels == GlyphRaster::Pixels::Mono) {
            std::memcpy(row, source, static_cast<std::size_t>(bits.stride()));
            if (const int spare = bits.width() & 7) {
                row[bits.stride() - 1] &= static_cast<std::uint8_t>(0xFF00U >> spare);
            }
            continue;
        }
        for (int x = 0; x < bits.width(); ++x) {
            if (raster.Grey(x, y) < kInkGreyBelow) {
                row[x >> 3] |= static_cast<std::uint8_t>(0x80U >> (x & 7));
            }
        }
    }
    return bits;
}

bool RowHasInk(const Bitmap& bits, int y) {
    const std::uint8_t* row = bits.Row(y);
    return std::any_of(row, row + bits.stride(), [](std::uint8_t byte) { return byte != 0; });
}

// Columns [first, end) of the picture holding ink, over rows [top, bottom).
void InkColumns(const Bitmap& bits, int top, int bottom, int& first, int& end) {
    std::vector<std::uint8_t> columns(static_cast<std::size_t>(bits.stride()), 0);
    for (int y = top; y < bottom; ++y) {
        const std::uint8_t* row = bits.Row(y);
        for (int i = 0; i < bits.stride(); ++i) {
            columns[static_cast<std::size_t>(i)] |= row[i];
        }
    }
    first = bits.width();
    end = 0;
    for (int x = 0; x < bits.width(); ++x) {
        if ((columns[static_cast<std::size_t>(x >> 3)] & (0x80U >> (x & 7))) != 0) {
            first = std::min(first, x);
            end = x + 1;
        }
    }
}

} // namespace

StrikeGlyph DrawGlyph(FontFaces& faces, char32_t c) {
    const GlyphRaster& raster = faces.Render(c);
    StrikeGlyph glyph;
    glyph.code = c;
    glyph.found = raster.found;
    glyph.problem = raster.problem;
    // Advances of hinted glyphs are whole pixels already; others round to the nearest.
    glyph.advance = static_cast<int>((raster.advance + 32) >> 6);
    if (raster.width <= 0 || raster.height <= 0) {
        return glyph;
    }
    Bitmap bits = InkOf(raster);
    int top = 0;
    int bottom = bits.height();
    while (top < bottom && !RowHasInk(bits, top)) {
        ++top;
    }
    while (bottom > top && !RowHasInk(bits, bottom - 1)) {
        --bottom;
    }
    if (top == bottom) {
        return glyph; // blank: no box, only the advance
    }
    int first = 0;
    int end = 0;
    InkColumns(bits, top, bottom, first, end);
    glyph.left = raster.left + first;
    glyph.top = raster.top - top;
    if (first == 0 && end == bits.width() && top == 0 && bottom == bits.height()) {
        glyph.ink = std::move(bits);
        return glyph;
    }
    glyph.ink = Bitmap(end - first, bottom - top);
    for (int y = top; y < bottom; ++y) {
        std::uint8_t* row = glyph.ink.Row(y - top);
        for (int i = 0; i < glyph.ink.stride(); ++i) {
            row[i] = bits.Byte(first + 8 * i, y);
        }
        if (const int spare = glyph.ink.width() & 7) {
            row[glyph.ink.stride() - 1] &= static_cast<std::uint8_t>(0xFF00U >> spare);
        }
    }
    return glyph;
}

Strike DrawStrike(FontFaces& faces, std::u32string_view characters) {
    Strike strike;
    strike.facts = FactsOf(faces, characters);
    strike.glyphs.reserve(characters.size());
    for (char32_t c : characters) {
        strike.glyphs.push_back(DrawGlyph(faces, c));
    }
    return strike;
}

} // namespace glyph
