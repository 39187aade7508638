#include "formats/lvgl_writer.h"

#include "formats/c_source.h"
#include "formats/lvgl_compress.h"
#include "formats/read_back.h"
#include "glyph/packing.h"
#include "glyph/utf8.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace formats {

namespace {

// Each glyph's box, rows top to bottom, the leftmost pixel in the most significant bit; the rows
// run on from one to the next and only the glyph's last byte is padded:
//
//   box 3 x 2:   # . #     bits  1 0 1  0 1 1  0 0   ->  0xAC
//                . # #
const glyph::Packing kPacking{glyph::BitOrder::MsbFirst, glyph::Scan::Rows, glyph::Padding::Glyph};

// Above 1 bit a pixel the same order holds each pixel's level, its most significant bit first
// (glyph::PackLevels); a box of w x h pixels takes ceil(w * h * bpp / 8) bytes at every depth.
std::int64_t BitmapBytes(const glyph::Bitmap& ink, int bpp) {
    return (std::int64_t{ink.width()} * ink.height() * bpp + 7) / 8;
}

// What a field of lv_font_fmt_txt_glyph_dsc_t holds, normally and with LV_FONT_FMT_TXT_LARGE:
// bitmap_index 20 or 32 bits, adv_w (1/16 px) 12 or 32 bits, box_w and box_h 8 or 16 bits,
// ofs_x and ofs_y signed 8 or 16 bits.
struct FieldRange {
    std::int64_t low;
    std::int64_t high;
};
struct GlyphField {
    std::string_view name;
    FieldRange normal;
    FieldRange large;
};
constexpr GlyphField kBitmapIndex{"bitmap_index", {0, (1LL << 20) - 1}, {0, (1LL << 32) - 1}};
constexpr GlyphField kAdvance{"adv_w", {0, (1LL << 12) - 1}, {0, (1LL << 32) - 1}};
constexpr GlyphField kBoxWidth{"box_w", {0, 255}, {0, 65535}};
constexpr GlyphField kBoxHeight{"box_h", {0, 255}, {0, 65535}};
constexpr GlyphField kOffsetX{"ofs_x", {-128, 127}, {-32768, 32767}};
constexpr GlyphField kOffsetY{"ofs_y", {-128, 127}, {-32768, 32767}};

// lv_font_fmt_txt_cmap_t: range_length, list_length, the unicode_list offsets and
// glyph_id_start are 16 bits; lv_font_fmt_txt_dsc_t's cmap_num has 9.
constexpr std::size_t kMaxMapLength = 65535;
constexpr char32_t kMaxSparseSpan = 65534; // last code - first code of a sparse map
constexpr std::size_t kMaxMaps = 511;
constexpr std::uint32_t kMaxGlyphIdStart = 65535;
// Bytes an lv_font_fmt_txt_cmap_t takes on a 32-bit target, and an lv_font_fmt_txt_glyph_dsc_t.
constexpr std::int64_t kMapBytes = 24;
constexpr std::int64_t kDescriptorBytes = 8;

// Text goes to the sink in pieces of about this size, so the whole file is never held.
constexpr std::size_t kChunk = 1 << 18;

std::string RangeText(FieldRange range) {
    return std::to_string(range.low) + ".." + std::to_string(range.high);
}

void AppendNumber(std::string& out, std::int64_t value) {
    char text[24];
    const auto result = std::to_chars(text, text + sizeof text, value);
    out.append(text, result.ptr);
}

// "U+0041", at least four hex digits.
void AppendCode(std::string& out, char32_t c) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    char digits[8];
    int n = 0;
    do {
        digits[n++] = kHex[c & 0xF];
        c >>= 4;
    } while (c != 0 || n < 4);
    out += "U+";
    while (n > 0) {
        out += digits[--n];
    }
}

// Whether c may stand as itself in a comment: no control characters, line or paragraph
// separators, byte order marks or the bidirectional controls compilers warn about.
bool ShowsInComment(char32_t c) {
    if (c < 0x20 || (c >= 0x7F && c <= 0x9F) || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
        return false;
    }
    const bool bidi = c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) ||
                      (c >= 0x2066 && c <= 0x2069);
    return !bidi && c != 0x2028 && c != 0x2029 && c != 0xFEFF;
}

// "U+0041 'A'" or, for a character that cannot stand in a comment, "U+0007".
void AppendCharacter(std::string& out, char32_t c) {
    AppendCode(out, c);
    if (ShowsInComment(c)) {
        out += " '";
        glyph::AppendUtf8(out, c);
        out += '\'';
    }
}

// A character map: glyphs first .. first + count - 1 in code order, which get the glyph ids
// from glyphIdStart on.
struct CharacterMap {
    std::size_t first = 0;
    std::size_t count = 0;
    bool sparse = false; // SPARSE_TINY; else FORMAT0_TINY, a run of consecutive codes
    std::uint32_t glyphIdStart = 0;
    bool guarded = false; // an empty descriptor follows the map's glyphs
};

