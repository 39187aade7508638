#include "glyph/kerning.h"

#include "glyph/font_faces_state.h"
#include "glyph/pair_candidates.h"

#include FT_TRUETYPE_TABLES_H
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <hb-ot.h>
#include <hb.h>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <unordered_set>
#include <utility>
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

// Big-endian fields of the font file.
std::uint32_t Read32(const FT_Byte* at) {
    return std::uint32_t{at[0]} << 24 | std::uint32_t{at[1]} << 16 | std::uint32_t{at[2]} << 8 |
           at[3];
}
std::uint16_t Read16(const FT_Byte* at) {
    return static_cast<std::uint16_t>(at[0] << 8 | at[1]);
}

// Table `tag` of `face` where FreeType holds the whole font in memory (a mapped file, a font
// given as bytes, a decompressed WOFF): its bytes there, found through the font's own table
// directory, for HarfBuzz to read in place. Empty when the font is not held so, or when what
// the directory says is not what FreeType read (its length), so the table is copied instead.
std::span<const FT_Byte> TableInPlace(FT_Face face, hb_tag_t tag) {
    const FT_Stream stream = face->stream;
    if (stream == nullptr || stream->base == nullptr) {
        return {};
    }
    const std::span<const FT_Byte> font(stream->base, stream->size);
    std::size_t directory = 0;
    if (font.size() >= 12 && Read32(font.data()) == HB_TAG('t', 't', 'c', 'f')) {
        const auto index = static_cast<std::size_t>(face->face_index & 0xFFFF);
        if (index >= Read32(font.data() + 8) || 12 + 4 * (index + 1) > font.size()) {
            return {};
        }
        directory = Read32(font.data() + 12 + 4 * index);
    }
    if (directory > font.size() || font.size() - directory < 12) {
        return {};
    }
    const std::size_t tables = Read16(font.data() + directory + 4);
    if ((font.size() - directory - 12) / 16 < tables) {
        return {};
    }
    for (std::size_t t = 0; t < tables; ++t) {
        const FT_Byte* record = font.data() + directory + 12 + 16 * t;
        if (Read32(record) != tag) {
            continue;
        }
        const std::size_t offset = Read32(record + 8);
        const std::size_t length = Read32(record + 12);
        FT_ULong read = 0;
        if (offset > font.size() || font.size() - offset < length ||
            FT_Load_Sfnt_Table(face, tag, 0, nullptr, &read) != 0 || read != length) {
            return {};
        }
        return font.subspan(offset, length);
    }
    return {};
}

