#include "cli/convert_options.h"

#include "cli/c_library_names.h"
#include "cli/character_list.h"
#include "cli/output_file.h"
#include "cli/printable.h"
#include "formats/bdf_writer.h"
#include "formats/preview.h"
#include "glyph/scan_geometry.h"
#include "glyph/utf8.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <optional>
#include <utility>

namespace cli {

const char* const kConvertUsage =
    R"(Usage: rastova-convert [OPTIONS] [TEXT]

Draws characters in the chosen font and writes them as bitmap data for embedded
displays: the window's tables (the default), or a font file a display library
reads as it stands.

Characters (in the order given; a character asked for twice is converted once):
  TEXT              UTF-8 text; each code point is one character
  --range LIST      code points and ranges, comma-separated:
                    0x20-0x7E,U+0410-U+044F,65
  --set NAME        ascii (0x20-0x7E) or cp1251 (every character of
                    Windows-1251, in its order)

Font:
  --font PATTERN    fontconfig pattern or family, e.g. "DejaVu Serif:bold"
                    (default: sans-serif)
  --font-file PATH  font file opened directly (TTF, OTF, PCF, BDF, ...); no
                    fontconfig, no fallbacks
  --face-index N    face in a font collection file (default: 0)
  --size SIZE       10, 9.75pt (points) or 16px (pixels at 96 dpi); default 10
  --bold            bold weight
  --italic          italic slant; widens the table format's scanned area

Format:
  --format NAME     what to write: one of the formats below (default: table)
  --c-array NAME    the C symbol the font is named by (for bdf, the font name);
                    with table, wraps the tables in
                    const unsigned char NAME[] = { ... };
  --encoding ENC    gfx and ssd1306 index glyphs by single bytes: unicode (code
                    points up to 0xFF, the default) or cp1251 (each character's
                    Windows-1251 byte)
  --lvgl-version V  9 (default) or 8 (8.3)
  --cell CELL       xbm, ssd1306, raw: font (ascent + descent, the default),
                    ink (the set's own ink) or WIDTHxHEIGHT; the width is the
                    widest advance
  --bit-order ORDER
                    raw: msb (default) or lsb first in each byte
  --scan SCAN       raw: rows (default, 8 pixels across a byte) or columns
                    (vertical bytes in pages of 8 rows, least significant bit
                    at the top, as SSD1306/SH1106 take)
  --first CODE      raw: the code of the first record; codes up to the first
                    character are empty records

Formats:
  table    a table per character: header line, then one line per pixel row,
           its bytes as hex literals and a comment drawing the row
  bdf      BDF 2.1 bitmap font (X11, u8g2's bdfconv, console font tools)
  gfx      Adafruit GFX font header (GFXfont)
  lvgl     LVGL font, 1 bit per pixel (lv_font_t)
  u8g2     u8g2 font, run-length encoded (const uint8_t[])
  xbm      one XBM image per character in a fixed cell
  ssd1306  ESP8266/ESP32 OLED library font (column-major, fixed height)
  raw      one fixed-size record per character, laid out by --bit-order and
           --scan

Output:
  -o, --output FILE
                    write FILE through a temporary file; - is standard output
                    (default)
  --preview PNG     also draw the converted set as a PNG picture, read back
                    from what was written
  --zoom N          pixels of the picture per font pixel (default: fit about
                    1600 wide)
  --eol lf|crlf     line ends (default: lf)
  --max-output SIZE
                    refuse a run whose output would be larger (default: 1G; K,
                    M, G)
  --strict          exit with status 1 when any glyph is clipped, missing from
                    the font, or could not be drawn whole
  --dry-run         check the arguments, the font and the characters, and write
                    nothing
  -h, --help        show this help and exit
  --version         show the version and exit

Ink a format cannot hold (outside the table's scan rectangle or in its column
0, outside a forced cell) and characters the font lacks are reported on
standard error.

Exit status: 0 on success, 1 when --strict and a glyph is reported, 2 on bad
input.

The manual describes each format's layout: man rastova-convert

Examples:
  $ rastova-convert --font "DejaVu Sans" --size 12 A
  $ rastova-convert --set ascii --size 16px --format gfx --c-array f16 -o f.h
  $ rastova-convert --set cp1251 --size 12px --format u8g2 --c-array r12 -o r.h
)";

namespace {

// Every size message in one form, naming the size as typed: "--size: 30000px is too large: ...".
UsageError SizeError(std::string_view typed, std::string_view problem) {
    if (typed.empty()) {
        return UsageError("--size: an empty value " + std::string(problem));
    }
    return UsageError("--size: " + Printable(typed) + " " + std::string(problem));
}

double ParseNumber(std::string_view text, std::string_view whole) {
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
        throw SizeError(whole, "is not a number (write 10, 9.75pt or 16px)");
    }
    return value;
}

// The largest em of the formats other than the table.
constexpr int kMaxPixels = 32767;

constexpr std::string_view kTooWide = "the scan rectangle would be wider than 32767 pixels";

// Refuses a size the format cannot be drawn at: for the table format, one whose scan rectangle
// cannot be made or scans no whole byte for a C array; for the others, one whose em is larger
// than FreeType draws. Messages give the size in the units it was typed in.
void CheckSize(const ConvertOptions& options) {
    if (options.format != "table") {
        // The em in pixels, as the font is sized (96 dpi).
        if (static_cast<double>(options.font.size) * 96.0 / 72.0 > kMaxPixels) {
            throw SizeError(options.sizeText, "is too large: FreeType draws nothing more than " +
                                                  std::to_string(kMaxPixels) +
                                                  " pixels from the pen");
        }
        return;
    }
    glyph::ScanBounds bounds;
    try {
        bounds.UpdateScanSize(options.font.size, options.font.italic);
    } catch (const glyph::ScanSizeError&) {
        throw SizeError(options.sizeText,
                        "is too large" + std::string(options.font.italic ? " for --italic" : "") +
                            ": " + std::string(kTooWide));
    }
    if (!options.arrayName.empty() && bounds.ScanWidth < 8) {
        // The smallest size whose rectangle is one column wide, and so one byte: 1 / factor.
        const bool pixels = std::string_view(options.sizeText).ends_with("px");
        const double least =
            1.0 / glyph::ScanWidthFactor(options.font.italic) / (pixels ? 0.75 : 1.0);
        char text[32];
        std::snprintf(text, sizeof text, "%.2f%s", std::ceil(least * 100) / 100,
                      pixels ? "px" : "pt");
        throw SizeError(options.sizeText,
                        "scans no whole byte: a C array needs at least " + std::string(text));
    }
}

// The value of an option: after '=' in the same argument, or the next argument.
class ArgReader {
public:
    explicit ArgReader(std::span<const std::string_view> args) : args_(args) {}

    bool Done() const { return next_ >= args_.size(); }
    // The next argument; an option's "=value" part is split off unless `raw`.
    std::string_view Next(bool raw) {
        inline_.reset();
        std::string_view arg = args_[next_++];
        if (!raw && arg.starts_with("--")) {
            if (const std::size_t eq = arg.find('='); eq != std::string_view::npos && eq > 2) {
                inline_ = arg.substr(eq + 1);
                arg = arg.substr(0, eq);
            }
        }
        return arg;
    }
    std::string_view Value(std::string_view option) {
        if (inline_) {
            return *std::exchange(inline_, std::nullopt);
        }
        if (next_ >= args_.size()) {
            throw UsageError(std::string(option) + " needs a value");
        }
        return args_[next_++];
    }
    void NoValue(std::string_view option) const {
        if (inline_) {
            throw UsageError(std::string(option) + " takes no value");
        }
    }

private:
    std::span<const std::string_view> args_;
    std::size_t next_ = 0;
    std::optional<std::string_view> inline_;
};

std::u32string DecodeText(std::string_view text) {
    const auto decoded = glyph::DecodeUtf8(text);
    if (!decoded) {
        throw UsageError("TEXT is not valid UTF-8");
    }
    if (decoded->empty()) {
        throw UsageError("TEXT is empty");
    }
    if (const auto control = std::find_if(decoded->begin(), decoded->end(), IsControl);
        control != decoded->end()) {
        throw UsageError("TEXT holds a control character (" + CodeName(*control) + ")");
    }
    return *decoded;
}

// Why `name` cannot name the array, or nothing when it can. The array is defined at file scope in
// a file that is compiled as C (C11 to C23) and as C++, so the name must be an identifier in both
// and free for the program to use in both.
std::optional<std::string> CNameProblem(std::string_view name) {
    static constexpr std::string_view kKeywords[] = {
        // C11 and C17
        "auto", "break", "case", "char", "const", "continue", "default", "do", "double", "else",
        "enum", "extern", "float", "for", "goto", "if", "inline", "int", "long", "register",
        "restrict", "return", "short", "signed", "sizeof", "static", "struct", "switch", "typedef",
        "union", "unsigned", "void", "volatile", "while", "_Alignas", "_Alignof", "_Atomic",
        "_Bool", "_Complex", "_Generic", "_Imaginary", "_Noreturn", "_Static_assert",
        "_Thread_local",
        // C23
        "alignas", "alignof", "bool", "constexpr", "false", "nullptr", "static_assert",
        "thread_local", "true", "typeof", "typeof_unqual", "_BitInt", "_Decimal128", "_Decimal32",
        "_Decimal64",
        // C++17, and C++20's additions, since the file is compiled as C++ too
        "asm", "catch", "char16_t", "char32_t", "class", "const_cast", "decltype", "delete",
        "dynamic_cast", "explicit", "export", "friend", "mutable", "namespace", "new", "noexcept",
        "operator", "private", "protected", "public", "reinterpret_cast", "static_cast", "template",
        "this", "throw", "try", "typeid", "typename", "using", "virtual", "wchar_t", "char8_t",
        "concept", "consteval", "constinit", "co_await", "co_return", "co_yield", "requires",
        // C++'s alternative tokens for operators
        "and", "and_eq", "bitand", "bitor", "compl", "not", "not_eq", "or", "or_eq", "xor",
        "xor_eq"};
    const auto alpha = [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
    };
    if (name.empty() || !alpha(name.front()) || !std::all_of(name.begin(), name.end(), [&](char c) {
            return alpha(c) || (c >= '0' && c <= '9');
        })) {
        return "is not a C identifier";
    }
    if (std::find(std::begin(kKeywords), std::end(kKeywords), name) != std::end(kKeywords)) {
        return "is a keyword of C or C++";
    }
    // C reserves names that begin with two underscores or an underscore and a capital letter
    // everywhere, and any name beginning with an underscore at file scope; C++ also reserves
    // names holding two underscores anywhere.
    if (name.front() == '_' || name.find("__") != std::string_view::npos) {
        return "is reserved: names beginning with an underscore or holding two underscores belong "
               "to the compiler and the C library";
    }
    if (name == "main") {
        return "names the program's entry point, which C++ does not allow an array to be";
    }
    return CLibraryReservation(name);
}

// One of `names`, or a UsageError listing them.
std::string_view Choice(std::string_view option, std::string_view value,
                        std::initializer_list<std::string_view> names) {
    for (std::string_view name : names) {
        if (value == name) {
            return name;
        }
    }
    std::string list;
    for (std::string_view name : names) {
        list += list.empty() ? "" : ", ";
        list += name;
    }
    throw UsageError(std::string(option) + ": '" + Printable(value) + "' is not one of " + list);
}

int ParseWhole(std::string_view option, std::string_view text, int low, int high) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < low ||
        value > high) {
        throw UsageError(std::string(option) + ": '" + Printable(text) +
                         "' is not a whole number from " + std::to_string(low) + " to " +
                         std::to_string(high));
    }
    return value;
}