// Splits ascending code points into the character maps that take the fewest bytes. A run of
// consecutive codes can be a map of its own (FORMAT0_TINY: glyph id = glyph_id_start + offset)
// costing `mapCost` plus `runExtra`; runs can also share a map (SPARSE_TINY) whose codes cost 2
// bytes each in its unicode_list, as long as the map spans at most 65535 codes. Dynamic
// programming over the runs in one pass: for a sparse map ending at each run, the cheapest
// start is kept in a sliding window.
std::vector<CharacterMap> PlanMaps(std::span<const char32_t> codes, std::int64_t mapCost,
                                   std::int64_t runExtra) {
    struct Run {
        std::size_t first;
        std::size_t count;
    };
    std::vector<Run> runs;
    for (std::size_t i = 0; i < codes.size();) {
        std::size_t end = i + 1;
        while (end < codes.size() && codes[end] == codes[end - 1] + 1 && end - i < kMaxMapLength) {
            ++end;
        }
        runs.push_back({i, end - i});
        i = end;
    }
    // best[i]: the least bytes for runs 0 .. i-1; the last map then starts at run start[i].
    const std::size_t count = runs.size();
    std::vector<std::int64_t> best(count + 1, 0);
    std::vector<std::size_t> start(count + 1, 0);
    std::vector<bool> sparse(count + 1, false);
    const auto startCost = [&](std::size_t j) {
        return best[j] - 2 * static_cast<std::int64_t>(runs[j].first);
    };
    std::deque<std::size_t> window; // candidate starts, their startCost ascending
    for (std::size_t i = 0; i < count; ++i) {
        while (!window.empty() && startCost(window.back()) >= startCost(i)) {
            window.pop_back();
        }
        window.push_back(i);
        const char32_t last = codes[runs[i].first + runs[i].count - 1];
        while (last - codes[runs[window.front()].first] > kMaxSparseSpan) {
            window.pop_front();
        }
        const std::int64_t asRun = best[i] + mapCost + runExtra;
        const std::int64_t asSparse = startCost(window.front()) +
                                      2 * static_cast<std::int64_t>(runs[i].first + runs[i].count) +
                                      mapCost;
        sparse[i + 1] = asSparse < asRun;
        best[i + 1] = sparse[i + 1] ? asSparse : asRun;
        start[i + 1] = sparse[i + 1] ? window.front() : i;
    }
    std::vector<CharacterMap> maps;
    for (std::size_t i = count; i > 0; i = start[i]) {
        const Run& first = runs[start[i]];
        const Run& last = runs[i - 1];
        CharacterMap map;
        map.first = first.first;
        map.count = last.first + last.count - first.first;
        map.sparse = sparse[i];
        maps.push_back(map);
    }
    std::reverse(maps.begin(), maps.end());
    return maps;
}

// Everything decided before the first line is written.
struct Layout {
    std::vector<std::size_t> order; // glyph indices in code order
    std::vector<char32_t> codes;    // their codes
    std::vector<CharacterMap> maps;
    // Where each glyph's bitmap starts in glyph_bitmap (its bitmap_index), in code order, and
    // where the last one ends.
    std::vector<std::int64_t> bitmapIndex;
    // With --compress: each glyph's code, in code order, and whether the rows are XORed with
    // the row above first (bitmap_format 1) or not (2).
    std::vector<std::vector<std::uint8_t>> code;
    bool prefilter = false;
    // With --compress: for each glyph, in code order, the first glyph whose code is the same
    // bytes (itself if none before it is); LVGL decodes a glyph from its own bitmap_index and
    // box alone, so glyphs with the same code can point at one copy of it.
    std::vector<std::size_t> sameCode;
    // Why the font needs LV_FONT_FMT_TXT_LARGE (and, for LVGL 8, LV_USE_LARGE_COORD); empty when
    // it does not.
    std::string large;
    std::string largeCoord;
    int lineHeight = 0;
    int baseLine = 0;
};

// Records the first value that needs the large glyph descriptors; throws when not even they
// hold it.
void CheckField(const GlyphField& field, std::int64_t value, char32_t code, std::string& large) {
    if (value >= field.normal.low && value <= field.normal.high) {
        return;
    }
    if (value < field.large.low || value > field.large.high) {
        throw FormatError(glyph::CharacterName(code) + ": " + std::string(field.name) + " " +
                          std::to_string(value) +
                          " does not fit LVGL's glyph descriptor, not even with "
                          "LV_FONT_FMT_TXT_LARGE (" +
                          RangeText(field.large) + ")");
    }
    if (large.empty()) {
        large = glyph::CodeName(code) + " has " + std::string(field.name) + " " +
                std::to_string(value) + "; the normal glyph descriptor holds " +
                RangeText(field.normal);
    }
}

void CheckFontField(std::string_view field, int value, FieldRange range) {
    if (value < range.low || value > range.high) {
        throw FormatError("the font's " + std::string(field) + " " + std::to_string(value) +
                          " px does not fit lv_font_t's field (" + RangeText(range) + ")");
    }
}

// The glyphs in code order; a code given twice is refused.
void OrderByCode(const std::vector<glyph::StrikeGlyph>& glyphs, Layout& layout) {
    layout.order.resize(glyphs.size());
    for (std::size_t i = 0; i < glyphs.size(); ++i) {
        layout.order[i] = i;
    }
    std::stable_sort(layout.order.begin(), layout.order.end(),
                     [&](std::size_t a, std::size_t b) { return glyphs[a].code < glyphs[b].code; });
    layout.codes.reserve(glyphs.size());
    for (std::size_t index : layout.order) {
        const char32_t code = glyphs[index].code;
        if (!layout.codes.empty() && layout.codes.back() == code) {
            throw FormatError(glyph::CharacterName(code) +
                              ": given twice; an LVGL font maps each character once");
        }
        layout.codes.push_back(code);
    }
}

// The character maps, and the glyph ids each starts at.
void PlanCharacterMaps(int version, Layout& layout) {
    // LVGL 8 takes the code just past a FORMAT0_TINY map for the map's own (it tests
    // rcp > range_length), so an empty descriptor follows such a map: that code then draws
    // nothing instead of the next map's first glyph, or whatever lies past the descriptors.
    const std::int64_t runExtra = version == 8 ? kDescriptorBytes : 0;
    for (std::int64_t cost = kMapBytes;; cost *= 2) {
        layout.maps = PlanMaps(layout.codes, cost, runExtra);
        if (layout.maps.size() <= kMaxMaps || cost > (std::int64_t{1} << 40)) {
            break;
        }
    }
    if (layout.maps.size() > kMaxMaps) {
        throw FormatError("the characters need " + std::to_string(layout.maps.size()) +
                          " character maps; an LVGL font holds " + std::to_string(kMaxMaps));
    }
    std::uint32_t next = 1; // id 0 is reserved
    for (std::size_t k = 0; k < layout.maps.size(); ++k) {
        CharacterMap& map = layout.maps[k];
        if (next > kMaxGlyphIdStart) {
            throw FormatError(glyph::CharacterName(layout.codes[map.first]) + ": glyph id " +
                              std::to_string(next) + " does not fit glyph_id_start (0.." +
                              std::to_string(kMaxGlyphIdStart) +
                              "); an LVGL font holds about 65,000 characters");
        }
        map.glyphIdStart = next;
        next += static_cast<std::uint32_t>(map.count);
        const char32_t last = layout.codes[map.first + map.count - 1];
        const bool adjacent =
            k + 1 < layout.maps.size() && layout.codes[layout.maps[k + 1].first] == last + 1;
        map.guarded = version == 8 && !map.sparse && !adjacent;
        if (map.guarded) {
            ++next;
        }
    }
}

