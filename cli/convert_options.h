// The command line of rastova-convert.
#pragma once

#include "cli/usage_error.h"
#include "formats/font_writer.h"
#include "formats/format_registry.h"
#include "glyph/font_faces.h"
#include "glyph/surface.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace cli {

// Where the face comes from.
enum class FontSource {
    Pattern, // a fontconfig pattern; a plain family name is one
    File,    // a font file opened directly
};

// A run whose output would be larger than this is refused unless --max-output allows it.
inline constexpr std::uint64_t kDefaultMaxOutput = std::uint64_t{1} << 30;

// One font the characters come from: each --font or --font-file starts one, and the characters
// given after it (or, for the first, before any) are asked of it.
struct SourceOptions {
    FontSource kind = FontSource::Pattern;
    std::string family = "sans-serif"; // the fontconfig pattern
    bool named = false;                // --font was given, not left at its default
    std::string fontFile;
    int faceIndex = 0;
    // The characters as written, in the order asked for, each once.
    std::u32string characters;
    // Those written at another code than the font's (--range FROM=>TO): written -> font's code.
    std::unordered_map<char32_t, char32_t> remapped;

    // The font's code point for the character written at `code`.
    char32_t FontCode(char32_t code) const {
        const auto found = remapped.find(code);
        return found == remapped.end() ? code : found->second;
    }
    // How messages name the font: --font "DejaVu Sans", or the file's path.
    std::string Label() const;
};

struct ConvertOptions {
    // The size and style every source is drawn at; each source names its own family.
    glyph::FontSpec font{"sans-serif", 10.0F, false, false};
    std::string sizeText = "10"; // the size as typed, for messages
    // At least one, in the order given.
    std::vector<SourceOptions> sources = {SourceOptions{}};
    std::string_view eol = "\n";
    // Every character to convert, in the order asked for, each once: the codes written. The
    // first source asking for a character that has it draws it.
    std::u32string characters;
    std::string output = "-"; // "-" is standard output
    std::string arrayName;    // --c-array: the C symbol (the font name for bdf); empty: none
    // --text-file, in order; "-" is standard input.
    std::vector<std::string> textFiles;
    const formats::FormatRow* format = &formats::DefaultFormat();
    formats::Encoding encoding = formats::Encoding::Unicode;
    int lvglVersion = 9;
    bool kerning = true;   // for the formats that hold kerning pairs
    bool compress = false; // lvgl: LVGL's compressed glyphs
    int bpp = 1;           // --bpp: bits a pixel, for the formats that hold grey levels
    bool bppGiven = false;
    glyph::Hinting hinting = glyph::Hinting::Normal;
    formats::CellRule cell;
    glyph::Packing packing; // --bit-order and --scan
    std::optional<char32_t> first;
    std::string preview; // --preview: the PNG to write; empty: none
    // --symbols-header: the C header of the characters in a Private Use Area; empty: none
    std::string symbolsHeader;
    int zoom = 0; // 0: the largest that keeps the sheet about 1600 pixels wide
    std::uint64_t maxOutput = kDefaultMaxOutput;
    bool strict = false;
    bool dryRun = false; // everything is checked, nothing written
    bool report = false; // --report: what the font adds to flash, on standard error
    bool help = false;
    bool version = false;
    bool listFormats = false; // --list-formats
};

// Parses the arguments after the program name. Throws UsageError.
ConvertOptions ParseConvertOptions(std::span<const std::string_view> args);

// A size: a number of points, optionally followed by "pt", or of pixels at 96 dpi followed by
// "px" (a pixel is 0.75 pt). Returns points: finite, above 0. Throws UsageError.
float ParseSize(std::string_view text);

// The face index of a font file: 0..65535. Throws UsageError.
int ParseFaceIndex(std::string_view text);

// A number of bytes: "1000", "64K", "512M", "1G" (K, M and G are powers of 1024, with or
// without "iB"). Throws UsageError.
std::uint64_t ParseByteCount(std::string_view text, std::string_view option);

// An option only some formats take (their rows' FormatOption bits), as a front end other than
// the command line offers it, read from the command line's own table.
struct FormatOnlyOption {
    std::string_view flag;
    unsigned formatOptions = 0;               // the FormatOption bits of the formats that take it
    bool takesValue = false;                  // false: a switch
    std::span<const std::string_view> values; // the words it takes; empty: any text
    std::string_view defaultValue;            // empty: none, or off
};
std::vector<FormatOnlyOption> FormatOnlyOptions();

} // namespace cli
