// Faces found with fontconfig or opened from a file, sized, and the glyphs FreeType draws with
// them.
#pragma once

#include "glyph/bitmap.h"
#include "glyph/surface.h"

#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace glyph {

struct KernPair;

// A font that cannot be found, opened or sized.
class FontError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Point sizes become pixels at this resolution, rounded to a whole pixel.
inline constexpr double kDotsPerInch = 96.0;
int PointsToPixels(float points);

// Where the face comes from.
struct FontSource {
    enum class Kind {
        Family,  // a family name looked up with fontconfig
        Pattern, // a fontconfig pattern such as "DejaVu Serif:bold"
        File,    // a font file opened with FreeType alone: no fontconfig, no fallback faces
    };
    Kind kind = Kind::Family;
    std::string name; // the family, the pattern or the file's path
    int faceIndex = 0;

    static FontSource Family(std::string_view family) {
        return {Kind::Family, std::string(family)};
    }
    static FontSource Pattern(std::string_view pattern) {
        return {Kind::Pattern, std::string(pattern)};
    }
    static FontSource File(std::string_view path, int index = 0) {
        return {Kind::File, std::string(path), index};
    }
};

// What the face drawn with is, as the font itself says.
struct FaceFacts {
    std::string family;
    // "Bold Oblique"; ", emboldened" and ", slanted" are added for styles drawn by synthesis.
    std::string style;
    std::string file;
    int faceIndex = 0;
    // fontconfig matched a family other than the one asked for. Generic names such as
    // "sans-serif" are never replaced, nor is a face given by file.
    bool replaced = false;
    // When no family asked for is the family matched: the first one asked for that fontconfig's
    // configuration resolves, a generic name ("sans-serif") or an alias ("Arial"). Empty when a
    // family asked for was matched by name, when none was named, or for a face given by file.
    std::string alias;
    // From the font's name table (or a bitmap font's properties), on one line; may be empty.
    std::string copyright;
    std::string licence;
    // Who made the font: its OS/2 vendor ID ("PfEd"), or a bitmap font's FOUNDRY; may be empty.
    std::string foundry;
};

// Line metrics of the sized face, in whole pixels.
struct SizeMetrics {
    int pixelSize = 0;  // the em, as asked for (a bitmap font: its strike's nominal height)
    int ascent = 0;     // baseline to the top of the line, rounded up
    int descent = 0;    // baseline to the bottom of the line, positive, rounded up
    int lineHeight = 0; // baseline to baseline
    // The face's underline, rounded to whole pixels: its top edge above the baseline (negative:
    // below it) and its thickness. Both 0 when the face gives none (bitmap fonts).
    int underlineTop = 0;
    int underlineThickness = 0;
    bool strike = false; // a bitmap font drawn at one of its own sizes, not scaled
};

// A glyph as FreeType drew it, its box placed relative to the pen on the baseline. The pixels
// belong to the FontFaces that drew them and change with its next Render.
struct GlyphRaster {
    enum class Pixels {
        Mono, // 1 bit a pixel, the leftmost in the top bit; 1 is ink
        Grey, // 1 byte a pixel, 0 paper, 255 full coverage
        Bgra, // 4 bytes a pixel, premultiplied blue, green, red, alpha
    };
    int left = 0; // the box's left column, right of the pen
    int top = 0;  // the box's top row, above the baseline (y up)
    int width = 0;
    int height = 0;
    int pitch = 0; // bytes from one row to the next
    Pixels pixels = Pixels::Mono;
    const unsigned char* buffer = nullptr;
    long advance = 0;    // horizontal pen advance, 1/64 pixel
    bool found = true;   // false: no face has the character; the box is the missing-glyph box
    std::string problem; // non-empty: the glyph is drawn only in part, or not at all; why

    // The grey of pixel (x, y) of the box as a surface paints it: 255 paper, 0 full ink.
    unsigned char Grey(int x, int y) const;
};

// How FreeType fits outlines to the pixel grid. At 1 bit every mode is drawn by the monochrome
// rasteriser from the outline so hinted.
enum class Hinting {
    Normal, // the font's own hinting: FreeType's mono target at 1 bit, its normal target for grey
    Light,  // FreeType's light target: vertical fitting only, shapes and advances kept
    None,   // the outline as designed, unhinted
    Auto,   // FreeType's autohinter, whatever hinting the font has
};

class FontFaces {
public:
    FontFaces();
    ~FontFaces();
    FontFaces(const FontFaces&) = delete;
    FontFaces& operator=(const FontFaces&) = delete;

    // Chooses the face and size; the lookup happens on the next call that needs the face, and
    // fontconfig starts only when a lookup needs it. Bold and italic, when set, replace a
    // pattern's weight and slant and are synthesised where the face lacks them; a size in a
    // pattern is replaced by the font's size.
    void Select(FontSource source, const FontSpec& font);
    // Exact faces only, for a conversion whose result must be what was asked for. A font file
    // whose header lists parts past its end, a bitmap-only face without a strike of the size
    // asked for, and a face that holds only colour pictures then throw FontError instead of
    // being drawn (a bitmap face at its nearest strike otherwise); fallback faces that are
    // any of these are passed over.
    void RequireExact(bool exact);
    // How glyphs drawn from now on are hinted (default Normal).
    void SetHinting(Hinting hinting);
    const FontSource& source() const { return source_; }
    const FontSpec& font() const { return font_; }

    // These look the face up when needed; a face that cannot be found, opened or sized throws
    // FontError.
    const FaceFacts& Facts();
    const SizeMetrics& Metrics();
    // Whether the face or one of its fallbacks has a glyph for c.
    bool HasGlyph(char32_t c);
    // The fallback faces that draw any of `characters`, each once, in the order of the first
    // character each draws. Empty for a face given by file.
    std::vector<FaceFacts> FallbackFacts(std::u32string_view characters);
    // Draws c from the face, else from the first fallback fontconfig ranks that has it, else
    // the face's missing-glyph box. Depth::One: FreeType's monochrome rasteriser and hinting;
    // Depth::Eight: its anti-aliased rasteriser with the hinting it uses for it (outline glyphs
    // come back as Grey pixels; a bitmap font's glyphs as the font has them). A glyph FreeType
    // cannot draw whole comes back with `problem` set and as much of it as could be drawn; it
    // never throws for one glyph.
    const GlyphRaster& Render(char32_t c, Depth depth = Depth::One);

    struct State;

private:
    friend std::vector<KernPair> KerningPairs(FontFaces& faces, std::u32string_view characters);
    friend std::string GlyphName(FontFaces& faces, char32_t c);

    State& Resolved();

    FontSource source_;
    FontSpec font_;
    std::unique_ptr<State> state_;
};

} // namespace glyph
