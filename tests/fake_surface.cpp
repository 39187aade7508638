#include "tests/fake_surface.h"

#include <algorithm>

namespace glyph {

FakeSurface::FakeSurface(int width, int height)
    : width_(width), height_(height),
      pixels_(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), kPaper) {}

void FakeSurface::SetGlyph(char32_t c, Picture picture, Palette palette) {
    glyphs_[c] = Glyph{std::move(picture), std::move(palette)};
}

void FakeSurface::SetPixel(int x, int y, Colour colour) {
    if (x >= 0 && y >= 0 && x < width_ && y < height_) {
        pixels_[static_cast<std::size_t>(y) * width_ + x] = colour;
    }
}

void FakeSurface::Cls() {
    ++clsCount_;
    std::fill(pixels_.begin(), pixels_.end(), kPaper);
    printX_ = 0;
    printY_ = 0;
}

void FakeSurface::Print(std::u32string_view text) {
    printed_.emplace_back(text);
    for (char32_t c : text) {
        const auto found = glyphs_.find(c);
        if (found == glyphs_.end()) {
            ++printX_;
            continue;
        }
        const Glyph& glyph = found->second;
        int advance = 1;
        for (std::size_t row = 0; row < glyph.picture.size(); ++row) {
            const std::string& line = glyph.picture[row];
            advance = std::max(advance, static_cast<int>(line.size()));
            for (std::size_t col = 0; col < line.size(); ++col) {
                Colour colour = kPaper;
                if (line[col] == '#') {
                    colour = kInk;
                } else if (auto mapped = glyph.palette.find(line[col]);
                           mapped != glyph.palette.end()) {
                    colour = mapped->second;
                } else {
                    continue; // paper: leave what is there
                }
                SetPixel(printX_ + static_cast<int>(col), printY_ + static_cast<int>(row), colour);
            }
        }
        printX_ += advance;
    }
    printX_ = 0;
    printY_ += lineHeight_;
}

Colour FakeSurface::Point(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) {
        return kOutside;
    }
    return pixels_[static_cast<std::size_t>(y) * width_ + x];
}

void FakeSurface::EnsureExtent(int width, int height) {
    if (width <= width_ && height <= height_) {
        return;
    }
    width_ = std::max(width, width_);
    height_ = std::max(height, height_);
    pixels_.assign(static_cast<std::size_t>(width_) * height_, kPaper);
}

} // namespace glyph
