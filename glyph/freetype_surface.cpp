#include "glyph/freetype_surface.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H

#include <algorithm>
#include <cmath>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>

namespace glyph {

int PointsToPixels(float points) {
    const double pixels = std::nearbyint(static_cast<double>(points) * kDotsPerInch / 72.0);
    return static_cast<int>(std::clamp(pixels, 1.0, 65535.0));
}

namespace {

std::string FreeTypeMessage(FT_Error error) {
    const char* text = FT_Error_String(error);
    return text != nullptr ? text : "FreeType error " + std::to_string(error);
}

// One face at one size with the style fontconfig asked for.
struct Slot {
    FT_Face face = nullptr;
    FT_Matrix matrix{0x10000, 0, 0, 0x10000};
    bool transformed = false;
    bool embolden = false;
    int pixelSize = 0;
};

std::string PatternString(FcPattern* pattern, const char* object) {
    FcChar8* value = nullptr;
    if (FcPatternGetString(pattern, object, 0, &value) == FcResultMatch && value != nullptr) {
        return reinterpret_cast<const char*>(value);
    }
    return {};
}

} // namespace

struct FreeTypeSurface::Fonts {
    FT_Library library = nullptr;
    std::map<std::pair<std::string, int>, FT_Face> faces;

    bool valid = false;
    std::string family;
    std::string file;
    Slot primary;
    int ascent = 0;
    int lineHeight = 0;

    // Fallbacks, looked up only when a character is missing from the primary face.
    FcPattern* request = nullptr;
    FcFontSet* ranked = nullptr;
    std::vector<std::optional<Slot>> rankedSlots;
    std::unordered_map<char32_t, const Slot*> fallbackFor;

    Fonts() {
        if (FcInit() == FcFalse) {
            throw SurfaceError("fontconfig could not be initialised");
        }
        if (const FT_Error error = FT_Init_FreeType(&library)) {
            throw SurfaceError("FreeType could not be initialised: " + FreeTypeMessage(error));
        }
    }
    ~Fonts() {
        Reset();
        for (auto& [key, face] : faces) {
            FT_Done_Face(face);
        }
        FT_Done_FreeType(library);
    }
    Fonts(const Fonts&) = delete;
    Fonts& operator=(const Fonts&) = delete;

    void Reset() {
        valid = false;
        if (ranked != nullptr) {
            FcFontSetDestroy(ranked);
            ranked = nullptr;
        }
        if (request != nullptr) {
            FcPatternDestroy(request);
            request = nullptr;
        }
        rankedSlots.clear();
        fallbackFor.clear();
    }

    FT_Face OpenFace(const std::string& path, int index) {
        const auto key = std::make_pair(path, index);
        if (auto found = faces.find(key); found != faces.end()) {
            return found->second;
        }
        FT_Face face = nullptr;
        if (const FT_Error error = FT_New_Face(library, path.c_str(), index, &face)) {
            throw SurfaceError("cannot open font file " + path + ": " + FreeTypeMessage(error));
        }
        faces.emplace(key, face);
        return face;
    }

    // Opens the face a fontconfig pattern names, with the matrix and emboldening fontconfig
    // asks for when it synthesises a style the family does not have.
    Slot OpenSlot(FcPattern* pattern, int pixelSize) {
        Slot slot;
        int index = 0;
        FcPatternGetInteger(pattern, FC_INDEX, 0, &index);
        slot.face = OpenFace(PatternString(pattern, FC_FILE), index);
        FcMatrix* matrix = nullptr;
        if (FcPatternGetMatrix(pattern, FC_MATRIX, 0, &matrix) == FcResultMatch &&
            matrix != nullptr) {
            slot.matrix.xx = static_cast<FT_Fixed>(std::lround(matrix->xx * 0x10000));
            slot.matrix.xy = static_cast<FT_Fixed>(std::lround(matrix->xy * 0x10000));
            slot.matrix.yx = static_cast<FT_Fixed>(std::lround(matrix->yx * 0x10000));
            slot.matrix.yy = static_cast<FT_Fixed>(std::lround(matrix->yy * 0x10000));
            slot.transformed =
                matrix->xx != 1 || matrix->xy != 0 || matrix->yx != 0 || matrix->yy != 1;
        }
        FcBool embolden = FcFalse;
        FcPatternGetBool(pattern, FC_EMBOLDEN, 0, &embolden);
        slot.embolden = embolden == FcTrue;
        slot.pixelSize = pixelSize;
        return slot;
    }