// The largest cell: any glyph a display library draws fits many times over.
constexpr int kMaxCell = 4096;

formats::CellRule ParseCell(std::string_view text) {
    formats::CellRule cell;
    if (text == "font") {
        return cell;
    }
    if (text == "ink") {
        cell.height = formats::CellRule::Height::Ink;
        return cell;
    }
    const std::size_t x = text.find('x');
    if (x == std::string_view::npos) {
        throw UsageError("--cell: '" + Printable(text) + "' is not font, ink or WIDTHxHEIGHT");
    }
    cell.width = ParseWhole("--cell", text.substr(0, x), 1, kMaxCell);
    cell.forcedHeight = ParseWhole("--cell", text.substr(x + 1), 1, kMaxCell);
    return cell;
}

// A BDF font name stands on the FONT line: printable ASCII, and short enough for the line.
void CheckBdfName(const std::string& name) {
    const auto printable = [](char c) {
        return c >= 0x20 && c < 0x7F;
    };
    if (name.empty() || !std::all_of(name.begin(), name.end(), printable)) {
        throw UsageError("--c-array: '" + Printable(name) +
                         "' is not a BDF font name: give printable ASCII characters (0x20 to "
                         "0x7E) only");
    }
    if (name.size() > formats::kMaxBdfFontName) {
        throw UsageError("--c-array: a BDF font name may have at most " +
                         std::to_string(formats::kMaxBdfFontName) + " characters; this one has " +
                         std::to_string(name.size()));
    }
}

