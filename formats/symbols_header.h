// The symbols header: a C macro for each character of a font in a Private Use Area, holding the
// character's UTF-8 as a string literal, so that firmware can write an icon into its strings by
// name: lv_label_set_text(label, ICONS_HEART " 23 °C").
#pragma once

#include "glyph/strike.h"

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace formats {

// Whether c is in a Private Use Area: U+E000-U+F8FF, U+F0000-U+FFFFD or U+100000-U+10FFFD.
bool IsPrivateUse(char32_t c);

// One character of the font the header names.
struct Symbol {
    char32_t code = 0;     // where the font holds it
    std::string glyphName; // its glyph's name in the font it was drawn from, untrusted; "": none
};

// The longest NAME a glyph's name becomes, before any "_2" suffix.
inline constexpr std::size_t kMaxSymbolName = 40;

// The NAME part of each symbol's macro, in the order of `symbols` (which must hold each code
// once): the glyph's name upper-cased with each run of other bytes than ASCII letters and digits
// made one '_', without '_' at either end, at most kMaxSymbolName characters. A glyph without
// such a name, or named only by its code ("uniE000", "uF0000"), gets "U_E000" (the code in upper
// hex, at least four digits). Taken in code point order, a NAME already taken, or "SYMBOLS_H"
// (the include guard's), gets the first of "_2", "_3", ... that is no other glyph's own NAME.
std::vector<std::string> SymbolNames(std::span<const Symbol> symbols);

// The header: a comment with `description` (lines such as FontDescription's, without comment
// markers), an include guard PREFIX_SYMBOLS_H and one line per symbol in code point order,
//   #define PREFIX_NAME "\xEE\x80\x80" // U+E000 heart
// where PREFIX is `arrayName` upper-cased; it must be a C identifier that neither starts with an
// underscore nor holds two in a row. Lines end in "\n". With no symbols, the guard alone.
std::string SymbolsHeader(std::string_view arrayName, std::span<const Symbol> symbols,
                          const std::vector<std::string>& description);

} // namespace formats
