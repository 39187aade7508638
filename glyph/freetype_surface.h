// The real drawing surface: glyphs drawn by FreeType on a canvas of grey pixels.
#pragma once

#include "glyph/font_faces.h"
#include "glyph/surface.h"

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace glyph {

// Draws with FreeType's monochrome rasteriser and hinting, so strokes come out crisp. The font is
// looked up lazily, on the first Print or FontName after a change (see FontFaces). A glyph
// FreeType cannot draw is left out of what Print draws.
//
// The face comes from one of three sources: a family name (SetFontName, the constructor), a
// fontconfig pattern (SetFontPattern) or a font file (SetFontFile). Setting one replaces the
// others. A font that cannot be found, opened or sized throws FontError on the next lookup.
class FreeTypeSurface : public Surface {
public:
    explicit FreeTypeSurface(FontSpec font = {"sans-serif", 10.0F, false, false});

    void Cls() override;
    void Print(std::u32string_view text) override;
    Colour Point(int x, int y) const override;
    void ReadRow(int y, int count, Colour* out) const override;
    void ReadInkRow(int y, int count, bool* ink) const override;
    void EnsureExtent(int width, int height) override;
    int Width() const override { return width_; }
    int Height() const override { return height_; }

    std::string FontName() override;
    void SetFontName(std::string_view family) override;
    float FontSize() const override { return faces_.font().size; }
    void SetFontSize(float points) override;
    bool FontBold() const override { return faces_.font().bold; }
    void SetFontBold(bool bold) override;
    bool FontItalic() const override { return faces_.font().italic; }
    void SetFontItalic(bool italic) override;

    // Looks the face up with a fontconfig pattern such as "DejaVu Serif:bold" instead of a plain
    // family name.
    void SetFontPattern(std::string_view pattern);
    // Draws with face `index` of the font file at `path`, opened with FreeType alone.
    void SetFontFile(std::string_view path, int index = 0);

    // The file of the face the surface draws with.
    std::string FontFile();
    // The face's style name, such as "Bold Oblique", with ", emboldened" and ", slanted" added
    // when the surface synthesises those.
    std::string FontStyle();
    // Whether the face or one of its fallbacks has a glyph for c.
    bool HasGlyph(char32_t c);
    // Whether fontconfig matched a family other than the one asked for.
    bool FamilyReplaced();

private:
    void Reselect(FontSource source, const FontSpec& font);
    void DrawChar(char32_t c, long& penX, int baseline);
    // Pixels 0..count-1 of row y as convert(grey), or `outside` where they are off the area.
    template <class T, class Convert>
    void ReadGreyRow(int y, int count, T* out, T outside, Convert convert) const {
        if (y < 0 || y >= height_) {
            std::fill_n(out, count, outside);
            return;
        }
        const int inside = std::clamp(count, 0, width_);
        const unsigned char* row = grey_.data() + static_cast<std::size_t>(y) * width_;
        for (int x = 0; x < inside; ++x) {
            out[x] = convert(row[x]);
        }
        std::fill(out + inside, out + std::max(count, inside), outside);
    }

    FontFaces faces_;
    int width_ = kMinExtent;
    int height_ = kMinExtent;
    // One byte a pixel: 255 paper, 0 full ink.
    std::vector<unsigned char> grey_;
    // The box drawn on since the last Cls, [left, right) x [top, bottom): all Cls clears.
    int dirtyLeft_ = 0;
    int dirtyTop_ = 0;
    int dirtyRight_ = 0;
    int dirtyBottom_ = 0;
    int printY_ = 0;
};

} // namespace glyph
