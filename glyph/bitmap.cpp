#include "glyph/bitmap.h"

#include <algorithm>
#include <bit>

namespace glyph {

Bitmap::Bitmap(int width, int height)
    : width_(std::max(width, 0)), height_(std::max(height, 0)), stride_((width_ + 7) / 8),
      bits_(static_cast<std::size_t>(stride_) * static_cast<std::size_t>(height_), 0) {
    if (width_ == 0 || height_ == 0) {
        width_ = height_ = stride_ = 0;
        bits_.clear();
    }
}

void Bitmap::Set(int x, int y, bool ink) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) {
        return;
    }
    std::uint8_t& byte = Row(y)[x >> 3];
    const auto bit = static_cast<std::uint8_t>(0x80U >> (x & 7));
    byte = ink ? static_cast<std::uint8_t>(byte | bit) : static_cast<std::uint8_t>(byte & ~bit);
}

std::uint8_t Bitmap::Byte(int x, int y) const {
    if (y < 0 || y >= height_ || x >= width_ || x <= -8) {
        return 0;
    }
    const std::uint8_t* row = Row(y);
    // The 16 bits around x, then the 8 that start at x. Bits past the row's end are padding,
    // which is always paper.
    const int first = x >> 3; // floor division, also for negative x
    const int shift = x & 7;
    const unsigned high = first >= 0 ? row[first] : 0U;
    const unsigned low = first + 1 < stride_ && first + 1 >= 0 ? row[first + 1] : 0U;
    return static_cast<std::uint8_t>((((high << 8) | low) << shift) >> 8);
}

long Bitmap::InkCount() const {
    long count = 0;
    for (std::uint8_t byte : bits_) {
        count += std::popcount(byte);
    }
    return count;
}

} // namespace glyph
