// The command line of rastova-convert.
#pragma once

#include "cli/usage_error.h"
#include "glyph/surface.h"

#include <span>
#include <string>
#include <string_view>

namespace cli {

// Where the face comes from.
enum class FontSource {
    Pattern, // a fontconfig pattern; a plain family name is one
    File,    // a font file opened directly
};

struct ConvertOptions {
    glyph::FontSpec font{"sans-serif", 10.0F, false, false};
    std::string sizeText = "10"; // the size as typed, for messages
    FontSource source = FontSource::Pattern;
    std::string fontFile;
    int faceIndex = 0;
    std::string_view eol = "\n";
    // Every character to convert, in the order asked for, each once.
    std::u32string characters;
    std::string output = "-"; // "-" is standard output
    std::string arrayName;    // empty: plain text, no C array
    bool strict = false;
    bool help = false;
};

// Parses the arguments after the program name. Throws UsageError.
ConvertOptions ParseConvertOptions(std::span<const std::string_view> args);

// A size: a number of points, optionally followed by "pt", or of pixels at 96 dpi followed by
// "px" (a pixel is 0.75 pt). Returns points: finite, above 0. Throws UsageError.
float ParseSize(std::string_view text);

// The face index of a font file: 0..65535. Throws UsageError.
int ParseFaceIndex(std::string_view text);

extern const char* const kConvertUsage;

} // namespace cli
