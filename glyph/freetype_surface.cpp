#include "glyph/freetype_surface.h"

#include "glyph/ink.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
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

std::string PatternString(FcPattern* pattern, const char* object, int n = 0) {
    FcChar8* value = nullptr;
    if (FcPatternGetString(pattern, object, n, &value) == FcResultMatch && value != nullptr) {
        return reinterpret_cast<const char*>(value);
    }
    return {};
}

std::vector<std::string> Families(FcPattern* pattern) {
    std::vector<std::string> families;
    for (int n = 0;; ++n) {
        std::string family = PatternString(pattern, FC_FAMILY, n);
        if (family.empty()) {
            return families;
        }
        families.push_back(std::move(family));
    }
}

// Family names compare as fontconfig compares them: ignoring case and blanks.
bool SameFamily(std::string_view a, std::string_view b) {
    const auto next = [](std::string_view s, std::size_t& i) -> int {
        while (i < s.size() && s[i] == ' ') {
            ++i;
        }
        if (i == s.size()) {
            return -1;
        }
        const char c = s[i++];
        return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : static_cast<unsigned char>(c);
    };
    std::size_t i = 0;
    std::size_t j = 0;
    for (;;) {
        const int x = next(a, i);
        if (x != next(b, j)) {
            return false;
        }
        if (x < 0) {
            return true;
        }
    }
}

// Names fontconfig's configuration maps to whatever the system prefers.
bool IsGenericFamily(std::string_view family) {
    static constexpr std::string_view kGeneric[] = {"sans-serif", "sans",    "serif",   "monospace",
                                                    "mono",       "cursive", "fantasy", "system-ui",
                                                    "emoji",      "math"};
    return std::any_of(std::begin(kGeneric), std::end(kGeneric),
                       [&](std::string_view generic) { return SameFamily(family, generic); });
}

// Whether none of the families asked for, generic names aside, is among those the match has.
bool Replaced(const std::vector<std::string>& asked, const std::vector<std::string>& matched) {
    bool named = false;
    for (const std::string& family : asked) {
        if (IsGenericFamily(family)) {
            continue;
        }
        named = true;
        for (const std::string& have : matched) {
            if (SameFamily(family, have)) {
                return false;
            }
        }
    }
    return named;
}

// A font file must be a regular file this process can read; FreeType's own errors would not
// tell a missing file from an unreadable one.
void CheckFontFile(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        throw SurfaceError("cannot open font file " + path + ": " + std::strerror(errno));
    }
    if (!S_ISREG(info.st_mode)) {
        throw SurfaceError("font file " + path + " is not a regular file");
    }
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        throw SurfaceError("cannot read font file " + path + ": " + std::strerror(errno));
    }
    close(fd);
}

// The greys of the eight pixels one byte of a monochrome bitmap holds, the leftmost in the top
// bit: 0 for ink, 255 for paper.
constexpr auto kMonoGreys = [] {
    std::array<std::array<unsigned char, 8>, 256> greys{};
    for (unsigned byte = 0; byte < 256; ++byte) {
        for (unsigned bit = 0; bit < 8; ++bit) {
            greys[byte][bit] = (byte & (0x80U >> bit)) != 0 ? 0 : 255;
        }
    }
    return greys;
}();

// The oblique fontconfig synthesises for a family without an italic face.
constexpr FT_Matrix kSyntheticOblique{0x10000, 0x3333, 0, 0x10000};

} // namespace

struct FreeTypeSurface::Fonts {
    FT_Library library = nullptr;
    std::map<std::pair<std::string, int>, FT_Face> faces;

    bool valid = false;
    bool fontconfigReady = false;
    std::string family;
    std::string file;
    bool replaced = false;
    Slot primary;
    int ascent = 0;
    int lineHeight = 0;

    // Fallbacks, looked up only when a character is missing from the primary face.
    FcPattern* request = nullptr;
    FcFontSet* ranked = nullptr;
    std::vector<std::optional<Slot>> rankedSlots;
    std::unordered_map<char32_t, const Slot*> fallbackFor;