// HarfBuzz reads the face's tables through our FreeType, so that both read the same file the
// same way, whichever FreeType the program links: in place where FreeType holds the font in
// memory, else copied out.
hb_blob_t* ReferenceTable(hb_face_t* /*face*/, hb_tag_t tag, void* data) {
    FT_Face face = static_cast<FT_Face>(data);
    if (tag == 0) {
        return nullptr;
    }
    const std::span<const FT_Byte> inPlace = TableInPlace(face, tag);
    if (!inPlace.empty()) {
        // The face, and so its memory, outlives the HarfBuzz face made for one call.
        return hb_blob_create(reinterpret_cast<const char*>(inPlace.data()),
                              static_cast<unsigned>(inPlace.size()), HB_MEMORY_MODE_READONLY,
                              nullptr, nullptr);
    }
    FT_ULong length = 0;
    if (FT_Load_Sfnt_Table(face, tag, 0, nullptr, &length) != 0 || length == 0) {
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

// Two of the characters drawn, by their places there.
struct Pair {
    std::size_t left;
    std::size_t right;
};

// Shapes `pairs` side by side in one run, left right left right ..., in `script`, with the
// face's default features or with kerning off, and gives each pair's gap: the distance from the
// left glyph's drawn origin to the right one's, its advance plus both glyphs' offsets. None for a
// pair whose glyphs in this run are not its characters' own glyphs one for one (a ligature, a
// contextual form), which a display library does not draw.
std::vector<std::optional<hb_position_t>> Gaps(hb_font_t* font, hb_buffer_t* buffer,
                                               hb_script_t script, const std::vector<Drawn>& drawn,
                                               std::span<const Pair> pairs, bool kern) {
    std::vector<hb_codepoint_t> codes;
    codes.reserve(2 * pairs.size());
    for (const Pair& pair : pairs) {
        codes.insert(codes.end(), {drawn[pair.left].code, drawn[pair.right].code});
    }
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
    // Each character is its own cluster, numbered by its place in the run, and clusters stay in
    // order left to right: pair k is the glyphs of clusters 2k and 2k + 1, one each.
    std::vector<std::optional<hb_position_t>> gaps(pairs.size());
    for (unsigned i = 0; i + 1 < count; ++i) {
        const unsigned cluster = info[i].cluster;
        if (cluster % 2 != 0 || cluster / 2 >= pairs.size()) {
            continue;
        }
        const Pair& pair = pairs[cluster / 2];
        const bool alone = (i == 0 || info[i - 1].cluster != cluster) &&
                           info[i + 1].cluster == cluster + 1 &&
                           (i + 2 == count || info[i + 2].cluster != cluster + 1);
        if (alone && info[i].codepoint == drawn[pair.left].glyph &&
            info[i + 1].codepoint == drawn[pair.right].glyph) {
            gaps[cluster / 2] =
                position[i].x_advance + position[i + 1].x_offset - position[i].x_offset;
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

// The kerning of each of `pairs`, shaped in `script` (the one HarfBuzz guesses for each of the
// pairs alone); 0 for none. The pairs are shaped in one run and each read where it stands: pair
// positioning sees only the two glyphs. A pair that does not map glyph for glyph there (a
// ligature with a neighbour) is shaped on its own.
std::vector<int> Adjustments(hb_font_t* font, hb_buffer_t* buffer, hb_script_t script,
                             const std::vector<Drawn>& drawn, std::span<const Pair> pairs) {
    const auto kerned = Gaps(font, buffer, script, drawn, pairs, true);
    const auto plain = Gaps(font, buffer, script, drawn, pairs, false);
    std::vector<int> adjustments(pairs.size());
    for (std::size_t k = 0; k < pairs.size(); ++k) {
        if (kerned[k] && plain[k]) {
            adjustments[k] = static_cast<int>(*kerned[k] - *plain[k]);
        } else if (pairs.size() > 1) {
            adjustments[k] = Adjustments(font, buffer, script, drawn, pairs.subspan(k, 1))[0];
        }
    }
    return adjustments;
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
    const HbBufferPtr buffer(hb_buffer_create());
    std::vector<hb_script_t> scripts;
    for (const Drawn& c : drawn) {
        scripts.push_back(ScriptOf(c.code));
    }
    // A left character without a script of its own takes the right one's. Every pair of a
    // script is shaped in one run.
    std::map<hb_script_t, std::vector<Pair>> runs;
    for (std::size_t i = 0; i < drawn.size(); ++i) {
        for (const std::size_t k : candidates[i]) {
            runs[scripts[i] != HB_SCRIPT_INVALID ? scripts[i] : scripts[k]].push_back({i, k});
        }
    }
    // The pairs in the order of the characters, left first.
    std::vector<std::pair<Pair, int>> kerned;
    for (const auto& [script, run] : runs) {
        const std::vector<int> adjustments =
            Adjustments(font.get(), buffer.get(), script, drawn, run);
        for (std::size_t k = 0; k < run.size(); ++k) {
            if (adjustments[k] != 0) {
                kerned.push_back({run[k], adjustments[k]});
            }
        }
    }
    std::sort(kerned.begin(), kerned.end(), [](const auto& a, const auto& b) {
        return std::pair(a.first.left, a.first.right) < std::pair(b.first.left, b.first.right);
    });
    std::vector<KernPair> pairs;
    for (const auto& [pair, adjustment] : kerned) {
        pairs.push_back({drawn[pair.left].code, drawn[pair.right].code, adjustment});
    }
    return pairs;
}

} // namespace glyph
