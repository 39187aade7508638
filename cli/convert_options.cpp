#include "cli/convert_options.h"

#include "cli/c_library_names.h"
#include "cli/character_list.h"
#include "cli/output_file.h"
#include "cli/printable.h"
#include "cli/text_file.h"
#include "formats/format_registry.h"
#include "formats/preview.h"
#include "glyph/scan_geometry.h"
#include "glyph/utf8.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <optional>
#include <utility>

namespace cli {

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

// Refuses a size the format cannot be drawn at: for the window's tables, one whose scan rectangle
// cannot be made or scans no whole byte for a C array; for the others, one whose em is larger
// than FreeType draws. Messages give the size in the units it was typed in.
void CheckSize(const ConvertOptions& options) {
    if (!options.format->windowTable) {
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
                        std::span<const std::string_view> names) {
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

namespace {

// What the arguments said so far, beyond the options themselves.
struct ParseState {
    ConvertOptions options;
    // The characters of the source being given (options.sources.back()).
    CharacterList characters;
    bool haveText = false; // for the source being given
    bool haveFont = false; // a font option named the first source: the next starts another
    std::vector<bool> faceIndexGiven = {false}; // for each source
    bool haveArray = false;
    bool readStandardInput = false;                // --text-file -
    std::optional<std::string_view> sizeJustGiven; // the value of the argument before, --size's
};

// How an option takes its value.
enum class Takes {
    Value,    // after '=' or as the next argument
    Nothing,  // "--bold=x" is refused
    Anything, // "--help=x" is help all the same
};

// The words the options that take one of a few accept, in the order their messages list them.
constexpr std::string_view kEncodingValues[] = {"unicode", "cp1251"};
constexpr std::string_view kLvglVersionValues[] = {"8", "9"};
constexpr std::string_view kBppValues[] = {"1", "2", "3", "4", "8"};
constexpr std::string_view kHintingValues[] = {"normal", "light", "none", "auto"};
constexpr std::string_view kBitOrderValues[] = {"msb", "lsb"};
constexpr std::string_view kScanValues[] = {"rows", "columns"};

struct OptionRule {
    std::string_view name;
    std::string_view alias; // a second spelling; empty: none
    Takes takes;
    void (*apply)(ParseState& state, std::string_view option, std::string_view value);
    // The formats that take it say so in their rows; 0: every format.
    unsigned onlyFor = 0;
    bool needsPreview = false;
    // The words it takes, when it takes one of a few; empty: any text, or none.
    std::span<const std::string_view> values = {};
    // The value a run has when the option is not given; empty: none, or off.
    std::string_view defaultValue = {};
};

constexpr unsigned Only(formats::FormatOption option) {
    return static_cast<unsigned>(option);
}

// The characters gathered so far go to the source being given.
void CloseSource(ParseState& state) {
    SourceOptions& source = state.options.sources.back();
    source.characters = state.characters.characters();
    source.remapped = state.characters.remapped();
}

// The source a font option names: the first for the first font option, whatever characters
// came before it; a new one for each after it.
SourceOptions& NamedSource(ParseState& state) {
    if (std::exchange(state.haveFont, true)) {
        CloseSource(state);
        state.options.sources.emplace_back();
        state.faceIndexGiven.push_back(false);
        state.characters = CharacterList();
        state.haveText = false;
    }
    return state.options.sources.back();
}

void ApplyFont(ParseState& state, std::string_view, std::string_view value) {
    if (value.empty()) {
        throw UsageError("--font needs a family name or pattern");
    }
    SourceOptions& source = NamedSource(state);
    source.family = value;
    source.named = true;
}

void ApplyFontFile(ParseState& state, std::string_view, std::string_view value) {
    if (value.empty()) {
        throw UsageError("--font-file needs a path");
    }
    SourceOptions& source = NamedSource(state);
    source.fontFile = value;
    source.kind = FontSource::File;
}

// The characters of a text file, in code point order, after those given before it.
void ApplyTextFile(ParseState& state, std::string_view option, std::string_view value) {
    if (value.empty()) {
        throw UsageError(std::string(option) + " needs a file name, or - for standard input");
    }
    if (value == "-" && std::exchange(state.readStandardInput, true)) {
        throw UsageError(std::string(option) + " -: standard input can be read only once");
    }
    state.characters.Add(ReadTextFileCharacters(std::string(value)));
    state.options.textFiles.emplace_back(value);
}

void ApplySize(ParseState& state, std::string_view, std::string_view value) {
    state.options.font.size = ParseSize(value);
    state.options.sizeText = value;
    state.sizeJustGiven = value;
}

void ApplyOutput(ParseState& state, std::string_view option, std::string_view value) {
    if (value.empty()) {
        throw UsageError(std::string(option) + " needs a file name, or - for standard output");
    }
    state.options.output = value;
}

void ApplyFormat(ParseState& state, std::string_view, std::string_view value) {
    const formats::FormatRow* row = formats::FindFormat(value);
    if (row == nullptr) {
        throw UsageError("--format: '" + Printable(value) + "' is not a format (" +
                         formats::FormatNamesWhere([](const auto&) { return true; }, ", ", ", ") +
                         ")");
    }
    state.options.format = row;
}

void ApplyPreview(ParseState& state, std::string_view, std::string_view value) {
    if (value.empty()) {
        throw UsageError("--preview needs a file name");
    }
    state.options.preview = value;
}

void ApplySymbolsHeader(ParseState& state, std::string_view, std::string_view value) {
    if (value.empty()) {
        throw UsageError("--symbols-header needs a file name");
    }
    state.options.symbolsHeader = value;
}

void ApplyEol(ParseState& state, std::string_view, std::string_view value) {
    if (value == "lf") {
        state.options.eol = "\n";
    } else if (value == "crlf") {
        state.options.eol = "\r\n";
    } else {
        throw UsageError("--eol: '" + Printable(value) + "' is neither lf nor crlf");
    }
}

// Every option, with what it does to the options and which formats' rows must take it.
const OptionRule kOptionRules[] = {
    {"--help", "-h", Takes::Anything,
     [](ParseState& s, std::string_view, std::string_view) {
         s.options.help = true;
     }},
    {"--version", "", Takes::Nothing,
     [](ParseState& s, std::string_view, std::string_view) {
         s.options.version = true;
     }},
    {"--list-formats", "", Takes::Nothing,
     [](ParseState& s, std::string_view, std::string_view) {
         s.options.listFormats = true;
     }},
    {"--font", "", Takes::Value, ApplyFont},
    {"--font-file", "", Takes::Value, ApplyFontFile},
    {"--face-index", "", Takes::Value,
     [](ParseState& s, std::string_view, std::string_view value) {
         s.options.sources.back().faceIndex = ParseFaceIndex(value);
         s.faceIndexGiven.back() = true;
     }},
    {"--size", "", Takes::Value, ApplySize},
    {"--bold", "", Takes::Nothing,
     [](ParseState& s, std::string_view, std::string_view) {
         s.options.font.bold = true;
     }},
    {"--italic", "", Takes::Nothing,
     [](ParseState& s, std::string_view, std::string_view) {
         s.options.font.italic = true;
     }},
    {"--strict", "", Takes::Nothing,
     [](ParseState& s, std::string_view, std::string_view) {
         s.options.strict = true;
     }},
    {"--dry-run", "", Takes::Nothing,
     [](ParseState& s, std::string_view, std::string_view) {
         s.options.dryRun = true;
     }},
    {"--report", "", Takes::Nothing,
     [](ParseState& s, std::string_view, std::string_view) {
         s.options.report = true;
     }},
    {"--range", "", Takes::Value,
     [](ParseState& s, std::string_view, std::string_view value) {
         for (const CodeRange& range : ParseRangeList(value)) {
             s.characters.Add(range);
         }
     }},
    {"--set", "", Takes::Value,
     [](ParseState& s, std::string_view, std::string_view value) {
         s.characters.Add(NamedSet(value));
     }},
    {"--text-file", "", Takes::Value, ApplyTextFile},
    {"--output", "-o", Takes::Value, ApplyOutput},
    {"--c-array", "", Takes::Value,
     [](ParseState& s, std::string_view, std::string_view value) {
         s.options.arrayName = value;
         s.haveArray = true;
     }},
    {"--format", "", Takes::Value, ApplyFormat},
    {"--encoding", "", Takes::Value,
     [](ParseState& s, std::string_view option, std::string_view value) {
         s.options.encoding = Choice(option, value, kEncodingValues) == "cp1251"
                                  ? formats::Encoding::Cp1251
                                  : formats::Encoding::Unicode;
     },
     Only(formats::FormatOption::Encoding), false, kEncodingValues, "unicode"},
    {"--lvgl-version", "", Takes::Value,
     [](ParseState& s, std::string_view option, std::string_view value) {
         s.options.lvglVersion = Choice(option, value, kLvglVersionValues) == "8" ? 8 : 9;
     },
     Only(formats::FormatOption::LvglVersion), false, kLvglVersionValues, "9"},
    {"--no-kerning", "", Takes::Nothing,
     [](ParseState& s, std::string_view, std::string_view) { s.options.kerning = false; },
     Only(formats::FormatOption::Kerning)},
    {"--compress", "", Takes::Nothing,
     [](ParseState& s, std::string_view, std::string_view) { s.options.compress = true; },
     Only(formats::FormatOption::Compress)},
    {"--bpp", "", Takes::Value,
     [](ParseState& s, std::string_view option, std::string_view value) {
         s.options.bpp = Choice(option, value, kBppValues)[0] - '0';
         s.options.bppGiven = true;
     }},
    {"--hinting", "", Takes::Value,
     [](ParseState& s, std::string_view option, std::string_view value) {
         const std::string_view mode = Choice(option, value, kHintingValues);
         s.options.hinting = mode == "light"  ? glyph::Hinting::Light
                             : mode == "none" ? glyph::Hinting::None
                             : mode == "auto" ? glyph::Hinting::Auto
                                              : glyph::Hinting::Normal;
     }},
    {"--cell",
     "",
     Takes::Value,
     [](ParseState& s, std::string_view, std::string_view value) {
         s.options.cell = ParseCell(value);
     },
     Only(formats::FormatOption::Cell),
     false,
     {},
     "font"},
    {"--bit-order", "", Takes::Value,
     [](ParseState& s, std::string_view option, std::string_view value) {
         s.options.packing.order = Choice(option, value, kBitOrderValues) == "msb"
                                       ? glyph::BitOrder::MsbFirst
                                       : glyph::BitOrder::LsbFirst;
     },
     Only(formats::FormatOption::BitOrder), false, kBitOrderValues, "msb"},
    {"--scan", "", Takes::Value,
     [](ParseState& s, std::string_view option, std::string_view value) {
         s.options.packing.scan =
             Choice(option, value, kScanValues) == "rows" ? glyph::Scan::Rows : glyph::Scan::Pages;
     },
     Only(formats::FormatOption::Scan), false, kScanValues, "rows"},
    {"--first", "", Takes::Value,
     [](ParseState& s, std::string_view option, std::string_view value) {
         s.options.first = ParseCodePoint(value, option);
     },
     Only(formats::FormatOption::First)},
    {"--preview", "", Takes::Value, ApplyPreview},
    {"--symbols-header", "", Takes::Value, ApplySymbolsHeader},
    {"--zoom", "", Takes::Value,
     [](ParseState& s, std::string_view option, std::string_view value) {
         s.options.zoom = ParseWhole(option, value, 1, formats::kMaxPreviewZoom);
     },
     0, true},
    {"--max-output", "", Takes::Value,
     [](ParseState& s, std::string_view option, std::string_view value) {
         s.options.maxOutput = ParseByteCount(value, option);
     }},
    {"--eol", "", Takes::Value, ApplyEol},
};

const OptionRule* FindOptionRule(std::string_view arg) {
    for (const OptionRule& rule : kOptionRules) {
        if (arg == rule.name || (!rule.alias.empty() && arg == rule.alias)) {
            return &rule;
        }
    }
    return nullptr;
}

// TEXT: one argument that is not an option.
void AddText(ParseState& state, std::string_view arg, std::optional<std::string_view> sizeBefore,
             bool endOfOptions) {
    if (sizeBefore && !endOfOptions) {
        RefuseUnitAsText(*sizeBefore, arg);
    }
    if (state.haveText) {
        throw UsageError("more than one TEXT given: '" + Printable(arg) + "'");
    }
    state.haveText = true;
    state.characters.Add(DecodeText(arg));
}

// Refuses an option the chosen format does not take, as its row says; and --zoom without a
// picture. The first such option given is named.
void CheckFormatOptions(const ConvertOptions& options,
                        const std::vector<const OptionRule*>& given) {
    for (const OptionRule* rule : given) {
        if (rule->onlyFor != 0 && (options.format->options & rule->onlyFor) == 0) {
            const unsigned bits = rule->onlyFor;
            throw UsageError(std::string(rule->name) + " applies to --format " +
                             formats::FormatNamesWhere([bits](const formats::FormatRow& row) {
                                 return (row.options & bits) != 0;
                             }) +
                             " only");
        }
        if (rule->name == "--bpp" && !options.format->TakesDepth(options.bpp)) {
            const int bpp = options.bpp;
            throw UsageError("--bpp " + std::to_string(bpp) + " applies to --format " +
                             formats::FormatNamesWhere([bpp](const formats::FormatRow& row) {
                                 return row.TakesDepth(bpp);
                             }) +
                             " only");
        }
        if (rule->needsPreview && options.preview.empty()) {
            throw UsageError(std::string(rule->name) + " needs --preview");
        }
    }
}

// The name --c-array gives: a C identifier, or what the format's own name rules take.
void CheckArrayName(const ConvertOptions& options) {
    const formats::FormatRow& format = *options.format;
    std::optional<formats::NameProblem> problem;
    if (format.arrayName == formats::ArrayName::FontName) {
        problem = format.nameProblem ? format.nameProblem(options.arrayName) : std::nullopt;
    } else if (auto text = CNameProblem(options.arrayName)) {
        problem = formats::NameProblem{true, std::move(*text)};
    }
    if (problem) {
        throw UsageError(
            "--c-array: " + (problem->quoteName ? "'" + Printable(options.arrayName) + "' " : "") +
            problem->text);
    }
}

// The symbols header names its macros after the C symbol of the font: --c-array's, or the one
// the format makes without it. A format with no C symbol of its own needs --c-array, and a name
// that is not a C identifier (a BDF font name) cannot prefix a macro.
void CheckSymbolsPrefix(const ConvertOptions& options) {
    const formats::FormatRow& format = *options.format;
    if (options.symbolsHeader.empty() ||
        (options.arrayName.empty() && format.arrayName == formats::ArrayName::Symbol)) {
        return;
    }
    const std::string name(format.name);
    if (options.arrayName.empty()) {
        throw UsageError("--symbols-header needs --c-array NAME with --format " + name +
                         ": its macros are named NAME_..., and " + name +
                         " output has no C symbol without it");
    }
    if (format.arrayName == formats::ArrayName::FontName && CNameProblem(options.arrayName)) {
        throw UsageError("--symbols-header: the --c-array name '" + Printable(options.arrayName) +
                         "' is not a C identifier to name its macros after");
    }
}

// "source 2 (--font "DejaVu Sans")", for messages about one of several sources.
std::string SourceName(const ConvertOptions& options, std::size_t index) {
    return "source " + std::to_string(index + 1) + " (" + options.sources[index].Label() + ")";
}

// How a source asks for the character written at `code`: "U+E000", or its remap.
std::string AskedAs(const SourceOptions& source, char32_t code) {
    return source.remapped.contains(code) ? CodeName(source.FontCode(code)) + "=>" + CodeName(code)
                                          : CodeName(code);
}

// Every source's characters, in order, into options.characters. A character two sources ask
// for is drawn by the first that has it, unless either remaps it: a remap's target must be
// free. A source without characters is refused.
void GatherSources(ConvertOptions& options) {
    std::unordered_map<char32_t, std::size_t> askedBy;
    for (std::size_t i = 0; i < options.sources.size(); ++i) {
        const SourceOptions& source = options.sources[i];
        if (source.characters.empty()) {
            throw UsageError(options.sources.size() == 1
                                 ? "no characters given: TEXT, --range, --set or --text-file"
                                 : SourceName(options, i) +
                                       " has no characters: give them after it with TEXT, "
                                       "--range, --set or --text-file");
        }
        for (char32_t c : source.characters) {
            const auto [first, added] = askedBy.emplace(c, i);
            if (added) {
                options.characters += c;
                continue;
            }
            const SourceOptions& earlier = options.sources[first->second];
            if (source.remapped.contains(c) || earlier.remapped.contains(c)) {
                throw UsageError("--range: " + AskedAs(source, c) + " of " +
                                 SourceName(options, i) + " and " + AskedAs(earlier, c) + " of " +
                                 SourceName(options, first->second) + " both write at " +
                                 CodeName(c));
            }
        }
    }
}

// What holds between options, once all are read.
void CheckCombination(ParseState& state, const std::vector<const OptionRule*>& given) {
    ConvertOptions& options = state.options;
    CloseSource(state);
    for (std::size_t i = 0; i < options.sources.size(); ++i) {
        if (state.faceIndexGiven[i] && options.sources[i].kind != FontSource::File) {
            throw UsageError("--face-index needs --font-file");
        }
    }
    CheckFormatOptions(options, given);
    if (options.eol != "\n" && options.format->binaryUnlessArray && !state.haveArray) {
        throw UsageError("--eol crlf: --format " + std::string(options.format->name) +
                         " writes a binary file, which has no line ends; with --c-array it "
                         "writes C source");
    }
    if (state.haveArray) {
        CheckArrayName(options);
    }
    if (!options.preview.empty()) {
        CheckPreviewName(options.preview);
    }
    CheckSymbolsPrefix(options);
    GatherSources(options);
    CheckSize(options);
}

} // namespace

std::string SourceOptions::Label() const {
    return kind == FontSource::File ? fontFile : "--font \"" + family + "\"";
}

ConvertOptions ParseConvertOptions(std::span<const std::string_view> args) {
    ParseState state;
    bool endOfOptions = false;
    std::vector<const OptionRule*> given; // the options given, in order
    ArgReader reader(args);
    while (!reader.Done()) {
        const std::string_view arg = reader.Next(endOfOptions);
        const std::optional<std::string_view> sizeBefore = std::exchange(state.sizeJustGiven, {});
        if (endOfOptions || arg.empty() || arg[0] != '-' || arg == "-") {
            AddText(state, arg, sizeBefore, endOfOptions);
            continue;
        }
        if (arg == "--") {
            endOfOptions = true;
            continue;
        }
        const OptionRule* rule = FindOptionRule(arg);
        if (rule == nullptr) {
            throw UsageError("unknown option '" + Printable(arg) + "'");
        }
        if (rule->takes == Takes::Nothing) {
            reader.NoValue(arg);
        }
        rule->apply(state, arg, rule->takes == Takes::Value ? reader.Value(arg) : "");
        given.push_back(rule);
    }
    if (state.options.help || state.options.version || state.options.listFormats) {
        return state.options;
    }
    CheckCombination(state, given);
    return state.options;
}

std::vector<FormatOnlyOption> FormatOnlyOptions() {
    std::vector<FormatOnlyOption> options;
    for (const OptionRule& rule : kOptionRules) {
        if (rule.onlyFor != 0) {
            options.push_back({rule.name, rule.onlyFor, rule.takes == Takes::Value, rule.values,
                               rule.defaultValue});
        }
    }
    return options;
}

} // namespace cli
