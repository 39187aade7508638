#include "glyph/clip_check.h"

#include "glyph/ink.h"

#include <algorithm>
#include <climits>

namespace glyph {

namespace {

void Count(Spill& spill, int distance) {
    ++spill.pixels;
    spill.reach = std::max(spill.reach, distance);
}

// One image alone: its pixels are the canvas. Inside the rectangle's rows only the columns at
// or left of column 0 and right of ScanWidth can matter, so only those are looked at.
ClipReport Classify(const GlyphImage& image, ScanBounds bounds) {
    ClipReport report;
    for (int row = 0; row < image.height; ++row) {
        const int y = image.top + row;
        const unsigned char* grey = image.grey.data() + static_cast<std::size_t>(row) * image.width;
        const auto visit = [&](int from, int to) {
            for (int col = from; col < to; ++col) {
                if (!IsInk(static_cast<Colour>(grey[col]) * 0x010101)) {
                    continue;
                }
                const int x = image.left + col;
                if (x < 0) {
                    Count(report.left, -x);
                } else if (x > bounds.ScanWidth) {
                    Count(report.right, x - bounds.ScanWidth);
                }
                if (y < 0) {
                    Count(report.top, -y);
                } else if (y > bounds.ScanHeight) {
                    Count(report.bottom, y - bounds.ScanHeight);
                } else if (x == 0) {
                    ++report.columnZero;
                }
            }
        };
        if (y < 0 || y > bounds.ScanHeight) {
            visit(0, image.width);
            continue;
        }
        visit(0, std::clamp(1 - image.left, 0, image.width));
        visit(std::clamp(bounds.ScanWidth + 1 - image.left, 0, image.width), image.width);
    }
    return report;
}

} // namespace

ClipReport CheckClipping(std::span<const GlyphImage> drawn, ScanBounds bounds) {
    if (drawn.size() == 1) {
        return Classify(drawn.front(), bounds);
    }
    // Overlapping glyphs must not count a pixel twice: merge them first.
    GlyphImage canvas;
    int right = INT_MIN;
    int bottom = INT_MIN;
    canvas.left = INT_MAX;
    canvas.top = INT_MAX;
    for (const GlyphImage& image : drawn) {
        if (image.width <= 0 || image.height <= 0) {
            continue;
        }
        canvas.left = std::min(canvas.left, image.left);
        canvas.top = std::min(canvas.top, image.top);
        right = std::max(right, image.left + image.width);
        bottom = std::max(bottom, image.top + image.height);
    }
    if (right == INT_MIN) {
        return {};
    }
    canvas.width = right - canvas.left;
    canvas.height = bottom - canvas.top;
    canvas.grey.assign(static_cast<std::size_t>(canvas.width) * canvas.height, 255);
    for (const GlyphImage& image : drawn) {
        for (int row = 0; row < image.height; ++row) {
            const unsigned char* source =
                image.grey.data() + static_cast<std::size_t>(row) * image.width;
            unsigned char* target =
                canvas.grey.data() +
                static_cast<std::size_t>(image.top - canvas.top + row) * canvas.width +
                (image.left - canvas.left);
            for (int col = 0; col < image.width; ++col) {
                target[col] = std::min(target[col], source[col]);
            }
        }
    }
    return Classify(canvas, bounds);
}

} // namespace glyph
