#include "cli/messages.h"

#include "formats/c_source.h"
#include "glyph/utf8.h"

namespace cli {

using formats::Plural;

std::vector<std::string> ClipMessages(char32_t c, const formats::WrittenGlyph& written) {
    std::vector<std::string> messages;
    const glyph::ClipReport& report = written.clip;
    if (report.Clean()) {
        return messages;
    }
    const std::string name = glyph::CharacterName(c);
    const auto spill = [&](const glyph::Spill& side, const std::string& where) {
        if (side.pixels > 0) {
            messages.push_back(name + ": " + Plural(side.pixels, "ink pixel", "ink pixels") +
                               " cut off " + where + ", reaching " +
                               Plural(side.reach, "pixel", "pixels") + " beyond it");
        }
    };
    if (written.firstColumnLost) {
        // A table: the frame is columns 0..ScanWidth and rows 0..ScanHeight.
        spill(report.left, "left of column 0");
        spill(report.right, "right of column " + std::to_string(written.frame.width - 1));
        spill(report.top, "above row 0");
        spill(report.bottom, "below row " + std::to_string(written.frame.height - 1));
    } else {
        const std::string cell = "the " + std::to_string(written.frame.width) + "x" +
                                 std::to_string(written.frame.height) + " cell";
        spill(report.left, "left of " + cell);
        spill(report.right, "right of " + cell);
        spill(report.top, "above " + cell);
        spill(report.bottom, "below " + cell);
    }
    if (report.columnZero > 0) {
        messages.push_back(name + ": " + Plural(report.columnZero, "ink pixel", "ink pixels") +
                           " in column 0, which no byte holds");
    }
    return messages;
}

} // namespace cli
