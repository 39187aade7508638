#include "glyph/font_faces.h"

#include "glyph/family_names.h"
#include "glyph/font_faces_state.h"
#include "glyph/font_file_check.h"
#include "glyph/name_table.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace glyph {

int PointsToPixels(float points) {
    const double pixels = std::nearbyint(static_cast<double>(points) * kDotsPerInch / 72.0);
    return static_cast<int>(std::clamp(pixels, 1.0, 65535.0));
}

std::string FreeTypeMessage(FT_Error error) {
    // fterrors.h lists every code with its words; expanding it here keeps the words even where
    // the library was built without them.
    struct Entry {
        int code;
        const char* text;
    };
    static constexpr Entry kEntries[] = {
#undef FTERRORS_H_
#define FT_ERRORDEF(e, v, s) {v, s},
#define FT_ERROR_START_LIST
#define FT_ERROR_END_LIST
#include FT_ERRORS_H
    };
    const int code = FT_ERROR_BASE(error);
    for (const Entry& entry : kEntries) {
        if (entry.code == code) {
            return entry.text;
        }
    }
    return "FreeType error " + std::to_string(error);
}

namespace {

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

// The name asked for that fontconfig's configuration resolved to the match: the first generic
// name or configured alias asked for, when no family asked for is matched by name.
std::string AliasResolved(const std::vector<std::string>& asked,
                          const std::vector<std::string>& matched) {
    for (const std::string& family : asked) {
        for (const std::string& have : matched) {
            if (SameFamily(family, have)) {
                return {};
            }
        }
    }
    for (const std::string& family : asked) {
        if (IsConfiguredFamily(family)) {
            return family;
        }
    }
    return {};
}

// A font file must be a regular file this process can read; FreeType's own errors would not
// tell a missing file from an unreadable one.
void CheckFontFile(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        throw FontError("cannot open font file " + path + ": " + std::strerror(errno));
    }
    if (!S_ISREG(info.st_mode)) {
        throw FontError("font file " + path + " is not a regular file");
    }
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        throw FontError("cannot read font file " + path + ": " + std::strerror(errno));
    }
    close(fd);
}

// The oblique fontconfig synthesises for a family without an italic face.
constexpr FT_Matrix kSyntheticOblique{0x10000, 0x3333, 0, 0x10000};

// The face's copyright, licence and maker, as its own tables give them.
void ReadNames(FT_Face face, FaceFacts& facts) {
    FaceNames names = ReadFaceNames(face);
    facts.copyright = std::move(names.copyright);
    facts.licence = std::move(names.licence);
    facts.foundry = std::move(names.foundry);
}

std::string StyleOf(const FaceSlot& slot) {
    std::string style = slot.face->style_name != nullptr ? slot.face->style_name : "";
    if (slot.embolden) {
        style += ", emboldened";
    }
    if (slot.transformed) {
        style += ", slanted";
    }
    return style;
}

} // namespace

FontFaces::State::State() {
    FT_Library made = nullptr;
    if (const FT_Error error = FT_Init_FreeType(&made)) {
        throw FontError("FreeType could not be initialised: " + FreeTypeMessage(error));
    }
    library.reset(made);
}

