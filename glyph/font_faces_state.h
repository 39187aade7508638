// Inside FontFaces: the FreeType and fontconfig objects. Only the files that implement
// FontFaces include this.
#pragma once

#include "glyph/font_faces.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <unordered_map>
#include <utility>
#include <vector>

namespace glyph {

// fontconfig objects freed when their holder goes.
struct PatternDeleter {
    void operator()(FcPattern* pattern) const { FcPatternDestroy(pattern); }
};
struct FontSetDeleter {
    void operator()(FcFontSet* set) const { FcFontSetDestroy(set); }
};
using PatternPtr = std::unique_ptr<FcPattern, PatternDeleter>;
using FontSetPtr = std::unique_ptr<FcFontSet, FontSetDeleter>;

// FreeType objects freed when their holder goes.
struct LibraryDeleter {
    void operator()(FT_Library library) const { FT_Done_FreeType(library); }
};
struct FaceDeleter {
    void operator()(FT_Face face) const { FT_Done_Face(face); }
};
using LibraryPtr = std::unique_ptr<std::remove_pointer_t<FT_Library>, LibraryDeleter>;
using FacePtr = std::unique_ptr<std::remove_pointer_t<FT_Face>, FaceDeleter>;

// One face at one size with the style it is drawn in.
struct FaceSlot {
    FT_Face face = nullptr;
    FT_Matrix matrix{0x10000, 0, 0, 0x10000};
    bool transformed = false;
    bool embolden = false;
    int pixelSize = 0;
};

// Why the TrueType outline of glyph `index`, or of a glyph it is built from, is not in the
// font; "" when it is, or when the face has no TrueType outlines. FreeType draws such a glyph
// blank, or without the part, and reports no error.
std::string MissingOutline(FT_Face face, FT_UInt index);

// FT_Load_Glyph's flags for drawing at `depth` with `hinting` (colour not included).
FT_Int32 LoadFlags(Hinting hinting, Depth depth);

// The words for a FreeType error code: Debian's FreeType is built without its own strings.
std::string FreeTypeMessage(FT_Error error);

// The members go in the reverse of their order here: the fontconfig holders and the slots
// first, then the faces they point into, then the library that made the faces.
struct FontFaces::State {
    LibraryPtr library;
    // Every face opened, by file and index; slots share them.
    std::map<std::pair<std::string, int>, FacePtr> faces;

    bool valid = false;
    bool fontconfigReady = false;
    bool exact = false; // see FontFaces::RequireExact
    Hinting hinting = Hinting::Normal;
    FaceFacts facts;
    SizeMetrics metrics;
    FaceSlot primary;

    // Fallbacks, looked up only when a character is missing from the primary face. A face
    // given by file has no request and so no fallbacks.
    PatternPtr request;
    FontSetPtr ranked;
    std::vector<std::optional<FaceSlot>> rankedSlots;
    std::unordered_map<char32_t, const FaceSlot*> fallbackFor; // nullptr: no face has it

    // What Render hands out, and a buffer for glyphs drawn in part.
    GlyphRaster raster;
    std::vector<unsigned char> partial;

    State();
    State(const State&) = delete;
    State& operator=(const State&) = delete;

    void Resolve(const FontSource& source, const FontSpec& font);
    void ResolveFile(const FontSource& source, const FontSpec& font, int pixelSize);
    void ResolvePattern(const FontSource& source, const FontSpec& font, int pixelSize);
    void Measure(int pixelSize);
    // The slot to draw c with: the primary face when it has the glyph, else the first ranked
    // fallback that has it, else nullptr.
    const FaceSlot* SlotFor(char32_t c);
    // Sizes the slot's face; a bitmap face takes the strike of the slot's size (see exact).
    void SetSize(const FaceSlot& slot) const;
    // The file a face was opened from.
    std::string FileOf(FT_Face face) const;
};

} // namespace glyph