// Where each glyph's bitmap starts, the first value that needs the large descriptors, and the
// line that holds every glyph.
void PlanBitmaps(const glyph::Strike& strike, int version, int bpp, Layout& layout) {
    const std::vector<glyph::StrikeGlyph>& glyphs = strike.glyphs;
    // LVGL finds a glyph's bitmap at glyph_bitmap + bitmap_index and reads on from there with
    // full-width arithmetic, so only where each bitmap starts must fit the field; that includes
    // the empty descriptor after a guarded map, which holds where the next bitmap starts.
    std::int64_t offset = 0;
    int top = 0;
    int bottom = 0;
    bool ink = false;
    layout.bitmapIndex.reserve(layout.order.size() + 1);
    for (std::size_t k = 0; k < layout.order.size(); ++k) {
        const std::size_t index = layout.order[k];
        const glyph::StrikeGlyph& g = glyphs[index];
        const bool shared = !layout.sameCode.empty() && layout.sameCode[k] != k;
        layout.bitmapIndex.push_back(shared ? layout.bitmapIndex[layout.sameCode[k]] : offset);
        CheckField(kBitmapIndex, layout.bitmapIndex.back(), g.code, layout.large);
        CheckField(kAdvance, std::int64_t{g.advance} * 16, g.code, layout.large);
        if (g.ink.empty()) {
            continue;
        }
        CheckField(kBoxWidth, g.ink.width(), g.code, layout.large);
        CheckField(kBoxHeight, g.ink.height(), g.code, layout.large);
        CheckField(kOffsetX, g.left, g.code, layout.large);
        CheckField(kOffsetY, g.top - g.ink.height(), g.code, layout.large);
        if (layout.code.empty()) {
            offset += BitmapBytes(g.ink, bpp);
        } else if (!shared) {
            offset += static_cast<std::int64_t>(layout.code[k].size());
        }
        top = std::max(top, g.top);
        bottom = std::min(bottom, g.top - g.ink.height());
        ink = true;
    }
    layout.bitmapIndex.push_back(offset);
    for (const CharacterMap& map : layout.maps) {
        if (map.guarded) {
            const std::size_t end = map.first + map.count;
            CheckField(kBitmapIndex, layout.bitmapIndex[end], layout.codes[end - 1] + 1,
                       layout.large);
        }
    }
    // The line holds the ink of every glyph and the baseline; a set without ink gets the face's.
    if (!ink) {
        top = strike.facts.metrics.ascent;
        bottom = -strike.facts.metrics.descent;
    }
    layout.lineHeight = top - bottom;
    layout.baseLine = -bottom;
    if (version == 8 && layout.lineHeight > 32767) {
        layout.largeCoord = "line_height " + std::to_string(layout.lineHeight) +
                            " does not fit LVGL 8's 16-bit lv_coord_t";
    }
}

// A glyph's box as the uncompressed format holds it: bits at 1 bit a pixel, else levels.
void PackGlyph(const glyph::StrikeGlyph& g, int bpp, std::vector<std::uint8_t>& bytes) {
    if (bpp == 1) {
        glyph::Pack(g.ink, 0, 0, g.ink.width(), g.ink.height(), kPacking, bytes);
    } else {
        glyph::PackLevels(g.ink, bpp, bytes);
    }
}

// LVGL 8 writes a decompressed glyph through a 16-bit byte index (bits_write); 3 bits a pixel
// take 4 there.
constexpr std::int64_t kMaxDecompressedBytes = 65536;

// Refuses a glyph LVGL 8 cannot decompress.
void CheckDecompressedSize(const glyph::StrikeGlyph& g, int bpp, int version) {
    const int width = g.ink.width();
    const int height = g.ink.height();
    const std::int64_t written = (std::int64_t{width} * height * (bpp == 3 ? 4 : bpp) + 7) / 8;
    if (version == 8 && written > kMaxDecompressedBytes) {
        throw FormatError(glyph::CharacterName(g.code) + ": box_w " + std::to_string(width) +
                          " x box_h " + std::to_string(height) + " decompresses to " +
                          std::to_string(written) + " bytes; LVGL 8 decompresses at most " +
                          std::to_string(kMaxDecompressedBytes) + " a glyph");
    }
}

// Finds, for each compressed glyph, the first glyph with the same bytes of code: lookalikes
// such as Latin A, Cyrillic А and Greek Α, or p and р, are written once.
void ShareSameCode(Layout& layout) {
    std::unordered_map<std::string_view, std::size_t> first;
    first.reserve(layout.code.size());
    layout.sameCode.resize(layout.code.size());
    for (std::size_t k = 0; k < layout.code.size(); ++k) {
        const std::vector<std::uint8_t>& code = layout.code[k];
        layout.sameCode[k] = k;
        if (!code.empty()) {
            const std::string_view bytes(reinterpret_cast<const char*>(code.data()), code.size());
            layout.sameCode[k] = first.try_emplace(bytes, k).first->second;
        }
    }
}

// Each glyph in LVGL's compressed code, with the prefilter or without, whichever makes the font
// smaller: lv_font_conv always takes the prefilter, so ours is never the larger. Both are
// counted first, then only the one taken is written.
void PlanCompression(const glyph::Strike& strike, const FormatOptions& options, int version,
                     Layout& layout) {
    const int bpp = options.bpp;
    std::size_t plainBytes = 0;
    std::size_t filteredBytes = 0;
    std::vector<std::uint8_t> levels;
    std::vector<std::uint8_t> pixels;
    for (std::size_t index : layout.order) {
        const glyph::StrikeGlyph& g = strike.glyphs[index];
        CheckDecompressedSize(g, bpp, version);
        levels.clear();
        glyph::AppendLevels(g.ink, bpp, levels);
        const int width = g.ink.width();
        const int height = g.ink.height();
        plainBytes += CompressedSize(levels, width, height, bpp, false, pixels);
        filteredBytes += CompressedSize(levels, width, height, bpp, true, pixels);
    }
    layout.prefilter = filteredBytes <= plainBytes;
    layout.code.resize(layout.order.size());
    std::vector<std::uint8_t> code;
    for (std::size_t k = 0; k < layout.order.size(); ++k) {
        const glyph::StrikeGlyph& g = strike.glyphs[layout.order[k]];
        levels.clear();
        glyph::AppendLevels(g.ink, bpp, levels);
        CompressLevels(levels, g.ink.width(), g.ink.height(), bpp, layout.prefilter, pixels, code);
        layout.code[k].assign(code.begin(), code.end());
    }
    ShareSameCode(layout);
}

