#include "glyph/kerning.h"

#include "glyph/font_faces_state.h"

#include FT_TRUETYPE_TABLES_H
#include <hb-ot.h>
#include <hb.h>

#include <algorithm>
#include <cstddef>
#include <map>
#include <cstdlib>
#include <memory>
#include <unordered_set>
#include <vector>

namespace glyph {

namespace {

constexpr hb_tag_t kKern = HB_TAG('k', 'e', 'r', 'n');

struct FontDeleter {
    void operator()(hb_font_t* font) const { hb_font_destroy(font); }
};
struct FaceDeleter {
    void operator()(hb_face_t* face) const { hb_face_destroy(face); }
};
struct BufferDeleter {
    void operator()(hb_buffer_t* buffer) const { hb_buffer_destroy(buffer); }
};
using FontPtr = std::unique_ptr<hb_font_t, FontDeleter>;
using FacePtr = std::unique_ptr<hb_face_t, FaceDeleter>;
using BufferPtr = std::unique_ptr<hb_buffer_t, BufferDeleter>;

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

// The glyphs any of the face's kerning can move: those of the GPOS lookups under the 'kern'
// feature, in any script. A face with a legacy 'kern' or AAT 'kerx' table (which HarfBuzz reads
// too) says nothing cheap about its glyphs: every glyph may be kerned. Empty: no kerning.
struct KernedGlyphs {
    bool all = false;
    std::unordered_set<hb_codepoint_t> glyphs;
};

KernedGlyphs GlyphsWithKerning(hb_face_t* face) {
    KernedGlyphs kerned;
    for (const hb_tag_t table : {kKern, HB_TAG('k', 'e', 'r', 'x')}) {
        hb_blob_t* blob = hb_face_reference_table(face, table);
        kerned.all = kerned.all || hb_blob_get_length(blob) > 0;
        hb_blob_destroy(blob);
    }
    if (kerned.all) {
        return kerned;
    }
    hb_set_t* lookups = hb_set_create();
    hb_set_t* glyphs = hb_set_create();
    const hb_tag_t features[] = {kKern, HB_TAG_NONE};
    hb_ot_layout_collect_lookups(face, HB_OT_TAG_GPOS, nullptr, nullptr, features, lookups);
    for (hb_codepoint_t lookup = HB_SET_VALUE_INVALID; hb_set_next(lookups, &lookup);) {
        hb_ot_layout_lookup_collect_glyphs(face, HB_OT_TAG_GPOS, lookup, nullptr, glyphs, nullptr,
                                           nullptr);
    }
    for (hb_codepoint_t glyph = HB_SET_VALUE_INVALID; hb_set_next(glyphs, &glyph);) {
        kerned.glyphs.insert(glyph);
    }
    hb_set_destroy(glyphs);
    hb_set_destroy(lookups);
    return kerned;
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
    hb_shape(font, buffer, kern ? nullptr : &off, kern ? 0 : 1);
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
    const bool weak = script == HB_SCRIPT_COMMON || script == HB_SCRIPT_INHERITED ||
                      script == HB_SCRIPT_UNKNOWN;
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
    const FacePtr face(hb_face_create_for_tables(ReferenceTable, ftFace, nullptr));
    const KernedGlyphs kerned = GlyphsWithKerning(face.get());
    if (!kerned.all && kerned.glyphs.empty()) {
        return {};
    }
    const FontPtr font(hb_font_create(face.get()));
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
            glyph != 0 && (kerned.all || kerned.glyphs.count(glyph) != 0)) {
            drawn.push_back({c, glyph});
        }
    }
    std::vector<KernPair> pairs;
    if (drawn.empty()) {
        return pairs;
    }
    const BufferPtr buffer(hb_buffer_create());
    std::vector<hb_script_t> scripts;
    for (const Drawn& c : drawn) {
        scripts.push_back(ScriptOf(c.code));
    }
    for (std::size_t i = 0; i < drawn.size(); ++i) {
        if (scripts[i] != HB_SCRIPT_INVALID) {
            KernLeft(font.get(), buffer.get(), scripts[i], drawn[i], drawn, pairs);
            continue;
        }
        // A left character without a script of its own takes the right one's: shaped in
        // groups by that, then put back in the order of the characters.
        std::map<hb_script_t, std::vector<Drawn>> groups;
        for (std::size_t k = 0; k < drawn.size(); ++k) {
            groups[scripts[k]].push_back(drawn[k]);
        }
        const std::size_t first = pairs.size();
        for (const auto& [script, rights] : groups) {
            KernLeft(font.get(), buffer.get(), script, drawn[i], rights, pairs);
        }
        std::map<char32_t, std::size_t> position;
        for (std::size_t k = 0; k < drawn.size(); ++k) {
            position.emplace(drawn[k].code, k);
        }
        std::sort(pairs.begin() + static_cast<std::ptrdiff_t>(first), pairs.end(),
                  [&](const KernPair& a, const KernPair& b) {
                      return position[a.right] < position[b.right];
                  });
    }
    return pairs;
}

} // namespace glyph
