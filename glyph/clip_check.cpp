#include "glyph/clip_check.h"

#include <algorithm>

namespace glyph {

namespace {

void Count(Spill& spill, int distance) {
    ++spill.pixels;
    spill.reach = std::max(spill.reach, distance);
}

} // namespace

ClipReport CheckClipping(const StrikeGlyph& glyph, const PixelBox& frame, bool firstColumnLost) {
    ClipReport report;
    const PixelBox box = glyph.Box();
    for (int y = box.y; y < box.bottom(); ++y) {
        const bool rowInside = y >= frame.y && y < frame.bottom();
        const auto visit = [&](int from, int to) {
            for (int x = from; x < to; ++x) {
                if (!glyph.InkAt(x, y)) {
                    continue;
                }
                if (x < frame.x) {
                    Count(report.left, frame.x - x);
                } else if (x >= frame.right()) {
                    Count(report.right, x - frame.right() + 1);
                }
                if (y < frame.y) {
                    Count(report.top, frame.y - y);
                } else if (y >= frame.bottom()) {
                    Count(report.bottom, y - frame.bottom() + 1);
                } else if (x == frame.x && firstColumnLost) {
                    ++report.columnZero;
                }
            }
        };
        if (!rowInside) {
            visit(box.x, box.right());
            continue;
        }
        // Inside the frame's rows only the columns at or left of its first column and right
        // of its last can matter.
        visit(box.x, std::min(box.right(), frame.x + 1));
        visit(std::max({box.x, frame.right(), frame.x + 1}), box.right());
    }
    return report;
}

PixelBox ScanFrame(ScanBounds bounds, int ascent) {
    return {0, -ascent, bounds.ScanWidth + 1, bounds.ScanHeight + 1};
}

} // namespace glyph
