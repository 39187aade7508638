#include "glyph/kerning.h"

#include "glyph/font_faces_state.h"
#include "glyph/pair_candidates.h"

#include FT_TRUETYPE_TABLES_H
#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <hb-ot.h>
#include <hb.h>
#include <map>
#include <memory>
#include <span>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace glyph {

namespace {

constexpr hb_tag_t kKern = HB_TAG('k', 'e', 'r', 'n');

struct HbFontDeleter {
    void operator()(hb_font_t* font) const { hb_font_destroy(font); }
};
struct HbFaceDeleter {
    void operator()(hb_face_t* face) const { hb_face_destroy(face); }
};
struct HbBufferDeleter {
    void operator()(hb_buffer_t* buffer) const { hb_buffer_destroy(buffer); }
};
using HbFontPtr = std::unique_ptr<hb_font_t, HbFontDeleter>;
using HbFacePtr = std::unique_ptr<hb_face_t, HbFaceDeleter>;
using HbBufferPtr = std::unique_ptr<hb_buffer_t, HbBufferDeleter>;

// HarfBuzz reads the face's tables through our FreeType, so that both read the same file the
// same way, whichever FreeType the program links.
hb_blob_t* ReferenceTable(hb_face_t* /*face*/, hb_tag_t tag, void* data) {
    FT_Face face = static_cast<FT_Face>(data);
    FT_ULong length = 0;
    if (tag == 0 || FT_Load_Sfnt_Table(face, tag, 0, nullptr, &length) != 0 || length == 0) {
        return nullptr;
    }
    auto* bytes = static_cast<FT_Byte*>(std::malloc(length));
    if (bytes == nullptr) {
        return nullptr;
    }
    if (FT_Load_Sfnt_Table(face, tag, 0, bytes, &length) != 0) {
        std::free(bytes);
        return nullptr;
    }
    return hb_blob_create(reinterpret_cast<const char*>(bytes), static_cast<unsigned>(length),
                          HB_MEMORY_MODE_WRITABLE, bytes, std::free);
}

// A character the primary face draws, and its glyph there.
struct Drawn {
    char32_t code;
    hb_codepoint_t glyph;
};

// The right characters of each of `drawn` as the left that the face's kerning may move: the
// pairs the GPOS lookups under the 'kern' feature (in any script) list, read from the table.
// When that cannot be told, every pair of the glyphs those lookups name (lookups of other
// kinds), or every pair (a face that kerns with a legacy 'kern' or AAT 'kerx' table, which
// HarfBuzz reads when GPOS does not kern); none for a face without kerning.
std::vector<std::vector<std::size_t>> KernableRights(hb_face_t* face,
                                                     const std::vector<Drawn>& drawn) {
    std::vector<std::uint32_t> glyphs;
    for (const Drawn& c : drawn) {
        glyphs.push_back(c.glyph);
    }
    std::vector<std::vector<std::size_t>> everyPair(drawn.size());
    const auto pairsAmong = [&](const hb_set_t* kerned) {
        std::vector<std::size_t> rights;
        for (std::size_t k = 0; k < glyphs.size(); ++k) {
            if (kerned == nullptr || hb_set_has(kerned, glyphs[k])) {
                rights.push_back(k);
            }
        }
        for (std::size_t k : rights) {
            everyPair[k] = rights;
        }
        return everyPair;
    };
    hb_set_t* lookupSet = hb_set_create();
    const hb_tag_t features[] = {kKern, HB_TAG_NONE};
    hb_ot_layout_collect_lookups(face, HB_OT_TAG_GPOS, nullptr, nullptr, features, lookupSet);
    std::vector<unsigned> lookups;
    for (hb_codepoint_t lookup = HB_SET_VALUE_INVALID; hb_set_next(lookupSet, &lookup);) {
        lookups.push_back(lookup);
    }
    hb_set_destroy(lookupSet);
    if (lookups.empty()) {
        // HarfBuzz reads the legacy tables only for a face whose GPOS does not kern.
        for (const hb_tag_t table : {kKern, HB_TAG('k', 'e', 'r', 'x')}) {
            hb_blob_t* blob = hb_face_reference_table(face, table);
            const bool present = hb_blob_get_length(blob) > 0;
            hb_blob_destroy(blob);
            if (present) {
                return pairsAmong(nullptr);
            }
        }
        return everyPair;
    }
    hb_blob_t* gpos = hb_face_reference_table(face, HB_OT_TAG_GPOS);
    unsigned length = 0;
    const char* data = hb_blob_get_data(gpos, &length);
    auto listed = PairCandidates(std::span(reinterpret_cast<const std::uint8_t*>(data), length),
                                 lookups, glyphs);
    hb_blob_destroy(gpos);
    if (listed) {
        return std::move(*listed);
    }
    hb_set_t* kerned = hb_set_create();
    for (const unsigned lookup : lookups) {
        hb_ot_layout_lookup_collect_glyphs(face, HB_OT_TAG_GPOS, lookup, nullptr, kerned, nullptr,
                                           nullptr);
    }
    pairsAmong(kerned);
    hb_set_destroy(kerned);
    return everyPair;
}

// Shapes `codes` left to right, with the face's default features or with kerning off, and
// gives for each glyph i but the last the distance from its drawn origin to the next one's:
// its advance plus both glyphs' offsets. Empty when the glyphs are not the characters' own glyphs
// one for one (a ligature, a contextual form), which a display library does not draw.
std::vector<hb_position_t> Gaps(hb_font_t* font, hb_buffer_t* buffer, hb_script_t script,
                                const std::vector<hb_codepoint_t>& codes,
                                const std::vector<hb_codepoint_t>& glyphs, bool kern) {
    hb_buffer_clear_contents(buffer);
    hb_buffer_add_codepoints(buffer, codes.data(), static_cast<int>(codes.size()), 0,
                             static_cast<int>(codes.size()));
    hb_buffer_set_direction(buffer, HB_DIRECTION_LTR);
    if (script != HB_SCRIPT_INVALID) {
        hb_buffer_set_script(buffer, script);
    }
    hb_buffer_guess_segment_properties(buffer);
    const hb_feature_t off{kKern, 0, HB_FEATURE_GLOBAL_START, HB_FEATURE_GLOBAL_END};
    // OpenType shaping only: the pairs are GPOS's and the kern table's. A HarfBuzz built with
    // Graphite would otherwise run a Graphite font's own rules, and one built without it (the
    // web page's) would not, so the two would kern such a font differently.
    static const char* const kOpenTypeShaper[] = {"ot", nullptr};
    hb_shape_full(font, buffer, kern ? nullptr : &off, kern ? 0 : 1, kOpenTypeShaper);
    unsigned count = 0;
    const hb_glyph_info_t* info = hb_buffer_get_glyph_infos(buffer, &count);
    const hb_glyph_position_t* position = hb_buffer_get_glyph_positions(buffer, &count);
    if (count != codes.size()) {
        return {};
    }
    std::vector<hb_position_t> gaps(count - 1);
    for (unsigned i = 0; i < count; ++i) {
        if (info[i].cluster != i || info[i].codepoint != glyphs[i]) {
            return {};
        }
        if (i + 1 < count) {
            gaps[i] = position[i].x_advance + position[i + 1].x_offset - position[i].x_offset;
        }
    }
    return gaps;
}

// The script HarfBuzz takes a character for; HB_SCRIPT_INVALID for one it passes over when it
// guesses a text's script (punctuation, digits, combining marks).
hb_script_t ScriptOf(char32_t c) {
    const hb_script_t script = hb_unicode_script(hb_unicode_funcs_get_default(), c);
    const bool weak =
        script == HB_SCRIPT_COMMON || script == HB_SCRIPT_INHERITED || script == HB_SCRIPT_UNKNOWN;
    return weak ? HB_SCRIPT_INVALID : script;
}

// The kerning of `left` before each of `rights`, appended to `pairs`, shaped in `script` (the
// one HarfBuzz guesses for each of the pairs alone). The pairs are shaped in one run,
// left right1 left right2 ..., and each pair read where it stands; pair positioning sees only
// the two glyphs. When that run does not map glyph for glyph, each pair is shaped on its own.
void KernLeft(hb_font_t* font, hb_buffer_t* buffer, hb_script_t script, const Drawn& left,
              const std::vector<Drawn>& rights, std::vector<KernPair>& pairs) {
    std::vector<hb_codepoint_t> codes;
    std::vector<hb_codepoint_t> glyphs;
    codes.reserve(2 * rights.size());
    glyphs.reserve(2 * rights.size());
    for (const Drawn& right : rights) {
        codes.insert(codes.end(), {left.code, right.code});
        glyphs.insert(glyphs.end(), {left.glyph, right.glyph});
    }
    const std::vector<hb_position_t> kerned = Gaps(font, buffer, script, codes, glyphs, true);
    const std::vector<hb_position_t> plain = Gaps(font, buffer, script, codes, glyphs, false);
    if (kerned.empty() || plain.empty()) {
        if (rights.size() > 1) {
            for (const Drawn& right : rights) {
                KernLeft(font, buffer, script, left, {right}, pairs);
            }
        }
        return;
    }
    for (std::size_t k = 0; k < rights.size(); ++k) {
        const hb_position_t adjustment = kerned[2 * k] - plain[2 * k];
        if (adjustment != 0) {
            pairs.push_back({left.code, rights[k].code, static_cast<int>(adjustment)});
        }
    }
}

} // namespace

