#include "formats/cell.h"

#include "formats/read_back.h"
#include "glyph/clip_check.h"

#include <algorithm>

namespace formats {

namespace {

std::string Rows(int count) {
    return std::to_string(count) + (count == 1 ? " row" : " rows");
}

} // namespace

Cell MakeCell(const glyph::Strike& strike, const CellRule& rule) {
    const glyph::PixelBox ink = strike.InkBounds();
    const glyph::SizeMetrics& metrics = strike.facts.metrics;
    const int overhang = ink.empty() ? 0 : std::max(0, -ink.x);
    const int right = std::max(strike.MaxAdvance(), ink.empty() ? 0 : ink.right());

    Cell cell;
    if (rule.width > 0 && rule.forcedHeight > 0) {
        cell.forced = true;
        cell.width = rule.width;
        cell.height = rule.forcedHeight;
        cell.originX = std::min(overhang, cell.width - 1);
        cell.baselineRow = std::clamp(metrics.ascent, 0, cell.height);
        return cell;
    }

    cell.width = std::max(1, overhang + right);
    cell.originX = overhang;
    int above = 0; // rows above the baseline
    int below = 0; // rows from the baseline down
    if (rule.height == CellRule::Height::Ink) {
        above = ink.empty() ? 1 : -ink.y;
        below = ink.empty() ? 0 : ink.bottom();
    } else {
        above = std::max(metrics.ascent, ink.empty() ? 0 : -ink.y);
        below = std::max(metrics.descent, ink.empty() ? 0 : ink.bottom());
        if (above + below < 1) {
            above = 1;
        }
    }
    cell.height = above + below;
    cell.baselineRow = above;
    return cell;
}

Cell CellBound(const glyph::StrikeFacts& facts, const CellRule& rule) {
    Cell cell;
    if (rule.width > 0 && rule.forcedHeight > 0) {
        cell.width = rule.width;
        cell.height = rule.forcedHeight;
        return cell;
    }
    const int em = std::max(1, facts.metrics.pixelSize);
    cell.width = 2 * em;
    cell.height = std::max(2 * em, facts.metrics.ascent + facts.metrics.descent);
    return cell;
}

std::vector<std::string> DescribeCell(const Cell& cell, const glyph::StrikeFacts& facts,
                                      const CellRule& rule) {
    const glyph::SizeMetrics& metrics = facts.metrics;
    std::string how;
    if (cell.forced) {
        how = "forced with --cell; ink outside it is cut";
    } else if (rule.height == CellRule::Height::Ink) {
        how = "as high as the set's ink, as wide as the widest advance and any overhang";
    } else {
        how = "the face's ascent " + std::to_string(metrics.ascent) + " + descent " +
              std::to_string(metrics.descent) +
              ", as wide as the widest advance; grown where ink reaches past them";
    }
    return {
        "Cell: " + std::to_string(cell.width) + " x " + std::to_string(cell.height) +
            " pixels for every character (" + how + ")",
        "Pen origin: column " + std::to_string(cell.originX) + ", row " +
            std::to_string(cell.baselineRow) + " (the first row under the baseline; " +
            Rows(cell.baselineRow) + " of the cell lie above it)",
    };
}

std::string CellDefines(const std::string& name, const Cell& cell) {
    const auto define = [&](const char* what, int value) {
        return "#define " + name + "_" + what + " " + std::to_string(value) + "\n";
    };
    return define("WIDTH", cell.width) + define("HEIGHT", cell.height) +
           define("ORIGIN_X", cell.originX) + define("BASELINE", cell.baselineRow);
}

WrittenGlyph WrittenInCell(const glyph::StrikeGlyph& glyph, const Cell& cell,
                           std::span<const std::uint8_t> bytes, glyph::Packing packing,
                           bool decode) {
    WrittenGlyph written = ReadBack(cell.Frame(), bytes, packing, decode);
    written.cell = written.frame;
    written.clip = glyph::CheckClipping(glyph, written.frame, false);
    return written;
}

} // namespace formats
