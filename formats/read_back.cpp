#include "formats/read_back.h"

#include <utility>

namespace formats {

WrittenGlyph ReadBack(const glyph::PixelBox& frame, std::span<const std::uint8_t> bytes,
                      glyph::Packing packing, bool decode, bool firstColumnLost) {
    WrittenGlyph written;
    written.frame = frame;
    written.firstColumnLost = firstColumnLost;
    if (!decode) {
        return written;
    }
    const int lost = firstColumnLost ? 1 : 0;
    glyph::Bitmap held = glyph::Unpack(bytes, frame.width - lost, frame.height, packing);
    written.bits = lost == 0 ? std::move(held) : held.Cut({-lost, 0, frame.width, frame.height});
    return written;
}

WrittenGlyph ReadBackLevels(const glyph::PixelBox& frame, std::span<const std::uint8_t> bytes,
                            int bits, bool decode) {
    WrittenGlyph written;
    written.frame = frame;
    if (!decode) {
        return written;
    }
    written.bits = glyph::UnpackLevels(bytes, frame.width, frame.height, bits);
    const unsigned top = (1U << bits) - 1;
    for (int y = 0; y < written.bits.height(); ++y) {
        std::uint8_t* row = written.bits.Row(y);
        for (int x = 0; x < written.bits.width(); ++x) {
            row[x] = static_cast<std::uint8_t>((row[x] * 510U + top) / (2 * top));
        }
    }
    return written;
}

WrittenGlyph ReadBack(const glyph::PixelBox& frame, glyph::Bitmap bits) {
    WrittenGlyph written;
    written.frame = frame;
    written.bits = std::move(bits);
    return written;
}

} // namespace formats
