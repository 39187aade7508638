#include "formats/c_source.h"

#include "glyph/cp1251.h"
#include "glyph/utf8.h"

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
    std::string out;
    for (char c : text) {
        if (c == '\n' || c == '\r') {
            c = ' ';
        }
        if (c == '/' && !out.empty() && out.back() == '*') {
            out += ' ';
        }
        out += c;
    }
    while (!out.empty() && (out.back() == '\\' || out.back() == ' ')) {
        out.pop_back();
    }
    return out;
}

std::vector<std::string> FontDescription(const glyph::StrikeFacts& facts, std::size_t glyphs) {
    std::vector<std::string> lines = {
        "Made by rastova-convert.",
        "Font: " + FaceLine(facts.face),
        "Size: " + ShortNumber(facts.points) + " pt, " + std::to_string(facts.metrics.pixelSize) +
            " px at 96 dpi; ascent " + std::to_string(facts.metrics.ascent) + ", descent " +
            std::to_string(facts.metrics.descent) + ", line height " +
            std::to_string(facts.metrics.lineHeight) + " px",
        std::to_string(glyphs) + (glyphs == 1 ? " character" : " characters"),
    };
    if (!facts.face.copyright.empty()) {
        lines.push_back("Copyright: " + facts.face.copyright);
    }
    if (!facts.face.licence.empty()) {
        lines.push_back("Licence: " + facts.face.licence);
    }
    return lines;
}

std::string LineComments(const std::vector<std::string>& lines) {
    std::string out;
    for (const std::string& line : lines) {
        const std::string text = CommentText(line);
        out += text.empty() ? "//" : "// " + text;
        out += '\n';
    }
    return out;
}

void AppendHexBytes(std::string& out, std::span<const std::uint8_t> bytes, int perLine,
                    std::string_view indent, std::string_view comment) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const bool first = i % static_cast<std::size_t>(perLine) == 0;
        if (first) {
            out += indent;
        } else {
            out += ' ';
        }
        const std::uint8_t byte = bytes[i];
        const char item[5] = {'0', 'x', kHex[byte >> 4], kHex[byte & 0xF], ','};
        out.append(item, sizeof item);
        const bool last = (i + 1) % static_cast<std::size_t>(perLine) == 0 || i + 1 == bytes.size();
        if (last) {
            if (!comment.empty() && i < static_cast<std::size_t>(perLine)) {
                out += " // ";
                out += comment;
            }
            out += '\n';
        }
    }
    if (bytes.empty() && !comment.empty()) {
        out += indent;
        out += "// ";
        out += comment;
        out += '\n';
    }
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
