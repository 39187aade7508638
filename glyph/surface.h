// The drawing surface a glyph is drawn on and read back from.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace glyph {

// A pixel's colour as R + 256*G + 65536*B; -1 for a point outside the drawing area.
using Colour = std::int32_t;

inline constexpr Colour kPaper = 0xFFFFFF; // background: white
inline constexpr Colour kInk = 0x000000;   // foreground: black
inline constexpr Colour kOutside = -1;

// The smallest drawing area a surface has: 2016 x 2016 twips at 15 twips a pixel.
inline constexpr int kMinExtent = 134;

// Drawing area with whole-pixel coordinates, (0, 0) top left, x right, y down.
// Text is drawn in ink on paper at a print position that Cls puts back to (0, 0).
class Surface {
public:
    virtual ~Surface() = default;

    // Fills the drawing area with paper; the print position goes back to (0, 0).
    virtual void Cls() = 0;
    // Draws one line of text with the top-left corner of its cell at the print position, then
    // moves the print position to the left edge, one text line lower.
    virtual void Print(std::u32string_view text) = 0;
    // Colour of pixel (x, y) as the last drawing left it, or kOutside.
    virtual Colour Point(int x, int y) const = 0;

    // Reads pixels 0..count-1 of row y into out; the same values Point gives, faster.
    virtual void ReadRow(int y, int count, Colour* out) const;
    // Whether each of pixels 0..count-1 of row y is ink: IsInk of what ReadRow gives, faster
    // where a surface can tell from its own pixels.
    virtual void ReadInkRow(int y, int count, bool* ink) const;

    // Grows the drawing area, if needed, to at least width x height pixels. What was drawn is
    // not kept: call Cls afterwards.
    virtual void EnsureExtent(int width, int height) = 0;
    virtual int Width() const = 0;
    virtual int Height() const = 0;

    // The family the surface really draws with, which may differ from the one asked for.
    virtual std::string FontName() = 0;
    virtual void SetFontName(std::string_view family) = 0;
    virtual float FontSize() const = 0;
    virtual void SetFontSize(float points) = 0;
    virtual bool FontBold() const = 0;
    virtual void SetFontBold(bool bold) = 0;
    virtual bool FontItalic() const = 0;
    virtual void SetFontItalic(bool italic) = 0;
};

// The four properties of a surface font.
struct FontSpec {
    std::string family;
    float size = 10.0F;
    bool bold = false;
    bool italic = false;
};

// Sets all four font properties of a surface.
void ApplyFont(Surface& surface, const FontSpec& font);

} // namespace glyph