// The picture is a PNG file: a file name must say so, so that a slip such as "--preview font.h"
// does not overwrite a source. Standard output, a descriptor or a device takes it as it is.
void CheckPreviewName(const std::string& name) {
    std::string end = name.substr(name.size() < 4 ? 0 : name.size() - 4);
    std::transform(end.begin(), end.end(), end.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; });
    if (end != ".png" && !WritesInPlace(name)) {
        throw UsageError("--preview: '" + Printable(name) +
                         "' does not end in .png; the picture is a PNG file");
    }
}

// "--size 16 px": the unit would be TEXT, two characters converted at 16 pt.
void RefuseUnitAsText(std::string_view size, std::string_view text) {
    if (text == "px" || text == "pt") {
        throw UsageError("--size " + Printable(size) + " " + std::string(text) + ": write " +
                         Printable(size) + std::string(text) + " without a space (or -- " +
                         std::string(text) + " to convert the letters)");
    }
}

std::string FormatList() {
    std::string list;
    for (std::string_view name : formats::FormatNames()) {
        list += list.empty() ? "" : ", ";
        list += name;
    }
    return list;
}

} // namespace

std::uint64_t ParseByteCount(std::string_view text, std::string_view option) {
    std::string_view digits = text;
    std::uint64_t unit = 1;
    for (const auto& [suffix, scale] :
         {std::pair<std::string_view, std::uint64_t>{"KiB", 1ULL << 10},
          {"MiB", 1ULL << 20},
          {"GiB", 1ULL << 30},
          {"TiB", 1ULL << 40},
          {"K", 1ULL << 10},
          {"M", 1ULL << 20},
          {"G", 1ULL << 30},
          {"T", 1ULL << 40}}) {
        if (digits.ends_with(suffix)) {
            digits.remove_suffix(suffix.size());
            unit = scale;
            break;
        }
    }
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size() ||
        value > UINT64_MAX / unit) {
        throw UsageError(std::string(option) + ": '" + Printable(text) +
                         "' is not a size in bytes (write 1000, 64K, 512M or 2G)");
    }
    return value * unit;
}