Layout Plan(const glyph::Strike& strike, const FormatOptions& options, int version) {
    Layout layout;
    OrderByCode(strike.glyphs, layout);
    PlanCharacterMaps(version, layout);
    if (options.compress) {
        PlanCompression(strike, options, version, layout);
    }
    PlanBitmaps(strike, version, options.bpp, layout);
    CheckFontField("underline_position", strike.facts.metrics.underlineTop, {-128, 127});
    CheckFontField("underline_thickness", strike.facts.metrics.underlineThickness, {-128, 127});
    return layout;
}

// The kerning as LVGL holds it (lv_font_fmt_txt_kern_pair_t or _kern_classes_t), in glyph ids.
// LVGL adds value * kern_scale >> 4 sixteenths of a pixel to the left glyph's advance.
struct KernTables {
    struct Pair {
        std::uint32_t left;
        std::uint32_t right;
        int value;
    };
    std::vector<Pair> pairs; // ascending by left id, then right id
    int scale = 16;
    bool wideIds = false; // glyph_ids as uint16_t, not uint8_t
    // The classes instead of the pairs, when they take fewer bytes: each glyph id's class
    // (0: none), and the values row by row of left class, 1 up.
    bool classes = false;
    std::vector<std::uint8_t> leftClass;
    std::vector<std::uint8_t> rightClass;
    int leftCount = 0;
    int rightCount = 0;
    std::vector<int> classValues;
};

// How many descriptors the font has, the reserved one and the guards included.
std::size_t DescriptorCount(const Layout& layout) {
    std::size_t count = 1;
    for (const CharacterMap& map : layout.maps) {
        count += map.count + (map.guarded ? 1 : 0);
    }
    return count;
}

// Sorts the glyphs into classes by what they kern with: glyphs whose lists are the same share
// a class, numbered from 1 in the order first met.
template <typename Key>
int Classify(const std::map<std::uint32_t, Key>& lists, std::vector<std::uint8_t>& classOf) {
    std::map<Key, int> classes;
    for (const auto& [id, list] : lists) {
        const auto [found, fresh] = classes.try_emplace(list, static_cast<int>(classes.size()) + 1);
        if (found->second > 255) {
            return 256;
        }
        classOf[id] = static_cast<std::uint8_t>(found->second);
    }
    return static_cast<int>(classes.size());
}

// The same kerning as classes; false when a side needs more than 255.
bool ClassifyKerning(KernTables& tables, std::size_t descriptors) {
    std::map<std::uint32_t, std::vector<std::pair<std::uint32_t, int>>> rows;
    for (const KernTables::Pair& pair : tables.pairs) {
        rows[pair.left].emplace_back(pair.right, pair.value);
    }
    tables.leftClass.assign(descriptors, 0);
    tables.leftCount = Classify(rows, tables.leftClass);
    std::map<std::uint32_t, std::vector<std::pair<int, int>>> columns;
    for (const KernTables::Pair& pair : tables.pairs) {
        columns[pair.right].emplace_back(tables.leftClass[pair.left], pair.value);
    }
    for (auto& [id, column] : columns) {
        std::sort(column.begin(), column.end());
        column.erase(std::unique(column.begin(), column.end()), column.end());
    }
    tables.rightClass.assign(descriptors, 0);
    tables.rightCount = Classify(columns, tables.rightClass);
    if (tables.leftCount > 255 || tables.rightCount > 255) {
        return false;
    }
    tables.classValues.assign(static_cast<std::size_t>(tables.leftCount * tables.rightCount), 0);
    for (const KernTables::Pair& pair : tables.pairs) {
        const int row = tables.leftClass[pair.left] - 1;
        const int column = tables.rightClass[pair.right] - 1;
        tables.classValues[static_cast<std::size_t>(row * tables.rightCount + column)] = pair.value;
    }
    return true;
}

// The kerning pairs in the font's glyph ids and LVGL's units, as pairs or as classes, whichever
// takes fewer bytes. Sixteenths of a pixel with kern_scale 16, unless a value needs more than
// int8_t holds: then the smallest scale that holds them all.
KernTables PlanKerning(std::span<const glyph::KernPair> kerning, const Layout& layout) {
    KernTables tables;
    std::unordered_map<char32_t, std::uint32_t> idOf;
    for (const CharacterMap& map : layout.maps) {
        for (std::size_t k = 0; k < map.count; ++k) {
            idOf.emplace(layout.codes[map.first + k],
                         map.glyphIdStart + static_cast<std::uint32_t>(k));
        }
    }
    const auto sixteenths = [](int adjustment) { // 1/64 px, rounded half away from zero
        return adjustment < 0 ? -((-adjustment + 2) / 4) : (adjustment + 2) / 4;
    };
    int largest = 0;
    for (const glyph::KernPair& pair : kerning) {
        largest = std::max(largest, std::abs(sixteenths(pair.adjustment)));
    }
    tables.scale = std::max(16, (largest * 16 + 126) / 127);
    if (tables.scale > 65535) {
        throw FormatError("a kerning value of " + std::to_string(largest) +
                          "/16 px does not fit LVGL's kern_scale (1..65535)");
    }
    for (const glyph::KernPair& pair : kerning) {
        const auto left = idOf.find(pair.left);
        const auto right = idOf.find(pair.right);
        const long scaled = std::lround(sixteenths(pair.adjustment) * 16.0 / tables.scale);
        if (left == idOf.end() || right == idOf.end() || scaled == 0) {
            continue;
        }
        tables.pairs.push_back({left->second, right->second, static_cast<int>(scaled)});
        tables.wideIds = tables.wideIds || left->second > 255 || right->second > 255;
    }
    std::sort(tables.pairs.begin(), tables.pairs.end(), [](const auto& a, const auto& b) {
        return a.left != b.left ? a.left < b.left : a.right < b.right;
    });
    // Bytes on a 32-bit target: the arrays and the struct.
    const std::size_t pairBytes = tables.pairs.size() * (tables.wideIds ? 5 : 3) + 12;
    const std::size_t descriptors = DescriptorCount(layout);
    if (!tables.pairs.empty() && ClassifyKerning(tables, descriptors)) {
        const std::size_t classBytes = 2 * descriptors +
                                       static_cast<std::size_t>(tables.leftCount) *
                                           static_cast<std::size_t>(tables.rightCount) +
                                       16;
        tables.classes = classBytes < pairBytes;
    }
    return tables;
}