    Fonts() {
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
            throw FileError(path, index, error);
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

    // Opens face `index` of a font file directly, synthesising the style it lacks.
    void ResolveFile(const FontSpec& font, const std::string& path, int index) {
        Reset();
        CheckFontFile(path);
        FT_Face face = OpenFace(path, index);
        primary = Slot{};
        primary.face = face;
        primary.pixelSize = PointsToPixels(font.size);
        const bool scalable = FT_IS_SCALABLE(face);
        primary.embolden = scalable && font.bold && (face->style_flags & FT_STYLE_FLAG_BOLD) == 0;
        if (scalable && font.italic && (face->style_flags & FT_STYLE_FLAG_ITALIC) == 0) {
            primary.matrix = kSyntheticOblique;
            primary.transformed = true;
        }
        family = face->family_name != nullptr ? face->family_name : path;
        file = path;
        replaced = false;
        Finish(primary.pixelSize);
    }

    // Why FT_New_Face failed, in the user's terms.
    SurfaceError FileError(const std::string& path, int index, FT_Error error) {
        if (error == FT_Err_Unknown_File_Format) {
            return SurfaceError("font file " + path + " is not a font FreeType can read");
        }
        FT_Face probe = nullptr;
        if (index != 0 && FT_New_Face(library, path.c_str(), -1, &probe) == 0) {
            const long count = probe->num_faces;
            FT_Done_Face(probe);
            if (index < 0 || index >= count) {
                return SurfaceError("face index " + std::to_string(index) +
                                    " is out of range: " + path + " has " + std::to_string(count) +
                                    (count == 1 ? " face" : " faces"));
            }
        }
        return SurfaceError("cannot open font file " + path + ": " + FreeTypeMessage(error));
    }

    // Looks the font up with fontconfig: `text` is a family name, or a pattern when `pattern`.
    void Resolve(const FontSpec& font, const std::string& text, bool pattern) {
        Reset();
        if (!fontconfigReady) {
            if (FcInit() == FcFalse) {
                throw SurfaceError("fontconfig could not be initialised");
            }
            fontconfigReady = true;
        }
        const int pixelSize = PointsToPixels(font.size);
        if (pattern) {
            request = FcNameParse(reinterpret_cast<const FcChar8*>(text.c_str()));
            if (request == nullptr) {
                throw SurfaceError("\"" + text + "\" is not a fontconfig pattern");
            }
            FcPatternDel(request, FC_SIZE);
            FcPatternDel(request, FC_PIXEL_SIZE);
        } else {
            request = FcPatternCreate();
            FcPatternAddString(request, FC_FAMILY, reinterpret_cast<const FcChar8*>(text.c_str()));
        }
        const std::vector<std::string> asked = Families(request);
        FcValue unused{};
        if (font.bold || FcPatternGet(request, FC_WEIGHT, 0, &unused) != FcResultMatch) {
            FcPatternDel(request, FC_WEIGHT);
            FcPatternAddInteger(request, FC_WEIGHT, font.bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
        }
        if (font.italic || FcPatternGet(request, FC_SLANT, 0, &unused) != FcResultMatch) {
            FcPatternDel(request, FC_SLANT);
            FcPatternAddInteger(request, FC_SLANT, font.italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
        }
        FcPatternAddDouble(request, FC_PIXEL_SIZE, pixelSize);
        FcConfigSubstitute(nullptr, request, FcMatchPattern);
        FcDefaultSubstitute(request);

        FcResult result = FcResultNoMatch;
        FcPattern* match = FcFontMatch(nullptr, request, &result);
        if (match == nullptr) {
            throw SurfaceError("no font matches \"" + text + "\"");
        }
        try {
            primary = OpenSlot(match, pixelSize);
            family = PatternString(match, FC_FAMILY);
            file = PatternString(match, FC_FILE);
            replaced = Replaced(asked, Families(match));
        } catch (...) {
            FcPatternDestroy(match);
            throw;
        }
        FcPatternDestroy(match);
        if (family.empty()) {
            family = primary.face->family_name != nullptr ? primary.face->family_name : "";
        }
        Finish(pixelSize);
    }

    // Sizes the primary face and takes the line metrics from it.
    void Finish(int pixelSize) {
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
        if (FT_Get_Char_Index(primary.face, c) != 0 || request == nullptr) {
            return &primary; // a face given by file has no fallbacks
        }
        if (auto found = fallbackFor.find(c); found != fallbackFor.end()) {
            // No face has c: the primary face draws its missing-glyph box.
            return found->second != nullptr ? found->second : &primary;
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
        switch (source_) {
        case Source::Family:
            fonts_->Resolve(spec_, spec_.family, false);
            break;
        case Source::Pattern:
            fonts_->Resolve(spec_, pattern_, true);
            break;
        case Source::File:
            fonts_->ResolveFile(spec_, pattern_, faceIndex_);
            break;
        }
    }
    return *fonts_;
}

std::string FreeTypeSurface::FontName() {
    return ResolvedFonts().family;
}
std::string FreeTypeSurface::FontFile() {
    return ResolvedFonts().file;
}

std::string FreeTypeSurface::FontStyle() {
    const Slot& primary = ResolvedFonts().primary;
    std::string style = primary.face->style_name != nullptr ? primary.face->style_name : "";
    if (primary.embolden) {
        style += ", emboldened";
    }
    if (primary.transformed) {
        style += ", slanted";
    }
    return style;
}

bool FreeTypeSurface::FamilyReplaced() {
    return ResolvedFonts().replaced;
}

bool FreeTypeSurface::HasGlyph(char32_t c) {
    Fonts& fonts = ResolvedFonts();
    const Slot* slot = fonts.SlotFor(c);
    return FT_Get_Char_Index(slot->face, c) != 0;
}

void FreeTypeSurface::SetFontName(std::string_view family) {
    spec_.family = family;
    source_ = Source::Family;
    Invalidate();
}

void FreeTypeSurface::SetFontPattern(std::string_view pattern) {
    pattern_ = pattern;
    source_ = Source::Pattern;
    Invalidate();
}

void FreeTypeSurface::SetFontFile(std::string_view path, int index) {
    pattern_ = path;
    faceIndex_ = index;
    source_ = Source::File;
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
    for (int y = dirtyTop_; y < dirtyBottom_; ++y) {
        unsigned char* row = grey_.data() + static_cast<std::size_t>(y) * width_;
        std::fill(row + dirtyLeft_, row + dirtyRight_, 255);
    }
    dirtyLeft_ = dirtyTop_ = dirtyRight_ = dirtyBottom_ = 0;
    printY_ = 0;
    drawnCount_ = 0;
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
        char code[16];
        std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(c));
        throw SurfaceError(std::string("cannot load glyph ") + code + ": " +
                           FreeTypeMessage(error));
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

    // The whole glyph first, then the part of it inside the drawing area.
    if (drawnCount_ == drawn_.size()) {
        drawn_.emplace_back();
    }
    GlyphImage& image = drawn_[drawnCount_++];
    const FT_Bitmap& bitmap = glyph->bitmap;
    image.left = static_cast<int>(penX >> 6) + glyph->bitmap_left;
    image.top = baseline - glyph->bitmap_top;
    image.width = static_cast<int>(bitmap.width);
    image.height = static_cast<int>(bitmap.rows);
    image.grey.assign(static_cast<std::size_t>(image.width) * image.height, 255);
    for (int row = 0; row < image.height; ++row) {
        const unsigned char* source = bitmap.buffer + static_cast<long>(row) * bitmap.pitch;
        unsigned char* out = image.grey.data() + static_cast<std::size_t>(row) * image.width;
        switch (bitmap.pixel_mode) {
        case FT_PIXEL_MODE_MONO:
            for (int col = 0; col < image.width; col += 8) {
                const auto& greys = kMonoGreys[source[col >> 3]];
                if (col + 8 <= image.width) {
                    std::memcpy(out + col, greys.data(), 8);
                } else {
                    std::copy(greys.begin(), greys.begin() + (image.width - col), out + col);
                }
            }
            break;
        case FT_PIXEL_MODE_GRAY:
            for (int col = 0; col < image.width; ++col) {
                out[col] = static_cast<unsigned char>(255 - source[col]);
            }
            break;
        case FT_PIXEL_MODE_BGRA:
            // Premultiplied colour over white paper, as grey.
            for (int col = 0; col < image.width; ++col) {
                const unsigned char* pixel = source + 4 * col;
                const unsigned grey = (pixel[0] + pixel[1] + pixel[2]) / 3 + (255U - pixel[3]);
                out[col] = static_cast<unsigned char>(std::min(grey, 255U));
            }
            break;
        default:
            break;
        }
    }
    Blit(image);
    penX += glyph->advance.x;
}

// Lays an image on the drawing area, darkest wins, clipped at the area's edges.
void FreeTypeSurface::Blit(const GlyphImage& image) {
    const int firstCol = std::max(0, -image.left);
    const int endCol = std::min(image.width, width_ - image.left);
    const int firstRow = std::max(0, -image.top);
    const int endRow = std::min(image.height, height_ - image.top);
    if (firstCol >= endCol || firstRow >= endRow) {
        return;
    }
    if (dirtyLeft_ == dirtyRight_) {
        dirtyLeft_ = image.left + firstCol;
        dirtyRight_ = image.left + endCol;
        dirtyTop_ = image.top + firstRow;
        dirtyBottom_ = image.top + endRow;
    } else {
        dirtyLeft_ = std::min(dirtyLeft_, image.left + firstCol);
        dirtyRight_ = std::max(dirtyRight_, image.left + endCol);
        dirtyTop_ = std::min(dirtyTop_, image.top + firstRow);
        dirtyBottom_ = std::max(dirtyBottom_, image.top + endRow);
    }
    for (int row = firstRow; row < endRow; ++row) {
        const unsigned char* source =
            image.grey.data() + static_cast<std::size_t>(row) * image.width;
        unsigned char* target =
            grey_.data() + static_cast<std::size_t>(image.top + row) * width_ + image.left;
        for (int col = firstCol; col < endCol; ++col) {
            target[col] = std::min(target[col], source[col]);
        }
    }
}

} // namespace glyph
