#include "glyph/packing.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace glyph {

namespace {

int Pages(int height) {
    return (height + 7) / 8;
}

// A line is a row (Rows) or a column (Columns and Pages).
int LineLength(int width, int height, Scan scan) {
    return scan == Scan::Rows ? width : height;
}
int LineCount(int width, int height, Scan scan) {
    return scan == Scan::Rows ? height : width;
}

struct BitPlace {
    std::size_t byte;
    int bit;
};

// The byte and bit that hold pixel (x, y) of a width x height picture. Every layout is defined
// here; the packers below are faster ways to the same places.
BitPlace Locate(int x, int y, int width, int height, Packing packing) {
    std::size_t index = 0; // the pixel's place in the bit stream
    if (packing.scan == Scan::Pages) {
        const auto byte = static_cast<std::size_t>(y / 8) * static_cast<std::size_t>(width) +
                          static_cast<std::size_t>(x);
        const int n = y % 8;
        return {byte, packing.order == BitOrder::MsbFirst ? 7 - n : n};
    }
    const int line = packing.scan == Scan::Rows ? y : x;
    const int along = packing.scan == Scan::Rows ? x : y;
    const int length = LineLength(width, height, packing.scan);
    const std::size_t stride = packing.padding == Padding::Line
                                   ? static_cast<std::size_t>((length + 7) / 8) * 8
                                   : static_cast<std::size_t>(length);
    index = static_cast<std::size_t>(line) * stride + static_cast<std::size_t>(along);
    const int n = static_cast<int>(index % 8);
    return {index / 8, packing.order == BitOrder::MsbFirst ? 7 - n : n};
}

constexpr std::array<std::uint8_t, 256> kReversed = [] {
    std::array<std::uint8_t, 256> table{};
    for (unsigned byte = 0; byte < 256; ++byte) {
        unsigned reversed = 0;
        for (int bit = 0; bit < 8; ++bit) {
            reversed |= ((byte >> bit) & 1U) << (7 - bit);
        }
        table[byte] = static_cast<std::uint8_t>(reversed);
    }
    return table;
}();

// Rows padded per row: eight pixels at a time.
void PackRows(const Bitmap& bits, int x, int y, int width, int height, BitOrder order,
              std::uint8_t* out) {
    const int rowBytes = Bitmap::Stride(width);
    const std::uint8_t lastMask = Bitmap::LastByteMask(width);
    for (int row = 0; row < height; ++row) {
        for (int i = 0; i < rowBytes; ++i) {
            std::uint8_t byte = bits.Byte(x + 8 * i, y + row);
            if (i == rowBytes - 1) {
                byte &= lastMask;
            }
            *out++ = order == BitOrder::MsbFirst ? byte : kReversed[byte];
        }
    }
}

// Rows that run on: each row's pixels follow the previous row's in the same bytes, eight at a
// time.
void PackRowRun(const Bitmap& bits, int x, int y, int width, int height, BitOrder order,
                std::uint8_t* out) {
    std::size_t at = 0; // bits written so far
    for (int row = 0; row < height; ++row) {
        for (int i = 0; i < width; i += 8) {
            const int count = std::min(8, width - i);
            // The first pixel in bit 7 (msb) or bit 0 (lsb); only `count` of them are pixels.
            std::uint8_t chunk =
                static_cast<std::uint8_t>(bits.Byte(x + i, y + row) & Bitmap::LeadingMask(count));
            if (chunk != 0) {
                const int used = static_cast<int>(at % 8);
                std::uint8_t* byte = out + at / 8;
                if (order == BitOrder::MsbFirst) {
                    byte[0] |= static_cast<std::uint8_t>(chunk >> used);
                    if (used + count > 8) {
                        byte[1] |= static_cast<std::uint8_t>(chunk << (8 - used));
                    }
                } else {
                    chunk = kReversed[chunk];
                    byte[0] |= static_cast<std::uint8_t>(chunk << used);
                    if (used + count > 8) {
                        byte[1] |= static_cast<std::uint8_t>(chunk >> (8 - used));
                    }
                }
            }
            at += static_cast<std::size_t>(count);
        }
    }
}

} // namespace

