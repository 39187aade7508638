// The real drawing surface: fonts found with fontconfig, glyphs drawn with FreeType.
#pragma once

#include "glyph/surface.h"

#include <memory>
#include <stdexcept>
#include <vector>

namespace glyph {

// A font that cannot be found, opened or sized, or a glyph FreeType cannot draw.
class SurfaceError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Point sizes become pixels at this resolution, rounded to a whole pixel.
inline constexpr double kDotsPerInch = 96.0;
int PointsToPixels(float points);

// Draws with FreeType's monochrome rasteriser and hinting, so strokes come out crisp. The font is
// looked up lazily, on the first Print or FontName after a change. A character the face lacks is
// drawn from the first face fontconfig ranks after it that has it.
class FreeTypeSurface : public Surface {
public:
    explicit FreeTypeSurface(FontSpec font = {"sans-serif", 10.0F, false, false});
    ~FreeTypeSurface() override;
    FreeTypeSurface(const FreeTypeSurface&) = delete;
    FreeTypeSurface& operator=(const FreeTypeSurface&) = delete;

    void Cls() override;
    void Print(std::u32string_view text) override;
    Colour Point(int x, int y) const override;
    void ReadRow(int y, int count, Colour* out) const override;
    void EnsureExtent(int width, int height) override;
    int Width() const override { return width_; }
    int Height() const override { return height_; }

    std::string FontName() override;
    void SetFontName(std::string_view family) override;
    float FontSize() const override { return spec_.size; }
    void SetFontSize(float points) override;
    bool FontBold() const override { return spec_.bold; }
    void SetFontBold(bool bold) override;
    bool FontItalic() const override { return spec_.italic; }
    void SetFontItalic(bool italic) override;

    // The file of the face the surface draws with.
    std::string FontFile();
    // Whether the face or one of its fallbacks has a glyph for c.
    bool HasGlyph(char32_t c);

private:
    struct Fonts;
    Fonts& ResolvedFonts();
    void DrawChar(char32_t c, long& penX, int baseline);
    void Invalidate();

    FontSpec spec_;
    std::unique_ptr<Fonts> fonts_;
    int width_ = kMinExtent;
    int height_ = kMinExtent;
    // One byte a pixel: 255 paper, 0 full ink.
    std::vector<unsigned char> grey_;
    int printY_ = 0;
};

} // namespace glyph
