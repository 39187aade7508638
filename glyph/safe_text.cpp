#include "glyph/safe_text.h"

#include "glyph/utf8.h"

#include <cstdio>

namespace glyph {

namespace {

// The length of the UTF-8 sequence at the start of `text` and its code point; 0 when the first
// byte does not begin a valid sequence.
std::size_t NextCharacter(std::string_view text, char32_t& c) {
    const auto lead = static_cast<unsigned char>(text[0]);
    if (lead < 0x80) {
        c = lead; // most of a name table, and no decoding needed
        return 1;
    }
    const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    if (length > text.size()) {
        return 0;
    }
    const auto decoded = DecodeUtf8(text.substr(0, length));
    if (!decoded || decoded->size() != 1) {
        return 0;
    }
    c = decoded->front();
    return length;
}

// The length of the run of printable ASCII at the start of `text` without '*', '/' or '?'.
std::size_t PlainRun(std::string_view text) {
    std::size_t n = 0;
    while (n < text.size() && text[n] >= 0x20 && text[n] < 0x7F && text[n] != '*' &&
           text[n] != '/' && text[n] != '?') {
        ++n;
    }
    return n;
}

bool IsTrigraphEnd(char c) {
    return c == '=' || c == '/' || c == '\'' || c == '(' || c == ')' || c == '!' || c == '<' ||
           c == '>' || c == '-';
}

// Appends one character of comment text, breaking up "*/", "/*" and trigraphs as they form.
void AppendCommentChar(std::string& out, char c) {
    if (!out.empty() && ((c == '/' && out.back() == '*') || (c == '*' && out.back() == '/'))) {
        out += ' ';
    } else if (IsTrigraphEnd(c) && out.size() >= 2 && out[out.size() - 1] == '?' &&
               out[out.size() - 2] == '?') {
        out.insert(out.size() - 1, 1, ' ');
    }
    out += c;
}

void AppendComment(std::string& out, std::string_view sequence, char32_t c, bool valid) {
    char code[16];
    if (c >= 0x20 && c < 0x7F) {
        AppendCommentChar(out, static_cast<char>(c));
    } else if (!valid) {
        std::snprintf(code, sizeof code, "<0x%02X>", static_cast<unsigned char>(sequence[0]));
        out += code;
    } else if (c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r') {
        out += ' ';
    } else if (IsInvisible(c)) {
        out += '<';
        out += CodeName(c);
        out += '>';
    } else if (c < 0x80) {
        AppendCommentChar(out, static_cast<char>(c));
    } else {
        out += sequence;
    }
}

void AppendCString(std::string& out, std::string_view bytes) {
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\' || c == '?') {
            out += '\\';
            out += c;
        } else if (byte >= 0x20 && byte < 0x7F) {
            out += c;
        } else {
            // Always three digits, so a digit that follows is not read into the escape.
            out += '\\';
            out += static_cast<char>('0' + (byte >> 6));
            out += static_cast<char>('0' + ((byte >> 3) & 7));
            out += static_cast<char>('0' + (byte & 7));
        }
    }
}

void AppendBdf(std::string& out, char32_t c, bool valid) {
    if (!valid) {
        out += '?';
    } else if (c < 0x20) {
        out += ' ';
    } else if (c < 0x7F) {
        out += static_cast<char>(c);
    } else if (c == U'\u00A9') {
        out += "(c)";
    } else {
        out += '?';
    }
}

} // namespace

bool IsInvisible(char32_t c) {
    struct Range {
        char32_t first;
        char32_t last;
    };
    // Unicode's control (Cc), format (Cf), line (Zl) and paragraph (Zp) separator characters.
    static constexpr Range kRanges[] = {
        {0x0000, 0x001F},   {0x007F, 0x009F},   {0x00AD, 0x00AD},   {0x0600, 0x0605},
        {0x061C, 0x061C},   {0x06DD, 0x06DD},   {0x070F, 0x070F},   {0x0890, 0x0891},
        {0x08E2, 0x08E2},   {0x180E, 0x180E},   {0x200B, 0x200F},   {0x2028, 0x202E},
        {0x2060, 0x2064},   {0x2066, 0x206F},   {0xFEFF, 0xFEFF},   {0xFFF9, 0xFFFB},
        {0x110BD, 0x110BD}, {0x110CD, 0x110CD}, {0x13430, 0x1343F}, {0x1BCA0, 0x1BCA3},
        {0x1D173, 0x1D17A}, {0xE0001, 0xE0001}, {0xE0020, 0xE007F},
    };
    for (const Range& range : kRanges) {
        if (c >= range.first && c <= range.last) {
            return true;
        }
    }
    return false;
}

std::string SafeText(std::string_view text, TextPlace place) {
    std::string out;
    out.reserve(text.size());
    if (place == TextPlace::CString) {
        AppendCString(out, text);
        return out;
    }
    while (!text.empty()) {
        if (place == TextPlace::Comment && (out.empty() || out.back() != '?')) {
            // A run of printable ASCII that can neither close a comment nor make a trigraph
            // goes in as it is.
            const std::size_t run = PlainRun(text);
            if (run > 0) {
                out.append(text.substr(0, run));
                text.remove_prefix(run);
                continue;
            }
        }
        char32_t c = 0;
        const std::size_t length = NextCharacter(text, c);
        const bool valid = length > 0;
        const std::string_view sequence = text.substr(0, valid ? length : 1);
        if (place == TextPlace::Comment) {
            AppendComment(out, sequence, c, valid);
        } else {
            AppendBdf(out, c, valid);
        }
        text.remove_prefix(sequence.size());
    }
    return out;
}

} // namespace glyph
