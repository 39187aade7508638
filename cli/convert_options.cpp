#include "cli/convert_options.h"

#include "glyph/utf8.h"

#include <charconv>
#include <cmath>
#include <optional>

namespace cli {

const char* const kConvertUsage =
    R"(Usage: rastova-convert [OPTIONS] CHARACTER

Draws CHARACTER in the chosen font and prints it as a monochrome bitmap table: a header line,
then one line per pixel row with its bytes as hex literals and a comment drawing the row.

Options:
  --font FAMILY   font family, looked up with fontconfig (default: sans-serif)
  --size PT       size in points, above 0 (default: 10)
  --bold          bold weight
  --italic        italic slant; widens the scanned area
  --eol lf|crlf   line ends (default: lf)
  -h, --help      show this help and exit

Exit status: 0 on success, 2 on bad input.
)";

float ParseSize(std::string_view text) {
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty()) {
        throw UsageError("--size: '" + std::string(text) + "' is not a number");
    }
    if (!std::isfinite(value) || value <= 0) {
        throw UsageError("--size: " + std::string(text) + " is not above 0");
    }
    if (value > 1e6) {
        throw UsageError("--size: " + std::string(text) + " is too large");
    }
    return static_cast<float>(value);
}

ConvertOptions ParseConvertOptions(std::span<const std::string_view> args) {
    ConvertOptions options;
    std::optional<std::string_view> character;
    bool endOfOptions = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        const auto value = [&]() -> std::string_view {
            if (i + 1 >= args.size()) {
                throw UsageError(std::string(arg) + " needs a value");
            }
            return args[++i];
        };
        if (endOfOptions || arg.empty() || arg[0] != '-' || arg == "-") {
            if (character) {
                throw UsageError("more than one CHARACTER given: '" + std::string(arg) + "'");
            }
            character = arg;
        } else if (arg == "--") {
            endOfOptions = true;
        } else if (arg == "-h" || arg == "--help") {
            options.help = true;
        } else if (arg == "--font") {
            options.font.family = value();
            if (options.font.family.empty()) {
                throw UsageError("--font needs a family name");
            }
        } else if (arg == "--size") {
            options.font.size = ParseSize(value());
        } else if (arg == "--bold") {
            options.font.bold = true;
        } else if (arg == "--italic") {
            options.font.italic = true;
        } else if (arg == "--eol") {
            const std::string_view eol = value();
            if (eol == "lf") {
                options.eol = "\n";
            } else if (eol == "crlf") {
                options.eol = "\r\n";
            } else {
                throw UsageError("--eol: '" + std::string(eol) + "' is neither lf nor crlf");
            }
        } else {
            throw UsageError("unknown option '" + std::string(arg) + "'");
        }
    }
    if (options.help) {
        return options;
    }
    if (!character) {
        throw UsageError("no CHARACTER given");
    }
    const auto decoded = glyph::DecodeUtf8(*character);
    if (!decoded) {
        throw UsageError("CHARACTER is not valid UTF-8");
    }
    if (decoded->size() != 1) {
        throw UsageError("CHARACTER must be exactly one character, got '" +
                         std::string(*character) + "'");
    }
    options.character = decoded->front();
    if (options.character < 32 || (options.character >= 0x7F && options.character < 0xA0)) {
        throw UsageError("CHARACTER is a control character");
    }
    return options;
}

} // namespace cli
