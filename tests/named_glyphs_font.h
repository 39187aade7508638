// A font whose glyphs are named by the test: a copy of DejaVu Sans with its 'cmap' replaced by
// one the test gives (code points, the Private Use Areas among them, to glyph indexes) and its
// 'post' table by one naming those glyphs as the test says. Names are bytes: anything a font
// file may hold.
#pragma once

#include "tests/font_files.h"
#include "tests/hostile_font.h"
#include "tests/test_files.h"

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <map>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace namedglyphs {

// A character, the glyph that draws it and the glyph's name (at most 255 bytes).
struct Glyph {
    char32_t code;
    unsigned index;
    std::string name;
};

namespace detail {

using hostilefont::detail::Put16;
using hostilefont::detail::Read32;
using hostilefont::detail::Write32;

inline void Put32(std::string& out, std::uint32_t value) {
    Put16(out, value >> 16);
    Put16(out, value & 0xFFFF);
}

// The table directory entry of `tag`: its offset in the font.
inline std::size_t Entry(const std::string& font, std::string_view tag) {
    const std::size_t tables =
        static_cast<unsigned char>(font[4]) << 8 | static_cast<unsigned char>(font[5]);
    for (std::size_t i = 0; i < tables; ++i) {
        if (font.compare(12 + 16 * i, 4, tag) == 0) {
            return 12 + 16 * i;
        }
    }
    throw std::runtime_error("DejaVu Sans has no " + std::string(tag) + " table");
}

// Puts `table` at the end of the font and points the directory entry of `tag` at it.
inline void Replace(std::string& font, std::string_view tag, const std::string& table) {
    const std::size_t entry = Entry(font, tag);
    font.resize((font.size() + 3) / 4 * 4, '\0');
    Write32(font, entry + 8, static_cast<std::uint32_t>(font.size()));
    Write32(font, entry + 12, static_cast<std::uint32_t>(table.size()));
    font += table;
}

// A 'cmap' with one Windows UCS-4 subtable of format 12, a group per character.
inline std::string Cmap(std::vector<Glyph> glyphs) {
    std::sort(glyphs.begin(), glyphs.end(),
              [](const Glyph& a, const Glyph& b) { return a.code < b.code; });
    std::string table;
    Put16(table, 0);  // version
    Put16(table, 1);  // one subtable
    Put16(table, 3);  // Windows
    Put16(table, 10); // UCS-4
    Put32(table, 12);
    Put16(table, 12); // format
    Put16(table, 0);
    Put32(table, static_cast<std::uint32_t>(16 + 12 * glyphs.size()));
    Put32(table, 0); // language
    Put32(table, static_cast<std::uint32_t>(glyphs.size()));
    for (const Glyph& glyph : glyphs) {
        Put32(table, glyph.code);
        Put32(table, glyph.code);
        Put32(table, glyph.index);
    }
    return table;
}

// A 'post' table of format 2 with the header of `original`: the glyphs given are named, every
// other glyph is ".notdef" (Macintosh name 0).
inline std::string Post(const std::string& original, unsigned glyphCount,
                        const std::vector<Glyph>& glyphs) {
    std::string table = original.substr(0, 32);
    Write32(table, 0, 0x00020000);
    std::map<unsigned, unsigned> nameOf; // glyph index to its name's index
    std::string names;
    for (const Glyph& glyph : glyphs) {
        nameOf[glyph.index] = 258 + static_cast<unsigned>(nameOf.size());
        names += static_cast<char>(glyph.name.size());
        names += glyph.name;
    }
    Put16(table, glyphCount);
    for (unsigned i = 0; i < glyphCount; ++i) {
        const auto named = nameOf.find(i);
        Put16(table, named == nameOf.end() ? 0 : named->second);
    }
    return table + names;
}

} // namespace detail

// Writes the font to `path`.
inline void Write(const std::string& path, const std::vector<Glyph>& glyphs) {
    std::string font = testfiles::ReadFile(testfonts::DejaVuSans());
    const std::size_t maxp = detail::Read32(font, detail::Entry(font, "maxp") + 8);
    const unsigned glyphCount = static_cast<unsigned char>(font[maxp + 4]) << 8 |
                                static_cast<unsigned char>(font[maxp + 5]);
    const std::size_t postEntry = detail::Entry(font, "post");
    const std::string original = font.substr(detail::Read32(font, postEntry + 8), 32);
    detail::Replace(font, "cmap", detail::Cmap(glyphs));
    detail::Replace(font, "post", detail::Post(original, glyphCount, glyphs));
    std::ofstream(path, std::ios::binary) << font;
}

} // namespace namedglyphs
