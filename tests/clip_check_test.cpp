// Classifying a glyph's ink against the scan rectangle, on hand-made glyph images.
#include "glyph/clip_check.h"

#include <gtest/gtest.h>
#include <ostream>
#include <string>
#include <vector>

namespace glyph {

void PrintTo(const ClipReport& r, std::ostream* os) {
    *os << "{left " << r.left.pixels << "/" << r.left.reach << ", right " << r.right.pixels << "/"
        << r.right.reach << ", top " << r.top.pixels << "/" << r.top.reach << ", bottom "
        << r.bottom.pixels << "/" << r.bottom.reach << ", column 0: " << r.columnZero << "}";
}

} // namespace glyph

namespace {

using glyph::ClipReport;
using glyph::GlyphImage;
using glyph::ScanBounds;
using glyph::Spill;

// '#' full ink, 'g' grey 148 (ink), 'h' grey 149 (paper), anything else paper.
GlyphImage Image(int left, int top, const std::vector<std::string>& rows) {
    GlyphImage image;
    image.left = left;
    image.top = top;
    image.height = static_cast<int>(rows.size());
    image.width = rows.empty() ? 0 : static_cast<int>(rows.front().size());
    for (const std::string& row : rows) {
        for (char c : row) {
            image.grey.push_back(c == '#' ? 0 : c == 'g' ? 148 : c == 'h' ? 149 : 255);
        }
    }
    return image;
}

ClipReport Report(Spill left, Spill right, Spill top, Spill bottom, int columnZero) {
    return ClipReport{left, right, top, bottom, columnZero};
}

TEST(ClipCheck, ClassifiesInkAgainstTheRectangle) {
    struct Row {
        const char* what;
        std::vector<GlyphImage> drawn;
        ClipReport expected;
    };
    const ScanBounds bounds{4, 8}; // rows 0..4, columns 0..8
    const Row rows[] = {
        {"inside, off column 0", {Image(1, 0, {"###", "# #"})}, {}},
        {"on the last column and the last row", {Image(8, 4, {"#"})}, {}},
        {"one column past the right edge", {Image(9, 2, {"#"})}, Report({}, {1, 1}, {}, {}, 0)},
        {"straddling the right edge", {Image(7, 0, {"#####"})}, Report({}, {3, 3}, {}, {}, 0)},
        {"below the last row", {Image(2, 5, {"#", "#"})}, Report({}, {}, {}, {2, 2}, 0)},
        {"above row 0", {Image(2, -2, {"#", "#"})}, Report({}, {}, {2, 2}, {}, 0)},
        {"left of column 0 and in it", {Image(-2, 1, {"###"})}, Report({2, 2}, {}, {}, {}, 1)},
        {"column 0 only", {Image(0, 0, {"#", "#", "#"})}, Report({}, {}, {}, {}, 3)},
        {"column 0 above the rectangle is above it",
         {Image(0, -1, {"#"})},
         Report({}, {}, {1, 1}, {}, 0)},
        {"column 0 below the rectangle is below it",
         {Image(0, 5, {"#"})},
         Report({}, {}, {}, {1, 1}, 0)},
        {"a corner counts for both sides",
         {Image(-1, -1, {"#"})},
         Report({1, 1}, {}, {1, 1}, {}, 0)},
        {"far corner", {Image(10, 7, {"#"})}, Report({}, {1, 2}, {}, {1, 3}, 0)},
        {"grey 148 is ink, 149 paper", {Image(9, 0, {"gh"})}, Report({}, {1, 1}, {}, {}, 0)},
        {"paper in the box is no ink",
         {Image(-3, 0, {"  #", "   "})},
         Report({1, 1}, {}, {}, {}, 0)},
        {"reach is the farthest pixel", {Image(-5, 2, {"#   #"})}, Report({2, 5}, {}, {}, {}, 0)},
        {"nothing drawn", {}, {}},
        {"an empty image", {Image(-4, -4, {})}, {}},
        {"overlapping glyphs count a pixel once",
         {Image(9, 0, {"#"}), Image(9, 0, {"#"})},
         Report({}, {1, 1}, {}, {}, 0)},
        {"two greys that are paper alone stay paper together",
         {Image(9, 0, {"h"}), Image(9, 0, {"h"})},
         {}},
        {"spills of two glyphs add up",
         {Image(9, 0, {"#"}), Image(-1, 0, {"##"})},
         Report({1, 1}, {1, 1}, {}, {}, 1)},
    };
    for (const Row& row : rows) {
        const ClipReport report = glyph::CheckClipping(row.drawn, bounds);
        EXPECT_EQ(report, row.expected) << row.what;
        EXPECT_EQ(report.Clean(), row.expected == ClipReport{}) << row.what;
    }
}

TEST(ClipCheck, ZeroWidthRectangleHasOnlyColumnZero) {
    const ScanBounds bounds{0, 0};
    EXPECT_EQ(glyph::CheckClipping(std::vector{Image(0, 0, {"##"})}, bounds),
              Report({}, {1, 1}, {}, {}, 1));
}

} // namespace
