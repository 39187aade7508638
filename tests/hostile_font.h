// Fonts whose names are hostile: a copy of DejaVu Sans with its name table replaced, made by
// the test, and registered with fontconfig for as long as a test needs it.
#pragma once

#include "tests/font_files.h"
#include "tests/test_files.h"

#include <cstdint>
#include <fontconfig/fontconfig.h>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace hostilefont {

// The names to write, as UTF-16 code units (so a lone surrogate can be written too).
struct Names {
    std::u16string family;
    std::u16string copyright;
    std::u16string licence;
};

// UTF-16 of plain UTF-8 text (code points up to U+FFFF).
inline std::u16string U16(std::string_view utf8) {
    std::u16string out;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        if (lead < 0x80) {
            out += lead;
            i += 1;
        } else if (lead < 0xE0) {
            out += static_cast<char16_t>((lead & 0x1F) << 6 | (utf8[i + 1] & 0x3F));
            i += 2;
        } else {
            out += static_cast<char16_t>((lead & 0x0F) << 12 | (utf8[i + 1] & 0x3F) << 6 |
                                         (utf8[i + 2] & 0x3F));
            i += 3;
        }
    }
    return out;
}

namespace detail {

inline std::uint32_t Read32(const std::string& data, std::size_t at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(data[at])) << 24 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(data[at + 1])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(data[at + 2])) << 8 |
           static_cast<unsigned char>(data[at + 3]);
}

inline void Put16(std::string& out, unsigned value) {
    out += static_cast<char>(value >> 8 & 0xFF);
    out += static_cast<char>(value & 0xFF);
}

inline void Write32(std::string& data, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        data[at + static_cast<std::size_t>(i)] = static_cast<char>(value >> (24 - 8 * i) & 0xFF);
    }
}

// A 'name' table of format 0 (OpenType's layout): Windows, Unicode BMP, US English records.
inline std::string NameTable(const Names& names) {
    const std::pair<unsigned, const std::u16string*> records[] = {
        {0, &names.copyright}, {1, &names.family},   {2, nullptr},
        {4, &names.family},    {13, &names.licence},
    };
    const std::u16string book = u"Book";
    std::string table;
    Put16(table, 0);
    Put16(table, std::size(records));
    Put16(table, 6 + 12 * std::size(records));
    std::string strings;
    for (const auto& [id, text] : records) {
        const std::u16string& value = text != nullptr ? *text : book;
        Put16(table, 3);     // Windows
        Put16(table, 1);     // Unicode BMP
        Put16(table, 0x409); // US English
        Put16(table, id);
        Put16(table, static_cast<unsigned>(value.size() * 2));
        Put16(table, static_cast<unsigned>(strings.size()));
        for (char16_t unit : value) {
            Put16(strings, unit);
        }
    }
    return table + strings;
}

} // namespace detail

// Writes DejaVu Sans with `names` in its name table to `path`. The new table goes at the end of
// the file and the table directory points to it; readers do not check table checksums.
inline void Write(const std::string& path, const Names& names) {
    std::string font = testfiles::ReadFile(testfonts::DejaVuSans());
    const std::size_t tables =
        static_cast<unsigned char>(font[4]) << 8 | static_cast<unsigned char>(font[5]);
    for (std::size_t i = 0; i < tables; ++i) {
        const std::size_t entry = 12 + 16 * i;
        if (font.compare(entry, 4, "name") != 0) {
            continue;
        }
        font.resize((font.size() + 3) / 4 * 4, '\0');
        const std::string table = detail::NameTable(names);
        detail::Write32(font, entry + 8, static_cast<std::uint32_t>(font.size()));
        detail::Write32(font, entry + 12, static_cast<std::uint32_t>(table.size()));
        font += table;
        std::ofstream(path, std::ios::binary) << font;
        return;
    }
    throw std::runtime_error("DejaVu Sans has no name table");
}

// `family` as a fontconfig pattern that names it: the characters patterns use are escaped.
inline std::string Pattern(std::string_view family) {
    std::string pattern;
    for (char c : family) {
        if (c == '\\' || c == '-' || c == ':' || c == ',' || c == '=') {
            pattern += '\\';
        }
        pattern += c;
    }
    return pattern;
}

// fontconfig finds the font file while this lives (fontconfig's application fonts).
class Registered {
public:
    explicit Registered(const std::string& path) {
        if (FcConfigAppFontAddFile(nullptr, reinterpret_cast<const FcChar8*>(path.c_str())) !=
            FcTrue) {
            throw std::runtime_error("fontconfig cannot read " + path);
        }
    }
    ~Registered() { FcConfigAppFontClear(nullptr); }
    Registered(const Registered&) = delete;
    Registered& operator=(const Registered&) = delete;
};

} // namespace hostilefont
