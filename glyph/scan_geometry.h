// The rectangle a conversion scans, sized from the font size alone.
#pragma once

#include <stdexcept>

namespace glyph {

// A font size whose scan rectangle cannot be represented.
class ScanSizeError : public std::out_of_range {
public:
    using std::out_of_range::out_of_range;
};

// Scan rows and columns per point of font size: ScanHeight = floor(size * kScanHeightFactor),
// ScanWidth from floor(size * ScanWidthFactor(italic)).
inline constexpr double kScanHeightFactor = 1.8;
constexpr double ScanWidthFactor(bool italic) {
    return italic ? 1.8 : 1.5; // an italic leans out to the right
}

// The widest scan rectangle: widths are kept as signed 16-bit numbers.
inline constexpr int kMaxScanWidth = 32767;

struct ScanBounds {
    // Last row scanned: rows 0..ScanHeight inclusive.
    int ScanHeight = 0;
    // First column scanned: columns ScanWidth down to 0 inclusive; a multiple of 8.
    int ScanWidth = 0;

    // Sizes the rectangle for a font of `size` points:
    //   ScanHeight = floor(size * 1.8)                     (kScanHeightFactor)
    //   ScanWidth  = floor(size * 1.5), or floor(size * 1.8) when italic (ScanWidthFactor),
    //                rounded up to the next multiple of 8.
    // A size that is negative, not a number, or whose width would exceed kMaxScanWidth throws
    // ScanSizeError and leaves both bounds as they were.
    void UpdateScanSize(float size, bool italic);

    // Bytes each row of a table holds: columns 1..ScanWidth, eight a byte (column 0 is in none).
    int RowBytes() const { return ScanWidth / 8; }

    friend bool operator==(const ScanBounds&, const ScanBounds&) = default;
};

} // namespace glyph
