// A picture of one glyph: its ink, as FreeType's rasteriser lays it out.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace glyph {

// Bits per pixel. One: ink or paper, as FreeType's monochrome rasteriser draws. Eight: how much
// of the pixel the glyph covers, 0 (paper) to 255 (all ink).
enum class Depth : std::uint8_t { One = 1, Eight = 8 };

// The ink of one row of a picture over a run of columns: how many pixels, the first and the
// last of them (both 0 when there is none).
struct InkSpan {
    long count = 0;
    int first = 0;
    int last = 0;

    friend bool operator==(const InkSpan&, const InkSpan&) = default;
};

// A rectangle of a picture's pixels: columns x .. x+width-1, rows y .. y+height-1.
struct BitmapArea {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    bool empty() const { return width <= 0 || height <= 0; }
    friend bool operator==(const BitmapArea&, const BitmapArea&) = default;
};

// Rows top to bottom, each padded to whole bytes. At Depth::One the leftmost pixel of a row is
// in bit 7 of its first byte, and the padding bits of a row's last byte are always paper:
//
//   pixels  # . # # . . . #   # . . . . . . .      (width 9)
//   bytes   0xB1              0x80
//
// At Depth::Eight each pixel is a byte. Pixels outside the picture read as paper.
class Bitmap {
public:
    Bitmap() = default;
    // All paper. Negative sizes count as 0.
    Bitmap(int width, int height, Depth depth = Depth::One);

    int width() const { return width_; }
    int height() const { return height_; }
    int stride() const { return stride_; }
    glyph::Depth depth() const { return depth_; }
    bool empty() const { return width_ == 0 || height_ == 0; }

    // Bytes a row of `width` pixels takes.
    static int Stride(int width, glyph::Depth depth = Depth::One) {
        return width <= 0 ? 0 : (width * static_cast<int>(depth) + 7) / 8;
    }
    // The bits of a byte of a Depth::One row that hold its first `count` pixels (0 to 8).
    static constexpr std::uint8_t LeadingMask(int count) {
        return static_cast<std::uint8_t>(0xFF00U >> count);
    }
    // The bits of the last byte of a Depth::One row of `width` pixels that hold pixels.
    static constexpr std::uint8_t LastByteMask(int width) {
        return LeadingMask(((width - 1) & 7) + 1);
    }
    // Pixel x of a Depth::One row laid out as above (FreeType's mono bitmaps are).
    static bool PixelIn(const std::uint8_t* row, int x) {
        return (row[x >> 3] & (0x80U >> (x & 7))) != 0;
    }

    bool At(int x, int y) const {
        if (x < 0 || y < 0 || x >= width_ || y >= height_) {
            return false;
        }
        if (depth_ == Depth::One) {
            return PixelIn(Row(y), x);
        }
        return Row(y)[x] != 0;
    }
    // 0 or 1 at Depth::One, 0 to 255 at Depth::Eight.
    unsigned Value(int x, int y) const;
    // Ink sets the depth's largest value, paper 0.
    void Set(int x, int y, bool ink = true);
    // Cut to the depth's largest value.
    void SetValue(int x, int y, unsigned value);

    // Pixels x .. x+7 of row y as ink flags, pixel x in bit 7; paper where they lie outside the
    // picture.
    std::uint8_t Byte(int x, int y) const;
    // Pixels x .. x+count-1 of row y as ink flags into out[0 .. count-1]; out must have room
    // for count rounded up to a multiple of 8.
    void Flags(int x, int y, int count, bool* out) const;

    const std::uint8_t* Row(int y) const {
        return bits_.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(stride_);
    }
    std::uint8_t* Row(int y) {
        return bits_.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(stride_);
    }
    // Copies row y from `source`, laid out as Row's bytes; padding in it reads as paper.
    void SetRow(int y, const std::uint8_t* source);

    // Number of ink pixels.
    long InkCount() const;
    // The ink of row y over columns [from, to); columns outside the picture hold none.
    InkSpan InkIn(int y, int from, int to) const {
        from = std::max(from, 0);
        to = std::min(to, width_);
        if (y < 0 || y >= height_ || from >= to) {
            return {};
        }
        return InkInside(y, from, to);
    }
    // The smallest area holding every ink pixel; empty when there is none.
    BitmapArea InkArea() const;
    // The pixels of `area`, which may reach past the picture (read as paper) or cut it.
    Bitmap Cut(const BitmapArea& area) const;

    friend bool operator==(const Bitmap&, const Bitmap&) = default;

private:
    // InkIn for columns inside the picture, from < to.
    InkSpan InkInside(int y, int from, int to) const;
    bool RowHasInk(int y) const;

    int width_ = 0;
    int height_ = 0;
    int stride_ = 0;
    glyph::Depth depth_ = Depth::One;
    std::vector<std::uint8_t> bits_;
};

} // namespace glyph
