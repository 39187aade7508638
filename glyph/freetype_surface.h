// The real drawing surface: fonts found with fontconfig, glyphs drawn with FreeType.
#pragma once

#include "glyph/glyph_image.h"
#include "glyph/surface.h"

#include <algorithm>
#include <cstddef>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
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
// looked up lazily, on the first Print or FontName after a change, and fontconfig is initialised
// only when a lookup needs it. A character the face lacks is drawn from the first face fontconfig
// ranks after it that has it.
//
// The face comes from one of three sources: a family name (SetFontName, the constructor), a
// fontconfig pattern (SetFontPattern) or a font file (SetFontFile). Setting one replaces the
// others.
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
    void ReadInkRow(int y, int count, bool* ink) const override;
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

    // Looks the face up with a fontconfig pattern such as "DejaVu Serif:bold" instead of a plain
    // family name. Bold and italic, when set, replace the pattern's weight and slant; a size in
    // the pattern is replaced by FontSize. A pattern fontconfig cannot parse throws SurfaceError
    // on the next lookup.
    void SetFontPattern(std::string_view pattern);
    // Draws with face `index` of the font file at `path`, opened with FreeType alone: no
    // fontconfig and no fallback faces. Bold and italic are synthesised when an outline face lacks
    // them. A file that is missing, unreadable or not a font, or an index past the file's faces,
    // throws SurfaceError on the next lookup.
    void SetFontFile(std::string_view path, int index = 0);

    // The file of the face the surface draws with.
    std::string FontFile();
    // The face's style name, such as "Bold Oblique", with ", emboldened" and ", slanted" added
    // when the surface synthesises those.
    std::string FontStyle();
    // Whether the face or one of its fallbacks has a glyph for c.
    bool HasGlyph(char32_t c);
    // Whether fontconfig matched a family other than the one asked for. Generic names such as
    // "sans-serif" are never replaced, nor is a face given by file.
    bool FamilyReplaced();

    // Every glyph Print drew since the last Cls, each whole, including what fell outside the
    // drawing area. Valid until the next Cls, Print or font change.
    std::span<const GlyphImage> Drawn() const { return {drawn_.data(), drawnCount_}; }

private:
    enum class Source { Family, Pattern, File };
    struct Fonts;
    Fonts& ResolvedFonts();
    void DrawChar(char32_t c, long& penX, int baseline);
    void Blit(const GlyphImage& image);
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
    void Invalidate();

    FontSpec spec_;
    Source source_ = Source::Family;
    std::string pattern_; // the pattern or the file path, by source_
    int faceIndex_ = 0;
    std::unique_ptr<Fonts> fonts_;
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
    // Images of the glyphs drawn since Cls; elements past drawnCount_ keep their buffers.
    std::vector<GlyphImage> drawn_;
    std::size_t drawnCount_ = 0;
};

} // namespace glyph