namespace {

// Why FT_New_Face failed, in the user's terms.
FontError FileError(FT_Library library, const std::string& path, int index, FT_Error error) {
    if (FT_ERROR_BASE(error) == FT_Err_Unknown_File_Format) {
        return FontError("font file " + path + " is not a font FreeType can read");
    }
    FT_Face opened = nullptr;
    if (index != 0 && FT_New_Face(library, path.c_str(), -1, &opened) == 0) {
        const FacePtr probe(opened);
        const long count = probe->num_faces;
        if (index < 0 || index >= count) {
            return FontError("face index " + std::to_string(index) + " is out of range: " + path +
                             " has " + std::to_string(count) + (count == 1 ? " face" : " faces"));
        }
    }
    return FontError("cannot open font file " + path + ": " + FreeTypeMessage(error));
}

FT_Face OpenFace(FontFaces::State& state, const std::string& path, int index) {
    const auto key = std::make_pair(path, index);
    if (auto found = state.faces.find(key); found != state.faces.end()) {
        return found->second.get();
    }
    if (state.exact) {
        CheckFontFileComplete(path);
    }
    FT_Face opened = nullptr;
    if (const FT_Error error = FT_New_Face(state.library.get(), path.c_str(), index, &opened)) {
        throw FileError(state.library.get(), path, index, error);
    }
    FacePtr face(opened);
    return state.faces.emplace(key, std::move(face)).first->second.get();
}

// Opens the face a fontconfig pattern names, with the matrix and emboldening fontconfig asks
// for when it synthesises a style the family does not have.
FaceSlot OpenSlot(FontFaces::State& state, FcPattern* pattern, int pixelSize) {
    FaceSlot slot;
    int index = 0;
    FcPatternGetInteger(pattern, FC_INDEX, 0, &index);
    slot.face = OpenFace(state, PatternString(pattern, FC_FILE), index);
    FcMatrix* matrix = nullptr;
    if (FcPatternGetMatrix(pattern, FC_MATRIX, 0, &matrix) == FcResultMatch && matrix != nullptr) {
        slot.matrix.xx = static_cast<FT_Fixed>(std::lround(matrix->xx * 0x10000));
        slot.matrix.xy = static_cast<FT_Fixed>(std::lround(matrix->xy * 0x10000));
        slot.matrix.yx = static_cast<FT_Fixed>(std::lround(matrix->yx * 0x10000));
        slot.matrix.yy = static_cast<FT_Fixed>(std::lround(matrix->yy * 0x10000));
        slot.transformed = matrix->xx != 1 || matrix->xy != 0 || matrix->yx != 0 || matrix->yy != 1;
    }
    FcBool embolden = FcFalse;
    FcPatternGetBool(pattern, FC_EMBOLDEN, 0, &embolden);
    slot.embolden = embolden == FcTrue;
    slot.pixelSize = pixelSize;
    return slot;
}

} // namespace

namespace {

// A strike's size in whole pixels, as FT_Select_Size rounds it: its nominal em (a BDF or PCF
// font's PIXEL_SIZE), not its line height.
int StrikePixels(const FT_Bitmap_Size& strike) {
    return static_cast<int>((strike.y_ppem + 32) >> 6);
}

// "8 px (6 pt), 13 px (9.75 pt)": the sizes a bitmap face has, smallest first.
std::string StrikeList(FT_Face face) {
    std::vector<int> sizes;
    for (int i = 0; i < face->num_fixed_sizes; ++i) {
        sizes.push_back(StrikePixels(face->available_sizes[i]));
    }
    std::sort(sizes.begin(), sizes.end());
    sizes.erase(std::unique(sizes.begin(), sizes.end()), sizes.end());
    std::string list;
    for (const int pixels : sizes) {
        char points[32];
        std::snprintf(points, sizeof points, "%g", pixels * 72.0 / kDotsPerInch);
        list += (list.empty() ? "" : ", ") + std::to_string(pixels) + " px (" + points + " pt)";
    }
    return list;
}

} // namespace

std::string FontFaces::State::FileOf(FT_Face face) const {
    for (const auto& [key, open] : faces) {
        if (open.get() == face) {
            return key.first;
        }
    }
    return {};
}

void FontFaces::State::SetSize(const FaceSlot& slot) const {
    FT_Face face = slot.face;
    if (FT_IS_SCALABLE(face)) {
        if (const FT_Error error = FT_Set_Pixel_Sizes(face, 0, slot.pixelSize)) {
            throw FontError("cannot size font to " + std::to_string(slot.pixelSize) +
                            " pixels: " + FreeTypeMessage(error));
        }
        return;
    }
    if (exact && FT_HAS_COLOR(face)) {
        throw FontError("font file " + FileOf(face) +
                        " holds its glyphs as colour pictures only (a colour emoji font); "
                        "1-bit glyphs are drawn from outlines or monochrome bitmaps");
    }
    // A bitmap font: the strike of the size asked for; when not exact, the nearest one.
    int best = -1;
    for (int i = 0; i < face->num_fixed_sizes; ++i) {
        const auto distance = [&](int k) {
            return exact ? std::abs(StrikePixels(face->available_sizes[k]) - slot.pixelSize)
                         : std::abs(face->available_sizes[k].height - slot.pixelSize);
        };
        if (best < 0 || distance(i) < distance(best)) {
            best = i;
        }
    }
    if (exact && best >= 0 && StrikePixels(face->available_sizes[best]) != slot.pixelSize) {
        throw FontError("font file " + FileOf(face) + " is a bitmap font with no " +
                        std::to_string(slot.pixelSize) + " px size; it has " + StrikeList(face));
    }
    if (best < 0 || FT_Select_Size(face, best) != 0) {
        throw FontError("font has no usable size");
    }
}