std::size_t PackedSize(int width, int height, Packing packing) {
    if (width <= 0 || height <= 0) {
        return 0;
    }
    if (packing.scan == Scan::Pages) {
        return static_cast<std::size_t>(Pages(height)) * static_cast<std::size_t>(width);
    }
    const auto length = static_cast<std::size_t>(LineLength(width, height, packing.scan));
    const auto lines = static_cast<std::size_t>(LineCount(width, height, packing.scan));
    if (packing.padding == Padding::Line) {
        return (length + 7) / 8 * lines;
    }
    return (length * lines + 7) / 8;
}

void Pack(const Bitmap& bits, int x, int y, int width, int height, Packing packing,
          std::vector<std::uint8_t>& out) {
    const std::size_t start = out.size();
    out.resize(start + PackedSize(width, height, packing), 0);
    if (out.size() == start) {
        return;
    }
    std::uint8_t* bytes = out.data() + start;
    if (packing.scan == Scan::Rows) {
        (packing.padding == Padding::Line ? PackRows : PackRowRun)(bits, x, y, width, height,
                                                                   packing.order, bytes);
        return;
    }
    // Only the frame's pixels that lie on the picture can be ink.
    const int firstRow = std::max(0, -y);
    const int endRow = std::min(height, bits.height() - y);
    const int firstCol = std::max(0, -x);
    const int endCol = std::min(width, bits.width() - x);
    for (int row = firstRow; row < endRow; ++row) {
        for (int col = firstCol; col < endCol; ++col) {
            if (bits.At(x + col, y + row)) {
                const BitPlace place = Locate(col, row, width, height, packing);
                bytes[place.byte] |= static_cast<std::uint8_t>(1U << place.bit);
            }
        }
    }
}

void Pack(const StrikeGlyph& glyph, const PixelBox& frame, Packing packing,
          std::vector<std::uint8_t>& out) {
    Pack(glyph.ink, frame.x - glyph.left, frame.y + glyph.top, frame.width, frame.height, packing,
         out);
}

Bitmap Unpack(std::span<const std::uint8_t> bytes, int width, int height, Packing packing) {
    Bitmap bits(width, height);
    for (int y = 0; y < bits.height(); ++y) {
        for (int x = 0; x < bits.width(); ++x) {
            const BitPlace place = Locate(x, y, width, height, packing);
            if (place.byte < bytes.size() && ((bytes[place.byte] >> place.bit) & 1U) != 0) {
                bits.Set(x, y);
            }
        }
    }
    return bits;
}

std::string Describe(Packing packing) {
    const bool msb = packing.order == BitOrder::MsbFirst;
    switch (packing.scan) {
    case Scan::Rows:
        return std::string("rows top to bottom, 8 pixels a byte, the leftmost in the ") +
               (msb ? "most" : "least") + " significant bit; " +
               (packing.padding == Padding::Line ? "each row padded to whole bytes"
                                                 : "rows run on, padded only at the glyph's end");
    case Scan::Columns:
        return std::string("columns left to right, 8 pixels a byte down the column, the top "
                           "one in the ") +
               (msb ? "most" : "least") + " significant bit; " +
               (packing.padding == Padding::Line
                    ? "each column padded to whole bytes"
                    : "columns run on, padded only at the glyph's end");
    case Scan::Pages:
        return std::string("pages of 8 rows top to bottom, one byte a column left to right, "
                           "the page's top row in the ") +
               (msb ? "most" : "least") + " significant bit";
    }
    return {};
}

std::vector<std::string> DrawBitLayout(Packing packing, int width, int height) {
    // byte.bit for each pixel of the top-left corner.
    const int columns = std::min(width, 10);
    const int rows = std::min(height, packing.scan == Scan::Rows ? 3 : 9);
    std::vector<std::string> lines;
    std::string heading = "        ";
    char cell[32];
    for (int x = 0; x < columns; ++x) {
        std::snprintf(cell, sizeof cell, " x=%-4d", x);
        heading += cell;
    }
    lines.push_back(heading + (columns < width ? " ..." : ""));
    for (int y = 0; y < rows; ++y) {
        std::snprintf(cell, sizeof cell, "  y=%-3d ", y);
        std::string line = cell;
        for (int x = 0; x < columns; ++x) {
            const BitPlace place = Locate(x, y, width, height, packing);
            std::snprintf(cell, sizeof cell, " %3zu.%d ", place.byte, place.bit);
            line += cell;
        }
        lines.push_back(line + (columns < width ? " ..." : ""));
    }
    if (rows < height) {
        lines.emplace_back("  ...");
    }
    lines.emplace_back("  (each pixel: byte.bit, bytes counted from the glyph's first, bit 0 "
                       "the least significant)");
    return lines;
}

