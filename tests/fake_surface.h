// An in-memory surface for tests: each character draws a picture the test gives it.
#pragma once

#include "glyph/surface.h"

#include <map>
#include <vector>

namespace glyph {

class FakeSurface : public Surface {
public:
    // Picture rows: '#' is ink, a character found in the palette is that colour, anything else
    // is paper.
    using Picture = std::vector<std::string>;
    using Palette = std::map<char, Colour>;

    explicit FakeSurface(int width = kMinExtent, int height = kMinExtent);

    // What Print draws for character c, its top-left corner at the print position. A character
    // without a picture draws nothing and is one pixel wide.
    void SetGlyph(char32_t c, Picture picture, Palette palette = {});
    void SetLineHeight(int pixels) { lineHeight_ = pixels; }

    // Every line Print was given since the surface was made.
    const std::vector<std::u32string>& printed() const { return printed_; }
    int clsCount() const { return clsCount_; }

    void Cls() override;
    void Print(std::u32string_view text) override;
    Colour Point(int x, int y) const override;
    void EnsureExtent(int width, int height) override;
    int Width() const override { return width_; }
    int Height() const override { return height_; }

    std::string FontName() override { return font_.family; }
    void SetFontName(std::string_view family) override { font_.family = family; }
    float FontSize() const override { return font_.size; }
    void SetFontSize(float points) override { font_.size = points; }
    bool FontBold() const override { return font_.bold; }
    void SetFontBold(bool bold) override { font_.bold = bold; }
    bool FontItalic() const override { return font_.italic; }
    void SetFontItalic(bool italic) override { font_.italic = italic; }

private:
    struct Glyph {
        Picture picture;
        Palette palette;
    };
    void SetPixel(int x, int y, Colour colour);

    int width_;
    int height_;
    std::vector<Colour> pixels_;
    std::map<char32_t, Glyph> glyphs_;
    std::vector<std::u32string> printed_;
    int clsCount_ = 0;
    int lineHeight_ = 16;
    int printX_ = 0;
    int printY_ = 0;
    FontSpec font_{"Courier", 9.75F, false, false};
};

} // namespace glyph
