#include "glyph/bitmap.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

namespace glyph {

namespace {

// For each byte of a Depth::One row, the 8 flags of its pixels, the first (bit 7) first.
constexpr auto kFlags = [] {
    std::array<std::array<bool, 8>, 256> flags{};
    for (unsigned byte = 0; byte < 256; ++byte) {
        for (unsigned bit = 0; bit < 8; ++bit) {
            flags[byte][bit] = (byte & (0x80U >> bit)) != 0;
        }
    }
    return flags;
}();

unsigned MaxValue(Depth depth) {
    return (1U << static_cast<unsigned>(depth)) - 1;
}

} // namespace

Bitmap::Bitmap(int width, int height, Depth depth)
    : width_(std::max(width, 0)), height_(std::max(height, 0)), stride_(Stride(width_, depth)),
      depth_(depth),
      bits_(static_cast<std::size_t>(stride_) * static_cast<std::size_t>(height_), 0) {
    if (width_ == 0 || height_ == 0) {
        width_ = height_ = stride_ = 0;
        bits_.clear();
    }
}

unsigned Bitmap::Value(int x, int y) const {
    if (depth_ == Depth::One) {
        return At(x, y) ? 1U : 0U;
    }
    if (x < 0 || y < 0 || x >= width_ || y >= height_) {
        return 0;
    }
    return Row(y)[x];
}

void Bitmap::Set(int x, int y, bool ink) {
    SetValue(x, y, ink ? MaxValue(depth_) : 0U);
}

void Bitmap::SetValue(int x, int y, unsigned value) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) {
        return;
    }
    value = std::min(value, MaxValue(depth_));
    if (depth_ == Depth::Eight) {
        Row(y)[x] = static_cast<std::uint8_t>(value);
        return;
    }
    std::uint8_t& byte = Row(y)[x >> 3];
    const auto bit = static_cast<std::uint8_t>(0x80U >> (x & 7));
    byte =
        value != 0 ? static_cast<std::uint8_t>(byte | bit) : static_cast<std::uint8_t>(byte & ~bit);
}

std::uint8_t Bitmap::Byte(int x, int y) const {
    if (y < 0 || y >= height_ || x >= width_ || x <= -8) {
        return 0;
    }
    if (depth_ != Depth::One) {
        unsigned byte = 0;
        for (int i = 0; i < 8; ++i) {
            byte = byte << 1 | (At(x + i, y) ? 1U : 0U);
        }
        return static_cast<std::uint8_t>(byte);
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

void Bitmap::Flags(int x, int y, int count, bool* out) const {
    if (y < 0 || y >= height_) {
        std::fill_n(out, count, false);
        return;
    }
    for (int i = 0; i < count; i += 8) {
        std::memcpy(out + i, kFlags[Byte(x + i, y)].data(), 8);
    }
}

void Bitmap::SetRow(int y, const std::uint8_t* source) {
    std::uint8_t* row = Row(y);
    std::memcpy(row, source, static_cast<std::size_t>(stride_));
    if (depth_ == Depth::One && (width_ & 7) != 0) {
        row[stride_ - 1] &= LastByteMask(width_);
    }
}

long Bitmap::InkCount() const {
    long count = 0;
    for (std::uint8_t byte : bits_) {
        count += depth_ == Depth::One ? std::popcount(byte) : (byte != 0 ? 1 : 0);
    }
    return count;
}

// Counts a byte at a time at Depth::One, so that a glyph thousands of pixels across (a damaged
// or oversized font) is read in a blink rather than pixel by pixel.
InkSpan Bitmap::InkInside(int y, int from, int to) const {
    InkSpan ink;
    const std::uint8_t* bytes = Row(y);
    if (depth_ != Depth::One) {
        for (int x = from; x < to; ++x) {
            if (bytes[x] != 0) {
                ink.first = ink.count++ == 0 ? x : ink.first;
                ink.last = x;
            }
        }
        return ink;
    }
    const int firstByte = from >> 3;
    const int lastByte = (to - 1) >> 3;
    for (int b = firstByte; b <= lastByte; ++b) {
        unsigned byte = bytes[b];
        if (b == firstByte) {
            byte &= 0xFFU >> (from & 7);
        }
        if (b == lastByte) {
            byte &= LastByteMask(to);
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

bool Bitmap::RowHasInk(int y) const {
    const std::uint8_t* row = Row(y);
    return std::any_of(row, row + stride_, [](std::uint8_t byte) { return byte != 0; });
}

BitmapArea Bitmap::InkArea() const {
    int top = 0;
    int bottom = height_;
    while (top < bottom && !RowHasInk(top)) {
        ++top;
    }
    while (bottom > top && !RowHasInk(bottom - 1)) {
        --bottom;
    }
    if (top == bottom) {
        return {};
    }
    // The rows' bytes or-ed together show every column that holds ink.
    std::vector<std::uint8_t> columns(static_cast<std::size_t>(stride_), 0);
    for (int y = top; y < bottom; ++y) {
        const std::uint8_t* row = Row(y);
        for (int i = 0; i < stride_; ++i) {
            columns[static_cast<std::size_t>(i)] |= row[i];
        }
    }
    const auto used = [](std::uint8_t byte) {
        return byte != 0;
    };
    int first = 0;
    int last = 0;
    if (depth_ == Depth::One) {
        const auto firstByte = std::find_if(columns.begin(), columns.end(), used);
        const auto lastByte = std::find_if(columns.rbegin(), columns.rend(), used);
        first = static_cast<int>(firstByte - columns.begin()) * 8 + std::countl_zero(*firstByte);
        last =
            static_cast<int>(columns.rend() - lastByte - 1) * 8 + 7 - std::countr_zero(*lastByte);
    } else {
        first =
            static_cast<int>(std::find_if(columns.begin(), columns.end(), used) - columns.begin());
        last = static_cast<int>(columns.rend() -
                                std::find_if(columns.rbegin(), columns.rend(), used) - 1);
    }
    return {first, top, last - first + 1, bottom - top};
}

Bitmap Bitmap::Cut(const BitmapArea& area) const {
    Bitmap cut(area.width, area.height, depth_);
    for (int y = 0; y < cut.height(); ++y) {
        std::uint8_t* row = cut.Row(y);
        if (depth_ != Depth::One) {
            for (int x = 0; x < cut.width(); ++x) {
                row[x] = static_cast<std::uint8_t>(Value(area.x + x, area.y + y));
            }
            continue;
        }
        for (int i = 0; i < cut.stride(); ++i) {
            row[i] = Byte(area.x + 8 * i, area.y + y);
        }
        row[cut.stride() - 1] &= LastByteMask(cut.width());
    }
    return cut;
}

} // namespace glyph