// Collects text and passes it on in chunks.
class ChunkedText {
public:
    explicit ChunkedText(Sink& sink) : sink_(sink) { text_.reserve(kChunk + 4096); }
    std::string& text() { return text_; }
    // Passes the text on once a chunk is full.
    void Step() {
        if (text_.size() >= kChunk) {
            Flush();
        }
    }
    void Flush() {
        sink_.Write(text_);
        text_.clear();
    }

private:
    Sink& sink_;
    std::string text_;
};

std::string Upper(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return out;
}

class LvglWriter : public WholeSetWriter {
public:
    explicit LvglWriter(const FormatOptions& options)
        : options_(options), version_(options.lvglVersion == 8 ? 8 : 9), bpp_(options.bpp) {}

    void CheckCharacters(std::u32string_view) const override {
        // LVGL 8 reads an uncompressed 3-bit glyph as 4 bits a pixel; LVGL 9 has no reader for
        // it. Only its decompressor turns 3-bit levels into what it draws.
        if (options_.bpp == 3 && !options_.compress) {
            throw FormatError("--bpp 3: LVGL draws 3 bits per pixel only from compressed glyphs; "
                              "add --compress");
        }
        if (options_.compress && !LvglDecompresses(version_, options_.bpp)) {
            throw FormatError("--compress: LVGL " + std::to_string(version_) +
                              " decompresses glyphs of " + LvglCompressedDepths(version_) +
                              " bits per pixel, not " + std::to_string(options_.bpp));
        }
    }

    std::uint64_t EstimateSize(const glyph::StrikeFacts& facts, std::size_t glyphs) const override {
        // A box as high as the line and as wide; a descriptor, a comment and a unicode_list
        // entry each.
        const glyph::SizeMetrics& m = facts.metrics;
        const auto side = static_cast<std::uint64_t>(
            std::max({m.lineHeight, m.ascent + m.descent, m.pixelSize, 1}));
        // Levels of `bpp` bits; LVGL's run-length code can take up to twice that for noise.
        const auto bits = static_cast<std::uint64_t>(options_.bpp) * (options_.compress ? 2 : 1);
        const std::uint64_t bytes = (side * side * bits + 7) / 8;
        const std::uint64_t perGlyph = HexBytesSize(bytes, 16, 4) + 32 + 110 + 8;
        const std::uint64_t header =
            8192 + 2 * (facts.face.copyright.size() + facts.face.licence.size() +
                        facts.face.family.size() + facts.face.file.size());
        // Kerning: at most a pair's ids, value and separators, or two class bytes a glyph.
        const std::uint64_t kerning = facts.kerning.size() * 40 + glyphs * 10;
        return header + perGlyph * glyphs + kerning;
    }

protected:
    void Write(const glyph::Strike& strike, Sink& out) override {
        CheckCharacters({});
        const Layout layout = Plan(strike, options_, version_);
        name_ = SymbolName(options_, strike.facts);
        for (std::string_view own :
             {"glyph_bitmap", "glyph_dsc", "cmaps", "font_dsc", "cache", "kern_pairs",
              "kern_pair_glyph_ids", "kern_pair_values", "kern_classes", "kern_left_classes",
              "kern_right_classes", "kern_class_values"}) {
            if (name_ == own || name_.starts_with("unicode_list_")) {
                throw FormatError("--c-array " + name_ + ": the lvgl format names its own " +
                                  "tables so; choose another name");
            }
        }
        guard_ = Upper(name_);
        if (guard_ == name_) {
            guard_ += "_ENABLED";
        }
        ChunkedText text(out);
        WriteTop(strike, layout, text.text());
        const std::uint64_t bitmapBytes = WriteBitmaps(strike, layout, text);
        WriteDescriptors(strike, layout, text);
        WriteMaps(layout, text);
        const KernTables kerning = PlanKerning(strike.facts.kerning, layout);
        WriteKerning(kerning, text);
        WriteFont(strike, layout, kerning, text.text());
        text.Flush();
        FlashCost cost = CostOf(layout, kerning);
        cost.glyphs = strike.glyphs.size();
        cost.bitmaps = bitmapBytes; // defined first
        SetCost(cost);
    }

private:
    // The bytes of the tables and structures beside glyph_bitmap, as LVGL declares them.
    FlashCost CostOf(const Layout& layout, const KernTables& kerning) const {
        constexpr std::uint64_t p = kPointerBytes;
        FlashCost cost;
        // lv_font_fmt_txt_glyph_dsc_t, with or without LV_FONT_FMT_TXT_LARGE.
        cost.descriptors = VariableBytes(DescriptorCount(layout) *
                                         (layout.large.empty() ? StructBytes({4, 1, 1, 1, 1})
                                                               : StructBytes({4, 4, 2, 2, 2, 2})));
        // lv_font_fmt_txt_cmap_t (its type is an enum in LVGL 9, a uint8_t in 8), and the
        // unicode_list of each sparse map.
        const std::uint64_t mapBytes = StructBytes({4, 2, 2, p, p, 2, version_ == 9 ? 4U : 1U});
        cost.maps = layout.maps.size() * mapBytes; // the first defined of those with pointers
        for (const CharacterMap& map : layout.maps) {
            cost.maps += map.sparse ? VariableBytes(2 * map.count) : 0;
        }
        if (kerning.classes) {
            cost.kerning = VariableBytes(kerning.leftClass.size()) +
                           VariableBytes(kerning.rightClass.size()) +
                           VariableBytes(kerning.classValues.size()) +
                           VariableBytes(StructBytes({p, p, p, 1, 1}));
        } else if (!kerning.pairs.empty()) {
            cost.kerning = VariableBytes(kerning.pairs.size() * (kerning.wideIds ? 4 : 2)) +
                           VariableBytes(kerning.pairs.size()) +
                           VariableBytes(StructBytes({p, p, 4}));
        }
        // lv_font_fmt_txt_dsc_t (LVGL 8 adds the cache pointer; the cache itself is not
        // constant), then lv_font_t (LVGL 8's with LV_USE_USER_DATA, its default).
        if (version_ == 9) {
            cost.header = VariableBytes(StructBytes({p, p, p, p, 2, 2})) +
                          VariableBytes(StructBytes({p, p, p, 4, 4, 1, 1, 1, p, p, p}));
        } else {
            const std::uint64_t coord = layout.largeCoord.empty() ? 2 : 4;
            cost.header = VariableBytes(StructBytes({p, p, p, p, 2, 2, p})) +
                          VariableBytes(StructBytes({p, p, coord, coord, 1, 1, 1, p, p, p}));
        }
        return cost;
    }

