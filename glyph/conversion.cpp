#include "glyph/conversion.h"

#include <memory>
#include <stdexcept>

namespace glyph {

Conversion::Conversion(Surface& surface, char32_t KeyAscii, ScanBounds bounds, std::string_view eol)
    : surface_(surface), bounds_(bounds), eol_(eol) {
    if (bounds.ScanWidth < 0 || bounds.ScanWidth % 8 != 0 || bounds.ScanHeight < 0) {
        throw std::invalid_argument("scan bounds must be non-negative, the width a multiple of 8");
    }
    // The drawing area always holds the whole scan rectangle, so every pixel read is one the
    // character could have drawn on.
    surface_.EnsureExtent(bounds.ScanWidth + 1, bounds.ScanHeight + 1);
    surface_.Cls();
    surface_.Print(std::u32string_view(&KeyAscii, 1));
    header_ = HeaderLine(surface_.FontName(), bounds.ScanWidth, eol_);
    ink_ = std::make_unique<bool[]>(static_cast<std::size_t>(bounds.ScanWidth) + 1);
}

bool Conversion::NextRow(std::string& out) {
    if (nextRow_ > bounds_.ScanHeight) {
        return false;
    }
    surface_.ReadInkRow(nextRow_, bounds_.ScanWidth + 1, ink_.get());
    AppendRowLine(out, ink_.get(), bounds_.ScanWidth, eol_);
    ++nextRow_;
    return true;
}

} // namespace glyph
