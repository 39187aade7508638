#include "cli/convert_usage.h"

#include "formats/format_registry.h"

#include <algorithm>
#include <string_view>

namespace cli {

namespace {

using formats::ArrayName;
using formats::FormatOption;
using formats::FormatRow;

// "gfx and ssd1306": the formats that take `option`.
std::string TakenBy(FormatOption option, std::string_view separator = ", ",
                    std::string_view last = " and ") {
    return formats::FormatNamesWhere([option](const FormatRow& row) { return row.Takes(option); },
                                     separator, last);
}

std::string NamedAs(ArrayName kind) {
    return formats::FormatNamesWhere(
        [kind](const FormatRow& row) { return row.arrayName == kind; });
}

std::string WindowTable() {
    return formats::FormatNamesWhere([](const FormatRow& row) { return row.windowTable; });
}

std::string SingleByteFormats() {
    return formats::FormatNamesWhere([](const FormatRow& row) { return row.singleByteCodes; });
}

// Each row's name, then its help lines in a column after the longest name.
std::string FormatsBlock() {
    std::size_t width = 0;
    for (const FormatRow& row : formats::Formats()) {
        width = std::max(width, row.name.size());
    }
    const std::string indent(2 + width + 2, ' ');
    std::string block;
    for (const FormatRow& row : formats::Formats()) {
        block += "  " + std::string(row.name) + std::string(width + 2 - row.name.size(), ' ');
        for (const char c : row.help) {
            block += c;
            if (c == '\n') {
                block += indent;
            }
        }
        block += "\n";
    }
    return block;
}

std::string Examples() {
    std::string examples;
    for (const FormatRow& row : formats::Formats()) {
        if (!row.example.empty()) {
            examples += "  $ rastova-convert " + std::string(row.example) + "\n";
        }
    }
    return examples;
}

// The usage line, the characters and the font.
std::string SourceHelp() {
    return R"(Usage: rastova-convert [OPTIONS] [TEXT]

Draws characters in the chosen font and writes them as bitmap data for embedded
displays: the window's tables (the default), or a font file a display library
reads as it stands.

Characters (in the order given; a character asked for twice is converted once):
  TEXT              UTF-8 text; each code point is one character
  --range LIST      code points and ranges, comma-separated:
                    0x20-0x7E,U+0410-U+044F,65; FROM=>TO writes the font's
                    glyphs at FROM at the code points from TO on:
                    0xF000-0xF00F=>0xE000
  --set NAME        ascii (0x20-0x7E) or cp1251 (every character of
                    Windows-1251, in its order)
  --text-file FILE  every character of a UTF-8 file (- for standard input), in
                    code order: the firmware's strings; controls (line ends)
                    and a byte order mark are left out. Malformed UTF-8 is
                    refused at FILE:LINE:COLUMN, COLUMN counting characters;
                    so is a file of more than 256 MiB

Font:
  --font PATTERN    fontconfig pattern or family, e.g. "DejaVu Serif:bold"
                    (default: sans-serif)
  --font-file PATH  font file opened directly (TTF, OTF, PCF, BDF, ...); no
                    fontconfig, no fallbacks
  --face-index N    face in a font collection file (default: 0)
                    Each --font or --font-file starts a source: the characters
                    after it (and, for the first, those before it) are taken
                    from it. A character several sources ask for comes from the
                    first that has it; size and style are the same for all
  --size SIZE       10, 9.75pt (points) or 16px (pixels at 96 dpi); default 10
  --bold            bold weight
  --italic          italic slant; widens the )" +
           WindowTable() + R"( format's scanned area
  --hinting MODE    normal (default; the font's own hints), light (FreeType's
                    light target), none or auto (FreeType's autohinter); at
                    1 bit, the outline so fitted, drawn in black and white

)";
}

// The formats that hold grey levels.
std::string GreyFormats() {
    return formats::FormatNamesWhere([](const FormatRow& row) {
        return row.TakesDepth(2) || row.TakesDepth(4) || row.TakesDepth(8);
    });
}

// What to write, and the options only some formats take.
std::string FormatHelp() {
    return R"(Format:
  --format NAME     what to write: one of the formats below (default: )" +
           std::string(formats::DefaultFormat().name) + R"()
  --c-array NAME    the C symbol the font is named by (for )" +
           NamedAs(ArrayName::FontName) + R"(, the font name);
                    with )" +
           NamedAs(ArrayName::TablesArray) + R"(, wraps the tables in
                    const unsigned char NAME[] = { ... };
  --encoding ENC    )" +
           SingleByteFormats() + R"( index glyphs by single bytes: unicode (code
                    points up to 0xFF, the default) or cp1251 (each character's
                    Windows-1251 byte)
  --lvgl-version V  9 (default) or 8 (8.3)
  --bpp N           bits per pixel: 1 (default), or grey levels 2, 3, 4 or 8
                    for )" +
           GreyFormats() + R"(; a pixel's level is its coverage scaled
                    to 0 .. 2^N-1 and rounded. 3 needs --compress: LVGL draws
                    no uncompressed 3 bpp glyph. LVGL 9.0 to 9.2 cannot show 3
                    and 8 bpp fonts; 9.3 and later can
  --no-kerning      )" +
           TakenBy(FormatOption::Kerning) + R"(: leave the kerning out (by default, the pairs
                    HarfBuzz kerns, where the main face draws both characters)
  --compress        )" +
           TakenBy(FormatOption::Compress) + R"(: glyphs in LVGL's compressed code
                    (LV_USE_FONT_COMPRESSED); LVGL 9 decompresses 2, 3 and 4
                    bits per pixel, LVGL 8 also 1 and 8
  --cell CELL       )" +
           TakenBy(FormatOption::Cell, ", ", ", ") +
           R"(: font (ascent + descent, the default),
                    ink (the set's own ink) or WIDTHxHEIGHT; the width is the
                    widest advance
  --bit-order ORDER
                    )" +
           TakenBy(FormatOption::BitOrder) + R"(: msb (default) or lsb first in each byte
  --scan SCAN       )" +
           TakenBy(FormatOption::Scan) + R"(: rows (default, 8 pixels across a byte) or columns
                    (vertical bytes in pages of 8 rows, least significant bit
                    at the top, as SSD1306/SH1106 take)
  --first CODE      )" +
           TakenBy(FormatOption::First) + R"(: the code of the first record; codes up to the first
                    character are empty records

