// The text around the tables: character names, the C array's definition, clipping reports.
#pragma once

#include "glyph/clip_check.h"
#include "glyph/scan_geometry.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace cli {

// The shortest decimal that reads back as `value`: "9.75", "12".
std::string ShortNumber(float value);

// "'Ж' U+0416": the character as itself and by code.
std::string CharacterName(char32_t c);

// "// 'Ж' U+0416" and the line end: the comment that precedes a character's table.
std::string NamingLine(char32_t c, std::string_view eol);

// Bytes of one glyph's rows: ScanHeight + 1 rows of ScanWidth / 8 bytes.
std::size_t BytesPerGlyph(glyph::ScanBounds bounds);

// What the comment above a C array states.
struct ArrayFacts {
    std::string name;   // the array's identifier
    std::string family; // the face really used
    std::string style;
    std::string file; // the font file's name, without its folder
    int faceIndex = 0;
    float points = 0;
    int pixels = 0;
    glyph::ScanBounds bounds;
    std::size_t glyphs = 0;
};

// The comment stating font, size, rectangle and layout, then "const unsigned char NAME[] = {".
std::string ArrayOpening(const ArrayFacts& facts, std::string_view eol);
// "};" and the line end.
std::string ArrayClosing(std::string_view eol);

// One line (without line end) for each way the glyph's ink escapes the table; none when clean.
std::vector<std::string> ClipMessages(char32_t c, const glyph::ClipReport& report,
                                      glyph::ScanBounds bounds);

} // namespace cli
