#include "cli/printable.h"

#include "cli/character_list.h"
#include "glyph/utf8.h"

#include <cstdio>

namespace cli {

namespace {

// The length of the UTF-8 sequence at the start of `text` and its code point; 0 when the first
// byte does not begin a valid sequence.
std::size_t NextCharacter(std::string_view text, char32_t& c) {
    for (std::size_t length = 1; length <= 4 && length <= text.size(); ++length) {
        const auto decoded = glyph::DecodeUtf8(text.substr(0, length));
        if (decoded && decoded->size() == 1) {
            c = decoded->front();
            return length;
        }
    }
    return 0;
}

} // namespace

std::string Printable(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    char escape[8];
    while (!text.empty()) {
        char32_t c = 0;
        const std::size_t length = NextCharacter(text, c);
        if (length == 0) {
            std::snprintf(escape, sizeof escape, "\\x%02x", static_cast<unsigned char>(text[0]));
            out += escape;
            text.remove_prefix(1);
            continue;
        }
        if (!IsControl(c)) {
            out += text.substr(0, length);
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == 0x1B) {
            out += "\\e";
        } else {
            std::snprintf(escape, sizeof escape, c < 0x80 ? "\\x%02x" : "\\u%04x",
                          static_cast<unsigned>(c));
            out += escape;
        }
        text.remove_prefix(length);
    }
    return out;
}

} // namespace cli
