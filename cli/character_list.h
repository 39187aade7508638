// Which characters a run converts: code point lists, named sets, and their union in order.
#pragma once

#include "glyph/utf8.h"

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace cli {

using glyph::CodeName;

// first..last inclusive. With a target ("0xF000-0xF00F=>0xE000"), the font's glyphs at
// first..last are written at target.. instead, one for one.
struct CodeRange {
    char32_t first = 0;
    char32_t last = 0;
    std::optional<char32_t> target;

    friend bool operator==(const CodeRange&, const CodeRange&) = default;
};

// "U+0041-U+0043" or "U+0041", with "=>U+E000" for a remap.
std::string RangeName(CodeRange range);

// Control codes (C0, DEL and C1) draw nothing a table could show.
constexpr bool IsControl(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

// A code point: 0x... or U+... in hex, or decimal, with blanks around it allowed; at most
// U+10FFFF. Throws UsageError naming `option`.
char32_t ParseCodePoint(std::string_view token, std::string_view option);

// Parses a comma-separated list of code points and ranges: "0x20-0x7E,U+0410-U+044F,65".
// A code point is 0x... or U+... in hex, or decimal; blanks around items are allowed. An item
// may end in "=>TARGET", a remap. Throws UsageError for an empty list or item, a malformed or
// reversed range, a code point above U+10FFFF, and a range (or a remap's target range) that
// holds a surrogate or a control code or runs past U+10FFFF.
std::vector<CodeRange> ParseRangeList(std::string_view list);

// The characters of a named set in code order: "ascii" (U+0020..U+007E) or "cp1251" (every
// assigned character of Windows-1251 from 0x20 up, in byte order). Throws UsageError otherwise.
std::u32string NamedSet(std::string_view name);

// The characters of one font, as written, in the order they were first added; a character
// added again is ignored. A remapped range adds its targets, each standing for the font's
// character it was remapped from. Throws UsageError for a target that is asked for otherwise
// too, for a remap whose target is remapped itself (a chain) and for remaps that overlap.
class CharacterList {
public:
    void Add(char32_t c);
    void Add(std::u32string_view text);
    void Add(CodeRange range);

    const std::u32string& characters() const { return order_; }
    // The characters written that are remapped, each with the font's character it is drawn as.
    const std::unordered_map<char32_t, char32_t>& remapped() const { return remapped_; }
    // The remap that writes `code`, for messages; `code` must be remapped.
    CodeRange RemapOf(char32_t code) const;

private:
    void AddRemap(CodeRange range);

    std::u32string order_;
    std::unordered_set<char32_t> seen_;
    std::unordered_map<char32_t, char32_t> remapped_;
    std::vector<CodeRange> remaps_;
};

} // namespace cli
