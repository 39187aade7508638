// Every format rastova-convert writes, one row each: its name, its help, its maker, the options
// it takes and its traits. The command line, --help and --list-formats read these rows; nothing
// else holds a list of formats or compares a format's name.
#pragma once

#include "formats/font_writer.h"

#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace formats {

// The options that only some formats take, as bits of FormatRow::options.
enum class FormatOption : unsigned {
    Encoding = 1U << 0,    // --encoding
    LvglVersion = 1U << 1, // --lvgl-version
    Cell = 1U << 2,        // --cell
    BitOrder = 1U << 3,    // --bit-order
    Scan = 1U << 4,        // --scan
    First = 1U << 5,       // --first
    Kerning = 1U << 6,     // --no-kerning
    Compress = 1U << 7,    // --compress
};

// What --c-array names.
enum class ArrayName {
    Symbol,      // the C symbol of the font
    TablesArray, // a C array the tables are wrapped in; without it, bare tables
    FontName,    // the font's own name inside the file, not a C symbol
    FileArray,   // a C array of the file's bytes, made only when --c-array names it
};

// Why a name cannot be the font's name: `text` follows the quoted name when `quoteName`,
// otherwise it stands alone.
struct NameProblem {
    bool quoteName = true;
    std::string text;
};

// Pixel depths, as bits of FormatRow::depths: bit n for n bits a pixel.
constexpr unsigned PixelDepth(int bits) {
    return bits >= 0 && bits < 32 ? 1U << bits : 0U;
}
inline constexpr unsigned kOneBitPixels = PixelDepth(1);
inline constexpr unsigned kEightBitPixels = PixelDepth(8);

struct FormatRow {
    std::string_view name;
    // Its lines in --help's "Formats" block, after the name; '\n' between lines.
    std::string_view help;
    // Arguments of a command line --help shows as an example; empty: none.
    std::string_view example = {};
    // The FormatOption bits it takes.
    unsigned options = 0;
    ArrayName arrayName = ArrayName::Symbol;
    // For ArrayName::FontName: what the file's own name rules refuse; nothing when it is good.
    std::optional<NameProblem> (*nameProblem)(std::string_view name) = nullptr;
    // The window's tables: drawn over the scanned rectangle of the size, not the ink box.
    bool windowTable = false;
    // Writes its own line ends (FormatOptions::eol) rather than having them translated.
    bool ownLineEnds = false;
    // Writes a binary file, with no line ends, unless --c-array asks for C source.
    bool binaryUnlessArray = false;
    // Glyphs are indexed by single bytes, numbered by --encoding.
    bool singleByteCodes = false;
    // The pixel depths it can hold: bit n set for n bits a pixel.
    unsigned depths = kOneBitPixels;
    std::unique_ptr<FontWriter> (*make)(const FormatOptions& options) = nullptr;

    bool Takes(FormatOption option) const { return (options & static_cast<unsigned>(option)) != 0; }
    // Whether it holds pixels of `bits` bits.
    bool TakesDepth(int bits) const { return (depths & PixelDepth(bits)) != 0; }
    // Whether its writer takes grey strikes (Depth::Eight) at `bits` bits a pixel: above 1 bit,
    // or when it holds no 1-bit pixels at all.
    bool DrawsGrey(int bits) const { return bits > 1 || !TakesDepth(1); }
};

// The rows in the order --help lists them; the first is the default.
std::span<const FormatRow> Formats();
const FormatRow& DefaultFormat();
// The row named `name`; nullptr for an unknown name.
const FormatRow* FindFormat(std::string_view name);

// The names of the rows for which `pick` holds, in order: "a", "a and b", "a, b and c".
// `separator` between the names but the last two, `last` between those.
std::string FormatNamesWhere(const std::function<bool(const FormatRow& row)>& pick,
                             std::string_view separator = ", ", std::string_view last = " and ");

// The writer for a format name; nullptr for an unknown name.
std::unique_ptr<FontWriter> MakeWriter(std::string_view format, const FormatOptions& options);

} // namespace formats
