// Whether a TrueType glyph's outline is in the font: the part of FontFaces that reads 'loca'.
#include "glyph/font_faces_state.h"

#include FT_TRUETYPE_TABLES_H
#include FT_TRUETYPE_TAGS_H

#include <vector>

namespace glyph {

namespace {

// Composite glyphs nest no deeper than this (the font's maxp says how deep; 8 is generous).
constexpr int kMaxNesting = 8;

// The 'loca' and 'glyf' tables of a TrueType face. 'loca' holds one entry a glyph and one more:
// entry i is where glyph i's data starts in 'glyf', entry i + 1 where it ends; entries are
// 32-bit offsets, or 16-bit halves of them (head's indexToLocFormat).
class GlyphData {
public:
    explicit GlyphData(FT_Face face) : face_(face) {
        const auto* head = static_cast<const TT_Header*>(FT_Get_Sfnt_Table(face, FT_SFNT_HEAD));
        FT_ULong locaLength = 0;
        valid_ = FT_IS_SFNT(face) && head != nullptr &&
                 FT_Load_Sfnt_Table(face, TTAG_loca, 0, nullptr, &locaLength) == 0 &&
                 FT_Load_Sfnt_Table(face, TTAG_glyf, 0, nullptr, &glyfLength_) == 0;
        entry_ = valid_ && head->Index_To_Loc_Format != 0 ? 4 : 2;
        // 'loca' is read whole, once: a few bytes a glyph.
        if (valid_) {
            loca_.resize(locaLength);
            valid_ = FT_Load_Sfnt_Table(face, TTAG_loca, 0, loca_.data(), &locaLength) == 0;
        }
    }
    bool valid() const { return valid_; }

    // Why glyph `index` (`what` names it) is not whole in 'glyf', or "".
    std::string Check(FT_UInt index, const std::string& what, int depth) const {
        if ((FT_ULong{index} + 2) * entry_ > loca_.size()) {
            return what + " has no place in the font's loca table: the font file is damaged";
        }
        const unsigned char* bytes = loca_.data() + FT_ULong{index} * entry_;
        const FT_ULong start = entry_ == 4 ? Be32(bytes) : Be16(bytes) * 2UL;
        const FT_ULong end = entry_ == 4 ? Be32(bytes + 4) : Be16(bytes + 2) * 2UL;
        if (end < start || end > glyfLength_) {
            return what + " lies outside the font's glyf table (bytes " + std::to_string(start) +
                   " to " + std::to_string(end) + " of " + std::to_string(glyfLength_) +
                   "): the font file is damaged";
        }
        return end - start >= 10 && depth < kMaxNesting ? CheckParts(start, end, depth) : "";
    }

private:
    static FT_ULong Be16(const unsigned char* p) { return FT_ULong{p[0]} << 8 | p[1]; }
    static FT_ULong Be32(const unsigned char* p) { return Be16(p) << 16 | Be16(p + 2); }

    bool Read(FT_ULong offset, unsigned char* out, FT_ULong count) const {
        return FT_Load_Sfnt_Table(face_, TTAG_glyf, offset, out, &count) == 0;
    }

    // A composite glyph (a negative contour count) is a list of the glyphs it is built from:
    // each a 16-bit flags word and a glyph index, then its offset (two bytes or two words, by
    // flag 0x0001) and its scale (none, one, two or four F2Dot14 values, by flags 0x0008,
    // 0x0040, 0x0080), while flag 0x0020 says more follow.
    std::string CheckParts(FT_ULong start, FT_ULong end, int depth) const {
        unsigned char header[2];
        if (!Read(start, header, 2) || (header[0] & 0x80) == 0) {
            return {};
        }
        FT_ULong at = start + 10;
        for (FT_ULong flags = 0x20; (flags & 0x20) != 0 && at + 4 <= end;) {
            unsigned char part[4];
            if (!Read(at, part, 4)) {
                return {};
            }
            flags = Be16(part);
            const auto index = static_cast<FT_UInt>(Be16(part + 2));
            const std::string problem =
                Check(index, "the outline of glyph " + std::to_string(index) + ", a part of it,",
                      depth + 1);
            if (!problem.empty()) {
                return problem;
            }
            at += 4 + ((flags & 0x01) != 0 ? 4 : 2) +
                  ((flags & 0x08) != 0   ? 2
                   : (flags & 0x40) != 0 ? 4
                   : (flags & 0x80) != 0 ? 8
                                         : 0);
        }
        return {};
    }

    FT_Face face_;
    bool valid_ = false;
    std::vector<unsigned char> loca_;
    FT_ULong glyfLength_ = 0;
    FT_ULong entry_ = 2;
};

} // namespace

std::string MissingOutline(FT_Face face, FT_UInt index) {
    // The tables' places are looked up once a face and kept with it, freed with the face.
    if (face->generic.data == nullptr) {
        face->generic.data = new GlyphData(face);
        face->generic.finalizer = [](void* object) {
            const auto face = static_cast<FT_Face>(object);
            delete static_cast<GlyphData*>(face->generic.data);
            face->generic.data = nullptr;
        };
    }
    const auto& data = *static_cast<const GlyphData*>(face->generic.data);
    return data.valid() ? data.Check(index, "its outline", 0) : std::string();
}

} // namespace glyph