    void Resolve(const FontSpec& spec) {
        Reset();
        const int pixelSize = PointsToPixels(spec.size);
        request = FcPatternCreate();
        FcPatternAddString(request, FC_FAMILY,
                           reinterpret_cast<const FcChar8*>(spec.family.c_str()));
        FcPatternAddInteger(request, FC_WEIGHT, spec.bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
        FcPatternAddInteger(request, FC_SLANT, spec.italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
        FcPatternAddDouble(request, FC_PIXEL_SIZE, pixelSize);
        FcConfigSubstitute(nullptr, request, FcMatchPattern);
        FcDefaultSubstitute(request);

        FcResult result = FcResultNoMatch;
        FcPattern* match = FcFontMatch(nullptr, request, &result);
        if (match == nullptr) {
            throw SurfaceError("no font matches \"" + spec.family + "\"");
        }
        try {
            primary = OpenSlot(match, pixelSize);
            family = PatternString(match, FC_FAMILY);
            file = PatternString(match, FC_FILE);
        } catch (...) {
            FcPatternDestroy(match);
            throw;
        }
        FcPatternDestroy(match);
        if (family.empty()) {
            family = primary.face->family_name != nullptr ? primary.face->family_name : "";
        }
        SetSize(primary);
        const FT_Size_Metrics& metrics = primary.face->size->metrics;
        ascent = static_cast<int>((metrics.ascender + 63) >> 6);
        lineHeight = static_cast<int>((metrics.height + 63) >> 6);
        if (lineHeight <= 0) {
            lineHeight = pixelSize;
        }
        valid = true;
    }

    static void SetSize(const Slot& slot) {
        FT_Face face = slot.face;
        if (FT_IS_SCALABLE(face)) {
            if (const FT_Error error = FT_Set_Pixel_Sizes(face, 0, slot.pixelSize)) {
                throw SurfaceError("cannot size font to " + std::to_string(slot.pixelSize) +
                                   " pixels: " + FreeTypeMessage(error));
            }
            return;
        }
        // A bitmap font: the strike nearest the size asked for.
        int best = 0;
        for (int i = 1; i < face->num_fixed_sizes; ++i) {
            const auto distance = [&](int k) {
                return std::abs(face->available_sizes[k].height - slot.pixelSize);
            };
            if (distance(i) < distance(best)) {
                best = i;
            }
        }
        if (face->num_fixed_sizes == 0 || FT_Select_Size(face, best) != 0) {
            throw SurfaceError("font has no usable size");
        }
    }

    // The slot to draw c with: the primary face when it has the glyph, else the first ranked
    // fallback that has it, else the primary face (which draws its missing-glyph box).
    const Slot* SlotFor(char32_t c) {
        if (FT_Get_Char_Index(primary.face, c) != 0) {
            return &primary;
        }
        if (auto found = fallbackFor.find(c); found != fallbackFor.end()) {
            return found->second;
        }
        const Slot* chosen = nullptr;
        if (ranked == nullptr) {
            FcResult result = FcResultNoMatch;
            ranked = FcFontSort(nullptr, request, FcTrue, nullptr, &result);
            rankedSlots.assign(ranked != nullptr ? ranked->nfont : 0, std::nullopt);
        }
        for (int i = 0; ranked != nullptr && i < ranked->nfont && chosen == nullptr; ++i) {
            FcCharSet* charset = nullptr;
            if (FcPatternGetCharSet(ranked->fonts[i], FC_CHARSET, 0, &charset) != FcResultMatch ||
                FcCharSetHasChar(charset, c) == FcFalse) {
                continue;
            }
            if (!rankedSlots[i]) {
                FcPattern* prepared = FcFontRenderPrepare(nullptr, request, ranked->fonts[i]);
                if (prepared == nullptr) {
                    continue;
                }
                try {
                    rankedSlots[i] = OpenSlot(prepared, primary.pixelSize);
                    SetSize(*rankedSlots[i]);
                } catch (const SurfaceError&) {
                    rankedSlots[i].reset();
                }
                FcPatternDestroy(prepared);
            }
            if (rankedSlots[i] && FT_Get_Char_Index(rankedSlots[i]->face, c) != 0) {
                chosen = &*rankedSlots[i];
            }
        }
        fallbackFor.emplace(c, chosen);
        return chosen != nullptr ? chosen : &primary;
    }
};

FreeTypeSurface::FreeTypeSurface(FontSpec font)
    : spec_(std::move(font)), fonts_(std::make_unique<Fonts>()),
      grey_(static_cast<std::size_t>(width_) * height_, 255) {}

FreeTypeSurface::~FreeTypeSurface() = default;

void FreeTypeSurface::Invalidate() {
    fonts_->valid = false;
}

FreeTypeSurface::Fonts& FreeTypeSurface::ResolvedFonts() {
    if (!fonts_->valid) {
        fonts_->Resolve(spec_);
    }
    return *fonts_;
}

std::string FreeTypeSurface::FontName() {
    return ResolvedFonts().family;
}
std::string FreeTypeSurface::FontFile() {
    return ResolvedFonts().file;
}

bool FreeTypeSurface::HasGlyph(char32_t c) {
    Fonts& fonts = ResolvedFonts();
    const Slot* slot = fonts.SlotFor(c);
    return FT_Get_Char_Index(slot->face, c) != 0;
}

void FreeTypeSurface::SetFontName(std::string_view family) {
    spec_.family = family;
    Invalidate();
}

void FreeTypeSurface::SetFontSize(float points) {
    spec_.size = points;
    Invalidate();
}

void FreeTypeSurface::SetFontBold(bool bold) {
    spec_.bold = bold;
    Invalidate();
}

void FreeTypeSurface::SetFontItalic(bool italic) {
    spec_.italic = italic;
    Invalidate();
}

void FreeTypeSurface::Cls() {
    std::fill(grey_.begin(), grey_.end(), 255);
    printY_ = 0;
}

void FreeTypeSurface::EnsureExtent(int width, int height) {
    if (width <= width_ && height <= height_) {
        return;
    }
    width_ = std::max(width, width_);
    height_ = std::max(height, height_);
    grey_.assign(static_cast<std::size_t>(width_) * height_, 255);
}

Colour FreeTypeSurface::Point(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) {
        return kOutside;
    }
    return static_cast<Colour>(grey_[static_cast<std::size_t>(y) * width_ + x]) * 0x010101;
}

void FreeTypeSurface::ReadRow(int y, int count, Colour* out) const {
    if (y < 0 || y >= height_) {
        std::fill_n(out, count, kOutside);
        return;
    }
    const int inside = std::clamp(count, 0, width_);
    const unsigned char* row = grey_.data() + static_cast<std::size_t>(y) * width_;
    for (int x = 0; x < inside; ++x) {
        out[x] = static_cast<Colour>(row[x]) * 0x010101;
    }
    std::fill(out + inside, out + std::max(count, inside), kOutside);
}

void FreeTypeSurface::Print(std::u32string_view text) {
    Fonts& fonts = ResolvedFonts();
    long penX = 0; // 26.6 fixed point
    const int baseline = printY_ + fonts.ascent;
    for (char32_t c : text) {
        DrawChar(c, penX, baseline);
    }
    printY_ += fonts.lineHeight;
}

void FreeTypeSurface::DrawChar(char32_t c, long& penX, int baseline) {
    const Slot& slot = *fonts_->SlotFor(c);
    FT_Face face = slot.face;
    if (&slot != &fonts_->primary || face->size->metrics.y_ppem == 0) {
        Fonts::SetSize(slot);
    }
    // Faces are shared between slots, so the transform is set before every load.
    FT_Set_Transform(face, slot.transformed ? const_cast<FT_Matrix*>(&slot.matrix) : nullptr,
                     nullptr);
    const FT_UInt index = FT_Get_Char_Index(face, c);
    FT_Int32 flags = FT_LOAD_TARGET_MONO;
    if (FT_HAS_COLOR(face)) {
        flags |= FT_LOAD_COLOR;
    }
    if (const FT_Error error = FT_Load_Glyph(face, index, flags)) {
        throw SurfaceError("cannot load glyph U+" + std::to_string(static_cast<unsigned>(c)) +
                           ": " + FreeTypeMessage(error));
    }
    FT_GlyphSlot glyph = face->glyph;
    if (slot.embolden && glyph->format == FT_GLYPH_FORMAT_OUTLINE) {
        FT_GlyphSlot_Embolden(glyph);
    }
    if (glyph->format != FT_GLYPH_FORMAT_BITMAP) {
        if (const FT_Error error = FT_Render_Glyph(glyph, FT_RENDER_MODE_MONO)) {
            throw SurfaceError("cannot draw glyph: " + FreeTypeMessage(error));
        }
    }

    const FT_Bitmap& bitmap = glyph->bitmap;
    const int left = static_cast<int>(penX >> 6) + glyph->bitmap_left;
    const int top = baseline - glyph->bitmap_top;
    // Columns of the bitmap that fall inside the drawing area.
    const int firstCol = std::max(0, -left);
    const int endCol = std::min(static_cast<int>(bitmap.width), width_ - left);
    for (int row = 0; row < static_cast<int>(bitmap.rows); ++row) {
        const int y = top + row;
        if (y < 0 || y >= height_ || firstCol >= endCol) {
            continue;
        }
        const unsigned char* source = bitmap.buffer + static_cast<long>(row) * bitmap.pitch;
        unsigned char* rowStart = grey_.data() + static_cast<std::size_t>(y) * width_;
        switch (bitmap.pixel_mode) {
        case FT_PIXEL_MODE_MONO:
            for (int col = firstCol; col < endCol; ++col) {
                if ((source[col >> 3] & (0x80U >> (col & 7))) != 0) {
                    rowStart[left + col] = 0;
                }
            }
            break;
        case FT_PIXEL_MODE_GRAY:
            for (int col = firstCol; col < endCol; ++col) {
                unsigned char& paper = rowStart[left + col];
                paper = std::min<unsigned char>(paper, 255 - source[col]);
            }
            break;
        case FT_PIXEL_MODE_BGRA:
            // Premultiplied colour over white paper, as grey.
            for (int col = firstCol; col < endCol; ++col) {
                const unsigned char* pixel = source + 4 * col;
                const unsigned grey = (pixel[0] + pixel[1] + pixel[2]) / 3 + (255U - pixel[3]);
                unsigned char& paper = rowStart[left + col];
                paper = std::min<unsigned char>(paper, std::min(grey, 255U));
            }
            break;
        default:
            break;
        }
    }
    penX += glyph->advance.x;
}

} // namespace glyph