    void WriteTop(const glyph::Strike& strike, const Layout& layout, std::string& out) const {
        std::vector<std::string> lines =
            FontDescription(strike.facts, strike.glyphs.size(), layout.lineHeight);
        lines.emplace_back();
        if (version_ == 9) {
            lines.emplace_back("LVGL 9 font: lv_font_t over lv_font_fmt_txt, every field of LVGL "
                               "9.0 to 9.2 (later 9.x read it too).");
        } else {
            lines.emplace_back("LVGL 8.3 font: lv_font_t over lv_font_fmt_txt.");
        }
        if (bpp_ == 1 && layout.code.empty()) {
            lines.emplace_back("1 bit per pixel, uncompressed; each glyph's box: " +
                               glyph::Describe(kPacking) + ":");
            for (std::string& line : glyph::DrawBitLayout(kPacking, 5, 3)) {
                lines.push_back(std::move(line));
            }
        } else {
            const std::string n = std::to_string(bpp_);
            if (layout.code.empty()) {
                lines.push_back(n + " bits per pixel, uncompressed: each pixel's level 0 (paper) " +
                                "to " + std::to_string((1 << bpp_) - 1) +
                                " (full ink), most significant bit first,");
                lines.emplace_back("pixel after pixel and row after row; only each glyph's last "
                                   "byte is padded.");
            } else {
                lines.push_back(
                    n + (bpp_ == 1 ? " bit" : " bits") +
                    " per pixel, compressed: each glyph's box, rows top to bottom, in "
                    "LVGL's run-length code" +
                    (layout.prefilter ? ", each row XORed with the row above first." : "."));
            }
            if (bpp_ == 3 || bpp_ == 8) {
                lines.push_back("LVGL 9.0 to 9.2 cannot draw " + n +
                                " bits per pixel; 9.3 and later can.");
            }
        }
        lines.emplace_back("ofs_x, ofs_y: the box's left and bottom edge from the pen on the "
                           "baseline, y up; adv_w in 1/16 px.");
        lines.emplace_back("Draw with it:");
        lines.push_back("  LV_FONT_DECLARE(" + name_ + ")");
        lines.push_back("  lv_obj_set_style_text_font(label, &" + name_ + ", 0);");
        out += LineComments(lines);
        out += "\n#ifdef LV_LVGL_H_INCLUDE_SIMPLE\n#include \"lvgl.h\"\n#else\n"
               "#include \"lvgl/lvgl.h\"\n#endif\n\n";
        out += "#ifndef " + guard_ + "\n#define " + guard_ + " 1\n#endif\n\n#if " + guard_ + "\n\n";
        if (version_ == 9) {
            out += "#if defined(LVGL_VERSION_MAJOR) && LVGL_VERSION_MAJOR != 9\n#error \"" + name_ +
                   " is an LVGL 9 font; convert it with --lvgl-version 8 for LVGL 8\"\n#endif\n\n";
        } else {
            out += "#if defined(LVGL_VERSION_MAJOR) && LVGL_VERSION_MAJOR != 8\n#error \"" + name_ +
                   " is an LVGL 8 font; convert it without --lvgl-version 8 for LVGL 9\"\n"
                   "#endif\n\n";
        }
        out += "#ifndef LV_ATTRIBUTE_LARGE_CONST\n#define LV_ATTRIBUTE_LARGE_CONST\n#endif\n\n";
        if (!layout.code.empty()) {
            out += "#if !LV_USE_FONT_COMPRESSED\n#error \"" + name_ +
                   " is compressed: it needs LV_USE_FONT_COMPRESSED 1 in lv_conf.h\"\n#endif\n\n";
        }
        if (!layout.large.empty()) {
            out += "/* The glyphs need LVGL's large glyph descriptors: " + layout.large +
                   ". */\n#if !LV_FONT_FMT_TXT_LARGE\n#error \"" + name_ +
                   " needs LV_FONT_FMT_TXT_LARGE 1 in lv_conf.h\"\n#endif\n\n";
        }
        if (!layout.largeCoord.empty()) {
            out += "/* " + layout.largeCoord + ". */\n#if !LV_USE_LARGE_COORD\n#error \"" + name_ +
                   " needs LV_USE_LARGE_COORD 1 in lv_conf.h\"\n#endif\n\n";
        }
    }

    // Returns the bytes glyph_bitmap holds.
    std::uint64_t WriteBitmaps(const glyph::Strike& strike, const Layout& layout,
                               ChunkedText& text) const {
        std::string& out = text.text();
        out += layout.code.empty()
                   ? "/* The glyphs' bitmaps in glyph id order; a blank glyph has none. */\n"
                   : "/* The glyphs' codes in glyph id order; a blank glyph has none, and a glyph "
                     "whose code\n   is an earlier glyph's points at that one's bytes. */\n";
        out += "static LV_ATTRIBUTE_LARGE_CONST const uint8_t glyph_bitmap[] = {\n";
        std::vector<std::uint8_t> bytes;
        std::uint64_t held = 0;
        bool any = false;
        for (std::size_t k = 0; k < layout.order.size(); ++k) {
            const glyph::StrikeGlyph& g = strike.glyphs[layout.order[k]];
            bytes.clear();
            const bool shared = !layout.sameCode.empty() && layout.sameCode[k] != k;
            if (layout.code.empty()) {
                PackGlyph(g, bpp_, bytes);
            } else {
                bytes = layout.code[k];
            }
            out += "    /* ";
            AppendCharacter(out, g.code);
            if (shared) {
                out += ": the same code as ";
                AppendCharacter(out, strike.glyphs[layout.order[layout.sameCode[k]]].code);
                out += " */\n";
            } else {
                out += " */\n";
                AppendHexBytes(out, bytes, 16, "    ");
                held += bytes.size();
            }
            any = any || !bytes.empty();
            if (!layout.code.empty() && options_.decode) {
                // The preview shows what LVGL's decoder makes of the code.
                bytes = PackLevels(DecompressLevels(bytes, g.ink.width(), g.ink.height(),
                                                    options_.bpp, layout.prefilter),
                                   options_.bpp);
            }
            // The file keeps the whole ink box: nothing is clipped.
            Written(g, bpp_ == 1 ? ReadBack(g.Box(), bytes, kPacking, options_.decode)
                                 : ReadBackLevels(g.Box(), bytes, bpp_, options_.decode));
            text.Step();
        }
        if (!layout.code.empty()) {
            // LVGL reads the byte after a glyph's code when the code ends on a byte's last bit.
            out += "    0x00, /* read past the last glyph's code, never drawn */\n";
            ++held;
        } else if (!any) {
            out += "    0x00, /* no glyph has ink; C wants an element */\n";
            ++held;
        }
        out += "};\n\n";
        return held;
    }

