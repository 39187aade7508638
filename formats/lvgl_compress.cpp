#include "formats/lvgl_compress.h"

#include <algorithm>
#include <array>

namespace formats {

namespace {

// The run-length code's constants: the 1 bits that repeat a pixel before a count follows, and
// the count's width.
constexpr int kRepeatBits = 11;
constexpr int kCountBits = 6;
constexpr int kMaxCount = (1 << kCountBits) - 1;
// A run written with a count: two pixels, 11 ones and the count C hold 12 + C copies.
constexpr int kLongestSegment = 12 + kMaxCount;
// Runs up to this long are cut by the table below; longer ones lose segments of the longest
// kind from their front first.
constexpr int kTableRuns = 4 * kLongestSegment;
// More bits than any run in the table takes: no writing.
constexpr int kNoWriting = 1 << 28;

// How a run of n equal pixels is best written, for one pixel depth. A run starts where the pixel
// before it differs or is read fresh; it is cut into segments that each end with the next pixel
// read fresh: "p p 1^k 0" (k + 2 copies, k <= 10) or "p p 1^11 C" (12 + C copies). Its last
// piece may instead be a lone "p", after which a different pixel follows.
struct RunTable {
    // fresh[n]: the fewest bits for n copies that leave the next pixel read fresh; cut[n]: the
    // copies the last segment of that writing holds.
    std::array<int, kTableRuns + 1> fresh{};
    std::array<int, kTableRuns + 1> cut{};
};

int SegmentBits(int bpp, int copies) {
    return copies <= 12 ? 2 * bpp + copies - 1 : 2 * bpp + kRepeatBits + kCountBits;
}

RunTable MakeRunTable(int bpp) {
    RunTable table;
    for (int n = 1; n <= kTableRuns; ++n) {
        table.fresh[n] = kNoWriting;
        for (int copies = 2; copies <= std::min(n, kLongestSegment); ++copies) {
            const int bits = table.fresh[n - copies] + SegmentBits(bpp, copies);
            if (bits < table.fresh[n]) {
                table.fresh[n] = bits;
                table.cut[n] = copies;
            }
        }
    }
    return table;
}

// Each depth's table, made the first time a font of that depth is compressed.
template <int Bpp> const RunTable& TableOf() {
    static const RunTable table = MakeRunTable(Bpp);
    return table;
}

const RunTable& RunTableFor(int bpp) {
    switch (bpp) {
    case 1:
        return TableOf<1>();
    case 2:
        return TableOf<2>();
    case 3:
        return TableOf<3>();
    case 4:
        return TableOf<4>();
    case 5:
        return TableOf<5>();
    case 6:
        return TableOf<6>();
    case 7:
        return TableOf<7>();
    default:
        return TableOf<8>();
    }
}

class BitWriter {
public:
    void Write(unsigned value, int bits) {
        for (int i = bits - 1; i >= 0; --i) {
            if (used_ % 8 == 0) {
                bytes_.push_back(0);
            }
            if ((value >> i) & 1U) {
                bytes_.back() |= static_cast<std::uint8_t>(0x80U >> (used_ % 8));
            }
            ++used_;
        }
    }
    // Takes back the last bit written.
    void Unwrite() {
        --used_;
        bytes_.back() &= static_cast<std::uint8_t>(~(0x80U >> (used_ % 8)));
        if (used_ % 8 == 0) {
            bytes_.pop_back();
        }
    }
    std::vector<std::uint8_t> Take() { return std::move(bytes_); }

private:
    std::vector<std::uint8_t> bytes_;
    std::size_t used_ = 0;
};

// Writes one segment of `copies` copies of `pixel` that leaves the next pixel read fresh.
void WriteSegment(BitWriter& out, unsigned pixel, int copies, int bpp) {
    out.Write(pixel, bpp);
    out.Write(pixel, bpp);
    if (copies <= 12) {
        for (int i = 2; i < copies; ++i) {
            out.Write(1, 1);
        }
        out.Write(0, 1);
        return;
    }
    for (int i = 0; i < kRepeatBits; ++i) {
        out.Write(1, 1);
    }
    out.Write(static_cast<unsigned>(copies - 12), kCountBits);
}

// Writes a run of `length` copies of `pixel`; returns whether it ended on a segment's closing 0.
bool WriteRun(BitWriter& out, unsigned pixel, std::size_t length, int bpp) {
    const RunTable& table = RunTableFor(bpp);
    while (length > static_cast<std::size_t>(kTableRuns)) {
        WriteSegment(out, pixel, kLongestSegment, bpp);
        length -= kLongestSegment;
    }
    auto n = static_cast<int>(length);
    // A lone pixel last, or segments only: whichever takes fewer bits.
    const bool lone = n == 1 || table.fresh[n - 1] + bpp < table.fresh[n];
    int rest = lone ? n - 1 : n;
    bool closingZero = false;
    while (rest > 0) {
        const int copies = table.cut[rest];
        WriteSegment(out, pixel, copies, bpp);
        closingZero = copies <= 12;
        rest -= copies;
    }
    if (lone) {
        out.Write(pixel, bpp);
        closingZero = false;
    }
    return closingZero;
}

} // namespace

bool LvglDecompresses(int version, int bpp) {
    if (version == 8) {
        return bpp == 1 || bpp == 2 || bpp == 3 || bpp == 4 || bpp == 8;
    }
    return bpp == 2 || bpp == 3 || bpp == 4;
}

std::string LvglCompressedDepths(int version) {
    return version == 8 ? "1, 2, 3, 4 and 8" : "2, 3 and 4";
}

std::vector<std::uint8_t> UnpackLevels(std::span<const std::uint8_t> packed, std::size_t count,
                                       int bpp) {
    std::vector<std::uint8_t> levels(count, 0);
    for (std::size_t i = 0; i < count; ++i) {
        unsigned value = 0;
        for (int b = 0; b < bpp; ++b) {
            const std::size_t bit = i * static_cast<std::size_t>(bpp) + static_cast<std::size_t>(b);
            value = (value << 1) | ((packed[bit / 8] >> (7 - bit % 8)) & 1U);
        }
        levels[i] = static_cast<std::uint8_t>(value);
    }
    return levels;
}

std::vector<std::uint8_t> PackLevels(std::span<const std::uint8_t> levels, int bpp) {
    BitWriter out;
    for (std::uint8_t level : levels) {
        out.Write(level, bpp);
    }
    return out.Take();
}

std::vector<std::uint8_t> CompressLevels(std::span<const std::uint8_t> levels, int width,
                                         int height, int bpp, bool prefilter) {
    if (width <= 0 || height <= 0) {
        return {};
    }
    const auto w = static_cast<std::size_t>(width);
    const std::size_t count = w * static_cast<std::size_t>(height);
    std::vector<std::uint8_t> pixels(levels.begin(), levels.begin() + static_cast<long>(count));
    if (prefilter) {
        for (std::size_t i = count; i-- > w;) {
            pixels[i] ^= pixels[i - w];
        }
    }
    BitWriter out;
    bool closingZero = false;
    for (std::size_t i = 0; i < count;) {
        std::size_t end = i + 1;
        while (end < count && pixels[end] == pixels[i]) {
            ++end;
        }
        closingZero = WriteRun(out, pixels[i], end - i, bpp);
        i = end;
    }
    // Nothing is read after the last pixel: a closing 0 there is not needed.
    if (closingZero) {
        out.Unwrite();
    }
    return out.Take();
}

std::vector<std::uint8_t> DecompressLevels(std::span<const std::uint8_t> code, int width,
                                           int height, int bpp, bool prefilter) {
    if (width <= 0 || height <= 0) {
        return {};
    }
    std::size_t at = 0;
    const auto read = [&](int bits) {
        unsigned value = 0;
        for (int b = 0; b < bits; ++b, ++at) {
            const unsigned bit = at / 8 < code.size() ? (code[at / 8] >> (7 - at % 8)) & 1U : 0U;
            value = (value << 1) | bit;
        }
        return value;
    };
    const auto w = static_cast<std::size_t>(width);
    const std::size_t count = w * static_cast<std::size_t>(height);
    std::vector<std::uint8_t> levels(count, 0);
    enum class State { Single, Repeat, Counter } state = State::Single;
    unsigned previous = 0;
    int repeats = 0;
    for (std::size_t i = 0; i < count; ++i) {
        unsigned pixel = previous;
        if (state == State::Single) {
            pixel = read(bpp);
            if (i != 0 && pixel == previous) {
                state = State::Repeat;
                repeats = 0;
            }
        } else if (state == State::Repeat) {
            if (read(1) == 0) {
                pixel = read(bpp);
                state = State::Single;
            } else if (++repeats == kRepeatBits) {
                repeats = static_cast<int>(read(kCountBits));
                if (repeats == 0) {
                    pixel = read(bpp);
                    state = State::Single;
                } else {
                    state = State::Counter;
                }
            }
        } else if (--repeats == 0) {
            pixel = read(bpp);
            state = State::Single;
        }
        previous = pixel;
        levels[i] = static_cast<std::uint8_t>(pixel);
    }
    if (prefilter) {
        for (std::size_t i = w; i < count; ++i) {
            levels[i] ^= levels[i - w];
        }
    }
    return levels;
}

} // namespace formats