namespace {

constexpr unsigned LevelOf(unsigned coverage, int bits) {
    const unsigned top = (1U << bits) - 1;
    return (std::min(coverage, 255U) * top * 2 + 255) / 510;
}

// The level of each coverage value at 1 to 8 bits, made by the compiler.
using LevelTable = std::array<std::uint8_t, 256>;
constexpr std::array<LevelTable, 8> kLevelTables = [] {
    std::array<LevelTable, 8> tables{};
    for (int bits = 1; bits <= 8; ++bits) {
        for (unsigned value = 0; value < 256; ++value) {
            tables[static_cast<std::size_t>(bits - 1)][value] =
                static_cast<std::uint8_t>(LevelOf(value, bits));
        }
    }
    return tables;
}();

} // namespace

unsigned CoverageLevel(unsigned coverage, int bits) {
    return LevelOf(coverage, bits);
}

void AppendLevels(const Bitmap& coverage, int bits, std::vector<std::uint8_t>& out) {
    const auto width = static_cast<std::size_t>(std::max(coverage.width(), 0));
    const std::size_t at = out.size();
    out.resize(at + width * static_cast<std::size_t>(std::max(coverage.height(), 0)));
    std::uint8_t* level = out.data() + at;
    if (coverage.depth() == Depth::One) {
        const auto top = static_cast<std::uint8_t>(CoverageLevel(255, bits));
        for (int y = 0; y < coverage.height(); ++y) {
            const std::uint8_t* row = coverage.Row(y);
            for (std::size_t x = 0; x < width; ++x) {
                *level++ = Bitmap::PixelIn(row, static_cast<int>(x)) ? top : 0;
            }
        }
        return;
    }
    const LevelTable& levelOf = kLevelTables[static_cast<std::size_t>(std::clamp(bits, 1, 8) - 1)];
    for (int y = 0; y < coverage.height(); ++y) {
        const std::uint8_t* row = coverage.Row(y);
        for (std::size_t x = 0; x < width; ++x) {
            *level++ = levelOf[row[x]];
        }
    }
}

void PackLevels(const Bitmap& coverage, int bits, std::vector<std::uint8_t>& out) {
    std::vector<std::uint8_t> levels;
    AppendLevels(coverage, bits, levels);
    out.reserve(out.size() + (levels.size() * static_cast<std::size_t>(bits) + 7) / 8);
    unsigned pending = 0; // bits not yet in a byte, the oldest highest
    int count = 0;
    for (const std::uint8_t level : levels) {
        pending = pending << bits | level;
        count += bits;
        if (count >= 8) {
            count -= 8;
            out.push_back(static_cast<std::uint8_t>(pending >> count));
            pending &= (1U << count) - 1;
        }
    }
    if (count > 0) {
        out.push_back(static_cast<std::uint8_t>(pending << (8 - count)));
    }
}

Bitmap UnpackLevels(std::span<const std::uint8_t> bytes, int width, int height, int bits) {
    Bitmap levels(width, height, Depth::Eight);
    std::size_t bit = 0;
    for (int y = 0; y < levels.height(); ++y) {
        for (int x = 0; x < levels.width(); ++x) {
            unsigned level = 0;
            for (int i = 0; i < bits; ++i, ++bit) {
                const std::size_t byte = bit / 8;
                const unsigned set = byte < bytes.size() ? (bytes[byte] >> (7 - bit % 8)) & 1U : 0U;
                level = level << 1 | set;
            }
            levels.SetValue(x, y, level);
        }
    }
    return levels;
}

} // namespace glyph
