#include "cli/convert_options.h"

#include "cli/character_list.h"
#include "cli/printable.h"
#include "glyph/scan_geometry.h"
#include "glyph/utf8.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <optional>
#include <utility>

namespace cli {

const char* const kConvertUsage =
    R"(Usage: rastova-convert [OPTIONS] [TEXT]

Draws characters in the chosen font and prints each as a monochrome bitmap table: a header
line, then one line per pixel row with its bytes as hex literals and a comment drawing the row.
With more than one character, a comment line naming each precedes its table and a blank line
separates the tables.

Characters (combined in the order given; a character asked for twice is converted once):
  TEXT              UTF-8 text; each code point is one character
  --range LIST      code points and ranges, comma-separated: 0x20-0x7E,U+0410-U+044F,65
  --set NAME        ascii (0x20-0x7E) or cp1251 (every character of Windows-1251, in its order)

Font:
  --font PATTERN    fontconfig pattern or family, e.g. "DejaVu Serif:bold" (default: sans-serif)
  --font-file PATH  font file opened directly (TTF, OTF, PCF, ...); no fontconfig, no fallbacks
  --face-index N    face in a font collection file (default: 0)
  --size SIZE       10, 9.75pt (points) or 16px (pixels at 96 dpi) (default: 10)
  --bold            bold weight
  --italic          italic slant; widens the scanned area

Output:
  -o, --output FILE write FILE through a temporary file; - is standard output (default)
  --c-array NAME    wrap the tables in a C definition: const unsigned char NAME[] = { ... };
  --eol lf|crlf     line ends (default: lf)
  --strict          exit with status 1 when any glyph is clipped
  -h, --help        show this help and exit

Ink that falls outside the scan rectangle, or in column 0 (which no byte holds), is reported on
standard error.

Exit status: 0 on success, 1 when --strict and a glyph is clipped, 2 on bad input.
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

constexpr std::string_view kTooWide = "the scan rectangle would be wider than 32767 pixels";

// Refuses a size whose scan rectangle cannot be made, or that scans no whole byte for a C array.
// Messages give the size in the units it was typed in.
void CheckScanSize(const ConvertOptions& options) {
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
        const double least = 1.0 / (options.font.italic ? 1.8 : 1.5) / (pixels ? 0.75 : 1.0);
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
    return std::nullopt;
}

} // namespace

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
    if (!std::isfinite(value) || value <= 0) {
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
    bool endOfOptions = false;
    ArgReader reader(args);
    while (!reader.Done()) {
        const std::string_view arg = reader.Next(endOfOptions);
        if (endOfOptions || arg.empty() || arg[0] != '-' || arg == "-") {
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
        } else if (arg == "--font") {
            options.font.family = reader.Value(arg);
            if (options.font.family.empty()) {
                throw UsageError("--font needs a family name or pattern");
            }
            haveFont = true;
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
        } else if (arg == "--bold") {
            reader.NoValue(arg);
            options.font.bold = true;
        } else if (arg == "--italic") {
            reader.NoValue(arg);
            options.font.italic = true;
        } else if (arg == "--strict") {
            reader.NoValue(arg);
            options.strict = true;
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
            if (const auto problem = CNameProblem(options.arrayName)) {
                throw UsageError("--c-array: '" + Printable(options.arrayName) + "' " + *problem);
            }
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
    if (options.help) {
        return options;
    }
    if (haveFont && options.source == FontSource::File) {
        throw UsageError("--font and --font-file exclude each other");
    }
    if (haveFaceIndex && options.source != FontSource::File) {
        throw UsageError("--face-index needs --font-file");
    }
    options.characters = characters.characters();
    if (options.characters.empty()) {
        throw UsageError("no characters given: TEXT, --range or --set");
    }
    CheckScanSize(options);
    return options;
}

} // namespace cli
