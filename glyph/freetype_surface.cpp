#include "glyph/freetype_surface.h"

#include "glyph/ink.h"

#include <algorithm>

namespace glyph {

FreeTypeSurface::FreeTypeSurface(FontSpec font)
    : grey_(static_cast<std::size_t>(width_) * height_, 255) {
    faces_.Select(FontSource::Family(font.family), font);
}

void FreeTypeSurface::Reselect(FontSource source, const FontSpec& font) {
    faces_.Select(std::move(source), font);
}

std::string FreeTypeSurface::FontName() {
    return faces_.Facts().family;
}
std::string FreeTypeSurface::FontFile() {
    return faces_.Facts().file;
}
std::string FreeTypeSurface::FontStyle() {
    return faces_.Facts().style;
}
bool FreeTypeSurface::FamilyReplaced() {
    return faces_.Facts().replaced;
}
bool FreeTypeSurface::HasGlyph(char32_t c) {
    return faces_.HasGlyph(c);
}

void FreeTypeSurface::SetFontName(std::string_view family) {
    FontSpec font = faces_.font();
    font.family = family;
    Reselect(FontSource::Family(family), font);
}

void FreeTypeSurface::SetFontPattern(std::string_view pattern) {
    Reselect(FontSource::Pattern(pattern), faces_.font());
}

void FreeTypeSurface::SetFontFile(std::string_view path, int index) {
    Reselect(FontSource::File(path, index), faces_.font());
}

void FreeTypeSurface::SetFontSize(float points) {
    FontSpec font = faces_.font();
    font.size = points;
    Reselect(faces_.source(), font);
}

void FreeTypeSurface::SetFontBold(bool bold) {
    FontSpec font = faces_.font();
    font.bold = bold;
    Reselect(faces_.source(), font);
}

void FreeTypeSurface::SetFontItalic(bool italic) {
    FontSpec font = faces_.font();
    font.italic = italic;
    Reselect(faces_.source(), font);
}

void FreeTypeSurface::Cls() {
    for (int y = dirtyTop_; y < dirtyBottom_; ++y) {
        unsigned char* row = grey_.data() + static_cast<std::size_t>(y) * width_;
        std::fill(row + dirtyLeft_, row + dirtyRight_, 255);
    }
    dirtyLeft_ = dirtyTop_ = dirtyRight_ = dirtyBottom_ = 0;
    printY_ = 0;
}

void FreeTypeSurface::EnsureExtent(int width, int height) {
    if (width <= width_ && height <= height_) {
        return;
    }
    width_ = std::max(width, width_);
    height_ = std::max(height, height_);
    grey_.assign(static_cast<std::size_t>(width_) * height_, 255);
    dirtyLeft_ = dirtyTop_ = dirtyRight_ = dirtyBottom_ = 0;
}

Colour FreeTypeSurface::Point(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) {
        return kOutside;
    }
    return static_cast<Colour>(grey_[static_cast<std::size_t>(y) * width_ + x]) * 0x010101;
}

void FreeTypeSurface::ReadRow(int y, int count, Colour* out) const {
    ReadGreyRow(y, count, out, kOutside,
                [](unsigned char grey) { return static_cast<Colour>(grey) * 0x010101; });
}

void FreeTypeSurface::ReadInkRow(int y, int count, bool* ink) const {
    // A point outside the area reads kOutside, which is ink.
    ReadGreyRow(y, count, ink, true, [](unsigned char grey) { return grey < kInkGreyBelow; });
}

void FreeTypeSurface::Print(std::u32string_view text) {
    const int lineHeight = faces_.Metrics().lineHeight;
    const int baseline = printY_ + faces_.Metrics().ascent;
    long penX = 0; // 1/64 pixel
    for (char32_t c : text) {
        DrawChar(c, penX, baseline);
    }
    printY_ += lineHeight;
}

// Lays the glyph on the drawing area, darkest wins, clipped at the area's edges.
void FreeTypeSurface::DrawChar(char32_t c, long& penX, int baseline) {
    const GlyphRaster& raster = faces_.Render(c);
    const int left = static_cast<int>(penX >> 6) + raster.left;
    const int top = baseline - raster.top;
    penX += raster.advance;

    const int firstCol = std::max(0, -left);
    const int endCol = std::min(raster.width, width_ - left);
    const int firstRow = std::max(0, -top);
    const int endRow = std::min(raster.height, height_ - top);
    if (firstCol >= endCol || firstRow >= endRow) {
        return;
    }
    if (dirtyLeft_ == dirtyRight_) {
        dirtyLeft_ = left + firstCol;
        dirtyRight_ = left + endCol;
        dirtyTop_ = top + firstRow;
        dirtyBottom_ = top + endRow;
    } else {
        dirtyLeft_ = std::min(dirtyLeft_, left + firstCol);
        dirtyRight_ = std::max(dirtyRight_, left + endCol);
        dirtyTop_ = std::min(dirtyTop_, top + firstRow);
        dirtyBottom_ = std::max(dirtyBottom_, top + endRow);
    }
    for (int row = firstRow; row < endRow; ++row) {
        unsigned char* target = grey_.data() + static_cast<std::size_t>(top + row) * width_ + left;
        for (int col = firstCol; col < endCol; ++col) {
            target[col] = std::min(target[col], raster.Grey(col, row));
        }
    }
}

} // namespace glyph
