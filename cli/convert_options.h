// The command line of rastova-convert.
#pragma once

#include "glyph/surface.h"

#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

namespace cli {

// Bad command-line input; the message names the problem.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct ConvertOptions {
    glyph::FontSpec font{"sans-serif", 10.0F, false, false};
    std::string_view eol = "\n";
    char32_t character = 0;
    bool help = false;
};

// Parses the arguments after the program name. Throws UsageError.
ConvertOptions ParseConvertOptions(std::span<const std::string_view> args);

// A point size: a finite number above 0. Throws UsageError.
float ParseSize(std::string_view text);

extern const char* const kConvertUsage;

} // namespace cli