Formats:
)" + FormatsBlock() +
           "\n";
}

// Where it goes, what is reported, the exit statuses and the examples.
std::string OutputHelp() {
    return R"(Output:
  -o, --output FILE
                    write FILE through a temporary file; - is standard output
                    (default)
  --preview PNG     also draw the converted set as a PNG picture, read back
                    from what was written
  --zoom N          pixels of the picture per font pixel (default: fit about
                    1600 wide)
  --symbols-header FILE
                    also write a C header defining, for each character in a
                    Private Use Area, its UTF-8 as a string literal named
                    NAME_GLYPH: NAME the font's C name, GLYPH its glyph's name
                    in the font, both in upper case (U_E000 for no name)
  --eol lf|crlf     line ends (default: lf)
  --max-output SIZE
                    refuse a run whose output would be larger (default: 1G; K,
                    M, G)
  --strict          exit with status 1 when any glyph is clipped, missing from
                    the font, or could not be drawn whole, or when sources
                    share a character
  --dry-run         check the arguments, the font and the characters, and write
                    nothing
  --report          show on standard error what the font adds to flash: glyph
                    count, bytes of bitmaps, glyph descriptors, character maps,
                    kerning and header, and the total: text + data as `size`
                    gives it for the C compiled on this machine (its structure
                    sizes); for bdf or a vlw file, the file's size
  --list-formats    show the format names, one a line, and exit
  -h, --help        show this help and exit
  --version         show the version and exit

Ink a format cannot hold (outside the )" +
           WindowTable() + R"('s scan rectangle or in its column
0, outside a forced cell) and characters the font lacks are reported on
standard error.

Exit status: 0 on success, 1 when --strict and a glyph is reported, 2 on bad
input.

The manual describes each format's layout: man rastova-convert

Examples:
)" + Examples();
}

std::string MakeUsage() {
    return SourceHelp() + FormatHelp() + OutputHelp();
}

} // namespace

const std::string& ConvertUsage() {
    static const std::string usage = MakeUsage();
    return usage;
}

std::string FormatNameLines() {
    std::string lines;
    for (const FormatRow& row : formats::Formats()) {
        lines += std::string(row.name) + "\n";
    }
    return lines;
}

std::string OptionHelp(std::string_view flag) {
    // An option's entry: "  FLAG ARG", its text from column kColumn on the same line or the
    // next, and further lines indented to that column.
    constexpr std::size_t kColumn = 20;
    const std::string_view usage = ConvertUsage();
    const std::string head = "\n  " + std::string(flag);
    std::size_t at = 0;
    while ((at = usage.find(head, at)) != std::string_view::npos) {
        const char after = usage[at + head.size()];
        if (after == ' ' || after == '\n') {
            break;
        }
        at += head.size();
    }
    if (at == std::string_view::npos) {
        return {};
    }
    std::string help;
    std::size_t line = at + 1;
    for (bool first = true; line < usage.size(); first = false) {
        const std::size_t end = std::min(usage.find('\n', line), usage.size());
        const std::string_view text = usage.substr(line, end - line);
        const bool continues = text.size() > kColumn && text.find_first_not_of(' ') == kColumn;
        if (!first && !continues) {
            break;
        }
        if (text.size() > kColumn) {
            help += (help.empty() ? "" : " ") + std::string(text.substr(kColumn));
        }
        line = end + 1;
    }
    return help;
}

} // namespace cli