void FontFaces::State::ResolveFile(const FontSource& source, const FontSpec& font, int pixelSize) {
    CheckFontFile(source.name);
    FT_Face face = OpenFace(*this, source.name, source.faceIndex);
    primary.face = face;
    primary.pixelSize = pixelSize;
    const bool scalable = FT_IS_SCALABLE(face);
    primary.embolden = scalable && font.bold && (face->style_flags & FT_STYLE_FLAG_BOLD) == 0;
    if (scalable && font.italic && (face->style_flags & FT_STYLE_FLAG_ITALIC) == 0) {
        primary.matrix = kSyntheticOblique;
        primary.transformed = true;
    }
    facts.family = face->family_name != nullptr ? face->family_name : source.name;
    facts.file = source.name;
    facts.faceIndex = source.faceIndex;
}

void FontFaces::State::ResolvePattern(const FontSource& source, const FontSpec& font,
                                      int pixelSize) {
    if (!fontconfigReady) {
        if (FcInit() == FcFalse) {
            throw FontError("fontconfig could not be initialised");
        }
        fontconfigReady = true;
    }
    const std::string& text = source.name;
    if (source.kind == FontSource::Kind::Pattern) {
        request.reset(FcNameParse(reinterpret_cast<const FcChar8*>(text.c_str())));
        if (request == nullptr) {
            throw FontError("\"" + text + "\" is not a fontconfig pattern");
        }
        FcPatternDel(request.get(), FC_SIZE);
        FcPatternDel(request.get(), FC_PIXEL_SIZE);
    } else {
        request.reset(FcPatternCreate());
        FcPatternAddString(request.get(), FC_FAMILY,
                           reinterpret_cast<const FcChar8*>(text.c_str()));
    }
    const std::vector<std::string> asked = Families(request.get());
    FcValue unused{};
    if (font.bold || FcPatternGet(request.get(), FC_WEIGHT, 0, &unused) != FcResultMatch) {
        FcPatternDel(request.get(), FC_WEIGHT);
        FcPatternAddInteger(request.get(), FC_WEIGHT,
                            font.bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    }
    if (font.italic || FcPatternGet(request.get(), FC_SLANT, 0, &unused) != FcResultMatch) {
        FcPatternDel(request.get(), FC_SLANT);
        FcPatternAddInteger(request.get(), FC_SLANT,
                            font.italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    }
    FcPatternAddDouble(request.get(), FC_PIXEL_SIZE, pixelSize);
    FcConfigSubstitute(nullptr, request.get(), FcMatchPattern);
    FcDefaultSubstitute(request.get());

    FcResult result = FcResultNoMatch;
    const PatternPtr match(FcFontMatch(nullptr, request.get(), &result));
    if (match == nullptr) {
        throw FontError("no font matches \"" + text + "\"");
    }
    primary = OpenSlot(*this, match.get(), pixelSize);
    facts.family = PatternString(match.get(), FC_FAMILY);
    facts.file = PatternString(match.get(), FC_FILE);
    FcPatternGetInteger(match.get(), FC_INDEX, 0, &facts.faceIndex);
    const std::vector<std::string> matched = Families(match.get());
    facts.replaced = Replaced(asked, matched);
    facts.alias = AliasResolved(asked, matched);
    if (facts.family.empty()) {
        facts.family = primary.face->family_name != nullptr ? primary.face->family_name : "";
    }
}

void FontFaces::State::Measure(int pixelSize) {
    SetSize(primary);
    const FT_Size_Metrics& size = primary.face->size->metrics;
    metrics.strike = !FT_IS_SCALABLE(primary.face);
    metrics.pixelSize = metrics.strike ? size.y_ppem : pixelSize;
    metrics.ascent = static_cast<int>((size.ascender + 63) >> 6);
    metrics.descent = static_cast<int>((-size.descender + 63) >> 6);
    metrics.lineHeight = static_cast<int>((size.height + 63) >> 6);
    if (metrics.lineHeight <= 0) {
        metrics.lineHeight = pixelSize;
    }
    if (FT_IS_SCALABLE(primary.face) && primary.face->underline_thickness > 0) {
        // FreeType gives the stem's centre; the font's own table (and LVGL) its top edge.
        const FT_Face face = primary.face;
        const FT_Long top = face->underline_position + face->underline_thickness / 2;
        metrics.underlineTop = static_cast<int>((FT_MulFix(top, size.y_scale) + 32) >> 6);
        metrics.underlineThickness =
            static_cast<int>((FT_MulFix(face->underline_thickness, size.y_scale) + 32) >> 6);
    }
}

void FontFaces::State::Resolve(const FontSource& source, const FontSpec& font) {
    valid = false;
    ranked.reset();
    request.reset();
    rankedSlots.clear();
    fallbackFor.clear();
    facts = FaceFacts{};
    metrics = SizeMetrics{};
    primary = FaceSlot{};
    const int pixelSize = PointsToPixels(font.size);
    if (source.kind == FontSource::Kind::File) {
        ResolveFile(source, font, pixelSize);
    } else {
        ResolvePattern(source, font, pixelSize);
    }
    facts.style = StyleOf(primary);
    ReadNames(primary.face, facts);
    Measure(pixelSize);
    valid = true;
}

const FaceSlot* FontFaces::State::SlotFor(char32_t c) {
    if (FT_Get_Char_Index(primary.face, c) != 0) {
        return &primary;
    }
    if (request == nullptr) {
        return nullptr; // a face given by file has no fallbacks
    }
    if (auto found = fallbackFor.find(c); found != fallbackFor.end()) {
        return found->second;
    }
    const FaceSlot* chosen = nullptr;
    if (ranked == nullptr) {
        FcResult result = FcResultNoMatch;
        ranked.reset(FcFontSort(nullptr, request.get(), FcTrue, nullptr, &result));
        rankedSlots.assign(ranked != nullptr ? ranked->nfont : 0, std::nullopt);
    }
    for (int i = 0; ranked != nullptr && i < ranked->nfont && chosen == nullptr; ++i) {
        FcCharSet* charset = nullptr;
        if (FcPatternGetCharSet(ranked->fonts[i], FC_CHARSET, 0, &charset) != FcResultMatch ||
            FcCharSetHasChar(charset, c) == FcFalse) {
            continue;
        }
        if (!rankedSlots[i]) {
            const PatternPtr prepared(
                FcFontRenderPrepare(nullptr, request.get(), ranked->fonts[i]));
            if (prepared == nullptr) {
                continue;
            }
            try {
                rankedSlots[i] = OpenSlot(*this, prepared.get(), primary.pixelSize);
                SetSize(*rankedSlots[i]);
            } catch (const FontError&) {
                rankedSlots[i].reset();
            }
        }
        if (rankedSlots[i] && FT_Get_Char_Index(rankedSlots[i]->face, c) != 0) {
            chosen = &*rankedSlots[i];
        }
    }
    fallbackFor.emplace(c, chosen);
    return chosen;
}

FontFaces::FontFaces() : state_(std::make_unique<State>()) {}
FontFaces::~FontFaces() = default;

void FontFaces::RequireExact(bool exact) {
    state_->exact = exact;
    state_->valid = false;
}

void FontFaces::SetHinting(Hinting hinting) {
    state_->hinting = hinting;
}

void FontFaces::Select(FontSource source, const FontSpec& font) {
    source_ = std::move(source);
    font_ = font;
    state_->valid = false;
}

FontFaces::State& FontFaces::Resolved() {
    if (!state_->valid) {
        state_->Resolve(source_, font_);
    }
    return *state_;
}

const FaceFacts& FontFaces::Facts() {
    return Resolved().facts;
}

const SizeMetrics& FontFaces::Metrics() {
    return Resolved().metrics;
}

bool FontFaces::HasGlyph(char32_t c) {
    return Resolved().SlotFor(c) != nullptr;
}

std::vector<FaceFacts> FontFaces::FallbackFacts(std::u32string_view characters) {
    State& state = Resolved();
    std::vector<FT_Face> seen;
    std::vector<FaceFacts> fallbacks;
    for (char32_t c : characters) {
        const FaceSlot* slot = state.SlotFor(c);
        if (slot == nullptr || slot == &state.primary ||
            std::find(seen.begin(), seen.end(), slot->face) != seen.end()) {
            continue;
        }
        seen.push_back(slot->face);
        FaceFacts facts;
        facts.family = slot->face->family_name != nullptr ? slot->face->family_name : "";
        for (const auto& [key, face] : state.faces) {
            if (face.get() == slot->face) {
                facts.file = key.first;
                facts.faceIndex = key.second;
            }
        }
        facts.style = StyleOf(*slot);
        ReadNames(slot->face, facts);
        fallbacks.push_back(std::move(facts));
    }
    return fallbacks;
}

} // namespace glyph
