// Which glyph pairs an OpenType font's GPOS pair positioning can move, read from the table
// itself, so that kerning is looked for only where the font has some.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace glyph {

// For each of `glyphs` (glyph ids) as the left of a pair, the indices into `glyphs`, ascending, of
// the right glyphs that the GPOS lookups `lookups` give a non-zero value record for (PairPos
// formats 1 and 2, also behind extension lookups). Nothing when it cannot be told: a lookup of
// another type, or a table that does not hold together; then any pair may be moved.
std::optional<std::vector<std::vector<std::size_t>>>
PairCandidates(std::span<const std::uint8_t> gpos, std::span<const unsigned> lookups,
               std::span<const std::uint32_t> glyphs);

} // namespace glyph