std::string ByteCountText(std::uint64_t bytes) {
    static constexpr const char* kUnits[] = {"bytes", "KB", "MB", "GB", "TB", "PB", "EB"};
    double value = static_cast<double>(bytes);
    int unit = 0;
    while (value >= 1024 && unit + 1 < static_cast<int>(std::size(kUnits))) {
        value /= 1024;
        ++unit;
    }
    char text[32];
    if (unit == 0) {
        std::snprintf(text, sizeof text, "%llu bytes", static_cast<unsigned long long>(bytes));
    } else {
        std::snprintf(text, sizeof text, value < 10 ? "%.1f %s" : "%.0f %s", value, kUnits[unit]);
    }
    return text;
}

float ParseSize(std::string_view text) {
    std::string_view number = text;
    double scale = 1.0;
    if (number.ends_with("pt")) {
        number.remove_suffix(2);
    } else if (number.ends_with("px")) {
        number.remove_suffix(2);
        scale = 0.75;
    }
    const double value = ParseNumber(number, text);
    if (!std::isfinite(value)) {
        throw SizeError(text, "is not a finite number (write 10, 9.75pt or 16px)");
    }
    if (value <= 0) {
        throw SizeError(text, "is not above 0");
    }
    if (value > 1e6) {
        throw SizeError(text, "is too large: " + std::string(kTooWide));
    }
    const auto points = static_cast<float>(value * scale);
    if (!(points > 0)) {
        throw SizeError(text, "is too small to draw anything");
    }
    return points;
}

