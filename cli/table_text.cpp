#include "cli/table_text.h"

#include "cli/character_list.h"
#include "cli/printable.h"
#include "glyph/utf8.h"

#include <charconv>

namespace cli {

namespace {

std::string Plural(long count, std::string_view one, std::string_view many) {
    return std::to_string(count) + " " + std::string(count == 1 ? one : many);
}

} // namespace

std::string ShortNumber(float value) {
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

std::string CharacterName(char32_t c) {
    std::string name = "'";
    glyph::AppendUtf8(name, c);
    name += "' ";
    name += CodeName(c);
    return name;
}

std::string NamingLine(char32_t c, std::string_view eol) {
    std::string line = "// " + CharacterName(c);
    line += eol;
    return line;
}

std::size_t BytesPerGlyph(glyph::ScanBounds bounds) {
    return static_cast<std::size_t>(bounds.ScanHeight + 1) *
           static_cast<std::size_t>(bounds.ScanWidth / 8);
}

std::string ArrayOpening(const ArrayFacts& facts, std::string_view eol) {
    const int rows = facts.bounds.ScanHeight + 1;
    const int rowBytes = facts.bounds.ScanWidth / 8;
    // Names from the font file, which could hold a line end that would end the comment.
    std::string font = Printable(facts.family);
    if (!facts.style.empty()) {
        font += ' ';
        font += Printable(facts.style);
    }
    font += " (" + Printable(facts.file);
    if (facts.faceIndex != 0) {
        font += ", face " + std::to_string(facts.faceIndex);
    }
    font += ")";
    const std::string lines[] = {
        "// Bitmap tables made by rastova-convert.",
        "// Font: " + font,
        "// Size: " + ShortNumber(facts.points) + " pt, drawn " + std::to_string(facts.pixels) +
            " px high (96 dpi)",
        "// Scan rectangle: columns 0.." + std::to_string(facts.bounds.ScanWidth) + ", rows 0.." +
            std::to_string(facts.bounds.ScanHeight),
        "// " + Plural(static_cast<long>(facts.glyphs), "glyph", "glyphs") +
            " in the order named below, " +
            Plural(static_cast<long>(BytesPerGlyph(facts.bounds)), "byte", "bytes") +
            " each: " + Plural(rows, "row", "rows") + " of " + Plural(rowBytes, "byte", "bytes"),
        "// Layout: rows top to bottom; item k of a row holds columns 8k+1 to 8k+8, the",
        "// leftmost in bit 0; column 0 is drawn in the comments but is in no byte.",
        "const unsigned char " + facts.name + "[] = {",
    };
    std::string text;
    for (const std::string& line : lines) {
        text += line;
        text += eol;
    }
    return text;
}

std::string ArrayClosing(std::string_view eol) {
    std::string text = "};";
    text += eol;
    return text;
}

std::vector<std::string> ClipMessages(char32_t c, const glyph::ClipReport& report,
                                      glyph::ScanBounds bounds) {
    std::vector<std::string> messages;
    if (report.Clean()) {
        return messages;
    }
    const std::string name = CharacterName(c);
    const auto spill = [&](const glyph::Spill& side, const std::string& where) {
        if (side.pixels > 0) {
            messages.push_back(name + ": " + Plural(side.pixels, "ink pixel", "ink pixels") +
                               " cut off " + where + ", reaching " +
                               Plural(side.reach, "pixel", "pixels") + " beyond it");
        }
    };
    spill(report.left, "left of column 0");
    spill(report.right, "right of column " + std::to_string(bounds.ScanWidth));
    spill(report.top, "above row 0");
    spill(report.bottom, "below row " + std::to_string(bounds.ScanHeight));
    if (report.columnZero > 0) {
        messages.push_back(name + ": " + Plural(report.columnZero, "ink pixel", "ink pixels") +
                           " in column 0, which no byte holds");
    }
    return messages;
}

} // namespace cli
