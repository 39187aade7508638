// Classifying a glyph's ink against the scan rectangle, on hand-made glyphs.
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
using glyph::ScanBounds;
using glyph::Spill;
using glyph::StrikeGlyph;

// A glyph whose box starts at (left, top) of a surface whose baseline is row 0; '#' is ink.
StrikeGlyph Glyph(int left, int top, const std::vector<std::string>& rows) {
    StrikeGlyph glyph;
    glyph.left = left;
    glyph.top = -top;
    glyph.ink = glyph::Bitmap(rows.empty() ? 0 : static_cast<int>(rows.front().size()),
                              static_cast<int>(rows.size()));
    for (int y = 0; y < glyph.ink.height(); ++y) {
        for (int x = 0; x < glyph.ink.width(); ++x) {
            glyph.ink.Set(x, y, rows[y][x] == '#');
        }
    }
    return glyph;
}

ClipReport Check(const StrikeGlyph& glyph, ScanBounds bounds) {
    return glyph::CheckClipping(glyph, glyph::ScanFrame(bounds, 0), true);
}

ClipReport Report(Spill left, Spill right, Spill top, Spill bottom, long columnZero) {
    return ClipReport{left, right, top, bottom, columnZero};
}

TEST(ClipCheck, ClassifiesInkAgainstTheRectangle) {
    struct Row {
        const char* what;
        StrikeGlyph glyph;
        ClipReport expected;
    };
    const ScanBounds bounds{4, 8}; // rows 0..4, columns 0..8
    const Row rows[] = {
        {"inside, off column 0", Glyph(1, 0, {"###", "# #"}), {}},
        {"on the last column and the last row", Glyph(8, 4, {"#"}), {}},
        {"one column past the right edge", Glyph(9, 2, {"#"}), Report({}, {1, 1}, {}, {}, 0)},
        {"straddling the right edge", Glyph(7, 0, {"#####"}), Report({}, {3, 3}, {}, {}, 0)},
        {"below the last row", Glyph(2, 5, {"#", "#"}), Report({}, {}, {}, {2, 2}, 0)},
        {"above row 0", Glyph(2, -2, {"#", "#"}), Report({}, {}, {2, 2}, {}, 0)},
        {"left of column 0 and in it", Glyph(-2, 1, {"###"}), Report({2, 2}, {}, {}, {}, 1)},
        {"column 0 only", Glyph(0, 0, {"#", "#", "#"}), Report({}, {}, {}, {}, 3)},
        {"column 0 above the rectangle is above it", Glyph(0, -1, {"#"}),
         Report({}, {}, {1, 1}, {}, 0)},
        {"column 0 below the rectangle is below it", Glyph(0, 5, {"#"}),
         Report({}, {}, {}, {1, 1}, 0)},
        {"a corner counts for both sides", Glyph(-1, -1, {"#"}), Report({1, 1}, {}, {1, 1}, {}, 0)},
        {"far corner", Glyph(10, 7, {"#"}), Report({}, {1, 2}, {}, {1, 3}, 0)},
        {"paper in the box is no ink", Glyph(-3, 0, {"  #", "   "}), Report({1, 1}, {}, {}, {}, 0)},
        {"reach is the farthest pixel", Glyph(-5, 2, {"#   #"}), Report({2, 5}, {}, {}, {}, 0)},
        {"a blank glyph", Glyph(-4, -4, {}), {}},
        {"ink on both sides of byte boundaries", Glyph(-10, 1, {"#      ## #       ###"}),
         Report({3, 10}, {2, 2}, {}, {}, 1)},
        {"a wide row above, partly left", Glyph(-9, -1, {"#################"}),
         Report({9, 9}, {}, {17, 1}, {}, 0)},
    };
    for (const Row& row : rows) {
        const ClipReport report = Check(row.glyph, bounds);
        EXPECT_EQ(report, row.expected) << row.what;
        EXPECT_EQ(report.Clean(), row.expected == ClipReport{}) << row.what;
    }
}

TEST(ClipCheck, ZeroWidthRectangleHasOnlyColumnZero) {
    const ScanBounds bounds{0, 0};
    EXPECT_EQ(Check(Glyph(0, 0, {"##"}), bounds), Report({}, {1, 1}, {}, {}, 1));
}

} // namespace
