#include "formats/symbols_header.h"

#include "formats/c_source.h"
#include "glyph/utf8.h"

#include <algorithm>
#include <cstdio>
#include <set>

namespace formats {

namespace {

// The include guard's NAME part: no glyph's macro may take it.
constexpr std::string_view kGuard = "SYMBOLS_H";

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

// "uniE000" or "u1F600": a name that only states a code, as the Adobe Glyph List's rules write
// one. It says nothing the code does not, and after a remapping it would state another code.
bool NamesOnlyACode(std::string_view name) {
    std::string_view digits;
    if (name.starts_with("uni")) {
        digits = name.substr(3);
        if (digits.size() < 4 || digits.size() % 4 != 0) {
            return false;
        }
    } else if (name.starts_with("u")) {
        digits = name.substr(1);
        if (digits.size() < 4 || digits.size() > 6) {
            return false;
        }
    } else {
        return false;
    }
    return std::all_of(digits.begin(), digits.end(), IsHexDigit);
}

// "U_E000", "U_F0000".
std::string CodeMacroName(char32_t c) {
    char text[16];
    std::snprintf(text, sizeof text, "U_%04X", static_cast<unsigned>(c));
    return text;
}

// The glyph's name as a NAME part: ASCII letters upper-cased and digits kept, each run of other
// bytes one '_', none at either end, cut to kMaxSymbolName; "" when nothing is left.
std::string MacroPart(std::string_view glyphName) {
    std::string part;
    for (const char c : glyphName) {
        if (c >= 'a' && c <= 'z') {
            part += static_cast<char>(c - 'a' + 'A');
        } else if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) {
            part += c;
        } else if (!part.empty() && part.back() != '_') {
            part += '_';
        }
        if (part.size() > kMaxSymbolName) {
            break;
        }
    }
    part.resize(std::min(part.size(), kMaxSymbolName));
    while (!part.empty() && part.back() == '_') {
        part.pop_back();
    }
    return part;
}

std::string BaseName(const Symbol& symbol) {
    std::string part = NamesOnlyACode(symbol.glyphName) ? "" : MacroPart(symbol.glyphName);
    return part.empty() ? CodeMacroName(symbol.code) : part;
}

// The C string literal of c's UTF-8, every byte a two-digit hex escape: "\xEE\x80\x80".
std::string Utf8Literal(char32_t c) {
    std::string bytes;
    glyph::AppendUtf8(bytes, c);
    std::string literal = "\"";
    char escape[8];
    for (const char byte : bytes) {
        std::snprintf(escape, sizeof escape, "\\x%02X", static_cast<unsigned char>(byte));
        literal += escape;
    }
    return literal + "\"";
}

// The name's characters as the comment after a macro shows them, cut to a readable length.
std::string ShownName(std::string_view glyphName) {
    constexpr std::size_t kShown = 64;
    const bool cut = glyphName.size() > kShown;
    return CommentText(glyphName.substr(0, kShown)) + (cut ? "..." : "");
}

// The indexes of `symbols` in code point order.
std::vector<std::size_t> CodeOrder(std::span<const Symbol> symbols) {
    std::vector<std::size_t> order(symbols.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        order[i] = i;
    }
    std::sort(order.begin(), order.end(),
              [&](std::size_t a, std::size_t b) { return symbols[a].code < symbols[b].code; });
    return order;
}

} // namespace

bool IsPrivateUse(char32_t c) {
    return (c >= 0xE000 && c <= 0xF8FF) || (c >= 0xF0000 && c <= 0xFFFFD) ||
           (c >= 0x100000 && c <= 0x10FFFD);
}

std::vector<std::string> SymbolNames(std::span<const Symbol> symbols) {
    const std::vector<std::size_t> order = CodeOrder(symbols);
    std::vector<std::string> bases(symbols.size());
    std::set<std::string, std::less<>> own;
    for (std::size_t i = 0; i < symbols.size(); ++i) {
        bases[i] = BaseName(symbols[i]);
        own.insert(bases[i]);
    }
    // The first glyph of a NAME, by code, keeps it; the others take a suffix no glyph's own
    // NAME has, so that a later glyph still finds its own NAME free.
    std::set<std::string, std::less<>> used = {std::string(kGuard)};
    std::vector<std::string> names(symbols.size());
    for (const std::size_t i : order) {
        std::string name = bases[i];
        for (int n = 2; used.contains(name) || (n > 2 && own.contains(name)); ++n) {
            name = bases[i] + "_" + std::to_string(n);
        }
        used.insert(name);
        names[i] = std::move(name);
    }
    return names;
}

std::string SymbolsHeader(std::string_view arrayName, std::span<const Symbol> symbols,
                          const std::vector<std::string>& description) {
    std::string prefix(arrayName);
    std::transform(prefix.begin(), prefix.end(), prefix.begin(),
                   [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; });
    if (!prefix.ends_with('_')) {
        prefix += '_'; // "FONT_" and "FONT" both give FONT_NAME, never a double underscore
    }
    std::vector<std::string> lines = description;
    lines.push_back(symbols.empty()
                        ? "No character converted is in a Private Use Area, so no macro is "
                          "defined."
                        : "Each macro is the UTF-8 of a character of the font in a Private Use "
                          "Area, as a string literal, named after its glyph in the font: write " +
                              prefix + "NAME \" text\" to put it before text in a string.");
    std::string text = LineComments(lines);
    const std::string guard = prefix + std::string(kGuard);
    text += "#ifndef " + guard + "\n#define " + guard + "\n\n";
    const std::vector<std::size_t> order = CodeOrder(symbols);
    const std::vector<std::string> names = SymbolNames(symbols);
    for (const std::size_t i : order) {
        const Symbol& symbol = symbols[i];
        text += "#define " + prefix + names[i] + " " + Utf8Literal(symbol.code) + " // " +
                glyph::CodeName(symbol.code);
        if (!symbol.glyphName.empty()) {
            text += ' ';
            text += ShownName(symbol.glyphName);
        }
        text += "\n";
    }
    return text + (symbols.empty() ? "" : "\n") + "#endif // " + guard + "\n";
}

} // namespace formats
