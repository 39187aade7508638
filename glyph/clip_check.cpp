#include "glyph/clip_check.h"

#include <algorithm>
#include <bit>
#include <cstdint>

namespace glyph {

namespace {

// The ink pixels of one bitmap row in columns [from, to), and the first and last of them.
struct RowInk {
    long count = 0;
    int first = 0;
    int last = 0;
};

// Counts a byte at a time, so that a glyph thousands of pixels across (a damaged or oversized
// font) is checked in a blink rather than pixel by pixel.
RowInk InkIn(const Bitmap& bits, int row, int from, int to) {
    RowInk ink;
    from = std::max(from, 0);
    to = std::min(to, bits.width());
    if (from >= to) {
        return ink;
    }
    const std::uint8_t* bytes = bits.Row(row);
    const int firstByte = from >> 3;
    const int lastByte = (to - 1) >> 3;
    for (int b = firstByte; b <= lastByte; ++b) {
        unsigned byte = bytes[b];
        if (b == firstByte) {
            byte &= 0xFFU >> (from & 7);
        }
        if (b == lastByte) {
            byte &= (0xFF00U >> (((to - 1) & 7) + 1)) & 0xFFU;
        }
        if (byte == 0) {
            continue;
        }
        const auto bits8 = static_cast<std::uint8_t>(byte);
        if (ink.count == 0) {
            ink.first = b * 8 + std::countl_zero(bits8);
        }
        ink.last = b * 8 + 7 - std::countr_zero(bits8);
        ink.count += std::popcount(bits8);
    }
    return ink;
}

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
        if (const RowInk left = InkIn(glyph.ink, row, 0, leftEnd); left.count > 0) {
            Count(report.left, left.count, frame.x - (box.x + left.first));
        }
        if (const RowInk right = InkIn(glyph.ink, row, rightStart, box.width); right.count > 0) {
            Count(report.right, right.count, box.x + right.last - frame.right() + 1);
        }
        if (y < frame.y || y >= frame.bottom()) {
            const RowInk all = InkIn(glyph.ink, row, 0, box.width);
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
