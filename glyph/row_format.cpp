#include "glyph/row_format.h"

#include <string>

namespace glyph {

void AppendRowLine(std::string& out, const bool* ink, int scanWidth, std::string_view eol) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    const int items = scanWidth / 8;
    const std::size_t start = out.size();
    out.resize(start + static_cast<std::size_t>(items) * 6 + 2 +
               static_cast<std::size_t>(scanWidth) + 1 + eol.size());
    char* p = out.data() + start;
    for (int k = 0; k < items; ++k) {
        const bool* column = ink + 8 * k + 1;
        unsigned byte = 0;
        for (int bit = 0; bit < 8; ++bit) {
            byte |= static_cast<unsigned>(column[bit]) << bit;
        }
        p[0] = '0';
        p[1] = 'x';
        p[2] = kHex[byte >> 4];
        p[3] = kHex[byte & 0xF];
        p[4] = ',';
        p[5] = ' ';
        p += 6;
    }
    *p++ = '/';
    *p++ = '/';
    static_assert('#' == ' ' + 3);
    for (int x = 0; x <= scanWidth; ++x) {
        p[x] = static_cast<char>(' ' + 3 * static_cast<int>(ink[x]));
    }
    p += scanWidth + 1;
    eol.copy(p, eol.size());
}

std::string HeaderLine(std::string_view face, int scanWidth, std::string_view eol) {
    std::string line = "// ";
    line += face;
    line += " (";
    line += std::to_string(scanWidth);
    line += " pixels wide)";
    line += eol;
    return line;
}

} // namespace glyph