    void WriteDescriptors(const glyph::Strike& strike, const Layout& layout,
                          ChunkedText& text) const {
        std::string& out = text.text();
        out += "/* Box, offsets and advance of each glyph, by glyph id. */\n"
               "static const lv_font_fmt_txt_glyph_dsc_t glyph_dsc[] = {\n";
        const auto entry = [&out](std::int64_t index, std::int64_t advance, int width, int height,
                                  int x, int y) {
            out += "    {.bitmap_index = ";
            AppendNumber(out, index);
            out += ", .adv_w = ";
            AppendNumber(out, advance);
            out += ", .box_w = ";
            AppendNumber(out, width);
            out += ", .box_h = ";
            AppendNumber(out, height);
            out += ", .ofs_x = ";
            AppendNumber(out, x);
            out += ", .ofs_y = ";
            AppendNumber(out, y);
            out += "},";
        };
        entry(0, 0, 0, 0, 0, 0);
        out += " /* id 0: reserved */\n";
        for (const CharacterMap& map : layout.maps) {
            for (std::size_t k = map.first; k < map.first + map.count; ++k) {
                const glyph::StrikeGlyph& g = strike.glyphs[layout.order[k]];
                const int width = g.ink.width();
                const int height = g.ink.height();
                const bool blank = g.ink.empty();
                entry(layout.bitmapIndex[k], std::int64_t{g.advance} * 16, blank ? 0 : width,
                      blank ? 0 : height, blank ? 0 : g.left, blank ? 0 : g.top - height);
                out += " /* ";
                AppendCode(out, g.code);
                out += " */\n";
                text.Step();
            }
            if (map.guarded) {
                entry(layout.bitmapIndex[map.first + map.count], 0, 0, 0, 0, 0);
                out += " /* ";
                AppendCode(out, layout.codes[map.first + map.count - 1] + 1);
                out += ": not in the font; LVGL 8 looks here */\n";
            }
        }
        out += "};\n\n";
    }

    static void WriteMaps(const Layout& layout, ChunkedText& text) {
        std::string& out = text.text();
        if (layout.maps.empty()) {
            return;
        }
        out += "/* Code points of the scattered characters, from their map's range_start. */\n";
        for (std::size_t k = 0; k < layout.maps.size(); ++k) {
            const CharacterMap& map = layout.maps[k];
            if (!map.sparse) {
                continue;
            }
            out += "static const uint16_t unicode_list_";
            AppendNumber(out, static_cast<std::int64_t>(k));
            out += "[] = {\n";
            const char32_t start = layout.codes[map.first];
            for (std::size_t i = 0; i < map.count; ++i) {
                out += i % 12 == 0 ? "    " : " ";
                AppendNumber(out, layout.codes[map.first + i] - start);
                out += ',';
                if (i % 12 == 11 || i + 1 == map.count) {
                    out += '\n';
                }
            }
            out += "};\n";
            text.Step();
        }
        out += "\n/* Character maps: code point -> glyph id. */\n"
               "static const lv_font_fmt_txt_cmap_t cmaps[] = {\n";
        for (std::size_t k = 0; k < layout.maps.size(); ++k) {
            const CharacterMap& map = layout.maps[k];
            const char32_t first = layout.codes[map.first];
            const char32_t last = layout.codes[map.first + map.count - 1];
            out += "    {.range_start = ";
            AppendNumber(out, first);
            out += ", .range_length = ";
            AppendNumber(out, last - first + 1);
            out += ", .glyph_id_start = ";
            AppendNumber(out, map.glyphIdStart);
            if (map.sparse) {
                out += ", .unicode_list = unicode_list_";
                AppendNumber(out, static_cast<std::int64_t>(k));
                out += ", .glyph_id_ofs_list = NULL, .list_length = ";
                AppendNumber(out, static_cast<std::int64_t>(map.count));
                out += ", .type = LV_FONT_FMT_TXT_CMAP_SPARSE_TINY}, /* ";
            } else {
                out += ", .unicode_list = NULL, .glyph_id_ofs_list = NULL, .list_length = 0, "
                       ".type = LV_FONT_FMT_TXT_CMAP_FORMAT0_TINY}, /* ";
            }
            AppendCode(out, first);
            out += "..";
            AppendCode(out, last);
            out += " */\n";
        }
        out += "};\n\n";
    }

    // Writes `values` as C numbers, `perLine` a line.
    template <typename Value>
    static void AppendNumbers(std::string& out, const std::vector<Value>& values,
                              std::size_t perLine) {
        for (std::size_t i = 0; i < values.size(); ++i) {
            out += i % perLine == 0 ? "    " : " ";
            AppendNumber(out, values[i]);
            out += ',';
            if (i % perLine == perLine - 1 || i + 1 == values.size()) {
                out += '\n';
            }
        }
    }

