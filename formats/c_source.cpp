#include "formats/c_source.h"

#include "glyph/cp1251.h"
#include "glyph/safe_text.h"
#include "glyph/utf8.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace formats {

namespace {

std::string BaseName(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Letters and digits of `text`, others dropped.
std::string Alphanumeric(std::string_view text) {
    std::string out;
    for (char c : text) {
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) {
            out += c;
        }
    }
    return out;
}

} // namespace

std::string Plural(long count, std::string_view one, std::string_view many) {
    return std::to_string(count) + " " + std::string(count == 1 ? one : many);
}

std::string ShortNumber(float value) {
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

std::string FaceLine(const glyph::FaceFacts& face) {
    std::string line = face.family;
    if (!face.style.empty()) {
        line += " " + face.style;
    }
    line += " (" + BaseName(face.file);
    if (face.faceIndex != 0) {
        line += ", face " + std::to_string(face.faceIndex);
    }
    return line + ")";
}

std::string SymbolName(const FormatOptions& options, const glyph::StrikeFacts& facts) {
    if (!options.name.empty()) {
        return options.name;
    }
    std::string name = Alphanumeric(facts.face.family);
    if (name.empty() || (name.front() >= '0' && name.front() <= '9')) {
        name = "font" + name;
    }
    if (facts.bold) {
        name += "_Bold";
    }
    if (facts.italic) {
        name += "_Italic";
    }
    return name + "_" + std::to_string(facts.metrics.pixelSize) + "px";
}

std::string CommentText(std::string_view text) {
    std::string out = glyph::SafeText(text, glyph::TextPlace::Comment);
    while (!out.empty() && (out.back() == '\\' || out.back() == ' ')) {
        out.pop_back();
    }
    return out;
}

std::vector<std::string> WrapComment(std::string_view text) {
    const std::string safe = glyph::SafeText(text, glyph::TextPlace::Comment);
    std::vector<std::string> lines;
    std::string_view rest = safe;
    while (rest.size() > kCommentWidth) {
        std::size_t end = rest.rfind(' ', kCommentWidth);
        if (end == std::string_view::npos || end == 0) {
            // One long word: cut it on a character's first byte, never after a backslash.
            end = kCommentWidth;
            while (end > 1 && ((static_cast<unsigned char>(rest[end]) & 0xC0) == 0x80 ||
                               rest[end - 1] == '\\')) {
                --end;
            }
        }
        lines.push_back(CommentText(rest.substr(0, end)));
        rest.remove_prefix(end);
        while (!rest.empty() && rest.front() == ' ') {
            rest.remove_prefix(1);
        }
    }
    lines.push_back(CommentText(rest));
    return lines;
}

namespace {

void AddLegalLines(std::vector<std::string>& lines, const glyph::FaceFacts& face) {
    if (!face.copyright.empty()) {
        lines.push_back("Copyright: " + face.copyright);
    }
    if (!face.licence.empty()) {
        lines.push_back("Licence: " + face.licence);
    }
}

} // namespace

std::vector<std::string> LegalLines(const glyph::StrikeFacts& facts) {
    std::vector<std::string> lines;
    AddLegalLines(lines, facts.face);
    for (const glyph::FaceFacts& fallback : facts.fallbacks) {
        lines.push_back("Also drawn with: " + FaceLine(fallback));
        AddLegalLines(lines, fallback);
    }
    return lines;
}

std::vector<std::string> FontDescription(const glyph::StrikeFacts& facts, std::size_t glyphs,
                                         std::optional<int> lineHeight) {
    std::vector<std::string> lines = {
        "Made by rastova-convert.",
        "Font: " + FaceLine(facts.face),
        "Size: " + ShortNumber(facts.points) + " pt, " + std::to_string(facts.metrics.pixelSize) +
            " px at 96 dpi; ascent " + std::to_string(facts.metrics.ascent) + ", descent " +
            std::to_string(facts.metrics.descent) +
            (lineHeight ? ", line height " + std::to_string(*lineHeight) + " px" : ""),
        std::to_string(glyphs) + (glyphs == 1 ? " character" : " characters"),
    };
    for (std::string& line : LegalLines(facts)) {
        lines.push_back(std::move(line));
    }
    return lines;
}

std::string LineComments(const std::vector<std::string>& lines) {
    std::string out;
    for (const std::string& line : lines) {
        for (const std::string& text : WrapComment(line)) {
            out += text.empty() ? "//" : "// " + text;
            out += '\n';
        }
    }
    return out;
}

void AppendHexBytes(std::string& out, std::span<const std::uint8_t> bytes, int perLine,
                    std::string_view indent, std::string_view comment) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    if (bytes.empty()) {
        if (!comment.empty()) {
            out += indent;
            out += "// ";
            out += comment;
            out += '\n';
        }
        return;
    }
    const auto line = static_cast<std::size_t>(perLine);
    out.reserve(out.size() + HexBytesSize(bytes.size(), line, indent.size()) + comment.size() + 4);
    for (std::size_t first = 0; first < bytes.size(); first += line) {
        out += indent;
        const std::size_t end = std::min(bytes.size(), first + line);
        // "0xHH," items a space apart: written straight into the string.
        const std::size_t at = out.size();
        out.resize(at + (end - first) * kHexByteSize - 1);
        char* item = out.data() + at;
        for (std::size_t i = first; i < end; ++i) {
            if (i > first) {
                *item++ = ' ';
            }
            item[0] = '0';
            item[1] = 'x';
            item[2] = kHex[bytes[i] >> 4];
            item[3] = kHex[bytes[i] & 0xF];
            item[4] = ',';
            item += 5;
        }
        if (first == 0 && !comment.empty()) {
            out += " // ";
            out += comment;
        }
        out += '\n';
    }
}

std::uint64_t StructBytes(std::initializer_list<std::uint64_t> members) {
    std::uint64_t size = 0;
    std::uint64_t widest = 1;
    for (const std::uint64_t member : members) {
        size = (size + member - 1) / member * member + member;
        widest = std::max(widest, member);
    }
    return (size + widest - 1) / widest * widest;
}

std::uint64_t TextBytes(std::string_view text, std::string_view eol) {
    return text.size() + static_cast<std::uint64_t>(std::count(text.begin(), text.end(), '\n')) *
                             (eol.size() - 1);
}

std::optional<std::uint8_t> SingleByteCode(char32_t c, Encoding encoding) {
    if (encoding == Encoding::Cp1251) {
        return glyph::Cp1251Byte(c);
    }
    if (c <= 0xFF) {
        return static_cast<std::uint8_t>(c);
    }
    return std::nullopt;
}

void CheckSingleByteCodes(std::u32string_view characters, Encoding encoding,
                          std::string_view format) {
    for (char32_t c : characters) {
        if (!SingleByteCode(c, encoding)) {
            throw FormatError(
                glyph::CharacterName(c) + ": --format " + std::string(format) +
                " indexes glyphs by single bytes" +
                (encoding == Encoding::Cp1251
                     ? std::string("; Windows-1251 has no byte for it")
                     : std::string("; code points above 0xFF need --encoding cp1251 (Cyrillic)")));
        }
    }
}

} // namespace formats
