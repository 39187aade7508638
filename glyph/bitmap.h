// A 1-bit picture: the ink of one glyph, as FreeType's monochrome rasteriser lays it out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace glyph {

// Rows top to bottom, each padded to whole bytes, the leftmost pixel of a row in bit 7 of its
// first byte:
//
//   pixels  # . # # . . . #   # . . . . . . .      (width 9)
//   bytes   0xB1              0x80
//
// Pixels outside the picture read as paper.
class Bitmap {
public:
    Bitmap() = default;
    // All paper. Negative sizes count as 0.
    Bitmap(int width, int height);

    int width() const { return width_; }
    int height() const { return height_; }
    int stride() const { return stride_; }
    bool empty() const { return width_ == 0 || height_ == 0; }

    bool At(int x, int y) const {
        if (x < 0 || y < 0 || x >= width_ || y >= height_) {
            return false;
        }
        return (Row(y)[x >> 3] & (0x80U >> (x & 7))) != 0;
    }
    void Set(int x, int y, bool ink = true);

    // Pixels x .. x+7 of row y, pixel x in bit 7; paper where they lie outside the picture.
    std::uint8_t Byte(int x, int y) const;

    const std::uint8_t* Row(int y) const {
        return bits_.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(stride_);
    }
    std::uint8_t* Row(int y) {
        return bits_.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(stride_);
    }

    // Number of ink pixels.
    long InkCount() const;

    friend bool operator==(const Bitmap&, const Bitmap&) = default;

private:
    int width_ = 0;
    int height_ = 0;
    int stride_ = 0;
    std::vector<std::uint8_t> bits_;
};

} // namespace glyph
