// libFuzzer target for rastova-convert's argument parsers. The input is split at NUL bytes into
// arguments; the whole input is also tried as a --range list and as a --size. Every input must
// parse to something valid or be refused with a UsageError; anything else is a finding.
#include "cli/character_list.h"
#include "cli/convert_options.h"
#include "glyph/scan_geometry.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

namespace {

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

void ParseArguments(std::string_view input) {
    std::vector<std::string_view> args;
    while (!input.empty()) {
        const std::size_t end = input.find('\0');
        args.push_back(input.substr(0, end));
        input.remove_prefix(end == std::string_view::npos ? input.size() : end + 1);
    }
    // --text-file reads a file (or standard input) while the line is parsed; the arguments are
    // fuzzed here, not what a file holds.
    for (std::string_view arg : args) {
        if (arg.starts_with("--text-file")) {
            return;
        }
    }
    try {
        const cli::ConvertOptions options = cli::ParseConvertOptions(args);
        if (options.help || options.version || options.listFormats) {
            return;
        }
        Check(!options.characters.empty());
        for (char32_t c : options.characters) {
            Check(c <= 0x10FFFF && !(c >= 0xD800 && c <= 0xDFFF) && !cli::IsControl(c));
        }
        Check(std::isfinite(options.font.size) && options.font.size > 0);
        Check(options.format != nullptr);
    } catch (const cli::UsageError&) {
    }
}

void ParseRanges(std::string_view input) {
    try {
        for (const cli::CodeRange& range : cli::ParseRangeList(input)) {
            Check(range.first <= range.last && range.last <= 0x10FFFF);
            Check(!(range.first <= 0xDFFF && range.last >= 0xD800));
        }
    } catch (const cli::UsageError&) {
    }
}

void ParseSize(std::string_view input) {
    try {
        const float points = cli::ParseSize(input);
        Check(std::isfinite(points) && points > 0);
        glyph::ScanBounds bounds;
        bounds.UpdateScanSize(points, input.size() % 2 == 0);
        Check(bounds.ScanWidth % 8 == 0 && bounds.ScanHeight >= 0);
    } catch (const cli::UsageError&) {
    } catch (const glyph::ScanSizeError&) {
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    ParseArguments(input);
    ParseRanges(input);
    ParseSize(input);
    return 0;
}
