#include "glyph/row_format.h"

#include "glyph/safe_text.h"

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace glyph {

namespace {

// "0xHH, " for every byte value.
constexpr auto kItems = [] {
    constexpr char kHex[] = "0123456789ABCDEF";
    std::array<std::array<char, 6>, 256> items{};
    for (unsigned byte = 0; byte < 256; ++byte) {
        items[byte] = {'0', 'x', kHex[byte >> 4], kHex[byte & 0xF], ',', ' '};
    }
    return items;
}();

static_assert('#' == ' ' + 3);

// Eight columns at once: their item (the first column in bit 0) and their eight pattern cells.
void EightColumns(const bool* column, char* item, char* cells) {
    unsigned byte = 0;
    if constexpr (std::endian::native == std::endian::little && sizeof(bool) == 1) {
        // The flags are bytes holding 0 or 1. The multiply gathers bit 0 of byte i into bit
        // 56 + i; times 3 plus 0x20 in every byte turns each flag into ' ' or '#', no carries.
        std::uint64_t flags = 0;
        std::memcpy(&flags, column, sizeof flags);
        byte = static_cast<unsigned>((flags * 0x0102040810204080ULL) >> 56);
        const std::uint64_t text = flags * 3 + 0x2020202020202020ULL;
        std::memcpy(cells, &text, sizeof text);
    } else {
        for (int bit = 0; bit < 8; ++bit) {
            byte |= static_cast<unsigned>(column[bit]) << bit;
            cells[bit] = column[bit] ? '#' : ' ';
        }
    }
    std::memcpy(item, kItems[byte].data(), 6);
}

} // namespace

void AppendRowLine(std::string& out, const bool* ink, int scanWidth, std::string_view eol) {
    const int items = scanWidth / 8;
    const std::size_t start = out.size();
    out.resize(start + RowLineSize(scanWidth, eol.size()));
    char* const line = out.data() + start;
    char* const pattern = line + static_cast<std::ptrdiff_t>(items) * 6 + 2;
    for (int k = 0; k < items; ++k) {
        EightColumns(ink + 8 * k + 1, line + 6 * k, pattern + 1 + 8 * k);
    }
    pattern[-2] = '/';
    pattern[-1] = '/';
    pattern[0] = ink[0] ? '#' : ' ';
    eol.copy(pattern + scanWidth + 1, eol.size());
}

std::string HeaderLine(std::string_view face, int scanWidth, std::string_view eol) {
    std::string name = SafeText(face, TextPlace::Comment);
    if (name.size() > kMaxHeaderName) {
        // Cut on a character's first byte.
        std::size_t end = kMaxHeaderName;
        while (end > 0 && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80) {
            --end;
        }
        name.resize(end);
        name += "...";
    }
    std::string line = "// ";
    line += name;
    line += " (";
    line += std::to_string(scanWidth);
    line += " pixels wide)";
    line += eol;
    return line;
}

} // namespace glyph
