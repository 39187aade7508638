#include "cli/flash_report.h"

#include "cli/printable.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace cli {

std::string FlashReport(const formats::FlashCost& cost, std::string_view output,
                        std::string_view format) {
    std::vector<std::pair<std::string_view, std::uint64_t>> parts = {
        {"bitmaps", cost.bitmaps},
        {"glyph descriptors", cost.descriptors},
        {"character maps", cost.maps},
    };
    if (cost.kerning > 0) {
        parts.emplace_back("kerning", cost.kerning);
    }
    parts.emplace_back("font header", cost.header);
    parts.emplace_back("total", cost.Total());

    const std::string count = std::to_string(cost.glyphs);
    std::size_t digits = count.size();
    for (const auto& part : parts) {
        digits = std::max(digits, std::to_string(part.second).size());
    }
    constexpr std::size_t kLabel = 18; // "glyph descriptors" and a space
    const auto line = [&](std::string_view label, const std::string& number) {
        return "  " + std::string(label) + std::string(kLabel - label.size(), ' ') +
               std::string(digits - number.size(), ' ') + number;
    };
    std::string text = "rastova-convert: --report: " +
                       Printable(output == "-" ? std::string_view("standard output") : output) +
                       " (" + std::string(format) + ")\n";
    text += line("glyphs", count) + "\n";
    for (const auto& [label, bytes] : parts) {
        text += line(label, std::to_string(bytes)) + " bytes";
        if (label == "total") {
            text += cost.file ? ", the file's size" : " of flash";
        }
        text += "\n";
    }
    return text;
}

} // namespace cli