int ParseFaceIndex(std::string_view text) {
    int value = -1;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < 0 ||
        value > 0xFFFF) {
        throw UsageError("--face-index: '" + Printable(text) +
                         "' is not a face number from 0 to 65535");
    }
    return value;
}

ConvertOptions ParseConvertOptions(std::span<const std::string_view> args) {
    ConvertOptions options;
    CharacterList characters;
    bool haveText = false;
    bool haveFont = false;
    bool haveFaceIndex = false;
    bool haveArray = false;
    bool endOfOptions = false;
    std::vector<std::string_view> given;           // options that only some formats take
    std::optional<std::string_view> sizeJustGiven; // the value of the argument before, --size's
    ArgReader reader(args);
    while (!reader.Done()) {
        const std::string_view arg = reader.Next(endOfOptions);
        const std::optional<std::string_view> sizeBefore = std::exchange(sizeJustGiven, {});
        if (endOfOptions || arg.empty() || arg[0] != '-' || arg == "-") {
            if (sizeBefore && !endOfOptions) {
                RefuseUnitAsText(*sizeBefore, arg);
            }
            if (haveText) {
                throw UsageError("more than one TEXT given: '" + Printable(arg) + "'");
            }
            haveText = true;
            characters.Add(DecodeText(arg));
            continue;
        }
        if (arg == "--") {
            endOfOptions = true;
            continue;
        }
        if (arg == "-h" || arg == "--help") {
            options.help = true;
        } else if (arg == "--version") {
            reader.NoValue(arg);
            options.version = true;
        } else if (arg == "--font") {
            options.font.family = reader.Value(arg);
            if (options.font.family.empty()) {
                throw UsageError("--font needs a family name or pattern");
            }
            haveFont = true;
            options.fontNamed = true;
        } else if (arg == "--font-file") {
            options.fontFile = reader.Value(arg);
            if (options.fontFile.empty()) {
                throw UsageError("--font-file needs a path");
            }
            options.source = FontSource::File;
        } else if (arg == "--face-index") {
            options.faceIndex = ParseFaceIndex(reader.Value(arg));
            haveFaceIndex = true;
        } else if (arg == "--size") {
            const std::string_view size = reader.Value(arg);
            options.font.size = ParseSize(size);
            options.sizeText = size;
            sizeJustGiven = size;
        } else if (arg == "--bold") {
            reader.NoValue(arg);
            options.font.bold = true;
        } else if (arg == "--italic") {
            reader.NoValue(arg);
            options.font.italic = true;
        } else if (arg == "--strict") {
            reader.NoValue(arg);
            options.strict = true;
        } else if (arg == "--dry-run") {
            reader.NoValue(arg);
            options.dryRun = true;
        } else if (arg == "--range") {
            for (const CodeRange& range : ParseRangeList(reader.Value(arg))) {
                characters.Add(range);
            }
        } else if (arg == "--set") {
            characters.Add(NamedSet(reader.Value(arg)));
        } else if (arg == "-o" || arg == "--output") {
            options.output = reader.Value(arg);
            if (options.output.empty()) {
                throw UsageError(std::string(arg) + " needs a file name, or - for standard output");
            }
        } else if (arg == "--c-array") {
            options.arrayName = reader.Value(arg);
            haveArray = true;
        } else if (arg == "--format") {
            const std::string_view format = reader.Value(arg);
            const auto& names = formats::FormatNames();
            if (std::find(names.begin(), names.end(), format) == names.end()) {
                throw UsageError("--format: '" + Printable(format) + "' is not a format (" +
                                 FormatList() + ")");
            }
            options.format = format;
        } else if (arg == "--encoding") {
            options.encoding = Choice(arg, reader.Value(arg), {"unicode", "cp1251"}) == "cp1251"
                                   ? formats::Encoding::Cp1251
                                   : formats::Encoding::Unicode;
            given.push_back(arg);
        } else if (arg == "--lvgl-version") {
            options.lvglVersion = Choice(arg, reader.Value(arg), {"8", "9"}) == "8" ? 8 : 9;
            given.push_back(arg);
        } else if (arg == "--cell") {
            options.cell = ParseCell(reader.Value(arg));
            given.push_back(arg);
        } else if (arg == "--bit-order") {
            options.packing.order = Choice(arg, reader.Value(arg), {"msb", "lsb"}) == "msb"
                                        ? glyph::BitOrder::MsbFirst
                                        : glyph::BitOrder::LsbFirst;
            given.push_back(arg);
        } else if (arg == "--scan") {
            options.packing.scan = Choice(arg, reader.Value(arg), {"rows", "columns"}) == "rows"
                                       ? glyph::Scan::Rows
                                       : glyph::Scan::Pages;
            given.push_back(arg);
        } else if (arg == "--first") {
            options.first = ParseCodePoint(reader.Value(arg), arg);
            given.push_back(arg);
        } else if (arg == "--preview") {
            options.preview = reader.Value(arg);
            if (options.preview.empty()) {
                throw UsageError("--preview needs a file name");
            }
        } else if (arg == "--zoom") {
            options.zoom = ParseWhole(arg, reader.Value(arg), 1, formats::kMaxPreviewZoom);
            given.push_back(arg);
        } else if (arg == "--max-output") {
            options.maxOutput = ParseByteCount(reader.Value(arg), arg);
        } else if (arg == "--eol") {
            const std::string_view eol = reader.Value(arg);
            if (eol == "lf") {
                options.eol = "\n";
            } else if (eol == "crlf") {
                options.eol = "\r\n";
            } else {
                throw UsageError("--eol: '" + Printable(eol) + "' is neither lf nor crlf");
            }
        } else {
            throw UsageError("unknown option '" + Printable(arg) + "'");
        }
    }
    if (options.help || options.version) {
        return options;
    }
    if (haveFont && options.source == FontSource::File) {
        throw UsageError("--font and --font-file exclude each other");
    }
    if (haveFaceIndex && options.source != FontSource::File) {
        throw UsageError("--face-index needs --font-file");
    }
    // Options that mean something only with some formats.
    const auto formatIn = [&](std::initializer_list<std::string_view> formats) {
        return std::find(formats.begin(), formats.end(), options.format) != formats.end();
    };
    for (std::string_view option : given) {
        struct Rule {
            std::string_view option;
            std::initializer_list<std::string_view> formats;
            std::string_view list;
        };
        static const Rule kRules[] = {
            {"--encoding", {"gfx", "ssd1306"}, "gfx and ssd1306"},
            {"--lvgl-version", {"lvgl"}, "lvgl"},
            {"--cell", {"xbm", "ssd1306", "raw"}, "xbm, ssd1306 and raw"},
            {"--bit-order", {"raw"}, "raw"},
            {"--scan", {"raw"}, "raw"},
            {"--first", {"raw"}, "raw"},
        };
        for (const Rule& rule : kRules) {
            if (rule.option == option && !formatIn(rule.formats)) {
                throw UsageError(std::string(option) + " applies to --format " +
                                 std::string(rule.list) + " only");
            }
        }
        if (option == "--zoom" && options.preview.empty()) {
            throw UsageError("--zoom needs --preview");
        }
    }
    if (haveArray && options.format != "bdf") {
        if (const auto problem = CNameProblem(options.arrayName)) {
            throw UsageError("--c-array: '" + Printable(options.arrayName) + "' " + *problem);
        }
    }
    if (haveArray && options.format == "bdf") {
        CheckBdfName(options.arrayName);
    }
    if (!options.preview.empty()) {
        CheckPreviewName(options.preview);
    }
    options.characters = characters.characters();
    if (options.characters.empty()) {
        throw UsageError("no characters given: TEXT, --range or --set");
    }
    CheckSize(options);
    return options;
}

} // namespace cli