std::vector<KernPair> KerningPairs(FontFaces& faces, std::u32string_view characters) {
    FontFaces::State& state = faces.Resolved();
    FT_Face ftFace = state.primary.face;
    if (ftFace == nullptr || !FT_IS_SCALABLE(ftFace) || !FT_IS_SFNT(ftFace)) {
        return {};
    }
    const HbFacePtr face(hb_face_create_for_tables(ReferenceTable, ftFace, nullptr));
    const HbFontPtr font(hb_font_create(face.get()));
    hb_ot_font_set_funcs(font.get());
    // Positions in 1/64 pixel at the strike's size.
    const int pixels = state.metrics.pixelSize;
    hb_font_set_scale(font.get(), pixels * 64, pixels * 64);
    hb_font_set_ppem(font.get(), static_cast<unsigned>(pixels), static_cast<unsigned>(pixels));

    std::vector<Drawn> drawn;
    std::unordered_set<char32_t> seen;
    for (const char32_t c : characters) {
        hb_codepoint_t glyph = 0;
        if (seen.insert(c).second && hb_font_get_nominal_glyph(font.get(), c, &glyph) &&
            glyph != 0) {
            drawn.push_back({c, glyph});
        }
    }
    const std::vector<std::vector<std::size_t>> candidates = KernableRights(face.get(), drawn);
    std::vector<KernPair> pairs;
    const HbBufferPtr buffer(hb_buffer_create());
    std::vector<hb_script_t> scripts;
    for (const Drawn& c : drawn) {
        scripts.push_back(ScriptOf(c.code));
    }
    for (std::size_t i = 0; i < drawn.size(); ++i) {
        // A left character without a script of its own takes the right one's: the rights are
        // shaped in groups by that, and the pairs stay in the order of the characters.
        std::map<hb_script_t, std::vector<Drawn>> groups;
        for (const std::size_t k : candidates[i]) {
            groups[scripts[i] != HB_SCRIPT_INVALID ? scripts[i] : scripts[k]].push_back(drawn[k]);
        }
        const std::size_t first = pairs.size();
        for (const auto& [script, rights] : groups) {
            KernLeft(font.get(), buffer.get(), script, drawn[i], rights, pairs);
        }
        if (groups.size() > 1) {
            std::unordered_map<char32_t, std::size_t> position;
            for (std::size_t k = 0; k < drawn.size(); ++k) {
                position.emplace(drawn[k].code, k);
            }
            std::sort(pairs.begin() + static_cast<std::ptrdiff_t>(first), pairs.end(),
                      [&](const KernPair& a, const KernPair& b) {
                          return position[a.right] < position[b.right];
                      });
        }
    }
    return pairs;
}

} // namespace glyph
