#include "glyph/clip_check.h"

#include <algorithm>

namespace glyph {

namespace {

void Count(Spill& spill, long pixels, int distance) {
    spill.pixels += pixels;
    spill.reach = std::max(spill.reach, distance);
}

} // namespace

ClipReport CheckClipping(const StrikeGlyph& glyph, const PixelBox& frame, bool firstColumnLost) {
    ClipReport report;
    const PixelBox box = glyph.Box();
    // The frame's edges as columns of the glyph's bitmap.
    const int leftEnd = frame.x - box.x;
    const int rightStart = frame.right() - box.x;
    for (int row = 0; row < box.height; ++row) {
        const int y = box.y + row;
        if (const InkSpan left = glyph.ink.InkIn(row, 0, leftEnd); left.count > 0) {
            Count(report.left, left.count, frame.x - (box.x + left.first));
        }
        if (const InkSpan right = glyph.ink.InkIn(row, rightStart, box.width); right.count > 0) {
            Count(report.right, right.count, box.x + right.last - frame.right() + 1);
        }
        if (y < frame.y || y >= frame.bottom()) {
            const InkSpan all = glyph.ink.InkIn(row, 0, box.width);
            if (all.count > 0) {
                if (y < frame.y) {
                    Count(report.top, all.count, frame.y - y);
                } else {
                    Count(report.bottom, all.count, y - frame.bottom() + 1);
                }
            }
        } else if (firstColumnLost && glyph.ink.At(leftEnd, row)) {
            ++report.columnZero;
        }
    }
    return report;
}

PixelBox ScanFrame(ScanBounds bounds, int ascent) {
    return {0, -ascent, bounds.ScanWidth + 1, bounds.ScanHeight + 1};
}

} // namespace glyph