    static void WriteKerning(const KernTables& kerning, ChunkedText& text) {
        std::string& out = text.text();
        if (kerning.pairs.empty()) {
            return;
        }
        if (kerning.classes) {
            out += "/* Kerning by classes: each glyph id's class as the left and as the right "
                   "glyph (0: none), and a value per pair of classes, rows by left class. */\n"
                   "static const uint8_t kern_left_classes[] = {\n";
            AppendNumbers(out, kerning.leftClass, 16);
            out += "};\n\nstatic const uint8_t kern_right_classes[] = {\n";
            AppendNumbers(out, kerning.rightClass, 16);
            out += "};\n\nstatic const int8_t kern_class_values[] = {\n";
            AppendNumbers(out, kerning.classValues, 16);
            out += "};\n\nstatic const lv_font_fmt_txt_kern_classes_t kern_classes = {\n"
                   "    .class_pair_values = kern_class_values,\n"
                   "    .left_class_mapping = kern_left_classes,\n"
                   "    .right_class_mapping = kern_right_classes,\n"
                   "    .left_class_cnt = " +
                   std::to_string(kerning.leftCount) +
                   ",\n    .right_class_cnt = " + std::to_string(kerning.rightCount) + ",\n};\n\n";
            text.Step();
            return;
        }
        std::vector<std::uint32_t> ids;
        std::vector<int> values;
        for (const KernTables::Pair& pair : kerning.pairs) {
            ids.insert(ids.end(), {pair.left, pair.right});
            values.push_back(pair.value);
        }
        out += "/* Kerning pairs: glyph ids, left then right, ascending. */\n";
        out += kerning.wideIds ? "static const uint16_t" : "static const uint8_t";
        out += " kern_pair_glyph_ids[] = {\n";
        AppendNumbers(out, ids, 16);
        out += "};\n\n/* Each pair's value. */\nstatic const int8_t kern_pair_values[] = {\n";
        AppendNumbers(out, values, 16);
        out += "};\n\nstatic const lv_font_fmt_txt_kern_pair_t kern_pairs = {\n"
               "    .glyph_ids = kern_pair_glyph_ids,\n"
               "    .values = kern_pair_values,\n"
               "    .pair_cnt = " +
               std::to_string(kerning.pairs.size()) +
               ",\n    .glyph_ids_size = " + (kerning.wideIds ? "1" : "0") +
               ", /* glyph ids as uint" + (kerning.wideIds ? "16" : "8") + "_t */\n};\n\n";
        text.Step();
    }

    void WriteFont(const glyph::Strike& strike, const Layout& layout, const KernTables& kerning,
                   std::string& out) const {
        const glyph::SizeMetrics& metrics = strike.facts.metrics;
        if (version_ == 8) {
            out += "/* The last character looked up and its glyph id (LVGL 8). */\n"
                   "static lv_font_fmt_txt_glyph_cache_t cache;\n\n";
        }
        out += "static const lv_font_fmt_txt_dsc_t font_dsc = {\n"
               "    .glyph_bitmap = glyph_bitmap,\n"
               "    .glyph_dsc = glyph_dsc,\n";
        out += layout.maps.empty() ? "    .cmaps = NULL,\n" : "    .cmaps = cmaps,\n";
        const bool kerned = !kerning.pairs.empty();
        out += !kerned           ? "    .kern_dsc = NULL,\n"
               : kerning.classes ? "    .kern_dsc = &kern_classes,\n"
                                 : "    .kern_dsc = &kern_pairs,\n";
        out +=
            "    .kern_scale = " +
            (kerned ? std::to_string(kerning.scale) + ", /* value * kern_scale / 16: 1/16 px */"
                    : std::string("0,")) +
            "\n"
            "    .cmap_num = " +
            std::to_string(layout.maps.size()) +
            ",\n"
            "    .bpp = " +
            std::to_string(bpp_) +
            ",\n"
            "    .kern_classes = " +
            (kerning.classes ? "1" : "0") +
            ",\n"
            "    .bitmap_format = " +
            (layout.code.empty() ? std::string("0, /* LV_FONT_FMT_TXT_PLAIN */")
             : layout.prefilter  ? std::string("1, /* LV_FONT_FMT_TXT_COMPRESSED: rows XORed "
                                                "with the row above */")
                                : std::string("2, /* LV_FONT_FMT_TXT_COMPRESSED_NO_PREFILTER */")) +
            "\n";
        if (version_ == 8) {
            out += "    .cache = &cache,\n";
        } else {
            out += "#if LVGL_VERSION_MINOR >= 3\n"
                   "    .stride = 0, /* rows run on, as above */\n"
                   "#endif\n";
        }
        out += "};\n\n";
        // Declared first so that C++ too gives the font external linkage.
        out += "LV_FONT_DECLARE(" + name_ + ")\n\n";
        out += "const lv_font_t " + name_ +
               " = {\n"
               "    .get_glyph_dsc = lv_font_get_glyph_dsc_fmt_txt,\n"
               "    .get_glyph_bitmap = lv_font_get_bitmap_fmt_txt,\n";
        if (version_ == 9) {
            out += "    .release_glyph = NULL,\n";
        }
        out += "    .line_height = " + std::to_string(layout.lineHeight) +
               ", /* the set's ink, top to bottom, and the baseline */\n"
               "    .base_line = " +
               std::to_string(layout.baseLine) +
               ", /* from the line's bottom up to the baseline */\n"
               "    .subpx = LV_FONT_SUBPX_NONE,\n";
        if (version_ == 9) {
            out += kerned ? "    .kerning = LV_FONT_KERNING_NORMAL,\n"
                          : "    .kerning = LV_FONT_KERNING_NORMAL, /* the font has no kerning "
                            "pairs */\n";
            out += "#if LVGL_VERSION_MINOR >= 3\n"
                   "    .static_bitmap = 0, /* LVGL copies each glyph out, as in 9.2 */\n"
                   "#endif\n";
        }
        out += "    .underline_position = " + std::to_string(metrics.underlineTop) +
               ", /* the underline's top edge above the baseline */\n"
               "    .underline_thickness = " +
               std::to_string(metrics.underlineThickness) +
               ",\n"
               "    .dsc = &font_dsc,\n"
               "    .fallback = NULL,\n";
        out += version_ == 8 ? "#if LV_USE_USER_DATA\n    .user_data = NULL,\n#endif\n"
                             : "    .user_data = NULL,\n";
        out += "};\n\n#endif /* " + guard_ + " */\n";
    }

    FormatOptions options_;
    int version_;
    int bpp_;
    std::string name_;
    std::string guard_;
};

} // namespace

std::unique_ptr<FontWriter> MakeLvglWriter(const FormatOptions& options) {
    return std::make_unique<LvglWriter>(options);
}

} // namespace formats
