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

WrittenGlyph ReadBack(const glyph::PixelBox& frame, glyph::Bitmap bits) {
    WrittenGlyph written;
    written.frame = frame;
    written.bits = std::move(bits);
    return written;
}

} // namespace formats
