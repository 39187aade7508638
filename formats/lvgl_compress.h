// LVGL's compressed glyph bitmaps (lv_font_fmt_txt_dsc_t::bitmap_format 1 and 2), one glyph at a
// time. The pixels of a glyph's box, rows top to bottom, go through a run-length code; with the
// prefilter, each row but the first is first XORed with the row above it.
//
// The code is a bit stream, most significant bit first, that LVGL reads with this state machine
// (N = bits per pixel):
//
//   single:  read N bits: the pixel. If it equals the pixel just read that way (not the first
//            pixel of the glyph), go to repeat.
//   repeat:  read 1 bit. 1: the previous pixel again; at the 11th such 1 in a row, read a 6-bit
//            count C as well: C > 0 gives C - 1 more copies, then the next pixel is read fresh
//            (N bits, as after a 0); C = 0 reads the next pixel fresh at once, in place of this
//            copy. 0: read the pixel fresh (N bits) and go to single.
//
//   pixels   5 5 5 5 7          (N = 4)
//   bits     0101 0101 1 1 0 0111
//            ^5   ^5 repeat: 5 5, then 0 and a fresh 7
//
// A pixel read fresh is never compared with the one before it, so a run can be cut anywhere a 0
// or a count ends it; the encoder picks the cuts that take the fewest bits.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace formats {

// Whether LVGL `version` (8 or 9) decompresses glyphs of `bpp` bits per pixel: LVGL 8 takes 1,
// 2, 3, 4 and 8; LVGL 9 only 2, 3 and 4.
bool LvglDecompresses(int version, int bpp);
// "2, 3 and 4": the depths LvglDecompresses allows for `version`.
std::string LvglCompressedDepths(int version);

// The levels of `count` pixels of `bpp` bits each, packed most significant bit first without
// padding between rows (how the uncompressed lvgl format holds a glyph).
std::vector<std::uint8_t> UnpackLevels(std::span<const std::uint8_t> packed, std::size_t count,
                                       int bpp);

// The inverse: levels packed most significant bit first, the last byte padded with 0 bits.
std::vector<std::uint8_t> PackLevels(std::span<const std::uint8_t> levels, int bpp);

// One glyph's levels (width x height, rows top to bottom, each below 2^bpp) in LVGL's compressed
// code, with or without the prefilter. Empty for an empty box.
std::vector<std::uint8_t> CompressLevels(std::span<const std::uint8_t> levels, int width,
                                         int height, int bpp, bool prefilter);
// The same into `code`, with `pixels` as room to work in: both are reused from glyph to glyph.
void CompressLevels(std::span<const std::uint8_t> levels, int width, int height, int bpp,
                    bool prefilter, std::vector<std::uint8_t>& pixels,
                    std::vector<std::uint8_t>& code);
// The bytes CompressLevels writes, counted without writing them.
std::size_t CompressedSize(std::span<const std::uint8_t> levels, int width, int height, int bpp,
                           bool prefilter, std::vector<std::uint8_t>& pixels);

// The levels LVGL's decoder reads from `code` for a width x height box.
std::vector<std::uint8_t> DecompressLevels(std::span<const std::uint8_t> code, int width,
                                           int height, int bpp, bool prefilter);

} // namespace formats
