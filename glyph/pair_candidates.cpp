#include "glyph/pair_candidates.h"

#include <algorithm>
#include <bit>
#include <unordered_map>

namespace glyph {

namespace {

// The table's bytes, read big-endian; a read past the end throws, and the caller then cannot
// tell which pairs move.
struct Malformed {};

class Reader {
public:
    explicit Reader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    std::uint32_t U16(std::size_t at) const {
        Need(at, 2);
        return static_cast<std::uint32_t>(bytes_[at] << 8 | bytes_[at + 1]);
    }
    std::uint32_t U32(std::size_t at) const { return U16(at) << 16 | U16(at + 2); }
    bool Zero(std::size_t at, std::size_t size) const {
        Need(at, size);
        return std::all_of(bytes_.begin() + static_cast<std::ptrdiff_t>(at),
                           bytes_.begin() + static_cast<std::ptrdiff_t>(at + size),
                           [](std::uint8_t b) { return b == 0; });
    }

private:
    void Need(std::size_t at, std::size_t size) const {
        if (at > bytes_.size() || size > bytes_.size() - at) {
            throw Malformed{};
        }
    }
    std::span<const std::uint8_t> bytes_;
};

// Bytes of a value record of this ValueFormat: two for each field it has.
std::size_t ValueSize(std::uint32_t format) {
    return 2 * static_cast<std::size_t>(std::popcount(format & 0xFFU));
}

// The coverage index of each glyph in `glyphs`, or -1 for a glyph not covered.
std::vector<long> CoverageOf(const Reader& r, std::size_t at,
                             std::span<const std::uint32_t> glyphs) {
    std::unordered_map<std::uint32_t, long> index;
    const std::uint32_t format = r.U16(at);
    const std::uint32_t count = r.U16(at + 2);
    for (std::uint32_t i = 0; i < count; ++i) {
        if (format == 1) {
            index.emplace(r.U16(at + 4 + 2 * i), i);
        } else if (format == 2) {
            const std::size_t range = at + 4 + 6 * i;
            const std::uint32_t first = r.U16(range);
            const std::uint32_t last = r.U16(range + 2);
            const std::uint32_t start = r.U16(range + 4);
            for (std::uint32_t g : glyphs) {
                if (g >= first && g <= last) {
                    index.emplace(g, start + g - first);
                }
            }
        } else {
            throw Malformed{};
        }
    }
    std::vector<long> covered;
    for (std::uint32_t g : glyphs) {
        const auto found = index.find(g);
        covered.push_back(found == index.end() ? -1 : found->second);
    }
    return covered;
}

// The class of each glyph in `glyphs`; 0 for a glyph the definition does not list.
std::vector<std::uint32_t> ClassesOf(const Reader& r, std::size_t at,
                                     std::span<const std::uint32_t> glyphs) {
    std::vector<std::uint32_t> classes(glyphs.size(), 0);
    const std::uint32_t format = r.U16(at);
    for (std::size_t k = 0; k < glyphs.size(); ++k) {
        const std::uint32_t g = glyphs[k];
        if (format == 1) {
            const std::uint32_t first = r.U16(at + 2);
            const std::uint32_t count = r.U16(at + 4);
            if (g >= first && g - first < count) {
                classes[k] = r.U16(at + 6 + 2 * (g - first));
            }
        } else if (format == 2) {
            const std::uint32_t ranges = r.U16(at + 2);
            for (std::uint32_t i = 0; i < ranges; ++i) {
                const std::size_t range = at + 4 + 6 * i;
                if (g >= r.U16(range) && g <= r.U16(range + 2)) {
                    classes[k] = r.U16(range + 4);
                    break;
                }
            }
        } else {
            throw Malformed{};
        }
    }
    return classes;
}

using Candidates = std::vector<std::vector<std::size_t>>;

// PairPos format 1: the second glyphs each covered first glyph lists.
void PairsFromList(const Reader& r, std::size_t at, std::span<const std::uint32_t> glyphs,
                   Candidates& out) {
    const std::vector<long> covered = CoverageOf(r, at + r.U16(at + 2), glyphs);
    const std::size_t record = 2 + ValueSize(r.U16(at + 4)) + ValueSize(r.U16(at + 6));
    const std::uint32_t sets = r.U16(at + 8);
    std::unordered_map<std::uint32_t, std::size_t> indexOf;
    for (std::size_t k = 0; k < glyphs.size(); ++k) {
        indexOf.emplace(glyphs[k], k);
    }
    for (std::size_t k = 0; k < glyphs.size(); ++k) {
        if (covered[k] < 0 || static_cast<std::uint32_t>(covered[k]) >= sets) {
            continue;
        }
        const std::size_t set = at + r.U16(at + 10 + 2 * static_cast<std::size_t>(covered[k]));
        const std::uint32_t count = r.U16(set);
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::size_t pair = set + 2 + record * i;
            const auto right = indexOf.find(r.U16(pair));
            if (right != indexOf.end() && !r.Zero(pair + 2, record - 2)) {
                out[k].push_back(right->second);
            }
        }
    }
}

// PairPos format 2: every glyph of each second class whose record for the first glyph's class
// moves something.
void PairsFromClasses(const Reader& r, std::size_t at, std::span<const std::uint32_t> glyphs,
                      Candidates& out) {
    const std::vector<long> covered = CoverageOf(r, at + r.U16(at + 2), glyphs);
    const std::size_t values = ValueSize(r.U16(at + 4)) + ValueSize(r.U16(at + 6));
    const std::vector<std::uint32_t> first = ClassesOf(r, at + r.U16(at + 8), glyphs);
    const std::vector<std::uint32_t> second = ClassesOf(r, at + r.U16(at + 10), glyphs);
    const std::uint32_t class1Count = r.U16(at + 12);
    const std::uint32_t class2Count = r.U16(at + 14);
    std::vector<std::vector<std::size_t>> members(class2Count);
    for (std::size_t k = 0; k < glyphs.size(); ++k) {
        if (second[k] < class2Count) {
            members[second[k]].push_back(k);
        }
    }
    std::unordered_map<std::uint32_t, std::vector<std::size_t>> rightsOf; // by first class
    for (std::size_t k = 0; k < glyphs.size(); ++k) {
        if (covered[k] < 0 || first[k] >= class1Count) {
            continue;
        }
        auto [rights, fresh] = rightsOf.try_emplace(first[k]);
        if (fresh) {
            const std::size_t row = at + 16 + values * class2Count * first[k];
            for (std::uint32_t c2 = 0; c2 < class2Count; ++c2) {
                if (values > 0 && !r.Zero(row + values * c2, values)) {
                    rights->second.insert(rights->second.end(), members[c2].begin(),
                                          members[c2].end());
                }
            }
        }
        out[k].insert(out[k].end(), rights->second.begin(), rights->second.end());
    }
}

void PairsFromLookup(const Reader& r, std::size_t lookup, std::span<const std::uint32_t> glyphs,
                     Candidates& out) {
    const std::uint32_t type = r.U16(lookup);
    const std::uint32_t subtables = r.U16(lookup + 4);
    for (std::uint32_t i = 0; i < subtables; ++i) {
        std::size_t at = lookup + r.U16(lookup + 6 + 2 * i);
        std::uint32_t subtableType = type;
        if (type == 9) { // extension: the real subtable lies further on
            subtableType = r.U16(at + 2);
            at += r.U32(at + 4);
        }
        if (subtableType != 2) {
            throw Malformed{}; // single, contextual or chained adjustment: cannot tell cheaply
        }
        const std::uint32_t format = r.U16(at);
        if (format == 1) {
            PairsFromList(r, at, glyphs, out);
        } else if (format == 2) {
            PairsFromClasses(r, at, glyphs, out);
        } else {
            throw Malformed{};
        }
    }
}

} // namespace

std::optional<std::vector<std::vector<std::size_t>>>
PairCandidates(std::span<const std::uint8_t> gpos, std::span<const unsigned> lookups,
               std::span<const std::uint32_t> glyphs) {
    Candidates out(glyphs.size());
    try {
        const Reader r(gpos);
        const std::size_t list = r.U16(8);
        const std::uint32_t count = r.U16(list);
        for (const unsigned index : lookups) {
            if (index >= count) {
                return std::nullopt;
            }
            PairsFromLookup(r, list + r.U16(list + 2 + 2 * static_cast<std::size_t>(index)), glyphs,
                            out);
        }
    } catch (const Malformed&) {
        return std::nullopt;
    }
    for (std::vector<std::size_t>& rights : out) {
        std::sort(rights.begin(), rights.end());
        rights.erase(std::unique(rights.begin(), rights.end()), rights.end());
    }
    return out;
}

} // namespace glyph
