#include "glyph/scan_geometry.h"

#include <cmath>
#include <string>

namespace glyph {

void ScanBounds::UpdateScanSize(float size, bool italic) {
    // The factors are doubles applied to the single-precision size, so 8.25 pt and 9.75 pt
    // (exact in binary) and sizes such as 10.1 (not exact) floor as the float value dictates.
    const double points = static_cast<double>(size);
    if (!(points >= 0.0)) {
        throw ScanSizeError("font size " + std::to_string(size) + " is not a size");
    }
    const double height = std::floor(points * kScanHeightFactor);
    double width = std::floor(points * ScanWidthFactor(italic));
    if (std::fmod(width, 8.0) > 0.0) {
        width = (std::floor(width / 8.0) + 1.0) * 8.0;
    }
    if (width > kMaxScanWidth) {
        throw ScanSizeError("font size " + std::to_string(size) +
                            " pt is too large: the scan would be " +
                            std::to_string(static_cast<long long>(width)) +
                            " pixels wide, more than " + std::to_string(kMaxScanWidth));
    }
    ScanHeight = static_cast<int>(height);
    ScanWidth = static_cast<int>(width);
}

} // namespace glyph
